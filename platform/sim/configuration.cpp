#include "platform/sim/configuration.h"

#include <cstdlib>

#include "platform/fh_config.h"
#include "platform/identity.h"
#include "platform/sim/state.h"
#include "platform/sim/stored_file.h"
#include "platform/sim/targets.h"
#include "platform/text.h"

namespace sim {
namespace {

constexpr HRESULT FHCFG_E_NO_VALID_CONFIGURATION_LOADED = static_cast<HRESULT>(0x80040303);

std::string ConfigurationXml(const SavedConfiguration& configuration) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<FileHistoryConfiguration>\n"
           "  <Target>" + EscapeXml(configuration.target) + "</Target>\n"
           "  <BackupStatus>" + std::to_string(configuration.backupStatus) + "</BackupStatus>\n"
           "</FileHistoryConfiguration>\n";
}

// The platform takes a target only in the form "X:\" or "\\server\share\".
bool EndsInBackslash(const std::string& target) { return !target.empty() && target.back() == '\\'; }

// Returns the result FHSWITCH_SIM sets for a call, unless that is a success and
// a configuration has to be loaded first.
HRESULT ResultNeedingConfiguration(Call call, bool loaded) {
    const HRESULT result = CurrentSettings().ResultOf(call);
    return SUCCEEDED(result) && !loaded ? FHCFG_E_NO_VALID_CONFIGURATION_LOADED : result;
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
    return SavedConfiguration{*target, static_cast<std::int32_t>(std::atoi(status->c_str()))};
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
// reassociation wrote last.
HRESULT ConfigurationManager::LoadConfiguration() {
    HRESULT result = CurrentSettings().ResultOf(Call::LoadConfiguration);
    const std::optional<SavedConfiguration> saved = ReadSavedConfiguration();
    if (SUCCEEDED(result) && !saved) result = FHCFG_E_CONFIG_FILE_NOT_FOUND;
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
    HRESULT result = CurrentSettings().ResultOf(Call::CreateDefaultConfiguration);
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
    if (SUCCEEDED(result)) *backupStatus = CurrentSettings().backupStatus.value_or(FH_STATUS_DISABLED);
    Trace(Call::GetBackupStatus, {HresultField(result)});
    return result;
}

HRESULT ConfigurationManager::SetBackupStatus(std::int32_t backupStatus) {
    const HRESULT result = ResultNeedingConfiguration(Call::SetBackupStatus, loaded_);
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
    if (SUCCEEDED(result)) configuration_.target = *target;
    Trace(Call::ProvisionAndSetNewTarget, {HresultField(result), target.value_or(""), name.value_or("")});
    return result;
}

HRESULT ConfigurationManager::ChangeDefaultTargetRecommendation(BOOL recommend) {
    const HRESULT result = ResultNeedingConfiguration(Call::ChangeDefaultTargetRecommendation, loaded_);
    Trace(Call::ChangeDefaultTargetRecommendation, {HresultField(result), NumberField(recommend)});
    return result;
}

void ConfigurationManager::TraceRelease() { Trace(Call::Release, {"-"}); }

}  // namespace sim
