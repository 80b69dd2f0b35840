// The simulated targets and the File History backups they hold. A target
// holds one backup per user name and PC name, in the layout File History
// makes there: <user>\<PC>\Configuration\Config1.xml (whose user and PC it
// is, and when it was last backed up) and <user>\<PC>\Data\ (the copies of
// the files). The targets live in a folder of their own (FHSWITCH_SIM_TARGETS),
// outside any profile, so that a fresh profile still finds them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct BackupOnTarget {
    std::string userName;      // as its configuration says it; may carry a domain ("CORP\jane")
    std::string pcName;
    std::uint64_t backupTime;  // a FILETIME: 100 ns since 1601
    std::string folder;        // <target>\<user>\<PC>, as Windows names it
};

// The name of the folder that stands for a target URL, made from it without
// case; and that folder, under the folder of targets.
std::string TargetFolderName(const std::string& targetUrl);
std::string TargetFolder(const std::string& targetUrl);

// The backups a target holds, in the order of their folders.
std::vector<BackupOnTarget> BackupsOn(const std::string& targetUrl);

// A backup's configuration file, as it stands on a target.
std::string BackupConfigurationXml(const std::string& userName, const std::string& pcName, std::uint64_t backupTime);

// What provisioning does to a target: deletes the running user's earlier
// backup of this PC, as Windows does, and makes a new one with its first data.
bool ProvisionBackup(const std::string& targetUrl);

}  // namespace sim
