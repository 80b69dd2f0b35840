// fhsettings' Linux entry: its arguments arrive in UTF-8.
#include "cli/settings_command.h"

int main(int argc, char* argv[]) { return SetSettingsFromCommandLine(argc, argv); }
