// The two operations on the user's File History, and what a run ends with.
#pragma once

#include "platform/win_api.h"

// The process's exit status. The same number can mean different things in
// the two operations (1). The text beside each is its meaning, as every list
// of statuses gives it (README.md, README.txt, docs/deploying.md, the logon
// scripts' log lines), word for word; tests/exit_statuses holds them, and the
// fuzz oracle's names, to it.
enum ExitStatus : int {
    kDone = 0,  // done
    // EnableFileHistory
    kManagerNotCreated = 1,        // the File History configuration manager could not be created
    kConfigurationExists = 2,      // creating the default configuration failed with FHCFG_E_CONFIG_ALREADY_EXISTS
    kConfigurationNotCreated = 3,  // creating the default configuration failed otherwise
    kDisabledByPolicy = 4,         // backups are disabled by group policy
    kTargetNotValidated = 5,       // the target could not be validated
    kTargetNotValid = 6,           // the target is neither valid nor an existing File History namespace
    kTargetNotProvisioned = 7,     // provisioning the target failed
    kBackupsNotEnabled = 8,        // switching backups on failed
    kServiceNotReloaded = 9,       // the File History service could not be reached or did not reload
    kComUnavailable = 10,          // COM could not be initialised
    kConfigurationNotSaved = 11,   // saving the configuration failed
    kEarlierBackupNotReconnected = 12,  // the target holds an earlier backup of this user and PC, and reconnecting to it failed; nothing was deleted
    // DisableFileHistory
    kStopRefused = 1,  // the service refused to stop backing up; no file was deleted
    // the dispatcher
    kArgumentsRejected = 160,  // the arguments were rejected
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
