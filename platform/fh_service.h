// The File History service control library (fhsvcctl.dll), declared here
// because mingw-w64 ships no header for it.
#pragma once

#include "platform/unique.h"
#include "platform/win_api.h"

struct FhServicePipe;
using FH_SERVICE_PIPE_HANDLE = FhServicePipe*;

extern "C" {
HRESULT WINAPI FhServiceOpenPipe(BOOL startServiceIfStopped, FH_SERVICE_PIPE_HANDLE* pipe);
HRESULT WINAPI FhServiceClosePipe(FH_SERVICE_PIPE_HANDLE pipe);
HRESULT WINAPI FhServiceStopBackup(FH_SERVICE_PIPE_HANDLE pipe, BOOL stopTracking);
HRESULT WINAPI FhServiceReloadConfiguration(FH_SERVICE_PIPE_HANDLE pipe);
HRESULT WINAPI FhServiceBlockBackup(FH_SERVICE_PIPE_HANDLE pipe);
HRESULT WINAPI FhServiceUnblockBackup(FH_SERVICE_PIPE_HANDLE pipe);
}

struct ServicePipeTraits {
    using Type = FH_SERVICE_PIPE_HANDLE;
    static Type Empty() { return nullptr; }
    static void Free(Type pipe) { FhServiceClosePipe(pipe); }
};

// A pipe to the File History service, closed when the owner goes. Close()
// closes it now, for the callers that examine the close's result.
class UniqueServicePipe : public UniqueAny<ServicePipeTraits> {
public:
    // Opens a pipe, closing any held before; on failure nothing is held.
    HRESULT Open(BOOL startServiceIfStopped) {
        const HRESULT opened = FhServiceOpenPipe(startServiceIfStopped, put());
        if (FAILED(opened)) release();  // whatever a failing open wrote is no pipe
        return opened;
    }
    HRESULT Close() { return FhServiceClosePipe(release()); }
};
