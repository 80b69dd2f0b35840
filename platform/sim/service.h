// The simulated File History service behind fhsvcctl's functions, shared by
// the Linux simulation and the Windows stand-in DLL. A pipe is a heap object,
// so that a pipe never closed shows as a leak and a pipe closed twice as a
// double free under the sanitizers.
#pragma once

#include "platform/win_api.h"

namespace sim {

HRESULT OpenServicePipe(BOOL startServiceIfStopped, void** pipe);
HRESULT CloseServicePipe(void* pipe);
HRESULT StopBackup(void* pipe, BOOL stopTracking);
HRESULT ReloadConfiguration(void* pipe);
HRESULT BlockBackup(void* pipe);
HRESULT UnblockBackup(void* pipe);
// Whether a pipe, of this process or of a stand-in beside it, has the user's
// backups blocked.
bool BackupsBlocked();

}  // namespace sim
