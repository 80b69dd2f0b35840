#include <cstdlib>

#include "platform/environment.h"

std::string EnvironmentVariable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}
