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
#include <sstream>

#include "platform/sim/calls.h"
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

// Wine, run as this machine can (tools/wine.sh: the 64-bit loader where
// 32-bit programs cannot run), with a program and its arguments. The command
// is asked of tools/wine.sh once (AskWineCommand): the run starts Wine
// hundreds of times.
std::vector<std::string> wineCommand;
std::vector<std::string> Wine(std::vector<std::string> command) {
    command.insert(command.begin(), wineCommand.begin(), wineCommand.end());
    return command;
}
bool AskWineCommand() {
    const Result asked = Spawn({face.source + "/tools/wine.sh", "--command"}, {});
    std::istringstream words(asked.output);
    for (std::string word; std::getline(words, word);) wineCommand.push_back(word);
    if (asked.status == 0 && !wineCommand.empty()) return true;
    std::fprintf(stderr, "tools/wine.sh --command exited with %d\n%s", asked.status, asked.errors.c_str());
    return false;
}

// Wine takes LOCALAPPDATA from the prefix's registry; an empty value there
// leaves it unset unless the Unix environment sets it too.
bool SetWineLocalAppData(const std::optional<std::string>& value) {
    const std::string key = "HKCU\\Volatile Environment";
    const std::vector<std::string> command =
        value ? Wine({"reg", "add", key, "/v", "LOCALAPPDATA", "/d", *value, "/f"})
              : Wine({"reg", "delete", key, "/v", "LOCALAPPDATA", "/f"});
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

// A path flag made absolute, so that a path given relative to where the run
// started still holds in the folders the programs run in.
std::string PathFlag(int argc, char** argv, const std::string& name) {
    const std::string path = Flag(argc, argv, name);
    return path.empty() ? path : fs::absolute(path).string();
}

std::string UserName() {
    const passwd* user = getpwuid(getuid());
    return user ? user->pw_name : "root";
}

// Where the Wine face keeps what it installs and registers.
struct WineSetUp {
    std::string registryView;        // "/reg:64" or "/reg:32"
    std::string standIns;            // the build's folder of stand-ins, as Linux names it
    std::string server;              // the stand-in COM server, as Linux names it
    std::string systemServiceLibrary;  // fhsvcctl.dll in the prefix's system folder, as Linux names it
    std::string decoy;               // the decoy fhsvcctl.dll beside the exe, as Linux names it
} wine;

// The stand-in COM server's two classes: the configuration manager and the reassociation.
const std::string kConfigManagerKey = "HKCR\\CLSID\\{ED43BB3C-09E9-498A-9DF6-2177244C6DB4}";
const std::string kReassociationKey = "HKCR\\CLSID\\{4D728E35-16FA-4320-9E8B-BFD7100A8846}";

// Before Windows 10 1903 the manifest's activeCodePage is ignored: the same
// exe with that element made a comment of the same length runs as it would
// there (under Wine, in code page 1252).
bool TakeOutActiveCodePage(const fs::path& exe) {
    std::fstream file(exe, std::ios::in | std::ios::out | std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), {});
    const std::string element =
        "<activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/WindowsSettings\">UTF-8</activeCodePage>";
    const size_t at = bytes.find(element);
    if (at == std::string::npos) return false;
    const std::string comment = "<!--" + std::string(element.size() - 7, ' ') + "-->";
    file.seekp(static_cast<std::streamoff>(at));
    file.write(comment.data(), static_cast<std::streamsize>(comment.size()));
    return static_cast<bool>(file.flush());
}

