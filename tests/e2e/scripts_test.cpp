// The administrators' logon scripts in examples/, run by Wine's cmd with the
// Windows face and its stand-ins: once per target, a failure retried, a
// user's own File History left alone, a record, a log line and an event per
// logon, the exe beside the script or in Program Files, the code page put
// back. cmd runs on a terminal: it switches its code page only on a console.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "history/file_history.h"
#include "platform/sim/targets.h"
#include "tests/e2e/face.h"
#include "tests/support/sim_session.h"

namespace fs = std::filesystem;
using e2e::CommandTrace;
using e2e::EndToEnd;
using e2e::Result;
using e2e::RunBatchOnTerminal;
using e2e::SharedTrace;
using e2e::TheFace;
using testsupport::ListTree;
using testsupport::ReadFile;
using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

// The scripts' own statuses, beside fhswitch's; a status reaches Linux cut to 8 bits.
constexpr int kNotFound = 9009 % 256;
constexpr int kUsersOwnLeft = 9010 % 256;

const std::string kValidated = "ValidateTarget\t0x00000000\t";

class LogonScripts : public EndToEnd {
protected:
    void SetUp() override {
        if (!e2e::IsWine()) GTEST_SKIP() << "cmd scripts run on Windows only";
        EndToEnd::SetUp();
        fs::remove_all(state());
        setenv("FHSWITCH_TEST_USER", "Жанна.Петрова", 1);  // reaches the Windows process
    }

    // The scripts beside fhswitch.exe, as on a NETLOGON share.
    static std::string BesideTheExe(const std::string& script) {
        const fs::path copy = fs::path(TheFace().command[1]).parent_path() / script;
        fs::copy_file(TheFace().source + "/examples/" + script, copy, fs::copy_options::overwrite_existing);
        return copy.string();
    }

    static std::string state() { return TheFace().localAppData + "/fhswitch"; }
    // The recorded target, without its line end.
    static std::string record() {
        const std::string text = ReadFile(state() + "/enabled-target.txt");
        return text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0 ? text.substr(0, text.size() - 2)
                                                                                  : "(no line end) " + text;
    }
    static bool recorded() { return fs::exists(state() + "/enabled-target.txt"); }
    static bool configuredByScript() { return fs::exists(state() + "/configured-by-script.txt"); }
    // Every line of the log, without line ends.
    static std::vector<std::string> logLines() {
        std::vector<std::string> lines;
        std::istringstream log(ReadFile(state() + "/fhswitch.log"));
        for (std::string line; std::getline(log, line);) lines.push_back(line.substr(0, line.find('\r')));
        return lines;
    }
    static std::string lastLogLine() {
        const std::vector<std::string> lines = logLines();
        return lines.empty() ? "(no log)" : lines.back();
    }

    // The event a run writes to the Application log, through eventcreate.
    static ::testing::Matcher<std::string> Event(const std::string& type, int id, const std::string& text) {
        return AllOf(StartsWith("eventcreate\t/l\tAPPLICATION\t/so\tfhswitch\t/t\t" + type + "\t/id\t" +
                                std::to_string(id) + "\t/d\t"),
                     EndsWith("\\" + e2e::WindowsUserName() + ": " + text));
    }

    static Result Enable(const std::vector<std::string>& arguments, const std::string& settings = "") {
        fs::remove(TheFace().tracePath);
        return RunBatchOnTerminal(BesideTheExe("enable-file-history.cmd"), arguments, settings);
    }
    static Result Disable(const std::vector<std::string>& arguments, const std::string& settings = "") {
        fs::remove(TheFace().tracePath);
        return RunBatchOnTerminal(BesideTheExe("disable-file-history.cmd"), arguments, settings);
    }
};

// What an administrator types as the script's parameter, and what it names.
struct Target {
    const char* name;
    std::string typed;
    std::string expanded;
};

class LogonTargets : public LogonScripts, public ::testing::WithParamInterface<Target> {};

