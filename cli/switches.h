// Switches as cmd's users type them: "/name" or "/name:value", in any case.
#pragma once

// What follows the switch `name` (lower case) that the argument starts with;
// null where it does not start so.
const char* AfterSwitch(const char* argument, const char* name);

// Whether the argument is the switch `name` (lower case) and nothing more.
bool IsSwitch(const char* argument, const char* name);
