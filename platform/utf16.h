// UTF-8 to UTF-16 for the wide Windows functions.
#pragma once

#include <string_view>
#include <vector>

#include "platform/win_api.h"

// The UTF-16 form of a UTF-8 text, with a terminating zero unit (not counted
// in the text). A vector, not std::wstring: that would link all of
// libstdc++'s wide string code (35 KB in the x86 exe) for a buffer.
std::vector<WCHAR> ToUtf16(std::string_view text);
