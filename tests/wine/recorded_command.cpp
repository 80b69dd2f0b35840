#include "tests/wine/recorded_command.h"

#include <windows.h>

#include <string>

#include "platform/text.h"

void RecordCommand(const char* name, int argc, wchar_t** argv) {
    std::string line = name;
    for (int i = 1; i < argc; ++i) line += "\t" + ToUtf8(argv[i]);
    line += "\n";
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"FHSWITCH_SIM_TRACE", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    const HANDLE trace = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    if (trace == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(trace, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(trace);
}
