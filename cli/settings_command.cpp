#include "cli/settings_command.h"

#include <cstring>
#include <string>

#include "cli/switches.h"
#include "history/backup_settings.h"
#include "platform/console.h"

namespace {

void WriteField(const char* name, const std::string& value) { WriteLine(std::string(name) + "=" + value); }

std::string Number(const std::optional<ULONGLONG>& value) { return value ? std::to_string(*value) : ""; }
std::string Retention(const std::optional<ULONGLONG>& value) { return value ? RetentionName(*value) : ""; }

// What the run changed, for a log: "frequency 3600 -> 600, ..."; "" for nothing.
std::string Changed(const SettingsChange& change) {
    std::string changed;
    const auto add = [&changed](const char* name, const std::string& before, const std::string& after) {
        if (before == after) return;
        changed += (changed.empty() ? "" : ", ") + std::string(name) + " " + before + " -> " + after;
    };
    add("frequency", Number(change.before.frequency), Number(change.after.frequency));
    add("retention_type", Retention(change.before.retention), Retention(change.after.retention));
    add("retention_age", Number(change.before.age), Number(change.after.age));
    return changed;
}

// Always these lines, in this order; a value not read is empty.
void WriteChange(const SettingsChange& change) {
    WriteField("frequency", Number(change.after.frequency));
    WriteField("retention_type", Retention(change.after.retention));
    WriteField("retention_age", Number(change.after.age));
    WriteField("changed", Changed(change));
    WriteField("error", change.failure);
}

}  // namespace

int SetSettingsFromCommandLine(int argc, char* argv[]) {
    if (argc == 2 && std::strcmp(argv[1], "/?") == 0) {
        WriteLine("Sets how often File History backs up and how long it keeps versions, for the current user.");
        WriteLine("fhsettings [/every:<minutes>] [/keep:<days>|forever|space]");
        WriteLine("               minutes: 10, 15, 20, 30, 60, 180, 360, 720 or 1440");
        WriteLine("               days: 30, 90, 180, 270, 365 or 730; forever: never deleted;");
        WriteLine("               space: deleted as space is needed");
        WriteLine("fhsettings /?  this usage");
        return kSettingsDone;
    }
    const char* every = nullptr;
    const char* keep = nullptr;
    bool rejected = argc < 2 || argc > 3;
    for (int i = 1; i < argc && !rejected; ++i) {
        const char* minutes = AfterSwitch(argv[i], "/every:");
        const char* kept = AfterSwitch(argv[i], "/keep:");
        if (minutes != nullptr && every == nullptr) {
            every = minutes;
        } else if (kept != nullptr && keep == nullptr) {
            keep = kept;
        } else {
            rejected = true;
        }
    }
    if (rejected) {
        WriteLine("fhsettings takes /every:<minutes>, /keep:<days>|forever|space, or both; fhsettings /? shows its "
                  "usage");
        return kSettingsArgumentsRejected;
    }
    // Every value is checked before File History is asked anything.
    BackupSettings asked;
    SettingsChange change;
    if (every != nullptr) change.failure = TakeFrequency(every, &asked);
    if (keep != nullptr && change.failure.empty()) change.failure = TakeRetention(keep, &asked);
    if (!change.failure.empty()) {
        WriteChange(change);
        return kSettingsValueRefused;
    }
    const SettingsStatus status = SetBackupSettings(asked, &change);
    WriteChange(change);
    return status;
}
