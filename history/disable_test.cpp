#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "history/file_history.h"
#include "tests/support/sim_session.h"

using testsupport::Exists;
using testsupport::ListTree;
using testsupport::RunCapturingStdout;
using testsupport::SimSession;
using testsupport::WriteFile;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

// A configuration directory as the platform leaves it, with a subdirectory.
void PopulateConfiguration(const SimSession& session) {
    const std::string dir = session.configDirectory();
    WriteFile(dir + "/Config1.xml", "one");
    WriteFile(dir + "/Config2.xml", "two");
    WriteFile(dir + "/catalog 1.edb", "catalog");
    WriteFile(dir + "/Sicherung-Müller.dat", "data");
    WriteFile(dir + "/Sub/inner.xml", "inner");
}

const std::vector<std::string> kPopulated = {"Config1.xml", "Config2.xml", "Sicherung-Müller.dat", "Sub/",
                                             "Sub/inner.xml", "catalog 1.edb"};

testsupport::Outcome Disable() { return RunCapturingStdout([] { return DisableFileHistory(); }); }

// After the purge the service reloads, on a pipe of its own, so that it
// forgets the configuration it had loaded.
TEST(Disable, StopsBackupsDeletesEveryTopLevelEntryInListingOrderThenHasTheServiceReload) {
    SimSession session;
    PopulateConfiguration(session);
    const auto outcome = Disable();
    EXPECT_EQ(outcome.status, kDone);
    EXPECT_EQ(outcome.output, "");
    const std::string dir = session.windowsConfigDirectory();
    EXPECT_THAT(session.trace(), ElementsAre("FhServiceOpenPipe\t0x00000000\t1",
                                             "FhServiceStopBackup\t0x00000000\t0",
                                             "FhServiceClosePipe\t0x00000000",
                                             "DeleteFileUtf8\t0\t" + dir + "\\.",
                                             "DeleteFileUtf8\t0\t" + dir + "\\..",
                                             "DeleteFileUtf8\t1\t" + dir + "\\Config1.xml",
                                             "DeleteFileUtf8\t1\t" + dir + "\\Config2.xml",
                                             "DeleteFileUtf8\t1\t" + dir + "\\Sicherung-Müller.dat",
                                             "DeleteFileUtf8\t0\t" + dir + "\\Sub",
                                             "DeleteFileUtf8\t1\t" + dir + "\\catalog 1.edb",
                                             "FhServiceOpenPipe\t0x00000000\t1",
                                             "FhServiceReloadConfiguration\t0x00000000",
                                             "FhServiceClosePipe\t0x00000000"));
    EXPECT_THAT(ListTree(session.configDirectory()), ElementsAre("Sub/", "Sub/inner.xml"));
}

// How the service's answers decide between purging and leaving every file.
struct ServiceAnswer {
    const char* settings;
    ExitStatus status;
    std::vector<std::string> serviceCalls;
    bool purged;
};

class DisableService : public ::testing::TestWithParam<ServiceAnswer> {};

TEST_P(DisableService, DecidesStatusAndPurge) {
    const ServiceAnswer& answer = GetParam();
    SimSession session(answer.settings);
    PopulateConfiguration(session);
    const auto outcome = Disable();
    EXPECT_EQ(outcome.status, answer.status);
    EXPECT_EQ(outcome.output, "");
    std::vector<std::string> calls = session.calls();
    const auto deletes = std::count(calls.begin(), calls.end(), "DeleteFileUtf8");
    calls.erase(std::remove(calls.begin(), calls.end(), "DeleteFileUtf8"), calls.end());
    EXPECT_THAT(calls, ElementsAreArray(answer.serviceCalls));
    if (answer.purged) {
        EXPECT_EQ(deletes, 7);
        EXPECT_THAT(ListTree(session.configDirectory()), ElementsAre("Sub/", "Sub/inner.xml"));
    } else {
        EXPECT_EQ(deletes, 0);
        EXPECT_THAT(ListTree(session.configDirectory()), ElementsAreArray(kPopulated));
    }
}

