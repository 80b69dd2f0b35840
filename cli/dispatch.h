// The command line: decides from the arguments alone what the run does.
#pragma once

// Runs fhswitch on the runtime's argument count and narrow argument vector
// (UTF-8) and returns the process exit status (an ExitStatus).
int Dispatch(int argc, char* argv[]);
