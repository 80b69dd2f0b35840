// The stand-in fhsvcctl.dll: the seven service functions, answered by the
// simulated File History service.
#include "platform/sim/service.h"
#include "tests/wine/load_settings.h"

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) LoadSimulationSettingsOrExit();
    return TRUE;
}

HRESULT WINAPI FhServiceOpenPipe(BOOL startServiceIfStopped, void** pipe) {
    return sim::OpenServicePipe(startServiceIfStopped, pipe);
}
HRESULT WINAPI FhServiceClosePipe(void* pipe) { return sim::CloseServicePipe(pipe); }
HRESULT WINAPI FhServiceStopBackup(void* pipe, BOOL stopTracking) { return sim::StopBackup(pipe, stopTracking); }
HRESULT WINAPI FhServiceReloadConfiguration(void* pipe) { return sim::ReloadConfiguration(pipe); }
HRESULT WINAPI FhServiceBlockBackup(void* pipe) { return sim::BlockBackup(pipe); }
HRESULT WINAPI FhServiceUnblockBackup(void* pipe) { return sim::UnblockBackup(pipe); }

// Not used by fhswitch; present because the real library exports it.
HRESULT WINAPI FhServiceStartBackup(void*, BOOL) { return E_NOTIMPL; }

}  // extern "C"
