// The administrators' logon scripts in examples/, run by Wine's cmd with the
// Windows face and its stand-ins: decided from File History's state as
// fhstatus reads it (nothing to do only where it is on with the target, a
// failure retried, a user's own File History left alone by both scripts),
// a log line and an event per logon that end with the state, the programs
// beside the script or in Program Files, the code page put back. cmd runs on a terminal: it switches its code page only on a console.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "history/file_history.h"
#include "platform/fh_config.h"
#include "platform/sim/targets.h"
#include "platform/sim/variants.h"
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
constexpr int kStateUnreadable = 9011 % 256;
constexpr int kNotShownDone = 9012 % 256;
constexpr int kSettingsNotSet = 9013 % 256;
const std::string kNotShownDoneMeaning =
    "fhswitch ended with 0, but File History's state does not show it done; the next logon tries again";

const std::string kValidated = "ValidateTarget\t0x00000000\t";

// The state after a run, as each log line and event end with it.
std::string Now(const std::string& state, const std::string& backups, const std::string& target,
                const std::string& protection) {
    return " [state=" + state + " backups=" + backups + " target=" + target + " protection=" + protection + "]";
}
std::string OnWith(const std::string& target) { return Now("protected", "on", target, "FH_STATE_NO_ERROR"); }
const std::string kShareOn = OnWith("\\\\nas\\backups\\");

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
        const fs::path copy = fs::path(TheFace().command.back()).parent_path() / script;
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

// What an administrator types as the script's parameter, and what it names;
// then the same target typed in other case.
struct Target {
    const char* name;
    std::string typed;
    std::string expanded;
    std::string retyped;
    std::string retypedExpanded;
};

class LogonTargets : public LogonScripts, public ::testing::WithParamInterface<Target> {};

TEST_P(LogonTargets, TheFirstLogonEnablesAndTheNextDoesNothing) {
    const Target& target = GetParam();
    const Result first = Enable({target.typed});
    EXPECT_EQ(first.status, kDone) << first.output;
    EXPECT_THAT(SharedTrace(), Contains(kValidated + target.expanded + "\\"));
    EXPECT_EQ(record(), target.expanded);
    const std::string enabled = "enabled: " + target.expanded + " (status 0: done)" + OnWith(target.expanded + "\\");
    EXPECT_THAT(lastLogLine(), EndsWith(" " + enabled));
    EXPECT_THAT(CommandTrace("eventcreate"), ElementsAre(Event("INFORMATION", 1, enabled)));

    const Result second = Enable({target.typed});
    EXPECT_EQ(second.status, kDone) << second.output;
    EXPECT_THAT(e2e::ChangingCalls(), IsEmpty());
    EXPECT_EQ(record(), target.expanded);
    const std::string nothing =
        "already enabled: " + target.expanded + " (status 0: nothing to do)" + OnWith(target.expanded + "\\");
    EXPECT_THAT(logLines(), ElementsAre(EndsWith(" " + enabled), EndsWith(" " + nothing)));
    EXPECT_THAT(CommandTrace("eventcreate"), ElementsAre(Event("INFORMATION", 1, nothing)));

    // Typed in other case, it is the same target, as Windows compares paths;
    // the record then holds it as typed, and File History as first typed.
    const Result retyped = Enable({target.retyped});
    EXPECT_EQ(retyped.status, kDone) << retyped.output;
    EXPECT_THAT(e2e::ChangingCalls(), IsEmpty());
    EXPECT_THAT(lastLogLine(), EndsWith(" already enabled: " + target.retypedExpanded + " (status 0: nothing to do)" +
                                        OnWith(target.retypedExpanded + "\\")));
    EXPECT_EQ(record(), target.retypedExpanded);

    // A move to a new target: the one before is the script's, whatever its characters and case.
    const Result moved = Enable({"\\\\nas\\new"});
    EXPECT_EQ(moved.status, kDone) << moved.output;
    EXPECT_EQ(record(), "\\\\nas\\new");
}

