// Windows path text as this machine's file system wants it.
#pragma once

#include <string>
#include <string_view>

namespace sim {

// On Linux a backslash is a separator, as on Windows; on Windows the path is as given.
std::string NativePath(std::string_view windowsPath);

}  // namespace sim
