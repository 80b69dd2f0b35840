#include "platform/identity.h"

#include <vector>

#include "platform/text.h"
#include "platform/utf16.h"

std::string ThisUserName() {
    WCHAR name[257];  // UNLEN + 1
    DWORD size = sizeof name / sizeof name[0];
    return GetUserNameW(name, &size) ? ToUtf8(WideStringView(name)) : "";
}

std::string ThisComputerName() {
    WCHAR name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = sizeof name / sizeof name[0];
    return GetComputerNameW(name, &size) ? ToUtf8(WideStringView(name, size)) : "";
}

bool SameName(std::string_view a, std::string_view b) {
    const std::vector<WCHAR> wideA = ToUtf16(a);
    const std::vector<WCHAR> wideB = ToUtf16(b);
    return CompareStringOrdinal(wideA.data(), -1, wideB.data(), -1, TRUE) == CSTR_EQUAL;
}