INSTANTIATE_TEST_SUITE_P(
    Table, LogonTargets,
    ::testing::Values(Target{"Share", "\\\\nas\\backups", "\\\\nas\\backups", "\\\\NAS\\Backups", "\\\\NAS\\Backups"},
                      Target{"SpacesAmpersandCaretNonAscii", "\\\\nas\\R&D Müller ^1\\Жанна 日本 😀",
                             "\\\\nas\\R&D Müller ^1\\Жанна 日本 😀", "\\\\NAS\\r&d MÜLLER ^1\\жАННА 日本 😀",
                             "\\\\NAS\\r&d MÜLLER ^1\\жАННА 日本 😀"},
                      // Expanded by the script when it runs, as a Group Policy parameter needs.
                      Target{"WithAVariable", "\\\\nas\\backups\\%FHSWITCH_TEST_USER%", "\\\\nas\\backups\\Жанна.Петрова",
                             "\\\\nas\\backups\\%fhswitch_test_user%", "\\\\nas\\backups\\Жанна.Петрова"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LogonScripts, AChangedTargetRunsAgainAndAFailureIsRetried) {
    ASSERT_EQ(Enable({"\\\\nas\\old"}).status, kDone);

    const Result failed = Enable({"\\\\nas\\new"}, "ValidateTarget.result=0");
    EXPECT_EQ(failed.status, kTargetNotValid);
    EXPECT_THAT(SharedTrace(), Contains(kValidated + "\\\\nas\\new\\"));
    EXPECT_EQ(record(), "\\\\nas\\old");
    const std::string line =
        "failed: \\\\nas\\new (status 6: the target is neither valid nor an existing File History namespace)" +
        Now("off", "off", "", "FH_STATE_OFF");  // the fresh configuration -E made
    EXPECT_THAT(lastLogLine(), EndsWith(" " + line));
    EXPECT_THAT(CommandTrace("eventcreate"), ElementsAre(Event("ERROR", 1, line)));

    const Result retried = Enable({"\\\\nas\\new"});
    EXPECT_EQ(retried.status, kDone);
    EXPECT_THAT(SharedTrace(), Contains(kValidated + "\\\\nas\\new\\"));
    EXPECT_EQ(record(), "\\\\nas\\new");
}

// File History is on with the script's target, then the user turns it off:
// the next logon turns it on again. "Already enabled" only where it is on.
TEST_F(LogonScripts, AUserWhoTurnedFileHistoryOffIsReEnabled) {
    ASSERT_EQ(Enable({"\\\\nas\\backups"}).status, kDone);
    e2e::WriteConfiguration("\\\\nas\\backups\\", FH_STATUS_DISABLED);

    const Result result = Enable({"\\\\nas\\backups"});
    EXPECT_EQ(result.status, kDone);
    EXPECT_THAT(e2e::ChangingCalls(), Contains(kValidated + "\\\\nas\\backups\\"));
    EXPECT_EQ(ReadFile(TheFace().configDirectory + "/Config1.xml"), e2e::ConfigurationXml("\\\\nas\\backups\\", 2));
    EXPECT_THAT(lastLogLine(), EndsWith(" enabled: \\\\nas\\backups (status 0: done)" + kShareOn));
}

// A configuration that names no target (what a failed "fhswitch -E" by hand
// leaves) is no setup of the user's: enabled, without /force.
TEST_F(LogonScripts, AConfigurationWithoutATargetIsEnabled) {
    e2e::WriteConfiguration("", FH_STATUS_DISABLED);
    const Result result = Enable({"\\\\nas\\backups"});
    EXPECT_EQ(result.status, kDone);
    EXPECT_EQ(record(), "\\\\nas\\backups");
    EXPECT_THAT(lastLogLine(), EndsWith(" enabled: \\\\nas\\backups (status 0: done)" + kShareOn));
}

// File History that the user set up on a target of their own, before the
// script ever ran or after it had enabled the share, is theirs: both
// scripts leave it, at every logon, unless told otherwise.
struct UsersOwnCase {
    const char* name;
    bool enabledByTheScriptFirst;
    const char* force;  // as cmd users type switches, in any case
};

class UsersOwn : public LogonScripts, public ::testing::WithParamInterface<UsersOwnCase> {};

TEST_P(UsersOwn, IsLeftInPlaceByBothScriptsUnlessForced) {
    if (GetParam().enabledByTheScriptFirst) {
        ASSERT_EQ(Enable({"\\\\nas\\backups"}).status, kDone);
    }
    PopulateConfiguration();
    e2e::WriteConfiguration("E:\\", FH_STATUS_ENABLED);
    const std::vector<std::string> users = ListTree(TheFace().configDirectory);
    const std::string saved = ReadFile(TheFace().configDirectory + "/Config1.xml");
    const std::string left = "left the user's own File History configuration in place: \\\\nas\\backups (status 9010: "
                             "the user set up File History; /force replaces it)" + OnWith("E:\\");
    const std::string alone =
        "left as it is, not turned on by enable-file-history.cmd (status 0: nothing to do)" + OnWith("E:\\");
    for (int logon = 0; logon < 2; ++logon) {
        const Result enabling = Enable({"\\\\nas\\backups"});
        EXPECT_EQ(enabling.status, kUsersOwnLeft) << "logon " << logon;
        EXPECT_THAT(e2e::ChangingCalls(), IsEmpty()) << "logon " << logon;
        EXPECT_THAT(lastLogLine(), EndsWith(" " + left));
        EXPECT_THAT(CommandTrace("eventcreate"), ElementsAre(Event("INFORMATION", 1, left)));
        const Result disabling = Disable({});
        EXPECT_EQ(disabling.status, kDone) << "logon " << logon;
        EXPECT_THAT(e2e::ChangingCalls(), IsEmpty()) << "logon " << logon;
        EXPECT_THAT(lastLogLine(), EndsWith(" " + alone));
        EXPECT_THAT(CommandTrace("eventcreate"), ElementsAre(Event("INFORMATION", 2, alone)));
        EXPECT_EQ(ListTree(TheFace().configDirectory), users) << "logon " << logon;
        EXPECT_EQ(ReadFile(TheFace().configDirectory + "/Config1.xml"), saved) << "logon " << logon;
    }

    const Result forced = Enable({GetParam().force, "\\\\nas\\backups"});
    EXPECT_EQ(forced.status, kDone);
    EXPECT_THAT(SharedTrace(), Contains(kValidated + "\\\\nas\\backups\\"));
    EXPECT_EQ(record(), "\\\\nas\\backups");
    EXPECT_EQ(Enable({"\\\\nas\\backups"}).status, kDone);
    EXPECT_THAT(lastLogLine(), EndsWith(" already enabled: \\\\nas\\backups (status 0: nothing to do)" + kShareOn));
}

INSTANTIATE_TEST_SUITE_P(Table, UsersOwn,
                         ::testing::Values(UsersOwnCase{"BeforeTheScript", false, "/force"},
                                           UsersOwnCase{"MovedAfterTheScriptEnabledTheShare", true, "/FORCE"},
                                           UsersOwnCase{"MovedAndForcedAsTyped", true, "/Force"}),
                         [](const auto& info) { return std::string(info.param.name); });

// A profile as 1.0.0 of the script left it: its record of the target and
// the configuration files, nothing else. That File History is the script's:
// on with the target, nothing to do; a new target replaces it, without 9010.
TEST_F(LogonScripts, AProfileWithTheOlderRecordIsTheScripts) {
    testsupport::WriteFile(state() + "/enabled-target.txt", "\\\\nas\\backups\r\n");
    e2e::WriteConfiguration("\\\\nas\\backups\\", FH_STATUS_ENABLED);
    EXPECT_EQ(Enable({"\\\\nas\\backups"}).status, kDone);
    EXPECT_THAT(e2e::ChangingCalls(), IsEmpty());
    EXPECT_THAT(lastLogLine(), EndsWith(" already enabled: \\\\nas\\backups (status 0: nothing to do)" + kShareOn));

    const Result moved = Enable({"\\\\nas\\new"});
    EXPECT_EQ(moved.status, kDone);
    EXPECT_THAT(SharedTrace(), Contains(kValidated + "\\\\nas\\new\\"));
    EXPECT_EQ(record(), "\\\\nas\\new");
}

// A first logon that failed, wherever it failed, is tried again at the next
// (one that failed only at the service left File History on with the
// target: nothing to do then, and the target is the script's). Nothing is
// claimed for a failure: the record names a target only once it is on.
struct FailedFirstLogon {
    const char* name;
    const char* settings;
    ExitStatus status;
    const char* next;  // what the next logon does
};

class FailedFirstLogons : public LogonScripts, public ::testing::WithParamInterface<FailedFirstLogon> {};

TEST_P(FailedFirstLogons, AreTriedAgain) {
    const FailedFirstLogon& row = GetParam();
    EXPECT_EQ(Enable({"\\\\nas\\backups"}, row.settings).status, row.status);
    EXPECT_FALSE(recorded());

    const Result next = Enable({"\\\\nas\\backups"});
    EXPECT_EQ(next.status, kDone);
    EXPECT_THAT(lastLogLine(), EndsWith(std::string(" ") + row.next + ": \\\\nas\\backups (status 0: " +
                                        (row.next == std::string("enabled") ? "done" : "nothing to do") + ")" +
                                        kShareOn));
    EXPECT_EQ(record(), "\\\\nas\\backups");
}

INSTANTIATE_TEST_SUITE_P(
    Table, FailedFirstLogons,
    ::testing::Values(FailedFirstLogon{"TargetNotValid", "ValidateTarget.result=0", kTargetNotValid, "enabled"},
                      FailedFirstLogon{"ServiceNotReached", "FhServiceOpenPipe=0x80040601", kServiceNotReloaded,
                                       "already enabled"},
                      FailedFirstLogon{"EarlierBackupNotReconnected", "ValidateTarget.result=4",
                                       kEarlierBackupNotReconnected, "enabled"},
                      FailedFirstLogon{"ConfigurationNotCreated", "CreateDefaultConfiguration=0x80040300",
                                       kConfigurationNotCreated, "enabled"},
                      FailedFirstLogon{"ConfigurationNotSaved", "SaveConfiguration=0x80070005",
                                       kConfigurationNotSaved, "enabled"},
                      // -E ends with 0, but File History then reads as off: not taken as done.
                      FailedFirstLogon{"NotOnAfterwards", "GetBackupStatus.status=0",
                                       static_cast<ExitStatus>(kNotShownDone), "already enabled"}),
    [](const auto& info) { return std::string(info.param.name); });

// Where the state cannot be read, neither script changes anything, and both
// say why; /force still runs.
TEST_F(LogonScripts, AnUnreadableStateChangesNothing) {
    ASSERT_EQ(Enable({"\\\\nas\\backups"}).status, kDone);
    const std::string unreadable = " (status 9011: File History's state could not be read; nothing was changed)" +
                                   Now("unreadable", "", "", "");
    const Result enabling = Enable({"\\\\nas\\backups"}, "LoadConfiguration=0x80040300");
    EXPECT_EQ(enabling.status, kStateUnreadable);
    EXPECT_THAT(e2e::ChangingCalls(), IsEmpty());
    EXPECT_THAT(lastLogLine(), EndsWith(" failed, LoadConfiguration 0x80040300: \\\\nas\\backups" + unreadable));
    EXPECT_THAT(CommandTrace("eventcreate"),
                ElementsAre(Event("ERROR", 1, "failed, LoadConfiguration 0x80040300: \\\\nas\\backups" + unreadable)));
    const Result disabling = Disable({}, "LoadConfiguration=0x80040300");
    EXPECT_EQ(disabling.status, kStateUnreadable);
    EXPECT_THAT(e2e::ChangingCalls(), IsEmpty());
    EXPECT_THAT(lastLogLine(), EndsWith(" failed, LoadConfiguration 0x80040300" + unreadable));
    EXPECT_TRUE(recorded());

    // Forced, -D runs; what it did cannot be read back, so nothing is taken as done.
    EXPECT_EQ(Disable({"/force"}, "LoadConfiguration=0x80040300").status, kNotShownDone);
    EXPECT_THAT(e2e::ChangingCalls(), Contains("FhServiceStopBackup\t0x00000000\t0"));
    EXPECT_TRUE(recorded());
}

// Under the policy "Turn off File History", -E would reset the user's
// configuration and fail: the enable script runs nothing, forced or not.
TEST_F(LogonScripts, UnderPolicyTheEnableScriptChangesNothing) {
    ASSERT_EQ(Enable({"\\\\nas\\backups"}).status, kDone);
    const std::string saved = ReadFile(TheFace().configDirectory + "/Config1.xml");
    const std::string underPolicy =
        Now("disabled-by-policy", "disabled-by-policy", "\\\\nas\\backups\\", "FH_STATE_DISABLED_BY_GP");
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{"\\\\nas\\backups"},
                                                       std::vector<std::string>{"/force", "\\\\nas\\backups"},
                                                       std::vector<std::string>{"\\\\nas\\other"}}) {
        const Result result = Enable(arguments, "GetBackupStatus.status=1");
        EXPECT_EQ(result.status, kDisabledByPolicy) << arguments.back();
        EXPECT_THAT(e2e::ChangingCalls(), IsEmpty()) << arguments.back();
        EXPECT_EQ(ReadFile(TheFace().configDirectory + "/Config1.xml"), saved);
        EXPECT_EQ(record(), "\\\\nas\\backups");
        const std::string line = "left as it is, turned off by group policy: " + arguments.back() +
                                 " (status 4: backups are disabled by group policy)" + underPolicy;
        EXPECT_THAT(lastLogLine(), EndsWith(" " + line));
        EXPECT_THAT(CommandTrace("eventcreate"), ElementsAre(Event("WARNING", 1, line)));
    }
}

