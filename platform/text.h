// Text: UTF-16 to UTF-8, for output and for the platform's answers; numbers in hex.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win_api.h"

using WideStringView = std::basic_string_view<WCHAR>;

// UTF-8 form of a UTF-16 text; a lone surrogate becomes U+FFFD.
std::string ToUtf8(WideStringView text);

// Upper-case hex digits of the value, at least minimumDigits of them ("FF", "0000001A").
std::string HexDigits(std::uint32_t value, int minimumDigits = 1);

// UTF-8 form of a BSTR, read through its length prefix; empty for null.
std::string BstrToUtf8(BSTR text);
