#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "history/file_history.h"
#include "platform/com.h"
#include "platform/fh_config.h"
#include "platform/fh_reassociation.h"
#include "platform/fh_service.h"
#include "platform/sim/variants.h"
#include "platform/text.h"
#include "tests/support/sim_session.h"

using testsupport::RunCapturingStdout;
using testsupport::SimSession;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

constexpr char16_t kTarget[] = u"\\\\nas\\backups";

constexpr char kCreating[] = "Creating default configuration\n";
constexpr char kProvisioning[] = "Provisioning and setting target\n";
constexpr char kEnabling[] = "Enabling File History\n";
constexpr char kScheduling[] = "Scheduling regular backups\n";
constexpr char kRecommending[] = "Recommending target to Homegroup\n";
constexpr char kSuccess[] = "Success! File History is now enabled\n";
constexpr char kInvalidTarget[] = "Error: \\\\nas\\backups\\ is not a valid target\n";

std::string Lines(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) text += line;
    return text;
}

testsupport::Outcome Enable(const char16_t* target = kTarget) {
    return RunCapturingStdout([&] { return EnableFileHistory(target); });
}

TEST(Enable, ASuccessfulRunMakesEveryCallInOrderWithItsArguments) {
    SimSession session;
    const auto outcome = Enable();
    EXPECT_EQ(outcome.status, kDone);
    EXPECT_EQ(outcome.output,
              Lines({kCreating, kProvisioning, kEnabling, kScheduling, kRecommending, kSuccess}));
    EXPECT_THAT(session.trace(),
                ElementsAre("CoInitializeEx\t0x00000000\t2",
                            "CoCreateInstance\t0x00000000\t{ED43BB3C-09E9-498A-9DF6-2177244C6DB4}\t1\t"
                            "{6A5FEA5B-BF8F-4EE5-B8C3-44D8A0D7331C}",
                            "CreateDefaultConfiguration\t0x00000000\t1",
                            "GetBackupStatus\t0x00000000",
                            "ValidateTarget\t0x00000000\t\\\\nas\\backups\\",
                            "ProvisionAndSetNewTarget\t0x00000000\t\\\\nas\\backups\\\t",
                            "SetBackupStatus\t0x00000000\t2",
                            "SaveConfiguration\t0x00000000",
                            "FhServiceOpenPipe\t0x00000000\t1",
                            "FhServiceReloadConfiguration\t0x00000000",
                            "FhServiceClosePipe\t0x00000000",
                            "ChangeDefaultTargetRecommendation\t0x00000000\t1",
                            "Release\t-",
                            "CoUninitialize\t-"));
}

// One row per way a run can end: the settings, the status, the exact output,
// and every call made (the manager released and COM left last on every path).
struct Ending {
    const char* settings;
    ExitStatus status;
    std::string output;
    std::vector<std::string> calls;
};

const std::vector<std::string> kUpToSave = {"CoInitializeEx",           "CoCreateInstance", "CreateDefaultConfiguration",
                                            "GetBackupStatus",          "ValidateTarget",   "ProvisionAndSetNewTarget",
                                            "SetBackupStatus",          "SaveConfiguration"};

std::vector<std::string> Then(std::vector<std::string> calls, std::initializer_list<const char*> more) {
    calls.insert(calls.end(), more.begin(), more.end());
    return calls;
}

class EnableEnding : public ::testing::TestWithParam<Ending> {};

TEST_P(EnableEnding, PrintsItsLinesReturnsItsStatusAndCleansUp) {
    const Ending& ending = GetParam();
    SimSession session(ending.settings);
    const auto outcome = Enable();
    EXPECT_EQ(outcome.status, ending.status);
    EXPECT_EQ(outcome.output, ending.output);
    EXPECT_THAT(session.calls(), ElementsAreArray(ending.calls));
}

