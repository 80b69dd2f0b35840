#include "history/backup_settings.h"

#include <algorithm>
#include <iterator>

#include "history/service_reload.h"
#include "history/state.h"
#include "platform/com.h"
#include "platform/text.h"

namespace {

constexpr ULONGLONG kOfferedMinutes[] = {10, 15, 20, 30, 60, 180, 360, 720, 1440};
constexpr ULONGLONG kOfferedDays[] = {30, 90, 180, 270, 365, 730};

// A decimal number of at most six digits, nothing else.
std::optional<ULONGLONG> SmallNumber(const std::string& text) {
    if (text.empty() || text.size() > 6) return std::nullopt;
    ULONGLONG value = 0;
    for (const char digit : text) {
        if (digit < '0' || digit > '9') return std::nullopt;
        value = value * 10 + static_cast<ULONGLONG>(digit - '0');
    }
    return value;
}

template <size_t N>
bool IsOffered(const ULONGLONG (&offered)[N], std::optional<ULONGLONG> value) {
    return value && std::find(std::begin(offered), std::end(offered), *value) != std::end(offered);
}

std::string Lower(std::string text) {
    for (char& c : text) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

bool Differs(const std::optional<ULONGLONG>& asked, const std::optional<ULONGLONG>& read) {
    return asked && asked != read;
}

// Keeps the first failing call.
bool Succeeded(const char* call, HRESULT result, std::string* failure) {
    if (SUCCEEDED(result)) return true;
    if (failure->empty()) *failure = std::string(call) + " 0x" + HexDigits(result, 8);
    return false;
}

// Each asked policy that differs, in the order File History may need them:
// the retention type before an age it makes count.
bool SetDiffering(IFhConfigMgr* manager, const BackupSettings& asked, const BackupSettings& read,
                  std::string* failure) {
    const std::pair<FH_LOCAL_POLICY_TYPE, std::optional<ULONGLONG> BackupSettings::*> policies[] = {
        {FH_FREQUENCY, &BackupSettings::frequency},
        {FH_RETENTION_TYPE, &BackupSettings::retention},
        {FH_RETENTION_AGE, &BackupSettings::age}};
    for (const auto& [type, value] : policies) {
        if (!Differs(asked.*value, read.*value)) continue;
        if (!Succeeded("SetLocalPolicy", manager->SetLocalPolicy(type, *(asked.*value)), failure)) return false;
    }
    return true;
}

}  // namespace

std::string TakeFrequency(const std::string& minutes, BackupSettings* settings) {
    const std::optional<ULONGLONG> number = SmallNumber(minutes);
    if (!IsOffered(kOfferedMinutes, number)) {
        return "/every:" + minutes + " is not a frequency File History offers: 10, 15, 20, 30, 60, 180, 360, 720 or "
               "1440 minutes";
    }
    settings->frequency = *number * 60;
    return "";
}

std::string TakeRetention(const std::string& kept, BackupSettings* settings) {
    const std::optional<ULONGLONG> days = SmallNumber(kept);
    if (Lower(kept) == "forever") {
        settings->retention = FH_RETENTION_DISABLED;
    } else if (Lower(kept) == "space") {
        settings->retention = FH_RETENTION_UNLIMITED;
    } else if (IsOffered(kOfferedDays, days)) {
        settings->retention = FH_RETENTION_AGE_BASED;
        settings->age = *days;
    } else {
        return "/keep:" + kept + " is not a retention File History offers: forever, space, or 30, 90, 180, 270, 365 "
               "or 730 days";
    }
    return "";
}

bool DiffersFrom(const BackupSettings& asked, const BackupSettings& read) {
    return Differs(asked.frequency, read.frequency) || Differs(asked.retention, read.retention) ||
           Differs(asked.age, read.age);
}

const char* RetentionName(ULONGLONG retention) {
    switch (retention) {
        case FH_RETENTION_DISABLED: return "FH_RETENTION_DISABLED";
        case FH_RETENTION_UNLIMITED: return "FH_RETENTION_UNLIMITED";
        case FH_RETENTION_AGE_BASED: return "FH_RETENTION_AGE_BASED";
    }
    return "unknown";
}

BackupSettings ReadBackupSettings(IFhConfigMgr* manager, std::string* failure) {
    BackupSettings read;
    for (const auto& [type, value] : {std::make_pair(FH_FREQUENCY, &read.frequency),
                                      std::make_pair(FH_RETENTION_TYPE, &read.retention),
                                      std::make_pair(FH_RETENTION_AGE, &read.age)}) {
        ULONGLONG number = 0;
        if (Succeeded("GetLocalPolicy", manager->GetLocalPolicy(type, &number), failure)) *value = number;
    }
    return read;
}

SettingsStatus SetBackupSettings(const BackupSettings& asked, SettingsChange* change) {
    std::string* failure = &change->failure;
    const ComApartment apartment(COINIT_APARTMENTTHREADED);
    if (!Succeeded("CoInitializeEx", apartment.result(), failure)) return kSettingsComUnavailable;

    // Declared after the apartment, so that it is released before the apartment is left.
    ComPtr<IFhConfigMgr> manager;
    if (!Succeeded("CoCreateInstance", CoCreateInstance(CLSID_FhConfigMgr, nullptr, CLSCTX_INPROC_SERVER,
                                                        IID_IFhConfigMgr, manager.put_void()), failure)) {
        return kSettingsNotRead;
    }

    // The user's current configuration, never a new one.
    const HRESULT loaded = manager->LoadConfiguration();
    if (IsNoConfiguration(loaded)) return kSettingsNoConfiguration;
    if (!Succeeded("LoadConfiguration", loaded, failure)) return kSettingsNotRead;

    change->before = change->after = ReadBackupSettings(manager.get(), failure);
    if (!failure->empty()) return kSettingsNotRead;
    if (!DiffersFrom(asked, change->before)) return kSettingsDone;

    // Set in the manager only: the files change at the save, all at once.
    if (!SetDiffering(manager.get(), asked, change->before, failure)) return kSettingsNotRead;
    if (!Succeeded("SaveConfiguration", manager->SaveConfiguration(), failure)) return kSettingsNotSaved;
    if (asked.frequency) change->after.frequency = asked.frequency;
    if (asked.retention) change->after.retention = asked.retention;
    if (asked.age) change->after.age = asked.age;

    if (!Succeeded("FhServiceReloadConfiguration", ReloadServiceConfiguration(), failure)) {
        return kSettingsServiceNotReloaded;
    }
    return kSettingsDone;
}  // On every path: the manager is released, then the apartment left.
