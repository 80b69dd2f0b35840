// fhsettings' Windows entry, on the arguments in UTF-16 as the others take them.
#include "cli/settings_command.h"
#include "cli/utf8_arguments.h"

int wmain(int argc, wchar_t* argv[]) { return RunOnUtf8Arguments(argc, argv, SetSettingsFromCommandLine); }
