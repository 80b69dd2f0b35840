// A target as the platform takes it, for enabling and for a scan alike.
#pragma once

#include <vector>

#include "platform/win_api.h"

// The target ending in a backslash ("X:\", "\\server\share\"), with a
// terminating zero. A trailing quote is a backslash that escaped the closing
// quote on the command line ("\\nas\my share\" arrives as \\nas\my share"):
// a quote is never part of a Windows path. An empty target stays empty, for
// the platform to refuse.
std::vector<WCHAR> TargetUrl(const WCHAR* targetPath);
