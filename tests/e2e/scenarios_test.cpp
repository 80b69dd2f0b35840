// The built executable run as a process, driven only through its command line,
// LOCALAPPDATA, FHSWITCH_SIM and FHSWITCH_SIM_TRACE: the same table of
// scenarios for the Linux face and for the Windows face under Wine.
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "history/file_history.h"
#include "platform/sim/settings.h"
#include "tests/e2e/face.h"
#include "tests/support/sim_session.h"

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

// The simulated configuration file, as the platform's stand-in writes it.
std::string ConfigurationXml(const std::string& target, int backupStatus) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<FileHistoryConfiguration>\n  <Target>" + target +
           "</Target>\n  <BackupStatus>" + std::to_string(backupStatus) + "</BackupStatus>\n</FileHistoryConfiguration>\n";
}

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

// Enabling again overwrites the configuration (the target is then an existing
// File History namespace, which passes too).
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
