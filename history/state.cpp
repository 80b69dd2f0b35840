#include "history/state.h"

#include "platform/com.h"
#include "platform/fh_status.h"
#include "platform/text.h"

namespace {

// Keeps the first failure of the calls that read the state.
class Reading {
public:
    explicit Reading(FileHistoryState* state) : state_(state) {}
    // True when the call succeeded.
    bool Succeeded(const char* call, HRESULT result) {
        if (SUCCEEDED(result)) return true;
        if (state_->failure.empty()) state_->failure = std::string(call) + " 0x" + HexDigits(result, 8);
        return false;
    }
    bool Failed() const { return !state_->failure.empty(); }

private:
    FileHistoryState* state_;
};

// The target's URL and name; both empty where no target is assigned, which
// Windows may answer either way: ERROR_NOT_FOUND, or success and no target.
void ReadTarget(IFhConfigMgr* manager, FileHistoryState* state, Reading* reading) {
    ComPtr<IFhTarget> target;
    const HRESULT found = manager->GetDefaultTarget(target.put());
    if (found == kNoTargetAssigned || (SUCCEEDED(found) && !target)) {
        state->targetUrl = state->targetName = "";
        return;
    }
    if (!reading->Succeeded("GetDefaultTarget", found)) return;
    UniqueBstr url;
    UniqueBstr name;
    if (reading->Succeeded("FhTarget.GetStringProperty", target->GetStringProperty(FH_TARGET_URL, url.put()))) {
        state->targetUrl = BstrToUtf8(url.get());
    }
    if (reading->Succeeded("FhTarget.GetStringProperty", target->GetStringProperty(FH_TARGET_NAME, name.put()))) {
        state->targetName = BstrToUtf8(name.get());
    }
}

// The class of what was read; backups rehydrating count as on. With backups off or disabled by policy the
// protection state does not decide it, so a failure to read that alone
// leaves the class as the backups say.
StateStatus ClassOf(const FileHistoryState& state, bool anotherReadFailed) {
    if (!state.backups || anotherReadFailed) return kStateUnreadable;
    if (*state.backups == FH_STATUS_DISABLED_BY_GP || state.protection == FH_STATE_DISABLED_BY_GP) {
        return kStateDisabledByPolicy;
    }
    if (*state.backups == FH_STATUS_DISABLED || state.protection == FH_STATE_OFF) return kStateOff;
    if (!state.protection) return kStateUnreadable;
    // Right after enabling, or early at logon, the service has yet to pick the
    // user up: not protected, and no problem either.
    const bool hasTarget = state.targetUrl && !state.targetUrl->empty();
    if (*state.protection == FH_STATE_NOT_TRACKED && hasTarget) return kStatePending;
    return (*state.protection & ~FH_STATE_RUNNING) == FH_STATE_NO_ERROR ? kStateProtected : kStateProblem;
}

}  // namespace

bool IsNoConfiguration(HRESULT result) {
    return result == FHCFG_E_CONFIG_FILE_NOT_FOUND || result == static_cast<HRESULT>(0x80070002) ||
           result == static_cast<HRESULT>(0x80070003);
}

StateStatus ReadFileHistoryState(FileHistoryState* state) {
    Reading reading(state);
    const ComApartment apartment(COINIT_APARTMENTTHREADED);
    if (!reading.Succeeded("CoInitializeEx", apartment.result())) return kStateComUnavailable;

    // Declared after the apartment, so that it is released before the apartment is left.
    ComPtr<IFhConfigMgr> manager;
    if (!reading.Succeeded("CoCreateInstance", CoCreateInstance(CLSID_FhConfigMgr, nullptr, CLSCTX_INPROC_SERVER,
                                                                IID_IFhConfigMgr, manager.put_void()))) {
        return kStateUnreadable;
    }

    // Loading reads the user's configuration files; it writes nothing.
    const HRESULT loaded = manager->LoadConfiguration();
    if (IsNoConfiguration(loaded)) {
        state->configured = false;
        return kStateNotConfigured;
    }
    if (!reading.Succeeded("LoadConfiguration", loaded)) return kStateUnreadable;
    state->configured = true;

    FH_BACKUP_STATUS backups = FH_STATUS_DISABLED;
    if (reading.Succeeded("GetBackupStatus", manager->GetBackupStatus(&backups))) state->backups = backups;

    ReadTarget(manager.get(), state, &reading);
    const bool anotherReadFailed = reading.Failed();

    DWORD protection = FH_STATE_NOT_TRACKED;
    UniqueBstr protectedUntil;
    if (reading.Succeeded("QueryProtectionStatus", manager->QueryProtectionStatus(&protection, protectedUntil.put()))) {
        state->protection = protection;
        state->protectedUntil = BstrToUtf8(protectedUntil.get());
    }
    const StateStatus status = ClassOf(*state, anotherReadFailed);
    // The settings say nothing of protection: read last, they leave the class as it is.
    std::string settingsFailure;
    state->settings = ReadBackupSettings(manager.get(), &settingsFailure);
    if (state->failure.empty()) state->failure = settingsFailure;
    return status;
}  // On every path: the target and the manager are released, then the apartment left.
