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
    std::map<std::string, std::string> strings;  // every table's, ASCII keys and values
};

// Nothing when the bytes are not a well-formed VS_VERSIONINFO.
std::optional<VersionInfo> ReadVersionInfo(const std::string& resource);

}  // namespace windows_exe
