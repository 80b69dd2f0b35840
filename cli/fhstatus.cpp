// fhstatus's Linux entry: its arguments arrive in UTF-8.
#include "cli/status_report.h"

int main(int argc, char* argv[]) { return ReportStatus(argc, argv); }
