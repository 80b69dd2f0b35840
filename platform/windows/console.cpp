#include <string>

#include "platform/console.h"
#include "platform/utf16.h"

// Every line ends in CR LF. A console is given UTF-16 through WriteConsoleW,
// so that any character shows whatever its code page; a pipe or a file gets UTF-8.
void WriteLine(std::string_view text) {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    const std::string line = std::string(text) + "\r\n";
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(output, &mode)) {
        const std::vector<WCHAR> wide = ToUtf16(line);
        WriteConsoleW(output, wide.data(), static_cast<DWORD>(wide.size() - 1), &written, nullptr);
    } else {
        WriteFile(output, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
}
