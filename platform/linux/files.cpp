// Windows directory listing and file deletion over the Linux file system:
// a backslash separates path parts, "." and ".." are listed, a read-only file
// or a directory (a link to a directory included) cannot be deleted, a link
// to a file is deleted itself, and a path of MAX_PATH bytes or more fails, all
// as on Windows.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/native_path.h"
#include "platform/sim/state.h"
#include "platform/files.h"

namespace {

// An open search holds its directory open, so that deleting the entries it
// lists looks up one name each (as find -delete does), not the whole path.
struct Search {
    std::string directory;  // as the pattern gave it
    int directoryFd = -1;
    std::vector<std::string> names;
    size_t next = 0;
};

const Search* openSearch = nullptr;  // the latest search not yet closed

bool FitsMaxPath(const char* path) { return path != nullptr && std::strlen(path) < MAX_PATH; }

// Names in the order an NTFS listing gives: "." and ".." first, then sorted.
// A name holding a backslash cannot exist on Windows and is not listed.
std::vector<std::string> ListDirectory(int directoryFd) {
    std::vector<std::string> names;
    DIR* listing = fdopendir(dup(directoryFd));
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

BOOL Yield(Search& search, FoundFile* found) {
    if (search.next >= search.names.size()) return FALSE;
    const std::string& name = search.names[search.next++];
    found->name = name;
    return TRUE;
}

size_t LastSeparator(std::string_view path) { return path.find_last_of("\\/"); }

// Deletes name, relative to directoryFd, as Windows would.
bool DeleteAt(int directoryFd, const char* name) {
    struct stat info {};
    if (fstatat(directoryFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(info.st_mode)) return false;
    if (S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) == 0) return false;  // read-only
    struct stat target {};
    if (S_ISLNK(info.st_mode) && fstatat(directoryFd, name, &target, 0) == 0 && S_ISDIR(target.st_mode)) {
        return false;  // a link to a folder is a folder to Windows
    }
    return unlinkat(directoryFd, name, 0) == 0;
}

}  // namespace

// Only the pattern this tool uses is understood: "<directory>\*.*" (or "\*").
HANDLE FindFirstFileUtf8(const char* pattern, FoundFile* found) {
    if (!FitsMaxPath(pattern) || found == nullptr) return INVALID_HANDLE_VALUE;
    const std::string_view text = pattern;
    const size_t separator = LastSeparator(text);
    const std::string_view wildcard = separator == std::string_view::npos ? text : text.substr(separator + 1);
    if (wildcard != "*.*" && wildcard != "*") return INVALID_HANDLE_VALUE;
    auto* search = new Search;
    search->directory = separator == std::string_view::npos ? "." : std::string(text.substr(0, separator));
    search->directoryFd = open((sim::NativePath(search->directory) + "/").c_str(), O_RDONLY | O_DIRECTORY);
    if (search->directoryFd >= 0) search->names = ListDirectory(search->directoryFd);
    if (!Yield(*search, found)) {
        FindClose(search);
        return INVALID_HANDLE_VALUE;
    }
    openSearch = search;
    return search;
}

BOOL FindNextFileUtf8(HANDLE search, FoundFile* found) {
    if (search == nullptr || search == INVALID_HANDLE_VALUE || found == nullptr) return FALSE;
    return Yield(*static_cast<Search*>(search), found);
}

BOOL FindClose(HANDLE handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return FALSE;
    auto* search = static_cast<Search*>(handle);
    if (openSearch == search) openSearch = nullptr;
    if (search->directoryFd >= 0) close(search->directoryFd);
    delete search;
    return TRUE;
}

BOOL DeleteFileUtf8(const char* path) {
    BOOL deleted = FALSE;
    if (FitsMaxPath(path)) {
        const std::string_view text = path;
        const size_t separator = LastSeparator(text);
        const bool inOpenSearch = openSearch != nullptr && separator != std::string_view::npos &&
                                  text.substr(0, separator) == openSearch->directory;
        deleted = inOpenSearch ? DeleteAt(openSearch->directoryFd, path + separator + 1)
                               : DeleteAt(AT_FDCWD, sim::NativePath(text).c_str());
    }
    if (sim::Tracing()) sim::Trace({"DeleteFileUtf8", sim::NumberField(deleted), path ? path : ""});
    return deleted;
}