// Not tracked by the service yet, right after -E: done, and the next logon
// has nothing to do, with Information events, not Warnings; nor where the
// backups are being rehydrated.
TEST_F(LogonScripts, NotTrackedYetOrRehydratingIsNothingToDo) {
    const std::string notTracked = sim::VariantSetting(sim::Variant::ProtectionWhileOn, sim::kNotTrackedWhileOn);
    const std::string pending = Now("pending", "on", "\\\\nas\\backups\\", "FH_STATE_NOT_TRACKED");
    ASSERT_EQ(Enable({"\\\\nas\\backups"}, notTracked).status, kDone);
    EXPECT_EQ(record(), "\\\\nas\\backups");
    EXPECT_THAT(CommandTrace("eventcreate"),
                ElementsAre(Event("INFORMATION", 1, "enabled: \\\\nas\\backups (status 0: done)" + pending)));
    ASSERT_EQ(Enable({"\\\\nas\\backups"}, notTracked).status, kDone);
    EXPECT_THAT(e2e::ChangingCalls(), IsEmpty());
    EXPECT_THAT(CommandTrace("eventcreate"),
                ElementsAre(Event("INFORMATION", 1, "already enabled: \\\\nas\\backups (status 0: nothing to do)" + pending)));

    e2e::WriteConfiguration("\\\\nas\\backups\\", FH_STATUS_REHYDRATING);
    ASSERT_EQ(Enable({"\\\\nas\\backups"}).status, kDone);
    EXPECT_THAT(e2e::ChangingCalls(), IsEmpty());
    EXPECT_THAT(lastLogLine(), EndsWith(" already enabled: \\\\nas\\backups (status 0: nothing to do)" +
                                        Now("protected", "rehydrating", "\\\\nas\\backups\\", "FH_STATE_NO_ERROR")));
}

