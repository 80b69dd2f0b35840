#include "cli/switches.h"

const char* AfterSwitch(const char* argument, const char* name) {
    for (; *name != '\0'; ++argument, ++name) {
        const char c = *argument >= 'A' && *argument <= 'Z' ? static_cast<char>(*argument - 'A' + 'a') : *argument;
        if (c != *name) return nullptr;
    }
    return argument;
}

bool IsSwitch(const char* argument, const char* name) {
    const char* rest = AfterSwitch(argument, name);
    return rest != nullptr && *rest == '\0';
}
