// chcp.com as German Windows answers: "Aktive Codepage: 850." (Wine's own
// answers in English, without the final dot). The console's code page is
// FHSWITCH_TEST_CODE_PAGE (850 if unset) until a chcp changes it; a change
// is recorded, and kept beside the trace for the chcp runs that follow.
#include <windows.h>

#include <string>

#include "tests/wine/recorded_command.h"

namespace {

std::wstring Variable(const wchar_t* name) {
    wchar_t value[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? L"" : std::wstring(value, length);
}

// The file that holds the code page set last, beside the trace.
std::wstring StateFile() {
    const std::wstring trace = Variable(L"FHSWITCH_SIM_TRACE");
    return trace.empty() ? L"" : trace + L".codepage";
}

std::string CurrentCodePage() {
    const HANDLE file = CreateFileW(StateFile().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        char text[16] = {};
        DWORD read = 0;
        ReadFile(file, text, sizeof text - 1, &read, nullptr);
        CloseHandle(file);
        if (read > 0) return std::string(text, read);
    }
    const std::wstring initial = Variable(L"FHSWITCH_TEST_CODE_PAGE");
    return initial.empty() ? "850" : std::string(initial.begin(), initial.end());
}

void SetCodePage(const wchar_t* codePage) {
    const HANDLE file = CreateFileW(StateFile().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::wstring wide(codePage);
    const std::string text(wide.begin(), wide.end());
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 1) {
        RecordCommand("chcp", argc, argv);
        SetCodePage(argv[1]);
        return 0;
    }
    const std::string answer = "Aktive Codepage: " + CurrentCodePage() + ".\r\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), answer.data(), static_cast<DWORD>(answer.size()), &written, nullptr);
    return 0;
}
