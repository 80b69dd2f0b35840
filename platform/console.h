// Standard output, the only place fhswitch writes to.
#pragma once

#include <string_view>

// Writes one line of UTF-8 text and the platform's line end to standard output.
void WriteLine(std::string_view text);
