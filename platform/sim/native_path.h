// Windows path text as this machine's file system wants it.
#pragma once

#include <string>
#include <string_view>

namespace sim {

// On Linux a backslash is a separator, as on Windows, and a path rooted on the
// current drive ("\x") starts at the working directory; on Windows the path is
// as given.
std::string NativePath(std::string_view windowsPath);

}  // namespace sim
