#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/support/sim_session.h"

using testsupport::SimSession;
using testsupport::WriteFile;

namespace {

std::vector<std::string> ListAll(const std::string& pattern) {
    std::vector<std::string> names;
    FoundFile entry;
    const UniqueFindHandle search(FindFirstFileUtf8(pattern.c_str(), &entry));
    if (!search) return names;
    do names.push_back(entry.name);
    while (FindNextFileUtf8(search.get(), &entry));
    return names;
}

TEST(SimulatedFiles, ListsDotsFirstThenNamesInOrderWithBackslashSeparators) {
    SimSession session;
    const std::string dir = session.scratch() + "/list";
    for (const char* name : {"b", "A", " space", "a\\b", "z"}) WriteFile(dir + "/" + name, "x");
    // A name holding a backslash cannot exist on Windows and is not listed.
    EXPECT_EQ(ListAll(session.scratch() + "\\list\\*.*"),
              (std::vector<std::string>{".", "..", " space", "A", "b", "z"}));
}

TEST(SimulatedFiles, SearchFailsWhereWindowsWould) {
    SimSession session;
    WriteFile(session.scratch() + "/file", "x");
    FoundFile entry;
    for (const std::string& pattern :
         {session.scratch() + "\\missing\\*.*", session.scratch() + "\\file\\*.*", session.scratch() + "\\f*",
          session.scratch() + "\\" + std::string(260, 'p') + "\\*.*"}) {
        EXPECT_EQ(FindFirstFileUtf8(pattern.c_str(), &entry), INVALID_HANDLE_VALUE) << pattern;
    }
}

TEST(SimulatedFiles, DeleteRemovesFilesAndLinksToFilesOnly) {
    SimSession session;
    const std::string dir = session.scratch();
    WriteFile(dir + "/file", "x");
    WriteFile(dir + "/folder/inner", "x");
    WriteFile(dir + "/read-only", "x");
    chmod((dir + "/read-only").c_str(), 0444);
    std::filesystem::create_directory_symlink(dir + "/folder", dir + "/folder-link");
    std::filesystem::create_symlink(dir + "/file", dir + "/file-link");
    // Windows removes these links themselves, whatever they point at.
    std::filesystem::create_symlink(dir + "/read-only", dir + "/read-only-link");
    std::filesystem::create_symlink(dir + "/nowhere", dir + "/dangling-link");
    EXPECT_FALSE(DeleteFileUtf8((dir + "\\folder").c_str()));
    EXPECT_FALSE(DeleteFileUtf8((dir + "\\folder-link").c_str()));
    EXPECT_TRUE(DeleteFileUtf8((dir + "\\file-link").c_str()));
    EXPECT_TRUE(DeleteFileUtf8((dir + "\\read-only-link").c_str()));
    EXPECT_TRUE(DeleteFileUtf8((dir + "\\dangling-link").c_str()));
    EXPECT_FALSE(DeleteFileUtf8((dir + "\\missing").c_str()));
    EXPECT_TRUE(DeleteFileUtf8((dir + "\\file").c_str()));
    EXPECT_FALSE(testsupport::Exists(dir + "/file"));
    EXPECT_TRUE(testsupport::Exists(dir + "/folder/inner"));
    EXPECT_TRUE(testsupport::Exists(dir + "/read-only"));
}

// A narrow path of MAX_PATH (260) bytes or more fails; 259 is the longest that works.
class NarrowPathLength : public ::testing::TestWithParam<size_t> {};

TEST_P(NarrowPathLength, FailsFromMaxPathOn) {
    SimSession session;
    const size_t length = GetParam();
    // A folder whose pattern "<folder>\*.*" has the length, as has the path "<folder>\abc".
    const std::string folder = testsupport::MakeFolderOfLength(session.scratch(), length - 4);
    WriteFile(folder + "/abc", "x");
    const bool fits = length < MAX_PATH;
    const std::vector<std::string> listed = fits ? std::vector<std::string>{".", "..", "abc"} : std::vector<std::string>();
    EXPECT_EQ(ListAll(folder + "\\*.*"), listed);
    EXPECT_EQ(DeleteFileUtf8((folder + "\\abc").c_str()), fits ? TRUE : FALSE);
    EXPECT_EQ(testsupport::Exists(folder + "/abc"), !fits);
}

INSTANTIATE_TEST_SUITE_P(Lengths, NarrowPathLength, ::testing::Values(259, 260));

}  // namespace