// A PC re-imaged under its name: a fresh profile without the script's
// records, and the share holding the user's backup from before the rebuild.
// The first logon reconnects to that backup and deletes none of it, ending
// with backups on, whatever Windows answers where its pages leave it open.
struct ReimagedCase {
    const char* name;
    std::string answers;  // for every run
    std::string after;    // the state the log line ends with
};

class Reimaged : public LogonScripts, public ::testing::WithParamInterface<ReimagedCase> {};

TEST_P(Reimaged, TheEarlierBackupIsKeptAndBackupsEndOn) {
    const ReimagedCase& row = GetParam();
    ASSERT_EQ(Enable({"\\\\nas\\backups"}, row.answers).status, kDone);
    const std::string user = TheFace().targets + "/" + sim::TargetFolderName("\\\\nas\\backups\\") + "/" +
                             e2e::WindowsUserName();
    ASSERT_TRUE(fs::is_directory(user)) << "the first logon made no backup of this user's";
    const fs::path backup = fs::directory_iterator(user)->path();
    testsupport::WriteFile(backup.string() + "/Data/Documents/report (2024_05_01 10_00_00 UTC).docx", "May");
    const std::vector<std::string> kept = ListTree(backup.string());
    fs::remove_all(TheFace().configDirectory);
    fs::remove_all(state());

    const Result reimaged = Enable({"\\\\nas\\backups"}, row.answers);
    EXPECT_EQ(reimaged.status, kDone) << reimaged.output;
    EXPECT_THAT(SharedTrace(), Contains(StartsWith("FhReassociation.PerformReassociation\t0x00000000")));
    EXPECT_THAT(SharedTrace(), Not(Contains(StartsWith("ProvisionAndSetNewTarget"))));
    EXPECT_EQ(ListTree(backup.string()), kept);
    EXPECT_EQ(ReadFile(backup.string() + "/Data/Documents/report (2024_05_01 10_00_00 UTC).docx"), "May");
    EXPECT_EQ(record(), "\\\\nas\\backups");
    EXPECT_THAT(lastLogLine(), EndsWith(" enabled: \\\\nas\\backups (status 0: done)" + row.after));
}

