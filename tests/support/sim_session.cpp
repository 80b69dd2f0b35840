#include "tests/support/sim_session.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "platform/sim/state.h"
#include "platform/sim/targets.h"

namespace fs = std::filesystem;

namespace testsupport {

SimSession::SimSession(const std::string& settings) {
    std::string pattern = (fs::temp_directory_path() / "fhswitch-test-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    scratch_ = root_ + "/scratch";
    localAppData_ = root_ + "/LocalAppData";
    tracePath_ = root_ + "/trace";
    targets_ = root_ + "/Targets";
    fs::create_directories(scratch_);
    fs::create_directories(localAppData_);
    setenv("LOCALAPPDATA", localAppData_.c_str(), 1);
    setenv("FHSWITCH_SIM_TARGETS", targets_.c_str(), 1);
    setenv("USERNAME", kSimUser, 1);
    setenv("COMPUTERNAME", kSimPc, 1);
    setenv("FHSWITCH_SIM", settings.c_str(), 1);
    setenv("FHSWITCH_SIM_TRACE", tracePath_.c_str(), 1);
    if (const auto problem = sim::Reload()) ADD_FAILURE() << *problem;
}

SimSession::~SimSession() {
    unsetenv("LOCALAPPDATA");
    unsetenv("FHSWITCH_SIM");
    unsetenv("FHSWITCH_SIM_TRACE");
    unsetenv("FHSWITCH_SIM_TARGETS");
    unsetenv("USERNAME");
    unsetenv("COMPUTERNAME");
    unsetenv("FHSWITCH_SIM_DNS_NAME");
    sim::Reload();
    std::error_code ignored;
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(root_, ignored);
}

std::string SimSession::configDirectory() const {
    return localAppData_ + "/Microsoft/Windows/FileHistory/Configuration";
}

std::string SimSession::windowsConfigDirectory() const {
    return localAppData_ + "\\Microsoft\\Windows\\FileHistory\\Configuration";
}

std::vector<std::string> SimSession::trace() const {
    std::vector<std::string> lines;
    std::ifstream file(tracePath_);
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> SimSession::trace(const std::vector<std::string>& calls) const {
    std::vector<std::string> lines;
    for (const std::string& line : trace()) {
        const std::string call = line.substr(0, line.find('\t'));
        if (std::find(calls.begin(), calls.end(), call) != calls.end()) lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> SimSession::calls() const {
    std::vector<std::string> names;
    for (const std::string& line : trace()) names.push_back(line.substr(0, line.find('\t')));
    return names;
}

Outcome RunCapturingStdout(const std::function<int()>& run) {
    CapturedStdout captured;
    const int status = run();
    return {status, captured.take()};
}

ArgumentVector::ArgumentVector(std::initializer_list<std::string> arguments)
    : ArgumentVector(std::vector<std::string>(arguments)) {}

ArgumentVector::ArgumentVector(const std::vector<std::string>& arguments) : strings_{"fhswitch"} {
    strings_.insert(strings_.end(), arguments.begin(), arguments.end());
    for (std::string& text : strings_) pointers_.push_back(text.data());
    pointers_.push_back(nullptr);
}

std::string MakeFolderOfLength(const std::string& parent, size_t length) {
    std::string path = parent + "/";
    while (path.size() < length) {
        path += std::string(std::min<size_t>(100, length - path.size()), 'p');
        if (path.size() < length) path += "/";
    }
    fs::create_directories(path);
    return path;
}

std::string PlantBackup(const std::string& targets, const std::string& targetUrl, const Backup& backup) {
    const std::string user = backup.userName.substr(backup.userName.rfind('\\') + 1);
    const std::string folder = targets + "/" + sim::TargetFolderName(targetUrl) + "/" + user + "/" + backup.pcName;
    WriteFile(folder + "/Configuration/Config1.xml",
              sim::BackupConfigurationXml(backup.userName, backup.pcName, backup.backupTime));
    for (const auto& [path, content] : backup.data) WriteFile(folder + "/Data/" + path, content);
    return folder;
}

std::map<std::string, std::string> BackupContent(const std::string& folder) {
    std::map<std::string, std::string> content;
    for (const std::string& path : ListTree(folder)) {
        content[path] = path.back() == '/' ? "" : ReadFile(folder + "/" + path);
    }
    return content;
}

void WriteFile(const std::string& path, const std::string& content) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

bool Exists(const std::string& path) { return fs::exists(fs::symlink_status(path)); }

std::vector<std::string> ListTree(const std::string& folder) {
    std::vector<std::string> paths;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error); it != fs::recursive_directory_iterator();
         it.increment(error)) {
        const bool isFolder = it->is_directory() && !it->is_symlink();
        paths.push_back(it->path().lexically_relative(folder).string() + (isFolder ? "/" : ""));
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

}  // namespace testsupport
