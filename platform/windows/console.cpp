#include <string>
#include <vector>

#include "platform/text.h"

// Every line ends in CR LF. A console is given UTF-16 through WriteConsoleW,
// so that any character shows whatever its code page; a pipe or a file gets UTF-8.
void WriteLine(std::string_view text) {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    const std::string line = std::string(text) + "\r\n";
    const int length = static_cast<int>(line.size());
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(output, &mode)) {
        const int units = MultiByteToWideChar(CP_UTF8, 0, line.data(), length, nullptr, 0);
        // A vector, not std::wstring: that would link all of libstdc++'s wide
        // string code (35 KB in the x86 exe) for one buffer.
        std::vector<WCHAR> wide(static_cast<size_t>(units));
        MultiByteToWideChar(CP_UTF8, 0, line.data(), length, wide.data(), units);
        WriteConsoleW(output, wide.data(), static_cast<DWORD>(units), &written, nullptr);
    } else {
        WriteFile(output, line.data(), static_cast<DWORD>(length), &written, nullptr);
    }
}
