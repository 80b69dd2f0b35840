#include "platform/sim/native_path.h"

#include <algorithm>

namespace sim {

std::string NativePath(std::string_view windowsPath) {
    std::string path(windowsPath);
#ifndef _WIN32
    std::replace(path.begin(), path.end(), '\\', '/');
#endif
    return path;
}

}  // namespace sim
