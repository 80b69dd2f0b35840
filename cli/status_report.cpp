#include "cli/status_report.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "history/state.h"
#include "history/target_scan.h"
#include "platform/console.h"
#include "platform/fh_status.h"
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

// "/scan", in any case, as cmd's switches are typed.
bool IsScanSwitch(const char* argument) {
    static constexpr char kScan[] = "/scan";
    for (size_t i = 0; i < sizeof kScan; ++i) {
        const char c = argument[i] >= 'A' && argument[i] <= 'Z' ? static_cast<char>(argument[i] - 'A' + 'a') : argument[i];
        if (c != kScan[i]) return false;
    }
    return true;
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
        WriteLine("fhstatus /?    this usage");
        return 0;  // as fhswitch's usage does
    }
    const bool scanning = argc == 3 && IsScanSwitch(argv[1]) && argv[2][0] != '\0';
    if (argc != 1 && !scanning) {
        WriteLine("fhstatus takes no arguments, or /scan and a target; fhstatus /? shows its usage");
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
    return status;
}