const std::string kAllLines = Lines({kCreating, kProvisioning, kEnabling, kScheduling, kRecommending, kSuccess});
const std::vector<std::string> kAllCalls =
    Then(kUpToSave, {"FhServiceOpenPipe", "FhServiceReloadConfiguration", "FhServiceClosePipe",
                     "ChangeDefaultTargetRecommendation", "Release", "CoUninitialize"});

INSTANTIATE_TEST_SUITE_P(
    Statuses, EnableEnding,
    ::testing::Values(
        Ending{"", kDone, kAllLines, kAllCalls},
        Ending{"ChangeDefaultTargetRecommendation=0x80004005", kDone,
               Lines({kCreating, kProvisioning, kEnabling, kScheduling, kRecommending,
                      "Warning: Failed to recommend target to Homegroup (0x80004005)\n", kSuccess}),
               kAllCalls},
        Ending{"ChangeDefaultTargetRecommendation=0x8007000E", kDone,
               Lines({kCreating, kProvisioning, kEnabling, kScheduling, kRecommending,
                      "Warning: Failed to recommend target to Homegroup (0x8007000E)\n", kSuccess}),
               kAllCalls},
        // Results that are not examined, and success codes other than S_OK.
        Ending{"GetBackupStatus=0x80004005", kDone, kAllLines, kAllCalls},
        Ending{"GetBackupStatus=0x80004005;GetBackupStatus.status=1", kDone, kAllLines, kAllCalls},
        Ending{"CoInitializeEx=0x1;CoCreateInstance=0x1;CreateDefaultConfiguration=0x1;ValidateTarget=0x1;"
               "ProvisionAndSetNewTarget=0x1;SetBackupStatus=0x1;SaveConfiguration=0x1;FhServiceOpenPipe=0x1;"
               "FhServiceReloadConfiguration=0x1;FhServiceClosePipe=0x1;ChangeDefaultTargetRecommendation=0x1",
               kDone, kAllLines, kAllCalls},
        Ending{"CoCreateInstance=0x80040154", kManagerNotCreated, "",
               {"CoInitializeEx", "CoCreateInstance", "CoUninitialize"}},
        Ending{"CreateDefaultConfiguration=0x80040302", kConfigurationExists, kCreating,
               {"CoInitializeEx", "CoCreateInstance", "CreateDefaultConfiguration", "Release", "CoUninitialize"}},
        Ending{"CreateDefaultConfiguration=0x80040300", kConfigurationNotCreated, kCreating,
               {"CoInitializeEx", "CoCreateInstance", "CreateDefaultConfiguration", "Release", "CoUninitialize"}},
        Ending{"CreateDefaultConfiguration=0x80040303", kConfigurationNotCreated, kCreating,
               {"CoInitializeEx", "CoCreateInstance", "CreateDefaultConfiguration", "Release", "CoUninitialize"}},
        Ending{"GetBackupStatus.status=1", kDisabledByPolicy, kCreating,
               {"CoInitializeEx", "CoCreateInstance", "CreateDefaultConfiguration", "GetBackupStatus", "Release",
                "CoUninitialize"}},
        Ending{"ValidateTarget=0x80040304", kTargetNotValidated, kCreating,
               {"CoInitializeEx", "CoCreateInstance", "CreateDefaultConfiguration", "GetBackupStatus",
                "ValidateTarget", "Release", "CoUninitialize"}},
        Ending{"ValidateTarget.result=2", kTargetNotValid, Lines({kCreating, kInvalidTarget}),
               {"CoInitializeEx", "CoCreateInstance", "CreateDefaultConfiguration", "GetBackupStatus",
                "ValidateTarget", "Release", "CoUninitialize"}},
        Ending{"ProvisionAndSetNewTarget=0x80040306", kTargetNotProvisioned, Lines({kCreating, kProvisioning}),
               {"CoInitializeEx", "CoCreateInstance", "CreateDefaultConfiguration", "GetBackupStatus",
                "ValidateTarget", "ProvisionAndSetNewTarget", "Release", "CoUninitialize"}},
        Ending{"SetBackupStatus=0x80004005", kBackupsNotEnabled, Lines({kCreating, kProvisioning, kEnabling}),
               {"CoInitializeEx", "CoCreateInstance", "CreateDefaultConfiguration", "GetBackupStatus",
                "ValidateTarget", "ProvisionAndSetNewTarget", "SetBackupStatus", "Release", "CoUninitialize"}},
        // Nothing is written until the save: the service is not asked to reload.
        Ending{"SaveConfiguration=0x80070005", kConfigurationNotSaved, Lines({kCreating, kProvisioning, kEnabling}),
               Then(kUpToSave, {"Release", "CoUninitialize"})},
        Ending{"FhServiceOpenPipe=0x80040601", kServiceNotReloaded,
               Lines({kCreating, kProvisioning, kEnabling, kScheduling}),
               Then(kUpToSave, {"FhServiceOpenPipe", "Release", "CoUninitialize"})},
        // A failed reload still closes the pipe.
        Ending{"FhServiceReloadConfiguration=0x80040601", kServiceNotReloaded,
               Lines({kCreating, kProvisioning, kEnabling, kScheduling}),
               Then(kUpToSave, {"FhServiceOpenPipe", "FhServiceReloadConfiguration", "FhServiceClosePipe", "Release",
                                "CoUninitialize"})},
        Ending{"FhServiceClosePipe=0x80004005", kServiceNotReloaded,
               Lines({kCreating, kProvisioning, kEnabling, kScheduling}),
               Then(kUpToSave, {"FhServiceOpenPipe", "FhServiceReloadConfiguration", "FhServiceClosePipe", "Release",
                                "CoUninitialize"})},
        Ending{"FhServiceReloadConfiguration=0x80040601;FhServiceClosePipe=0x80004005", kServiceNotReloaded,
               Lines({kCreating, kProvisioning, kEnabling, kScheduling}),
               Then(kUpToSave, {"FhServiceOpenPipe", "FhServiceReloadConfiguration", "FhServiceClosePipe", "Release",
                                "CoUninitialize"})}));

