// Text: UTF-16 to UTF-8, for output and for the platform's answers.
#pragma once

#include <string>
#include <string_view>

#include "platform/win_api.h"

using WideStringView = std::basic_string_view<WCHAR>;

// UTF-8 form of a UTF-16 text; a lone surrogate becomes U+FFFD.
std::string ToUtf8(WideStringView text);

// UTF-8 form of a BSTR, read through its length prefix; empty for null.
std::string BstrToUtf8(BSTR text);
