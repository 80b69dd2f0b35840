// Windows directory listing and file deletion over the Linux file system:
// a backslash separates path parts, "." and ".." are listed, a read-only file
// or a directory (a link to a directory included) cannot be deleted, a link
// to a file is deleted itself, and a path of MAX_PATH bytes or more fails, all
// as on Windows.
#include <dirent.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/native_path.h"
#include "platform/sim/state.h"
#include "platform/files.h"
#include "platform/utf16.h"

namespace {

// A search lists its directory when it starts and yields the names in turn.
struct Search {
    std::vector<std::string> names;
    size_t next = 0;
};

bool FitsMaxPath(const char* path) { return path != nullptr && std::strlen(path) < MAX_PATH; }

// The directory's names, "." and ".." first, the rest sorted, so that a
// purge's trace is the same on every run and machine. A name holding a
// backslash cannot exist on Windows and is not listed.
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

BOOL Yield(Search& search, FoundFile* found) {
    if (search.next >= search.names.size()) return FALSE;
    const std::string& name = search.names[search.next++];
    found->name = name;
    return TRUE;
}

size_t LastSeparator(std::string_view path) { return path.find_last_of("\\/"); }

// Deletes a file as Windows would.
bool Delete(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
    if (S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) == 0) return false;  // read-only
    struct stat target {};
    if (S_ISLNK(info.st_mode) && stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
        return false;  // a link to a folder is a folder to Windows
    }
    return unlink(path.c_str()) == 0;
}

// A UTF-16 unit as Windows' upper-case table maps it: one unit to one,
// surrogates as they are; glibc's Unicode table stands in for Windows' own.
WCHAR UpperCase(WCHAR unit) {
    static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (unit >= 0xD800 && unit <= 0xDFFF) return unit;
    if (unicode == static_cast<locale_t>(nullptr)) return unit >= 'a' && unit <= 'z' ? unit - 'a' + 'A' : unit;
    const wint_t upper = towupper_l(unit, unicode);
    return upper <= 0xFFFF ? static_cast<WCHAR>(upper) : unit;
}

}  // namespace

// Only the pattern this tool uses is understood: "<directory>\*.*" (or "\*").
HANDLE FindFirstFileUtf8(const char* pattern, FoundFile* found) {
    if (!FitsMaxPath(pattern) || found == nullptr) return INVALID_HANDLE_VALUE;
    const std::string_view text = pattern;
    const size_t separator = LastSeparator(text);
    const std::string_view wildcard = separator == std::string_view::npos ? text : text.substr(separator + 1);
    if (wildcard != "*.*" && wildcard != "*") return INVALID_HANDLE_VALUE;
    const std::string directory = separator == std::string_view::npos ? "." : std::string(text.substr(0, separator));
    auto* search = new Search;
    search->names = ListDirectory(sim::NativePath(directory) + "/");
    if (!Yield(*search, found)) {
        FindClose(search);
        return INVALID_HANDLE_VALUE;
    }
    return search;
}

BOOL FindNextFileUtf8(HANDLE search, FoundFile* found) {
    if (search == nullptr || search == INVALID_HANDLE_VALUE || found == nullptr) return FALSE;
    return Yield(*static_cast<Search*>(search), found);
}

BOOL FindClose(HANDLE handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return FALSE;
    delete static_cast<Search*>(handle);
    return TRUE;
}

BOOL DeleteFileUtf8(const char* path) {
    const BOOL deleted = FitsMaxPath(path) && !sim::IsHeldOpen(path) && Delete(sim::NativePath(path));
    sim::Trace(sim::Call::DeleteFileUtf8, {sim::NumberField(deleted), path ? path : ""});
    return deleted;
}

std::optional<std::string> ReadFileStartUtf8(const char* path, size_t limit) {
    if (!FitsMaxPath(path)) return std::nullopt;
    std::ifstream file(sim::NativePath(path), std::ios::binary);
    if (!file) return std::nullopt;
    std::string content(limit, '\0');
    file.read(content.data(), static_cast<std::streamsize>(limit));
    if (file.bad()) return std::nullopt;
    content.resize(static_cast<size_t>(file.gcount()));
    return content;
}

bool IsSamePathUtf8(std::string_view path, std::string_view other) {
    const std::vector<WCHAR> units = ToUtf16(path);
    const std::vector<WCHAR> otherUnits = ToUtf16(other);
    return std::equal(units.begin(), units.end(), otherUnits.begin(), otherUnits.end(),
                      [](WCHAR unit, WCHAR otherUnit) { return UpperCase(unit) == UpperCase(otherUnit); });
}
