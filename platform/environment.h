// The process environment.
#pragma once

#include <string>

// The value of an environment variable; empty when it is unset.
std::string EnvironmentVariable(const char* name);
