// The File History service's reload, after a configuration is saved.
#pragma once

#include "platform/win_api.h"

// Has the File History service reload its configuration (starting it if
// stopped). The pipe is closed whatever the reload reported; the close
// counts only when the reload succeeded.
HRESULT ReloadServiceConfiguration();
