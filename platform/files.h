// Directory listing and file deletion, with UTF-8 paths. Windows binds them to
// the wide functions, so that a path outside the ANSI code page is reached on
// every Windows version; the simulation gives Windows' rules on Linux.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/unique.h"
#include "platform/win_api.h"

// What a search yields of an entry: its name, in UTF-8.
struct FoundFile {
    std::string name;
};

// Starts a search on "<directory>\*.*" and yields its first entry;
// INVALID_HANDLE_VALUE when the search fails or finds nothing.
HANDLE FindFirstFileUtf8(const char* pattern, FoundFile* found);
// Yields the next entry; FALSE when none is left or the search fails.
BOOL FindNextFileUtf8(HANDLE search, FoundFile* found);
// Deletes a file, or a link itself; refuses folders and read-only files.
BOOL DeleteFileUtf8(const char* path);
// The first `limit` bytes of a file, or all of a shorter one; nothing where
// it cannot be opened or read.
std::optional<std::string> ReadFileStartUtf8(const char* path, size_t limit);
// Whether two paths are the same as Windows compares them: ordinally on
// UTF-16, ignoring case by the system's upper-case table, whatever the code page.
bool IsSamePathUtf8(std::string_view path, std::string_view other);

struct FindHandleTraits {
    using Type = HANDLE;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static void Free(Type search) { FindClose(search); }
};
// A directory search, closed when the owner goes.
using UniqueFindHandle = UniqueAny<FindHandleTraits>;
