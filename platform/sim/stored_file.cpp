#include "platform/sim/stored_file.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include "platform/sim/native_path.h"

namespace sim {

std::optional<std::string> ReadStoredFile(const std::string& windowsPath) {
    std::ifstream file(NativePath(windowsPath), std::ios::binary);
    if (!file) return std::nullopt;
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

bool WriteStoredFile(const std::string& windowsPath, const std::string& content) {
    const std::filesystem::path path(NativePath(windowsPath));
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    if (error) return false;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << content;
    return static_cast<bool>(file.flush());
}

std::string EscapeXml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            default: out += c;
        }
    }
    return out;
}

std::optional<std::string> ElementText(const std::string& xml, const std::string& element) {
    const std::string open = "<" + element + ">";
    const size_t begin = xml.find(open);
    const size_t end = xml.find("</" + element + ">");
    if (begin == std::string::npos || end == std::string::npos || end < begin + open.size()) return std::nullopt;
    const std::string text = xml.substr(begin + open.size(), end - begin - open.size());
    const std::pair<std::string, char> entities[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}};
    std::string out;
    for (size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& [entity, c] : entities) {
            if (text.compare(i, entity.size(), entity) == 0) {
                out += c;
                i += entity.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) out += text[i++];
    }
    return out;
}

}  // namespace sim
