#include "cli/status_report.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "cli/switches.h"
#include "history/logon_plan.h"
#include "history/state.h"
#include "history/target_scan.h"
#include "platform/console.h"
#include "platform/fh_status.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

const char* ClassName(StateStatus status) {
    switch (status) {
        case kStateProtected: return "protected";
        case kStateNotConfigured: return "not-configured";
        case kStateOff: return "off";
        case kStateDisabledByPolicy: return "disabled-by-policy";
        case kStateProblem: return "problem";
        case kStateUnreadable: return "unreadable";
        case kStatePending: return "pending";
        case kStateComUnavailable: return "com-unavailable";
        case kStateArgumentsRejected: break;
    }
    return "";
}

std::string BackupsName(FH_BACKUP_STATUS backups) {
    switch (backups) {
        case FH_STATUS_DISABLED: return "off";
        case FH_STATUS_DISABLED_BY_GP: return "disabled-by-policy";
        case FH_STATUS_ENABLED: return "on";
        case FH_STATUS_REHYDRATING: return "rehydrating";
    }
    return "unknown";
}

struct NamedState {
    DWORD state;
    const char* name;
};
constexpr NamedState kProtectionStates[] = {
    {FH_STATE_NOT_TRACKED, "FH_STATE_NOT_TRACKED"},
    {FH_STATE_OFF, "FH_STATE_OFF"},
    {FH_STATE_DISABLED_BY_GP, "FH_STATE_DISABLED_BY_GP"},
    {FH_STATE_FATAL_CONFIG_ERROR, "FH_STATE_FATAL_CONFIG_ERROR"},
    {FH_STATE_MIGRATING, "FH_STATE_MIGRATING"},
    {FH_STATE_REHYDRATING, "FH_STATE_REHYDRATING"},
    {FH_STATE_TARGET_FS_LIMITATION, "FH_STATE_TARGET_FS_LIMITATION"},
    {FH_STATE_TARGET_ACCESS_DENIED, "FH_STATE_TARGET_ACCESS_DENIED"},
    {FH_STATE_TARGET_VOLUME_DIRTY, "FH_STATE_TARGET_VOLUME_DIRTY"},
    {FH_STATE_TARGET_FULL_RETENTION_MAX, "FH_STATE_TARGET_FULL_RETENTION_MAX"},
    {FH_STATE_TARGET_FULL, "FH_STATE_TARGET_FULL"},
    {FH_STATE_STAGING_FULL, "FH_STATE_STAGING_FULL"},
    {FH_STATE_TARGET_LOW_SPACE_RETENTION_MAX, "FH_STATE_TARGET_LOW_SPACE_RETENTION_MAX"},
    {FH_STATE_TARGET_LOW_SPACE, "FH_STATE_TARGET_LOW_SPACE"},
    {FH_STATE_TARGET_ABSENT, "FH_STATE_TARGET_ABSENT"},
    {FH_STATE_TOO_MUCH_BEHIND, "FH_STATE_TOO_MUCH_BEHIND"},
    {FH_STATE_NO_ERROR, "FH_STATE_NO_ERROR"},
    {FH_STATE_BACKUP_NOT_SUPPORTED, "FH_STATE_BACKUP_NOT_SUPPORTED"},
};

const char* ProtectionName(DWORD state) {
    for (const NamedState& named : kProtectionStates) {
        if (named.state == state) return named.name;
    }
    return nullptr;
}

// A state with FH_STATE_RUNNING ORed on, as FH_STATE_RUNNING goes: only onto
// the states from FH_STATE_TARGET_FS_LIMITATION on.
bool IsRunning(DWORD state) {
    const DWORD base = state & ~FH_STATE_RUNNING;
    return (state & FH_STATE_RUNNING) != 0 && base >= FH_STATE_TARGET_FS_LIMITATION && ProtectionName(base) != nullptr;
}

void WriteField(const char* name, const std::string& value) { WriteLine(std::string(name) + "=" + value); }

// Every name, in this order, whatever was read: a value not read is empty.
void WriteState(StateStatus status, const FileHistoryState& state) {
    WriteField("state", ClassName(status));
    WriteField("configuration", !state.configured ? "" : *state.configured ? "yes" : "no");
    WriteField("backups", state.backups ? BackupsName(*state.backups) : "");
    WriteField("target_url", state.targetUrl.value_or(""));
    WriteField("target_name", state.targetName.value_or(""));
    std::string name;
    std::string number;
    std::string running;
    if (state.protection) {
        const DWORD base = IsRunning(*state.protection) ? *state.protection & ~FH_STATE_RUNNING : *state.protection;
        const char* known = ProtectionName(base);
        name = known ? known : "unknown";
        number = "0x" + HexDigits(*state.protection, 2);
        running = IsRunning(*state.protection) ? "yes" : "no";
    }
    WriteField("protection", name);
    WriteField("protection_number", number);
    WriteField("backup_running", running);
    WriteField("protected_until", state.protectedUntil.value_or(""));
    WriteField("error", state.failure);
    // After the first ten, so that their readers read on alike.
    const BackupSettings& settings = state.settings;
    WriteField("frequency", settings.frequency ? std::to_string(*settings.frequency) : "");
    WriteField("retention_type", settings.retention ? RetentionName(*settings.retention) : "");
    WriteField("retention_age", settings.age ? std::to_string(*settings.age) : "");
}

