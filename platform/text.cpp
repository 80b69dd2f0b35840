#include "platform/text.h"

namespace {

void AppendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit < 0xDC00; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit < 0xE000; }

}  // namespace

std::string ToUtf8(WideStringView text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char32_t unit = static_cast<char16_t>(text[i]);
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(static_cast<char16_t>(text[i + 1]))) {
            const char32_t low = static_cast<char16_t>(text[++i]);
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

std::string BstrToUtf8(BSTR text) { return text ? ToUtf8(WideStringView(text, SysStringLen(text))) : std::string(); }

std::string HexDigits(std::uint32_t value, int minimumDigits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string digits;
    for (; value != 0 || static_cast<int>(digits.size()) < minimumDigits; value >>= 4) {
        digits.insert(digits.begin(), kDigits[value & 0xF]);
    }
    return digits;
}
