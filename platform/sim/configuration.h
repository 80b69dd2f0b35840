// The simulated File History configuration manager, on plain types, so that
// the Linux class and the Windows stand-in COM server behave alike. Each call
// returns what FHSWITCH_SIM sets for it (S_OK otherwise) and traces itself; a
// failing call has no other effect.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/win_api.h"

namespace sim {

// A BSTR's text in UTF-8, read through its length prefix; nothing for null.
std::optional<std::string> BstrText(BSTR text);

// "$LOCALAPPDATA\Microsoft\Windows\FileHistory\Configuration"; nothing when
// LOCALAPPDATA is unset or empty.
std::optional<std::string> ConfigurationDirectory();

class ConfigurationManager {
public:
    HRESULT CreateDefaultConfiguration(BOOL overwriteIfExists);
    HRESULT SaveConfiguration();
    HRESULT GetBackupStatus(std::int32_t* backupStatus);
    HRESULT SetBackupStatus(std::int32_t backupStatus);
    HRESULT ValidateTarget(const std::optional<std::string>& target, std::int32_t* validationResult);
    HRESULT ProvisionAndSetNewTarget(const std::optional<std::string>& target,
                                     const std::optional<std::string>& name);
    HRESULT ChangeDefaultTargetRecommendation(BOOL recommend);
    void TraceRelease();

private:
    bool loaded_ = false;
    std::string namespaceTarget_;  // holds this user's File History namespace already
    std::string target_;
    std::int32_t backupStatus_ = 0;
};

}  // namespace sim