std::string Answer(sim::Variant variant, sim::Answer answer) { return sim::VariantSetting(variant, answer); }

INSTANTIATE_TEST_SUITE_P(
    Table, Reimaged,
    ::testing::Values(
        ReimagedCase{"AsDefault", "", kShareOn},
        ReimagedCase{"NullWithoutATarget", Answer(sim::Variant::NoDefaultTarget, sim::kNoTargetNull), kShareOn},
        ReimagedCase{"SecondLoadAllowed", Answer(sim::Variant::SecondLoad, sim::kSecondLoadAllowed), kShareOn},
        ReimagedCase{"ReassociatedOn", Answer(sim::Variant::ReassociatedBackups, sim::kReassociatedOn), kShareOn},
        ReimagedCase{"ReassociatedRehydrating",
                     Answer(sim::Variant::ReassociatedBackups, sim::kReassociatedRehydrating),
                     Now("protected", "rehydrating", "\\\\nas\\backups\\", "FH_STATE_NO_ERROR")},
        ReimagedCase{"NotTrackedWhileOn", Answer(sim::Variant::ProtectionWhileOn, sim::kNotTrackedWhileOn),
                     Now("pending", "on", "\\\\nas\\backups\\", "FH_STATE_NOT_TRACKED")},
        ReimagedCase{"UnblockedAllowed", Answer(sim::Variant::UnblockedReassociation, sim::kUnblockedAllowed),
                     kShareOn},
        ReimagedCase{"UserWithDomain", Answer(sim::Variant::BackupUserName, sim::kUserWithDomain), kShareOn},
        ReimagedCase{"PcByDnsHostName", Answer(sim::Variant::BackupPcName, sim::kPcDnsHostName), kShareOn},
        ReimagedCase{"PcByFullyQualifiedName", Answer(sim::Variant::BackupPcName, sim::kPcFullyQualifiedName),
                     kShareOn},
        ReimagedCase{"ConfigurationFileHeld",
                     Answer(sim::Variant::HeldConfigurationFile, sim::kConfigurationFileHeld), kShareOn}),
    [](const auto& info) { return std::string(info.param.name); });

