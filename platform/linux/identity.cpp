// The simulated user and PC: USERNAME and COMPUTERNAME, as a Windows process
// sees them in its environment, and the PC's fully qualified DNS name in
// FHSWITCH_SIM_DNS_NAME (without it, COMPUTERNAME in lower case), so that a
// test can choose each.
#include <locale.h>
#include <unistd.h>
#include <wctype.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/identity.h"
#include "platform/utf16.h"

namespace {

std::string FromEnvironment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

// The UTF-16 units of a UTF-8 text, each upper-cased on its own, as Windows
// does when it compares ordinally without case.
std::vector<WCHAR> UpperCased(std::string_view text) {
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    std::vector<WCHAR> units = ToUtf16(text);
    for (WCHAR& unit : units) {
        const bool surrogate = unit >= 0xD800 && unit <= 0xDFFF;
        const wint_t upper = surrogate          ? unit
                             : utf8 != nullptr ? towupper_l(unit, utf8)
                             : unit >= 'a' && unit <= 'z' ? unit - ('a' - 'A')
                                                          : unit;
        if (upper <= 0xFFFF) unit = static_cast<WCHAR>(upper);
    }
    return units;
}

}  // namespace

std::string ThisUserName() { return FromEnvironment("USERNAME", "user"); }

ComputerNames ThisComputerNames() {
    char host[256] = {};
    const bool named = gethostname(host, sizeof host - 1) == 0 && host[0] != '\0';
    const std::string netbios = FromEnvironment("COMPUTERNAME", named ? host : "PC");
    std::string lowerCased = netbios;
    for (char& c : lowerCased) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    const std::string fullyQualified = FromEnvironment("FHSWITCH_SIM_DNS_NAME", lowerCased.c_str());
    return {netbios, fullyQualified.substr(0, fullyQualified.find('.')), fullyQualified};
}

bool SameName(std::string_view a, std::string_view b) { return UpperCased(a) == UpperCased(b); }
