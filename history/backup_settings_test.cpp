// Setting how often File History backs up and how long it keeps versions:
// the calls in order, each failing in turn with its status, and the saved
// configuration either as asked or exactly as it was, never half set.
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "history/backup_settings.h"
#include "platform/sim/configuration.h"
#include "tests/support/sim_session.h"

using testsupport::SimSession;
using ::testing::ElementsAreArray;

namespace {

// Every 10 minutes, versions kept 90 days.
BackupSettings Asked() {
    BackupSettings asked;
    EXPECT_EQ(TakeFrequency("10", &asked), "");
    EXPECT_EQ(TakeRetention("90", &asked), "");
    return asked;
}

const std::vector<std::string> kOpening = {"CoInitializeEx", "CoCreateInstance", "LoadConfiguration",
                                           "GetLocalPolicy", "GetLocalPolicy", "GetLocalPolicy"};
const std::vector<std::string> kSetting = {"SetLocalPolicy", "SetLocalPolicy", "SetLocalPolicy"};
const std::vector<std::string> kReloading = {"FhServiceOpenPipe", "FhServiceReloadConfiguration",
                                             "FhServiceClosePipe"};
const std::vector<std::string> kClosing = {"Release", "CoUninitialize"};

std::vector<std::string> Calls(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> calls;
    for (const std::vector<std::string>& part : parts) calls.insert(calls.end(), part.begin(), part.end());
    return calls;
}

struct SettingCase {
    const char* name;
    std::string settings;
    SettingsStatus status;
    bool saved;  // the files hold the asked values; else exactly what they held
    std::vector<std::string> calls;
};

class Setting : public ::testing::TestWithParam<SettingCase> {};

TEST_P(Setting, SavesAllOrNothingAndReleasesInScope) {
    const SettingCase& row = GetParam();
    SimSession session(row.settings);
    ASSERT_TRUE(sim::WriteSavedConfiguration({"\\\\nas\\backups\\", 2, "NAS"}));
    const std::optional<sim::SavedConfiguration> before = sim::ReadSavedConfiguration();

    SettingsChange change;
    EXPECT_EQ(SetBackupSettings(Asked(), &change), row.status) << change.failure;
    EXPECT_THAT(session.calls(), ElementsAreArray(row.calls));

    const std::optional<sim::SavedConfiguration> after = sim::ReadSavedConfiguration();
    ASSERT_TRUE(after);
    // The target, its name and the backups are never touched.
    EXPECT_EQ(after->target, "\\\\nas\\backups\\");
    EXPECT_EQ(after->targetName, "NAS");
    EXPECT_EQ(after->backupStatus, 2);
    const std::vector<std::uint64_t> asked = {600, FH_RETENTION_AGE_BASED, 90};
    EXPECT_EQ(std::vector<std::uint64_t>(after->policies, after->policies + 3),
              row.saved ? asked : std::vector<std::uint64_t>(before->policies, before->policies + 3));
    if (row.status == kSettingsDone || row.status == kSettingsServiceNotReloaded) {
        EXPECT_EQ(change.after.frequency, 600u);
        EXPECT_EQ(change.after.age, 90u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Setting,
    ::testing::Values(
        SettingCase{"Everything", "", kSettingsDone, true, Calls({kOpening, kSetting, {"SaveConfiguration"}, kReloading, kClosing})},
        // An age may count only once the retention is age-based: set after it.
        SettingCase{"AgeRefusedUntilAgeBased", "AgeBeforeAgeBased=refused", kSettingsDone, true,
                    Calls({kOpening, kSetting, {"SaveConfiguration"}, kReloading, kClosing})},
        SettingCase{"UnofferedValuesTaken", "UnofferedPolicyValue=taken", kSettingsDone, true,
                    Calls({kOpening, kSetting, {"SaveConfiguration"}, kReloading, kClosing})},
        SettingCase{"ComUnavailable", "CoInitializeEx=0x80010106", kSettingsComUnavailable, false, {"CoInitializeEx"}},
        SettingCase{"ManagerNotCreated", "CoCreateInstance=0x80040154", kSettingsNotRead, false,
                    {"CoInitializeEx", "CoCreateInstance", "CoUninitialize"}},
        SettingCase{"NotLoaded", "LoadConfiguration=0x80040300", kSettingsNotRead, false,
                    {"CoInitializeEx", "CoCreateInstance", "LoadConfiguration", "Release", "CoUninitialize"}},
        SettingCase{"NotRead", "GetLocalPolicy=0x80004005", kSettingsNotRead, false, Calls({kOpening, kClosing})},
        SettingCase{"NotSet", "SetLocalPolicy=0x80070057", kSettingsNotRead, false,
                    Calls({kOpening, {"SetLocalPolicy"}, kClosing})},
        SettingCase{"NotSaved", "SaveConfiguration=0x80070005", kSettingsNotSaved, false,
                    Calls({kOpening, kSetting, {"SaveConfiguration"}, kClosing})},
        SettingCase{"ServiceNotReached", "FhServiceOpenPipe=0x80040601", kSettingsServiceNotReloaded, true,
                    Calls({kOpening, kSetting, {"SaveConfiguration", "FhServiceOpenPipe"}, kClosing})},
        SettingCase{"ServiceNotReloaded", "FhServiceReloadConfiguration=0x80040601", kSettingsServiceNotReloaded, true,
                    Calls({kOpening, kSetting, {"SaveConfiguration"}, kReloading, kClosing})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Setting, TheSameValuesSaveNothingAndNoConfigurationIsRefused) {
    SimSession session;
    ASSERT_TRUE(sim::WriteSavedConfiguration({"\\\\nas\\backups\\", 2}));
    BackupSettings defaults;
    ASSERT_EQ(TakeFrequency("60", &defaults), "");
    ASSERT_EQ(TakeRetention("Forever", &defaults), "");
    SettingsChange change;
    EXPECT_EQ(SetBackupSettings(defaults, &change), kSettingsDone);
    EXPECT_THAT(session.calls(), ElementsAreArray(Calls({kOpening, kClosing})));

    SimSession none;
    EXPECT_EQ(SetBackupSettings(Asked(), &change), kSettingsNoConfiguration);
    EXPECT_FALSE(sim::ReadSavedConfiguration()) << "no configuration is made";
}

struct TypedValue {
    const char* name;
    std::string every;  // "" for none
    std::string keep;
    std::string refusal;  // "" where taken
};

class TypedValues : public ::testing::TestWithParam<TypedValue> {};

TEST_P(TypedValues, AreTakenOnlyAsTheSettingsPageOffersThem) {
    BackupSettings settings;
    const std::string refused = GetParam().every.empty() ? TakeRetention(GetParam().keep, &settings)
                                                         : TakeFrequency(GetParam().every, &settings);
    EXPECT_EQ(refused, GetParam().refusal);
    if (!refused.empty()) {
        EXPECT_FALSE(settings.frequency || settings.retention || settings.age);
    }
}

const std::string kNoFrequency = " is not a frequency File History offers: 10, 15, 20, 30, 60, 180, 360, 720 or 1440 minutes";
const std::string kNoRetention = " is not a retention File History offers: forever, space, or 30, 90, 180, 270, 365 or 730 days";

INSTANTIATE_TEST_SUITE_P(
    Table, TypedValues,
    ::testing::Values(TypedValue{"Daily", "1440", "", ""}, TypedValue{"FiveMinutes", "5", "", "/every:5" + kNoFrequency},
                      TypedValue{"Empty", "", "", "/keep:" + kNoRetention},
                      TypedValue{"Signed", "+10", "", "/every:+10" + kNoFrequency},
                      TypedValue{"Huge", "99999999999999999999", "", "/every:99999999999999999999" + kNoFrequency},
                      TypedValue{"Space", "", "SPACE", ""}, TypedValue{"TwoYears", "", "730", ""},
                      TypedValue{"ADay", "", "1", "/keep:1" + kNoRetention},
                      TypedValue{"Months", "", "3m", "/keep:3m" + kNoRetention}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
