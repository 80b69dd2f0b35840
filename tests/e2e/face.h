// The built executable as a process, for the end-to-end tests. One face is the
// Linux executable on the simulation; the other the Windows executable under
// Wine with the stand-in components. The faces differ in line ends, in where
// the configuration directory lies, and in which calls they trace: under Wine
// only the stand-ins trace, so tests compare the calls both faces trace.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace e2e {

// Extra environment for a process: a value to set, or nothing to unset.
using Environment = std::map<std::string, std::optional<std::string>>;

struct Face {
    std::string name;  // "linux", "wine-x64" or "wine-x86"
    std::vector<std::string> command;
    std::string lineEnd;
    Environment environment;
    std::string configDirectory;  // as Linux names it
    std::string tracePath;
    std::string work;       // a scratch folder of the run's own
    std::string driveRoot;  // the root of the program's current drive, as Linux names it
};

const Face& TheFace();
bool IsWine();

struct Result {
    int status = -1;
    std::string output;
    std::string errors;
};

// Runs fhswitch with the arguments and FHSWITCH_SIM settings, in the face's
// drive root, so that a path rooted on the current drive ("\x") lands there.
Result RunFhswitch(const std::vector<std::string>& arguments, const std::string& settings);

// The same, with standard output on a terminal (a pseudo-terminal made by
// script(1)); what the terminal shows comes back, its control sequences and
// carriage returns left out.
Result RunFhswitchOnTerminal(const std::vector<std::string>& arguments, const std::string& settings);

// The lines, each with the face's line end.
std::string Output(const std::vector<std::string>& lines);

// The trace lines of the calls both faces trace.
std::vector<std::string> SharedTrace();

// How the program names a folder of this machine (on Wine, through drive Z:).
std::string ProgramPath(const std::string& linuxPath);

// Sets LOCALAPPDATA as the program will see it (nothing: unset), for the runs
// that follow, until RestoreLocalAppData().
void SetLocalAppData(const std::optional<std::string>& value);
void RestoreLocalAppData();

// Each test starts with no configuration directory, no trace and the face's
// own LOCALAPPDATA.
class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A configuration directory as the platform leaves it, with a subdirectory.
    static void PopulateConfiguration();
};

}  // namespace e2e
