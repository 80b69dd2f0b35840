// For the stand-ins of Windows commands: a line in the trace file
// (FHSWITCH_SIM_TRACE) with the command's name and its arguments, in UTF-8,
// each after a tab, as the File History stand-ins trace their calls.
#pragma once

void RecordCommand(const char* name, int argc, wchar_t** argv);
