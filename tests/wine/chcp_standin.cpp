// chcp.com as German Windows answers: "Aktive Codepage: 850." (Wine's own
// answers in English, without the final dot). A change of code page is
// recorded, not made.
#include <windows.h>

#include "tests/wine/recorded_command.h"

int wmain(int argc, wchar_t** argv) {
    if (argc > 1) {
        RecordCommand("chcp", argc, argv);
        return 0;
    }
    static const char kAnswer[] = "Aktive Codepage: 850.\r\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), kAnswer, sizeof kAnswer - 1, &written, nullptr);
    return 0;
}
