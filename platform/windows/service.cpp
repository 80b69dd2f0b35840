// fhsvcctl.dll, loaded at first use from System32 only. It is not a KnownDLL,
// so a static import would bind a fhsvcctl.dll planted beside the exe (in
// Downloads, or on a share users can write to) and run it with the user's
// rights. A library or function that cannot be had makes each call that needs
// it fail with the load error.
#include "platform/fh_service.h"
#include "platform/unique.h"

namespace {

using OpenPipeFunction = HRESULT(WINAPI*)(BOOL, FH_SERVICE_PIPE_HANDLE*);
using ClosePipeFunction = HRESULT(WINAPI*)(FH_SERVICE_PIPE_HANDLE);
using StopBackupFunction = HRESULT(WINAPI*)(FH_SERVICE_PIPE_HANDLE, BOOL);
using ReloadConfigurationFunction = HRESULT(WINAPI*)(FH_SERVICE_PIPE_HANDLE);
using BlockBackupFunction = HRESULT(WINAPI*)(FH_SERVICE_PIPE_HANDLE);
using UnblockBackupFunction = HRESULT(WINAPI*)(FH_SERVICE_PIPE_HANDLE);

// The last error as a failure; never S_OK, even where a loader forgot to set it.
HRESULT LastErrorAsFailure() {
    const DWORD error = GetLastError();
    return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

struct ModuleTraits {
    using Type = HMODULE;
    static Type Empty() { return nullptr; }
    static void Free(Type module) { FreeLibrary(module); }
};
// The loaded library, kept until the process ends.
using UniqueModule = UniqueAny<ModuleTraits>;

// One function of the library, or the error that kept it from being had.
template <typename Function>
struct Export {
    Function function = nullptr;
    HRESULT failure = S_OK;

    template <typename... Arguments>
    HRESULT operator()(Arguments... arguments) const {
        return function != nullptr ? function(arguments...) : failure;
    }
};

struct ServiceLibrary {
    const UniqueModule module{LoadLibraryExW(L"fhsvcctl.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)};
    const HRESULT loadFailure = module ? S_OK : LastErrorAsFailure();
    const Export<OpenPipeFunction> openPipe = Find<OpenPipeFunction>("FhServiceOpenPipe");
    const Export<ClosePipeFunction> closePipe = Find<ClosePipeFunction>("FhServiceClosePipe");
    const Export<StopBackupFunction> stopBackup = Find<StopBackupFunction>("FhServiceStopBackup");
    const Export<ReloadConfigurationFunction> reloadConfiguration =
        Find<ReloadConfigurationFunction>("FhServiceReloadConfiguration");
    const Export<BlockBackupFunction> blockBackup = Find<BlockBackupFunction>("FhServiceBlockBackup");
    const Export<UnblockBackupFunction> unblockBackup = Find<UnblockBackupFunction>("FhServiceUnblockBackup");

    template <typename Function>
    Export<Function> Find(const char* name) const {
        if (FAILED(loadFailure)) return {nullptr, loadFailure};
        const FARPROC address = GetProcAddress(module.get(), name);
        if (address == nullptr) return {nullptr, LastErrorAsFailure()};
        // Through void(*)(), which converts to any function type without a warning.
        return {reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address)), S_OK};
    }
};

const ServiceLibrary& Library() {
    static const ServiceLibrary library;  // loaded at first use, once
    return library;
}

}  // namespace

HRESULT WINAPI FhServiceOpenPipe(BOOL startServiceIfStopped, FH_SERVICE_PIPE_HANDLE* pipe) {
    return Library().openPipe(startServiceIfStopped, pipe);
}

HRESULT WINAPI FhServiceClosePipe(FH_SERVICE_PIPE_HANDLE pipe) { return Library().closePipe(pipe); }

HRESULT WINAPI FhServiceStopBackup(FH_SERVICE_PIPE_HANDLE pipe, BOOL stopTracking) {
    return Library().stopBackup(pipe, stopTracking);
}

HRESULT WINAPI FhServiceReloadConfiguration(FH_SERVICE_PIPE_HANDLE pipe) {
    return Library().reloadConfiguration(pipe);
}

HRESULT WINAPI FhServiceBlockBackup(FH_SERVICE_PIPE_HANDLE pipe) { return Library().blockBackup(pipe); }

HRESULT WINAPI FhServiceUnblockBackup(FH_SERVICE_PIPE_HANDLE pipe) { return Library().unblockBackup(pipe); }
