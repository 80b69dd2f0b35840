#include "platform/sim/service.h"

#include "platform/sim/state.h"

namespace sim {
namespace {

struct Pipe {};

HRESULT ResultOnPipe(Call call, void* pipe) {
    const HRESULT result = CurrentSettings().ResultOf(call);
    return SUCCEEDED(result) && pipe == nullptr ? E_INVALIDARG : result;
}

}  // namespace

HRESULT OpenServicePipe(BOOL startServiceIfStopped, void** pipe) {
    HRESULT result = CurrentSettings().ResultOf(Call::FhServiceOpenPipe);
    if (SUCCEEDED(result) && pipe == nullptr) result = E_POINTER;
    if (SUCCEEDED(result)) *pipe = new Pipe;
    Trace(Call::FhServiceOpenPipe, {HresultField(result), NumberField(startServiceIfStopped)});
    return result;
}

HRESULT CloseServicePipe(void* pipe) {
    const HRESULT result = ResultOnPipe(Call::FhServiceClosePipe, pipe);
    // The handle is gone whatever the close reports, as with any handle.
    delete static_cast<Pipe*>(pipe);
    Trace(Call::FhServiceClosePipe, {HresultField(result)});
    return result;
}

HRESULT StopBackup(void* pipe, BOOL stopTracking) {
    const HRESULT result = ResultOnPipe(Call::FhServiceStopBackup, pipe);
    Trace(Call::FhServiceStopBackup, {HresultField(result), NumberField(stopTracking)});
    return result;
}

HRESULT ReloadConfiguration(void* pipe) {
    const HRESULT result = ResultOnPipe(Call::FhServiceReloadConfiguration, pipe);
    Trace(Call::FhServiceReloadConfiguration, {HresultField(result)});
    return result;
}

HRESULT BlockBackup(void* pipe) {
    const HRESULT result = ResultOnPipe(Call::FhServiceBlockBackup, pipe);
    Trace(Call::FhServiceBlockBackup, {HresultField(result)});
    return result;
}

HRESULT UnblockBackup(void* pipe) {
    const HRESULT result = ResultOnPipe(Call::FhServiceUnblockBackup, pipe);
    Trace(Call::FhServiceUnblockBackup, {HresultField(result)});
    return result;
}

}  // namespace sim
