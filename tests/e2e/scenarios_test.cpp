// The built executable run as a process, driven only through its command line,
// LOCALAPPDATA, FHSWITCH_SIM and FHSWITCH_SIM_TRACE: the same table of
// scenarios for the Linux face and for the Windows face under Wine.
#include <algorithm>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "history/file_history.h"
#include "platform/sim/settings.h"
#include "platform/sim/targets.h"
#include "platform/sim/variants.h"
#include "tests/e2e/face.h"
#include "tests/support/sim_session.h"

using e2e::ConfigurationXml;
using e2e::EndToEnd;
using e2e::Output;
using e2e::Result;
using e2e::RunFhswitch;
using e2e::SharedTrace;
using e2e::TheFace;
using testsupport::ListTree;
using testsupport::ReadFile;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

const std::vector<std::string> kUsage = {"Eneble/Disable Windows File Histroy...",
                                         "For Enable: -E <Network path for backup>", "For Disable: -D"};
const std::vector<std::string> kEnabledLines = {"Creating default configuration", "Provisioning and setting target",
                                                "Enabling File History", "Scheduling regular backups",
                                                "Recommending target to Homegroup",
                                                "Success! File History is now enabled"};
const std::vector<std::string> kEnabledTrace = {"CreateDefaultConfiguration\t0x00000000\t1",
                                                "GetBackupStatus\t0x00000000",
                                                "ValidateTarget\t0x00000000\t\\\\nas\\backups\\",
                                                "ProvisionAndSetNewTarget\t0x00000000\t\\\\nas\\backups\\\t",
                                                "SetBackupStatus\t0x00000000\t2",
                                                "SaveConfiguration\t0x00000000",
                                                "FhServiceOpenPipe\t0x00000000\t1",
                                                "FhServiceReloadConfiguration\t0x00000000",
                                                "FhServiceClosePipe\t0x00000000",
                                                "ChangeDefaultTargetRecommendation\t0x00000000\t1",
                                                "Release\t-"};

std::vector<std::string> First(const std::vector<std::string>& lines, size_t count) {
    return {lines.begin(), lines.begin() + static_cast<long>(count)};
}

std::vector<std::string> After(const std::vector<std::string>& lines, size_t count) {
    return {lines.begin() + static_cast<long>(count), lines.end()};
}

