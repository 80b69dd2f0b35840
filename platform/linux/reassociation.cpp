#include "platform/linux/reassociation.h"

#include <cstdint>
#include <string>

#include "platform/linux/simulated_object.h"
#include "platform/sim/configuration.h"
#include "platform/sim/out_parameters.h"
#include "platform/sim/reassociation.h"

namespace {

// Each method hands its arguments to the simulation and its answers back;
// the names come back as BSTRs that the caller frees.
class SimulatedFhReassociation final
    : public SimulatedObject<IFhReassociation, IID_IFhReassociation, sim::Reassociation> {
public:
    HRESULT STDMETHODCALLTYPE ValidateTarget(BSTR targetUrl, FH_DEVICE_VALIDATION_RESULT* validationResult) override {
        std::int32_t validation = 0;
        const HRESULT result =
            behaviour_.ValidateTarget(sim::BstrText(targetUrl), validationResult ? &validation : nullptr);
        if (SUCCEEDED(result)) *validationResult = static_cast<FH_DEVICE_VALIDATION_RESULT>(validation);
        return result;
    }
    HRESULT STDMETHODCALLTYPE ScanTargetForConfigurations(BSTR targetUrl) override {
        return behaviour_.ScanTargetForConfigurations(sim::BstrText(targetUrl));
    }
    HRESULT STDMETHODCALLTYPE GetConfigurationDetails(DWORD index, BSTR* userName, BSTR* pcName,
                                                      FILETIME* backupTime) override {
        std::string user;
        std::string pc;
        std::uint64_t time = 0;
        const bool out = userName != nullptr && pcName != nullptr && backupTime != nullptr;
        const HRESULT result = behaviour_.GetConfigurationDetails(index, out ? &user : nullptr, &pc, &time);
        return sim::HandOutDetails(result, user, pc, time, userName, pcName, backupTime);
    }
    HRESULT STDMETHODCALLTYPE SelectConfiguration(DWORD index) override { return behaviour_.SelectConfiguration(index); }
    HRESULT STDMETHODCALLTYPE PerformReassociation(BOOL overwriteIfExists) override {
        return behaviour_.PerformReassociation(overwriteIfExists);
    }
};

}  // namespace

IFhReassociation* NewSimulatedReassociation() { return new SimulatedFhReassociation; }