// The enable script's /every: and /keep:, set after -E and at any logon
// where File History shows others on the script's own target, and only
// those: never on a user's own setup without /force, nothing for a value
// File History does not offer, and a failure retried at the next logon.
TEST_F(LogonScripts, TheSwitchesSetTheBackupSettingsOnTheScriptsTargetOnly) {
    const std::string share = "\\\\nas\\backups";
    const std::string set = " settings: frequency 3600 -> 600, retention_type FH_RETENTION_DISABLED -> "
                            "FH_RETENTION_AGE_BASED, retention_age 365 -> 90";
    ASSERT_EQ(Enable({"/every:10", "/KEEP:90", share}).status, kDone);
    const std::string enabled = "enabled: " + share + " (status 0: done)" + kShareOn + set;
    EXPECT_THAT(lastLogLine(), EndsWith(" " + enabled));
    EXPECT_THAT(CommandTrace("eventcreate"), ElementsAre(Event("INFORMATION", 1, enabled)));
    const std::string saved = ReadFile(TheFace().configDirectory + "/Config1.xml");
    EXPECT_THAT(saved, ::testing::HasSubstr("<Frequency>600</Frequency>\n  <RetentionType>2</RetentionType>\n  "
                                            "<RetentionAge>90</RetentionAge>"));
    EXPECT_EQ(record(), share);

    ASSERT_EQ(Enable({"/every:10", "/keep:90", share}).status, kDone);
    EXPECT_THAT(e2e::ChangingCalls(), IsEmpty());
    EXPECT_THAT(lastLogLine(), EndsWith(" already enabled: " + share + " (status 0: nothing to do)" + kShareOn));

    // Other values change those alone: not the target, its backups, or the backups' switch.
    const std::vector<std::string> targets = ListTree(TheFace().targets);
    ASSERT_EQ(Enable({"/keep:space", share}).status, kDone);
    EXPECT_THAT(e2e::ChangingCalls(), AllOf(Contains("SetLocalPolicy\t0x00000000\t1\t1"),
                                            Not(Contains(StartsWith("SetLocalPolicy\t0x00000000\t0"))),
                                            Not(Contains(StartsWith("CreateDefaultConfiguration"))),
                                            Not(Contains(StartsWith("SetBackupStatus")))));
    EXPECT_EQ(ListTree(TheFace().targets), targets);
    EXPECT_THAT(lastLogLine(), EndsWith(" already enabled, backup settings set: " + share + " (status 0: done)" +
                                        kShareOn + " settings: retention_type FH_RETENTION_AGE_BASED -> FH_RETENTION_UNLIMITED"));

    const Result notOffered = Enable({"/every:5", share});
    EXPECT_EQ(notOffered.status, kArgumentsRejected);
    EXPECT_THAT(e2e::ChangingCalls(), IsEmpty());
    EXPECT_THAT(lastLogLine(), EndsWith(" failed, /every:5 is not a frequency File History offers: 10, 15, 20, 30, 60, "
                                        "180, 360, 720 or 1440 minutes: " + share +
                                        " (status 160: the arguments were rejected)" + kShareOn));

    // Not saved: File History is on with the script's target, so the record
    // stays, and the next logon sets them.
    const std::string before = ReadFile(TheFace().configDirectory + "/Config1.xml");
    const Result notSaved = Enable({"/every:15", share}, "SaveConfiguration=0x80070005");
    EXPECT_EQ(notSaved.status, kSettingsNotSet);
    EXPECT_EQ(ReadFile(TheFace().configDirectory + "/Config1.xml"), before);
    EXPECT_THAT(lastLogLine(), EndsWith(" failed, the backup settings were not set: " + share + " (status 9013: File "
                                        "History is on, but its backup settings are not as asked; the next logon tries "
                                        "again)" + kShareOn + " settings: SaveConfiguration 0x80070005"));
    EXPECT_EQ(record(), share);
    ASSERT_EQ(Enable({"/every:15", share}).status, kDone);
    EXPECT_THAT(e2e::ChangingCalls(), Contains("SetLocalPolicy\t0x00000000\t0\t900"));

    // A user's own configuration keeps its settings, unless /force.
    e2e::WriteConfiguration("E:\\", FH_STATUS_ENABLED);
    EXPECT_EQ(Enable({"/every:10", "/keep:90", share}).status, kUsersOwnLeft);
    EXPECT_THAT(e2e::ChangingCalls(), IsEmpty());
    EXPECT_EQ(Enable({"/every:10", "/force", "/keep:90", share}).status, kDone);
    EXPECT_THAT(lastLogLine(), EndsWith(" " + enabled));
}