// Only a valid target and an existing File History namespace let the run go
// on; an existing namespace to be reconnected (the target here holds none).
class ValidationResult : public ::testing::TestWithParam<int> {};

TEST_P(ValidationResult, OnlyValidTargetAndExistingNamespacePass) {
    const int result = GetParam();
    SimSession session("ValidateTarget.result=" + std::to_string(result));
    const auto outcome = Enable();
    EXPECT_EQ(outcome.status, result == 6 ? kDone : result == 4 ? kEarlierBackupNotReconnected : kTargetNotValid);
    EXPECT_EQ(outcome.output, result == 6   ? kAllLines
                              : result == 4 ? Lines({kCreating, kProvisioning})
                                            : Lines({kCreating, kInvalidTarget}));
}

INSTANTIATE_TEST_SUITE_P(Results, ValidationResult, ::testing::Values(0, 1, 2, 3, 4, 5, 6, 7, 100, -1));

TEST(Enable, TheInvalidTargetLineShowsTheTargetAsText) {
    SimSession session("ValidateTarget.result=0");
    const auto outcome = Enable(u"\\\\nas\\%s%n%ws%X\\Müller");
    EXPECT_EQ(outcome.status, kTargetNotValid);
    EXPECT_EQ(outcome.output, Lines({kCreating, "Error: \\\\nas\\%s%n%ws%X\\Müller\\ is not a valid target\n"}));
}

TEST(Enable, ComThatCannotBeInitialisedThrowsAndDoesNothingElse) {
    SimSession session("CoInitializeEx=0x80010106");
    bool thrown = false;
    const auto outcome = RunCapturingStdout([&] {
        try {
            EnableFileHistory(kTarget);
        } catch (const ComUnavailable&) {
            thrown = true;
        }
        return 0;
    });
    EXPECT_TRUE(thrown);
    EXPECT_EQ(outcome.output, "");
    EXPECT_THAT(session.trace(), ElementsAre("CoInitializeEx\t0x80010106\t2"));
}

