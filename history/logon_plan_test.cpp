// The logon scripts' decisions, rule by rule: what each state, target, record,
// /force and fhswitch's status lead to, and what it must never lead to (a
// user's own setup replaced, a -D without the script's record, a failure
// recorded as done).
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "history/backup_settings.h"
#include "history/file_history.h"
#include "history/logon_plan.h"

namespace {

struct StateRead {
    StateStatus status;
    std::optional<bool> configured;
    std::optional<FH_BACKUP_STATUS> backups;
    std::optional<std::string> targetUrl;
    std::string failure;
    BackupSettings settings = {3600, FH_RETENTION_DISABLED, 365};  // File History's defaults
};

const StateRead kNotConfigured = {kStateNotConfigured, false, {}, {}, ""};
const StateRead kUnreadable = {kStateUnreadable, {}, {}, {}, "LoadConfiguration 0x80040300"};
StateRead On(const std::string& url, StateStatus status = kStateProtected) {
    return {status, true, FH_STATUS_ENABLED, url, ""};
}
StateRead Off(const std::string& url) { return {kStateOff, true, FH_STATUS_DISABLED, url, ""}; }

struct Expected {
    LogonAction action;
    RecordChange record;
    std::optional<int> status;
    EventType event;
    std::string reason;
    std::string meaning;
    TargetIs targetIs;
};

struct PlanCase {
    const char* name;
    LogonQuestion question;
    StateRead state;
    Expected plan;
};

LogonQuestion Enabling(const std::string& target, const std::string& recorded = "", bool force = false,
                       std::optional<int> ranWith = std::nullopt) {
    LogonQuestion question;
    question.target = target;
    question.recorded = recorded;
    question.force = force;
    question.ranWith = ranWith;
    return question;
}
LogonQuestion Disabling(const std::string& recorded, bool force = false, std::optional<int> ranWith = std::nullopt) {
    LogonQuestion question = Enabling("", recorded, force, ranWith);
    question.script = LogonScript::kDisable;
    return question;
}
// Every 10 minutes, versions kept 90 days, as the enable script was given them.
LogonQuestion WithSettings(LogonQuestion question, std::optional<int> settingsRanWith = std::nullopt,
                           const std::string& every = "10") {
    question.every = every;
    question.keep = "90";
    question.settingsRanWith = settingsRanWith;
    return question;
}
StateRead Set(StateRead state) {
    state.settings = {600, FH_RETENTION_AGE_BASED, 90};
    return state;
}

Expected Runs(LogonAction action, const std::string& why, TargetIs targetIs) {
    return {action, RecordChange::kKeep, std::nullopt, EventType::kNone, why, "", targetIs};
}

constexpr LogonAction kEnable = LogonAction::kEnable;
constexpr LogonAction kDisable = LogonAction::kDisable;
constexpr LogonAction kNothing = LogonAction::kNone;
constexpr RecordChange kKeep = RecordChange::kKeep;
constexpr RecordChange kWrite = RecordChange::kWrite;
constexpr RecordChange kDelete = RecordChange::kDelete;
constexpr EventType kInformation = EventType::kInformation;
constexpr EventType kWarning = EventType::kWarning;
constexpr EventType kError = EventType::kError;

const std::string kShare = "\\\\nas\\backups\\";
const std::string kUnreadableMeaning = "File History's state could not be read; nothing was changed";
const std::string kNotShownMeaning =
    "fhswitch ended with 0, but File History's state does not show it done; the next logon tries again";

class Plans : public ::testing::TestWithParam<PlanCase> {};

TEST_P(Plans, FollowTheirRule) {
    const PlanCase& row = GetParam();
    FileHistoryState state;
    state.configured = row.state.configured;
    state.backups = row.state.backups;
    state.targetUrl = row.state.targetUrl;
    state.failure = row.state.failure;
    state.settings = row.state.settings;
    const LogonPlan plan = PlanLogon(row.question, row.state.status, state);
    EXPECT_EQ(plan.action, row.plan.action);
    EXPECT_EQ(plan.record, row.plan.record);
    EXPECT_EQ(plan.status, row.plan.status);
    EXPECT_EQ(plan.event, row.plan.event);
    EXPECT_EQ(plan.reason, row.plan.reason);
    EXPECT_EQ(plan.meaning, row.plan.meaning);
    EXPECT_EQ(plan.targetIs, row.plan.targetIs);
}

const std::string kAlready = "already enabled";
const std::string kUsersOwn = "left the user's own File History configuration in place";
const std::string kNotOurs = "left as it is, not turned on by enable-file-history.cmd";

INSTANTIATE_TEST_SUITE_P(
    Enabling, Plans,
    ::testing::Values(
        PlanCase{"NoConfiguration", Enabling("\\\\nas\\backups"), kNotConfigured,
                 Runs(kEnable, "no configuration", TargetIs::kNone)},
        PlanCase{"NoTarget", Enabling("\\\\nas\\backups"), Off(""), Runs(kEnable, "no target", TargetIs::kNone)},
        PlanCase{"ThisTargetOff", Enabling("\\\\nas\\backups"), Off(kShare),
                 Runs(kEnable, "this target, backups off", TargetIs::kAsked)},
        PlanCase{"OnWithThisTarget", Enabling("\\\\nas\\backups"), On(kShare),
                 {kNothing, kWrite, 0, kInformation, kAlready, "nothing to do", TargetIs::kAsked}},
        PlanCase{"OnWithThisTargetInOtherCase", Enabling("\\\\NAS\\Жанна\\"), On("\\\\nas\\жанна\\"),
                 {kNothing, kWrite, 0, kInformation, kAlready, "nothing to do", TargetIs::kAsked}},
        PlanCase{"RehydratingWithThisTarget", Enabling("\\\\nas\\backups"),
                 {kStateProtected, true, FH_STATUS_REHYDRATING, kShare, ""},
                 {kNothing, kWrite, 0, kInformation, kAlready, "nothing to do", TargetIs::kAsked}},
        PlanCase{"NotTrackedYet", Enabling("\\\\nas\\backups"), On(kShare, kStatePending),
                 {kNothing, kWrite, 0, kInformation, kAlready, "nothing to do", TargetIs::kAsked}},
        // Nothing to do, but File History reports a problem: a Warning, for the log's filters.
        PlanCase{"OnWithAProblem", Enabling("\\\\nas\\backups"), On(kShare, kStateProblem),
                 {kNothing, kWrite, 0, kWarning, kAlready, "nothing to do", TargetIs::kAsked}},
        PlanCase{"TheRecordedTarget", Enabling("\\\\nas\\new", "\\\\nas\\backups"), On(kShare),
                 Runs(kEnable, "the target this script set before", TargetIs::kRecorded)},
        PlanCase{"TheRecordedTargetInOtherCase", Enabling("\\\\nas\\new", "\\\\NAS\\Backups\\Жанна"),
                 On("\\\\nas\\backups\\жанна\\"), Runs(kEnable, "the target this script set before", TargetIs::kRecorded)},
        PlanCase{"TheUsersOwn", Enabling("\\\\nas\\backups", "\\\\nas\\old"), On("E:\\"),
                 {kNothing, kKeep, 9010, kInformation, kUsersOwn, "the user set up File History; /force replaces it",
                  TargetIs::kOther}},
        // An empty record names no target, not even an empty one.
        PlanCase{"TheUsersOwnWithoutARecord", Enabling("\\\\nas\\backups"), On("E:\\"),
                 {kNothing, kKeep, 9010, kInformation, kUsersOwn, "the user set up File History; /force replaces it",
                  TargetIs::kOther}},
        PlanCase{"TheUsersOwnForced", Enabling("\\\\nas\\backups", "", true), On("E:\\"),
                 Runs(kEnable, "the user's own configuration, replaced as /force says", TargetIs::kOther)},
        PlanCase{"Unreadable", Enabling("\\\\nas\\backups", "\\\\nas\\backups"), kUnreadable,
                 {kNothing, kKeep, 9011, kError, "failed, LoadConfiguration 0x80040300", kUnreadableMeaning,
                  TargetIs::kNone}},
        PlanCase{"ComUnavailable", Enabling("\\\\nas\\backups"), {kStateComUnavailable, {}, {}, {}, "CoInitializeEx 0x80010106"},
                 {kNothing, kKeep, 9011, kError, "failed, CoInitializeEx 0x80010106", kUnreadableMeaning,
                  TargetIs::kNone}},
        PlanCase{"UnreadableForced", Enabling("\\\\nas\\backups", "", true), kUnreadable,
                 Runs(kEnable, "no configuration", TargetIs::kNone)},
        // Forced where only the protection could not be read: what was read still says there is nothing to do.
        PlanCase{"UnreadableForcedButOn", Enabling("\\\\nas\\backups", "", true), On(kShare, kStateUnreadable),
                 {kNothing, kWrite, 0, kWarning, kAlready, "nothing to do", TargetIs::kAsked}},
        PlanCase{"UnderPolicy", Enabling("\\\\nas\\backups"),
                 {kStateDisabledByPolicy, true, FH_STATUS_DISABLED_BY_GP, kShare, ""},
                 {kNothing, kKeep, 4, kWarning, "left as it is, turned off by group policy",
                  "backups are disabled by group policy", TargetIs::kAsked}},
        PlanCase{"UnderPolicyForced", Enabling("\\\\nas\\other", "", true),
                 {kStateDisabledByPolicy, true, FH_STATUS_DISABLED_BY_GP, kShare, ""},
                 {kNothing, kKeep, 4, kWarning, "left as it is, turned off by group policy",
                  "backups are disabled by group policy", TargetIs::kOther}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    AfterEnabling, Plans,
    ::testing::Values(
        PlanCase{"OnWithThisTarget", Enabling("\\\\nas\\backups", "", false, 0), On(kShare),
                 {kNothing, kWrite, 0, kInformation, "enabled", "done", TargetIs::kAsked}},
        PlanCase{"RehydratingWithThisTarget", Enabling("\\\\nas\\backups", "", false, 0),
                 {kStateProtected, true, FH_STATUS_REHYDRATING, kShare, ""},
                 {kNothing, kWrite, 0, kInformation, "enabled", "done", TargetIs::kAsked}},
        PlanCase{"NotTrackedYet", Enabling("\\\\nas\\backups", "", false, 0), On(kShare, kStatePending),
                 {kNothing, kWrite, 0, kInformation, "enabled", "done", TargetIs::kAsked}},
        PlanCase{"OffAfterwards", Enabling("\\\\nas\\backups", "", false, 0), Off(kShare),
                 {kNothing, kKeep, 9012, kError, "failed, not on with this target after fhswitch", kNotShownMeaning,
                  TargetIs::kAsked}},
        PlanCase{"AnotherTargetAfterwards", Enabling("\\\\nas\\backups", "", false, 0), On("E:\\"),
                 {kNothing, kKeep, 9012, kError, "failed, not on with this target after fhswitch", kNotShownMeaning,
                  TargetIs::kOther}},
        PlanCase{"UnreadableAfterwards", Enabling("\\\\nas\\backups", "", false, 0), kUnreadable,
                 {kNothing, kKeep, 9012, kError, "failed, not on with this target after fhswitch", kNotShownMeaning,
                  TargetIs::kNone}},
        // A failure is never recorded, even where File History shows the target on (one that failed at the service).
        PlanCase{"Failed", Enabling("\\\\nas\\backups", "", false, kServiceNotReloaded), On(kShare),
                 {kNothing, kKeep, 9, kError, "failed",
                  "the File History service could not be reached or did not reload", TargetIs::kAsked}},
        PlanCase{"Crashed", Enabling("\\\\nas\\backups", "", false, -1073741819), kNotConfigured,
                 {kNothing, kKeep, -1073741819, kError, "failed", "unknown status", TargetIs::kNone}}),
    [](const auto& info) { return std::string(info.param.name); });

const std::string kSettingsNotSet =
    "File History is on, but its backup settings are not as asked; the next logon tries again";

INSTANTIATE_TEST_SUITE_P(
    Settings, Plans,
    ::testing::Values(
        PlanCase{"OnWithOthers", WithSettings(Enabling("\\\\nas\\backups")), On(kShare),
                 Runs(LogonAction::kSetSettings, "the backup settings differ", TargetIs::kAsked)},
        PlanCase{"OnWithTheSame", WithSettings(Enabling("\\\\nas\\backups")), Set(On(kShare)),
                 {kNothing, kWrite, 0, kInformation, kAlready, "nothing to do", TargetIs::kAsked}},
        PlanCase{"SetWhereAlreadyOn", WithSettings(Enabling("\\\\nas\\backups"), 0), Set(On(kShare)),
                 {kNothing, kWrite, 0, kInformation, "already enabled, backup settings set", "done", TargetIs::kAsked}},
        PlanCase{"EnabledWithTheDefaults", WithSettings(Enabling("\\\\nas\\backups", "", false, 0)), On(kShare),
                 Runs(LogonAction::kSetSettings, "the backup settings differ", TargetIs::kAsked)},
        PlanCase{"EnabledAndSet", WithSettings(Enabling("\\\\nas\\backups", "", false, 0), 0), Set(On(kShare)),
                 {kNothing, kWrite, 0, kInformation, "enabled", "done", TargetIs::kAsked}},
        // The target is on and the script's either way: recorded, and the next logon sets them again.
        PlanCase{"NotSet", WithSettings(Enabling("\\\\nas\\backups", "", false, 0), kSettingsNotSaved), On(kShare),
                 {kNothing, kWrite, 9013, kError, "failed, the backup settings were not set", kSettingsNotSet,
                  TargetIs::kAsked}},
        PlanCase{"SetButShownOtherwise", WithSettings(Enabling("\\\\nas\\backups"), 0), On(kShare),
                 {kNothing, kWrite, 9013, kError, "failed, the backup settings were not set", kSettingsNotSet,
                  TargetIs::kAsked}},
        PlanCase{"FailedEnablingSetsNothing", WithSettings(Enabling("\\\\nas\\backups", "", false, kTargetNotValid)),
                 Off(""), {kNothing, kKeep, 6, kError, "failed",
                           "the target is neither valid nor an existing File History namespace", TargetIs::kNone}},
        PlanCase{"NeverOnTheUsersOwn", WithSettings(Enabling("\\\\nas\\backups")), On("E:\\"),
                 {kNothing, kKeep, 9010, kInformation, kUsersOwn, "the user set up File History; /force replaces it",
                  TargetIs::kOther}},
        PlanCase{"NeverUnderPolicy", WithSettings(Enabling("\\\\nas\\backups")),
                 {kStateDisabledByPolicy, true, FH_STATUS_DISABLED_BY_GP, kShare, ""},
                 {kNothing, kKeep, 4, kWarning, "left as it is, turned off by group policy",
                  "backups are disabled by group policy", TargetIs::kAsked}},
        // A value File History does not offer: nothing runs, whatever the state.
        PlanCase{"AValueNotOffered", WithSettings(Enabling("\\\\nas\\backups"), std::nullopt, "5"), kNotConfigured,
                 {kNothing, kKeep, 160, kError,
                  "failed, /every:5 is not a frequency File History offers: 10, 15, 20, 30, 60, 180, 360, 720 or 1440 minutes",
                  "the arguments were rejected", TargetIs::kNone}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Disabling, Plans,
    ::testing::Values(
        PlanCase{"TheRecordedTarget", Disabling("\\\\nas\\backups"), On(kShare),
                 Runs(kDisable, "the target the enable script set", TargetIs::kRecorded)},
        PlanCase{"TheRecordedTargetInOtherCase", Disabling("\\\\NAS\\Жанна"), Off("\\\\nas\\жанна\\"),
                 Runs(kDisable, "the target the enable script set", TargetIs::kRecorded)},
        PlanCase{"AnotherTarget", Disabling("\\\\nas\\backups"), On("E:\\"),
                 {kNothing, kKeep, 0, kInformation, kNotOurs, "nothing to do", TargetIs::kOther}},
        // Nothing the script did to undo: never -D, whatever is empty.
        PlanCase{"NeitherRecordNorTarget", Disabling(""), Off(""),
                 {kNothing, kKeep, 0, kInformation, kNotOurs, "nothing to do", TargetIs::kNone}},
        PlanCase{"NeitherRecordNorConfiguration", Disabling(""), kNotConfigured,
                 {kNothing, kKeep, 0, kInformation, kNotOurs, "nothing to do", TargetIs::kNone}},
        PlanCase{"ARecordAndNoConfiguration", Disabling("\\\\nas\\backups"), kNotConfigured,
                 {kNothing, kKeep, 0, kInformation, kNotOurs, "nothing to do", TargetIs::kNone}},
        PlanCase{"NoRecordAndTheUsersOwn", Disabling(""), On(kShare),
                 {kNothing, kKeep, 0, kInformation, kNotOurs, "nothing to do", TargetIs::kOther}},
        PlanCase{"Unreadable", Disabling("\\\\nas\\backups"), kUnreadable,
                 {kNothing, kKeep, 9011, kError, "failed, LoadConfiguration 0x80040300", kUnreadableMeaning,
                  TargetIs::kNone}},
        PlanCase{"Forced", Disabling("", true), On("E:\\"), Runs(kDisable, "forced", TargetIs::kOther)},
        PlanCase{"UnreadableForced", Disabling("", true), kUnreadable, Runs(kDisable, "forced", TargetIs::kNone)}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    AfterDisabling, Plans,
    ::testing::Values(
        PlanCase{"NoConfigurationLeft", Disabling("\\\\nas\\backups", false, 0), kNotConfigured,
                 {kNothing, kDelete, 0, kInformation, "disabled", "done", TargetIs::kNone}},
        PlanCase{"AConfigurationLeft", Disabling("\\\\nas\\backups", false, 0), On(kShare),
                 {kNothing, kKeep, 9012, kError, "failed, a configuration is left after fhswitch", kNotShownMeaning,
                  TargetIs::kRecorded}},
        PlanCase{"UnreadableAfterwards", Disabling("\\\\nas\\backups", true, 0), kUnreadable,
                 {kNothing, kKeep, 9012, kError, "failed, a configuration is left after fhswitch", kNotShownMeaning,
                  TargetIs::kNone}},
        PlanCase{"StopRefused", Disabling("\\\\nas\\backups", false, kStopRefused), On(kShare),
                 {kNothing, kKeep, 1, kError, "failed", "the service refused to stop backing up; no file was deleted",
                  TargetIs::kRecorded}}),
    [](const auto& info) { return std::string(info.param.name); });

struct RecordCase {
    const char* name;
    std::string file;
    std::string target;
};

class Records : public ::testing::TestWithParam<RecordCase> {};

// As the scripts wrote it since 1.0.0 (echo: CR LF), and as an editor may save it.
TEST_P(Records, NameTheirFirstLine) { EXPECT_EQ(RecordedTarget(GetParam().file), GetParam().target); }

INSTANTIATE_TEST_SUITE_P(
    Table, Records,
    ::testing::Values(RecordCase{"AsEchoWritesIt", "\\\\nas\\backups\r\n", "\\\\nas\\backups"},
                      RecordCase{"WithoutALineEnd", "\\\\nas\\Жанна", "\\\\nas\\Жанна"},
                      RecordCase{"WithAByteOrderMark", "\xEF\xBB\xBF\\\\nas\\backups\n", "\\\\nas\\backups"},
                      RecordCase{"OnlyTheFirstLine", "\\\\nas\\a\r\n\\\\nas\\b\r\n", "\\\\nas\\a"},
                      RecordCase{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
