// Boundaries and hostile input, on both faces: target lengths, invalid UTF-8,
// LOCALAPPDATA lengths at the MAX_PATH edge, and configuration directories
// holding what a purge must leave alone.
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "history/file_history.h"
#include "tests/e2e/face.h"
#include "tests/support/sim_session.h"

namespace fs = std::filesystem;
using e2e::EndToEnd;
using e2e::IsWine;
using e2e::Output;
using e2e::ProgramPath;
using e2e::Result;
using e2e::RunFhswitch;
using e2e::SetLocalAppData;
using e2e::SharedTrace;
using e2e::TheFace;
using testsupport::ListTree;
using testsupport::WriteFile;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

constexpr char kSubdirectory[] = "/Microsoft/Windows/FileHistory/Configuration";
constexpr size_t kSubdirectoryLength = 44;  // "\Microsoft\Windows\FileHistory\Configuration"

// The program is told the target is not valid, so that it shows the target as
// it received it (in the form the platform requires: ending in a backslash),
// and stops there.
void ExpectTargetShownAndValidated(const std::string& argument, const std::string& decoded) {
    const std::string received = decoded + "\\";
    const Result result = RunFhswitch({"-E", argument}, "ValidateTarget.result=0");
    EXPECT_EQ(result.status, kTargetNotValid);
    EXPECT_EQ(result.output, Output({"Creating default configuration", "Error: " + received + " is not a valid target"}));
    EXPECT_THAT(SharedTrace(), Contains("ValidateTarget\t0x00000000\t" + received));
}

class TargetLength : public EndToEnd, public ::testing::WithParamInterface<size_t> {};

TEST_P(TargetLength, ReachesTheManagerWhole) {
    const size_t length = GetParam();
    const std::string target = length == 1 ? "x" : "\\\\nas\\" + std::string(length - 6, 'x');
    ExpectTargetShownAndValidated(target, target);
}

INSTANTIATE_TEST_SUITE_P(Lengths, TargetLength, ::testing::Values(1, 259, 260, 4096, 32000));

// 40,000 characters: Linux passes them on; a Windows command line holds at most
// 32,767, so there the program is never started and does nothing.
TEST_F(EndToEnd, AFortyThousandCharacterTarget) {
    const std::string target = "\\\\nas\\" + std::string(40000 - 6, 'x');
    if (IsWine()) {
        const Result result = RunFhswitch({"-E", target}, "");
        EXPECT_NE(result.status, kDone);
        EXPECT_EQ(result.output, "");
        EXPECT_THAT(SharedTrace(), IsEmpty());
        EXPECT_THAT(ListTree(TheFace().configDirectory), IsEmpty());
    } else {
        ExpectTargetShownAndValidated(target, target);
    }
}

struct InvalidUtf8 {
    const char* name;
    std::string bytes;
    std::string shown;  // each U+FFFD is EF BF BD
    // Wine's own start-up decodes such an argument past its end, into
    // whatever memory follows it: the program never receives these bytes.
    bool misreadByWine = false;
};

class InvalidTarget : public EndToEnd, public ::testing::WithParamInterface<InvalidUtf8> {};

TEST_P(InvalidTarget, BecomesReplacementCharacters) {
    if (IsWine() && GetParam().misreadByWine) GTEST_SKIP() << "Wine misreads this argument before the program starts";
    ExpectTargetShownAndValidated("\\\\nas\\" + GetParam().bytes, "\\\\nas\\" + GetParam().shown);
}

const std::string kReplacement = "\xEF\xBF\xBD";

INSTANTIATE_TEST_SUITE_P(
    Bytes, InvalidTarget,
    ::testing::Values(InvalidUtf8{"StrayContinuations", "a\x80\xBF" "b", "a" + kReplacement + kReplacement + "b"},
                      InvalidUtf8{"OverlongSlash", "\xC0\xAF", kReplacement + kReplacement},
                      InvalidUtf8{"OverlongThreeBytes", "\xE0\x80\xAF", kReplacement + kReplacement},
                      InvalidUtf8{"EncodedSurrogatePair", "\xED\xA0\x80\xED\xB0\x80",
                                  kReplacement + kReplacement + kReplacement + kReplacement},
                      InvalidUtf8{"BrokenBeforeALetter", "\xF0\x9F\x98" "b", kReplacement + "b"},
                      InvalidUtf8{"CutShortAtTheEnd", "x\xE2\x82", "x" + kReplacement},
                      // The decoder takes the terminator into the replaced sequence.
                      InvalidUtf8{"CutShortPastTheEnd", "x\xF0\x9F", "x" + kReplacement, true}),
    [](const auto& info) { return std::string(info.param.name); });

