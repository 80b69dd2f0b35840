// Reads what the Windows tests check in a built executable (PE32 or PE32+).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace windows_exe {

class PeImage {
public:
    // Loads the file; valid() tells whether it is a PE32 or PE32+ image.
    explicit PeImage(const std::string& path);
    bool valid() const { return valid_; }

    // The DLL names in the import directory, in their order.
    std::vector<std::string> importedDlls() const;
    // The resource of the given type and id (first language), if present.
    std::optional<std::string> resource(unsigned type, unsigned id) const;

private:
    struct Section {
        unsigned virtualAddress, virtualSize, rawOffset, rawSize;
    };
    unsigned read32(size_t offset) const;
    unsigned read16(size_t offset) const;
    std::optional<size_t> fileOffset(unsigned rva) const;
    unsigned directoryRva(int index) const;

    std::string bytes_;
    std::vector<Section> sections_;
    size_t directories_ = 0;
    bool valid_ = false;
};

}  // namespace windows_exe
