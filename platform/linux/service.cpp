// fhsvcctl's functions, answered by the simulated File History service.
#include "platform/fh_service.h"
#include "platform/sim/service.h"

HRESULT WINAPI FhServiceOpenPipe(BOOL startServiceIfStopped, FH_SERVICE_PIPE_HANDLE* pipe) {
    return sim::OpenServicePipe(startServiceIfStopped, reinterpret_cast<void**>(pipe));
}

HRESULT WINAPI FhServiceClosePipe(FH_SERVICE_PIPE_HANDLE pipe) { return sim::CloseServicePipe(pipe); }

HRESULT WINAPI FhServiceStopBackup(FH_SERVICE_PIPE_HANDLE pipe, BOOL stopTracking) {
    return sim::StopBackup(pipe, stopTracking);
}

HRESULT WINAPI FhServiceReloadConfiguration(FH_SERVICE_PIPE_HANDLE pipe) { return sim::ReloadConfiguration(pipe); }

HRESULT WINAPI FhServiceBlockBackup(FH_SERVICE_PIPE_HANDLE pipe) { return sim::BlockBackup(pipe); }

HRESULT WINAPI FhServiceUnblockBackup(FH_SERVICE_PIPE_HANDLE pipe) { return sim::UnblockBackup(pipe); }
