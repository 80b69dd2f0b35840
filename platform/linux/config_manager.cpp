#include "platform/linux/config_manager.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "platform/linux/simulated_object.h"
#include "platform/sim/configuration.h"
#include "platform/sim/out_parameters.h"

namespace {

// The target that GetDefaultTarget hands out; its properties come back as
// BSTRs that the caller frees.
class SimulatedFhTarget final : public SimulatedObject<IFhTarget, IID_IFhTarget, sim::DefaultTarget> {
public:
    explicit SimulatedFhTarget(sim::DefaultTarget target) { behaviour_ = std::move(target); }
    HRESULT STDMETHODCALLTYPE GetStringProperty(FH_TARGET_PROPERTY_TYPE propertyType, BSTR* propertyValue) override {
        std::string value;
        const HRESULT result = behaviour_.GetStringProperty(propertyType, propertyValue ? &value : nullptr);
        return sim::HandOutText(result, value, propertyValue);
    }
    HRESULT STDMETHODCALLTYPE GetNumericalProperty(FH_TARGET_PROPERTY_TYPE, ULONGLONG*) override { return E_NOTIMPL; }
};

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
    HRESULT STDMETHODCALLTYPE GetLocalPolicy(FH_LOCAL_POLICY_TYPE policyType, ULONGLONG* policyValue) override {
        std::uint64_t value = 0;
        const HRESULT result = behaviour_.GetLocalPolicy(policyType, policyValue ? &value : nullptr);
        if (SUCCEEDED(result)) *policyValue = value;
        return result;
    }
    HRESULT STDMETHODCALLTYPE SetLocalPolicy(FH_LOCAL_POLICY_TYPE policyType, ULONGLONG policyValue) override {
        return behaviour_.SetLocalPolicy(policyType, policyValue);
    }
    HRESULT STDMETHODCALLTYPE GetBackupStatus(FH_BACKUP_STATUS* backupStatus) override {
        std::int32_t status = 0;
        const HRESULT result = behaviour_.GetBackupStatus(backupStatus ? &status : nullptr);
        if (SUCCEEDED(result)) *backupStatus = static_cast<FH_BACKUP_STATUS>(status);
        return result;
    }
    HRESULT STDMETHODCALLTYPE SetBackupStatus(FH_BACKUP_STATUS backupStatus) override {
        return behaviour_.SetBackupStatus(backupStatus);
    }
    HRESULT STDMETHODCALLTYPE GetDefaultTarget(IFhTarget** defaultTarget) override {
        std::optional<sim::DefaultTarget> target;
        const HRESULT result = behaviour_.GetDefaultTarget(defaultTarget ? &target : nullptr);
        if (defaultTarget != nullptr) {
            *defaultTarget = SUCCEEDED(result) && target ? new SimulatedFhTarget(*target) : nullptr;
        }
        return result;
    }
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
    HRESULT STDMETHODCALLTYPE QueryProtectionStatus(DWORD* protectionState, BSTR* protectedUntilTime) override {
        std::uint32_t state = 0;
        std::string until;
        const bool out = protectionState != nullptr && protectedUntilTime != nullptr;
        const HRESULT result = behaviour_.QueryProtectionStatus(out ? &state : nullptr, &until);
        if (SUCCEEDED(result)) *protectionState = state;
        return sim::HandOutText(result, until, protectedUntilTime);
    }
};

}  // namespace

IFhConfigMgr* NewSimulatedConfigManager() { return new SimulatedFhConfigMgr; }