const char* ValidationName(FH_DEVICE_VALIDATION_RESULT validation) {
    switch (validation) {
        case FH_ACCESS_DENIED: return "FH_ACCESS_DENIED";
        case FH_INVALID_DRIVE_TYPE: return "FH_INVALID_DRIVE_TYPE";
        case FH_READ_ONLY_PERMISSION: return "FH_READ_ONLY_PERMISSION";
        case FH_CURRENT_DEFAULT: return "FH_CURRENT_DEFAULT";
        case FH_NAMESPACE_EXISTS: return "FH_NAMESPACE_EXISTS";
        case FH_TARGET_PART_OF_LIBRARY: return "FH_TARGET_PART_OF_LIBRARY";
        case FH_VALID_TARGET: return "FH_VALID_TARGET";
        default: return "unknown";
    }
}

// A FILETIME's ticks as "YYYY-MM-DD HH:MM:SS", UTC: days to a civil date by
// the proleptic Gregorian calendar, as Windows counts from 1601.
std::string UtcTime(unsigned long long ticks) {
    const unsigned long long seconds = ticks / 10000000;
    // 584694 days from 0000-03-01 (years counted from March) to 1601-01-01.
    const unsigned long long days = seconds / 86400 + 584694;
    const unsigned long long era = days / 146097;
    const unsigned long long dayOfEra = days % 146097;
    const unsigned long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned long long monthFromMarch = (5 * dayOfYear + 2) / 153;
    const unsigned long long day = dayOfYear - (153 * monthFromMarch + 2) / 5 + 1;
    const unsigned long long month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
    const unsigned long long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    const unsigned long long secondOfDay = seconds % 86400;
    char text[128];  // room for the widest values
    std::snprintf(text, sizeof text, "%04llu-%02llu-%02llu %02llu:%02llu:%02llu", year, month, day,
                  secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60);
    return text;
}

// A status as cmd's %ERRORLEVEL% gives it: decimal, negative for a crash.
std::optional<int> StatusNumber(const char* text) {
    const bool negative = *text == '-';
    if (negative) ++text;
    long long value = 0;
    if (*text == '\0') return std::nullopt;
    for (; *text != '\0'; ++text) {
        if (*text < '0' || *text > '9' || value > 2147483648LL) return std::nullopt;
        value = value * 10 + (*text - '0');
    }
    value = negative ? -value : value;
    if (value < -2147483648LL || value > 2147483647LL) return std::nullopt;
    return static_cast<int>(value);
}

// "/plan-enable <target> [<record>] [/force] [/after:<status>]" or
// "/plan-disable [<record>] [/force] [/after:<status>]", the record being the
// enable script's file, read here: cmd under Wine cannot read non-ASCII text
// from a file. Nothing for any other command line.
std::optional<LogonQuestion> AskedPlan(int argc, char* argv[]) {
    if (argc < 2) return std::nullopt;
    LogonQuestion question;
    int next = 2;
    if (IsSwitch(argv[1], "/plan-enable")) {
        if (argc < 3 || argv[2][0] == '\0') return std::nullopt;
        question.target = argv[next++];
    } else if (IsSwitch(argv[1], "/plan-disable")) {
        question.script = LogonScript::kDisable;
    } else {
        return std::nullopt;
    }
    bool recordGiven = false;
    for (; next < argc; ++next) {
        const char* ranWith = AfterSwitch(argv[next], "/after:");
        const char* settingsRanWith = AfterSwitch(argv[next], "/applied:");
        const char* every = AfterSwitch(argv[next], "/every:");
        const char* keep = AfterSwitch(argv[next], "/keep:");
        const bool enabling = question.script == LogonScript::kEnable;
        if (IsSwitch(argv[next], "/force") && !question.force) {
            question.force = true;
        } else if (ranWith != nullptr && !question.ranWith) {
            question.ranWith = StatusNumber(ranWith);
            if (!question.ranWith) return std::nullopt;
        } else if (settingsRanWith != nullptr && enabling && !question.settingsRanWith) {
            question.settingsRanWith = StatusNumber(settingsRanWith);
            if (!question.settingsRanWith) return std::nullopt;
        } else if (every != nullptr && enabling && !question.every) {
            question.every = every;  // its value is the plan's to refuse, with the reason
        } else if (keep != nullptr && enabling && !question.keep) {
            question.keep = keep;
        } else if (!recordGiven && !ranWith && !settingsRanWith && !every && !keep && !IsSwitch(argv[next], "/force")) {
            // A record longer than any path names no target; one that cannot be read is none.
            constexpr size_t kLongestRecord = 128 * 1024;
            const std::optional<std::string> record = ReadFileStartUtf8(argv[next], kLongestRecord);
            if (record) question.recorded = RecordedTarget(*record);
            recordGiven = true;
        } else {
            return std::nullopt;
        }
    }
    return question;
}

