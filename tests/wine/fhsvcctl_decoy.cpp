// A fhsvcctl.dll planted beside the exe. Loaded, it appends "DecoyLoaded" to
// the trace file and fails every call; it exports the real names, so that a
// static import would bind it and show.
#include <windows.h>

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("FHSWITCH_SIM_TRACE", path, sizeof path);
    if (reason != DLL_PROCESS_ATTACH || length == 0 || length >= sizeof path) return TRUE;
    const HANDLE trace = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (trace != INVALID_HANDLE_VALUE) {
        static const char kLine[] = "DecoyLoaded\t-\n";
        DWORD written = 0;
        WriteFile(trace, kLine, sizeof kLine - 1, &written, nullptr);
        CloseHandle(trace);
    }
    return TRUE;
}

HRESULT WINAPI FhServiceOpenPipe(BOOL, void**) { return E_ACCESSDENIED; }
HRESULT WINAPI FhServiceClosePipe(void*) { return E_ACCESSDENIED; }
HRESULT WINAPI FhServiceStartBackup(void*, BOOL) { return E_ACCESSDENIED; }
HRESULT WINAPI FhServiceStopBackup(void*, BOOL) { return E_ACCESSDENIED; }
HRESULT WINAPI FhServiceReloadConfiguration(void*) { return E_ACCESSDENIED; }
HRESULT WINAPI FhServiceBlockBackup(void*) { return E_ACCESSDENIED; }
HRESULT WINAPI FhServiceUnblockBackup(void*) { return E_ACCESSDENIED; }

}  // extern "C"
