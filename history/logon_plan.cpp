#include "history/logon_plan.h"

#include "history/backup_settings.h"
#include "history/file_history.h"
#include "platform/files.h"

namespace {

std::string WithBackslash(std::string path) {
    if (!path.empty() && path.back() != '\\') path += '\\';
    return path;
}

// Whether File History's target is this one, as Windows compares paths; never
// where either is missing.
bool IsTarget(const FileHistoryState& state, const std::string& target) {
    return !target.empty() && state.targetUrl && !state.targetUrl->empty() &&
           IsSamePathUtf8(WithBackslash(*state.targetUrl), WithBackslash(target));
}

bool IsOn(const FileHistoryState& state) {
    return state.backups == FH_STATUS_ENABLED || state.backups == FH_STATUS_REHYDRATING;
}

bool IsReadable(StateStatus status) { return status != kStateUnreadable && status != kStateComUnavailable; }

TargetIs WhichTarget(const LogonQuestion& question, const FileHistoryState& state) {
    if (!state.targetUrl || state.targetUrl->empty()) return TargetIs::kNone;
    if (IsTarget(state, question.target)) return TargetIs::kAsked;
    return IsTarget(state, question.recorded) ? TargetIs::kRecorded : TargetIs::kOther;
}

LogonPlan Act(LogonAction action, const char* why) {
    LogonPlan plan;
    plan.action = action;
    plan.reason = why;
    return plan;
}

LogonPlan End(LogonScript script, int status, EventType event, std::string reason, RecordChange record) {
    LogonPlan plan;
    plan.record = record;
    plan.status = status;
    plan.event = event;
    plan.reason = std::move(reason);
    plan.meaning = ScriptStatusMeaning(script, status);
    return plan;
}

LogonPlan Unreadable(LogonScript script, const FileHistoryState& state) {
    return End(script, kScriptStateUnreadable, EventType::kError,
               "failed, " + (state.failure.empty() ? std::string("the state could not be read") : state.failure),
               RecordChange::kKeep);
}

// After fhswitch ran: its failure, or done only where File History now says so.
LogonPlan AfterRunning(LogonScript script, int ranWith, bool shownDone, const char* done, const char* notShown,
                       RecordChange onDone) {
    if (ranWith != kDone) return End(script, ranWith, EventType::kError, "failed", RecordChange::kKeep);
    if (!shownDone) return End(script, kScriptNotShownDone, EventType::kError, notShown, RecordChange::kKeep);
    return End(script, kDone, EventType::kInformation, done, onDone);
}

// The settings the script was given, or why one is refused; nothing where none was given.
std::optional<BackupSettings> AskedSettings(const LogonQuestion& question, std::string* refusal) {
    if (!question.every && !question.keep) return std::nullopt;
    BackupSettings asked;
    if (question.every) *refusal = TakeFrequency(*question.every, &asked);
    if (question.keep && refusal->empty()) *refusal = TakeRetention(*question.keep, &asked);
    return asked;
}

// On with this target, done or nothing to do: the backup settings as the
// script was given them, set where the state shows others. Set or not, the
// target is the script's.
LogonPlan WithSettings(const std::optional<BackupSettings>& asked, const LogonQuestion& question,
                       const FileHistoryState& state, LogonPlan done) {
    if (!asked) return done;
    const bool differ = DiffersFrom(*asked, state.settings);
    if (!question.settingsRanWith) return differ ? Act(LogonAction::kSetSettings, "the backup settings differ") : done;
    if (*question.settingsRanWith != kSettingsDone || differ) {
        return End(LogonScript::kEnable, kScriptSettingsNotSet, EventType::kError,
                   "failed, the backup settings were not set", RecordChange::kWrite);
    }
    if (done.reason == "already enabled") {
        done.reason = "already enabled, backup settings set";
        done.meaning = "done";
    }
    return done;
}

LogonPlan PlanEnabling(const LogonQuestion& question, StateStatus status, const FileHistoryState& state) {
    // A value File History does not offer is refused before anything is read or run.
    std::string refusal;
    const std::optional<BackupSettings> asked = AskedSettings(question, &refusal);
    if (!refusal.empty()) {
        return End(LogonScript::kEnable, kArgumentsRejected, EventType::kError, "failed, " + refusal,
                   RecordChange::kKeep);
    }
    const bool onWithTarget = IsTarget(state, question.target) && IsOn(state);
    if (question.ranWith) {
        // On with this target: the target is this script's, for the disable script.
        const LogonPlan ran = AfterRunning(LogonScript::kEnable, *question.ranWith, onWithTarget, "enabled",
                                           "failed, not on with this target after fhswitch", RecordChange::kWrite);
        return ran.status == kDone ? WithSettings(asked, question, state, ran) : ran;
    }
    // /force enables whatever the state; only the state can say there is nothing to do.
    if (!IsReadable(status) && !question.force) return Unreadable(LogonScript::kEnable, state);
    // Under the policy -E would reset the user's configuration, then fail
    // with 4: nothing runs, whatever /force says.
    if (status == kStateDisabledByPolicy) {
        return End(LogonScript::kEnable, kDisabledByPolicy, EventType::kWarning,
                   "left as it is, turned off by group policy", RecordChange::kKeep);
    }
    if (onWithTarget) {
        // On by an earlier run (one that failed only at the service, too): the
        // target is this script's. A report that File History is not
        // protecting is seen in the log's filters; not tracked yet is none.
        LogonPlan plan = End(LogonScript::kEnable, kDone,
                             status == kStateProtected || status == kStatePending ? EventType::kInformation
                                                                                  : EventType::kWarning,
                             "already enabled", RecordChange::kWrite);
        plan.meaning = "nothing to do";
        return WithSettings(asked, question, state, plan);
    }
    if (state.configured != true) return Act(LogonAction::kEnable, "no configuration");
    if (!state.targetUrl || state.targetUrl->empty()) return Act(LogonAction::kEnable, "no target");
    if (IsTarget(state, question.target)) return Act(LogonAction::kEnable, "this target, backups off");
    if (IsTarget(state, question.recorded)) return Act(LogonAction::kEnable, "the target this script set before");
    if (question.force) return Act(LogonAction::kEnable, "the user's own configuration, replaced as /force says");
    return End(LogonScript::kEnable, kScriptUsersOwnLeft, EventType::kInformation,
               "left the user's own File History configuration in place", RecordChange::kKeep);
}

LogonPlan PlanDisabling(const LogonQuestion& question, StateStatus status, const FileHistoryState& state) {
    if (question.ranWith) {
        // Only a run that cleared the configuration ends what the record says.
        return AfterRunning(LogonScript::kDisable, *question.ranWith, state.configured == false, "disabled",
                            "failed, a configuration is left after fhswitch", RecordChange::kDelete);
    }
    if (question.force) return Act(LogonAction::kDisable, "forced");
    if (!IsReadable(status)) return Unreadable(LogonScript::kDisable, state);
    // Only where the current target is the one the enable script set: with
    // no record there is nothing of the script's to undo.
    if (IsTarget(state, question.recorded)) return Act(LogonAction::kDisable, "the target the enable script set");
    LogonPlan plan = End(LogonScript::kDisable, kDone, EventType::kInformation,
                         "left as it is, not turned on by enable-file-history.cmd", RecordChange::kKeep);
    plan.meaning = "nothing to do";
    return plan;
}

}  // namespace

