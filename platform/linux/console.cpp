#include <cstdio>

#include "platform/console.h"

// Linux output is UTF-8 with LF line ends.
void WriteLine(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}
