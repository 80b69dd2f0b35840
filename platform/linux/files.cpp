// Windows directory listing and file deletion over the Linux file system:
// a backslash separates path parts, "." and ".." are listed, a read-only file
// or a directory (a link to a directory included) cannot be deleted, a link
// to a file is deleted itself, and a narrow path of MAX_PATH bytes or more
// fails, all as on Windows.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/native_path.h"
#include "platform/sim/state.h"
#include "platform/win_api.h"

namespace {

struct Search {
    std::vector<std::string> names;
    size_t next = 0;
};

bool FitsNarrowPath(const char* path) { return path != nullptr && std::strlen(path) < MAX_PATH; }

// Names in the order an NTFS listing gives: "." and ".." first, then sorted.
// A name holding a backslash cannot exist on Windows and is not listed.
std::vector<std::string> ListDirectory(const std::string& directory) {
    std::vector<std::string> names;
    DIR* listing = opendir(directory.c_str());
    if (listing == nullptr) return names;
    while (const dirent* entry = readdir(listing)) {
        const std::string_view name = entry->d_name;
        if (name.find('\\') == std::string_view::npos) names.emplace_back(name);
    }
    closedir(listing);
    const auto dotsFirst = [](const std::string& a, const std::string& b) {
        const bool aDots = a == "." || a == "..";
        const bool bDots = b == "." || b == "..";
        return aDots != bDots ? aDots : a < b;
    };
    std::sort(names.begin(), names.end(), dotsFirst);
    return names;
}

BOOL Yield(Search& search, WIN32_FIND_DATAA* found) {
    if (search.next >= search.names.size()) return FALSE;
    const std::string& name = search.names[search.next++];
    std::memcpy(found->cFileName, name.c_str(), name.size() + 1);
    return TRUE;
}

}  // namespace

// Only the pattern this tool uses is understood: "<directory>\*.*" (or "\*").
HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* found) {
    if (!FitsNarrowPath(pattern) || found == nullptr) return INVALID_HANDLE_VALUE;
    const std::string_view text = pattern;
    const size_t separator = text.find_last_of("\\/");
    const std::string_view wildcard = separator == std::string_view::npos ? text : text.substr(separator + 1);
    if (wildcard != "*.*" && wildcard != "*") return INVALID_HANDLE_VALUE;
    const std::string directory =
        separator == std::string_view::npos ? "." : sim::NativePath(text.substr(0, separator)) + "/";
    auto* search = new Search{ListDirectory(directory)};
    if (!Yield(*search, found)) {
        delete search;
        return INVALID_HANDLE_VALUE;
    }
    return search;
}

BOOL FindNextFileA(HANDLE search, WIN32_FIND_DATAA* found) {
    if (search == nullptr || search == INVALID_HANDLE_VALUE || found == nullptr) return FALSE;
    return Yield(*static_cast<Search*>(search), found);
}

BOOL FindClose(HANDLE search) {
    if (search == nullptr || search == INVALID_HANDLE_VALUE) return FALSE;
    delete static_cast<Search*>(search);
    return TRUE;
}

BOOL DeleteFileA(const char* path) {
    BOOL deleted = FALSE;
    if (FitsNarrowPath(path)) {
        const std::string native = sim::NativePath(path);
        struct stat info {};
        const bool exists = lstat(native.c_str(), &info) == 0;
        const bool readOnlyFile = S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) == 0;
        struct stat target {};
        const bool linkToDirectory =
            S_ISLNK(info.st_mode) && stat(native.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
        deleted = exists && !S_ISDIR(info.st_mode) && !linkToDirectory && !readOnlyFile && unlink(native.c_str()) == 0;
    }
    sim::Trace({"DeleteFileA", sim::NumberField(deleted), path ? path : ""});
    return deleted;
}
