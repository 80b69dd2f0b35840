#include "tests/e2e/face.h"

#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>

#include "tests/support/sim_session.h"

extern char** environ;

namespace fs = std::filesystem;

namespace e2e {
namespace {

Face face;
std::string defaultLocalAppData;  // the face's own, as the program names it
bool localAppDataChanged = false;

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    lseek(fd, 0, SEEK_SET);
    for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(got));
    close(fd);
    return text;
}

// Runs a command with extra environment (in the given working directory, if
// any), collecting stdout and stderr through files so that neither pipe can fill up.
Result Spawn(const std::vector<std::string>& command, const Environment& environment,
             const std::string& workingDirectory = "") {
    std::map<std::string, std::string> merged;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const size_t equals = text.find('=');
        if (equals != std::string::npos) merged[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& [name, value] : environment) {
        if (value) merged[name] = *value;
        else merged.erase(name);
    }
    std::vector<std::string> envStrings;
    for (const auto& [name, value] : merged) envStrings.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& text : envStrings) envp.push_back(text.data());
    envp.push_back(nullptr);
    std::vector<std::string> argStrings = command;
    std::vector<char*> argv;
    for (std::string& text : argStrings) argv.push_back(text.data());
    argv.push_back(nullptr);

    char outPath[] = "/tmp/fhswitch-e2e-out-XXXXXX";
    char errPath[] = "/tmp/fhswitch-e2e-err-XXXXXX";
    const int out = mkstemp(outPath);
    const int err = mkstemp(errPath);
    unlink(outPath);
    unlink(errPath);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err, STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (!workingDirectory.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
    Result result;
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
        int wait = 0;
        waitpid(child, &wait, 0);
        result.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : 128 + WTERMSIG(wait);
    }
    posix_spawn_file_actions_destroy(&actions);
    result.output = ReadAll(out);
    result.errors = ReadAll(err);
    return result;
}

// Wine takes LOCALAPPDATA from the prefix's registry; an empty value there
// leaves it unset unless the Unix environment sets it too.
bool SetWineLocalAppData(const std::optional<std::string>& value) {
    const std::string key = "HKCU\\Volatile Environment";
    const std::vector<std::string> command =
        value ? std::vector<std::string>{"wine", "reg", "add", key, "/v", "LOCALAPPDATA", "/d", *value, "/f"}
              : std::vector<std::string>{"wine", "reg", "delete", key, "/v", "LOCALAPPDATA", "/f"};
    return Spawn(command, face.environment).status == 0;
}

std::string ShellQuoted(const std::string& word) {
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string Flag(int argc, char** argv, const std::string& name) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind(name + "=", 0) == 0) return argument.substr(name.size() + 1);
    }
    return "";
}

std::string UserName() {
    const passwd* user = getpwuid(getuid());
    return user ? user->pw_name : "root";
}

// The executable and the stand-in fhsvcctl.dll, together in a folder of the
// run's own: the loader binds a fhsvcctl.dll beside the executable. The build
// never puts one there, so a built fhswitch.exe always binds the system's.
std::optional<std::string> AssembleProgramFolder(const std::string& exe, const std::string& service) {
    const fs::path folder = face.work + "/program";
    std::error_code error;
    fs::create_directories(folder, error);
    if (!error) fs::copy_file(exe, folder / "fhswitch.exe", error);
    if (!error) fs::copy_file(service, folder / "fhsvcctl.dll", error);
    if (error) {
        std::fprintf(stderr, "cannot put %s and %s together: %s\n", exe.c_str(), service.c_str(),
                     error.message().c_str());
        return std::nullopt;
    }
    return (folder / "fhswitch.exe").string();
}

// A fresh prefix for this run, with the stand-in COM server registered for
// the configuration manager's class, and the program beside its stand-in
// service library. The registration goes into the registry view of the
// program's architecture: where 32-bit Wine is installed the prefix has both,
// and an x64 program never reads the 32-bit one (nor an x86 program the other).
bool SetUpWinePrefix(const std::string& registryView, const std::string& exe, const std::string& server,
                     const std::string& service) {
    const std::optional<std::string> program = AssembleProgramFolder(exe, service);
    if (!program) return false;
    const std::string prefix = face.work + "/prefix";
    face.command = {"wine", *program};
    face.lineEnd = "\r\n";
    face.environment = {{"WINEPREFIX", prefix},
                        {"WINEDEBUG", "-all"},
                        {"WINEDLLOVERRIDES", "mscoree,mshtml="},
                        {"LC_ALL", "C.UTF-8"},  // Wine passes non-ASCII arguments through the locale
                        {"LOCALAPPDATA", std::nullopt}};
    const std::string localAppData = "C:\\users\\" + UserName() + "\\AppData\\Local";
    defaultLocalAppData = localAppData;
    face.configDirectory =
        prefix + "/drive_c/users/" + UserName() + "/AppData/Local/Microsoft/Windows/FileHistory/Configuration";
    face.driveRoot = prefix + "/drive_c";  // run there, the program is on C:
    const std::string key = "HKCR\\CLSID\\{ED43BB3C-09E9-498A-9DF6-2177244C6DB4}\\InprocServer32";
    const std::vector<std::vector<std::string>> steps = {
        {"wineboot", "-i"},
        {"wine", "reg", "add", key, "/ve", "/d", ProgramPath(fs::absolute(server).string()), "/f", registryView},
        {"wine", "reg", "add", key, "/v", "ThreadingModel", "/d", "Apartment", "/f", registryView}};
    for (const auto& step : steps) {
        const Result result = Spawn(step, face.environment);
        if (result.status != 0) {
            std::fprintf(stderr, "Wine cannot run: '%s' exited with %d\n%s%s", step[0].c_str(), result.status,
                         result.output.c_str(), result.errors.c_str());
            return false;
        }
    }
    return true;
}

