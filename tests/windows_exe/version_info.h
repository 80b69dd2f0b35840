// Reads a VS_VERSIONINFO resource: what Windows shows under Properties > Details.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>

namespace windows_exe {

struct VersionInfo {
    std::array<unsigned, 4> fileVersion;     // major, minor, patch, build
    std::array<unsigned, 4> productVersion;
    // The string table Windows shows: the one keyed by the first language and
    // code page of \VarFileInfo\Translation (none without it). ASCII keys and values.
    std::map<std::string, std::string> strings;
};

// Nothing when the bytes are not a well-formed VS_VERSIONINFO.
std::optional<VersionInfo> ReadVersionInfo(const std::string& resource);

}  // namespace windows_exe