TEST_F(LogonScripts, DisablingUndoesWhatTheEnableScriptDidAndClearsItsRecord) {
    ASSERT_EQ(Enable({"\\\\nas\\backups"}).status, kDone);

    const Result refused = Disable({}, "FhServiceStopBackup=0x80040600");
    EXPECT_EQ(refused.status, kStopRefused);
    EXPECT_TRUE(recorded());
    const std::string failed =
        "failed (status 1: the service refused to stop backing up; no file was deleted)" + kShareOn;
    EXPECT_THAT(lastLogLine(), EndsWith(" " + failed));
    EXPECT_THAT(CommandTrace("eventcreate"), ElementsAre(Event("ERROR", 2, failed)));

    // A configuration file the service holds stays: -D ends with 0, but the
    // state still shows File History on, so the record stays for a retry.
    const Result held =
        Disable({}, sim::VariantSetting(sim::Variant::HeldConfigurationFile, sim::kConfigurationFileHeld));
    EXPECT_EQ(held.status, kNotShownDone);
    EXPECT_EQ(record(), "\\\\nas\\backups");
    const std::string left =
        "failed, a configuration is left after fhswitch (status 9012: " + kNotShownDoneMeaning + ")" + kShareOn;
    EXPECT_THAT(lastLogLine(), EndsWith(" " + left));
    EXPECT_THAT(CommandTrace("eventcreate"), ElementsAre(Event("ERROR", 2, left)));

    const Result disabled = Disable({});
    EXPECT_EQ(disabled.status, kDone);
    EXPECT_FALSE(recorded());
    EXPECT_EQ(logLines().size(), 4u) << "the log keeps every run: enabled, refused, left, disabled";
    EXPECT_THAT(ListTree(TheFace().configDirectory), IsEmpty());
    const std::string done = "disabled (status 0: done)" + Now("not-configured", "", "", "");
    EXPECT_THAT(lastLogLine(), EndsWith(" " + done));
    EXPECT_THAT(CommandTrace("eventcreate"), ElementsAre(Event("INFORMATION", 2, done)));
    EXPECT_EQ(Enable({"\\\\nas\\backups"}).status, kDone);
    EXPECT_THAT(e2e::ChangingCalls(), Not(IsEmpty()));
}

