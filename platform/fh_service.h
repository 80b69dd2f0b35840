// The File History service control library (fhsvcctl.dll), declared here
// because mingw-w64 ships no header for it.
#pragma once

#include "platform/win_api.h"

struct FhServicePipe;
using FH_SERVICE_PIPE_HANDLE = FhServicePipe*;

extern "C" {
HRESULT WINAPI FhServiceOpenPipe(BOOL startServiceIfStopped, FH_SERVICE_PIPE_HANDLE* pipe);
HRESULT WINAPI FhServiceClosePipe(FH_SERVICE_PIPE_HANDLE pipe);
HRESULT WINAPI FhServiceStopBackup(FH_SERVICE_PIPE_HANDLE pipe, BOOL stopTracking);
HRESULT WINAPI FhServiceReloadConfiguration(FH_SERVICE_PIPE_HANDLE pipe);
}

// A pipe to the File History service. Close() reports the close's result for
// the callers that examine it; otherwise the pipe is closed when the owner goes.
class UniqueServicePipe {
public:
    UniqueServicePipe() = default;
    UniqueServicePipe(const UniqueServicePipe&) = delete;
    UniqueServicePipe& operator=(const UniqueServicePipe&) = delete;
    ~UniqueServicePipe() {
        if (open_) FhServiceClosePipe(pipe_);
    }

    HRESULT Open(BOOL startServiceIfStopped) {
        const HRESULT opened = FhServiceOpenPipe(startServiceIfStopped, &pipe_);
        open_ = SUCCEEDED(opened);
        return opened;
    }
    FH_SERVICE_PIPE_HANDLE get() const { return pipe_; }
    HRESULT Close() {
        open_ = false;
        return FhServiceClosePipe(pipe_);
    }

private:
    FH_SERVICE_PIPE_HANDLE pipe_ = nullptr;
    bool open_ = false;
};
