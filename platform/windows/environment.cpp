#include "platform/environment.h"
#include "platform/win_api.h"

// From the process environment itself, in the process code page (UTF-8, by
// the manifest); the C runtime's getenv is deprecated under MSVC's rules.
std::string EnvironmentVariable(const char* name) {
    const DWORD size = GetEnvironmentVariableA(name, nullptr, 0);  // terminator included
    if (size == 0) return "";
    std::string value(size, '\0');
    const DWORD length = GetEnvironmentVariableA(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}
