// The stand-in in-process COM server for File History's configuration
// manager, the target it hands out, and its reassociation. Their vtables are
// laid out here from the platform's slot tables, apart from the program's own
// declarations of IFhConfigMgr, IFhTarget and IFhReassociation: if a declaration put a method in the
// wrong slot, the program would call the wrong function here and the Wine
// tests would fail, as the real components would misbehave.
#include <cstddef>
#include <cstdint>
#include <new>
#include <optional>
#include <string>

#include "platform/sim/configuration.h"
#include "platform/sim/out_parameters.h"
#include "platform/sim/reassociation.h"
#include "platform/sim/state.h"
#include "tests/wine/load_settings.h"

namespace {

// {ED43BB3C-09E9-498A-9DF6-2177244C6DB4}
constexpr GUID kConfigManagerClass = {0xED43BB3C, 0x09E9, 0x498A, {0x9D, 0xF6, 0x21, 0x77, 0x24, 0x4C, 0x6D, 0xB4}};
// {6A5FEA5B-BF8F-4EE5-B8C3-44D8A0D7331C}
constexpr GUID kConfigManagerInterface = {0x6A5FEA5B, 0xBF8F, 0x4EE5,
                                          {0xB8, 0xC3, 0x44, 0xD8, 0xA0, 0xD7, 0x33, 0x1C}};
// {D87965FD-2BAD-4657-BD3B-9567EB300CED}
constexpr GUID kTargetInterface = {0xD87965FD, 0x2BAD, 0x4657, {0xBD, 0x3B, 0x95, 0x67, 0xEB, 0x30, 0x0C, 0xED}};
// {4D728E35-16FA-4320-9E8B-BFD7100A8846}
constexpr GUID kReassociationClass = {0x4D728E35, 0x16FA, 0x4320, {0x9E, 0x8B, 0xBF, 0xD7, 0x10, 0x0A, 0x88, 0x46}};
// {6544A28A-F68D-47AC-91EF-16B2B36AA3EE}
constexpr GUID kReassociationInterface = {0x6544A28A, 0xF68D, 0x47AC,
                                          {0x91, 0xEF, 0x16, 0xB2, 0xB3, 0x6A, 0xA3, 0xEE}};

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
    HRESULT(STDMETHODCALLTYPE* GetDefaultTarget)(ConfigManager*, void** defaultTarget);
    HRESULT(STDMETHODCALLTYPE* ValidateTarget)(ConfigManager*, BSTR targetUrl, INT32* validationResult);
    HRESULT(STDMETHODCALLTYPE* ProvisionAndSetNewTarget)(ConfigManager*, BSTR targetUrl, BSTR targetName);
    HRESULT(STDMETHODCALLTYPE* ChangeDefaultTargetRecommendation)(ConfigManager*, BOOL recommend);
    HRESULT(STDMETHODCALLTYPE* QueryProtectionStatus)(ConfigManager*, DWORD* protectionState,
                                                      BSTR* protectedUntilTime);
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
    static constexpr const GUID& kInterface = kConfigManagerInterface;
    const ConfigManagerVtable* vtable;
    LONG references;
    sim::ConfigurationManager behaviour;
};

// IUnknown's three slots, for each object: one interface besides
// IUnknown, a reference count, and the behaviour's traced release.
template <typename Object>
HRESULT STDMETHODCALLTYPE QueryInterface(Object* self, REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = iid == IID_IUnknown || iid == Object::kInterface ? self : nullptr;
    if (*object == nullptr) return E_NOINTERFACE;
    InterlockedIncrement(&self->references);
    return S_OK;
}

template <typename Object>
ULONG STDMETHODCALLTYPE AddRef(Object* self) {
    return InterlockedIncrement(&self->references);
}

template <typename Object>
ULONG STDMETHODCALLTYPE Release(Object* self) {
    self->behaviour.TraceRelease();
    const LONG left = InterlockedDecrement(&self->references);
    if (left == 0) delete self;
    return static_cast<ULONG>(left);
}

// The slots fhswitch and fhstatus never call, each with its own signature:
// on x86 a __stdcall callee pops its arguments, so one function cannot serve
// them all.
template <typename Object, typename... Arguments>
HRESULT STDMETHODCALLTYPE NotUsed(Object*, Arguments...) {
    return E_NOTIMPL;
}

struct Target;

