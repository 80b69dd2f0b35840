// The two operations on the user's File History, and what a run ends with.
#pragma once

#include "platform/win_api.h"

// The process's exit status. The same number can mean different things in
// the two operations (1). The text beside each is the README's.
enum ExitStatus : int {
    kDone = 0,  // done, or (the dispatcher) nothing to do
    // EnableFileHistory
    kManagerNotCreated = 1,         // the configuration manager could not be created
    kConfigurationExists = 2,       // CreateDefaultConfiguration: FHCFG_E_CONFIG_ALREADY_EXISTS
    kConfigurationNotCreated = 3,   // CreateDefaultConfiguration failed otherwise
    kDisabledByPolicy = 4,          // backups are disabled by group policy
    kTargetNotValidated = 5,        // the ValidateTarget call failed
    kTargetNotValid = 6,            // neither a valid target nor an existing namespace
    kTargetNotProvisioned = 7,      // ProvisionAndSetNewTarget failed
    kBackupsNotEnabled = 8,         // SetBackupStatus failed
    kServiceNotReloaded = 9,        // opening the pipe, the reload or the close failed
    kComUnavailable = 10,           // COM could not be initialised (ComUnavailable)
    kConfigurationNotSaved = 11,    // SaveConfiguration failed
    // DisableFileHistory
    kStopRefused = 1,  // the service refused to stop backing up; nothing was deleted
    // the dispatcher
    kArgumentsRejected = 160,
};

// What EnableFileHistory throws when COM cannot be initialised: the sequence
// has no status for it, and hands it to the dispatcher, which prints kMessage
// and ends with kComUnavailable.
struct ComUnavailable {
    static constexpr char kMessage[] = "Unable to initialize COM";
};

// Sets up a fresh configuration with targetPath as the backup target (in the
// form the platform requires: ending in a backslash) and turns backups on.
// Returns kDone or the status of the step that failed; throws ComUnavailable.
ExitStatus EnableFileHistory(const WCHAR* targetPath);

// Stops backups and deletes the files at the top level of the user's File
// History configuration directory. Returns kDone, or kStopRefused (and then
// nothing is deleted). Prints nothing.
ExitStatus DisableFileHistory();