TEST_P(LogonTargets, TheFirstLogonEnablesAndTheNextDoesNothing) {
    const Target& target = GetParam();
    const Result first = Enable({target.typed});
    EXPECT_EQ(first.status, kDone) << first.output;
    EXPECT_THAT(SharedTrace(), Contains(kValidated + target.expanded + "\\"));
    EXPECT_EQ(record(), target.expanded);
    const std::string enabled = "enabled: " + target.expanded + " (status 0: done)";
    EXPECT_THAT(lastLogLine(), EndsWith(" " + enabled));
    EXPECT_THAT(CommandTrace("eventcreate"), ElementsAre(Event("INFORMATION", 1, enabled)));

    const Result second = Enable({target.typed});
    EXPECT_EQ(second.status, kDone) << second.output;
    EXPECT_THAT(SharedTrace(), IsEmpty());
    EXPECT_EQ(record(), target.expanded);
    const std::string nothing = "already enabled: " + target.expanded + " (status 0: nothing to do)";
    EXPECT_THAT(logLines(), ElementsAre(EndsWith(" " + enabled), EndsWith(" " + nothing)));
    EXPECT_THAT(CommandTrace("eventcreate"), ElementsAre(Event("INFORMATION", 1, nothing)));
}

INSTANTIATE_TEST_SUITE_P(
    Table, LogonTargets,
    ::testing::Values(Target{"Share", "\\\\nas\\backups", "\\\\nas\\backups"},
                      Target{"SpacesAmpersandCaretNonAscii", "\\\\nas\\R&D Müller ^1\\Жанна 日本 😀",
                             "\\\\nas\\R&D Müller ^1\\Жанна 日本 😀"},
                      // Expanded by the script when it runs, as a Group Policy parameter needs.
                      Target{"WithAVariable", "\\\\nas\\backups\\%FHSWITCH_TEST_USER%", "\\\\nas\\backups\\Жанна.Петрова"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LogonScripts, AChangedTargetRunsAgainAndAFailureIsRetried) {
    ASSERT_EQ(Enable({"\\\\nas\\old"}).status, kDone);

    const Result failed = Enable({"\\\\nas\\new"}, "ValidateTarget.result=0");
    EXPECT_EQ(failed.status, kTargetNotValid);
    EXPECT_THAT(SharedTrace(), Contains(kValidated + "\\\\nas\\new\\"));
    EXPECT_EQ(record(), "\\\\nas\\old");
    const std::string line =
        "failed: \\\\nas\\new (status 6: the target is neither valid nor an existing File History namespace)";
    EXPECT_THAT(lastLogLine(), EndsWith(" " + line));
    EXPECT_THAT(CommandTrace("eventcreate"), ElementsAre(Event("ERROR", 1, line)));

    const Result retried = Enable({"\\\\nas\\new"});
    EXPECT_EQ(retried.status, kDone);
    EXPECT_THAT(SharedTrace(), Contains(kValidated + "\\\\nas\\new\\"));
    EXPECT_EQ(record(), "\\\\nas\\new");
}

// File History that the user set up (configuration files, no record of this
// script) is theirs: the script leaves it, at every logon, unless told to
// replace it.
TEST_F(LogonScripts, AUsersOwnConfigurationIsLeftInPlaceUnlessForced) {
    PopulateConfiguration();
    const std::vector<std::string> users = ListTree(TheFace().configDirectory);
    const std::string left = "left the user's own File History configuration in place: \\\\nas\\backups (status 9010: "
                             "the user set up File History; /force replaces it)";
    for (int logon = 0; logon < 2; ++logon) {
        const Result result = Enable({"\\\\nas\\backups"});
        EXPECT_EQ(result.status, kUsersOwnLeft) << "logon " << logon;
        EXPECT_THAT(SharedTrace(), IsEmpty()) << "logon " << logon;
        EXPECT_EQ(ListTree(TheFace().configDirectory), users) << "logon " << logon;
        EXPECT_EQ(ReadFile(TheFace().configDirectory + "/Config1.xml"), "one") << "logon " << logon;
        EXPECT_FALSE(recorded());
        EXPECT_THAT(lastLogLine(), EndsWith(" " + left));
        EXPECT_THAT(CommandTrace("eventcreate"), ElementsAre(Event("INFORMATION", 1, left)));
    }

    const Result forced = Enable({"/force", "\\\\nas\\backups"});
    EXPECT_EQ(forced.status, kDone);
    EXPECT_THAT(SharedTrace(), Contains(kValidated + "\\\\nas\\backups\\"));
    EXPECT_EQ(record(), "\\\\nas\\backups");
    EXPECT_EQ(Enable({"\\\\nas\\backups"}).status, kDone);
    EXPECT_THAT(lastLogLine(), EndsWith(" already enabled: \\\\nas\\backups (status 0: nothing to do)"));
}

// A run that failed after fhswitch made its fresh configuration leaves the
// configuration files and no record of success: they are the script's, and
// the next logon tries again. A run that failed before that made nothing, and
// claims nothing: a configuration the user sets up afterwards is theirs.
struct FailedFirstLogon {
    const char* name;
    const char* settings;
    ExitStatus status;
    bool freshConfigurationMade;
};

class FailedFirstLogons : public LogonScripts, public ::testing::WithParamInterface<FailedFirstLogon> {};

TEST_P(FailedFirstLogons, DecideWhoseTheConfigurationIs) {
    const FailedFirstLogon& row = GetParam();
    EXPECT_EQ(Enable({"\\\\nas\\backups"}, row.settings).status, row.status);
    EXPECT_FALSE(recorded());
    EXPECT_EQ(configuredByScript(), row.freshConfigurationMade);
    EXPECT_EQ(fs::exists(TheFace().configDirectory + "/Config1.xml"), row.freshConfigurationMade);
    if (!row.freshConfigurationMade) PopulateConfiguration();  // the user sets up File History

    const Result next = Enable({"\\\\nas\\backups"});
    EXPECT_EQ(next.status, row.freshConfigurationMade ? kDone : kUsersOwnLeft);
    EXPECT_EQ(SharedTrace().empty(), !row.freshConfigurationMade);
    EXPECT_EQ(recorded(), row.freshConfigurationMade);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FailedFirstLogons,
    ::testing::Values(FailedFirstLogon{"TargetNotValid", "ValidateTarget.result=0", kTargetNotValid, true},
                      FailedFirstLogon{"ServiceNotReached", "FhServiceOpenPipe=0x80040601", kServiceNotReloaded, true},
                      FailedFirstLogon{"EarlierBackupNotReconnected", "ValidateTarget.result=4",
                                       kEarlierBackupNotReconnected, true},
                      FailedFirstLogon{"ConfigurationNotCreated", "CreateDefaultConfiguration=0x80040300",
                                       kConfigurationNotCreated, false}),
    [](const auto& info) { return std::string(info.param.name); });

// A PC re-imaged under its name: a fresh profile without the script's
// records, and the share holding the user's backup from before the rebuild.
// The first logon reconnects to that backup and deletes none of it.
TEST_F(LogonScripts, OnAReimagedPcTheEarlierBackupIsKept) {
    ASSERT_EQ(Enable({"\\\\nas\\backups"}).status, kDone);
    const std::string user = TheFace().targets + "/" + sim::TargetFolderName("\\\\nas\\backups\\") + "/" +
                             e2e::WindowsUserName();
    ASSERT_TRUE(fs::is_directory(user)) << "the first logon made no backup of this user's";
    const fs::path backup = fs::directory_iterator(user)->path();
    testsupport::WriteFile(backup.string() + "/Data/Documents/report (2024_05_01 10_00_00 UTC).docx", "May");
    const std::vector<std::string> kept = ListTree(backup.string());
    fs::remove_all(TheFace().configDirectory);
    fs::remove_all(state());

    const Result reimaged = Enable({"\\\\nas\\backups"});
    EXPECT_EQ(reimaged.status, kDone) << reimaged.output;
    EXPECT_THAT(SharedTrace(), Contains(StartsWith("FhReassociation.PerformReassociation\t0x00000000")));
    EXPECT_THAT(SharedTrace(), Not(Contains(StartsWith("ProvisionAndSetNewTarget"))));
    EXPECT_EQ(ListTree(backup.string()), kept);
    EXPECT_EQ(ReadFile(backup.string() + "/Data/Documents/report (2024_05_01 10_00_00 UTC).docx"), "May");
    EXPECT_EQ(record(), "\\\\nas\\backups");
    EXPECT_THAT(lastLogLine(), EndsWith(" enabled: \\\\nas\\backups (status 0: done)"));
}

TEST_F(LogonScripts, DisablingUndoesWhatTheEnableScriptDidAndClearsItsRecords) {
    ASSERT_EQ(Enable({"\\\\nas\\backups"}).status, kDone);

    const Result refused = Disable({}, "FhServiceStopBackup=0x80040600");
    EXPECT_EQ(refused.status, kStopRefused);
    EXPECT_TRUE(recorded());
    const std::string failed = "failed (status 1: the service refused to stop backing up; no file was deleted)";
    EXPECT_THAT(lastLogLine(), EndsWith(" " + failed));
    EXPECT_THAT(CommandTrace("eventcreate"), ElementsAre(Event("ERROR", 2, failed)));

    const Result disabled = Disable({});
    EXPECT_EQ(disabled.status, kDone);
    EXPECT_FALSE(recorded());
    EXPECT_FALSE(configuredByScript());
    EXPECT_THAT(ListTree(TheFace().configDirectory), IsEmpty());
    EXPECT_THAT(lastLogLine(), EndsWith(" disabled (status 0: done)"));
    EXPECT_THAT(CommandTrace("eventcreate"), ElementsAre(Event("INFORMATION", 2, "disabled (status 0: done)")));
    EXPECT_EQ(Enable({"\\\\nas\\backups"}).status, kDone);
    EXPECT_THAT(SharedTrace(), Not(IsEmpty()));
}

// Left deployed, the disable script must not take away File History that a
// user turned on by themselves.
TEST_F(LogonScripts, DisablingLeavesFileHistoryTheEnableScriptDidNotTurnOnUnlessForced) {
    PopulateConfiguration();
    const std::vector<std::string> users = ListTree(TheFace().configDirectory);
    const Result left = Disable({});
    EXPECT_EQ(left.status, kDone);
    EXPECT_THAT(SharedTrace(), IsEmpty());
    EXPECT_EQ(ListTree(TheFace().configDirectory), users);
    const std::string line = "left as it is, not turned on by enable-file-history.cmd (status 0: nothing to do)";
    EXPECT_THAT(lastLogLine(), EndsWith(" " + line));
    EXPECT_THAT(CommandTrace("eventcreate"), ElementsAre(Event("INFORMATION", 2, line)));

    const Result forced = Disable({"/force"});
    EXPECT_EQ(forced.status, kDone);
    EXPECT_THAT(SharedTrace(), Contains("FhServiceStopBackup\t0x00000000\t0"));
    EXPECT_THAT(ListTree(TheFace().configDirectory), ElementsAre("Sub/", "Sub/inner.xml"));
}

// Where the console's code page is not English's: German chcp answers
// "Aktive Codepage: 850." (the stand-in answers so, and records what the
// script sets); the script must put 850 back.
TEST_F(LogonScripts, TheCodePageIsPutBackWhateverTheLanguageOfChcp) {
    const e2e::Environment german = {{"WINEPATH", e2e::StandInCommandFolder("chcp") + ";" +
                                                      e2e::StandInCommandFolder("eventcreate")}};
    for (const char* script : {"enable-file-history.cmd", "disable-file-history.cmd"}) {
        fs::remove(TheFace().tracePath);
        const Result result = RunBatchOnTerminal(BesideTheExe(script), {"\\\\nas\\backups"}, "", german);
        EXPECT_EQ(result.status, kDone) << script;
        EXPECT_THAT(CommandTrace("chcp"), ElementsAre("chcp\t65001", "chcp\t850")) << script;
    }
}

// Without fhswitch.exe beside it, the script looks in the 64-bit Program
// Files (%ProgramW6432%), then in %ProgramFiles%, where the x86 MSI puts it.
// It runs as a 32-bit host runs it (Intune's default), whose %ProgramFiles%
// is "Program Files (x86)": the environment of such a process is set first.
TEST_F(LogonScripts, FindsTheExeInProgramFilesAfterTheMsiInstalledIt) {
    const std::string alone = TheFace().work + "/scripts/enable-file-history.cmd";
    fs::create_directories(fs::path(alone).parent_path());
    fs::copy_file(TheFace().source + "/examples/enable-file-history.cmd", alone, fs::copy_options::overwrite_existing);
    const std::string in32BitHost = TheFace().work + "/scripts/in-32-bit-host.cmd";
    std::ofstream(in32BitHost, std::ios::binary) << "@set \"ProgramFiles=C:\\Program Files (x86)\"\r\n"
                                                    "@set \"ProgramW6432=C:\\Program Files\"\r\n"
                                                    "@set \"PROCESSOR_ARCHITECTURE=x86\"\r\n"
                                                    "@set \"PROCESSOR_ARCHITEW6432=AMD64\"\r\n"
                                                    "@\"" << e2e::ProgramPath(alone) << "\" %*\r\n";

    const Result missing = RunBatchOnTerminal(in32BitHost, {"\\\\nas\\backups"}, "");
    EXPECT_EQ(missing.status, kNotFound);
    EXPECT_FALSE(recorded());
    EXPECT_THAT(lastLogLine(),
                EndsWith(" failed, fhswitch.exe not found: \\\\nas\\backups (status 9009: fhswitch.exe is neither "
                         "beside this script nor in Program Files\\fhswitch)"));

    const e2e::InstalledMsi installed;
    ASSERT_TRUE(installed);
    fs::remove(TheFace().tracePath);
    const Result found = RunBatchOnTerminal(in32BitHost, {"\\\\nas\\backups"}, "");
    EXPECT_EQ(found.status, kDone);
    EXPECT_THAT(SharedTrace(), Contains(kValidated + std::string("\\\\nas\\backups\\")));
    EXPECT_EQ(record(), "\\\\nas\\backups");
}

// The scheduled task's action as docs/deploying.md gives it, run as Task
// Scheduler runs it (the program, the arguments as its command line), on the
// scripts the MSI installed: cmd must parse its quotes as meant.
TEST_F(LogonScripts, TheGuidesScheduledTaskRunsTheInstalledScript) {
    if (TheFace().architecture != "x64") GTEST_SKIP() << "the guide's action names the 64-bit Program Files";
    std::string program;
    std::string arguments;
    std::istringstream guide(ReadFile(TheFace().source + "/docs/deploying.md"));
    for (std::string line; std::getline(guide, line);) {
        const auto field = [&](const std::string& name, std::string* value) {
            const size_t at = line.find(name);
            if (at != std::string::npos) *value = line.substr(line.find_first_not_of(' ', at + name.size()));
        };
        field("Program/script:", &program);
        field("Add arguments (optional):", &arguments);
    }
    ASSERT_FALSE(program.empty() || arguments.empty()) << "no scheduled task action in docs/deploying.md";
    std::string typed;  // in a batch file, a percent sign is written twice
    for (char c : arguments) typed += c == '%' ? "%%" : std::string(1, c);
    const std::string task = TheFace().work + "/task.cmd";
    std::ofstream(task, std::ios::binary) << "@" << program << " " << typed << "\r\n@exit /b %ERRORLEVEL%\r\n";

    const e2e::InstalledMsi installed;
    ASSERT_TRUE(installed);
    const Result result = RunBatchOnTerminal(task, {}, "");
    const std::string target = "\\\\nas\\backups\\" + e2e::WindowsUserName();
    EXPECT_EQ(result.status, kDone) << result.output;
    EXPECT_THAT(SharedTrace(), Contains(kValidated + target + "\\"));
    EXPECT_EQ(record(), target);
}

}  // namespace
