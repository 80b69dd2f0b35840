#include "platform/sim/service.h"

#include <filesystem>

#include "platform/sim/configuration.h"
#include "platform/sim/native_path.h"
#include "platform/sim/state.h"
#include "platform/sim/stored_file.h"

namespace sim {
namespace {

struct Pipe {
    bool blocking = false;
};

// The mark of the user's backups blocked: a file, as the service's state is
// shared by the stand-in libraries, each with its own copy of this code.
std::optional<std::string> BlockedMark() {
    const std::optional<std::string> configuration = ConfigurationDirectory();
    if (!configuration) return std::nullopt;
    return configuration->substr(0, configuration->rfind('\\')) + "\\simulated-service-blocked";
}

void MarkBlocked(bool blocked) {
    const std::optional<std::string> mark = BlockedMark();
    if (!mark) return;
    if (blocked) {
        WriteStoredFile(*mark, "");
    } else {
        std::error_code absent;
        std::filesystem::remove(NativePath(*mark), absent);
    }
}

HRESULT ResultOnPipe(Call call, void* pipe) {
    const HRESULT result = CurrentSettings().ResultOf(call);
    return SUCCEEDED(result) && pipe == nullptr ? E_INVALIDARG : result;
}

}  // namespace

HRESULT OpenServicePipe(BOOL startServiceIfStopped, void** pipe) {
    HRESULT result = CurrentSettings().ResultOf(Call::FhServiceOpenPipe);
    if (SUCCEEDED(result) && pipe == nullptr) result = E_POINTER;
    if (SUCCEEDED(result)) *pipe = new Pipe;
    // HeldConfigurationFile: the service has the configuration in use.
    const std::optional<std::string> configuration = ConfigurationDirectory();
    if (SUCCEEDED(result) && configuration &&
        CurrentSettings().AnswerOf(Variant::HeldConfigurationFile) == kConfigurationFileHeld) {
        HoldOpen(*configuration + "\\Config1.xml");
    }
    Trace(Call::FhServiceOpenPipe, {HresultField(result), NumberField(startServiceIfStopped)});
    return result;
}

HRESULT CloseServicePipe(void* pipe) {
    const HRESULT result = ResultOnPipe(Call::FhServiceClosePipe, pipe);
    // The handle is gone whatever the close reports, as with any handle; and
    // with it the block it held.
    if (pipe != nullptr && static_cast<Pipe*>(pipe)->blocking) MarkBlocked(false);
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
    if (SUCCEEDED(result)) {
        static_cast<Pipe*>(pipe)->blocking = true;
        MarkBlocked(true);
    }
    Trace(Call::FhServiceBlockBackup, {HresultField(result)});
    return result;
}

HRESULT UnblockBackup(void* pipe) {
    const HRESULT result = ResultOnPipe(Call::FhServiceUnblockBackup, pipe);
    if (SUCCEEDED(result) && static_cast<Pipe*>(pipe)->blocking) {
        static_cast<Pipe*>(pipe)->blocking = false;
        MarkBlocked(false);
    }
    Trace(Call::FhServiceUnblockBackup, {HresultField(result)});
    return result;
}

bool BackupsBlocked() {
    const std::optional<std::string> mark = BlockedMark();
    return mark && ReadStoredFile(*mark);
}

}  // namespace sim