std::vector<std::string> With(std::vector<std::string> lines, const std::vector<std::string>& more) {
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

// Command-line rows and enable endings: arguments, settings, printed lines,
// status, and the shared trace.
struct Scenario {
    const char* name;
    std::vector<std::string> arguments;
    const char* settings;
    std::vector<std::string> lines;
    ExitStatus status;
    std::vector<std::string> trace;
    // What the configuration files say afterwards: none, File History's
    // defaults (a run that ends after the fresh configuration), or the target
    // enabled.
    enum Left { kNoConfiguration, kDefaults, kEnabled } left = kNoConfiguration;
};

class Scenarios : public EndToEnd, public ::testing::WithParamInterface<Scenario> {};

const std::string kTarget = "\\\\nas\\backups";
const std::string kTargetUrl = kTarget + "\\";  // the form the platform requires
const std::string kRelease = "Release\t-";

TEST_P(Scenarios, PrintExactlyReturnTheirStatusAndMakeTheirCalls) {
    const Scenario& scenario = GetParam();
    const Result result = RunFhswitch(scenario.arguments, scenario.settings);
    EXPECT_EQ(result.output, Output(scenario.lines));
    EXPECT_EQ(result.status, scenario.status);
    EXPECT_EQ(result.errors, "");
    EXPECT_THAT(SharedTrace(), ElementsAreArray(scenario.trace));
    const std::string configuration = ReadFile(TheFace().configDirectory + "/Config1.xml");
    switch (scenario.left) {
        case Scenario::kNoConfiguration: EXPECT_THAT(ListTree(TheFace().configDirectory), IsEmpty()); break;
        case Scenario::kDefaults: EXPECT_EQ(configuration, ConfigurationXml("", 0)); break;
        case Scenario::kEnabled: EXPECT_EQ(configuration, ConfigurationXml(kTargetUrl, 2)); break;
    }
    if (scenario.left != Scenario::kNoConfiguration) {
        EXPECT_EQ(ReadFile(TheFace().configDirectory + "/Config2.xml"), configuration);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Scenarios,
    ::testing::Values(
        Scenario{"Usage", {"/?"}, "", kUsage, kDone, {}},
        Scenario{"NoArguments", {}, "", {"invalid Arguments....."}, kArgumentsRejected, {}},
        Scenario{"ThreeArguments", {"-e", kTarget, "x"}, "", {"invalid Arguments....."}, kArgumentsRejected, {}},
        Scenario{"EnableWithoutPath", {"-E"}, "", {"Invaild arguments, please enter backup path.."}, kArgumentsRejected, {}},
        Scenario{"EnableLowerWithoutPath", {"-e"}, "", {"Invaild arguments, please enter backup path.."}, kArgumentsRejected, {}},
        Scenario{"EnableEmptyPath", {"-E", ""}, "", {"Please provide path for the drive...."}, kArgumentsRejected, {}},
        Scenario{"Unrecognised", {"-x"}, "", {}, kDone, {}},
        Scenario{"SlashHelp", {"/h"}, "", {}, kDone, {}},
        Scenario{"DisableWithArgument", {"-D", "x"}, "", {}, kDone, {}},
        Scenario{"Enabled", {"-E", kTarget}, "", kEnabledLines, kDone, kEnabledTrace, Scenario::kEnabled},
        Scenario{"EnabledLower", {"-e", kTarget}, "", kEnabledLines, kDone, kEnabledTrace, Scenario::kEnabled},
        Scenario{"RecommendationWarning", {"-E", kTarget}, "ChangeDefaultTargetRecommendation=0x80070005",
                 With(First(kEnabledLines, 5), {"Warning: Failed to recommend target to Homegroup (0x80070005)",
                                                "Success! File History is now enabled"}),
                 kDone,
                 With(First(kEnabledTrace, 9),
                      {"ChangeDefaultTargetRecommendation\t0x80070005\t1", kRelease}),
                 Scenario::kEnabled},
        // Results that are not examined.
        Scenario{"GetBackupStatusFails", {"-E", kTarget}, "GetBackupStatus=0x80004005", kEnabledLines, kDone,
                 With(First(kEnabledTrace, 1),
                      With({"GetBackupStatus\t0x80004005"},
                           After(kEnabledTrace, 2))),
                 Scenario::kEnabled},
        // The fresh configuration stays as it was made; the service is not asked to reload.
        Scenario{"Status11SaveFails", {"-E", kTarget}, "SaveConfiguration=0x80070005", First(kEnabledLines, 3), kConfigurationNotSaved,
                 With(First(kEnabledTrace, 5), {"SaveConfiguration\t0x80070005", kRelease}), Scenario::kDefaults},
        Scenario{"Status1", {"-E", kTarget}, "CoCreateInstance=0x80040154", {}, kManagerNotCreated, {}},
        Scenario{"Status2", {"-E", kTarget}, "CreateDefaultConfiguration=0x80040302", First(kEnabledLines, 1), kConfigurationExists,
                 {"CreateDefaultConfiguration\t0x80040302\t1", kRelease}},
        Scenario{"Status3", {"-E", kTarget}, "CreateDefaultConfiguration=0x80040300", First(kEnabledLines, 1), kConfigurationNotCreated,
                 {"CreateDefaultConfiguration\t0x80040300\t1", kRelease}},
        Scenario{"Status4", {"-E", kTarget}, "GetBackupStatus.status=1", First(kEnabledLines, 1), kDisabledByPolicy,
                 With(First(kEnabledTrace, 2), {kRelease}), Scenario::kDefaults},
        Scenario{"Status5", {"-E", kTarget}, "ValidateTarget=0x80040304", First(kEnabledLines, 1), kTargetNotValidated,
                 With(First(kEnabledTrace, 2), {"ValidateTarget\t0x80040304\t" + kTargetUrl, kRelease}), Scenario::kDefaults},
        Scenario{"Status6", {"-E", kTarget}, "ValidateTarget.result=1",
                 {"Creating default configuration", "Error: " + kTargetUrl + " is not a valid target"}, kTargetNotValid,
                 With(First(kEnabledTrace, 3), {kRelease}), Scenario::kDefaults},
        Scenario{"Status7", {"-E", kTarget}, "ProvisionAndSetNewTarget=0x80040306", First(kEnabledLines, 2), kTargetNotProvisioned,
                 With(First(kEnabledTrace, 3), {"ProvisionAndSetNewTarget\t0x80040306\t" + kTargetUrl + "\t", kRelease}), Scenario::kDefaults},
        Scenario{"Status8", {"-E", kTarget}, "SetBackupStatus=0x80004005", First(kEnabledLines, 3), kBackupsNotEnabled,
                 With(First(kEnabledTrace, 4), {"SetBackupStatus\t0x80004005\t2", kRelease}), Scenario::kDefaults},
        Scenario{"Status9OpenFails", {"-E", kTarget}, "FhServiceOpenPipe=0x80040601", First(kEnabledLines, 4), kServiceNotReloaded,
                 With(First(kEnabledTrace, 6), {"FhServiceOpenPipe\t0x80040601\t1", kRelease}), Scenario::kEnabled},
        Scenario{"Status9ReloadFails", {"-E", kTarget}, "FhServiceReloadConfiguration=0x80040601",
                 First(kEnabledLines, 4), kServiceNotReloaded,
                 With(First(kEnabledTrace, 7),
                      {"FhServiceReloadConfiguration\t0x80040601", "FhServiceClosePipe\t0x00000000", kRelease}), Scenario::kEnabled},
        Scenario{"Status9CloseFails", {"-E", kTarget}, "FhServiceClosePipe=0x80004005", First(kEnabledLines, 4), kServiceNotReloaded,
                 With(First(kEnabledTrace, 8), {"FhServiceClosePipe\t0x80004005", kRelease}), Scenario::kEnabled},
        // Whatever the ANSI code page (the legacy faces: 1252).
        Scenario{"NonAsciiTargetShownIntact",
                 {"-E", "\\\\nas\\Sicherung Müller\\Жанна 日本 😀"},
                 "ValidateTarget.result=0",
                 {"Creating default configuration",
                  "Error: \\\\nas\\Sicherung Müller\\Жанна 日本 😀\\ is not a valid target"},
                 kTargetNotValid,
                 With(First(kEnabledTrace, 2),
                      {"ValidateTarget\t0x00000000\t\\\\nas\\Sicherung Müller\\Жанна 日本 😀\\", kRelease}), Scenario::kDefaults},
        Scenario{"InvalidBytesBecomeReplacementCharacters",
                 {"-E", "\\\\nas\\a\xFF" "b\xED\xA0\x80"},
                 "ValidateTarget.result=5",
                 {"Creating default configuration", "Error: \\\\nas\\a\xEF\xBF\xBD" "b\xEF\xBF\xBD\xEF\xBF\xBD\\ is not a valid target"},
                 kTargetNotValid,
                 With(First(kEnabledTrace, 2),
                      {"ValidateTarget\t0x00000000\t\\\\nas\\a\xEF\xBF\xBD" "b\xEF\xBF\xBD\xEF\xBF\xBD\\", kRelease}), Scenario::kDefaults},
        Scenario{"PrintfConversionsInTarget", {"-E", "\\\\nas\\%s%n%ws"}, "ValidateTarget.result=0",
                 {"Creating default configuration", "Error: \\\\nas\\%s%n%ws\\ is not a valid target"}, kTargetNotValid,
                 With(First(kEnabledTrace, 2), {"ValidateTarget\t0x00000000\t\\\\nas\\%s%n%ws\\", kRelease}), Scenario::kDefaults}),
    [](const auto& info) { return std::string(info.param.name); });

// Disabling: what the service answers decides between purge and nothing.
struct DisableScenario {
    const char* name;
    const char* option;
    const char* settings;
    ExitStatus status;
    std::vector<std::string> serviceTrace;
    std::vector<std::string> remaining;
};

class DisableScenarios : public EndToEnd, public ::testing::WithParamInterface<DisableScenario> {};

TEST_P(DisableScenarios, StopThenPurgeTopLevelFiles) {
    const DisableScenario& scenario = GetParam();
    PopulateConfiguration();
    const Result result = RunFhswitch({scenario.option}, scenario.settings);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(result.status, scenario.status);
    EXPECT_THAT(SharedTrace(), ElementsAreArray(scenario.serviceTrace));
    EXPECT_THAT(ListTree(TheFace().configDirectory), ElementsAreArray(scenario.remaining));
}

const std::vector<std::string> kEverything = {"Config1.xml", "Config2.xml", "Sub/", "Sub/inner.xml", "catalog.edb"};
const std::vector<std::string> kSubdirectoryOnly = {"Sub/", "Sub/inner.xml"};

const std::vector<std::string> kStopped = {"FhServiceOpenPipe\t0x00000000\t1", "FhServiceStopBackup\t0x00000000\t0",
                                           "FhServiceClosePipe\t0x00000000"};
const std::vector<std::string> kReloaded = {"FhServiceOpenPipe\t0x00000000\t1", "FhServiceReloadConfiguration\t0x00000000",
                                            "FhServiceClosePipe\t0x00000000"};

INSTANTIATE_TEST_SUITE_P(
    Table, DisableScenarios,
    ::testing::Values(
        DisableScenario{"StopAccepted", "-D", "", kDone, With(kStopped, kReloaded), kSubdirectoryOnly},
        DisableScenario{"StopRefused", "-D", "FhServiceStopBackup=0x80040600", kStopRefused,
                        {"FhServiceOpenPipe\t0x00000000\t1", "FhServiceStopBackup\t0x80040600\t0",
                         "FhServiceClosePipe\t0x00000000"},
                        kEverything},
        DisableScenario{"ServiceNotReached", "-D", "FhServiceOpenPipe=0x80040601", kDone,
                        {"FhServiceOpenPipe\t0x80040601\t1", "FhServiceOpenPipe\t0x80040601\t1"}, kSubdirectoryOnly},
        DisableScenario{"ReloadFails", "-D", "FhServiceReloadConfiguration=0x80040601", kDone,
                        With(kStopped, {"FhServiceOpenPipe\t0x00000000\t1", "FhServiceReloadConfiguration\t0x80040601",
                                        "FhServiceClosePipe\t0x00000000"}),
                        kSubdirectoryOnly},
        DisableScenario{"LowerCase", "-d", "", kDone, With(kStopped, kReloaded), kSubdirectoryOnly}),
    [](const auto& info) { return std::string(info.param.name); });

// A Windows without File History's components. The service library is
// looked for in the system folder only (the decoy beside the exe stays
// unloaded); without it enabling ends at the reload and disabling still
// purges. Without the configuration manager's registration too (the x86 exe
// on 64-bit Windows) enabling ends at once.
struct Missing {
    const char* name;
    bool configManagerToo;
    std::vector<std::string> enableLines;
    ExitStatus enableStatus;
};

class MissingComponents : public EndToEnd, public ::testing::WithParamInterface<Missing> {};

TEST_P(MissingComponents, UsageWorksEnableEndsDisablePurges) {
    const Missing& row = GetParam();
    const e2e::MissingComponents missing(row.configManagerToo);
    const Result usage = RunFhswitch({"/?"}, missing.settings());
    EXPECT_EQ(usage.output, Output(kUsage));
    EXPECT_EQ(usage.status, kDone);
    const Result enabled = RunFhswitch({"-E", kTarget}, missing.settings());
    EXPECT_EQ(enabled.output, Output(row.enableLines));
    EXPECT_EQ(enabled.status, row.enableStatus);
    PopulateConfiguration();
    const Result disabled = RunFhswitch({"-D"}, missing.settings());
    EXPECT_EQ(disabled.output, "");
    EXPECT_EQ(disabled.status, kDone);
    EXPECT_THAT(ListTree(TheFace().configDirectory), ElementsAreArray(kSubdirectoryOnly));
}

INSTANTIATE_TEST_SUITE_P(Table, MissingComponents,
                         ::testing::Values(Missing{"NoServiceLibrary", false, First(kEnabledLines, 4), kServiceNotReloaded},
                                           Missing{"NoFileHistory", true, {}, kManagerNotCreated}),
                         [](const auto& info) { return std::string(info.param.name); });

// The target in the form the platform requires, whatever form it is typed in.
// Under Wine the command line goes through cmd, so that Windows' own argument
// rules make what the program receives ("\\nas\my share\" arrives as
// \\nas\my share"); the Linux face is handed what those rules make.
struct TargetForm {
    const char* name;
    std::string typed;
    std::string received;
    std::string url;
};

class TargetForms : public EndToEnd, public ::testing::WithParamInterface<TargetForm> {};

TEST_P(TargetForms, ReachTheManagerEndingInOneBackslash) {
    const TargetForm& form = GetParam();
    const Result result =
        e2e::IsWine() ? e2e::RunFhswitchThroughCmd("-E " + form.typed, "") : RunFhswitch({"-E", form.received}, "");
    EXPECT_EQ(result.output, Output(kEnabledLines));
    EXPECT_EQ(result.status, kDone);
    EXPECT_THAT(SharedTrace(), ::testing::IsSupersetOf({"ValidateTarget\t0x00000000\t" + form.url,
                                                        "ProvisionAndSetNewTarget\t0x00000000\t" + form.url + "\t"}));
}

INSTANTIATE_TEST_SUITE_P(
    Table, TargetForms,
    ::testing::Values(TargetForm{"Share", kTarget, kTarget, kTargetUrl},
                      TargetForm{"ShareEndingInBackslash", kTargetUrl, kTargetUrl, kTargetUrl},
                      TargetForm{"Drive", "E:", "E:", "E:\\"},
                      TargetForm{"QuotedShareWithASpace", "\"\\\\nas\\my share\\\"", "\\\\nas\\my share\"",
                                 "\\\\nas\\my share\\"}),
    [](const auto& info) { return std::string(info.param.name); });

// Enabling again makes a fresh configuration, then reconnects it to the
// backup the first run made on the target.
TEST_F(EndToEnd, EnableTwiceThenDisableCreatesAndClearsTheConfiguration) {
    for (int run = 0; run < 2; ++run) {
        const Result enabled = RunFhswitch({"-E", kTarget}, "");
        EXPECT_EQ(enabled.output, Output(kEnabledLines)) << "run " << run;
        EXPECT_EQ(enabled.status, kDone) << "run " << run;
        EXPECT_THAT(ListTree(TheFace().configDirectory), ElementsAreArray({"Config1.xml", "Config2.xml"}));
    }
    const Result disabled = RunFhswitch({"-d"}, "");
    EXPECT_EQ(disabled.status, kDone);
    EXPECT_EQ(disabled.output, "");
    EXPECT_THAT(ListTree(TheFace().configDirectory), IsEmpty());
}

// On Windows a console gets the text as UTF-16 (WriteConsoleW), so a target
// in any script shows as it is; bytes would be read in the console's code page.
// (Characters beyond the BMP are left out: Wine's console shows each half of a
// surrogate pair as U+FFFD.)
TEST_F(EndToEnd, OnATerminalAnyCharacterShows) {
    const Result result =
        e2e::RunFhswitchOnTerminal({"-E", "\\\\nas\\Müller 日本 Ωμέγα"}, "ValidateTarget.result=0");
    EXPECT_EQ(result.status, kTargetNotValid);
    EXPECT_EQ(result.output, "Creating default configuration\nError: \\\\nas\\Müller 日本 Ωμέγα\\ is not a valid target\n");
}

// A target that holds this user's backup of this PC from before: the PC
// re-imaged under its name (a fresh profile), or -D and then -E. Provisioning
// would delete that backup; -E reconnects to it, or ends with status 12 and
// deletes nothing. Backups of others on the target are never touched.
struct EarlierBackupCase {
    const char* name;
    // kRenamed: re-imaged, and the backup's configuration names the user in
    // upper case and the PC in lower case, as Windows may record them.
    enum Before { kReimaged, kRenamed, kDisabled, kOthersOnly } before;
    std::string settings;  // for the run under test
    ExitStatus status;
    int savedBackups = 2;  // the configuration's backups after a run ending in kDone
    std::string answers = "";  // Windows' answers left open, for every run of the case
};

std::string Joined(const std::string& answers, const std::string& settings) {
    return answers.empty() || settings.empty() ? answers + settings : answers + ";" + settings;
}

std::string InCase(std::string text, int (*change)(int)) {
    for (char& c : text) c = static_cast<char>(change(static_cast<unsigned char>(c)));
    return text;
}

class EarlierBackups : public EndToEnd, public ::testing::WithParamInterface<EarlierBackupCase> {
protected:
    static std::string Target() { return TheFace().targets + "/" + sim::TargetFolderName(kTargetUrl); }
    // Puts a backup on the target with data of its own, as File History's
    // layout has it; returns its folder.
    static std::string Plant(const std::string& user, const std::string& pc) {
        const std::string folder = Target() + "/" + user + "/" + pc;
        testsupport::WriteFile(folder + "/Configuration/Config1.xml",
                               sim::BackupConfigurationXml(user, pc, 130000000000000000));
        testsupport::WriteFile(folder + "/Data/Documents/" + user + ".txt", "the files of " + user + " on " + pc);
        return folder;
    }
};

TEST_P(EarlierBackups, AreKept) {
    const EarlierBackupCase& row = GetParam();
    std::vector<std::string> backups = {Plant("someone-else", "PC042"),
                                        Plant(e2e::WindowsUserName(), "OTHER-PC")};
    if (row.before != EarlierBackupCase::kOthersOnly) {
        ASSERT_EQ(RunFhswitch({"-E", kTarget}, row.answers).status, kDone);
        // The first run made this user's backup of this PC: the one folder
        // of this user's that was not planted. Later backups add to it.
        for (const auto& pc : std::filesystem::directory_iterator(Target() + "/" + e2e::WindowsUserName())) {
            if (pc.path().filename() == "OTHER-PC") continue;
            backups.push_back(pc.path().string());
            testsupport::WriteFile(pc.path().string() + "/Data/Documents/report (2024_05_01 10_00_00 UTC).docx",
                                   "the report as it was in May");
            if (row.before == EarlierBackupCase::kRenamed) {
                testsupport::WriteFile(pc.path().string() + "/Configuration/Config1.xml",
                                       sim::BackupConfigurationXml(InCase(e2e::WindowsUserName(), ::toupper),
                                                                   InCase(pc.path().filename().string(), ::tolower),
                                                                   130000000000000000));
            }
        }
        ASSERT_EQ(backups.size(), 3u) << "the first run made no backup of this user's";
        if (row.before == EarlierBackupCase::kDisabled) {
            ASSERT_EQ(RunFhswitch({"-D"}, row.answers).status, kDone);
        }
        std::filesystem::remove_all(TheFace().configDirectory);  // a fresh profile, or what -D left
        std::filesystem::remove(TheFace().tracePath);
    }
    std::vector<std::vector<std::string>> before;
    for (const std::string& folder : backups) before.push_back(ListTree(folder));
    std::vector<std::string> contents;
    for (const std::string& folder : backups) {
        for (const std::string& path : ListTree(folder)) contents.push_back(ReadFile(folder + "/" + path));
    }

    const Result result = RunFhswitch({"-E", kTarget}, Joined(row.answers, row.settings));
    EXPECT_EQ(result.status, row.status);
    EXPECT_EQ(result.output, Output(row.status == kDone ? kEnabledLines : First(kEnabledLines, 2)));
    std::vector<std::string> contentsAfter;
    for (size_t i = 0; i < backups.size(); ++i) {
        EXPECT_THAT(ListTree(backups[i]), ElementsAreArray(before[i])) << backups[i];
        for (const std::string& path : ListTree(backups[i])) contentsAfter.push_back(ReadFile(backups[i] + "/" + path));
    }
    EXPECT_THAT(contentsAfter, ElementsAreArray(contents));
    std::vector<std::string> calls;
    for (const std::string& line : SharedTrace()) calls.push_back(line.substr(0, line.find('\t')));
    const bool reconnecting = row.before != EarlierBackupCase::kOthersOnly;
    const long provisionings = std::count(calls.begin(), calls.end(), "ProvisionAndSetNewTarget");
    EXPECT_EQ(provisionings, row.status == kDone && !reconnecting ? 1 : 0);
    if (row.status == kDone) {
        // One reassociation, with backups blocked around it and unblocked after.
        for (const char* call : {"FhServiceBlockBackup", "FhReassociation.PerformReassociation", "FhServiceUnblockBackup"}) {
            EXPECT_EQ(std::count(calls.begin(), calls.end(), call), reconnecting ? 1 : 0) << call;
        }
        EXPECT_EQ(ReadFile(TheFace().configDirectory + "/Config1.xml"), ConfigurationXml(kTargetUrl, row.savedBackups));
    }
}

const std::vector<EarlierBackupCase> kEarlierBackupCases = {
        EarlierBackupCase{"ReimagedPc", EarlierBackupCase::kReimaged, "", kDone},
        // Windows' answers left open: a second load allowed; the reconnected
        // backups on, or still rehydrating (left so); the names in another case.
        EarlierBackupCase{"ReimagedPcSecondLoadAllowed", EarlierBackupCase::kReimaged,
                          sim::VariantSetting(sim::Variant::SecondLoad, sim::kSecondLoadAllowed), kDone},
        EarlierBackupCase{"ReimagedPcBackupsOn", EarlierBackupCase::kReimaged,
                          sim::VariantSetting(sim::Variant::ReassociatedBackups, sim::kReassociatedOn), kDone},
        EarlierBackupCase{"ReimagedPcRehydrating", EarlierBackupCase::kReimaged,
                          sim::VariantSetting(sim::Variant::ReassociatedBackups, sim::kReassociatedRehydrating), kDone,
                          3},
        EarlierBackupCase{"ReimagedPcNamesInAnotherCase", EarlierBackupCase::kRenamed, "", kDone},
        // The names a backup records: the user with a domain, the PC by its
        // DNS host or fully qualified name; a reassociation that needs no block.
        EarlierBackupCase{"ReimagedPcUserWithDomain", EarlierBackupCase::kReimaged, "", kDone, 2,
                          sim::VariantSetting(sim::Variant::BackupUserName, sim::kUserWithDomain)},
        EarlierBackupCase{"ReimagedPcByDnsHostName", EarlierBackupCase::kReimaged, "", kDone, 2,
                          sim::VariantSetting(sim::Variant::BackupPcName, sim::kPcDnsHostName)},
        EarlierBackupCase{"ReimagedPcByFullyQualifiedName", EarlierBackupCase::kReimaged, "", kDone, 2,
                          sim::VariantSetting(sim::Variant::BackupPcName, sim::kPcFullyQualifiedName)},
        EarlierBackupCase{"ReimagedPcUnblockedAllowed", EarlierBackupCase::kReimaged, "", kDone, 2,
                          sim::VariantSetting(sim::Variant::UnblockedReassociation, sim::kUnblockedAllowed)},
        EarlierBackupCase{"DisabledThenEnabledSecondLoadAllowedBackupsOn", EarlierBackupCase::kDisabled, "", kDone, 2,
                          sim::VariantSetting(sim::Variant::SecondLoad, sim::kSecondLoadAllowed) + ";" +
                              sim::VariantSetting(sim::Variant::ReassociatedBackups, sim::kReassociatedOn)},
        EarlierBackupCase{"DisabledThenEnabled", EarlierBackupCase::kDisabled, "", kDone},
        EarlierBackupCase{"OnlyOtherUsersAndPcs", EarlierBackupCase::kOthersOnly, "", kDone},
        EarlierBackupCase{"NoneOfThisUserOnThisPc", EarlierBackupCase::kOthersOnly, "ValidateTarget.result=4",
                          kEarlierBackupNotReconnected},
        EarlierBackupCase{"BlockFails", EarlierBackupCase::kReimaged, "FhServiceBlockBackup=0x80040600",
                          kEarlierBackupNotReconnected},
        EarlierBackupCase{"ReassociationNotCreated", EarlierBackupCase::kReimaged,
                          "CoCreateInstance.FhReassociation=0x80040154", kEarlierBackupNotReconnected},
        EarlierBackupCase{"ValidateFails", EarlierBackupCase::kReimaged, "FhReassociation.ValidateTarget=0x80040304",
                          kEarlierBackupNotReconnected},
        EarlierBackupCase{"ScanFails", EarlierBackupCase::kReimaged,
                          "FhReassociation.ScanTargetForConfigurations=0x80070005", kEarlierBackupNotReconnected},
        EarlierBackupCase{"DetailsFail", EarlierBackupCase::kReimaged,
                          "FhReassociation.GetConfigurationDetails=0x80004005", kEarlierBackupNotReconnected},
        EarlierBackupCase{"SelectFails", EarlierBackupCase::kDisabled,
                          "FhReassociation.SelectConfiguration=0x80070057", kEarlierBackupNotReconnected},
        EarlierBackupCase{"PerformFails", EarlierBackupCase::kDisabled,
                          "FhReassociation.PerformReassociation=0x80070020", kEarlierBackupNotReconnected},
        EarlierBackupCase{"LoadFails", EarlierBackupCase::kReimaged, "LoadConfiguration=0x80040300",
                          kEarlierBackupNotReconnected}};

INSTANTIATE_TEST_SUITE_P(Table, EarlierBackups, ::testing::ValuesIn(kEarlierBackupCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Each case of the table that Windows' open answers leave at their defaults,
// again on every other answer of each: the outcome stays, and the reconnected
// backups are as the answer leaves them. On the Linux face only: under Wine
// the table's own rows for each answer stand for them.
bool GivesAnAnswer(const std::string& settings) {
    for (const sim::VariantInfo& variant : sim::kVariants) {
        if (settings.find(std::string(variant.name) + "=") != std::string::npos) return true;
    }
    return false;
}

std::vector<EarlierBackupCase> OnEveryAnswer() {
    static std::deque<std::string> names;  // the rows' names outlive the table, each where it was put
    std::vector<EarlierBackupCase> rows;
    for (const EarlierBackupCase& row : kEarlierBackupCases) {
        if (!row.answers.empty() || GivesAnAnswer(row.settings)) continue;
        for (const sim::VariantInfo& variant : sim::kVariants) {
            for (int answer = 1; answer < static_cast<int>(variant.answers.size()); ++answer) {
                if (variant.answers[answer].empty()) continue;
                EarlierBackupCase changed = row;
                changed.answers = sim::VariantSetting(variant.variant, static_cast<sim::Answer>(answer));
                const bool reconnected = row.status == kDone && row.before != EarlierBackupCase::kOthersOnly;
                if (reconnected && variant.variant == sim::Variant::ReassociatedBackups) {
                    changed.savedBackups = answer == sim::kReassociatedRehydrating ? 3 : 2;
                }
                names.push_back(std::string(row.name) + "_" + std::string(variant.name) + "_" +
                                std::string(variant.answers[answer]));
                for (char& c : names.back()) c = c == '-' ? '_' : c;
                changed.name = names.back().c_str();
                rows.push_back(changed);
            }
        }
    }
    return rows;
}

INSTANTIATE_TEST_SUITE_P(EveryAnswer, EarlierBackups, ::testing::ValuesIn(OnEveryAnswer()),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EndToEnd, ABadSimulationSettingStopsTheProgramBeforeItDoesAnything) {
    PopulateConfiguration();
    const Result result = RunFhswitch({"-D"}, "FhServiceStopBackup=0x80040600;Bogus=1");
    EXPECT_EQ(result.status, sim::kBadSettingsStatus);
    EXPECT_EQ(result.output, "");
    EXPECT_THAT(result.errors, ::testing::HasSubstr("FHSWITCH_SIM: bad setting 'Bogus=1'"));
    EXPECT_THAT(SharedTrace(), IsEmpty());
    EXPECT_THAT(ListTree(TheFace().configDirectory), ElementsAreArray(kEverything));
}


}  // namespace