// What is saved, and what the simulated manager then makes of targets, as the
// platform would: a fresh configuration overwrites the saved one with File
// History's defaults, the saved target is an existing namespace, and a target
// without its trailing backslash is refused.
TEST(Enable, SavesTheTargetAndEnabledStatus) {
    SimSession session;
    ASSERT_EQ(Enable().status, kDone);
    const auto configuration = [&](const char* name) {
        std::ifstream file(session.configDirectory() + name);
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    const auto xml = [](const std::string& target, int backupStatus) {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<FileHistoryConfiguration>\n  <Target>" + target +
               "</Target>\n  <BackupStatus>" + std::to_string(backupStatus) +
               "</BackupStatus>\n</FileHistoryConfiguration>\n";
    };
    for (const char* name : {"/Config1.xml", "/Config2.xml"}) {
        EXPECT_EQ(configuration(name), xml("\\\\nas\\backups\\", 2)) << name;
    }

    const ComApartment apartment(COINIT_APARTMENTTHREADED);
    ComPtr<IFhConfigMgr> manager;
    ASSERT_EQ(CoCreateInstance(CLSID_FhConfigMgr, nullptr, CLSCTX_INPROC_SERVER, IID_IFhConfigMgr, manager.put_void()),
              S_OK);
    ASSERT_EQ(manager->CreateDefaultConfiguration(FALSE), FHCFG_E_CONFIG_ALREADY_EXISTS);
    EXPECT_EQ(configuration("/Config1.xml"), xml("\\\\nas\\backups\\", 2));
    ASSERT_EQ(manager->CreateDefaultConfiguration(TRUE), S_OK);
    for (const char* name : {"/Config1.xml", "/Config2.xml"}) {
        EXPECT_EQ(configuration(name), xml("", 0)) << name;
    }
    const struct {
        const char16_t* target;
        FH_DEVICE_VALIDATION_RESULT validation;
        HRESULT provisioned;
    } kTargets[] = {{u"\\\\nas\\backups\\", FH_NAMESPACE_EXISTS, S_OK},
                    {u"\\\\nas\\other\\", FH_VALID_TARGET, S_OK},
                    {u"\\\\nas\\backups", FH_INVALID_DRIVE_TYPE, E_INVALIDARG}};
    for (const auto& row : kTargets) {
        const UniqueBstr target(SysAllocString(row.target));
        const UniqueBstr name(SysAllocString(u""));
        FH_DEVICE_VALIDATION_RESULT validation = FH_ACCESS_DENIED;
        EXPECT_EQ(manager->ValidateTarget(target.get(), &validation), S_OK);
        EXPECT_EQ(validation, row.validation) << BstrToUtf8(target.get());
        EXPECT_EQ(manager->ProvisionAndSetNewTarget(target.get(), name.get()), row.provisioned);
    }
}

// A target that holds a backup of this user on this PC already (the PC
// re-imaged under its name, the profile rebuilt, -D and then -E): the backup
// is kept and the user reconnected to it; provisioning would delete it. The
// backups planted on \\nas\backups\, the settings, and what the run ends with.
struct EarlierBackups {
    const char* name;
    std::vector<testsupport::Backup> backups;
    std::string settings;
    ExitStatus status;
    std::vector<std::string> calls;  // the calls from validation to the end of the run
    int savedBackups = FH_STATUS_ENABLED;  // the configuration's backups after a run ending in kDone
    std::map<std::string, std::string> environment = {};  // the PC's names, where a row gives them
    int selected = 0;  // the index of the configuration selected, where one is
};

const testsupport::Backup kJanesBackup = {testsupport::kSimUser, testsupport::kSimPc, 130000000000000000,
                                          {{"Documents/report.docx", "report, as backed up"},
                                           {"Pictures/2024/beach.jpg", "beach"}}};
const testsupport::Backup kJohnsBackup = {"john", testsupport::kSimPc, 140000000000000000, {{"Documents/a.txt", "a"}}};
const testsupport::Backup kJanesOtherPc = {testsupport::kSimUser, "PC043", 150000000000000000, {{"b.txt", "b"}}};

// The simulated reassociation keeps Microsoft's order, so that a sequence
// calling out of it fails the tests above: details and a selection only after
// a scan, the reassociation only after a selection.
TEST(Reassociation, RefusesCallsOutOfTheDocumentedOrder) {
    SimSession session;
    testsupport::PlantBackup(session.targets(), "\\\\nas\\backups\\", kJanesBackup);
    const ComApartment apartment(COINIT_APARTMENTTHREADED);
    ComPtr<IFhReassociation> reassociation;
    ASSERT_EQ(CoCreateInstance(CLSID_FhReassociation, nullptr, CLSCTX_INPROC_SERVER, IID_IFhReassociation,
                               reassociation.put_void()),
              S_OK);
    // Every COM object answers IUnknown, as the Wine stand-in and Windows do.
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(reassociation->QueryInterface(IID_IUnknown, unknown.put_void()), S_OK);
    EXPECT_TRUE(unknown);
    constexpr HRESULT kUnexpected = static_cast<HRESULT>(0x8000FFFF);
    UniqueBstr user;
    UniqueBstr pc;
    FILETIME time = {0, 0};
    EXPECT_EQ(reassociation->GetConfigurationDetails(0, user.put(), pc.put(), &time), kUnexpected);
    EXPECT_EQ(reassociation->SelectConfiguration(0), kUnexpected);
    EXPECT_EQ(reassociation->PerformReassociation(TRUE), kUnexpected);
    const UniqueBstr target(SysAllocString(u"\\\\nas\\backups\\"));
    ASSERT_EQ(reassociation->ScanTargetForConfigurations(target.get()), S_OK);
    EXPECT_EQ(reassociation->PerformReassociation(TRUE), kUnexpected);
    EXPECT_EQ(reassociation->GetConfigurationDetails(0, user.put(), pc.put(), &time), S_OK);
    EXPECT_EQ(BstrToUtf8(user.get()), testsupport::kSimUser);
    EXPECT_EQ(reassociation->GetConfigurationDetails(1, user.put(), pc.put(), &time), kNoSuchConfiguration);
    EXPECT_EQ(reassociation->SelectConfiguration(0), S_OK);
    // The files are the service's while backups may run: blocked, and only
    // then, the reassociation goes ahead.
    constexpr HRESULT kSharingViolation = static_cast<HRESULT>(0x80070020);
    EXPECT_EQ(reassociation->PerformReassociation(TRUE), kSharingViolation);
    {
        UniqueServicePipe pipe;
        ASSERT_EQ(pipe.Open(TRUE), S_OK);
        ASSERT_EQ(FhServiceBlockBackup(pipe.get()), S_OK);
        EXPECT_EQ(reassociation->PerformReassociation(TRUE), S_OK);
        ASSERT_EQ(FhServiceUnblockBackup(pipe.get()), S_OK);
        EXPECT_EQ(reassociation->PerformReassociation(TRUE), kSharingViolation);
        ASSERT_EQ(FhServiceBlockBackup(pipe.get()), S_OK);
    }
    // Closing the pipe unblocks them too.
    EXPECT_EQ(reassociation->PerformReassociation(TRUE), kSharingViolation);
}

const std::vector<std::string> kReconnectingUpToSelect = {
    "ValidateTarget", "FhServiceOpenPipe", "FhServiceBlockBackup", "CoCreateInstance",
    "FhReassociation.ValidateTarget", "FhReassociation.ScanTargetForConfigurations"};
// Each failure ends with the reassociation released, backups unblocked, the
// pipe closed, the manager released and COM left, in that order.
const std::vector<std::string> kReconnectionAbandoned = {"FhReassociation.Release", "FhServiceUnblockBackup",
                                                         "FhServiceClosePipe", "Release", "CoUninitialize"};
const std::vector<std::string> kOneFoundAndSelected =
    Then(kReconnectingUpToSelect, {"FhReassociation.GetConfigurationDetails", "FhReassociation.GetConfigurationDetails",
                                   "FhReassociation.SelectConfiguration"});
// Reconnected: the manager that holds the fresh default released, and the
// reconnected configuration loaded into a new one.
const std::vector<std::string> kReconnected =
    Then(kOneFoundAndSelected, {"FhReassociation.PerformReassociation", "FhReassociation.Release",
                                "FhServiceUnblockBackup", "FhServiceClosePipe", "Release", "CoCreateInstance",
                                "LoadConfiguration"});
const std::vector<std::string> kThenEnabled =
    {"SetBackupStatus", "SaveConfiguration", "FhServiceOpenPipe", "FhServiceReloadConfiguration",
     "FhServiceClosePipe", "ChangeDefaultTargetRecommendation", "Release", "CoUninitialize"};

std::vector<std::string> First(const std::vector<std::string>& calls, size_t count) {
    return {calls.begin(), calls.begin() + static_cast<long>(count)};
}

std::vector<std::string> Plus(std::vector<std::string> calls, const std::vector<std::string>& more) {
    calls.insert(calls.end(), more.begin(), more.end());
    return calls;
}

// A reconnected configuration is switched on and saved where its backups are off.
const std::vector<std::string> kSwitchedOn = Plus({"GetBackupStatus"}, kThenEnabled);
// Where they are on or rehydrating it is left as it is: nothing set, nothing saved.
const std::vector<std::string> kLeftAsItIs = {"GetBackupStatus", "FhServiceOpenPipe", "FhServiceReloadConfiguration",
                                              "FhServiceClosePipe", "ChangeDefaultTargetRecommendation", "Release",
                                              "CoUninitialize"};

const std::map<std::string, std::string> kLongNamedPc = {{"COMPUTERNAME", "WORKSTATION-012"},
                                                         {"FHSWITCH_SIM_DNS_NAME", "workstation-0123.corp.example.com"}};

class EarlierBackup : public ::testing::TestWithParam<EarlierBackups> {};

TEST_P(EarlierBackup, IsNeverDeleted) {
    const EarlierBackups& row = GetParam();
    SimSession session(row.settings);
    for (const auto& [name, value] : row.environment) setenv(name.c_str(), value.c_str(), 1);
    std::map<std::string, std::map<std::string, std::string>> planted;  // folder: content
    for (const testsupport::Backup& backup : row.backups) {
        const std::string folder = testsupport::PlantBackup(session.targets(), "\\\\nas\\backups\\", backup);
        planted[folder] = testsupport::BackupContent(folder);
    }
    const auto outcome = Enable();
    EXPECT_EQ(outcome.status, row.status);
    const bool reconnecting = row.status != kDone || row.calls[1] == "FhServiceOpenPipe";
    EXPECT_EQ(outcome.output, row.status == kDone ? kAllLines : Lines({kCreating, kProvisioning}));
    std::vector<std::string> calls = session.calls();
    calls.erase(calls.begin(), calls.begin() + 4);  // COM, the manager, the defaults, the policy
    EXPECT_THAT(calls, ElementsAreArray(row.calls));
    for (const auto& [folder, content] : planted) {
        EXPECT_EQ(testsupport::BackupContent(folder), content) << folder;
    }
    const std::string configuration = testsupport::ReadFile(session.configDirectory() + "/Config1.xml");
    if (row.status == kDone) {
        EXPECT_NE(configuration.find("<Target>\\\\nas\\backups\\</Target>"), std::string::npos) << configuration;
    }
    const std::string saved = "<BackupStatus>" + std::to_string(row.savedBackups) + "</BackupStatus>";
    EXPECT_EQ(configuration.find(saved) != std::string::npos, row.status == kDone) << configuration;
    if (reconnecting) {
        EXPECT_THAT(session.calls(), ::testing::Not(::testing::Contains("ProvisionAndSetNewTarget")));
    }
    const std::vector<std::string> selections = session.trace({"FhReassociation.SelectConfiguration"});
    if (!selections.empty()) {
        EXPECT_EQ(selections.back().substr(selections.back().rfind('\t') + 1), std::to_string(row.selected));
    }
}

INSTANTIATE_TEST_SUITE_P(
    OnTheTarget, EarlierBackup,
    ::testing::Values(
        // Windows' answers left open: a second load on one manager refused
        // (the default) or allowed; the reassociated backups off (the
        // default), on, or rehydrating, which cannot be switched on.
        EarlierBackups{"ThisUsersOnThisPc", {kJanesBackup}, "", kDone, Plus(kReconnected, kSwitchedOn)},
        EarlierBackups{"SecondLoadAllowed", {kJanesBackup},
                       sim::VariantSetting(sim::Variant::SecondLoad, sim::kSecondLoadAllowed), kDone,
                       Plus(kReconnected, kSwitchedOn)},
        EarlierBackups{"ReassociatedBackupsOn", {kJanesBackup},
                       sim::VariantSetting(sim::Variant::ReassociatedBackups, sim::kReassociatedOn), kDone,
                       Plus(kReconnected, kLeftAsItIs)},
        EarlierBackups{"ReassociatedBackupsRehydrating", {kJanesBackup},
                       sim::VariantSetting(sim::Variant::ReassociatedBackups, sim::kReassociatedRehydrating), kDone,
                       Plus(kReconnected, kLeftAsItIs), FH_STATUS_REHYDRATING},
        // Found as Windows names them: without case, the user with a domain,
        // and of several, the most recent (the first here, in folder order).
        EarlierBackups{"TheMostRecentOfThisUsersOnThisPc",
                       {{"CORP\\JANE", "pc042", 160000000000000000, {{"newer.txt", "newer"}}},
                        kJanesBackup, kJanesOtherPc, kJohnsBackup},
                       "", kDone,
                       Plus(Then(kReconnectingUpToSelect,
                                 {"FhReassociation.GetConfigurationDetails", "FhReassociation.GetConfigurationDetails",
                                  "FhReassociation.GetConfigurationDetails", "FhReassociation.GetConfigurationDetails",
                                  "FhReassociation.GetConfigurationDetails", "FhReassociation.SelectConfiguration",
                                  "FhReassociation.PerformReassociation", "FhReassociation.Release",
                                  "FhServiceUnblockBackup", "FhServiceClosePipe", "Release", "CoCreateInstance",
                                  "LoadConfiguration"}),
                            kSwitchedOn)},
        // The most recent wherever the scan lists it: here after an older one.
        EarlierBackups{"TheMostRecentListedLast",
                       {kJanesBackup, {testsupport::kSimUser, "pc042", 160000000000000000, {{"newer.txt", "newer"}}}},
                       "", kDone,
                       Plus(Then(kReconnectingUpToSelect,
                                 {"FhReassociation.GetConfigurationDetails", "FhReassociation.GetConfigurationDetails",
                                  "FhReassociation.GetConfigurationDetails", "FhReassociation.SelectConfiguration",
                                  "FhReassociation.PerformReassociation", "FhReassociation.Release",
                                  "FhServiceUnblockBackup", "FhServiceClosePipe", "Release", "CoCreateInstance",
                                  "LoadConfiguration"}),
                            kSwitchedOn),
                       FH_STATUS_ENABLED, {}, 1},
        // A PC whose host name is longer than 15 characters, its NetBIOS name
        // cut: a backup names it by any of its names, and only those.
        EarlierBackups{"NamedByTheDnsHostName", {{testsupport::kSimUser, "workstation-0123", 130000000000000000, {}}},
                       "", kDone, Plus(kReconnected, kSwitchedOn), FH_STATUS_ENABLED, kLongNamedPc},
        EarlierBackups{"NamedByTheFullyQualifiedName",
                       {{testsupport::kSimUser, "WORKSTATION-0123.corp.example.com", 130000000000000000, {}}}, "", kDone,
                       Plus(kReconnected, kSwitchedOn), FH_STATUS_ENABLED, kLongNamedPc},
        EarlierBackups{"AnotherPcWhoseNameCutsAlike",
                       {{testsupport::kSimUser, "workstation-0124", 130000000000000000, {{"theirs.txt", "theirs"}}}}, "",
                       kDone, Plus({"ValidateTarget", "ProvisionAndSetNewTarget"}, kThenEnabled), FH_STATUS_ENABLED,
                       kLongNamedPc},
        // Only other users' and other PCs' backups: provisioned as ever, theirs kept.
        EarlierBackups{"OnlyOthers", {kJanesOtherPc, kJohnsBackup}, "", kDone,
                       Plus({"ValidateTarget", "ProvisionAndSetNewTarget"}, kThenEnabled)},
        // Told it holds one, and none of them is this user's on this PC.
        EarlierBackups{"NoneOfThisUsersOnThisPc", {kJanesOtherPc, kJohnsBackup}, "ValidateTarget.result=4",
                       kEarlierBackupNotReconnected,
                       Plus(Then(kReconnectingUpToSelect, {"FhReassociation.GetConfigurationDetails",
                                                           "FhReassociation.GetConfigurationDetails",
                                                           "FhReassociation.GetConfigurationDetails"}),
                            kReconnectionAbandoned)},
        // Each call of the reconnection failing in turn.
        EarlierBackups{"OpenPipeFails", {kJanesBackup}, "FhServiceOpenPipe=0x80040601", kEarlierBackupNotReconnected,
                       {"ValidateTarget", "FhServiceOpenPipe", "Release", "CoUninitialize"}},
        EarlierBackups{"BlockFails", {kJanesBackup}, "FhServiceBlockBackup=0x80040600", kEarlierBackupNotReconnected,
                       {"ValidateTarget", "FhServiceOpenPipe", "FhServiceBlockBackup", "FhServiceClosePipe", "Release",
                        "CoUninitialize"}},
        EarlierBackups{"ReassociationNotCreated", {kJanesBackup}, "CoCreateInstance.FhReassociation=0x80040154",
                       kEarlierBackupNotReconnected,
                       {"ValidateTarget", "FhServiceOpenPipe", "FhServiceBlockBackup", "CoCreateInstance",
                        "FhServiceUnblockBackup", "FhServiceClosePipe", "Release", "CoUninitialize"}},
        EarlierBackups{"ValidateFails", {kJanesBackup}, "FhReassociation.ValidateTarget=0x80040304",
                       kEarlierBackupNotReconnected,
                       Plus(First(kReconnectingUpToSelect, 5), kReconnectionAbandoned)},
        EarlierBackups{"ScanFails", {kJanesBackup}, "FhReassociation.ScanTargetForConfigurations=0x80070005",
                       kEarlierBackupNotReconnected, Plus(kReconnectingUpToSelect, kReconnectionAbandoned)},
        EarlierBackups{"DetailsFail", {kJanesBackup}, "FhReassociation.GetConfigurationDetails=0x80004005",
                       kEarlierBackupNotReconnected,
                       Plus(Then(kReconnectingUpToSelect, {"FhReassociation.GetConfigurationDetails"}),
                            kReconnectionAbandoned)},
        EarlierBackups{"SelectFails", {kJanesBackup}, "FhReassociation.SelectConfiguration=0x80070057",
                       kEarlierBackupNotReconnected, Plus(kOneFoundAndSelected, kReconnectionAbandoned)},
        EarlierBackups{"PerformFails", {kJanesBackup}, "FhReassociation.PerformReassociation=0x80070020",
                       kEarlierBackupNotReconnected,
                       Plus(Then(kOneFoundAndSelected, {"FhReassociation.PerformReassociation"}),
                            kReconnectionAbandoned)},
        EarlierBackups{"LoadFails", {kJanesBackup}, "LoadConfiguration=0x80040300", kEarlierBackupNotReconnected,
                       Plus(kReconnected, {"Release", "CoUninitialize"})}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
