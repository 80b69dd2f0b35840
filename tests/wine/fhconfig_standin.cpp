// The stand-in in-process COM server for the File History configuration
// manager. Its vtable is laid out here from the platform's slot table, apart
// from the program's own declaration of IFhConfigMgr: if that declaration put
// a method in the wrong slot, the program would call the wrong function here
// and the Wine tests would fail, as the real manager would misbehave.
#include <cstddef>
#include <new>

#include "platform/sim/configuration.h"
#include "platform/sim/state.h"
#include "tests/wine/load_settings.h"

namespace {

// {ED43BB3C-09E9-498A-9DF6-2177244C6DB4}
constexpr GUID kConfigManagerClass = {0xED43BB3C, 0x09E9, 0x498A, {0x9D, 0xF6, 0x21, 0x77, 0x24, 0x4C, 0x6D, 0xB4}};
// {6A5FEA5B-BF8F-4EE5-B8C3-44D8A0D7331C}
constexpr GUID kConfigManagerInterface = {0x6A5FEA5B, 0xBF8F, 0x4EE5,
                                          {0xB8, 0xC3, 0x44, 0xD8, 0xA0, 0xD7, 0x33, 0x1C}};

struct ConfigManager;

// One entry per slot, in the platform's order.
struct ConfigManagerVtable {
    HRESULT(STDMETHODCALLTYPE* QueryInterface)(ConfigManager*, REFIID, void**);
    ULONG(STDMETHODCALLTYPE* AddRef)(ConfigManager*);
    ULONG(STDMETHODCALLTYPE* Release)(ConfigManager*);
    HRESULT(STDMETHODCALLTYPE* LoadConfiguration)(ConfigManager*);
    HRESULT(STDMETHODCALLTYPE* CreateDefaultConfiguration)(ConfigManager*, BOOL overwriteIfExists);
    HRESULT(STDMETHODCALLTYPE* SaveConfiguration)(ConfigManager*);
    HRESULT(STDMETHODCALLTYPE* AddRemoveExcludeRule)(ConfigManager*, BOOL, int, BSTR);
    HRESULT(STDMETHODCALLTYPE* GetIncludeExcludeRules)(ConfigManager*, BOOL, int, void**);
    HRESULT(STDMETHODCALLTYPE* GetLocalPolicy)(ConfigManager*, int, ULONGLONG*);
    HRESULT(STDMETHODCALLTYPE* SetLocalPolicy)(ConfigManager*, int, ULONGLONG);
    HRESULT(STDMETHODCALLTYPE* GetBackupStatus)(ConfigManager*, INT32* backupStatus);
    HRESULT(STDMETHODCALLTYPE* SetBackupStatus)(ConfigManager*, INT32 backupStatus);
    HRESULT(STDMETHODCALLTYPE* GetDefaultTarget)(ConfigManager*, void**);
    HRESULT(STDMETHODCALLTYPE* ValidateTarget)(ConfigManager*, BSTR targetUrl, INT32* validationResult);
    HRESULT(STDMETHODCALLTYPE* ProvisionAndSetNewTarget)(ConfigManager*, BSTR targetUrl, BSTR targetName);
    HRESULT(STDMETHODCALLTYPE* ChangeDefaultTargetRecommendation)(ConfigManager*, BOOL recommend);
    HRESULT(STDMETHODCALLTYPE* QueryProtectionStatus)(ConfigManager*, DWORD*, BSTR*);
};

#define EXPECT_SLOT(method, slot) \
    static_assert(offsetof(ConfigManagerVtable, method) == (slot) * sizeof(void*), #method " is slot " #slot)
EXPECT_SLOT(QueryInterface, 0);
EXPECT_SLOT(AddRef, 1);
EXPECT_SLOT(Release, 2);
EXPECT_SLOT(LoadConfiguration, 3);
EXPECT_SLOT(CreateDefaultConfiguration, 4);
EXPECT_SLOT(SaveConfiguration, 5);
EXPECT_SLOT(AddRemoveExcludeRule, 6);
EXPECT_SLOT(GetIncludeExcludeRules, 7);
EXPECT_SLOT(GetLocalPolicy, 8);
EXPECT_SLOT(SetLocalPolicy, 9);
EXPECT_SLOT(GetBackupStatus, 10);
EXPECT_SLOT(SetBackupStatus, 11);
EXPECT_SLOT(GetDefaultTarget, 12);
EXPECT_SLOT(ValidateTarget, 13);
EXPECT_SLOT(ProvisionAndSetNewTarget, 14);
EXPECT_SLOT(ChangeDefaultTargetRecommendation, 15);
EXPECT_SLOT(QueryProtectionStatus, 16);
static_assert(sizeof(ConfigManagerVtable) == 17 * sizeof(void*), "IFhConfigMgr has 17 slots");
#undef EXPECT_SLOT

struct ConfigManager {
    const ConfigManagerVtable* vtable;
    LONG references;
    sim::ConfigurationManager behaviour;
};

bool IsUnknownOrManager(REFIID iid) { return iid == IID_IUnknown || iid == kConfigManagerInterface; }

HRESULT STDMETHODCALLTYPE QueryInterface(ConfigManager* self, REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = IsUnknownOrManager(iid) ? self : nullptr;
    if (*object == nullptr) return E_NOINTERFACE;
    InterlockedIncrement(&self->references);
    return S_OK;
}

ULONG STDMETHODCALLTYPE AddRef(ConfigManager* self) { return InterlockedIncrement(&self->references); }

ULONG STDMETHODCALLTYPE Release(ConfigManager* self) {
    self->behaviour.TraceRelease();
    const LONG left = InterlockedDecrement(&self->references);
    if (left == 0) delete self;
    return static_cast<ULONG>(left);
}

// The slots fhswitch never calls, each with its own signature: on x86 a
// __stdcall callee pops its arguments, so one function cannot serve them all.
template <typename... Arguments>
HRESULT STDMETHODCALLTYPE NotUsedByFhswitch(ConfigManager*, Arguments...) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CreateDefaultConfiguration(ConfigManager* self, BOOL overwriteIfExists) {
    return self->behaviour.CreateDefaultConfiguration(overwriteIfExists);
}

HRESULT STDMETHODCALLTYPE SaveConfiguration(ConfigManager* self) { return self->behaviour.SaveConfiguration(); }

HRESULT STDMETHODCALLTYPE GetBackupStatus(ConfigManager* self, INT32* backupStatus) {
    return self->behaviour.GetBackupStatus(backupStatus);
}

HRESULT STDMETHODCALLTYPE SetBackupStatus(ConfigManager* self, INT32 backupStatus) {
    return self->behaviour.SetBackupStatus(backupStatus);
}

HRESULT STDMETHODCALLTYPE ValidateTarget(ConfigManager* self, BSTR targetUrl, INT32* validationResult) {
    return self->behaviour.ValidateTarget(sim::BstrText(targetUrl), validationResult);
}

HRESULT STDMETHODCALLTYPE ProvisionAndSetNewTarget(ConfigManager* self, BSTR targetUrl, BSTR targetName) {
    return self->behaviour.ProvisionAndSetNewTarget(sim::BstrText(targetUrl), sim::BstrText(targetName));
}

HRESULT STDMETHODCALLTYPE ChangeDefaultTargetRecommendation(ConfigManager* self, BOOL recommend) {
    return self->behaviour.ChangeDefaultTargetRecommendation(recommend);
}

const ConfigManagerVtable kVtable = {
    QueryInterface,
    AddRef,
    Release,
    NotUsedByFhswitch,
    CreateDefaultConfiguration,
    SaveConfiguration,
    NotUsedByFhswitch,
    NotUsedByFhswitch,
    NotUsedByFhswitch,
    NotUsedByFhswitch,
    GetBackupStatus,
    SetBackupStatus,
    NotUsedByFhswitch,
    ValidateTarget,
    ProvisionAndSetNewTarget,
    ChangeDefaultTargetRecommendation,
    NotUsedByFhswitch,
};

// The class object. CreateInstance answers for CoCreateInstance, so its
// FHSWITCH_SIM setting applies here; it hands over the first reference
// itself so that no Release of the manager happens but the program's own.
class ConfigManagerFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = (iid == IID_IUnknown || iid == IID_IClassFactory) ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }   // static object
    ULONG STDMETHODCALLTYPE Release() override { return 1; }  // static object
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        const HRESULT configured = sim::CurrentSettings().ResultOf(sim::Call::CoCreateInstance);
        if (FAILED(configured)) return configured;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        if (!IsUnknownOrManager(iid)) return E_NOINTERFACE;
        auto* manager = new (std::nothrow) ConfigManager{&kVtable, 1, {}};
        if (manager == nullptr) return E_OUTOFMEMORY;
        *object = manager;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

ConfigManagerFactory factory;

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) LoadSimulationSettingsOrExit();
    return TRUE;
}

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!(clsid == kConfigManagerClass)) return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(iid, object);
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }

}  // extern "C"
