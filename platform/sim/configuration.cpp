#include "platform/sim/configuration.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/fh_config.h"
#include "platform/sim/native_path.h"
#include "platform/sim/state.h"
#include "platform/text.h"

namespace sim {
namespace {

constexpr HRESULT FHCFG_E_NO_VALID_CONFIGURATION_LOADED = static_cast<HRESULT>(0x80040303);

std::string EscapeXml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string UnescapeXml(std::string text) {
    const std::pair<std::string, char> entities[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}};
    std::string out;
    for (size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& [entity, c] : entities) {
            if (text.compare(i, entity.size(), entity) == 0) {
                out += c;
                i += entity.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) out += text[i++];
    }
    return out;
}

std::string ConfigurationXml(const std::string& target, std::int32_t backupStatus) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<FileHistoryConfiguration>\n"
           "  <Target>" + EscapeXml(target) + "</Target>\n"
           "  <BackupStatus>" + std::to_string(backupStatus) + "</BackupStatus>\n"
           "</FileHistoryConfiguration>\n";
}

// The target named by the saved configuration, if there is one.
std::optional<std::string> SavedTarget() {
    const std::optional<std::string> directory = ConfigurationDirectory();
    if (!directory) return std::nullopt;
    std::ifstream file(NativePath(*directory + "\\Config1.xml"), std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    const std::string xml = content.str();
    const size_t begin = xml.find("<Target>");
    const size_t end = xml.find("</Target>");
    if (begin == std::string::npos || end == std::string::npos || end < begin) return std::nullopt;
    return UnescapeXml(xml.substr(begin + 8, end - begin - 8));
}

bool WriteFile(const std::string& windowsPath, const std::string& content) {
    std::ofstream file(NativePath(windowsPath), std::ios::binary | std::ios::trunc);
    file << content;
    return static_cast<bool>(file.flush());
}

// Config1.xml and Config2.xml, the platform's two copies, in the
// configuration directory (made if missing).
bool WriteConfiguration(const std::string& target, std::int32_t backupStatus) {
    const std::optional<std::string> directory = ConfigurationDirectory();
    std::error_code error;
    const std::string xml = ConfigurationXml(target, backupStatus);
    return directory && (std::filesystem::create_directories(NativePath(*directory), error), !error) &&
           WriteFile(*directory + "\\Config1.xml", xml) && WriteFile(*directory + "\\Config2.xml", xml);
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

// Creating a configuration writes its files at once, as the platform does:
// an existing one is overwritten with File History's defaults (no target,
// backups off), whatever later steps of the caller do.
HRESULT ConfigurationManager::CreateDefaultConfiguration(BOOL overwriteIfExists) {
    HRESULT result = CurrentSettings().ResultOf(Call::CreateDefaultConfiguration);
    const std::optional<std::string> previousTarget = SavedTarget();
    if (SUCCEEDED(result) && !overwriteIfExists && previousTarget) result = FHCFG_E_CONFIG_ALREADY_EXISTS;
    if (SUCCEEDED(result) && !WriteConfiguration("", FH_STATUS_DISABLED)) result = E_FAIL;
    if (SUCCEEDED(result)) {
        loaded_ = true;
        target_.clear();
        backupStatus_ = FH_STATUS_DISABLED;
        // The namespace stays on the target the replaced configuration named.
        namespaceTarget_ = previousTarget.value_or("");
    }
    Trace(Call::CreateDefaultConfiguration, {HresultField(result), NumberField(overwriteIfExists)});
    return result;
}

HRESULT ConfigurationManager::SaveConfiguration() {
    HRESULT result = ResultNeedingConfiguration(Call::SaveConfiguration, loaded_);
    if (SUCCEEDED(result) && !WriteConfiguration(target_, backupStatus_)) result = E_FAIL;
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
    if (SUCCEEDED(result)) backupStatus_ = backupStatus;
    Trace(Call::SetBackupStatus, {HresultField(result), NumberField(backupStatus)});
    return result;
}

HRESULT ConfigurationManager::ValidateTarget(const std::optional<std::string>& target,
                                             std::int32_t* validationResult) {
    HRESULT result = ResultNeedingConfiguration(Call::ValidateTarget, loaded_);
    if (SUCCEEDED(result) && (!target || validationResult == nullptr)) result = E_POINTER;
    if (SUCCEEDED(result)) {
        const std::optional<std::int32_t> forced = CurrentSettings().validationResult;
        *validationResult = forced                         ? *forced
                            : !EndsInBackslash(*target)     ? FH_INVALID_DRIVE_TYPE
                            : *target == namespaceTarget_   ? FH_NAMESPACE_EXISTS
                                                            : FH_VALID_TARGET;
    }
    Trace(Call::ValidateTarget, {HresultField(result), target.value_or("")});
    return result;
}

HRESULT ConfigurationManager::ProvisionAndSetNewTarget(const std::optional<std::string>& target,
                                                       const std::optional<std::string>& name) {
    HRESULT result = ResultNeedingConfiguration(Call::ProvisionAndSetNewTarget, loaded_);
    if (SUCCEEDED(result) && (!target || !name)) result = E_POINTER;
    if (SUCCEEDED(result) && !EndsInBackslash(*target)) result = E_INVALIDARG;
    if (SUCCEEDED(result)) target_ = *target;
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
