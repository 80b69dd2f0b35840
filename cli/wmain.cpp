// The Windows entry. The arguments are taken as UTF-16 and handed on in
// UTF-8: the narrow ones come in the ANSI code page wherever Windows ignores
// the manifest's UTF-8 (before Windows 10 1903), where a character outside it
// arrives as '?'.
#include <string>
#include <vector>

#include "cli/dispatch.h"
#include "platform/text.h"

int wmain(int argc, wchar_t* argv[]) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) arguments.push_back(ToUtf8(argv[i]));
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    return Dispatch(argc, pointers.data());
}
