#include "platform/linux/config_manager.h"

#include <cstdint>

#include "platform/linux/simulated_object.h"
#include "platform/sim/configuration.h"

namespace {

// The configuration manager behind CLSID_FhConfigMgr: each method hands its
// arguments to the simulation and its answers back.
class SimulatedFhConfigMgr final
    : public SimulatedObject<IFhConfigMgr, IID_IFhConfigMgr, sim::ConfigurationManager> {
public:
    HRESULT STDMETHODCALLTYPE LoadConfiguration() override { return behaviour_.LoadConfiguration(); }
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
};

}  // namespace

IFhConfigMgr* NewSimulatedConfigManager() { return new SimulatedFhConfigMgr; }
