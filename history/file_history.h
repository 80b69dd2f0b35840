// The two operations on the user's File History.
#pragma once

#include "platform/win_api.h"

// Sets up a fresh configuration with targetPath as the backup target (in the
// form the platform requires: ending in a backslash) and turns backups on.
// Returns 0, or 1 to 9 or 11 (the save failed) for the step that failed. When
// COM cannot be initialised it throws the text "Unable to initialize COM"
// (const char*).
int EnableFileHistory(const WCHAR* targetPath);

// Stops backups and deletes the files at the top level of the user's File
// History configuration directory. Returns 0, or 1 when the service refused to
// stop (and then nothing is deleted). Prints nothing.
int DisableFileHistory();
