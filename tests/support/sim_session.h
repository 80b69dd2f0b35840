// A fresh simulated File History for one in-process test: a scratch
// LOCALAPPDATA, the given FHSWITCH_SIM, a trace file, a folder of targets,
// and a user and PC of known names, all gone afterwards.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "tests/support/captured_stdout.h"

namespace testsupport {

class SimSession {
public:
    explicit SimSession(const std::string& settings = "");
    SimSession(const SimSession&) = delete;
    SimSession& operator=(const SimSession&) = delete;
    ~SimSession();

    const std::string& scratch() const { return scratch_; }  // a folder of its own, outside LOCALAPPDATA
    const std::string& localAppData() const { return localAppData_; }
    const std::string& targets() const { return targets_; }  // FHSWITCH_SIM_TARGETS
    // The configuration directory as Linux names it, and as fhswitch does.
    std::string configDirectory() const;
    std::string windowsConfigDirectory() const;

    // The trace so far, a line each (without the line feed).
    std::vector<std::string> trace() const;
    // Only the lines whose call is one of the given names.
    std::vector<std::string> trace(const std::vector<std::string>& calls) const;
    // The names of the calls traced so far, in order.
    std::vector<std::string> calls() const;

private:
    std::string root_;
    std::string scratch_;
    std::string localAppData_;
    std::string tracePath_;
    std::string targets_;
};

// The user and PC a SimSession runs as.
inline constexpr char kSimUser[] = "jane";
inline constexpr char kSimPc[] = "PC042";

// What an in-process run returned and printed.
struct Outcome {
    int status;
    std::string output;
};
Outcome RunCapturingStdout(const std::function<int()>& run);

// An argument vector as the runtime hands it to main: the program name first,
// then the arguments, then a null entry.
class ArgumentVector {
public:
    ArgumentVector(std::initializer_list<std::string> arguments);
    explicit ArgumentVector(const std::vector<std::string>& arguments);
    int argc() const { return static_cast<int>(pointers_.size()) - 1; }
    char** argv() { return pointers_.data(); }

private:
    std::vector<std::string> strings_;
    std::vector<char*> pointers_;
};

// Makes folders below parent whose path is exactly length bytes long, and returns it.
std::string MakeFolderOfLength(const std::string& parent, size_t length);

// A File History backup on a simulated target, as a test's precondition:
// whose it is, when it was last made, and its data files (path: content).
struct Backup {
    std::string userName;  // may carry a domain ("CORP\\jane")
    std::string pcName;
    std::uint64_t backupTime;
    std::map<std::string, std::string> data;
};
// Puts the backup on the target under the folder of targets (as Linux names
// it), where File History keeps it; returns its folder.
std::string PlantBackup(const std::string& targets, const std::string& targetUrl, const Backup& backup);
// What a backup's folder holds: every path under it and each file's content.
std::map<std::string, std::string> BackupContent(const std::string& folder);

// Writes a file, creating its folders; reads one whole (empty when missing).
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
// Every path below a folder (relative, sorted), folders marked with a trailing '/'.
std::vector<std::string> ListTree(const std::string& folder);

}  // namespace testsupport