// A LOCALAPPDATA of exactly the given length as the program names it, made of
// real folders below the run's scratch folder; returns the Linux path.
std::string LocalAppDataOfLength(size_t programLength) {
    const std::string parent = TheFace().work + "/lad";
    const size_t overhead = ProgramPath(parent).size() - parent.size();
    const std::string path = testsupport::MakeFolderOfLength(parent, programLength - overhead);
    SetLocalAppData(ProgramPath(path));
    return path;
}

// The search pattern is the directory and "\*.*": it must fit in 259 bytes.
class PatternLength : public EndToEnd, public ::testing::WithParamInterface<size_t> {};

TEST_P(PatternLength, APatternThatDoesNotFitDeletesNothing) {
    const size_t patternLength = GetParam();
    const std::string dir = LocalAppDataOfLength(patternLength - 4 - kSubdirectoryLength) + kSubdirectory;
    WriteFile(dir + "/a", "a");  // its path is at most the pattern's length
    const Result result = RunFhswitch({"-D"}, "");
    EXPECT_EQ(result.status, kDone);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(ListTree(dir), patternLength <= 259 ? std::vector<std::string>() : std::vector<std::string>{"a"});
}

INSTANTIATE_TEST_SUITE_P(Lengths, PatternLength, ::testing::Values(259, 260));

TEST_F(EndToEnd, AnEntryWhosePathDoesNotFitIsSkippedAndTheOthersGo) {
    // A directory of 200 bytes: a name of 58 makes a 259-byte path, 59 makes 260.
    const std::string dir = LocalAppDataOfLength(200 - kSubdirectoryLength) + kSubdirectory;
    const std::string fits(58, 'f');
    const std::string tooLong = std::string(58, 'f') + "x";
    for (const std::string& name : {fits, tooLong, std::string("short")}) WriteFile(dir + "/" + name, name);
    const Result result = RunFhswitch({"-D"}, "");
    EXPECT_EQ(result.status, kDone);
    EXPECT_THAT(ListTree(dir), ElementsAre(tooLong));
}

// LOCALAPPDATA that names nothing: enabling cannot write a configuration; backups
// are still stopped, nothing is deleted, and nothing is written or searched
// where a path built from nothing would lead, the root of the current drive.
class NoLocalAppData : public EndToEnd, public ::testing::WithParamInterface<std::optional<std::string>> {};

TEST_P(NoLocalAppData, StopsBackupsAndDeletesNothing) {
    PopulateConfiguration();
    const std::string onDriveRoot = TheFace().driveRoot + kSubdirectory;
    fs::remove_all(TheFace().driveRoot + "/Microsoft");
    WriteFile(onDriveRoot + "/Config1.xml", "one");
    SetLocalAppData(GetParam());
    // Without a profile folder the fresh configuration cannot be written.
    const Result enabled = RunFhswitch({"-E", "\\\\nas\\backups"}, "");
    EXPECT_EQ(enabled.status, kConfigurationNotCreated);
    EXPECT_EQ(enabled.output, Output({"Creating default configuration"}));
    fs::remove(TheFace().tracePath);
    const Result result = RunFhswitch({"-D"}, "");
    EXPECT_EQ(result.status, kDone);
    EXPECT_EQ(result.output, "");
    EXPECT_THAT(SharedTrace(), ElementsAre("FhServiceOpenPipe\t0x00000000\t1", "FhServiceStopBackup\t0x00000000\t0",
                                           "FhServiceClosePipe\t0x00000000", "FhServiceOpenPipe\t0x00000000\t1",
                                           "FhServiceReloadConfiguration\t0x00000000", "FhServiceClosePipe\t0x00000000"));
    EXPECT_THAT(ListTree(TheFace().configDirectory),
                ElementsAre("Config1.xml", "Config2.xml", "Sub/", "Sub/inner.xml", "catalog.edb"));
    EXPECT_THAT(ListTree(onDriveRoot), ElementsAre("Config1.xml"));
    EXPECT_EQ(testsupport::ReadFile(onDriveRoot + "/Config1.xml"), "one");
}