const std::vector<std::string> kStop = {"FhServiceOpenPipe", "FhServiceStopBackup", "FhServiceClosePipe"};
const std::vector<std::string> kStopAndReload = {"FhServiceOpenPipe", "FhServiceStopBackup", "FhServiceClosePipe",
                                                 "FhServiceOpenPipe", "FhServiceReloadConfiguration",
                                                 "FhServiceClosePipe"};

INSTANTIATE_TEST_SUITE_P(
    Answers, DisableService,
    ::testing::Values(
        ServiceAnswer{"", kDone, kStopAndReload, true},
        ServiceAnswer{"FhServiceStopBackup=0x80040600", kStopRefused, kStop, false},
        ServiceAnswer{"FhServiceStopBackup=0x80040601;FhServiceClosePipe=0x80004005", kStopRefused, kStop, false},
        // A pipe that cannot be opened is no refusal: nothing to stop, reload or close.
        ServiceAnswer{"FhServiceOpenPipe=0x80040601", kDone, {"FhServiceOpenPipe", "FhServiceOpenPipe"}, true},
        ServiceAnswer{"FhServiceClosePipe=0x80004005", kDone, kStopAndReload, true},
        ServiceAnswer{"FhServiceStopBackup=0x1", kDone, kStopAndReload, true},
        // The purge is done and the stop was accepted: a reload that fails changes nothing.
        ServiceAnswer{"FhServiceReloadConfiguration=0x80040601", kDone, kStopAndReload, true},
        ServiceAnswer{"FhServiceReloadConfiguration=0x80040601;FhServiceClosePipe=0x80004005", kDone, kStopAndReload,
                      true}));

// A link to a file goes, not the file; a link to a folder is a folder to
// DeleteFileUtf8 and stays, and so does what it points at.
TEST(Disable, NeverReachesWhatLinksPointAt) {
    SimSession session;
    const std::string dir = session.configDirectory();
    WriteFile(session.scratch() + "/outside.txt", "keep");
    WriteFile(session.scratch() + "/outside-dir/file.txt", "keep");
    WriteFile(dir + "/Config1.xml", "one");
    std::filesystem::create_symlink(session.scratch() + "/outside.txt", dir + "/file-link");
    std::filesystem::create_directory_symlink(session.scratch() + "/outside-dir", dir + "/dir-link");
    EXPECT_EQ(Disable().status, kDone);
    EXPECT_THAT(ListTree(dir), ElementsAre("dir-link"));
    EXPECT_THAT(ListTree(session.scratch()), ElementsAre("outside-dir/", "outside-dir/file.txt", "outside.txt"));
}

TEST(Disable, LeavesReadOnlyFilesAsWindowsDoes) {
    SimSession session;
    const std::string dir = session.configDirectory();
    WriteFile(dir + "/locked.xml", "locked");
    WriteFile(dir + "/Config1.xml", "one");
    chmod((dir + "/locked.xml").c_str(), 0444);
    EXPECT_EQ(Disable().status, kDone);
    EXPECT_THAT(ListTree(dir), ElementsAre("locked.xml"));
}

// No configuration directory to purge: the stop still happens, nothing is deleted.
struct NoDirectory {
    const char* name;
    void (*arrange)(const SimSession&);
};

class DisableWithoutDirectory : public ::testing::TestWithParam<NoDirectory> {};

