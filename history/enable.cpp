#include <string>
#include <vector>

#include "history/file_history.h"
#include "history/reconnect.h"
#include "history/service_reload.h"
#include "history/target_url.h"
#include "platform/com.h"
#include "platform/fh_config.h"
#include "platform/console.h"
#include "platform/text.h"

namespace {

// Whether the configuration's backups are on, or coming back on as its
// backup is rehydrated. A failing query says no: switching on is then tried.
bool BackupsOnOrRehydrating(IFhConfigMgr* manager) {
    FH_BACKUP_STATUS status = FH_STATUS_DISABLED;
    return SUCCEEDED(manager->GetBackupStatus(&status)) &&
           (status == FH_STATUS_ENABLED || status == FH_STATUS_REHYDRATING);
}

}  // namespace

ExitStatus EnableFileHistory(const WCHAR* targetPath) {
    // The target and the empty display name, as BSTRs made before COM and freed after it.
    static constexpr WCHAR kNoName[] = {0};
    const UniqueBstr target(SysAllocString(TargetUrl(targetPath).data()));
    const UniqueBstr name(SysAllocString(kNoName));

    // A single-threaded apartment for the whole sequence.
    const ComApartment apartment(COINIT_APARTMENTTHREADED);
    if (!apartment) throw ComUnavailable();

    // The configuration manager, declared after the apartment so that it is
    // released before the apartment is left.
    ComPtr<IFhConfigMgr> manager;
    if (FAILED(CoCreateInstance(CLSID_FhConfigMgr, nullptr, CLSCTX_INPROC_SERVER, IID_IFhConfigMgr,
                                manager.put_void()))) {
        return kManagerNotCreated;
    }

    // A fresh default configuration, overwriting any.
    WriteLine("Creating default configuration");
    const HRESULT created = manager->CreateDefaultConfiguration(TRUE);
    if (created == FHCFG_E_CONFIG_ALREADY_EXISTS) return kConfigurationExists;
    if (FAILED(created)) return kConfigurationNotCreated;

    // Policy may forbid backups. A failing query leaves "not disabled by policy".
    FH_BACKUP_STATUS backupStatus = FH_STATUS_DISABLED;
    manager->GetBackupStatus(&backupStatus);
    if (backupStatus == FH_STATUS_DISABLED_BY_GP) return kDisabledByPolicy;

    // The target must be usable, or already hold a File History namespace.
    FH_DEVICE_VALIDATION_RESULT validation = FH_ACCESS_DENIED;
    if (FAILED(manager->ValidateTarget(target.get(), &validation))) return kTargetNotValidated;

    // The target is written as text, never used as a format.
    if (validation != FH_VALID_TARGET && validation != FH_NAMESPACE_EXISTS) {
        WriteLine("Error: " + BstrToUtf8(target.get()) + " is not a valid target");
        return kTargetNotValid;
    }

    // Provisioning a target that holds this user's backup of this PC deletes
    // that backup: reconnect to it instead, and never provision there.
    WriteLine("Provisioning and setting target");
    const bool reconnecting = validation == FH_NAMESPACE_EXISTS;
    if (reconnecting) {
        if (FAILED(ReconnectToEarlierBackup(&manager, target.get()))) return kEarlierBackupNotReconnected;
    } else if (FAILED(manager->ProvisionAndSetNewTarget(target.get(), name.get()))) {
        return kTargetNotProvisioned;
    }

    // A reconnected configuration may have backups on already, or be still
    // rehydrating: it is left as it is, with nothing to save.
    WriteLine("Enabling File History");
    if (!reconnecting || !BackupsOnOrRehydrating(manager.get())) {
        if (FAILED(manager->SetBackupStatus(FH_STATUS_ENABLED))) return kBackupsNotEnabled;
        // Until it is saved, the new target and status live in the manager only.
        if (FAILED(manager->SaveConfiguration())) return kConfigurationNotSaved;
    }

    WriteLine("Scheduling regular backups");
    if (FAILED(ReloadServiceConfiguration())) return kServiceNotReloaded;

    // A failed recommendation is only a warning.
    WriteLine("Recommending target to Homegroup");
    const HRESULT recommended = manager->ChangeDefaultTargetRecommendation(TRUE);
    if (FAILED(recommended)) {
        WriteLine("Warning: Failed to recommend target to Homegroup (0x" + HexDigits(recommended) + ")");
    }

    WriteLine("Success! File History is now enabled");
    return kDone;
}  // On every path: the manager is released, then the apartment left, then the strings freed.
