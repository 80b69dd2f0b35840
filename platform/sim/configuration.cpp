#include "platform/sim/configuration.h"

#include <cstdlib>
#include <ctime>

#include "platform/fh_config.h"
#include "platform/fh_status.h"
#include "platform/identity.h"
#include "platform/sim/state.h"
#include "platform/sim/stored_file.h"
#include "platform/sim/targets.h"
#include "platform/text.h"

namespace sim {
namespace {

constexpr HRESULT FHCFG_E_CORRUPT_CONFIG_FILE = static_cast<HRESULT>(0x80040300);
constexpr HRESULT FHCFG_E_NO_VALID_CONFIGURATION_LOADED = static_cast<HRESULT>(0x80040303);
constexpr HRESULT FHCFG_E_CONFIGURATION_PREVIOUSLY_LOADED = static_cast<HRESULT>(0x80040305);
constexpr HRESULT FHCFG_E_INVALID_REHYDRATION_STATE = static_cast<HRESULT>(0x8004030A);

// The policies' elements, by FH_LOCAL_POLICY_TYPE; each written only where
// it is not File History's default.
constexpr const char* kPolicyElements[] = {"Frequency", "RetentionType", "RetentionAge"};

std::string ConfigurationXml(const SavedConfiguration& configuration) {
    std::string policies;
    for (int type = 0; type < 3; ++type) {
        if (configuration.policies[type] == SavedConfiguration{}.policies[type]) continue;
        policies += std::string("  <") + kPolicyElements[type] + ">" + std::to_string(configuration.policies[type]) +
                    "</" + kPolicyElements[type] + ">\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<FileHistoryConfiguration>\n"
           "  <Target>" + EscapeXml(configuration.target) + "</Target>\n"
           "  <BackupStatus>" + std::to_string(configuration.backupStatus) + "</BackupStatus>\n" +
           (configuration.targetName.empty() ? "" : "  <TargetName>" + EscapeXml(configuration.targetName) + "</TargetName>\n") +
           policies + "</FileHistoryConfiguration>\n";
}

// The frequencies (seconds) and ages (days) the settings page offers.
bool IsOffered(std::int32_t policyType, std::uint64_t value) {
    static constexpr std::uint64_t kFrequencies[] = {600, 900, 1200, 1800, 3600, 10800, 21600, 43200, 86400};
    static constexpr std::uint64_t kAges[] = {30, 90, 180, 270, 365, 730};
    const auto offers = [value](const auto& values) {
        for (const std::uint64_t offered : values) {
            if (offered == value) return true;
        }
        return false;
    };
    return policyType == FH_FREQUENCY ? offers(kFrequencies) : policyType == FH_RETENTION_AGE ? offers(kAges) : true;
}

// The platform takes a target only in the form "X:\" or "\\server\share\".
bool EndsInBackslash(const std::string& target) { return !target.empty() && target.back() == '\\'; }

// Returns the result FHSWITCH_SIM sets for a call, unless that is a success and
// a configuration has to be loaded first.
HRESULT ResultNeedingConfiguration(Call call, bool loaded) {
    const HRESULT result = CurrentSettings().ResultOf(call);
    return SUCCEEDED(result) && !loaded ? FHCFG_E_NO_VALID_CONFIGURATION_LOADED : result;
}

// The protection state a configuration's backups and target make; on, as
// ProtectionWhileOn answers.
std::uint32_t ProtectionStateOf(std::int32_t backupStatus, const std::string& target) {
    if (backupStatus == FH_STATUS_DISABLED_BY_GP) return FH_STATE_DISABLED_BY_GP;
    if (backupStatus == FH_STATUS_DISABLED) return FH_STATE_OFF;
    const bool tracked = CurrentSettings().AnswerOf(Variant::ProtectionWhileOn) == kProtectedWhileOn;
    return target.empty() || !tracked ? FH_STATE_NOT_TRACKED : FH_STATE_NO_ERROR;
}

// The result of a load or a creation: what FHSWITCH_SIM sets, unless this
// manager has a configuration already and a second is refused.
HRESULT ResultOfLoading(Call call, bool loaded) {
    const HRESULT result = CurrentSettings().ResultOf(call);
    const bool refused = CurrentSettings().AnswerOf(Variant::SecondLoad) == kSecondLoadRefused;
    return SUCCEEDED(result) && loaded && refused ? FHCFG_E_CONFIGURATION_PREVIOUSLY_LOADED : result;
}

bool HasConfigurationFile() {
    const std::optional<std::string> directory = ConfigurationDirectory();
    return directory && ReadStoredFile(*directory + "\\Config1.xml");
}

// A FILETIME as "YYYY-MM-DD HH:MM:SS", in UTC.
std::string UtcText(std::uint64_t fileTime) {
    constexpr std::uint64_t kSecondsFrom1601To1970 = 11644473600;
    const std::time_t seconds = static_cast<std::time_t>(fileTime / 10000000 - kSecondsFrom1601To1970);
    const std::tm* utc = std::gmtime(&seconds);  // one thread
    char text[32] = "";
    if (utc != nullptr) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", utc);
    return text;
}

// When this user's backup of this PC on the target was made; "" without one.
std::string ProtectedUntil(const std::string& target) {
    for (const BackupOnTarget& backup : BackupsOn(target)) {
        if (IsThisUserOnThisPc(backup.userName, backup.pcName)) return UtcText(backup.backupTime);
    }
    return "";
}

}  // namespace

std::optional<std::string> BstrText(BSTR text) {
    if (text == nullptr) return std::nullopt;
    return BstrToUtf8(text);
}

std::optional<std::string> ConfigurationDirectory() {
    const char* localAppData = std::getenv("LOCALAPPDATA");
    if (localAppData == nullptr || *localAppData == '\0') return std::nullopt;
    return std::string(localAppData) + "\\Microsoft\\Windows\\FileHistory\\Configuration";
}

std::optional<SavedConfiguration> ReadSavedConfiguration() {
    const std::optional<std::string> directory = ConfigurationDirectory();
    const std::optional<std::string> xml = directory ? ReadStoredFile(*directory + "\\Config1.xml") : std::nullopt;
    const std::optional<std::string> target = xml ? ElementText(*xml, "Target") : std::nullopt;
    const std::optional<std::string> status = xml ? ElementText(*xml, "BackupStatus") : std::nullopt;
    if (!target || !status) return std::nullopt;
    SavedConfiguration saved{*target, static_cast<std::int32_t>(std::atoi(status->c_str())),
                             ElementText(*xml, "TargetName").value_or("")};
    for (int type = 0; type < 3; ++type) {
        const std::optional<std::string> policy = ElementText(*xml, kPolicyElements[type]);
        if (policy) saved.policies[type] = std::strtoull(policy->c_str(), nullptr, 10);
    }
    return saved;
}

bool WriteSavedConfiguration(const SavedConfiguration& configuration) {
    const std::optional<std::string> directory = ConfigurationDirectory();
    const std::string xml = ConfigurationXml(configuration);
    return directory && WriteStoredFile(*directory + "\\Config1.xml", xml) &&
           WriteStoredFile(*directory + "\\Config2.xml", xml);
}

// A target holding a backup of this user on this PC is an existing namespace.
std::int32_t ValidationOf(const std::string& target) {
    if (const std::optional<std::int32_t> forced = CurrentSettings().validationResult) return *forced;
    if (!EndsInBackslash(target)) return FH_INVALID_DRIVE_TYPE;
    for (const BackupOnTarget& backup : BackupsOn(target)) {
        if (IsThisUserOnThisPc(backup.userName, backup.pcName)) return FH_NAMESPACE_EXISTS;
    }
    return FH_VALID_TARGET;
}

// Loading reads what the files say: what a fresh configuration, a save or a
// reassociation wrote last. Files it cannot read are corrupt, not missing.
HRESULT ConfigurationManager::LoadConfiguration() {
    HRESULT result = ResultOfLoading(Call::LoadConfiguration, loaded_);
    const std::optional<SavedConfiguration> saved = ReadSavedConfiguration();
    if (SUCCEEDED(result) && !saved) result = HasConfigurationFile() ? FHCFG_E_CORRUPT_CONFIG_FILE : FHCFG_E_CONFIG_FILE_NOT_FOUND;
    if (SUCCEEDED(result)) {
        loaded_ = true;
        configuration_ = *saved;
    }
    Trace(Call::LoadConfiguration, {HresultField(result)});
    return result;
}

// Creating a configuration writes its files at once, as the platform does:
// an existing one is overwritten with File History's defaults (no target,
// backups off), whatever later steps of the caller do.
HRESULT ConfigurationManager::CreateDefaultConfiguration(BOOL overwriteIfExists) {
    HRESULT result = ResultOfLoading(Call::CreateDefaultConfiguration, loaded_);
    const SavedConfiguration defaults{"", FH_STATUS_DISABLED};
    if (SUCCEEDED(result) && !overwriteIfExists && ReadSavedConfiguration()) result = FHCFG_E_CONFIG_ALREADY_EXISTS;
    if (SUCCEEDED(result) && !WriteSavedConfiguration(defaults)) result = E_FAIL;
    if (SUCCEEDED(result)) {
        loaded_ = true;
        configuration_ = defaults;
    }
    Trace(Call::CreateDefaultConfiguration, {HresultField(result), NumberField(overwriteIfExists)});
    return result;
}

HRESULT ConfigurationManager::SaveConfiguration() {
    HRESULT result = ResultNeedingConfiguration(Call::SaveConfiguration, loaded_);
    if (SUCCEEDED(result) && !WriteSavedConfiguration(configuration_)) result = E_FAIL;
    Trace(Call::SaveConfiguration, {HresultField(result)});
    return result;
}

HRESULT ConfigurationManager::GetBackupStatus(std::int32_t* backupStatus) {
    HRESULT result = ResultNeedingConfiguration(Call::GetBackupStatus, loaded_);
    if (SUCCEEDED(result) && backupStatus == nullptr) result = E_POINTER;
    if (SUCCEEDED(result)) *backupStatus = CurrentSettings().backupStatus.value_or(configuration_.backupStatus);
    Trace(Call::GetBackupStatus, {HresultField(result)});
    return result;
}

// A configuration still being rehydrated cannot be switched on.
HRESULT ConfigurationManager::SetBackupStatus(std::int32_t backupStatus) {
    HRESULT result = ResultNeedingConfiguration(Call::SetBackupStatus, loaded_);
    if (SUCCEEDED(result) && backupStatus == FH_STATUS_ENABLED && configuration_.backupStatus == FH_STATUS_REHYDRATING) {
        result = FHCFG_E_INVALID_REHYDRATION_STATE;
    }
    if (SUCCEEDED(result)) configuration_.backupStatus = backupStatus;
    Trace(Call::SetBackupStatus, {HresultField(result), NumberField(backupStatus)});
    return result;
}

HRESULT ConfigurationManager::ValidateTarget(const std::optional<std::string>& target,
                                             std::int32_t* validationResult) {
    HRESULT result = ResultNeedingConfiguration(Call::ValidateTarget, loaded_);
    if (SUCCEEDED(result) && (!target || validationResult == nullptr)) result = E_POINTER;
    if (SUCCEEDED(result)) *validationResult = ValidationOf(*target);
    Trace(Call::ValidateTarget, {HresultField(result), target.value_or("")});
    return result;
}

// Provisioning makes the target hold a new backup of this user and PC, and
// deletes the earlier one, as the platform does.
HRESULT ConfigurationManager::ProvisionAndSetNewTarget(const std::optional<std::string>& target,
                                                       const std::optional<std::string>& name) {
    HRESULT result = ResultNeedingConfiguration(Call::ProvisionAndSetNewTarget, loaded_);
    if (SUCCEEDED(result) && (!target || !name)) result = E_POINTER;
    if (SUCCEEDED(result) && !EndsInBackslash(*target)) result = E_INVALIDARG;
    if (SUCCEEDED(result) && !ProvisionBackup(*target)) result = E_FAIL;
    if (SUCCEEDED(result)) {
        configuration_.target = *target;
        configuration_.targetName = *name;
    }
    Trace(Call::ProvisionAndSetNewTarget, {HresultField(result), target.value_or(""), name.value_or("")});
    return result;
}

HRESULT ConfigurationManager::ChangeDefaultTargetRecommendation(BOOL recommend) {
    const HRESULT result = ResultNeedingConfiguration(Call::ChangeDefaultTargetRecommendation, loaded_);
    Trace(Call::ChangeDefaultTargetRecommendation, {HresultField(result), NumberField(recommend)});
    return result;
}

HRESULT ConfigurationManager::GetDefaultTarget(std::optional<DefaultTarget>* target) {
    HRESULT result = ResultNeedingConfiguration(Call::GetDefaultTarget, loaded_);
    if (SUCCEEDED(result) && target == nullptr) result = E_POINTER;
    const bool nullWithoutTarget = CurrentSettings().AnswerOf(Variant::NoDefaultTarget) == kNoTargetNull;
    if (SUCCEEDED(result) && configuration_.target.empty() && !nullWithoutTarget) result = kNoTargetAssigned;
    if (SUCCEEDED(result) && configuration_.target.empty()) target->reset();
    if (SUCCEEDED(result) && !configuration_.target.empty()) {
        *target = DefaultTarget(configuration_.target, configuration_.targetName);
    }
    Trace(Call::GetDefaultTarget, {HresultField(result)});
    return result;
}

HRESULT ConfigurationManager::QueryProtectionStatus(std::uint32_t* protectionState, std::string* protectedUntil) {
    HRESULT result = ResultNeedingConfiguration(Call::QueryProtectionStatus, loaded_);
    if (SUCCEEDED(result) && (protectionState == nullptr || protectedUntil == nullptr)) result = E_POINTER;
    if (SUCCEEDED(result)) {
        const Settings& settings = CurrentSettings();
        const std::int32_t backupStatus = settings.backupStatus.value_or(configuration_.backupStatus);
        *protectionState =
            settings.protectionState.value_or(ProtectionStateOf(backupStatus, configuration_.target));
        *protectedUntil = configuration_.target.empty() ? "" : ProtectedUntil(configuration_.target);
    }
    Trace(Call::QueryProtectionStatus, {HresultField(result)});
    return result;
}

HRESULT ConfigurationManager::GetLocalPolicy(std::int32_t policyType, std::uint64_t* value) {
    HRESULT result = ResultNeedingConfiguration(Call::GetLocalPolicy, loaded_);
    if (SUCCEEDED(result) && value == nullptr) result = E_POINTER;
    if (SUCCEEDED(result) && (policyType < 0 || policyType > FH_RETENTION_AGE)) result = E_INVALIDARG;
    if (SUCCEEDED(result)) *value = configuration_.policies[policyType];
    Trace(Call::GetLocalPolicy, {HresultField(result), NumberField(policyType)});
    return result;
}

// Refused: a policy or a retention type File History does not declare, and
// as the variants answer, a value the settings page does not offer, or an age
// while the retention is not age-based.
HRESULT ConfigurationManager::SetLocalPolicy(std::int32_t policyType, std::uint64_t value) {
    HRESULT result = ResultNeedingConfiguration(Call::SetLocalPolicy, loaded_);
    const Settings& settings = CurrentSettings();
    if (SUCCEEDED(result) && (policyType < 0 || policyType > FH_RETENTION_AGE)) result = E_INVALIDARG;
    if (SUCCEEDED(result) && policyType == FH_RETENTION_TYPE && value > FH_RETENTION_AGE_BASED) result = E_INVALIDARG;
    if (SUCCEEDED(result) && !IsOffered(policyType, value) &&
        settings.AnswerOf(Variant::UnofferedPolicyValue) == kUnofferedValueRefused) {
        result = E_INVALIDARG;
    }
    if (SUCCEEDED(result) && policyType == FH_RETENTION_AGE &&
        configuration_.policies[FH_RETENTION_TYPE] != FH_RETENTION_AGE_BASED &&
        settings.AnswerOf(Variant::AgeBeforeAgeBased) == kAgeRefusedUntilAgeBased) {
        result = E_INVALIDARG;
    }
    if (SUCCEEDED(result)) configuration_.policies[policyType] = value;
    Trace(Call::SetLocalPolicy, {HresultField(result), NumberField(policyType), std::to_string(value)});
    return result;
}

void ConfigurationManager::TraceRelease() { Trace(Call::Release, {"-"}); }

HRESULT DefaultTarget::GetStringProperty(std::int32_t propertyType, std::string* value) const {
    HRESULT result = CurrentSettings().ResultOf(Call::GetTargetStringProperty);
    if (SUCCEEDED(result) && value == nullptr) result = E_POINTER;
    if (SUCCEEDED(result) && propertyType != FH_TARGET_URL && propertyType != FH_TARGET_NAME) result = E_INVALIDARG;
    if (SUCCEEDED(result) && propertyType == FH_TARGET_URL) *value = url_;
    if (SUCCEEDED(result) && propertyType == FH_TARGET_NAME) *value = name_;
    Trace(Call::GetTargetStringProperty, {HresultField(result), NumberField(propertyType)});
    return result;
}

void DefaultTarget::TraceRelease() { Trace(Call::ReleaseFhTarget, {"-"}); }

}  // namespace sim
