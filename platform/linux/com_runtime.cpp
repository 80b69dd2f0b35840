// The simulated COM runtime: an apartment count, and File History's two
// classes to create.
#include "platform/fh_config.h"
#include "platform/fh_reassociation.h"
#include "platform/linux/config_manager.h"
#include "platform/linux/reassociation.h"
#include "platform/sim/state.h"

namespace {

int apartmentEntries = 0;  // CoInitializeEx successes not yet balanced

}  // namespace

HRESULT CoInitializeEx(void* reserved, DWORD coInit) {
    HRESULT result = sim::CurrentSettings().ResultOf(sim::Call::CoInitializeEx);
    if (SUCCEEDED(result) && reserved != nullptr) result = E_INVALIDARG;
    if (SUCCEEDED(result)) ++apartmentEntries;
    sim::Trace(sim::Call::CoInitializeEx, {sim::HresultField(result), sim::NumberField(coInit)});
    return result;
}

void CoUninitialize() {
    if (apartmentEntries > 0) --apartmentEntries;
    sim::Trace(sim::Call::CoUninitialize, {"-"});
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** object) {
    const bool reassociation = clsid == CLSID_FhReassociation;
    HRESULT result = sim::CurrentSettings().ResultOf(reassociation ? sim::Call::CreateFhReassociation
                                                                   : sim::Call::CoCreateInstance);
    if (SUCCEEDED(result) && object == nullptr) result = E_POINTER;
    if (SUCCEEDED(result) && apartmentEntries == 0) result = CO_E_NOTINITIALIZED;
    if (SUCCEEDED(result) && (outer != nullptr || !(clsid == CLSID_FhConfigMgr || reassociation) ||
                              (context & CLSCTX_INPROC_SERVER) == 0)) {
        result = REGDB_E_CLASSNOTREG;
    }
    if (SUCCEEDED(result) && !(iid == (reassociation ? IID_IFhReassociation : IID_IFhConfigMgr))) {
        result = E_NOINTERFACE;
    }
    if (object != nullptr) *object = nullptr;
    if (SUCCEEDED(result) && reassociation) *object = NewSimulatedReassociation();
    if (SUCCEEDED(result) && !reassociation) *object = NewSimulatedConfigManager();
    sim::Trace(sim::Call::CoCreateInstance, {sim::HresultField(result), sim::GuidField(clsid), sim::NumberField(context),
                sim::GuidField(iid)});
    return result;
}