TEST_P(DisableWithoutDirectory, StopsBackupsAndDeletesNothing) {
    SimSession session;
    WriteFile(session.localAppData() + "/keep.txt", "keep");
    WriteFile(session.scratch() + "/keep.txt", "keep");
    GetParam().arrange(session);
    const auto before = ListTree(session.localAppData());
    const auto outcome = Disable();
    EXPECT_EQ(outcome.status, kDone);
    EXPECT_EQ(outcome.output, "");
    EXPECT_THAT(session.calls(), ElementsAreArray(kStopAndReload));
    EXPECT_EQ(ListTree(session.localAppData()), before);
    EXPECT_THAT(ListTree(session.scratch()), ElementsAre("keep.txt"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DisableWithoutDirectory,
    ::testing::Values(
        NoDirectory{"Missing", [](const SimSession&) {}},
        NoDirectory{"PlainFile",
                    [](const SimSession& s) { WriteFile(s.configDirectory(), "a file where the folder should be"); }},
        NoDirectory{"LocalAppDataUnset", [](const SimSession&) { unsetenv("LOCALAPPDATA"); }},
        NoDirectory{"LocalAppDataEmpty", [](const SimSession&) { setenv("LOCALAPPDATA", "", 1); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Disable, LocalAppDataUnsetStillReportsARefusedStop) {
    SimSession session("FhServiceStopBackup=0x80040600");
    unsetenv("LOCALAPPDATA");
    EXPECT_EQ(Disable().status, kStopRefused);
}

// A LOCALAPPDATA of exactly the given length, made of real folders below the session's.
std::string LocalAppDataOfLength(const SimSession& session, size_t length) {
    const std::string path = testsupport::MakeFolderOfLength(session.localAppData(), length);
    setenv("LOCALAPPDATA", path.c_str(), 1);
    return path;
}

constexpr size_t kSubdirectoryLength = 44;  // "\Microsoft\Windows\FileHistory\Configuration"

// The search pattern is the directory and "\*.*": it must fit MAX_PATH - 1 = 259 bytes.
class PatternLength : public ::testing::TestWithParam<size_t> {};

TEST_P(PatternLength, APatternThatDoesNotFitDeletesNothing) {
    const size_t patternLength = GetParam();
    SimSession session;
    const std::string localAppData = LocalAppDataOfLength(session, patternLength - 4 - kSubdirectoryLength);
    const std::string dir = localAppData + "/Microsoft/Windows/FileHistory/Configuration";
    WriteFile(dir + "/a", "a");
    EXPECT_EQ(Disable().status, kDone);
    EXPECT_EQ(Exists(dir + "/a"), patternLength > 259);
}

INSTANTIATE_TEST_SUITE_P(Lengths, PatternLength, ::testing::Values(258, 259, 260, 261));

TEST(Disable, AnEntryWhosePathDoesNotFitIsSkippedAndTheOthersGo) {
    SimSession session;
    // Directory of 200 bytes: a name of 58 gives a 259-byte path, 59 gives 260.
    const std::string localAppData = LocalAppDataOfLength(session, 200 - kSubdirectoryLength);
    const std::string dir = localAppData + "/Microsoft/Windows/FileHistory/Configuration";
    const std::string fits(58, 'f');
    const std::string tooLong = std::string(58, 'f') + "x";
    WriteFile(dir + "/" + fits, "fits");
    WriteFile(dir + "/" + tooLong, "too long");
    WriteFile(dir + "/short", "short");
    EXPECT_EQ(Disable().status, kDone);
    EXPECT_THAT(ListTree(dir), ElementsAre(tooLong));
    // Every path handed to DeleteFileUtf8 is a whole one.
    const std::string windowsDir = localAppData + "\\Microsoft\\Windows\\FileHistory\\Configuration";
    EXPECT_THAT(session.trace({"DeleteFileUtf8"}),
                ElementsAre("DeleteFileUtf8\t0\t" + windowsDir + "\\.", "DeleteFileUtf8\t0\t" + windowsDir + "\\..",
                            "DeleteFileUtf8\t1\t" + windowsDir + "\\" + fits,
                            "DeleteFileUtf8\t1\t" + windowsDir + "\\short"));
}

TEST(Disable, TouchesNothingOutsideTheConfigurationDirectory) {
    SimSession session;
    PopulateConfiguration(session);
    WriteFile(session.localAppData() + "/Microsoft/Windows/FileHistory/Data/backup.dat", "keep");
    WriteFile(session.localAppData() + "/Microsoft/Windows/Config1.xml", "keep");
    WriteFile(session.scratch() + "/Config1.xml", "keep");
    std::vector<std::string> expected = ListTree(session.localAppData());
    for (const char* gone : {"Config1.xml", "Config2.xml", "Sicherung-Müller.dat", "catalog 1.edb"}) {
        expected.erase(std::find(expected.begin(), expected.end(),
                                 std::string("Microsoft/Windows/FileHistory/Configuration/") + gone));
    }
    EXPECT_EQ(Disable().status, kDone);
    EXPECT_EQ(ListTree(session.localAppData()), expected);
    EXPECT_THAT(ListTree(session.scratch()), ElementsAre("Config1.xml"));
}

}  // namespace
