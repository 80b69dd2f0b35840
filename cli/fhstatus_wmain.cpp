// fhstatus's Windows entry: the targets a script asks about may lie outside any code page.
#include "cli/status_report.h"
#include "cli/utf8_arguments.h"

int wmain(int argc, wchar_t* argv[]) { return RunOnUtf8Arguments(argc, argv, ReportStatus); }
