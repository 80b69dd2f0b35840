// The built executable run as a process, driven only through its command line,
// LOCALAPPDATA, FHSWITCH_SIM and FHSWITCH_SIM_TRACE. One table of scenarios
// serves both faces: the Linux executable on the simulation, and the Windows
// executable under Wine with the stand-in components (--face=wine). The
// faces differ in line ends and in which calls they trace: under Wine only the
// stand-ins trace, so scenarios compare the calls both faces trace.
#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "testsupport/sim_session.h"

extern char** environ;

namespace fs = std::filesystem;
using testsupport::ListTree;
using testsupport::WriteFile;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

struct Face {
    std::string name;  // "linux" or "wine"
    std::vector<std::string> command;
    std::string lineEnd;
    std::map<std::string, std::string> environment;  // set for each run; an empty value unsets
    std::string configDirectory;                      // as Linux names it
    std::string windowsConfigDirectory;               // as the program names it
    std::string tracePath;
};

Face& TheFace() {
    static Face face;
    return face;
}

struct Result {
    int status = -1;
    std::string output;
    std::string errors;
};

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(got));
    return text;
}

// Runs a command with extra environment (an empty value unsets), collecting
// stdout and stderr through files so that neither pipe can fill up.
Result Spawn(const std::vector<std::string>& command, const std::map<std::string, std::string>& environment) {
    std::map<std::string, std::string> merged;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const size_t equals = text.find('=');
        if (equals != std::string::npos) merged[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& [name, value] : environment) {
        if (value.empty()) merged.erase(name);
        else merged[name] = value;
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
    Result result;
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
        int wait = 0;
        waitpid(child, &wait, 0);
        result.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : 128 + WTERMSIG(wait);
    }
    posix_spawn_file_actions_destroy(&actions);
    lseek(out, 0, SEEK_SET);
    lseek(err, 0, SEEK_SET);
    result.output = ReadAll(out);
    result.errors = ReadAll(err);
    close(out);
    close(err);
    return result;
}

// Runs fhswitch with the arguments and FHSWITCH_SIM settings.
Result RunFhswitch(const std::vector<std::string>& arguments, const std::string& settings,
                   std::map<std::string, std::string> environment = {}) {
    const Face& face = TheFace();
    std::vector<std::string> command = face.command;
    command.insert(command.end(), arguments.begin(), arguments.end());
    environment.insert(face.environment.begin(), face.environment.end());
    environment["FHSWITCH_SIM"] = settings;
    environment["FHSWITCH_SIM_TRACE"] = face.tracePath;
    return Spawn(command, environment);
}

std::string Output(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + TheFace().lineEnd;
    return text;
}

// The trace lines of the calls both faces trace.
std::vector<std::string> SharedTrace() {
    static const std::vector<std::string> kShared = {
        "CreateDefaultConfiguration", "GetBackupStatus",   "ValidateTarget",
        "ProvisionAndSetNewTarget",   "SetBackupStatus",   "SaveConfiguration",
        "ChangeDefaultTargetRecommendation", "Release",    "FhServiceOpenPipe",
        "FhServiceReloadConfiguration",      "FhServiceStopBackup", "FhServiceClosePipe"};
    std::vector<std::string> lines;
    std::ifstream file(TheFace().tracePath);
    for (std::string line; std::getline(file, line);) {
        if (std::find(kShared.begin(), kShared.end(), line.substr(0, line.find('\t'))) != kShared.end()) {
            lines.push_back(line);
        }
    }
    return lines;
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(TheFace().configDirectory);
        fs::remove(TheFace().tracePath);
    }
    // A configuration directory as the platform leaves it, with a subdirectory.
    void PopulateConfiguration() {
        const std::string& dir = TheFace().configDirectory;
        WriteFile(dir + "/Config1.xml", "one");
        WriteFile(dir + "/Config2.xml", "two");
        WriteFile(dir + "/catalog.edb", "catalog");
        WriteFile(dir + "/Sub/inner.xml", "inner");
    }
};

const std::vector<std::string> kUsage = {"Eneble/Disable Windows File Histroy...",
                                         "For Enable: -E <Network path for backup>", "For Disable: -D"};
const std::vector<std::string> kEnabledLines = {"Creating default configuration", "Provisioning and setting target",
                                                "Enabling File History", "Scheduling regular backups",
                                                "Recommending target to Homegroup",
                                                "Success! File History is now enabled"};
