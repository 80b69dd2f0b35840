// The simulated calls, named once: FHSWITCH_SIM sets their results by these
// names, the trace records them, and the fuzz target and the end-to-end
// tests read them from here. A name misspelt anywhere is a compile error,
// not a setting that silently means S_OK.
#pragma once

#include <string_view>

namespace sim {

enum class Call {
    CoInitializeEx,
    CoCreateInstance,
    CoUninitialize,
    LoadConfiguration,
    CreateDefaultConfiguration,
    GetBackupStatus,
    ValidateTarget,
    ProvisionAndSetNewTarget,
    SetBackupStatus,
    SaveConfiguration,
    ChangeDefaultTargetRecommendation,
    GetDefaultTarget,
    GetTargetStringProperty,
    ReleaseFhTarget,
    QueryProtectionStatus,
    GetLocalPolicy,
    SetLocalPolicy,
    Release,
    CreateFhReassociation,
    ValidateTargetForReassociation,
    ScanTargetForConfigurations,
    GetConfigurationDetails,
    SelectConfiguration,
    PerformReassociation,
    ReleaseFhReassociation,
    FhServiceOpenPipe,
    FhServiceReloadConfiguration,
    FhServiceStopBackup,
    FhServiceBlockBackup,
    FhServiceUnblockBackup,
    FhServiceClosePipe,
    DeleteFileUtf8,
};

struct CallInfo {
    Call call;
    std::string_view name;
    bool settable;  // FHSWITCH_SIM may set the HRESULT it returns
    bool standIn;   // a Wine stand-in answers it (the rest are Wine's own under Wine)
};

inline constexpr CallInfo kCalls[] = {
    {Call::CoInitializeEx, "CoInitializeEx", true, false},
    {Call::CoCreateInstance, "CoCreateInstance", true, false},
    {Call::CoUninitialize, "CoUninitialize", false, false},
    {Call::LoadConfiguration, "LoadConfiguration", true, true},
    {Call::CreateDefaultConfiguration, "CreateDefaultConfiguration", true, true},
    {Call::GetBackupStatus, "GetBackupStatus", true, true},
    {Call::ValidateTarget, "ValidateTarget", true, true},
    {Call::ProvisionAndSetNewTarget, "ProvisionAndSetNewTarget", true, true},
    {Call::SetBackupStatus, "SetBackupStatus", true, true},
    {Call::SaveConfiguration, "SaveConfiguration", true, true},
    {Call::ChangeDefaultTargetRecommendation, "ChangeDefaultTargetRecommendation", true, true},
    // The default target the manager hands out (IFhTarget): its making, its
    // properties, its release.
    {Call::GetDefaultTarget, "GetDefaultTarget", true, true},
    {Call::GetTargetStringProperty, "FhTarget.GetStringProperty", true, true},
    {Call::ReleaseFhTarget, "FhTarget.Release", false, true},
    {Call::QueryProtectionStatus, "QueryProtectionStatus", true, true},
    {Call::GetLocalPolicy, "GetLocalPolicy", true, true},
    {Call::SetLocalPolicy, "SetLocalPolicy", true, true},
    {Call::Release, "Release", false, true},
    // IFhReassociation: its class's creation (traced as CoCreateInstance on
    // Linux), its methods, and its release.
    {Call::CreateFhReassociation, "CoCreateInstance.FhReassociation", true, false},
    {Call::ValidateTargetForReassociation, "FhReassociation.ValidateTarget", true, true},
    {Call::ScanTargetForConfigurations, "FhReassociation.ScanTargetForConfigurations", true, true},
    {Call::GetConfigurationDetails, "FhReassociation.GetConfigurationDetails", true, true},
    {Call::SelectConfiguration, "FhReassociation.SelectConfiguration", true, true},
    {Call::PerformReassociation, "FhReassociation.PerformReassociation", true, true},
    {Call::ReleaseFhReassociation, "FhReassociation.Release", false, true},
    {Call::FhServiceOpenPipe, "FhServiceOpenPipe", true, true},
    {Call::FhServiceReloadConfiguration, "FhServiceReloadConfiguration", true, true},
    {Call::FhServiceStopBackup, "FhServiceStopBackup", true, true},
    {Call::FhServiceBlockBackup, "FhServiceBlockBackup", true, true},
    {Call::FhServiceUnblockBackup, "FhServiceUnblockBackup", true, true},
    {Call::FhServiceClosePipe, "FhServiceClosePipe", true, true},
    {Call::DeleteFileUtf8, "DeleteFileUtf8", false, false},
};

constexpr std::string_view NameOf(Call call) {
    for (const CallInfo& info : kCalls) {
        if (info.call == call) return info.name;
    }
    return {};
}

constexpr const CallInfo* CallNamed(std::string_view name) {
    for (const CallInfo& info : kCalls) {
        if (info.name == name) return &info;
    }
    return nullptr;
}

}  // namespace sim
