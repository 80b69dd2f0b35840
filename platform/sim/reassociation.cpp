#include "platform/sim/reassociation.h"

#include "platform/fh_config.h"
#include "platform/fh_reassociation.h"
#include "platform/sim/configuration.h"
#include "platform/sim/service.h"
#include "platform/sim/state.h"

namespace sim {
namespace {

constexpr HRESULT E_UNEXPECTED_ORDER = static_cast<HRESULT>(0x8000FFFF);  // E_UNEXPECTED
constexpr HRESULT kSharingViolation = static_cast<HRESULT>(0x80070020);  // HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION)

}  // namespace

HRESULT Reassociation::ValidateTarget(const std::optional<std::string>& target, std::int32_t* validationResult) {
    HRESULT result = CurrentSettings().ResultOf(Call::ValidateTargetForReassociation);
    if (SUCCEEDED(result) && (!target || validationResult == nullptr)) result = E_POINTER;
    if (SUCCEEDED(result)) *validationResult = ValidationOf(*target);
    Trace(Call::ValidateTargetForReassociation, {HresultField(result), target.value_or("")});
    return result;
}

HRESULT Reassociation::ScanTargetForConfigurations(const std::optional<std::string>& target) {
    HRESULT result = CurrentSettings().ResultOf(Call::ScanTargetForConfigurations);
    if (SUCCEEDED(result) && !target) result = E_POINTER;
    std::vector<BackupOnTarget> found;
    if (SUCCEEDED(result)) found = BackupsOn(*target);
    if (SUCCEEDED(result) && found.empty()) result = kNoSuchConfiguration;
    if (SUCCEEDED(result)) {
        scannedTarget_ = *target;
        found_ = std::move(found);
        selected_.reset();
    }
    Trace(Call::ScanTargetForConfigurations, {HresultField(result), target.value_or("")});
    return result;
}

HRESULT Reassociation::GetConfigurationDetails(DWORD index, std::string* userName, std::string* pcName,
                                               std::uint64_t* backupTime) {
    HRESULT result = CurrentSettings().ResultOf(Call::GetConfigurationDetails);
    if (SUCCEEDED(result) && (userName == nullptr || pcName == nullptr || backupTime == nullptr)) result = E_POINTER;
    if (SUCCEEDED(result) && !scannedTarget_) result = E_UNEXPECTED_ORDER;
    if (SUCCEEDED(result) && index >= found_.size()) result = kNoSuchConfiguration;
    if (SUCCEEDED(result)) {
        *userName = found_[index].userName;
        *pcName = found_[index].pcName;
        *backupTime = found_[index].backupTime;
    }
    Trace(Call::GetConfigurationDetails, {HresultField(result), NumberField(index)});
    return result;
}

HRESULT Reassociation::SelectConfiguration(DWORD index) {
    HRESULT result = CurrentSettings().ResultOf(Call::SelectConfiguration);
    if (SUCCEEDED(result) && !scannedTarget_) result = E_UNEXPECTED_ORDER;
    if (SUCCEEDED(result) && index >= found_.size()) result = E_INVALIDARG;
    if (SUCCEEDED(result)) selected_ = index;
    Trace(Call::SelectConfiguration, {HresultField(result), NumberField(index)});
    return result;
}

// The user's configuration becomes the selected one's: its target, and its
// backups as ReassociatedBackups answers (off, on, or still rehydrating). The
// backup on the target stays as it is. Unless UnblockedReassociation allows
// it, the files are in the service's use while backups are not blocked.
HRESULT Reassociation::PerformReassociation(BOOL overwriteIfExists) {
    constexpr std::int32_t kStatusByAnswer[] = {FH_STATUS_DISABLED, FH_STATUS_ENABLED, FH_STATUS_REHYDRATING};
    const std::int32_t backupStatus = kStatusByAnswer[CurrentSettings().AnswerOf(Variant::ReassociatedBackups)];
    HRESULT result = CurrentSettings().ResultOf(Call::PerformReassociation);
    if (SUCCEEDED(result) && !selected_) result = E_UNEXPECTED_ORDER;
    const bool mayRunUnblocked = CurrentSettings().AnswerOf(Variant::UnblockedReassociation) == kUnblockedAllowed;
    if (SUCCEEDED(result) && !mayRunUnblocked && !BackupsBlocked()) result = kSharingViolation;
    if (SUCCEEDED(result) && !overwriteIfExists && ReadSavedConfiguration()) result = FHCFG_E_CONFIG_ALREADY_EXISTS;
    if (SUCCEEDED(result) && !WriteSavedConfiguration({*scannedTarget_, backupStatus})) result = E_FAIL;
    Trace(Call::PerformReassociation, {HresultField(result), NumberField(overwriteIfExists)});
    return result;
}

void Reassociation::TraceRelease() { Trace(Call::ReleaseFhReassociation, {"-"}); }

}  // namespace sim