// IFhTarget's slots, in the platform's order.
struct TargetVtable {
    HRESULT(STDMETHODCALLTYPE* QueryInterface)(Target*, REFIID, void**);
    ULONG(STDMETHODCALLTYPE* AddRef)(Target*);
    ULONG(STDMETHODCALLTYPE* Release)(Target*);
    HRESULT(STDMETHODCALLTYPE* GetStringProperty)(Target*, INT32 propertyType, BSTR* propertyValue);
    HRESULT(STDMETHODCALLTYPE* GetNumericalProperty)(Target*, INT32 propertyType, ULONGLONG* propertyValue);
};

#define EXPECT_SLOT(method, slot) \
    static_assert(offsetof(TargetVtable, method) == (slot) * sizeof(void*), #method " is slot " #slot)
EXPECT_SLOT(QueryInterface, 0);
EXPECT_SLOT(AddRef, 1);
EXPECT_SLOT(Release, 2);
EXPECT_SLOT(GetStringProperty, 3);
EXPECT_SLOT(GetNumericalProperty, 4);
static_assert(sizeof(TargetVtable) == 5 * sizeof(void*), "IFhTarget has 5 slots");
#undef EXPECT_SLOT

struct Target {
    static constexpr const GUID& kInterface = kTargetInterface;
    const TargetVtable* vtable;
    LONG references;
    sim::DefaultTarget behaviour;
};

HRESULT STDMETHODCALLTYPE GetStringProperty(Target* self, INT32 propertyType, BSTR* propertyValue) {
    std::string value;
    const HRESULT result = self->behaviour.GetStringProperty(propertyType, propertyValue ? &value : nullptr);
    return sim::HandOutText(result, value, propertyValue);
}

const TargetVtable kTargetVtable = {QueryInterface, AddRef, Release, GetStringProperty, NotUsed};

HRESULT STDMETHODCALLTYPE LoadConfiguration(ConfigManager* self) { return self->behaviour.LoadConfiguration(); }

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

// The target as an object of its own, with the caller's one reference; a
// success without a target hands out none.
HRESULT STDMETHODCALLTYPE GetDefaultTarget(ConfigManager* self, void** defaultTarget) {
    std::optional<sim::DefaultTarget> target;
    const HRESULT result = self->behaviour.GetDefaultTarget(defaultTarget ? &target : nullptr);
    if (defaultTarget == nullptr) return result;
    *defaultTarget = nullptr;
    if (FAILED(result) || !target) return result;
    Target* made = new (std::nothrow) Target{&kTargetVtable, 1, *target};
    *defaultTarget = made;
    return made ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE GetLocalPolicy(ConfigManager* self, int policyType, ULONGLONG* policyValue) {
    std::uint64_t value = 0;
    const HRESULT result = self->behaviour.GetLocalPolicy(policyType, policyValue ? &value : nullptr);
    if (SUCCEEDED(result)) *policyValue = value;
    return result;
}

HRESULT STDMETHODCALLTYPE SetLocalPolicy(ConfigManager* self, int policyType, ULONGLONG policyValue) {
    return self->behaviour.SetLocalPolicy(policyType, policyValue);
}

HRESULT STDMETHODCALLTYPE QueryProtectionStatus(ConfigManager* self, DWORD* protectionState,
                                                BSTR* protectedUntilTime) {
    std::uint32_t state = 0;
    std::string until;
    const bool out = protectionState != nullptr && protectedUntilTime != nullptr;
    const HRESULT result = self->behaviour.QueryProtectionStatus(out ? &state : nullptr, &until);
    if (SUCCEEDED(result)) *protectionState = state;
    return sim::HandOutText(result, until, protectedUntilTime);
}

const ConfigManagerVtable kConfigManagerVtable = {
    QueryInterface,
    AddRef,
    Release,
    LoadConfiguration,
    CreateDefaultConfiguration,
    SaveConfiguration,
    NotUsed,
    NotUsed,
    GetLocalPolicy,
    SetLocalPolicy,
    GetBackupStatus,
    SetBackupStatus,
    GetDefaultTarget,
    ValidateTarget,
    ProvisionAndSetNewTarget,
    ChangeDefaultTargetRecommendation,
    QueryProtectionStatus,
};

struct Reassociation;

// IFhReassociation's slots, in the platform's order.
struct ReassociationVtable {
    HRESULT(STDMETHODCALLTYPE* QueryInterface)(Reassociation*, REFIID, void**);
    ULONG(STDMETHODCALLTYPE* AddRef)(Reassociation*);
    ULONG(STDMETHODCALLTYPE* Release)(Reassociation*);
    HRESULT(STDMETHODCALLTYPE* ValidateTarget)(Reassociation*, BSTR targetUrl, INT32* validationResult);
    HRESULT(STDMETHODCALLTYPE* ScanTargetForConfigurations)(Reassociation*, BSTR targetUrl);
    HRESULT(STDMETHODCALLTYPE* GetConfigurationDetails)(Reassociation*, DWORD index, BSTR* userName, BSTR* pcName,
                                                        FILETIME* backupTime);
    HRESULT(STDMETHODCALLTYPE* SelectConfiguration)(Reassociation*, DWORD index);
    HRESULT(STDMETHODCALLTYPE* PerformReassociation)(Reassociation*, BOOL overwriteIfExists);
};

#define EXPECT_SLOT(method, slot) \
    static_assert(offsetof(ReassociationVtable, method) == (slot) * sizeof(void*), #method " is slot " #slot)
EXPECT_SLOT(QueryInterface, 0);
EXPECT_SLOT(AddRef, 1);
EXPECT_SLOT(Release, 2);
EXPECT_SLOT(ValidateTarget, 3);
EXPECT_SLOT(ScanTargetForConfigurations, 4);
EXPECT_SLOT(GetConfigurationDetails, 5);
EXPECT_SLOT(SelectConfiguration, 6);
EXPECT_SLOT(PerformReassociation, 7);
static_assert(sizeof(ReassociationVtable) == 8 * sizeof(void*), "IFhReassociation has 8 slots");
#undef EXPECT_SLOT

struct Reassociation {
    static constexpr const GUID& kInterface = kReassociationInterface;
    const ReassociationVtable* vtable;
    LONG references;
    sim::Reassociation behaviour;
};

HRESULT STDMETHODCALLTYPE ValidateTargetForReassociation(Reassociation* self, BSTR targetUrl,
                                                         INT32* validationResult) {
    return self->behaviour.ValidateTarget(sim::BstrText(targetUrl), validationResult);
}

HRESULT STDMETHODCALLTYPE ScanTargetForConfigurations(Reassociation* self, BSTR targetUrl) {
    return self->behaviour.ScanTargetForConfigurations(sim::BstrText(targetUrl));
}

// The names as BSTRs, which the caller frees.
HRESULT STDMETHODCALLTYPE GetConfigurationDetails(Reassociation* self, DWORD index, BSTR* userName, BSTR* pcName,
                                                  FILETIME* backupTime) {
    std::string user;
    std::string pc;
    std::uint64_t time = 0;
    const bool out = userName != nullptr && pcName != nullptr && backupTime != nullptr;
    const HRESULT result = self->behaviour.GetConfigurationDetails(index, out ? &user : nullptr, &pc, &time);
    return sim::HandOutDetails(result, user, pc, time, userName, pcName, backupTime);
}

HRESULT STDMETHODCALLTYPE SelectConfiguration(Reassociation* self, DWORD index) {
    return self->behaviour.SelectConfiguration(index);
}

HRESULT STDMETHODCALLTYPE PerformReassociation(Reassociation* self, BOOL overwriteIfExists) {
    return self->behaviour.PerformReassociation(overwriteIfExists);
}

const ReassociationVtable kReassociationVtable = {
    QueryInterface,       AddRef,
    Release,              ValidateTargetForReassociation,
    ScanTargetForConfigurations, GetConfigurationDetails,
    SelectConfiguration,  PerformReassociation,
};

// The class objects. CreateInstance answers for CoCreateInstance, so the
// class's FHSWITCH_SIM setting applies here; it hands over the first
// reference itself so that no Release of the object happens but the
// program's own.
template <typename Object>
class Factory final : public IClassFactory {
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
        const HRESULT configured = sim::CurrentSettings().ResultOf(Object::kCreation);
        if (FAILED(configured)) return configured;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        if (!(iid == IID_IUnknown || iid == Object::Type::kInterface)) return E_NOINTERFACE;
        auto* made = new (std::nothrow) typename Object::Type{Object::kVtable, 1, {}};
        if (made == nullptr) return E_OUTOFMEMORY;
        *object = made;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

struct ConfigManagerClass {
    using Type = ConfigManager;
    static constexpr sim::Call kCreation = sim::Call::CoCreateInstance;
    static constexpr const ConfigManagerVtable* kVtable = &kConfigManagerVtable;
};
struct ReassociationClass {
    using Type = Reassociation;
    static constexpr sim::Call kCreation = sim::Call::CreateFhReassociation;
    static constexpr const ReassociationVtable* kVtable = &kReassociationVtable;
};

Factory<ConfigManagerClass> configManagerFactory;
Factory<ReassociationClass> reassociationFactory;

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) LoadSimulationSettingsOrExit();
    return TRUE;
}

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (clsid == kConfigManagerClass) return configManagerFactory.QueryInterface(iid, object);
    if (clsid == kReassociationClass) return reassociationFactory.QueryInterface(iid, object);
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }

}  // extern "C"
