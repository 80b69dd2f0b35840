// The simulation's files: the user's configuration and the backups on
// targets, named by Windows paths and read and written whole.
#pragma once

#include <optional>
#include <string>

namespace sim {

// The file's content; nothing when it cannot be read.
std::optional<std::string> ReadStoredFile(const std::string& windowsPath);
// Writes the file whole, making its folder first.
bool WriteStoredFile(const std::string& windowsPath, const std::string& content);

// XML text: escaped for an element, and an element's text read back.
std::string EscapeXml(const std::string& text);
std::optional<std::string> ElementText(const std::string& xml, const std::string& element);

}  // namespace sim
