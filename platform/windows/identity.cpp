#include "platform/identity.h"

#include <vector>

#include "platform/text.h"
#include "platform/utf16.h"

std::string ThisUserName() {
    WCHAR name[257];  // UNLEN + 1
    DWORD size = sizeof name / sizeof name[0];
    return GetUserNameW(name, &size) ? ToUtf8(WideStringView(name)) : "";
}

namespace {

// One of the names; asked for its size first, as a DNS name has no fixed bound.
std::string ComputerName(COMPUTER_NAME_FORMAT format) {
    DWORD size = 0;
    GetComputerNameExW(format, nullptr, &size);
    if (size == 0) return "";
    std::vector<WCHAR> name(size);
    if (!GetComputerNameExW(format, name.data(), &size)) return "";
    return ToUtf8(WideStringView(name.data(), size));
}

}  // namespace

ComputerNames ThisComputerNames() {
    return {ComputerName(ComputerNameNetBIOS), ComputerName(ComputerNameDnsHostname),
            ComputerName(ComputerNameDnsFullyQualified)};
}

bool SameName(std::string_view a, std::string_view b) {
    const std::vector<WCHAR> wideA = ToUtf16(a);
    const std::vector<WCHAR> wideB = ToUtf16(b);
    return CompareStringOrdinal(wideA.data(), -1, wideB.data(), -1, TRUE) == CSTR_EQUAL;
}
