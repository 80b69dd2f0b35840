#include "cli/status_report.h"

#include <cstring>
#include <string>

#include "history/state.h"
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

}  // namespace

int ReportStatus(int argc, char* argv[]) {
    if (argc == 2 && std::strcmp(argv[1], "/?") == 0) {
        WriteLine("Reports the current user's File History state, changing nothing.");
        WriteLine("fhstatus       name=value lines; the exit status is the state's class");
        WriteLine("fhstatus /?    this usage");
        return 0;  // as fhswitch's usage does
    }
    if (argc != 1) {
        WriteLine("fhstatus takes no arguments; fhstatus /? shows its usage");
        return kStateArgumentsRejected;
    }
    FileHistoryState state;
    const StateStatus status = ReadFileHistoryState(&state);
    WriteState(status, state);
    return status;
}
