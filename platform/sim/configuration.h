// The simulated File History configuration manager, on plain types, so that
// the Linux class and the Windows stand-in COM server behave alike. Each call
// returns what FHSWITCH_SIM sets for it (S_OK otherwise) and traces itself; a
// failing call has no other effect.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "platform/win_api.h"

namespace sim {

// A BSTR's text in UTF-8, read through its length prefix; nothing for null.
std::optional<std::string> BstrText(BSTR text);

// "$LOCALAPPDATA\Microsoft\Windows\FileHistory\Configuration"; nothing when
// LOCALAPPDATA is unset or empty.
std::optional<std::string> ConfigurationDirectory();

// The user's configuration as its files say it (Config1.xml and Config2.xml,
// the platform's two copies).
struct SavedConfiguration {
    std::string target;  // empty: none
    std::int32_t backupStatus;
    std::string targetName = "";  // the friendly name provisioning was given
    // The local policies, by FH_LOCAL_POLICY_TYPE: File History's defaults
    // (an hour, versions never deleted, a year) until set.
    std::uint64_t policies[3] = {3600, 0, 365};
};
std::optional<SavedConfiguration> ReadSavedConfiguration();
bool WriteSavedConfiguration(const SavedConfiguration& configuration);

// How a target validates, for the manager and for a reassociation alike.
std::int32_t ValidationOf(const std::string& target);

// The target of the user's configuration, as GetDefaultTarget hands it out.
class DefaultTarget {
public:
    DefaultTarget() = default;
    DefaultTarget(std::string url, std::string name) : url_(std::move(url)), name_(std::move(name)) {}
    // FH_TARGET_URL or FH_TARGET_NAME (the friendly name provisioning was
    // given, as it was given: the simulation makes none up).
    HRESULT GetStringProperty(std::int32_t propertyType, std::string* value) const;
    void TraceRelease();

private:
    std::string url_;
    std::string name_;
};

class ConfigurationManager {
public:
    HRESULT LoadConfiguration();
    HRESULT CreateDefaultConfiguration(BOOL overwriteIfExists);
    HRESULT SaveConfiguration();
    HRESULT GetBackupStatus(std::int32_t* backupStatus);
    HRESULT SetBackupStatus(std::int32_t backupStatus);
    HRESULT ValidateTarget(const std::optional<std::string>& target, std::int32_t* validationResult);
    HRESULT ProvisionAndSetNewTarget(const std::optional<std::string>& target,
                                     const std::optional<std::string>& name);
    HRESULT ChangeDefaultTargetRecommendation(BOOL recommend);
    // The target to hand out. Where there is none: kNoTargetAssigned, or
    // (NoDefaultTarget=null) success and none, for a null target.
    HRESULT GetDefaultTarget(std::optional<DefaultTarget>* target);
    // The state as the backups and the target make it, unless set; the time
    // the target's backup of this user and PC was made, in UTC ("" without one).
    HRESULT QueryProtectionStatus(std::uint32_t* protectionState, std::string* protectedUntil);
    // A local policy of the loaded configuration; set, it is saved with the rest.
    HRESULT GetLocalPolicy(std::int32_t policyType, std::uint64_t* value);
    HRESULT SetLocalPolicy(std::int32_t policyType, std::uint64_t value);
    void TraceRelease();

private:
    bool loaded_ = false;
    SavedConfiguration configuration_{"", 0};
};

}  // namespace sim
