// The slice of the Windows API that fhswitch is written against. On Windows it
// is the SDK's own; elsewhere the simulation declares the same names.
#pragma once

#ifdef _WIN32
#include "platform/windows/win_api.h"
#else
#include "platform/linux/win_api.h"
#endif
