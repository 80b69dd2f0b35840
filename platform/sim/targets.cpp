#include "platform/sim/targets.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "platform/identity.h"
#include "platform/sim/native_path.h"
#include "platform/sim/state.h"
#include "platform/sim/stored_file.h"

namespace sim {
namespace {

namespace fs = std::filesystem;

std::uint64_t FileTimeNow() {
    constexpr std::uint64_t kSecondsFrom1601To1970 = 11644473600;
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    const auto ticks = std::chrono::duration_cast<std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>>(sinceEpoch);
    return kSecondsFrom1601To1970 * 10000000 + static_cast<std::uint64_t>(ticks.count());
}

// The names of a folder's folders, sorted.
std::vector<std::string> FoldersIn(const std::string& windowsFolder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(NativePath(windowsFolder), error), end; !error && it != end; it.increment(error)) {
        if (it->is_directory(error)) names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The names provisioning records, in the forms BackupUserName and
// BackupPcName answer. The domain is USERDOMAIN, as Windows sets it.
std::string RecordedUserName() {
    if (CurrentSettings().AnswerOf(Variant::BackupUserName) == kUserAccountName) return ThisUserName();
    const char* domain = std::getenv("USERDOMAIN");
    return std::string(domain != nullptr && *domain != '\0' ? domain : "WORKGROUP") + "\\" + ThisUserName();
}

std::string RecordedPcName() {
    const ComputerNames names = ThisComputerNames();
    switch (CurrentSettings().AnswerOf(Variant::BackupPcName)) {
        case kPcDnsHostName: return names.dnsHost;
        case kPcFullyQualifiedName: return names.fullyQualified;
        default: return names.netbios;
    }
}

}  // namespace

// Every byte but letters, digits, '.', '-' and '_' as %XX, letters in lower
// case: one folder name per target, whatever its URL holds.
std::string TargetFolderName(const std::string& targetUrl) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string name;
    for (const char c : targetUrl) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           byte == '.' || byte == '-' || byte == '_';
        if (plain) {
            name += static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte - 'A' + 'a' : byte);
        } else {
            name += {'%', kHex[byte >> 4], kHex[byte & 0xF]};
        }
    }
    return name;
}

std::string TargetFolder(const std::string& targetUrl) { return TargetsRoot() + "\\" + TargetFolderName(targetUrl); }

std::vector<BackupOnTarget> BackupsOn(const std::string& targetUrl) {
    std::vector<BackupOnTarget> backups;
    const std::string target = TargetFolder(targetUrl);
    for (const std::string& user : FoldersIn(target)) {
        for (const std::string& pc : FoldersIn(target + "\\" + user)) {
            const std::string folder = target + "\\" + user + "\\" + pc;
            const std::optional<std::string> xml = ReadStoredFile(folder + "\\Configuration\\Config1.xml");
            if (!xml) continue;
            const std::optional<std::string> userName = ElementText(*xml, "UserName");
            const std::optional<std::string> pcName = ElementText(*xml, "PcName");
            const std::optional<std::string> time = ElementText(*xml, "BackupTime");
            if (!userName || !pcName || !time) continue;
            backups.push_back({*userName, *pcName, std::strtoull(time->c_str(), nullptr, 10), folder});
        }
    }
    return backups;
}

std::string BackupConfigurationXml(const std::string& userName, const std::string& pcName, std::uint64_t backupTime) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<FileHistoryBackup>\n"
           "  <UserName>" + EscapeXml(userName) + "</UserName>\n"
           "  <PcName>" + EscapeXml(pcName) + "</PcName>\n"
           "  <BackupTime>" + std::to_string(backupTime) + "</BackupTime>\n"
           "</FileHistoryBackup>\n";
}

bool ProvisionBackup(const std::string& targetUrl) {
    for (const BackupOnTarget& backup : BackupsOn(targetUrl)) {
        std::error_code error;
        if (IsThisUserOnThisPc(backup.userName, backup.pcName)) fs::remove_all(NativePath(backup.folder), error);
        if (error) return false;
    }
    const std::string folder = TargetFolder(targetUrl) + "\\" + ThisUserName() + "\\" + ThisComputerNames().netbios;
    return WriteStoredFile(folder + "\\Configuration\\Config1.xml",
                           BackupConfigurationXml(RecordedUserName(), RecordedPcName(), FileTimeNow())) &&
           WriteStoredFile(folder + "\\Data\\first backup.txt", "the files as they were at the first backup\n");
}

}  // namespace sim
