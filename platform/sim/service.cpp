#include "platform/sim/service.h"

#include "platform/sim/state.h"

namespace sim {
namespace {

struct Pipe {};

HRESULT ResultOnPipe(const char* call, void* pipe) {
    const HRESULT result = CurrentSettings().ResultOf(call);
    return SUCCEEDED(result) && pipe == nullptr ? E_INVALIDARG : result;
}

}  // namespace

HRESULT OpenServicePipe(BOOL startServiceIfStopped, void** pipe) {
    HRESULT result = CurrentSettings().ResultOf("FhServiceOpenPipe");
    if (SUCCEEDED(result) && pipe == nullptr) result = E_POINTER;
    if (SUCCEEDED(result)) *pipe = new Pipe;
    Trace({"FhServiceOpenPipe", HresultField(result), NumberField(startServiceIfStopped)});
    return result;
}

HRESULT CloseServicePipe(void* pipe) {
    const HRESULT result = ResultOnPipe("FhServiceClosePipe", pipe);
    // The handle is gone whatever the close reports, as with any handle.
    delete static_cast<Pipe*>(pipe);
    Trace({"FhServiceClosePipe", HresultField(result)});
    return result;
}

HRESULT StopBackup(void* pipe, BOOL stopTracking) {
    const HRESULT result = ResultOnPipe("FhServiceStopBackup", pipe);
    Trace({"FhServiceStopBackup", HresultField(result), NumberField(stopTracking)});
    return result;
}

HRESULT ReloadConfiguration(void* pipe) {
    const HRESULT result = ResultOnPipe("FhServiceReloadConfiguration", pipe);
    Trace({"FhServiceReloadConfiguration", HresultField(result)});
    return result;
}

}  // namespace sim
