// MultiByteToWideChar for CP_UTF8, replacing invalid input the way the decoder
// the Windows build is tested against (Wine's) does:
// - a byte that cannot start a sequence becomes one U+FFFD;
// - a sequence broken by a byte that cannot continue it becomes one U+FFFD for
//   the bytes before that byte, which is then read afresh;
// - an overlong, surrogate or out-of-range sequence is found at its second
//   byte and becomes one U+FFFD for its first two bytes;
// - a sequence cut short by the end of the input takes the rest of the input,
//   terminator included, and becomes one U+FFFD.
// Kept in a file of its own so that a test can link a failing decoder instead.
#include <climits>
#include <cstring>

#include "platform/win_api.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

int FollowingBytes(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return 1;
    if (lead >= 0xE0 && lead <= 0xEF) return 2;
    if (lead >= 0xF0 && lead <= 0xF4) return 3;
    return 0;
}

// The value after the first continuation byte rules out overlong forms,
// surrogates and values beyond U+10FFFF.
bool PrefixCanBeValid(int following, char32_t value) {
    if (following == 2) return value >= 0x20 && !(value >= 0x360 && value < 0x380);
    if (following == 3) return value >= 0x10 && value < 0x110;
    return true;
}

// Decodes one character starting at source[*at] and advances *at.
char32_t DecodeOne(const unsigned char* source, size_t length, size_t* at) {
    const unsigned char lead = source[(*at)++];
    if (lead < 0x80) return lead;
    const int following = FollowingBytes(lead);
    if (following == 0) return kReplacement;
    if (*at + following > length) {
        *at = length;
        return kReplacement;
    }
    static constexpr unsigned char kLeadMask[] = {0x7F, 0x1F, 0x0F, 0x07};
    char32_t value = lead & kLeadMask[following];
    for (int k = 1; k <= following; ++k) {
        const unsigned char next = source[*at];
        if ((next & 0xC0) != 0x80) return kReplacement;
        value = value << 6 | (next & 0x3F);
        ++*at;
        if (k == 1 && !PrefixCanBeValid(following, value)) return kReplacement;
    }
    return value;
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* source, int sourceLength, WCHAR* target,
                        int targetCapacity) {
    if (codePage != CP_UTF8 || flags != 0 || source == nullptr || sourceLength == 0 || sourceLength < -1 ||
        targetCapacity < 0 || (targetCapacity > 0 && target == nullptr)) {
        return 0;
    }
    const size_t length = sourceLength == -1 ? std::strlen(source) + 1 : static_cast<size_t>(sourceLength);
    const auto* bytes = reinterpret_cast<const unsigned char*>(source);
    long long units = 0;
    const auto emit = [&](char16_t unit) {
        if (targetCapacity > 0 && units < targetCapacity) target[units] = unit;
        ++units;
    };
    for (size_t at = 0; at < length;) {
        const char32_t value = DecodeOne(bytes, length, &at);
        if (value >= 0x10000) {
            emit(static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10)));
            emit(static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF)));
        } else {
            emit(static_cast<char16_t>(value));
        }
        if (units > INT_MAX) return 0;
    }
    if (targetCapacity > 0 && units > targetCapacity) return 0;  // the buffer is too small
    return static_cast<int>(units);
}