bool SetUpFace(int argc, char** argv) {
    face.name = Flag(argc, argv, "--face");
    const std::string exe = Flag(argc, argv, "--exe");
    const std::string work = Flag(argc, argv, "--work");
    face.work = fs::absolute(work.empty() ? fs::temp_directory_path() / "fhswitch-e2e" : fs::path(work)).string();
    fs::remove_all(face.work);
    fs::create_directories(face.work);
    face.tracePath = face.work + "/trace";
    if (face.name == "linux") {
        defaultLocalAppData = face.work + "/LocalAppData";
        face.command = {exe};
        face.lineEnd = "\n";
        face.environment = {{"LOCALAPPDATA", defaultLocalAppData}};
        face.configDirectory = defaultLocalAppData + "/Microsoft/Windows/FileHistory/Configuration";
        face.driveRoot = face.work + "/drive";  // the simulation's current drive is the working directory
        fs::create_directories(face.driveRoot);
        return true;
    }
    if (face.name == "wine-x64" || face.name == "wine-x86") {
        return SetUpWinePrefix(face.name == "wine-x64" ? "/reg:64" : "/reg:32", exe, Flag(argc, argv, "--server"),
                               Flag(argc, argv, "--service"));
    }
    return false;
}

// The face's environment, with the simulation's settings and its trace file
// named as the program names it.
Environment ProgramEnvironment(const std::string& settings) {
    Environment environment = face.environment;
    environment["FHSWITCH_SIM"] = settings;
    environment["FHSWITCH_SIM_TRACE"] = ProgramPath(face.tracePath);
    return environment;
}

}  // namespace

const Face& TheFace() { return face; }
bool IsWine() { return face.name.rfind("wine-", 0) == 0; }

Result RunFhswitch(const std::vector<std::string>& arguments, const std::string& settings) {
    std::vector<std::string> command = face.command;
    command.insert(command.end(), arguments.begin(), arguments.end());
    return Spawn(command, ProgramEnvironment(settings), face.driveRoot);
}

Result RunFhswitchOnTerminal(const std::vector<std::string>& arguments, const std::string& settings) {
    std::string commandLine;
    for (const std::string& word : face.command) commandLine += ShellQuoted(word) + " ";
    for (const std::string& word : arguments) commandLine += ShellQuoted(word) + " ";
    Result result = Spawn({"script", "-qec", commandLine, "/dev/null"}, ProgramEnvironment(settings), face.driveRoot);
    static const std::regex kControl("\x1B\\[[0-9;?]*[A-Za-z]|\r");
    result.output = std::regex_replace(result.output, kControl, "");
    return result;
}

std::string Output(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + face.lineEnd;
    return text;
}

std::vector<std::string> SharedTrace() {
    static const std::vector<std::string> kShared = {
        "CreateDefaultConfiguration", "GetBackupStatus",   "ValidateTarget",
        "ProvisionAndSetNewTarget",   "SetBackupStatus",   "SaveConfiguration",
        "ChangeDefaultTargetRecommendation", "Release",    "FhServiceOpenPipe",
        "FhServiceReloadConfiguration",      "FhServiceStopBackup", "FhServiceClosePipe"};
    std::vector<std::string> lines;
    std::ifstream file(face.tracePath);
    for (std::string line; std::getline(file, line);) {
        if (std::find(kShared.begin(), kShared.end(), line.substr(0, line.find('\t'))) != kShared.end()) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::string ProgramPath(const std::string& linuxPath) {
    if (!IsWine()) return linuxPath;
    std::string path = "Z:" + linuxPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

void SetLocalAppData(const std::optional<std::string>& value) {
    localAppDataChanged = true;
    face.environment["LOCALAPPDATA"] = value;
    if (IsWine()) {
        ASSERT_TRUE(SetWineLocalAppData(value)) << "cannot set LOCALAPPDATA in the Wine prefix";
    }
}

void RestoreLocalAppData() {
    if (localAppDataChanged) SetLocalAppData(defaultLocalAppData);
    localAppDataChanged = false;
}

void EndToEnd::SetUp() {
    fs::remove_all(face.configDirectory);
    fs::remove(face.tracePath);
}

void EndToEnd::TearDown() { RestoreLocalAppData(); }

void EndToEnd::PopulateConfiguration() {
    const std::string& dir = face.configDirectory;
    testsupport::WriteFile(dir + "/Config1.xml", "one");
    testsupport::WriteFile(dir + "/Config2.xml", "two");
    testsupport::WriteFile(dir + "/catalog.edb", "catalog");
    testsupport::WriteFile(dir + "/Sub/inner.xml", "inner");
}

}  // namespace e2e

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!e2e::SetUpFace(argc, argv)) {
        std::fprintf(stderr, "usage: %s --face=linux|wine-x64|wine-x86 --exe=PATH [--server=DLL --service=DLL] [--work=DIR]\n", argv[0]);
        return 2;
    }
    return RUN_ALL_TESTS();
}
