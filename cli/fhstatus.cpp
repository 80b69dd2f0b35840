// fhstatus's entry, on both platforms: its only argument is ASCII, so the
// narrow arguments serve whatever the code page.
#include "cli/status_report.h"

int main(int argc, char* argv[]) { return ReportStatus(argc, argv); }
