// What File History does for the running user, read and never changed: the
// query beside the two operations, for fhstatus.
#pragma once

#include <optional>
#include <string>

#include "history/backup_settings.h"
#include "platform/fh_config.h"
#include "platform/win_api.h"

// fhstatus's exit status: the class of the state. The text beside each is
// its meaning, as every list of fhstatus's statuses gives it (README.md,
// README.txt, docs/deploying.md), word for word; tests/exit_statuses holds
// them to it.
enum StateStatus : int {
    kStateProtected = 0,         // on, and File History reports no error
    kStateNotConfigured = 1,     // the user has no File History configuration
    kStateOff = 2,               // backups are off
    kStateDisabledByPolicy = 3,  // backups are disabled by group policy
    kStateProblem = 4,           // backups are on, and File History reports a problem
    kStateUnreadable = 5,        // the state could not be read
    kStatePending = 6,           // backups are on with a target, and the File History service does not track the user yet
    kStateComUnavailable = 10,   // COM could not be initialised
    kStateArgumentsRejected = 160,  // the arguments were rejected
};

// What was read; nothing where it was not, or could not be.
struct FileHistoryState {
    std::optional<bool> configured;
    std::optional<FH_BACKUP_STATUS> backups;
    std::optional<std::string> targetUrl;  // UTF-8; "" where no target is assigned
    std::optional<std::string> targetName;
    std::optional<DWORD> protection;  // FH_STATE_*, FH_STATE_RUNNING ORed on while a backup runs
    std::optional<std::string> protectedUntil;
    BackupSettings settings;  // how often it backs up, how long it keeps versions
    std::string failure;  // the first call that failed and its HRESULT ("GetDefaultTarget 0x80004005"); "" if none
};

// What LoadConfiguration answers for a user without a configuration: File
// History's own code, or Windows' file or path not found.
bool IsNoConfiguration(HRESULT result);

// Reads the running user's File History state through the configuration
// manager, and says its class.
StateStatus ReadFileHistoryState(FileHistoryState* state);
