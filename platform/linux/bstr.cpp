// Automation strings, laid out as on Windows.
#include <cstdint>
#include <cstring>
#include <new>

#include "platform/win_api.h"

// A BSTR is a 4-byte length in bytes, the text, and a NUL; it points at the text.
BSTR SysAllocString(const WCHAR* text) {
    if (text == nullptr) return nullptr;
    size_t length = 0;
    while (text[length] != 0) ++length;
    const std::uint32_t bytes = static_cast<std::uint32_t>(length * sizeof(WCHAR));
    char* block = new (std::nothrow) char[sizeof bytes + bytes + sizeof(WCHAR)];
    if (block == nullptr) return nullptr;
    std::memcpy(block, &bytes, sizeof bytes);
    std::memcpy(block + sizeof bytes, text, bytes + sizeof(WCHAR));
    return reinterpret_cast<BSTR>(block + sizeof bytes);
}

void SysFreeString(BSTR text) {
    if (text != nullptr) delete[] (reinterpret_cast<char*>(text) - sizeof(std::uint32_t));
}

UINT SysStringLen(BSTR text) {
    if (text == nullptr) return 0;
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<char*>(text) - sizeof bytes, sizeof bytes);
    return bytes / sizeof(WCHAR);
}
