#include "platform/sim/native_path.h"

namespace sim {

// The stand-ins run on Windows (Wine): the path is the file system's own.
std::string NativePath(std::string_view windowsPath) { return std::string(windowsPath); }

}  // namespace sim
