#include "cli/utf8_arguments.h"

#include <string>
#include <vector>

#include "platform/text.h"

int RunOnUtf8Arguments(int argc, wchar_t* argv[], int (*program)(int argc, char* argv[])) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) arguments.push_back(ToUtf8(argv[i]));
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    return program(argc, pointers.data());
}
