#include "platform/sim/native_path.h"

#include "platform/utf16.h"
#include "platform/win_api.h"

namespace sim {

// The stand-ins run on Windows (Wine): the path is the file system's own.
std::string NativePath(std::string_view windowsPath) { return std::string(windowsPath); }

// The handle is never closed: the process's end closes it.
void HoldOpen(const std::string& windowsPath) {
    const std::vector<WCHAR> path = ToUtf16(windowsPath);
    CreateFileW(path.data(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Windows refuses to delete a held file by itself.
bool IsHeldOpen(std::string_view) { return false; }

void ForgetHeldFiles() {}

}  // namespace sim