// The exe, fhstatus.exe and fhsettings.exe (built beside it) in a folder of the run's own,
// with a decoy fhsvcctl.dll beside them (as an attacker would plant one), and
// the stand-in fhsvcctl.dll in the prefix's system folder, where Windows
// keeps the real one.
bool InstallProgram(const std::string& exe, const std::string& systemFolder, bool legacyCodePage) {
    const std::string service = wine.standIns + "/fhsvcctl.dll";
    const std::string decoy = wine.standIns + "/fhsvcctl_decoy.dll";
    const fs::path folder = face.work + "/program";
    std::error_code error;
    fs::create_directories(folder, error);
    if (!error) fs::copy_file(exe, folder / "fhswitch.exe", error);
    for (const char* companion : {"fhstatus.exe", "fhsettings.exe"}) {
        if (!error) fs::copy_file(fs::path(exe).parent_path() / companion, folder / companion, error);
    }
    if (!error) fs::copy_file(decoy, folder / "fhsvcctl.dll", error);
    if (!error) fs::copy_file(service, systemFolder + "/fhsvcctl.dll", fs::copy_options::overwrite_existing, error);
    if (error) {
        std::fprintf(stderr, "cannot install %s, %s and %s: %s\n", exe.c_str(), service.c_str(), decoy.c_str(),
                     error.message().c_str());
        return false;
    }
    for (const char* program : {"fhswitch.exe", "fhstatus.exe", "fhsettings.exe"}) {
        if (legacyCodePage && !TakeOutActiveCodePage(folder / program)) {
            std::fprintf(stderr, "no activeCodePage element in %s\n", program);
            return false;
        }
    }
    face.command = Wine({(folder / "fhswitch.exe").string()});
    face.statusCommand = Wine({(folder / "fhstatus.exe").string()});
    face.settingsCommand = Wine({(folder / "fhsettings.exe").string()});
    wine.decoy = (folder / "fhsvcctl.dll").string();
    wine.systemServiceLibrary = systemFolder + "/fhsvcctl.dll";
    return true;
}

// The stand-in COM server registered for File History's classes, in the
// registry view of the program's architecture: where 32-bit Wine is
// installed the prefix has both, and an x64 program never reads the 32-bit
// one (nor an x86 program the other).
bool RegisterFileHistoryClasses() {
    std::vector<std::vector<std::string>> steps;
    for (const std::string& classKey : {kConfigManagerKey, kReassociationKey}) {
        const std::string key = classKey + "\\InprocServer32";
        steps.push_back(Wine({"reg", "add", key, "/ve", "/d", ProgramPath(wine.server), "/f", wine.registryView}));
        steps.push_back(
            Wine({"reg", "add", key, "/v", "ThreadingModel", "/d", "Apartment", "/f", wine.registryView}));
    }
    for (const auto& step : steps) {
        const Result result = Spawn(step, face.environment);
        if (result.status != 0) {
            std::fprintf(stderr, "Wine cannot run: '%s' exited with %d\n%s%s", step[1].c_str(), result.status,
                         result.output.c_str(), result.errors.c_str());
            return false;
        }
    }
    return true;
}

// The architecture's row of cmake/windows-architectures.tsv, its fields in
// order; empty when it is not there.
std::vector<std::string> ArchitectureRow(const std::string& architecture) {
    std::ifstream table(face.source + "/cmake/windows-architectures.tsv");
    for (std::string line; std::getline(table, line);) {
        std::vector<std::string> fields;
        std::stringstream row(line);
        for (std::string field; std::getline(row, field, '\t');) fields.push_back(field);
        if (!fields.empty() && fields[0] == architecture) return fields;
    }
    return {};
}

