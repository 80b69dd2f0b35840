#include "tests/windows_exe/pe_image.h"

#include <fstream>
#include <iterator>

namespace windows_exe {

PeImage::PeImage(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    bytes_.assign(std::istreambuf_iterator<char>(file), {});
    if (bytes_.size() < 0x40 || bytes_.compare(0, 2, "MZ") != 0) return;
    const size_t pe = read32(0x3C);
    if (pe + 24 > bytes_.size() || bytes_.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return;
    const unsigned sectionCount = read16(pe + 6);
    const unsigned optionalSize = read16(pe + 20);
    const size_t optional = pe + 24;
    // The data directories follow the optional header's fields, whose size
    // differs between PE32 (x86) and PE32+ (x64).
    const unsigned magic = read16(optional);
    if (magic != 0x10B && magic != 0x20B) return;
    directories_ = optional + (magic == 0x20B ? 112 : 96);
    for (unsigned i = 0; i < sectionCount; ++i) {
        const size_t header = optional + optionalSize + i * 40;
        sections_.push_back({read32(header + 12), read32(header + 8), read32(header + 20), read32(header + 16)});
    }
    valid_ = true;
}

unsigned PeImage::read32(size_t offset) const {
    if (offset + 4 > bytes_.size()) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data() + offset);
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<unsigned>(p[3]) << 24;
}

unsigned PeImage::read16(size_t offset) const {
    if (offset + 2 > bytes_.size()) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data() + offset);
    return p[0] | p[1] << 8;
}

std::optional<size_t> PeImage::fileOffset(unsigned rva) const {
    for (const Section& section : sections_) {
        if (rva >= section.virtualAddress && rva < section.virtualAddress + section.rawSize) {
            return section.rawOffset + (rva - section.virtualAddress);
        }
    }
    return std::nullopt;
}

unsigned PeImage::directoryRva(int index) const { return read32(directories_ + index * 8); }

std::vector<std::string> PeImage::importedDlls() const {
    std::vector<std::string> names;
    const auto table = fileOffset(directoryRva(1));
    for (size_t entry = table.value_or(bytes_.size()); read32(entry + 12) != 0; entry += 20) {
        if (const auto name = fileOffset(read32(entry + 12))) names.emplace_back(bytes_.c_str() + *name);
    }
    return names;
}

std::optional<std::string> PeImage::resource(unsigned type, unsigned id) const {
    const auto root = fileOffset(directoryRva(2));
    if (!root) return std::nullopt;
    // Finds the entry with a numeric id in a resource directory; returns its offset field.
    const auto find = [&](size_t directory, std::optional<unsigned> wanted) -> std::optional<unsigned> {
        const unsigned named = read16(directory + 12);
        const unsigned numbered = read16(directory + 14);
        for (unsigned i = 0; i < named + numbered; ++i) {
            const size_t entry = directory + 16 + i * 8;
            if (!wanted || read32(entry) == *wanted) return read32(entry + 4);
        }
        return std::nullopt;
    };
    constexpr unsigned kSubdirectory = 0x80000000;
    const auto types = find(*root, type);
    if (!types || !(*types & kSubdirectory)) return std::nullopt;
    const auto ids = find(*root + (*types & ~kSubdirectory), id);
    if (!ids || !(*ids & kSubdirectory)) return std::nullopt;
    const auto language = find(*root + (*ids & ~kSubdirectory), std::nullopt);
    if (!language || (*language & kSubdirectory)) return std::nullopt;
    const size_t data = *root + *language;
    const auto content = fileOffset(read32(data));
    const unsigned size = read32(data + 4);
    if (!content || *content + size > bytes_.size()) return std::nullopt;
    return bytes_.substr(*content, size);
}

}  // namespace windows_exe
