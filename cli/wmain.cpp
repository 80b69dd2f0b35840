// fhswitch's Windows entry: its target may lie outside any code page.
#include "cli/dispatch.h"
#include "cli/utf8_arguments.h"

int wmain(int argc, wchar_t* argv[]) { return RunOnUtf8Arguments(argc, argv, Dispatch); }
