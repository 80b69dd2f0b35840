// The purge's file functions on the wide Windows API: the narrow ones take the
// ANSI code page, which before Windows 10 1903 ignores the manifest's UTF-8
// and cannot name a folder outside that code page (a profile in Cyrillic on
// an English system).
#include "platform/files.h"
#include "platform/text.h"
#include "platform/utf16.h"

namespace {

struct FileHandleTraits {
    using Type = HANDLE;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static void Free(Type file) { CloseHandle(file); }
};
using UniqueFile = UniqueAny<FileHandleTraits>;

void TakeName(const WIN32_FIND_DATAW& data, FoundFile* found) { found->name = ToUtf8(data.cFileName); }

}  // namespace

HANDLE FindFirstFileUtf8(const char* pattern, FoundFile* found) {
    WIN32_FIND_DATAW data;
    const HANDLE search = FindFirstFileW(ToUtf16(pattern).data(), &data);
    if (search != INVALID_HANDLE_VALUE) TakeName(data, found);
    return search;
}

BOOL FindNextFileUtf8(HANDLE search, FoundFile* found) {
    WIN32_FIND_DATAW data;
    const BOOL next = FindNextFileW(search, &data);
    if (next) TakeName(data, found);
    return next;
}

BOOL DeleteFileUtf8(const char* path) { return DeleteFileW(ToUtf16(path).data()); }

bool IsSamePathUtf8(std::string_view path, std::string_view other) {
    return CompareStringOrdinal(ToUtf16(path).data(), -1, ToUtf16(other).data(), -1, TRUE) == CSTR_EQUAL;
}

std::optional<std::string> ReadFileStartUtf8(const char* path, size_t limit) {
    // Shared for writing and deleting too: a reader never stands in a writer's way.
    const UniqueFile file(CreateFileW(ToUtf16(path).data(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    std::string content(limit, '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), content.data(), static_cast<DWORD>(limit), &read, nullptr)) return std::nullopt;
    content.resize(read);
    return content;
}
