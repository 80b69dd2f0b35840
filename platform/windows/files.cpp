// The purge's file functions on the wide Windows API: the narrow ones take the
// ANSI code page, which before Windows 10 1903 ignores the manifest's UTF-8
// and cannot name a folder outside that code page (a profile in Cyrillic on
// an English system).
#include "platform/files.h"
#include "platform/text.h"
#include "platform/utf16.h"

namespace {

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
