// fhsettings' command line: sets the backup settings, or prints its usage.
#pragma once

// Runs fhsettings on the runtime's argument count and argument vector
// (UTF-8) and returns the process exit status (a SettingsStatus).
int SetSettingsFromCommandLine(int argc, char* argv[]);