const std::vector<std::string> kEnabledTrace = {"CreateDefaultConfiguration\t0x00000000\t1",
                                                "GetBackupStatus\t0x00000000",
                                                "ValidateTarget\t0x00000000\t\\\\nas\\backups",
                                                "ProvisionAndSetNewTarget\t0x00000000\t\\\\nas\\backups\t",
                                                "SetBackupStatus\t0x00000000\t2",
                                                "SaveConfiguration\t0x00000000",
                                                "FhServiceOpenPipe\t0x00000000\t1",
                                                "FhServiceReloadConfiguration\t0x00000000",
                                                "FhServiceClosePipe\t0x00000000",
                                                "ChangeDefaultTargetRecommendation\t0x00000000\t1",
                                                "Release\t-"};

std::vector<std::string> First(const std::vector<std::string>& lines, size_t count) {
    return {lines.begin(), lines.begin() + static_cast<long>(count)};
}

std::vector<std::string> With(std::vector<std::string> lines, std::initializer_list<std::string> more) {
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

// Command-line rows and enable endings: arguments, settings, printed lines,
// status, and the shared trace.
struct Scenario {
    const char* name;
    std::vector<std::string> arguments;
    const char* settings;
    std::vector<std::string> lines;
    int status;
    std::vector<std::string> trace;
};

class Scenarios : public EndToEnd, public ::testing::WithParamInterface<Scenario> {};

TEST_P(Scenarios, PrintExactlyReturnTheirStatusAndMakeTheirCalls) {
    const Scenario& scenario = GetParam();
    const Result result = RunFhswitch(scenario.arguments, scenario.settings);
    EXPECT_EQ(result.output, Output(scenario.lines));
    EXPECT_EQ(result.status, scenario.status);
    EXPECT_EQ(result.errors, "");
    EXPECT_THAT(SharedTrace(), ElementsAreArray(scenario.trace));
}

const std::string kTarget = "\\\\nas\\backups";
const std::string kRelease = "Release\t-";

INSTANTIATE_TEST_SUITE_P(
    Table, Scenarios,
    ::testing::Values(
        Scenario{"Usage", {"/?"}, "", kUsage, 0, {}},
        Scenario{"NoArguments", {}, "", {"invalid Arguments....."}, 160, {}},
        Scenario{"ThreeArguments", {"-e", kTarget, "x"}, "", {"invalid Arguments....."}, 160, {}},
        Scenario{"EnableWithoutPath", {"-E"}, "", {"Invaild arguments, please enter backup path.."}, 160, {}},
        Scenario{"EnableLowerWithoutPath", {"-e"}, "", {"Invaild arguments, please enter backup path.."}, 160, {}},
        Scenario{"EnableEmptyPath", {"-E", ""}, "", {"Please provide path for the drive...."}, 160, {}},
        Scenario{"Unrecognised", {"-x"}, "", {}, 0, {}},
        Scenario{"SlashHelp", {"/h"}, "", {}, 0, {}},
        Scenario{"DisableWithArgument", {"-D", "x"}, "", {}, 0, {}},
        Scenario{"Enabled", {"-E", kTarget}, "", kEnabledLines, 0, kEnabledTrace},
        Scenario{"EnabledLower", {"-e", kTarget}, "", kEnabledLines, 0, kEnabledTrace},
        Scenario{"RecommendationWarning", {"-E", kTarget}, "ChangeDefaultTargetRecommendation=0x80070005",
                 With(First(kEnabledLines, 5), {"Warning: Failed to recommend target to Homegroup (0x80070005)",
                                                "Success! File History is now enabled"}),
                 0,
                 With(First(kEnabledTrace, 9),
                      {"ChangeDefaultTargetRecommendation\t0x80070005\t1", kRelease})},
        Scenario{"Status1", {"-E", kTarget}, "CoCreateInstance=0x80040154", {}, 1, {}},
        Scenario{"Status2", {"-E", kTarget}, "CreateDefaultConfiguration=0x80040302", First(kEnabledLines, 1), 2,
                 {"CreateDefaultConfiguration\t0x80040302\t1", kRelease}},
        Scenario{"Status3", {"-E", kTarget}, "CreateDefaultConfiguration=0x80040300", First(kEnabledLines, 1), 3,
                 {"CreateDefaultConfiguration\t0x80040300\t1", kRelease}},
        Scenario{"Status4", {"-E", kTarget}, "GetBackupStatus.status=1", First(kEnabledLines, 1), 4,
                 With(First(kEnabledTrace, 2), {kRelease})},
        Scenario{"Status5", {"-E", kTarget}, "ValidateTarget=0x80040304", First(kEnabledLines, 1), 5,
                 With(First(kEnabledTrace, 2), {"ValidateTarget\t0x80040304\t" + kTarget, kRelease})},
        Scenario{"Status6", {"-E", kTarget}, "ValidateTarget.result=1",
                 {"Creating default configuration", "Error: " + kTarget + " is not a valid target"}, 6,
                 With(First(kEnabledTrace, 3), {kRelease})},
        Scenario{"Status7", {"-E", kTarget}, "ProvisionAndSetNewTarget=0x80040306", First(kEnabledLines, 2), 7,
                 With(First(kEnabledTrace, 3), {"ProvisionAndSetNewTarget\t0x80040306\t" + kTarget + "\t", kRelease})},
        Scenario{"Status8", {"-E", kTarget}, "SetBackupStatus=0x80004005", First(kEnabledLines, 3), 8,
                 With(First(kEnabledTrace, 4), {"SetBackupStatus\t0x80004005\t2", kRelease})},
        Scenario{"Status9OpenFails", {"-E", kTarget}, "FhServiceOpenPipe=0x80040601", First(kEnabledLines, 4), 9,
                 With(First(kEnabledTrace, 6), {"FhServiceOpenPipe\t0x80040601\t1", kRelease})},
        Scenario{"Status9ReloadFails", {"-E", kTarget}, "FhServiceReloadConfiguration=0x80040601",
                 First(kEnabledLines, 4), 9,
                 With(First(kEnabledTrace, 7),
                      {"FhServiceReloadConfiguration\t0x80040601", "FhServiceClosePipe\t0x00000000", kRelease})},
        Scenario{"Status9CloseFails", {"-E", kTarget}, "FhServiceClosePipe=0x80004005", First(kEnabledLines, 4), 9,
                 With(First(kEnabledTrace, 8), {"FhServiceClosePipe\t0x80004005", kRelease})},
        Scenario{"NonAsciiTargetShownIntact",
                 {"-E", "\\\\nas\\Sicherung Müller\\日本"},
                 "ValidateTarget.result=0",
                 {"Creating default configuration", "Error: \\\\nas\\Sicherung Müller\\日本 is not a valid target"},
                 6,
                 With(First(kEnabledTrace, 2),
                      {"ValidateTarget\t0x00000000\t\\\\nas\\Sicherung Müller\\日本", kRelease})},
        Scenario{"InvalidBytesBecomeReplacementCharacters",
                 {"-E", "\\\\nas\\a\xFF" "b\xED\xA0\x80"},
                 "ValidateTarget.result=5",
                 {"Creating default configuration", "Error: \\\\nas\\a\xEF\xBF\xBD" "b\xEF\xBF\xBD\xEF\xBF\xBD is not a valid target"},
                 6,
                 With(First(kEnabledTrace, 2),
                      {"ValidateTarget\t0x00000000\t\\\\nas\\a\xEF\xBF\xBD" "b\xEF\xBF\xBD\xEF\xBF\xBD", kRelease})},
        Scenario{"PrintfConversionsInTarget", {"-E", "\\\\nas\\%s%n%ws"}, "ValidateTarget.result=0",
                 {"Creating default configuration", "Error: \\\\nas\\%s%n%ws is not a valid target"}, 6,
                 With(First(kEnabledTrace, 2), {"ValidateTarget\t0x00000000\t\\\\nas\\%s%n%ws", kRelease})}),
    [](const auto& info) { return std::string(info.param.name); });

// Disabling: what the service answers decides between purge and nothing.
struct DisableScenario {
    const char* name;
    const char* option;
    const char* settings;
    int status;
    std::vector<std::string> serviceTrace;
    std::vector<std::string> remaining;
};

class DisableScenarios : public EndToEnd, public ::testing::WithParamInterface<DisableScenario> {};

TEST_P(DisableScenarios, StopThenPurgeTopLevelFiles) {
    const DisableScenario& scenario = GetParam();
    PopulateConfiguration();
    const Result result = RunFhswitch({scenario.option}, scenario.settings);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(result.status, scenario.status);
    EXPECT_THAT(SharedTrace(), ElementsAreArray(scenario.serviceTrace));
    EXPECT_THAT(ListTree(TheFace().configDirectory), ElementsAreArray(scenario.remaining));
}

const std::vector<std::string> kEverything = {"Config1.xml", "Config2.xml", "Sub/", "Sub/inner.xml", "catalog.edb"};
const std::vector<std::string> kSubdirectoryOnly = {"Sub/", "Sub/inner.xml"};

INSTANTIATE_TEST_SUITE_P(
    Table, DisableScenarios,
    ::testing::Values(
        DisableScenario{"StopAccepted", "-D", "", 0,
                        {"FhServiceOpenPipe\t0x00000000\t1", "FhServiceStopBackup\t0x00000000\t0",
                         "FhServiceClosePipe\t0x00000000"},
                        kSubdirectoryOnly},
        DisableScenario{"StopRefused", "-D", "FhServiceStopBackup=0x80040600", 1,
                        {"FhServiceOpenPipe\t0x00000000\t1", "FhServiceStopBackup\t0x80040600\t0",
                         "FhServiceClosePipe\t0x00000000"},
                        kEverything},
        DisableScenario{"ServiceNotReached", "-D", "FhServiceOpenPipe=0x80040601", 0,
                        {"FhServiceOpenPipe\t0x80040601\t1"}, kSubdirectoryOnly},
        DisableScenario{"LowerCase", "-d", "", 0,
                        {"FhServiceOpenPipe\t0x00000000\t1", "FhServiceStopBackup\t0x00000000\t0",
                         "FhServiceClosePipe\t0x00000000"},
                        kSubdirectoryOnly}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EndToEnd, EnableThenDisableCreatesAndClearsTheConfiguration) {
    const Result enabled = RunFhswitch({"-E", kTarget}, "");
    EXPECT_EQ(enabled.status, 0);
    EXPECT_THAT(ListTree(TheFace().configDirectory), ElementsAreArray({"Config1.xml", "Config2.xml"}));
    const Result disabled = RunFhswitch({"-d"}, "");
    EXPECT_EQ(disabled.status, 0);
    EXPECT_EQ(disabled.output, "");
    EXPECT_THAT(ListTree(TheFace().configDirectory), IsEmpty());
}

TEST_F(EndToEnd, ABadSimulationSettingStopsTheProgramBeforeItDoesAnything) {
    PopulateConfiguration();
    const Result result = RunFhswitch({"-D"}, "FhServiceStopBackup=0x80040600;Bogus=1");
    EXPECT_EQ(result.status, 90);
    EXPECT_EQ(result.output, "");
    EXPECT_THAT(result.errors, ::testing::HasSubstr("FHSWITCH_SIM: bad setting 'Bogus=1'"));
    EXPECT_THAT(SharedTrace(), IsEmpty());
    EXPECT_THAT(ListTree(TheFace().configDirectory), ElementsAreArray(kEverything));
}

// Faces.

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

// A fresh prefix for this run, with the stand-in COM server registered for
// the configuration manager's class; fhsvcctl.dll stands beside the executable.
bool SetUpWinePrefix(Face& face, const std::string& exe, const std::string& server, const fs::path& work) {
    const std::string prefix = (work / "prefix").string();
    face.command = {"wine", exe};
    face.lineEnd = "\r\n";
    face.environment = {{"WINEPREFIX", prefix},
                        {"WINEDEBUG", "-all"},
                        {"WINEDLLOVERRIDES", "mscoree,mshtml="},
                        {"LC_ALL", "C.UTF-8"},  // Wine passes non-ASCII arguments through the locale
                        {"LOCALAPPDATA", ""}};  // the prefix's own
    face.configDirectory =
        prefix + "/drive_c/users/" + UserName() + "/AppData/Local/Microsoft/Windows/FileHistory/Configuration";
    const std::string key = "HKCR\\CLSID\\{ED43BB3C-09E9-498A-9DF6-2177244C6DB4}\\InprocServer32";
    const std::vector<std::vector<std::string>> steps = {
        {"wineboot", "-i"},
        {"wine", "reg", "add", key, "/ve", "/d", "Z:" + fs::absolute(server).string(), "/f"},
        {"wine", "reg", "add", key, "/v", "ThreadingModel", "/d", "Apartment", "/f"}};
    for (const auto& step : steps) {
        const Result result = Spawn(step, face.environment);
        if (result.status != 0) {
            std::fprintf(stderr, "Wine cannot run: '%s' exited with %d\n%s%s", step[0].c_str(), result.status,
                         result.output.c_str(), result.errors.c_str());
            return false;
        }
    }
    return fs::exists(exe) && fs::exists(fs::path(exe).parent_path() / "fhsvcctl.dll");
}

bool SetUpFace(int argc, char** argv) {
    Face& face = TheFace();
    face.name = Flag(argc, argv, "--face");
    const std::string exe = Flag(argc, argv, "--exe");
    const fs::path work = fs::absolute(Flag(argc, argv, "--work").empty() ? fs::temp_directory_path() / "fhswitch-e2e"
                                                                          : fs::path(Flag(argc, argv, "--work")));
    fs::remove_all(work);
    fs::create_directories(work);
    face.tracePath = (work / "trace").string();
    if (face.name == "linux") {
        const std::string localAppData = (work / "LocalAppData").string();
        face.command = {exe};
        face.lineEnd = "\n";
        face.environment = {{"LOCALAPPDATA", localAppData}};
        face.configDirectory = localAppData + "/Microsoft/Windows/FileHistory/Configuration";
        return true;
    }
    if (face.name == "wine") return SetUpWinePrefix(face, exe, Flag(argc, argv, "--server"), work);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!SetUpFace(argc, argv)) {
        std::fprintf(stderr, "usage: %s --face=linux|wine --exe=PATH [--server=DLL] [--work=DIR]\n", argv[0]);
        return 2;
    }
    return RUN_ALL_TESTS();
}