// A fresh prefix for this run, with the program and the stand-ins in place:
// the architecture's libraries in systemFolder ("system32", or "syswow64"
// for 32-bit ones in a 64-bit prefix), its COM registrations in registryView.
// eventcreate, which Wine lacks, is on the PATH of every program run.
bool SetUpWinePrefix(const std::string& registryView, const std::string& systemFolder, bool legacyCodePage,
                     const std::string& exe, const std::string& standIns) {
    const std::string prefix = face.work + "/prefix";
    wine.standIns = standIns;
    face.lineEnd = "\r\n";
    // The rest of Wine's environment is tools/wine.sh's, whatever this process has.
    face.environment = {{"WINEPREFIX", prefix},
                        {"LOCALAPPDATA", std::nullopt},
                        {"WINEPATH", StandInCommandFolder("eventcreate")}};
    const std::string localAppData = "C:\\users\\" + UserName() + "\\AppData\\Local";
    defaultLocalAppData = localAppData;
    face.localAppData = prefix + "/drive_c/users/" + UserName() + "/AppData/Local";
    face.configDirectory = face.localAppData + "/Microsoft/Windows/FileHistory/Configuration";
    face.driveRoot = prefix + "/drive_c";  // run there, the program is on C:
    wine.registryView = registryView;
    wine.server = wine.standIns + "/fhconfig_standin.dll";
    if (!AskWineCommand()) return false;
    const Result booted = Spawn(Wine({"wineboot", "-i"}), face.environment);
    if (booted.status != 0) {
        std::fprintf(stderr, "Wine cannot start: wineboot exited with %d\n%s%s", booted.status,
                     booted.output.c_str(), booted.errors.c_str());
        return false;
    }
    face.environment["FHSWITCH_SIM_TARGETS"] = ProgramPath(face.targets);
    // One wineserver for the whole run. Debian's starts each with -p0: it
    // quits as the last program ends, and a program started in that moment
    // can fail to start at all (status 1, no output), or a cmd lose its
    // console's code page. Persistent, it is there for every program, until
    // the run ends (StopWine).
    Spawn({"wineserver", "-w"}, face.environment);  // wineboot's own server gone first
    const Result server = Spawn({"wineserver", "-p"}, face.environment);
    if (server.status != 0) {
        std::fprintf(stderr, "Wine cannot keep its server: wineserver -p exited with %d\n%s", server.status,
                     server.errors.c_str());
        return false;
    }
    return InstallProgram(exe, prefix + "/drive_c/windows/" + systemFolder, legacyCodePage) &&
           RegisterFileHistoryClasses();
}