LogonPlan PlanLogon(const LogonQuestion& question, StateStatus status, const FileHistoryState& state) {
    LogonPlan plan = question.script == LogonScript::kEnable ? PlanEnabling(question, status, state) : PlanDisabling(question, status, state);
    plan.targetIs = WhichTarget(question, state);
    return plan;
}

std::string RecordedTarget(std::string_view record) {
    static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (record.substr(0, kByteOrderMark.size()) == kByteOrderMark) record.remove_prefix(kByteOrderMark.size());
    return std::string(record.substr(0, record.find_first_of("\r\n")));
}

const char* ScriptStatusMeaning(LogonScript script, int status) {
    switch (status) {
        case kDone: return "done";
        case kScriptProgramsNotFound:
            return "fhswitch.exe and fhstatus.exe are not both beside this script or in Program Files\\fhswitch";
        case kScriptStateUnreadable: return "File History's state could not be read; nothing was changed";
        case kScriptNotShownDone:
            return "fhswitch ended with 0, but File History's state does not show it done; the next logon tries again";
    }
    if (script == LogonScript::kDisable) {
        return status == kStopRefused ? "the service refused to stop backing up; no file was deleted" : "unknown status";
    }
    switch (status) {
        case kManagerNotCreated: return "the File History configuration manager could not be created";
        case kConfigurationExists:
            return "creating the default configuration failed with FHCFG_E_CONFIG_ALREADY_EXISTS";
        case kConfigurationNotCreated: return "creating the default configuration failed otherwise";
        case kDisabledByPolicy: return "backups are disabled by group policy";
        case kTargetNotValidated: return "the target could not be validated";
        case kTargetNotValid: return "the target is neither valid nor an existing File History namespace";
        case kTargetNotProvisioned: return "provisioning the target failed";
        case kBackupsNotEnabled: return "switching backups on failed";
        case kServiceNotReloaded: return "the File History service could not be reached or did not reload";
        case kComUnavailable: return "COM could not be initialised";
        case kConfigurationNotSaved: return "saving the configuration failed";
        case kEarlierBackupNotReconnected:
            return "the target holds an earlier backup of this user and PC, and reconnecting to it failed; nothing "
                   "was deleted";
        case kArgumentsRejected: return "the arguments were rejected";
        case kScriptUsersOwnLeft: return "the user set up File History; /force replaces it";
        case kScriptSettingsNotSet:
            return "File History is on, but its backup settings are not as asked; the next logon tries again";
    }
    return "unknown status";
}
