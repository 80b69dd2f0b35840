#include "tests/windows_exe/version_info.h"

#include <cctype>
#include <cstdio>
#include <vector>

namespace windows_exe {
namespace {

// One node of the resource: a length, a value length, a type (1: text), a
// UTF-16 key, then at 32-bit boundaries the value and the child nodes.
struct Node {
    std::string key;
    size_t value = 0;  // offset of the value
    size_t valueLength = 0;
    size_t end = 0;
    bool text = false;
    std::vector<Node> children;
};

class Reader {
public:
    explicit Reader(const std::string& bytes) : bytes_(bytes) {}

    unsigned Word(size_t at) const {
        if (at + 2 > bytes_.size()) return 0;
        return static_cast<unsigned char>(bytes_[at]) | static_cast<unsigned char>(bytes_[at + 1]) << 8;
    }
    unsigned Dword(size_t at) const { return Word(at) | Word(at + 2) << 16; }

    // UTF-16 text up to its terminator, as ASCII (other characters become '?').
    std::string Text(size_t at, size_t end, size_t* after = nullptr) const {
        std::string text;
        for (; at + 2 <= end && Word(at) != 0; at += 2) text += Word(at) < 0x80 ? static_cast<char>(Word(at)) : '?';
        if (after) *after = at + 2;
        return text;
    }

    std::optional<Node> Read(size_t at, size_t limit) const {
        const size_t length = Word(at);
        const size_t end = at + length;
        if (length < 6 || end > limit) return std::nullopt;
        Node node;
        node.end = end;
        node.valueLength = Word(at + 2);
        node.text = Word(at + 4) == 1;
        size_t after = 0;
        node.key = Text(at + 6, end, &after);
        node.value = Aligned(after);
        size_t child = Aligned(node.value + node.valueLength * (node.text ? 2 : 1));
        while (child < end) {
            std::optional<Node> read = Read(child, end);
            if (!read) return std::nullopt;
            child = Aligned(child + Word(child));
            node.children.push_back(std::move(*read));
        }
        return node;
    }

private:
    static size_t Aligned(size_t at) { return (at + 3) & ~size_t{3}; }
    const std::string& bytes_;
};

}  // namespace

std::optional<VersionInfo> ReadVersionInfo(const std::string& resource) {
    const Reader reader(resource);
    const std::optional<Node> root = reader.Read(0, resource.size());
    constexpr unsigned kFixedSignature = 0xFEEF04BD;
    if (!root || root->key != "VS_VERSION_INFO" || root->valueLength < 52 ||
        reader.Dword(root->value) != kFixedSignature) {
        return std::nullopt;
    }
    const auto split = [&](size_t at) {
        const unsigned high = reader.Dword(at);
        const unsigned low = reader.Dword(at + 4);
        return std::array<unsigned, 4>{high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF};
    };
    VersionInfo info{split(root->value + 8), split(root->value + 16), {}};
    // Explorer finds the strings through \StringFileInfo\<language><code page>,
    // as Translation names them; a table under another key is not shown.
    std::string shown;
    for (const Node& block : root->children) {
        for (const Node& var : block.children) {
            if (block.key == "VarFileInfo" && var.key == "Translation" && var.valueLength >= 4) {
                char key[9];
                std::snprintf(key, sizeof key, "%04X%04X", reader.Word(var.value), reader.Word(var.value + 2));
                shown = key;
            }
        }
    }
    const auto upper = [](std::string text) {
        for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return text;
    };
    for (const Node& block : root->children) {
        if (block.key != "StringFileInfo") continue;
        for (const Node& table : block.children) {
            if (shown.empty() || upper(table.key) != shown) continue;
            for (const Node& string : table.children) {
                info.strings[string.key] = string.valueLength ? reader.Text(string.value, string.end) : "";
            }
        }
    }
    return info;
}

}  // namespace windows_exe
