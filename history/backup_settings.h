// How often File History backs up and how long it keeps versions, for the
// running user: read by fhstatus, set by fhsettings and the enable script.
#pragma once

#include <optional>
#include <string>

#include "platform/fh_config.h"
#include "platform/win_api.h"

// fhsettings' exit status. The text beside each is its meaning, as every list
// of its statuses gives it (README.txt, docs/deploying.md), word
// for word; tests/exit_statuses holds them to it.
enum SettingsStatus : int {
    kSettingsDone = 0,                // done: the settings are as asked
    kSettingsNoConfiguration = 1,     // the user has no File History configuration; nothing was changed
    kSettingsValueRefused = 2,        // a value is not one File History's settings offer; nothing was changed
    kSettingsNotRead = 3,             // reading or setting the backup settings failed; nothing was changed
    kSettingsNotSaved = 4,            // saving the configuration failed; nothing was changed
    kSettingsServiceNotReloaded = 5,  // saved, but the File History service could not be reached or did not reload
    kSettingsComUnavailable = 10,     // COM could not be initialised
    kSettingsArgumentsRejected = 160,  // the arguments were rejected
};

// The three local policies; nothing where not read, or not asked for.
struct BackupSettings {
    std::optional<ULONGLONG> frequency;  // seconds from one backup's end to the next's start
    std::optional<ULONGLONG> retention;  // FH_RETENTION_TYPES
    std::optional<ULONGLONG> age;        // days; asked for with FH_RETENTION_AGE_BASED only
};

// "/every:<minutes>" and "/keep:<days>|forever|space", as a script is given
// them (the switch's text after the colon), into *settings. Only the values
// File History's settings page offers are taken, since no Microsoft page
// gives the values SetLocalPolicy accepts: every 10, 15, 20 or 30 minutes,
// or 1, 3, 6, 12 or 24 hours; versions kept forever, until space is needed,
// or for 30, 90, 180, 270, 365 or 730 days. The error says why a value is
// refused; "" when taken.
std::string TakeFrequency(const std::string& minutes, BackupSettings* settings);
std::string TakeRetention(const std::string& kept, BackupSettings* settings);

// Whether the asked settings differ from the read ones (a value not read differs).
bool DiffersFrom(const BackupSettings& asked, const BackupSettings& read);

// "FH_RETENTION_DISABLED", "FH_RETENTION_UNLIMITED", "FH_RETENTION_AGE_BASED", else "unknown".
const char* RetentionName(ULONGLONG retention);

// Reads the three policies of a loaded configuration; the first failing call
// and its HRESULT into *failure ("" if none).
BackupSettings ReadBackupSettings(IFhConfigMgr* manager, std::string* failure);

// What a run of SetBackupSettings read and left.
struct SettingsChange {
    BackupSettings before;
    BackupSettings after;   // as saved; as before where nothing was saved
    std::string failure;    // the call that failed and its HRESULT; "" if none
};

// Sets the asked policies on the user's current configuration, and no other
// setting, then saves it and has the service reload. Nothing is saved unless
// every value was taken, and nothing at all where nothing differs.
SettingsStatus SetBackupSettings(const BackupSettings& asked, SettingsChange* change);
