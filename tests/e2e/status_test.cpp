// fhstatus as a process on each face: what it reports of each state File
// History can be in, by exact output and status, and that reading the state
// changes nothing. The states are made by fhswitch's own runs where they can
// be (a fresh configuration, a reconnected backup, a failed reconnection), so
// that fhstatus reads what fhswitch and the platform wrote.
#include <cstdio>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "history/file_history.h"
#include "history/state.h"
#include "platform/sim/calls.h"
#include "platform/sim/targets.h"
#include "platform/sim/variants.h"
#include "tests/e2e/face.h"
#include "tests/support/sim_session.h"

using e2e::EndToEnd;
using e2e::Output;
using e2e::Result;
using e2e::RunFhstatus;
using e2e::RunFhswitch;
using e2e::SharedTrace;
using e2e::TheFace;
using testsupport::ListTree;
using testsupport::ReadFile;
using ::testing::ElementsAreArray;

namespace {

const std::string kTarget = "\\\\nas\\backups";
const std::string kTargetUrl = kTarget + "\\";
// This user's backup of this PC on the target, made at 2024-05-01 10:00:00 UTC.
constexpr std::uint64_t kBackupTime = 133590312000000000;
const std::string kBackedUpTo = "2024-05-01 10:00:00";

// The lines, by name, in fhstatus's order.
struct Lines {
    std::string state, configuration, backups, targetUrl, targetName, protection, number, running, until, error;
};

// Then the backup settings, File History's defaults wherever a configuration was read.
std::vector<std::string> Printed(const Lines& lines) {
    const bool read = lines.configuration == "yes";
    return {"state=" + lines.state,           "configuration=" + lines.configuration,
            "backups=" + lines.backups,       "target_url=" + lines.targetUrl,
            "target_name=" + lines.targetName, "protection=" + lines.protection,
            "protection_number=" + lines.number, "backup_running=" + lines.running,
            "protected_until=" + lines.until, "error=" + lines.error,
            std::string("frequency=") + (read ? "3600" : ""),
            std::string("retention_type=") + (read ? "FH_RETENTION_DISABLED" : ""),
            std::string("retention_age=") + (read ? "365" : "")};
}

// How File History stands before fhstatus runs.
enum class Before {
    kNothing,          // no configuration
    kDefaults,         // a fresh configuration and nothing more: -E failed validating
    kOn,               // -E reconnected to this user's backup on the target
    kOffWithTarget,    // a reconnection that failed at loading: the target set, backups off
    kNamedByTheUser,   // on, with a friendly name for the target, as Control Panel gives one
};

struct StatusCase {
    const char* name;
    Before before;
    std::string settings;  // fhstatus's run
    StateStatus status;
    Lines lines;
};

void PrintTo(const StatusCase& row, std::ostream* out) { *out << row.name; }

const Lines kOn = {"protected", "yes", "on", kTargetUrl, "", "FH_STATE_NO_ERROR", "0xFF", "no", kBackedUpTo, ""};

Lines With(Lines lines, const std::string& state, const std::string& protection, const std::string& number,
           const std::string& running = "no") {
    lines.state = state;
    lines.protection = protection;
    lines.number = number;
    lines.running = running;
    return lines;
}

Lines Failing(Lines lines, const std::string& error) {
    lines.state = "unreadable";
    lines.error = error;
    return lines;
}

class StatusReport : public EndToEnd, public ::testing::WithParamInterface<StatusCase> {
protected:
    static void Prepare(Before before) {
        if (before == Before::kNothing) return;
        if (before == Before::kDefaults) {
            ASSERT_EQ(RunFhswitch({"-E", kTarget}, "ValidateTarget.result=0").status, kTargetNotValid);
            return;
        }
        // On, with this user's backup of this PC on the target, made at a known time.
        ASSERT_EQ(RunFhswitch({"-E", kTarget}, "").status, kDone);
        const std::string user = TheFace().targets + "/" + sim::TargetFolderName(kTargetUrl) + "/" + e2e::WindowsUserName();
        for (const auto& pc : std::filesystem::directory_iterator(user)) {
            testsupport::WriteFile(pc.path().string() + "/Configuration/Config1.xml",
                                   sim::BackupConfigurationXml(e2e::WindowsUserName(), pc.path().filename().string(),
                                                               kBackupTime));
        }
        if (before == Before::kNamedByTheUser) {
            std::string xml = e2e::ConfigurationXml(kTargetUrl, FH_STATUS_ENABLED);
            xml.insert(xml.rfind("</FileHistoryConfiguration>"), "  <TargetName>NAS &amp; backups</TargetName>\n");
            testsupport::WriteFile(TheFace().configDirectory + "/Config1.xml", xml);
        }
        if (before == Before::kOffWithTarget) {
            std::filesystem::remove_all(TheFace().configDirectory);  // a fresh profile
            ASSERT_EQ(RunFhswitch({"-E", kTarget}, "LoadConfiguration=0x80040300").status, kEarlierBackupNotReconnected);
        }
    }
};

TEST_P(StatusReport, SaysTheStateExactlyAndChangesNothing) {
    const StatusCase& row = GetParam();
    if (e2e::IsWine() && std::string(row.settings).rfind("CoInitializeEx=", 0) == 0) {
        GTEST_SKIP() << "under Wine, COM is Wine's own";
    }
    Prepare(row.before);
    if (HasFatalFailure()) return;
    const std::vector<std::string> configuration = ListTree(TheFace().configDirectory);
    const std::string saved = ReadFile(TheFace().configDirectory + "/Config1.xml");
    const std::vector<std::string> targets = ListTree(TheFace().targets);
    std::remove(TheFace().tracePath.c_str());

    const Result result = RunFhstatus({}, row.settings);
    EXPECT_EQ(result.output, Output(Printed(row.lines)));
    EXPECT_EQ(result.status, row.status);
    EXPECT_EQ(result.errors, "");
    // Read, never written: the configuration and the target as they were,
    // and no call that changes either.
    EXPECT_THAT(ListTree(TheFace().configDirectory), ElementsAreArray(configuration));
    EXPECT_EQ(ReadFile(TheFace().configDirectory + "/Config1.xml"), saved);
    EXPECT_THAT(ListTree(TheFace().targets), ElementsAreArray(targets));
    EXPECT_THAT(e2e::ChangingCalls(), ::testing::IsEmpty());
}

// Every problem state, on its own and while a backup runs where it can.
std::vector<StatusCase> ProblemStates() {
    const std::vector<std::pair<std::string, unsigned>> states = {
        {"FH_STATE_NOT_TRACKED", 0x00},          {"FH_STATE_FATAL_CONFIG_ERROR", 0x03},
        {"FH_STATE_MIGRATING", 0x04},            {"FH_STATE_REHYDRATING", 0x05},
        {"FH_STATE_TARGET_FS_LIMITATION", 0x0D}, {"FH_STATE_TARGET_ACCESS_DENIED", 0x0E},
        {"FH_STATE_TARGET_VOLUME_DIRTY", 0x0F},  {"FH_STATE_TARGET_FULL_RETENTION_MAX", 0x10},
        {"FH_STATE_TARGET_FULL", 0x11},          {"FH_STATE_STAGING_FULL", 0x12},
        {"FH_STATE_TARGET_LOW_SPACE_RETENTION_MAX", 0x13}, {"FH_STATE_TARGET_LOW_SPACE", 0x14},
        {"FH_STATE_TARGET_ABSENT", 0x15},        {"FH_STATE_TOO_MUCH_BEHIND", 0xF0},
        {"FH_STATE_BACKUP_NOT_SUPPORTED", 0x810}};
    static std::vector<std::string> names;  // the rows' names and settings outlive the table
    names.reserve(4 * states.size());
    std::vector<StatusCase> rows;
    for (const auto& [name, number] : states) {
        for (const bool running : {false, true}) {
            if (running && number < 0x0D) continue;  // never ORed onto the states below
            const unsigned value = number | (running ? 0x100u : 0u);
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%02X", value);
            names.push_back(name.substr(9) + (running ? "_Running" : ""));
            const char* rowName = names.back().c_str();
            names.push_back("QueryProtectionStatus.state=" + std::string(hex));
            // Not tracked yet, with a target: pending, not a problem.
            const bool pending = number == 0x00;
            rows.push_back({rowName, Before::kOn, names.back().c_str(), pending ? kStatePending : kStateProblem,
                            With(kOn, pending ? "pending" : "problem", name, hex, running ? "yes" : "no")});
        }
    }
    return rows;
}

const std::vector<StatusCase> kStatusCases = {
        StatusCase{"NoConfiguration", Before::kNothing, "", kStateNotConfigured,
                   {"not-configured", "no", "", "", "", "", "", "", "", ""}},
        StatusCase{"DefaultsWithoutTarget", Before::kDefaults, "", kStateOff,
                   {"off", "yes", "off", "", "", "FH_STATE_OFF", "0x01", "no", "", ""}},
        // No target answered as a success with a null target, as its page allows.
        StatusCase{"DefaultsWithANullTarget", Before::kDefaults,
                   sim::VariantSetting(sim::Variant::NoDefaultTarget, sim::kNoTargetNull), kStateOff,
                   {"off", "yes", "off", "", "", "FH_STATE_OFF", "0x01", "no", "", ""}},
        StatusCase{"OnAndProtecting", Before::kOn, "", kStateProtected, kOn},
        // The friendly name is the one provisioning was given; fhswitch gives none.
        StatusCase{"TheTargetsFriendlyName", Before::kNamedByTheUser, "", kStateProtected,
                   [] {
                       Lines lines = kOn;
                       lines.targetName = "NAS & backups";
                       return lines;
                   }()},
        StatusCase{"OnAndNotTrackedYet", Before::kOn,
                   sim::VariantSetting(sim::Variant::ProtectionWhileOn, sim::kNotTrackedWhileOn), kStatePending,
                   With(kOn, "pending", "FH_STATE_NOT_TRACKED", "0x00")},
        StatusCase{"RehydratingCountsAsOn", Before::kOn, "GetBackupStatus.status=3", kStateProtected,
                   [] {
                       Lines lines = kOn;
                       lines.backups = "rehydrating";
                       return lines;
                   }()},
        // Not tracked without a target is no pending start: nothing can be backed up.
        StatusCase{"OnWithoutATarget", Before::kDefaults, "GetBackupStatus.status=2", kStateProblem,
                   {"problem", "yes", "on", "", "", "FH_STATE_NOT_TRACKED", "0x00", "no", "", ""}},
        StatusCase{"OnAndBackingUp", Before::kOn, "QueryProtectionStatus.state=0x1FF", kStateProtected,
                   With(kOn, "protected", "FH_STATE_NO_ERROR", "0x1FF", "yes")},
        StatusCase{"OffWithTheTarget", Before::kOffWithTarget, "", kStateOff,
                   {"off", "yes", "off", kTargetUrl, "", "FH_STATE_OFF", "0x01", "no", kBackedUpTo, ""}},
        StatusCase{"OnButReportedOff", Before::kOn, "QueryProtectionStatus.state=0x01", kStateOff,
                   With(kOn, "off", "FH_STATE_OFF", "0x01")},
        StatusCase{"DisabledByPolicy", Before::kOn, "GetBackupStatus.status=1", kStateDisabledByPolicy,
                   {"disabled-by-policy", "yes", "disabled-by-policy", kTargetUrl, "",
                    "FH_STATE_DISABLED_BY_GP", "0x02", "no", kBackedUpTo, ""}},
        StatusCase{"OnButReportedDisabledByPolicy", Before::kOn, "QueryProtectionStatus.state=0x02",
                   kStateDisabledByPolicy, With(kOn, "disabled-by-policy", "FH_STATE_DISABLED_BY_GP", "0x02")},
        StatusCase{"UnknownState", Before::kOn, "QueryProtectionStatus.state=0x42", kStateProblem,
                   With(kOn, "problem", "unknown", "0x42")},
        StatusCase{"RunningOntoAStateItNeverGoesWith", Before::kOn, "QueryProtectionStatus.state=0x101",
                   kStateProblem, With(kOn, "problem", "unknown", "0x101")},
        // Each call failing in turn.
        StatusCase{"ComUnavailable", Before::kOn, "CoInitializeEx=0x80010106", kStateComUnavailable,
                   {"com-unavailable", "", "", "", "", "", "", "", "", "CoInitializeEx 0x80010106"}},
        StatusCase{"ManagerNotCreated", Before::kOn, "CoCreateInstance=0x80040154", kStateUnreadable,
                   {"unreadable", "", "", "", "", "", "", "", "", "CoCreateInstance 0x80040154"}},
        StatusCase{"LoadFails", Before::kOn, "LoadConfiguration=0x80040300", kStateUnreadable,
                   {"unreadable", "", "", "", "", "", "", "", "", "LoadConfiguration 0x80040300"}},
        StatusCase{"BackupStatusFails", Before::kOn, "GetBackupStatus=0x80004005", kStateUnreadable,
                   [] {
                       Lines lines = Failing(kOn, "GetBackupStatus 0x80004005");
                       lines.backups = "";
                       return lines;
                   }()},
        StatusCase{"TargetFails", Before::kOn, "GetDefaultTarget=0x80070005", kStateUnreadable,
                   [] {
                       Lines lines = Failing(kOn, "GetDefaultTarget 0x80070005");
                       lines.targetUrl = lines.targetName = "";
                       return lines;
                   }()},
        StatusCase{"TargetPropertyFails", Before::kOn, "FhTarget.GetStringProperty=0x80004005", kStateUnreadable,
                   [] {
                       Lines lines = Failing(kOn, "FhTarget.GetStringProperty 0x80004005");
                       lines.targetUrl = lines.targetName = "";
                       return lines;
                   }()},
        StatusCase{"ProtectionFailsWhileOn", Before::kOn, "QueryProtectionStatus=0x80070422", kStateUnreadable,
                   {"unreadable", "yes", "on", kTargetUrl, "", "", "", "", "", "QueryProtectionStatus 0x80070422"}},
        // Off, the backups decide: the failure is named, the class stands.
        StatusCase{"ProtectionFailsWhileOff", Before::kOffWithTarget, "QueryProtectionStatus=0x80070422", kStateOff,
                   {"off", "yes", "off", kTargetUrl, "", "", "", "", "", "QueryProtectionStatus 0x80070422"}}};

INSTANTIATE_TEST_SUITE_P(Table, StatusReport, ::testing::ValuesIn(kStatusCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Each case again on the answers Windows may give fhstatus's own calls: a
// null default target where there is none (nothing changes), and not tracked
// while on (protected becomes pending). On the Linux face only, as under Wine
// each answer has rows of its own.
std::vector<StatusCase> OnEveryAnswer() {
    static std::deque<std::string> texts;  // the rows' names and settings outlive the table
    std::vector<StatusCase> rows;
    for (const StatusCase& row : kStatusCases) {
        if (row.settings.find("NoDefaultTarget=") != std::string::npos ||
            row.settings.find("ProtectionWhileOn=") != std::string::npos) {
            continue;
        }
        const auto add = [&](sim::Variant variant, sim::Answer answer, const char* suffix) {
            StatusCase changed = row;
            texts.push_back(sim::VariantSetting(variant, answer) + (row.settings.empty() ? "" : ";" + row.settings));
            changed.settings = texts.back();
            texts.push_back(std::string(row.name) + suffix);
            changed.name = texts.back().c_str();
            return changed;
        };
        rows.push_back(add(sim::Variant::NoDefaultTarget, sim::kNoTargetNull, "_NullWithoutATarget"));
        StatusCase notTracked = add(sim::Variant::ProtectionWhileOn, sim::kNotTrackedWhileOn, "_NotTrackedWhileOn");
        const bool computed = row.settings.find("QueryProtectionStatus.state") == std::string::npos;
        if (computed && notTracked.lines.protection == "FH_STATE_NO_ERROR") {
            const bool protectedBefore = row.status == kStateProtected;
            notTracked.lines = With(notTracked.lines, protectedBefore ? "pending" : row.lines.state,
                                    "FH_STATE_NOT_TRACKED", "0x00");
            if (protectedBefore) notTracked.status = kStatePending;
        }
        rows.push_back(notTracked);
    }
    return rows;
}

INSTANTIATE_TEST_SUITE_P(EveryAnswer, StatusReport, ::testing::ValuesIn(OnEveryAnswer()),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(ProblemStates, StatusReport, ::testing::ValuesIn(ProblemStates()),
                         [](const auto& info) { return std::string(info.param.name); });

struct CommandLine {
    const char* name;
    std::vector<std::string> arguments;
    std::vector<std::string> lines;
    int status;
};

class StatusCommandLines : public EndToEnd, public ::testing::WithParamInterface<CommandLine> {};

TEST_P(StatusCommandLines, PrintExactlyAndReadNothing) {
    const CommandLine& row = GetParam();
    const Result result = RunFhstatus(row.arguments, "");
    EXPECT_EQ(result.output, Output(row.lines));
    EXPECT_EQ(result.status, row.status);
    EXPECT_THAT(SharedTrace(), ::testing::IsEmpty());
}

const std::vector<std::string> kRejected = {
    "fhstatus takes no arguments, /scan and a target, or a /plan-enable or /plan-disable; fhstatus /? shows its "
    "usage"};

INSTANTIATE_TEST_SUITE_P(
    Table, StatusCommandLines,
    ::testing::Values(CommandLine{"Usage",
                                  {"/?"},
                                  {"Reports the current user's File History state, changing nothing.",
                                   "fhstatus       name=value lines; the exit status is the state's class",
                                   "fhstatus /scan <target>",
                                   "               the File History backups the target holds; reads them, selects none",
                                   "fhstatus /plan-enable <target> [<record file>] [/force] [/every:<minutes>]",
                                   "               [/keep:<days>|forever|space] [/after:<status>] [/applied:<status>]",
                                   "fhstatus /plan-disable [<record file>] [/force] [/after:<status>]",
                                   "               the state, then what the logon script does next: action, record,",
                                   "               status, event, reason; /after: and /applied: give fhswitch's and",
                                   "               fhsettings' statuses once they ran",
                                   "fhstatus /?    this usage"},
                                  0},
                      CommandLine{"AnArgument", {"-E"}, kRejected, kStateArgumentsRejected},
                      CommandLine{"UsageAndMore", {"/?", "x"}, kRejected, kStateArgumentsRejected},
                      CommandLine{"AnEmptyArgument", {""}, kRejected, kStateArgumentsRejected},
                      CommandLine{"ScanWithoutATarget", {"/scan"}, kRejected, kStateArgumentsRejected},
                      CommandLine{"ScanAnEmptyTarget", {"/scan", ""}, kRejected, kStateArgumentsRejected},
                      CommandLine{"ScanTwoTargets", {"/scan", "\\\\a\\", "\\\\b\\"}, kRejected,
                                  kStateArgumentsRejected},
                      CommandLine{"ATargetWithoutScan", {"\\\\nas\\backups"}, kRejected, kStateArgumentsRejected},
                      CommandLine{"PlanEnableWithoutATarget", {"/plan-enable"}, kRejected, kStateArgumentsRejected},
                      CommandLine{"PlanEnableAnEmptyTarget", {"/plan-enable", ""}, kRejected, kStateArgumentsRejected},
                      CommandLine{"PlanDisableTwoRecords", {"/plan-disable", "a.txt", "b.txt"}, kRejected,
                                  kStateArgumentsRejected},
                      CommandLine{"PlanForcedTwice", {"/plan-disable", "/force", "/FORCE"}, kRejected,
                                  kStateArgumentsRejected},
                      CommandLine{"PlanAfterNoNumber", {"/plan-enable", "\\\\nas\\b", "/after:"}, kRejected,
                                  kStateArgumentsRejected},
                      CommandLine{"PlanAfterAWord", {"/plan-disable", "/after:zero"}, kRejected,
                                  kStateArgumentsRejected},
                      CommandLine{"PlanAfterTooLarge", {"/plan-disable", "/after:2147483648"}, kRejected,
                                  kStateArgumentsRejected},
                      CommandLine{"PlanAnUnknownSwitchAfterTheRecord", {"/plan-enable", "\\\\nas\\b", "r.txt", "/quiet"}, kRejected,
                                  kStateArgumentsRejected}),
    [](const auto& info) { return std::string(info.param.name); });

// fhstatus /scan: what a target holds, read through the reassociation and
// never selected or reassociated; the target and the configuration as they were.
struct ScanCase {
    const char* name;
    bool enabledFirst;     // -E made this user's backup of this PC there (at kBackupTime)
    std::string settings;  // the scan's run
    int status;
    std::vector<std::string> lines;
};

void PrintTo(const ScanCase& row, std::ostream* out) { *out << row.name; }

class TargetScans : public EndToEnd, public ::testing::WithParamInterface<ScanCase> {};

TEST_P(TargetScans, ListWhatTheTargetHoldsAndChangeNothing) {
    const ScanCase& row = GetParam();
    std::string pcName;  // as the first run recorded it
    if (row.enabledFirst) {
        ASSERT_EQ(RunFhswitch({"-E", kTarget}, "").status, kDone);
        const std::string user = TheFace().targets + "/" + sim::TargetFolderName(kTargetUrl) + "/" + e2e::WindowsUserName();
        for (const auto& pc : std::filesystem::directory_iterator(user)) {
            pcName = pc.path().filename().string();
            testsupport::WriteFile(pc.path().string() + "/Configuration/Config1.xml",
                                   sim::BackupConfigurationXml(e2e::WindowsUserName(), pc.path().filename().string(),
                                                               kBackupTime));
        }
    }
    // Listed first: the folders go in order, and digits come before any name.
    testsupport::WriteFile(TheFace().targets + "/" + sim::TargetFolderName(kTargetUrl) + "/0-john/PC043/Configuration/Config1.xml",
                           sim::BackupConfigurationXml("CORP\\john", "pc043.corp.example.com", kBackupTime + 36000000000));
    const std::vector<std::string> configuration = ListTree(TheFace().configDirectory);
    const std::vector<std::string> targets = ListTree(TheFace().targets);
    std::remove(TheFace().tracePath.c_str());

    const Result result = RunFhstatus({"/scan", kTarget}, row.settings);
    std::vector<std::string> lines;
    for (std::string line : row.lines) {
        const size_t user = line.find("<user>");
        if (user != std::string::npos) line.replace(user, 6, e2e::WindowsUserName());
        const size_t pc = line.find("<pc>");
        if (pc != std::string::npos) line.replace(pc, 4, pcName);
        lines.push_back(line);
    }
    EXPECT_EQ(result.output, Output(lines));
    EXPECT_EQ(result.status, row.status);
    EXPECT_THAT(ListTree(TheFace().configDirectory), ElementsAreArray(configuration));
    EXPECT_THAT(ListTree(TheFace().targets), ElementsAreArray(targets));
    for (const std::string& line : SharedTrace()) {
        for (const char* never : {"FhReassociation.SelectConfiguration", "FhReassociation.PerformReassociation",
                                  "FhServiceOpenPipe", "SaveConfiguration", "CreateDefaultConfiguration",
                                  "ProvisionAndSetNewTarget", "LoadConfiguration"}) {
            EXPECT_THAT(line, ::testing::Not(::testing::StartsWith(never)));
        }
    }
}

const std::vector<std::string> kJohns = {"user_1=CORP\\john", "pc_1=pc043.corp.example.com",
                                         "backup_time_1=2024-05-01 11:00:00", "this_user_on_this_pc_1=no"};

INSTANTIATE_TEST_SUITE_P(
    Table, TargetScans,
    ::testing::Values(
        ScanCase{"ThisUsersAndAnothers", true, "", 0,
                 {"target_url=" + kTargetUrl, "validation=FH_NAMESPACE_EXISTS", "configurations=2",
                  "user_1=CORP\\john", "pc_1=pc043.corp.example.com", "backup_time_1=2024-05-01 11:00:00",
                  "this_user_on_this_pc_1=no", "user_2=<user>", "pc_2=<pc>", "backup_time_2=" + kBackedUpTo,
                  "this_user_on_this_pc_2=yes", "error="}},
        ScanCase{"OnlyAnothers", false, "", 0,
                 [] {
                     std::vector<std::string> lines = {"target_url=" + kTargetUrl, "validation=FH_VALID_TARGET",
                                                       "configurations=1"};
                     lines.insert(lines.end(), kJohns.begin(), kJohns.end());
                     lines.push_back("error=");
                     return lines;
                 }()},
        // A target the reassociation refuses is not scanned.
        ScanCase{"RefusedTarget", true, "ValidateTarget.result=2", 0,
                 {"target_url=" + kTargetUrl, "validation=FH_READ_ONLY_PERMISSION", "configurations=", "error="}},
        ScanCase{"ValidationFails", true, "FhReassociation.ValidateTarget=0x80070005", kStateUnreadable,
                 {"target_url=" + kTargetUrl, "validation=", "configurations=",
                  "error=FhReassociation.ValidateTarget 0x80070005"}},
        ScanCase{"ScanFails", true, "FhReassociation.ScanTargetForConfigurations=0x80070035", kStateUnreadable,
                 {"target_url=" + kTargetUrl, "validation=FH_NAMESPACE_EXISTS", "configurations=",
                  "error=FhReassociation.ScanTargetForConfigurations 0x80070035"}},
        ScanCase{"DetailsFail", true, "FhReassociation.GetConfigurationDetails=0x80004005", kStateUnreadable,
                 {"target_url=" + kTargetUrl, "validation=FH_NAMESPACE_EXISTS", "configurations=",
                  "error=FhReassociation.GetConfigurationDetails 0x80004005"}}),
    [](const auto& info) { return std::string(info.param.name); });

// fhstatus's plans for the logon scripts, as a process: the record file read
// by its path (outside the ANSI code page too), targets compared as Windows
// compares paths, the plan's lines after the state's, and nothing changed.
struct PlanRun {
    const char* name;
    std::string configured;  // File History's target, backups on; "" for no configuration
    const char* record;      // the record file's bytes; null for no file
    std::vector<std::string> arguments;  // after the mode; "<record>" stands for the record file's path
    std::vector<std::string> plan;
};

class StatusPlans : public EndToEnd, public ::testing::WithParamInterface<PlanRun> {};

TEST_P(StatusPlans, FollowTheStateAndTheRecordAndChangeNothing) {
    const PlanRun& row = GetParam();
    if (!row.configured.empty()) e2e::WriteConfiguration(row.configured, FH_STATUS_ENABLED);
    const std::string record = TheFace().work + "/Жанна/enabled-target.txt";
    std::filesystem::remove_all(TheFace().work + "/Жанна");
    if (row.record != nullptr) testsupport::WriteFile(record, row.record);
    std::vector<std::string> arguments;
    for (const std::string& argument : row.arguments) {
        arguments.push_back(argument == "<record>" ? e2e::ProgramPath(record) : argument);
    }
    std::remove(TheFace().tracePath.c_str());

    const Result result = RunFhstatus(arguments, "");
    EXPECT_EQ(result.status, row.configured.empty() ? kStateNotConfigured : kStateProtected);
    EXPECT_THAT(result.output, ::testing::StartsWith(row.configured.empty() ? "state=not-configured" : "state=protected"));
    EXPECT_THAT(result.output, ::testing::EndsWith(Output(row.plan)));
    EXPECT_THAT(e2e::ChangingCalls(), ::testing::IsEmpty());
}

std::vector<std::string> Plan(const std::string& action, const std::string& record, const std::string& status,
                              const std::string& event, const std::string& reason, const std::string& meaning,
                              const std::string& targetIs) {
    return {"action=" + action, "record=" + record,  "status=" + status,        "event=" + event,
            "reason=" + reason, "meaning=" + meaning, "target_is=" + targetIs};
}

INSTANTIATE_TEST_SUITE_P(
    Table, StatusPlans,
    ::testing::Values(
        PlanRun{"AMoveFromTheRecordedTargetInOtherCase", "\\\\nas\\Жанна\\", "\\\\NAS\\жанна\r\n",
                {"/plan-enable", "\\\\nas\\new", "<record>"},
                Plan("enable", "keep", "", "", "the target this script set before", "", "recorded")},
        PlanRun{"TheUsersOwnWithoutARecordFile", "\\\\nas\\Жанна\\", nullptr,
                {"/plan-enable", "\\\\nas\\new", "<record>"},
                Plan("none", "keep", "9010", "INFORMATION", "left the user's own File History configuration in place",
                     "the user set up File History; /force replaces it", "other")},
        PlanRun{"EnabledAndShownOn", "\\\\nas\\backups\\", nullptr,
                {"/plan-enable", "\\\\NAS\\Backups\\", "<record>", "/after:0"},
                Plan("none", "write", "0", "INFORMATION", "enabled", "done", "asked")},
        PlanRun{"DisablingTheRecordedTarget", "\\\\nas\\backups\\", "\\\\nas\\backups\r\n",
                {"/plan-disable", "<record>"},
                Plan("disable", "keep", "", "", "the target the enable script set", "", "recorded")},
        PlanRun{"DisabledAndNoConfigurationLeft", "", "\\\\nas\\backups\r\n",
                {"/plan-disable", "<record>", "/FORCE", "/after:0"},
                Plan("none", "delete", "0", "INFORMATION", "disabled", "done", "none")},
        PlanRun{"NothingToUndoWithoutARecord", "\\\\nas\\backups\\", nullptr, {"/plan-disable"},
                Plan("none", "keep", "0", "INFORMATION", "left as it is, not turned on by enable-file-history.cmd",
                     "nothing to do", "other")}),
    [](const auto& info) { return std::string(info.param.name); });

// fhsettings as a process: the backup settings set on the user's current
// configuration, each failure with its status and the files as they were
// (never half set), and fhstatus reporting what was saved.
struct SettingsRun {
    const char* name;
    bool configured;
    std::vector<std::string> arguments;
    std::string settings;
    int status;
    std::vector<std::string> lines;
    bool saved;  // the configuration changed
};

class SettingsRuns : public EndToEnd, public ::testing::WithParamInterface<SettingsRun> {};

TEST_P(SettingsRuns, SetAllOrNothingAndFhstatusReportsThem) {
    const SettingsRun& row = GetParam();
    if (e2e::IsWine() && row.settings.rfind("CoInitializeEx=", 0) == 0) {
        GTEST_SKIP() << "under Wine, COM is Wine's own";
    }
    if (row.configured) {
        ASSERT_EQ(RunFhswitch({"-E", kTarget}, "").status, kDone);
    }
    const std::vector<std::string> targets = ListTree(TheFace().targets);
    const std::string before = row.configured ? ReadFile(TheFace().configDirectory + "/Config1.xml") : "";
    std::remove(TheFace().tracePath.c_str());

    const Result result = e2e::RunFhsettings(row.arguments, row.settings);
    EXPECT_EQ(result.output, Output(row.lines));
    EXPECT_EQ(result.status, row.status);
    EXPECT_EQ(ListTree(TheFace().targets), targets) << "the target and its backups are never touched";
    if (!row.configured) {
        EXPECT_FALSE(std::filesystem::exists(TheFace().configDirectory + "/Config1.xml"));
        return;
    }
    const std::string after = ReadFile(TheFace().configDirectory + "/Config1.xml");
    if (!row.saved) {
        EXPECT_EQ(after, before);
        return;
    }
    EXPECT_NE(after, before);
    EXPECT_THAT(after, ::testing::HasSubstr("<Target>" + kTargetUrl + "</Target>"));
    EXPECT_THAT(after, ::testing::HasSubstr("<BackupStatus>2</BackupStatus>"));
    const Result status = RunFhstatus({}, "");
    EXPECT_THAT(status.output, ::testing::EndsWith(Output({row.lines[0], row.lines[1], row.lines[2]})));
}

// The settings say nothing of protection: where they cannot be read, the
// class and the first nine lines stay, and error= names the call.
class UnreadSettings : public EndToEnd {};

TEST_F(UnreadSettings, LeaveFhstatusClassAsItWas) {
    ASSERT_EQ(RunFhswitch({"-E", kTarget}, "").status, kDone);
    const Result result = RunFhstatus({}, "GetLocalPolicy=0x80004005");
    EXPECT_EQ(result.status, kStateProtected);
    EXPECT_THAT(result.output, ::testing::StartsWith(Output({"state=protected", "configuration=yes", "backups=on"})));
    EXPECT_THAT(result.output, ::testing::EndsWith(Output({"error=GetLocalPolicy 0x80004005", "frequency=",
                                                           "retention_type=", "retention_age="})));
}

const std::vector<std::string> kSettingsRejected = {
    "fhsettings takes /every:<minutes>, /keep:<days>|forever|space, or both; fhsettings /? shows its usage"};
std::vector<std::string> Settings(const std::string& frequency, const std::string& retention, const std::string& age,
                                  const std::string& changed, const std::string& error) {
    return {"frequency=" + frequency, "retention_type=" + retention, "retention_age=" + age, "changed=" + changed,
            "error=" + error};
}
const std::vector<std::string> kDefaultsKept = Settings("3600", "FH_RETENTION_DISABLED", "365", "", "");
const std::vector<std::string> kNothingRead = Settings("", "", "", "", "");
std::vector<std::string> Failed(const std::string& error) { return Settings("", "", "", "", error); }
std::vector<std::string> DefaultsKeptAfter(const std::string& error) {
    return Settings("3600", "FH_RETENTION_DISABLED", "365", "", error);
}
const std::vector<std::string> kTenMinutesNinetyDays =
    Settings("600", "FH_RETENTION_AGE_BASED", "90",
             "frequency 3600 -> 600, retention_type FH_RETENTION_DISABLED -> FH_RETENTION_AGE_BASED, retention_age 365 -> 90", "");

INSTANTIATE_TEST_SUITE_P(
    Table, SettingsRuns,
    ::testing::Values(
        SettingsRun{"Both", true, {"/every:10", "/keep:90"}, "", 0, kTenMinutesNinetyDays, true},
        SettingsRun{"BothWhereAnAgeNeedsAgeBased", true, {"/keep:90", "/every:10"}, "AgeBeforeAgeBased=refused", 0,
                    kTenMinutesNinetyDays, true},
        SettingsRun{"TheFrequencyAlone", true, {"/EVERY:1440"}, "", 0,
                    Settings("86400", "FH_RETENTION_DISABLED", "365", "frequency 3600 -> 86400", ""), true},
        SettingsRun{"UntilSpaceIsNeeded", true, {"/Keep:Space"}, "", 0,
                    Settings("3600", "FH_RETENTION_UNLIMITED", "365",
                             "retention_type FH_RETENTION_DISABLED -> FH_RETENTION_UNLIMITED", ""), true},
        SettingsRun{"AsTheyAre", true, {"/keep:forever", "/every:60"}, "", 0, kDefaultsKept, false},
        SettingsRun{"NoConfiguration", false, {"/every:10"}, "", 1, kNothingRead, false},
        SettingsRun{"NotOffered", true, {"/every:10", "/keep:60"}, "", 2,
                    Failed("/keep:60 is not a retention File History offers: forever, space, or 30, 90, 180, 270, 365 or 730 days"),
                    false},
        SettingsRun{"ComUnavailable", true, {"/every:10"}, "CoInitializeEx=0x80010106", 10,
                    Failed("CoInitializeEx 0x80010106"), false},
        SettingsRun{"ManagerNotCreated", true, {"/every:10"}, "CoCreateInstance=0x80040154", 3,
                    Failed("CoCreateInstance 0x80040154"), false},
        SettingsRun{"NotLoaded", true, {"/every:10"}, "LoadConfiguration=0x80040300", 3,
                    Failed("LoadConfiguration 0x80040300"), false},
        SettingsRun{"NotRead", true, {"/every:10"}, "GetLocalPolicy=0x80004005", 3, Failed("GetLocalPolicy 0x80004005"),
                    false},
        SettingsRun{"NotSet", true, {"/every:10", "/keep:90"}, "SetLocalPolicy=0x80070057", 3,
                    DefaultsKeptAfter("SetLocalPolicy 0x80070057"), false},
        SettingsRun{"NotSaved", true, {"/every:10", "/keep:90"}, "SaveConfiguration=0x80070005", 4,
                    DefaultsKeptAfter("SaveConfiguration 0x80070005"), false},
        SettingsRun{"ServiceNotReloaded", true, {"/every:10", "/keep:90"}, "FhServiceReloadConfiguration=0x80040601", 5,
                    Settings("600", "FH_RETENTION_AGE_BASED", "90",
                             "frequency 3600 -> 600, retention_type FH_RETENTION_DISABLED -> FH_RETENTION_AGE_BASED, "
                             "retention_age 365 -> 90", "FhServiceReloadConfiguration 0x80040601"), true},
        SettingsRun{"NoSwitch", true, {}, "", 160, kSettingsRejected, false},
        SettingsRun{"TwiceTheSame", true, {"/every:10", "/every:15"}, "", 160, kSettingsRejected, false},
        SettingsRun{"AnotherArgument", true, {"/every:10", "\\\\nas\\backups"}, "", 160, kSettingsRejected, false},
        SettingsRun{"Usage", true, {"/?"}, "", 0,
                    {"Sets how often File History backs up and how long it keeps versions, for the current user.",
                     "fhsettings [/every:<minutes>] [/keep:<days>|forever|space]",
                     "               minutes: 10, 15, 20, 30, 60, 180, 360, 720 or 1440",
                     "               days: 30, 90, 180, 270, 365 or 730; forever: never deleted;",
                     "               space: deleted as space is needed", "fhsettings /?  this usage"},
                    false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
