// Where Microsoft's pages leave Windows' answer open, the simulation gives
// each plausible answer, one setting each: FHSWITCH_SIM's "NAME=ANSWER",
// with NAME and ANSWER from this table, the first answer the default. Named
// once here, as the calls are in calls.h, so that a misspelt one is a
// compile error in the code and a bad setting in FHSWITCH_SIM.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace sim {

enum class Variant {
    // LoadConfiguration's and CreateDefaultConfiguration's pages: one of them
    // before any other method; neither says a second is allowed, and
    // FhErrors.h has FHCFG_E_CONFIGURATION_PREVIOUSLY_LOADED.
    SecondLoad,
    // The backup status a reassociated configuration has: not documented.
    ReassociatedBackups,
    // GetDefaultTarget without a target: the remarks give ERROR_NOT_FOUND, the
    // parameter's text a NULL target.
    NoDefaultTarget,
    // QueryProtectionStatus's page: FH_STATE_NOT_TRACKED while the service
    // has not started or does not track the user yet; when it starts to, not said.
    ProtectionWhileOn,
    // PerformReassociation's page does not say whether it works while the
    // service may back up; FhServiceBlockBackup's says why to block.
    UnblockedReassociation,
    // The user name a backup's configuration holds (GetConfigurationDetails):
    // no documented form.
    BackupUserName,
    // The PC name it holds: no documented form either.
    BackupPcName,
    // Whether the service holds Config1.xml open, so that deleting it fails:
    // no page says it does not.
    HeldConfigurationFile,
    // SetLocalPolicy's and FH_LOCAL_POLICY_TYPE's pages give defaults, no
    // allowed values: a frequency or an age the settings page does not offer.
    UnofferedPolicyValue,
    // Whether an age is taken while the retention is not age-based: not said.
    AgeBeforeAgeBased,
};

enum Answer : int {
    // SecondLoad
    kSecondLoadRefused = 0,
    kSecondLoadAllowed = 1,
    // ReassociatedBackups
    kReassociatedOff = 0,
    kReassociatedOn = 1,
    kReassociatedRehydrating = 2,
    // NoDefaultTarget
    kNoTargetNotFound = 0,
    kNoTargetNull = 1,
    // ProtectionWhileOn
    kProtectedWhileOn = 0,
    kNotTrackedWhileOn = 1,
    // UnblockedReassociation
    kUnblockedRefused = 0,
    kUnblockedAllowed = 1,
    // BackupUserName
    kUserAccountName = 0,
    kUserWithDomain = 1,
    // BackupPcName
    kPcNetbiosName = 0,
    kPcDnsHostName = 1,
    kPcFullyQualifiedName = 2,
    // HeldConfigurationFile
    kConfigurationFileFree = 0,
    kConfigurationFileHeld = 1,
    // UnofferedPolicyValue
    kUnofferedValueRefused = 0,
    kUnofferedValueTaken = 1,
    // AgeBeforeAgeBased
    kAgeTakenAnyway = 0,
    kAgeRefusedUntilAgeBased = 1,
};

struct VariantInfo {
    Variant variant;
    std::string_view name;
    std::array<std::string_view, 3> answers;  // by Answer; "" past the last
};

inline constexpr VariantInfo kVariants[] = {
    {Variant::SecondLoad, "SecondLoad", {"refused", "allowed", ""}},
    {Variant::ReassociatedBackups, "ReassociatedBackups", {"off", "on", "rehydrating"}},
    {Variant::NoDefaultTarget, "NoDefaultTarget", {"not-found", "null", ""}},
    {Variant::ProtectionWhileOn, "ProtectionWhileOn", {"no-error", "not-tracked", ""}},
    {Variant::UnblockedReassociation, "UnblockedReassociation", {"refused", "allowed", ""}},
    {Variant::BackupUserName, "BackupUserName", {"account", "domain", ""}},
    {Variant::BackupPcName, "BackupPcName", {"netbios", "dns-host", "fully-qualified"}},
    {Variant::HeldConfigurationFile, "HeldConfigurationFile", {"no", "yes", ""}},
    {Variant::UnofferedPolicyValue, "UnofferedPolicyValue", {"refused", "taken", ""}},
    {Variant::AgeBeforeAgeBased, "AgeBeforeAgeBased", {"taken", "refused", ""}},
};

constexpr const VariantInfo* VariantNamed(std::string_view name) {
    for (const VariantInfo& info : kVariants) {
        if (info.name == name) return &info;
    }
    return nullptr;
}

// The FHSWITCH_SIM setting that gives a variant one of its answers.
inline std::string VariantSetting(Variant variant, Answer answer) {
    for (const VariantInfo& info : kVariants) {
        if (info.variant == variant) return std::string(info.name) + "=" + std::string(info.answers[answer]);
    }
    return {};
}

}  // namespace sim
