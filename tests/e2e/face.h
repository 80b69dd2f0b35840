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
    std::string name;  // "linux", "wine-x64", "wine-x86", "wine-x64-legacy" or "wine-x86-legacy"
    std::vector<std::string> command;        // what runs fhswitch: Wine's command, if any, then the program
    std::vector<std::string> statusCommand;    // fhstatus, from the folder of fhswitch's build
    std::vector<std::string> settingsCommand;  // fhsettings, from there too
    std::string lineEnd;
    Environment environment;
    std::string localAppData;     // the face's own LOCALAPPDATA, as Linux names it
    std::string configDirectory;  // as Linux names it
    std::string tracePath;
    std::string targets;    // the simulated targets' folder (FHSWITCH_SIM_TARGETS), as Linux names it
    std::string work;       // a scratch folder of the run's own
    std::string driveRoot;  // the root of the program's current drive, as Linux names it
    std::string architecture;  // under Wine: "x64" or "x86"
    std::string source;        // the source tree
};

const Face& TheFace();
bool IsWine();
// Under Wine: ends the run's wineserver, and with it every program left.
void StopWine();

struct Result {
    int status = -1;
    std::string output;
    std::string errors;
};

// Runs fhswitch with the arguments and FHSWITCH_SIM settings, in the face's
// drive root, so that a path rooted on the current drive ("\x") lands there.
Result RunFhswitch(const std::vector<std::string>& arguments, const std::string& settings);

// Runs fhstatus, as RunFhswitch runs fhswitch.
Result RunFhstatus(const std::vector<std::string>& arguments, const std::string& settings);
// Runs fhsettings, alike.
Result RunFhsettings(const std::vector<std::string>& arguments, const std::string& settings);

// The same, with standard output on a terminal (a pseudo-terminal made by
// script(1)); what the terminal shows comes back, its control sequences and
// carriage returns left out.
Result RunFhswitchOnTerminal(const std::vector<std::string>& arguments, const std::string& settings);

// Under Wine: runs a batch file with Wine's cmd, the arguments as the
// process's own command line, on a terminal (cmd switches its code page only
// on a console), with the face's environment and then the given one.
Result RunBatchOnTerminal(const std::string& batch, const std::vector<std::string>& arguments,
                          const std::string& settings, const Environment& environment = {});

// Under Wine: the folder (as Windows names it) of a stand-in for a Windows
// command the logon scripts call ("eventcreate", or "chcp" answering in
// German), to put on the PATH through WINEPATH.
std::string StandInCommandFolder(const std::string& command);

// The trace lines of a stand-in command: its name, then its arguments.
std::vector<std::string> CommandTrace(const std::string& command);

// Under Wine: the exe and the logon scripts installed into the prefix's
// Program Files with an MSI built as the release builds one, and
// uninstalled when the object goes.
class InstalledMsi {
public:
    InstalledMsi();
    InstalledMsi(const InstalledMsi&) = delete;
    InstalledMsi& operator=(const InstalledMsi&) = delete;
    ~InstalledMsi();
    explicit operator bool() const { return installed_; }

private:
    std::string msi_;
    bool installed_ = false;
};

// The user's name, as Windows gives it to the program (%USERNAME%).
std::string WindowsUserName();

// Under Wine: runs a batch file that holds the program's command line as
// typed (the arguments' text after the program's path), so that Windows'
// own argument rules apply; returns the batch file's exit status.
Result RunFhswitchThroughCmd(const std::string& typedArguments, const std::string& settings);

// Takes File History's components away for the runs in its scope, as on a
// Windows without them: the service library (the decoy beside the exe too),
// and if asked the configuration manager's registration as well (the x86 exe
// on 64-bit Windows, which has no 32-bit File History). The Linux face has
// them fail to load instead: settings() holds what to add to the run's.
class MissingComponents {
public:
    explicit MissingComponents(bool configManagerToo);
    MissingComponents(const MissingComponents&) = delete;
    MissingComponents& operator=(const MissingComponents&) = delete;
    ~MissingComponents();

    const std::string& settings() const { return settings_; }

private:
    bool configManagerToo_;
    std::string settings_;
};

// The lines, each with the face's line end.
std::string Output(const std::vector<std::string>& lines);

// The trace lines of the calls both faces trace.
std::vector<std::string> SharedTrace();

// The calls in the shared trace that change something: all but the ones
// that read File History's state (fhstatus's).
std::vector<std::string> ChangingCalls();

// The configuration files as the simulated platform writes them: a target
// ("" for none) and a backup status (FH_STATUS_*).
std::string ConfigurationXml(const std::string& target, int backupStatus);
// Writes both copies into the face's configuration directory, as File
// History set up by the user would leave them.
void WriteConfiguration(const std::string& target, int backupStatus);

// How the program names a folder of this machine (on Wine, through drive Z:).
std::string ProgramPath(const std::string& linuxPath);

// Sets LOCALAPPDATA as the program will see it (nothing: unset), for the runs
// that follow, until RestoreLocalAppData().
void SetLocalAppData(const std::optional<std::string>& value);
void RestoreLocalAppData();

// Each test starts with no configuration directory, no trace, targets that
// hold no backup, and the face's own LOCALAPPDATA; under Wine each checks at its end that the decoy
// fhsvcctl.dll beside the exe was never loaded.
class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A configuration directory as the platform leaves it, with a subdirectory.
    static void PopulateConfiguration();
};

}  // namespace e2e
