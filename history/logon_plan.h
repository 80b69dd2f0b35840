// What the logon scripts do at a logon, decided from File History's state:
// the scripts only act on it, so every rule lives here, beside the query.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "history/state.h"

// The logon scripts' own statuses, beside fhswitch's. The text beside each is
// its meaning, as the scripts' log lines and the guide give it, word for
// word; tests/exit_statuses holds them to it.
enum ScriptStatus : int {
    kScriptProgramsNotFound = 9009,  // fhswitch.exe and fhstatus.exe are not both beside this script or in Program Files\fhswitch
    kScriptUsersOwnLeft = 9010,      // the user set up File History; /force replaces it
    kScriptStateUnreadable = 9011,   // File History's state could not be read; nothing was changed
    kScriptNotShownDone = 9012,      // fhswitch ended with 0, but File History's state does not show it done; the next logon tries again
    kScriptSettingsNotSet = 9013,    // File History is on, but its backup settings are not as asked; the next logon tries again
};

enum class LogonScript { kEnable, kDisable };

// What a script asks: before it acts, and again once fhswitch has run.
struct LogonQuestion {
    LogonScript script = LogonScript::kEnable;
    std::string target;     // the enable script's, as given, variables expanded; UTF-8
    std::string recorded;   // the target the enable script recorded; "" where none
    bool force = false;
    std::optional<int> ranWith;  // fhswitch's exit status, once it ran
    // The enable script's /every: and /keep: values as given; nothing where not given.
    std::optional<std::string> every;
    std::optional<std::string> keep;
    std::optional<int> settingsRanWith;  // fhsettings' exit status, once it ran
};

// The target the enable script recorded: its record's first line, without
// the line end or a UTF-8 byte order mark.
std::string RecordedTarget(std::string_view record);

enum class LogonAction { kNone, kEnable, kDisable, kSetSettings };
enum class RecordChange { kKeep, kWrite, kDelete };
enum class EventType { kNone, kInformation, kWarning, kError };
// Which File History's target is, for the log to show the script's own as the
// script has it: cmd under Wine cannot read a program's non-ASCII text back.
enum class TargetIs { kNone, kAsked, kRecorded, kOther };

// What to do. Where the action is to run fhswitch or fhsettings, the outcome
// waits for the question asked again with its status: no status, no event,
// and the reason says why it runs.
struct LogonPlan {
    LogonAction action = LogonAction::kNone;
    RecordChange record = RecordChange::kKeep;
    std::optional<int> status;
    EventType event = EventType::kNone;
    std::string reason;       // plain words, the log line's first
    std::string meaning;      // the status's, as the log line gives it
    TargetIs targetIs = TargetIs::kNone;
};

LogonPlan PlanLogon(const LogonQuestion& question, StateStatus status, const FileHistoryState& state);

// The meaning of a status the script ends with, as its log line gives it;
// "unknown status" for one the script does not know.
const char* ScriptStatusMeaning(LogonScript script, int status);
