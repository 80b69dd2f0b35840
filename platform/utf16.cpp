#include "platform/utf16.h"

std::vector<WCHAR> ToUtf16(std::string_view text) {
    const int length = static_cast<int>(text.size());
    const int units = length == 0 ? 0 : MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    std::vector<WCHAR> wide(static_cast<size_t>(units) + 1, 0);
    if (units > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), units);
    return wide;
}