// Left deployed, the disable script must not take away File History that a
// user turned on by themselves; /force purges the top level as -D does.
TEST_F(LogonScripts, DisablingLeavesFileHistoryTheEnableScriptDidNotTurnOnUnlessForced) {
    PopulateConfiguration();
    e2e::WriteConfiguration("E:\\", FH_STATUS_ENABLED);
    const std::vector<std::string> users = ListTree(TheFace().configDirectory);
    const Result left = Disable({});
    EXPECT_EQ(left.status, kDone);
    EXPECT_THAT(e2e::ChangingCalls(), IsEmpty());
    EXPECT_EQ(ListTree(TheFace().configDirectory), users);
    const std::string line =
        "left as it is, not turned on by enable-file-history.cmd (status 0: nothing to do)" + OnWith("E:\\");
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
// The stand-in answers with the code page it was last given, from the one
// the console had: the script must put back that one, not whatever chcp
// answers once the script has changed it.
TEST_F(LogonScripts, TheCodePageIsPutBackWhateverTheLanguageOfChcp) {
    for (const char* before : {"850", "852"}) {
        const e2e::Environment german = {
            {"WINEPATH", e2e::StandInCommandFolder("chcp") + ";" + e2e::StandInCommandFolder("eventcreate")},
            {"FHSWITCH_TEST_CODE_PAGE", before}};
        for (const char* script : {"enable-file-history.cmd", "disable-file-history.cmd"}) {
            fs::remove(TheFace().tracePath);
            fs::remove(TheFace().tracePath + ".codepage");
            const Result result = RunBatchOnTerminal(BesideTheExe(script), {"\\\\nas\\backups"}, "", german);
            EXPECT_EQ(result.status, kDone) << script;
            EXPECT_THAT(CommandTrace("chcp"), ElementsAre("chcp\t65001", std::string("chcp\t") + before))
                << script << ", code page " << before;
        }
    }
}

// Without the exes beside them, the scripts look in the 64-bit Program
// Files (%ProgramW6432%), then in %ProgramFiles%. Run as a 32-bit host on
// 64-bit Windows runs them (Intune's default: %ProgramFiles% is "Program
// Files (x86)"), and as 32-bit Windows runs them (no %ProgramW6432%): the
// environment of such a process is set first.
TEST_F(LogonScripts, FindsTheExeInProgramFilesAfterTheMsiInstalledIt) {
    if (TheFace().architecture != "x64") GTEST_SKIP() << "the x86 MSI refuses the face's 64-bit prefix";
    struct Host {
        const char* name;
        const char* environment;  // batch lines
    };
    const Host hosts[] = {{"32-bit host on 64-bit Windows",
                           "@set \"ProgramFiles=C:\\Program Files (x86)\"\r\n@set \"ProgramW6432=C:\\Program Files\"\r\n"
                           "@set \"PROCESSOR_ARCHITECTURE=x86\"\r\n@set \"PROCESSOR_ARCHITEW6432=AMD64\"\r\n"},
                          {"32-bit Windows", "@set \"ProgramFiles=C:\\Program Files\"\r\n@set \"ProgramW6432=\"\r\n"
                                             "@set \"PROCESSOR_ARCHITECTURE=x86\"\r\n@set \"PROCESSOR_ARCHITEW6432=\"\r\n"}};
    // Each script alone in a folder, run through a batch file that sets the host's environment.
    const auto inHost = [](const Host& host, const std::string& script) {
        const std::string alone = TheFace().work + "/scripts/" + script;
        fs::create_directories(fs::path(alone).parent_path());
        fs::copy_file(TheFace().source + "/examples/" + script, alone, fs::copy_options::overwrite_existing);
        const std::string batch = TheFace().work + "/scripts/in-host-" + script;
        std::ofstream(batch, std::ios::binary) << host.environment << "@\"" << e2e::ProgramPath(alone) << "\" %*\r\n";
        return batch;
    };

    const Result missing = RunBatchOnTerminal(inHost(hosts[0], "enable-file-history.cmd"), {"\\\\nas\\backups"}, "");
    EXPECT_EQ(missing.status, kNotFound);
    EXPECT_FALSE(recorded());
    EXPECT_THAT(lastLogLine(),
                EndsWith(" failed, fhswitch.exe or fhstatus.exe not found: \\\\nas\\backups (status 9009: fhswitch.exe "
                         "and fhstatus.exe are not both beside this script or in Program Files\\fhswitch)" +
                         Now("", "", "", "")));

    const e2e::InstalledMsi installed;
    ASSERT_TRUE(installed);
    for (const Host& host : hosts) {
        fs::remove(TheFace().tracePath);
        const Result found = RunBatchOnTerminal(inHost(host, "enable-file-history.cmd"), {"\\\\nas\\backups"}, "");
        EXPECT_EQ(found.status, kDone) << host.name;
        EXPECT_THAT(SharedTrace(), Contains(kValidated + std::string("\\\\nas\\backups\\"))) << host.name;
        EXPECT_EQ(record(), "\\\\nas\\backups") << host.name;

        fs::remove(TheFace().tracePath);
        const Result disabled = RunBatchOnTerminal(inHost(host, "disable-file-history.cmd"), {}, "");
        EXPECT_EQ(disabled.status, kDone) << host.name;
        EXPECT_THAT(SharedTrace(), Contains("FhServiceStopBackup\t0x00000000\t0")) << host.name;
        EXPECT_FALSE(recorded()) << host.name;
    }
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

// The guide's batch file that reads fhstatus's lines, run as the guide gives
// it, on the exes the MSI installed: protected, then a problem File History
// reports.
TEST_F(LogonScripts, TheGuidesBatchFileReadsTheState) {
    if (TheFace().architecture != "x64") GTEST_SKIP() << "the batch file names the 64-bit Program Files";
    std::vector<std::string> recipe;
    std::istringstream guide(ReadFile(TheFace().source + "/docs/deploying.md"));
    bool after = false;
    for (std::string line; std::getline(guide, line);) {
        if (line.rfind("From a batch file", 0) == 0) after = true;
        if (after && line.rfind("    ", 0) == 0) recipe.push_back(line.substr(4));
        if (after && !recipe.empty() && line.rfind("    ", 0) != 0) break;
    }
    ASSERT_FALSE(recipe.empty()) << "no batch file after \"From a batch file\" in docs/deploying.md";
    const std::string batch = TheFace().work + "/read-state.cmd";
    std::ofstream file(batch, std::ios::binary);
    for (const std::string& line : recipe) file << line << "\r\n";
    file.close();

    const e2e::InstalledMsi installed;
    ASSERT_TRUE(installed);
    ASSERT_EQ(Enable({"\\\\nas\\backups"}).status, kDone);
    const Result protectedState = RunBatchOnTerminal(batch, {}, "");
    EXPECT_EQ(protectedState.status, kDone);
    EXPECT_THAT(protectedState.output,
                ::testing::HasSubstr("File History: protected, backups on, target \\\\nas\\backups\\, FH_STATE_NO_ERROR"));
    const Result pending =
        RunBatchOnTerminal(batch, {}, sim::VariantSetting(sim::Variant::ProtectionWhileOn, sim::kNotTrackedWhileOn));
    EXPECT_EQ(pending.status, kDone) << "not tracked yet is no problem";
    EXPECT_THAT(pending.output, ::testing::HasSubstr("File History: pending, backups on"));
    const Result problem = RunBatchOnTerminal(batch, {}, "QueryProtectionStatus.state=0x11");
    EXPECT_EQ(problem.status, 1);
    EXPECT_THAT(problem.output,
                ::testing::HasSubstr("File History: problem, backups on, target \\\\nas\\backups\\, FH_STATE_TARGET_FULL"));
}

}  // namespace