bool SetUpFace(int argc, char** argv) {
    face.name = Flag(argc, argv, "--face");
    const std::string exe = PathFlag(argc, argv, "--exe");
    if (!fs::is_regular_file(exe)) {
        std::fprintf(stderr, "--exe=%s: no such program\n", exe.c_str());
        return false;
    }
    const std::string work = Flag(argc, argv, "--work");
    face.work = fs::absolute(work.empty() ? fs::temp_directory_path() / "fhswitch-e2e" : fs::path(work)).string();
    fs::remove_all(face.work);
    fs::create_directories(face.work);
    face.tracePath = face.work + "/trace";
    face.targets = face.work + "/targets";  // outside every profile, as a share is
    face.source = PathFlag(argc, argv, "--source");
    if (face.name == "linux") {
        defaultLocalAppData = face.work + "/LocalAppData";
        face.localAppData = defaultLocalAppData;
        face.command = {exe};
        face.statusCommand = {(fs::path(exe).parent_path() / "fhstatus").string()};
        face.settingsCommand = {(fs::path(exe).parent_path() / "fhsettings").string()};
        face.lineEnd = "\n";
        face.environment = {{"LOCALAPPDATA", defaultLocalAppData}, {"FHSWITCH_SIM_TARGETS", face.targets},
                            {"USERNAME", UserName()}};  // as Wine names the user
        face.configDirectory = defaultLocalAppData + "/Microsoft/Windows/FileHistory/Configuration";
        face.driveRoot = face.work + "/drive";  // the simulation's current drive is the working directory
        fs::create_directories(face.driveRoot);
        return true;
    }
    // wine-<arch>, and with "-legacy": as on Windows before 10 1903.
    const std::regex kWineFace("wine-([a-z0-9]+)(-legacy)?");
    std::smatch wineFace;
    if (std::regex_match(face.name, wineFace, kWineFace)) {
        face.architecture = wineFace[1];
        const std::vector<std::string> row = ArchitectureRow(face.architecture);
        if (row.size() < 8) {
            std::fprintf(stderr, "%s is not in cmake/windows-architectures.tsv\n", face.architecture.c_str());
            return false;
        }
        return SetUpWinePrefix(row[6], row[7], wineFace[2].matched, exe, PathFlag(argc, argv, "--standins"));
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

void StopWine() {
    if (IsWine()) Spawn({"wineserver", "-k"}, face.environment);
}
std::string StandInCommandFolder(const std::string& command) { return ProgramPath(wine.standIns + "/" + command); }
bool IsWine() { return face.name.rfind("wine-", 0) == 0; }

namespace {

Result Run(std::vector<std::string> command, const std::vector<std::string>& arguments, const std::string& settings) {
    command.insert(command.end(), arguments.begin(), arguments.end());
    return Spawn(command, ProgramEnvironment(settings), face.driveRoot);
}

}  // namespace

Result RunFhswitch(const std::vector<std::string>& arguments, const std::string& settings) {
    return Run(face.command, arguments, settings);
}

Result RunFhstatus(const std::vector<std::string>& arguments, const std::string& settings) {
    return Run(face.statusCommand, arguments, settings);
}

Result RunFhsettings(const std::vector<std::string>& arguments, const std::string& settings) {
    return Run(face.settingsCommand, arguments, settings);
}

// The command on a pseudo-terminal made by script(1); what the terminal
// shows comes back, its control sequences and carriage returns left out.
Result RunOnTerminal(const std::vector<std::string>& command, const std::string& settings,
                     const Environment& extra = {}) {
    std::string commandLine;
    for (const std::string& word : command) commandLine += ShellQuoted(word) + " ";
    Environment environment = ProgramEnvironment(settings);
    for (const auto& [name, value] : extra) environment[name] = value;
    Result result = Spawn({"script", "-qec", commandLine, "/dev/null"}, environment, face.driveRoot);
    static const std::regex kControl("\x1B\\[[0-9;?]*[A-Za-z]|\r");
    result.output = std::regex_replace(result.output, kControl, "");
    return result;
}

Result RunFhswitchOnTerminal(const std::vector<std::string>& arguments, const std::string& settings) {
    std::vector<std::string> command = face.command;
    command.insert(command.end(), arguments.begin(), arguments.end());
    return RunOnTerminal(command, settings);
}

Result RunBatchOnTerminal(const std::string& batch, const std::vector<std::string>& arguments,
                          const std::string& settings, const Environment& environment) {
    std::vector<std::string> command = Wine({"cmd", "/c", ProgramPath(batch)});
    command.insert(command.end(), arguments.begin(), arguments.end());
    return RunOnTerminal(command, settings, environment);
}

std::vector<std::string> CommandTrace(const std::string& command) {
    std::vector<std::string> lines;
    std::ifstream file(face.tracePath);
    for (std::string line; std::getline(file, line);) {
        if (line.rfind(command + "\t", 0) == 0 || line == command) lines.push_back(line);
    }
    return lines;
}

InstalledMsi::InstalledMsi() : msi_(face.work + "/fhswitch.msi") {
    Environment environment = face.environment;
    environment["SOURCE_DATE_EPOCH"] = "0";
    const Result built = Spawn({"python3", face.source + "/tools/release/msi.py", "--version", "1.0.0", "--arch",
                                face.architecture, "--exe", face.command.back(), "--out", msi_},
                               environment);
    if (built.status != 0) {
        std::fprintf(stderr, "cannot build the MSI: %s%s", built.output.c_str(), built.errors.c_str());
        return;
    }
    installed_ = Spawn(Wine({"msiexec", "/i", ProgramPath(msi_), "/qn"}), face.environment).status == 0;
}

InstalledMsi::~InstalledMsi() {
    if (installed_) {
        EXPECT_EQ(Spawn(Wine({"msiexec", "/x", ProgramPath(msi_), "/qn"}), face.environment).status, 0);
    }
}

std::string WindowsUserName() { return UserName(); }

Result RunFhswitchThroughCmd(const std::string& typedArguments, const std::string& settings) {
    const std::string batch = face.work + "/run.cmd";
    std::ofstream(batch, std::ios::binary) << "@\"" << ProgramPath(face.command.back()) << "\" " << typedArguments
                                           << "\r\n@exit /b %ERRORLEVEL%\r\n";
    return Spawn(Wine({"cmd", "/c", ProgramPath(batch)}), ProgramEnvironment(settings), face.driveRoot);
}

MissingComponents::MissingComponents(bool configManagerToo) : configManagerToo_(configManagerToo) {
    if (!IsWine()) {
        // ERROR_MOD_NOT_FOUND, as LoadLibraryExW reports it; a class not registered.
        settings_ = configManagerToo ? "FhServiceOpenPipe=0x8007007E;CoCreateInstance=0x80040154"
                                     : "FhServiceOpenPipe=0x8007007E";
        return;
    }
    for (const std::string& library : {wine.systemServiceLibrary, wine.decoy}) fs::rename(library, library + ".away");
    if (configManagerToo) {
        for (const std::string& key : {kConfigManagerKey, kReassociationKey}) {
            const Result deleted = Spawn(Wine({"reg", "delete", key, "/f", wine.registryView}), face.environment);
            EXPECT_EQ(deleted.status, 0) << "cannot take the registration of " << key << " away";
        }
    }
}

MissingComponents::~MissingComponents() {
    if (!IsWine()) return;
    for (const std::string& library : {wine.systemServiceLibrary, wine.decoy}) fs::rename(library + ".away", library);
    if (configManagerToo_) {
        EXPECT_TRUE(RegisterFileHistoryClasses());
    }
}

std::string Output(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + face.lineEnd;
    return text;
}

std::vector<std::string> SharedTrace() {
    // Under Wine only the stand-ins trace; the rest is Wine's own.
    std::vector<std::string> lines;
    std::ifstream file(face.tracePath);
    for (std::string line; std::getline(file, line);) {
        const sim::CallInfo* call = sim::CallNamed(std::string_view(line).substr(0, line.find('\t')));
        if (call != nullptr && call->standIn) lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> ChangingCalls() {
    static const std::vector<std::string> kReading = {"LoadConfiguration",          "GetBackupStatus",
                                                      "GetDefaultTarget",           "FhTarget.GetStringProperty",
                                                      "FhTarget.Release",           "QueryProtectionStatus",
                                                      "GetLocalPolicy",             "Release"};
    std::vector<std::string> lines;
    for (const std::string& line : SharedTrace()) {
        const std::string call = line.substr(0, line.find('\t'));
        if (std::find(kReading.begin(), kReading.end(), call) == kReading.end()) lines.push_back(line);
    }
    return lines;
}

std::string ConfigurationXml(const std::string& target, int backupStatus) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<FileHistoryConfiguration>\n  <Target>" + target +
           "</Target>\n  <BackupStatus>" + std::to_string(backupStatus) + "</BackupStatus>\n</FileHistoryConfiguration>\n";
}

void WriteConfiguration(const std::string& target, int backupStatus) {
    for (const char* copy : {"/Config1.xml", "/Config2.xml"}) {
        testsupport::WriteFile(face.configDirectory + copy, ConfigurationXml(target, backupStatus));
    }
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
    fs::remove_all(face.targets);
    fs::remove(face.tracePath);
}

void EndToEnd::TearDown() {
    RestoreLocalAppData();
    std::ifstream trace(face.tracePath);
    for (std::string line; std::getline(trace, line);) {
        EXPECT_NE(line, "DecoyLoaded\t-") << "the fhsvcctl.dll beside the exe was loaded";
    }
}

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
        std::fprintf(stderr,
                     "usage: %s --face=linux|wine-ARCH[-legacy] --exe=PATH [--standins=DIR] --source=DIR [--work=DIR]\n",
                     argv[0]);
        return 2;
    }
    const int status = RUN_ALL_TESTS();
    e2e::StopWine();
    return status;
}
