#include <algorithm>
#include <set>

#include "platform/sim/native_path.h"

namespace sim {

std::string NativePath(std::string_view windowsPath) {
    std::string path(windowsPath);
    // "\x" is x at the root of the current drive. The working directory stands
    // for that root, so that such a path never reaches this machine's own "/".
    const bool rootedOnCurrentDrive = path.size() >= 1 && path[0] == '\\' && (path.size() == 1 || path[1] != '\\');
    if (rootedOnCurrentDrive) path.insert(0, ".");
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

namespace {

std::set<std::string, std::less<>>& HeldPaths() {
    static std::set<std::string, std::less<>> paths;
    return paths;
}

}  // namespace

void HoldOpen(const std::string& windowsPath) { HeldPaths().insert(windowsPath); }

bool IsHeldOpen(std::string_view windowsPath) { return HeldPaths().count(windowsPath) != 0; }

void ForgetHeldFiles() { HeldPaths().clear(); }

}  // namespace sim
