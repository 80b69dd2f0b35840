// Windows path text as this machine's file system wants it.
#pragma once

#include <string>
#include <string_view>

namespace sim {

// On Linux a backslash is a separator, as on Windows, and a path rooted on the
// current drive ("\x") starts at the working directory; on Windows the path is
// as given.
std::string NativePath(std::string_view windowsPath);

// Holds the file open for the rest of the process, as a service that has it
// in use would, so that deleting it fails as on Windows: on Windows (Wine) by
// a handle shared for reading and writing only; on Linux by a mark that the
// simulated DeleteFile reads (IsHeldOpen).
void HoldOpen(const std::string& windowsPath);
bool IsHeldOpen(std::string_view windowsPath);
// Forgets the marks, as a new process would start without them (Linux; on
// Windows the handles go with the process).
void ForgetHeldFiles();

}  // namespace sim