// A LOCALAPPDATA rooted on the current drive ("\x") is purged there, never
// at this machine's own root.
TEST_F(EndToEnd, ALocalAppDataOnTheCurrentDrivesRootIsPurgedThere) {
    const std::string dir = TheFace().driveRoot + "/Profiles/Jane/AppData/Local" + kSubdirectory;
    fs::remove_all(TheFace().driveRoot + "/Profiles");
    WriteFile(dir + "/Config1.xml", "one");
    WriteFile(dir + "/Sub/inner.xml", "inner");
    SetLocalAppData("\\Profiles\\Jane\\AppData\\Local");
    const Result result = RunFhswitch({"-D"}, "");
    EXPECT_EQ(result.status, kDone);
    EXPECT_THAT(ListTree(dir), ElementsAre("Sub/", "Sub/inner.xml"));
}

INSTANTIATE_TEST_SUITE_P(Values, NoLocalAppData, ::testing::Values(std::nullopt, std::string()),
                         [](const auto& info) { return info.param ? std::string("Empty") : std::string("Unset"); });

// A profile named outside the ANSI code page (on the legacy faces, 1252) is
// purged all the same.
TEST_F(EndToEnd, ALocalAppDataOutsideTheCodePageIsPurged) {
    const std::string localAppData = TheFace().work + "/Жанна 日本 😀/AppData/Local";
    const std::string dir = localAppData + kSubdirectory;
    fs::remove_all(dir);
    WriteFile(dir + "/Config1.xml", "one");
    WriteFile(dir + "/Жанна 日本 😀.dat", "two");
    WriteFile(dir + "/Sub/inner.xml", "inner");
    SetLocalAppData(ProgramPath(localAppData));
    const Result result = RunFhswitch({"-D"}, "");
    EXPECT_EQ(result.status, kDone);
    EXPECT_EQ(result.output, "");
    EXPECT_THAT(ListTree(dir), ElementsAre("Sub/", "Sub/inner.xml"));
}

// What a purge must leave: read-only files, subdirectories and their files, a
// link to a folder (a folder to Windows) and what it points at.
TEST_F(EndToEnd, APurgeLeavesWhatIsNotAPlainWritableFile) {
    const std::string& dir = TheFace().configDirectory;
    const std::string outside = TheFace().work + "/outside";
    fs::remove_all(outside);
    WriteFile(outside + "/folder/inner.txt", "outside");
    WriteFile(dir + "/Config1.xml", "one");
    WriteFile(dir + "/read-only.xml", "locked");
    chmod((dir + "/read-only.xml").c_str(), 0444);
    WriteFile(dir + "/Sub folder/inner.xml", "inner");
    WriteFile(dir + "/name with spaces.dat", "spaces");
    WriteFile(dir + "/Sicherung Müller 日本.dat", "non-ASCII");
    fs::create_directory_symlink(outside + "/folder", dir + "/folder-link");
    const Result result = RunFhswitch({"-D"}, "");
    EXPECT_EQ(result.status, kDone);
    EXPECT_EQ(result.output, "");
    EXPECT_THAT(ListTree(dir), ElementsAre("Sub folder/", "Sub folder/inner.xml", "folder-link", "read-only.xml"));
    EXPECT_THAT(ListTree(outside), ElementsAre("folder/", "folder/inner.txt"));
}

// Wine follows Unix symbolic links as if they were the file itself, so there
// DeleteFileA would remove the file; on Windows it removes the link.
TEST_F(EndToEnd, APurgeRemovesALinkToAFileButNotTheFile) {
    if (IsWine()) GTEST_SKIP() << "Wine does not treat a Unix symbolic link as a Windows link";
    const std::string& dir = TheFace().configDirectory;
    const std::string outside = TheFace().work + "/outside-file";
    WriteFile(outside, "outside");
    WriteFile(dir + "/Config1.xml", "one");
    fs::create_symlink(outside, dir + "/file-link");
    EXPECT_EQ(RunFhswitch({"-D"}, "").status, kDone);
    EXPECT_THAT(ListTree(dir), IsEmpty());
    EXPECT_TRUE(fs::exists(outside));
}

TEST_F(EndToEnd, AConfigurationDirectoryThatIsAFileIsLeftAlone) {
    WriteFile(TheFace().configDirectory, "not a folder");
    const Result result = RunFhswitch({"-D"}, "");
    EXPECT_EQ(result.status, kDone);
    EXPECT_EQ(result.output, "");
    EXPECT_TRUE(fs::is_regular_file(TheFace().configDirectory));
}

}  // namespace
