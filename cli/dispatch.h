// The command line: decides from the arguments alone what the run does.
#pragma once

// Exit statuses of the dispatcher's own.
constexpr int kArgumentsRejected = 160;
constexpr int kComUnavailable = 10;

// Runs fhswitch on the runtime's argument count and narrow argument vector and
// returns the process exit status.
int Dispatch(int argc, char* argv[]);
