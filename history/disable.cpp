#include <cstring>
#include <optional>
#include <string>

#include "history/file_history.h"
#include "platform/environment.h"
#include "platform/fh_service.h"
#include "platform/files.h"

namespace {

constexpr char kConfigurationSubdirectory[] = "\\Microsoft\\Windows\\FileHistory\\Configuration";

// "%LOCALAPPDATA%\Microsoft\Windows\FileHistory\Configuration". Nothing when
// LOCALAPPDATA is unset or empty: a path built from nothing would name a
// relative folder or the root of the drive.
std::optional<std::string> ConfigurationDirectory() {
    const std::string localAppData = EnvironmentVariable("LOCALAPPDATA");
    if (localAppData.empty()) return std::nullopt;
    return localAppData + kConfigurationSubdirectory;
}

// Asks the service to stop backing up. A pipe that cannot be opened is not a
// refusal; the close's result is not examined.
HRESULT StopBackups() {
    UniqueServicePipe pipe;
    if (FAILED(pipe.Open(TRUE))) return S_OK;
    return FhServiceStopBackup(pipe.get(), FALSE);
}

// Passes every top-level entry of the directory to DeleteFileUtf8, which removes
// the files and refuses ".", ".." and subdirectories. A path that does not fit
// MAX_PATH is never truncated (that could name another file): a pattern that
// does not fit deletes nothing, an entry that does not fit is skipped.
void DeleteTopLevelFiles(const std::string& directory) {
    char path[MAX_PATH];
    const size_t prefixLength = directory.size() + 1;  // "<directory>\"
    if (prefixLength + std::strlen("*.*") >= MAX_PATH) return;
    std::memcpy(path, directory.data(), directory.size());
    path[directory.size()] = '\\';
    std::memcpy(path + prefixLength, "*.*", 4);

    FoundFile entry;
    const UniqueFindHandle search(FindFirstFileUtf8(path, &entry));
    if (!search) return;
    do {
        // The directory part stays in the buffer; only the name changes.
        const size_t nameLength = entry.name.size();
        if (prefixLength + nameLength >= MAX_PATH) continue;
        std::memcpy(path + prefixLength, entry.name.data(), nameLength);
        path[prefixLength + nameLength] = '\0';
        DeleteFileUtf8(path);
    } while (FindNextFileUtf8(search.get(), &entry));
}

// Has the service reload its configuration, so that it forgets the one it
// had loaded (stopping ends only the backup under way). Nothing it reports
// changes the outcome: by now the purge is done and the stop was accepted.
void ReloadServiceConfiguration() {
    UniqueServicePipe pipe;
    if (FAILED(pipe.Open(TRUE))) return;
    FhServiceReloadConfiguration(pipe.get());
}

}  // namespace

ExitStatus DisableFileHistory() {
    const std::optional<std::string> directory = ConfigurationDirectory();

    // A refusal leaves every file in place.
    if (FAILED(StopBackups())) return kStopRefused;

    if (directory) DeleteTopLevelFiles(*directory);

    ReloadServiceConfiguration();
    return kDone;
}
