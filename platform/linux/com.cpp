// The simulated COM runtime and automation strings.
#include <cstdint>
#include <cstring>
#include <new>

#include "platform/fh_config.h"
#include "platform/sim/configuration.h"
#include "platform/sim/state.h"

namespace {

int apartmentEntries = 0;  // CoInitializeEx successes not yet balanced

// The configuration manager behind CLSID_FhConfigMgr.
class SimulatedFhConfigMgr final : public IFhConfigMgr {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (!(iid == IID_IFhConfigMgr)) return E_NOINTERFACE;
        *object = static_cast<IFhConfigMgr*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        behaviour_.TraceRelease();
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE LoadConfiguration() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateDefaultConfiguration(BOOL overwriteIfExists) override {
        return behaviour_.CreateDefaultConfiguration(overwriteIfExists);
    }
    HRESULT STDMETHODCALLTYPE SaveConfiguration() override { return behaviour_.SaveConfiguration(); }
    HRESULT STDMETHODCALLTYPE AddRemoveExcludeRule(BOOL, FH_PROTECTED_ITEM_CATEGORY, BSTR) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIncludeExcludeRules(BOOL, FH_PROTECTED_ITEM_CATEGORY, IFhScopeIterator**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetLocalPolicy(FH_LOCAL_POLICY_TYPE, ULONGLONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetLocalPolicy(FH_LOCAL_POLICY_TYPE, ULONGLONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBackupStatus(FH_BACKUP_STATUS* backupStatus) override {
        std::int32_t status = 0;
        const HRESULT result = behaviour_.GetBackupStatus(backupStatus ? &status : nullptr);
        if (SUCCEEDED(result)) *backupStatus = static_cast<FH_BACKUP_STATUS>(status);
        return result;
    }
    HRESULT STDMETHODCALLTYPE SetBackupStatus(FH_BACKUP_STATUS backupStatus) override {
        return behaviour_.SetBackupStatus(backupStatus);
    }
    HRESULT STDMETHODCALLTYPE GetDefaultTarget(IFhTarget**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ValidateTarget(BSTR targetUrl, FH_DEVICE_VALIDATION_RESULT* validationResult) override {
        std::int32_t validation = 0;
        const HRESULT result =
            behaviour_.ValidateTarget(sim::BstrText(targetUrl), validationResult ? &validation : nullptr);
        if (SUCCEEDED(result)) *validationResult = static_cast<FH_DEVICE_VALIDATION_RESULT>(validation);
        return result;
    }
    HRESULT STDMETHODCALLTYPE ProvisionAndSetNewTarget(BSTR targetUrl, BSTR targetName) override {
        return behaviour_.ProvisionAndSetNewTarget(sim::BstrText(targetUrl), sim::BstrText(targetName));
    }
    HRESULT STDMETHODCALLTYPE ChangeDefaultTargetRecommendation(BOOL recommend) override {
        return behaviour_.ChangeDefaultTargetRecommendation(recommend);
    }
    HRESULT STDMETHODCALLTYPE QueryProtectionStatus(DWORD*, BSTR*) override { return E_NOTIMPL; }

private:
    ~SimulatedFhConfigMgr() = default;

    ULONG references_ = 1;
    sim::ConfigurationManager behaviour_;
};

}  // namespace

HRESULT CoInitializeEx(void* reserved, DWORD coInit) {
    HRESULT result = sim::CurrentSettings().ResultOf("CoInitializeEx");
    if (SUCCEEDED(result) && reserved != nullptr) result = E_INVALIDARG;
    if (SUCCEEDED(result)) ++apartmentEntries;
    sim::Trace({"CoInitializeEx", sim::HresultField(result), sim::NumberField(coInit)});
    return result;
}

void CoUninitialize() {
    if (apartmentEntries > 0) --apartmentEntries;
    sim::Trace({"CoUninitialize", "-"});
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** object) {
    HRESULT result = sim::CurrentSettings().ResultOf("CoCreateInstance");
    if (SUCCEEDED(result) && object == nullptr) result = E_POINTER;
    if (SUCCEEDED(result) && apartmentEntries == 0) result = CO_E_NOTINITIALIZED;
    if (SUCCEEDED(result) && (outer != nullptr || !(clsid == CLSID_FhConfigMgr) ||
                              (context & CLSCTX_INPROC_SERVER) == 0)) {
        result = REGDB_E_CLASSNOTREG;
    }
    if (SUCCEEDED(result) && !(iid == IID_IFhConfigMgr)) result = E_NOINTERFACE;
    if (object != nullptr) *object = nullptr;
    if (SUCCEEDED(result)) *object = static_cast<IFhConfigMgr*>(new SimulatedFhConfigMgr);
    sim::Trace({"CoCreateInstance", sim::HresultField(result), sim::GuidField(clsid), sim::NumberField(context),
                sim::GuidField(iid)});
    return result;
}

// A BSTR is a 4-byte length in bytes, the text, and a NUL; it points at the text.
BSTR SysAllocString(const WCHAR* text) {
    if (text == nullptr) return nullptr;
    size_t length = 0;
    while (text[length] != 0) ++length;
    const std::uint32_t bytes = static_cast<std::uint32_t>(length * sizeof(WCHAR));
    char* block = new (std::nothrow) char[sizeof bytes + bytes + sizeof(WCHAR)];
    if (block == nullptr) return nullptr;
    std::memcpy(block, &bytes, sizeof bytes);
    std::memcpy(block + sizeof bytes, text, bytes + sizeof(WCHAR));
    return reinterpret_cast<BSTR>(block + sizeof bytes);
}

void SysFreeString(BSTR text) {
    if (text != nullptr) delete[] (reinterpret_cast<char*>(text) - sizeof(std::uint32_t));
}

UINT SysStringLen(BSTR text) {
    if (text == nullptr) return 0;
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<char*>(text) - sizeof bytes, sizeof bytes);
    return bytes / sizeof(WCHAR);
}
