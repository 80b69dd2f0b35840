// The simulated user and PC: USERNAME and COMPUTERNAME, as a Windows process
// sees them in its environment, so that a test can choose both.
#include <locale.h>
#include <unistd.h>
#include <wctype.h>

#include <cstdlib>
#include <string>

#include "platform/identity.h"

namespace {

std::string FromEnvironment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

// The characters of a UTF-8 text, each upper-cased on its own, as Windows
// does when it compares ordinally without case (one UTF-16 unit at a time,
// so characters beyond the BMP stay as they are). A byte that starts no
// character stands for itself.
std::u32string UpperCased(std::string_view text) {
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    std::u32string characters;
    for (size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        char32_t character = length == 1 ? lead : lead & (0x7F >> length);
        bool whole = at + length <= text.size();
        for (size_t k = 1; whole && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[at + k]);
            whole = (next & 0xC0) == 0x80;
            character = character << 6 | (next & 0x3F);
        }
        if (!whole) character = lead;
        at += whole ? length : 1;
        const bool inBmp = character <= 0xFFFF && !(character >= 0xD800 && character <= 0xDFFF);
        if (inBmp && utf8 != nullptr) character = static_cast<char32_t>(towupper_l(static_cast<wint_t>(character), utf8));
        if (inBmp && utf8 == nullptr && character >= 'a' && character <= 'z') character -= 'a' - 'A';
        characters += character;
    }
    return characters;
}

}  // namespace

std::string ThisUserName() { return FromEnvironment("USERNAME", "user"); }

std::string ThisComputerName() {
    char host[256] = {};
    const bool named = gethostname(host, sizeof host - 1) == 0 && host[0] != '\0';
    return FromEnvironment("COMPUTERNAME", named ? host : "PC");
}

bool SameName(std::string_view a, std::string_view b) { return UpperCased(a) == UpperCased(b); }
