// fhstatus's command line: the state as name=value lines, or its usage.
#pragma once

// Runs fhstatus on the runtime's argument count and narrow argument vector
// and returns the process exit status (a StateStatus).
int ReportStatus(int argc, char* argv[]);
