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
    WIN32_FIND_DATAA entry;
    const UniqueFindHandle search(FindFirstFileA(pattern.c_str(), &entry));
    if (!search.valid()) return names;
    do names.push_back(entry.cFileName);
    while (FindNextFileA(search.get(), &entry));
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
    WIN32_FIND_DATAA entry;
    for (const std::string& pattern :
         {session.scratch() + "\\missing\\*.*", session.scratch() + "\\file\\*.*", session.scratch() + "\\f*",
          session.scratch() + "\\" + std::string(260, 'p') + "\\*.*"}) {
        EXPECT_EQ(FindFirstFileA(pattern.c_str(), &entry), INVALID_HANDLE_VALUE) << pattern;
    }
}

TEST(SimulatedFiles, DeleteRemovesFilesAndLinksToFilesOnly) {
    SimSession session;
    const std::string dir = session.scratch();
    WriteFile(dir + "/file", "x");
    WriteFile(dir + "/folder/inner", "x");
    std::filesystem::create_directory_symlink(dir + "/folder", dir + "/folder-link");
    std::filesystem::create_symlink(dir + "/file", dir + "/file-link");
    EXPECT_FALSE(DeleteFileA((dir + "\\folder").c_str()));
    EXPECT_FALSE(DeleteFileA((dir + "\\folder-link").c_str()));
    EXPECT_TRUE(DeleteFileA((dir + "\\file-link").c_str()));
    EXPECT_FALSE(DeleteFileA((dir + "\\missing").c_str()));
    EXPECT_TRUE(DeleteFileA((dir + "\\file").c_str()));
    EXPECT_FALSE(testsupport::Exists(dir + "/file"));
    EXPECT_TRUE(testsupport::Exists(dir + "/folder/inner"));
}

}  // namespace
