#include "history/service_reload.h"

#include "platform/fh_service.h"

HRESULT ReloadServiceConfiguration() {
    UniqueServicePipe pipe;
    const HRESULT opened = pipe.Open(TRUE);
    if (FAILED(opened)) return opened;
    const HRESULT reloaded = FhServiceReloadConfiguration(pipe.get());
    const HRESULT closed = pipe.Close();
    return FAILED(reloaded) ? reloaded : closed;
}
