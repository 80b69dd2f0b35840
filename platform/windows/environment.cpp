#include "platform/environment.h"
#include "platform/text.h"
#include "platform/utf16.h"

// Read wide and handed on as UTF-8: the narrow function uses the ANSI code
// page, which cannot hold every profile's path before Windows 10 1903.
std::string EnvironmentVariable(const char* name) {
    const std::vector<WCHAR> wideName = ToUtf16(name);
    const DWORD size = GetEnvironmentVariableW(wideName.data(), nullptr, 0);  // terminator included
    if (size == 0) return "";
    std::vector<WCHAR> value(size, 0);
    const DWORD length = GetEnvironmentVariableW(wideName.data(), value.data(), size);
    return length < size ? ToUtf8(WideStringView(value.data(), length)) : "";
}