const char* ActionName(LogonAction action) {
    switch (action) {
        case LogonAction::kNone: return "none";
        case LogonAction::kEnable: return "enable";
        case LogonAction::kDisable: return "disable";
        case LogonAction::kSetSettings: return "settings";
    }
    return "";
}

const char* RecordName(RecordChange change) {
    switch (change) {
        case RecordChange::kKeep: return "keep";
        case RecordChange::kWrite: return "write";
        case RecordChange::kDelete: return "delete";
    }
    return "";
}

// As eventcreate's /t takes it.
const char* EventName(EventType event) {
    switch (event) {
        case EventType::kNone: return "";
        case EventType::kInformation: return "INFORMATION";
        case EventType::kWarning: return "WARNING";
        case EventType::kError: return "ERROR";
    }
    return "";
}

const char* TargetIsName(TargetIs which) {
    switch (which) {
        case TargetIs::kNone: return "none";
        case TargetIs::kAsked: return "asked";
        case TargetIs::kRecorded: return "recorded";
        case TargetIs::kOther: return "other";
    }
    return "";
}

// After the state's lines, so that a reader of those reads these alike.
void WritePlan(const LogonPlan& plan) {
    WriteField("action", ActionName(plan.action));
    WriteField("record", RecordName(plan.record));
    WriteField("status", plan.status ? std::to_string(*plan.status) : "");
    WriteField("event", EventName(plan.event));
    WriteField("reason", plan.reason);
    WriteField("meaning", plan.meaning);
    WriteField("target_is", TargetIsName(plan.targetIs));
}

// The target, its validation, how many configurations it holds, then each
// one's four lines, numbered from 1; a value not read is empty.
void WriteScan(const TargetScan& scan) {
    WriteField("target_url", scan.targetUrl);
    WriteField("validation", scan.validation ? ValidationName(*scan.validation) : "");
    WriteField("configurations", scan.configurations ? std::to_string(scan.configurations->size()) : "");
    for (size_t index = 0; scan.configurations && index < scan.configurations->size(); ++index) {
        const ScannedConfiguration& found = (*scan.configurations)[index];
        const std::string number = std::to_string(index + 1);
        WriteField(("user_" + number).c_str(), found.userName);
        WriteField(("pc_" + number).c_str(), found.pcName);
        WriteField(("backup_time_" + number).c_str(), UtcTime(found.backupTime));
        WriteField(("this_user_on_this_pc_" + number).c_str(), found.thisUsersOnThisPc ? "yes" : "no");
    }
    WriteField("error", scan.failure);
}

}  // namespace

int ReportStatus(int argc, char* argv[]) {
    if (argc == 2 && std::strcmp(argv[1], "/?") == 0) {
        WriteLine("Reports the current user's File History state, changing nothing.");
        WriteLine("fhstatus       name=value lines; the exit status is the state's class");
        WriteLine("fhstatus /scan <target>");
        WriteLine("               the File History backups the target holds; reads them, selects none");
        WriteLine("fhstatus /plan-enable <target> [<record file>] [/force] [/every:<minutes>]");
        WriteLine("               [/keep:<days>|forever|space] [/after:<status>] [/applied:<status>]");
        WriteLine("fhstatus /plan-disable [<record file>] [/force] [/after:<status>]");
        WriteLine("               the state, then what the logon script does next: action, record,");
        WriteLine("               status, event, reason; /after: and /applied: give fhswitch's and");
        WriteLine("               fhsettings' statuses once they ran");
        WriteLine("fhstatus /?    this usage");
        return 0;  // as fhswitch's usage does
    }
    const bool scanning = argc == 3 && IsSwitch(argv[1], "/scan") && argv[2][0] != '\0';
    const std::optional<LogonQuestion> question = AskedPlan(argc, argv);
    if (argc != 1 && !scanning && !question) {
        WriteLine("fhstatus takes no arguments, /scan and a target, or a /plan-enable or /plan-disable; "
                  "fhstatus /? shows its usage");
        return kStateArgumentsRejected;
    }
    if (scanning) {
        TargetScan scan;
        const int status = ScanTarget(argv[2], &scan);
        WriteScan(scan);
        return status;
    }
    FileHistoryState state;
    const StateStatus status = ReadFileHistoryState(&state);
    WriteState(status, state);
    if (question) WritePlan(PlanLogon(*question, status, state));
    return status;
}
