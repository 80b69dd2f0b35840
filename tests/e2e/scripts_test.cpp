// The administrators' logon scripts in examples/, run by Wine's cmd with the
// Windows face and its stand-ins: once per target, a failure retried, a
// record and a log line per logon, the exe beside the script or in Program
// Files. cmd runs on a terminal: it switches its code page only on a console.
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
using e2e::Result;
using e2e::RunBatchOnTerminal;
using e2e::SharedTrace;
using e2e::TheFace;
using testsupport::ReadFile;
using ::testing::Contains;
using ::testing::EndsWith;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

class LogonScripts : public EndToEnd {
protected:
    void SetUp() override {
        if (!e2e::IsWine()) GTEST_SKIP() << "cmd scripts run on Windows only";
        EndToEnd::SetUp();
        fs::remove_all(state());
        setenv("FHSWITCH_TEST_USER", "Жанна.Петрова", 1);  // reaches the Windows process
    }

    // The scripts beside fhswitch.exe, as on a NETLOGON share.
    static std::string BesideTheExe(const std::string& script) {
        const fs::path copy = fs::path(TheFace().command[1]).parent_path() / script;
        fs::copy_file(TheFace().source + "/examples/" + script, copy, fs::copy_options::overwrite_existing);
        return copy.string();
    }

    static std::string state() { return TheFace().localAppData + "/fhswitch"; }
    // The recorded target, without its line end.
    static std::string record() {
        const std::string text = ReadFile(state() + "/enabled-target.txt");
        return text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0 ? text.substr(0, text.size() - 2)
                                                                                  : "(no line end) " + text;
    }
    static bool recorded() { return fs::exists(state() + "/enabled-target.txt"); }
    static std::string lastLogLine() {
        std::string log = ReadFile(state() + "/fhswitch.log");
        if (log.size() >= 2 && log.compare(log.size() - 2, 2, "\r\n") == 0) log.resize(log.size() - 2);
        return log.substr(log.rfind('\n') + 1);
    }

    static Result Enable(const std::string& target, const std::string& settings = "") {
        fs::remove(TheFace().tracePath);
        return RunBatchOnTerminal(BesideTheExe("enable-file-history.cmd"), {target}, settings);
    }
};

const std::string kValidated = "ValidateTarget\t0x00000000\t";

// What an administrator types as the script's parameter, and what it names.
struct Target {
    const char* name;
    std::string typed;
    std::string expanded;
};

class LogonTargets : public LogonScripts, public ::testing::WithParamInterface<Target> {};

TEST_P(LogonTargets, TheFirstLogonEnablesAndTheNextDoesNothing) {
    const Target& target = GetParam();
    const Result first = Enable(target.typed);
    EXPECT_EQ(first.status, kDone) << first.output;
    EXPECT_THAT(SharedTrace(), Contains(kValidated + target.expanded + "\\"));
    EXPECT_EQ(record(), target.expanded);
    EXPECT_THAT(lastLogLine(), EndsWith(" enabled: " + target.expanded + " (status 0: done)"));

    const Result second = Enable(target.typed);
    EXPECT_EQ(second.status, kDone) << second.output;
    EXPECT_THAT(SharedTrace(), IsEmpty());
    EXPECT_EQ(record(), target.expanded);
    EXPECT_THAT(lastLogLine(), EndsWith(" already enabled: " + target.expanded + " (status 0: nothing to do)"));
}

INSTANTIATE_TEST_SUITE_P(
    Table, LogonTargets,
    ::testing::Values(Target{"Share", "\\\\nas\\backups", "\\\\nas\\backups"},
                      Target{"SpacesAmpersandCaretNonAscii", "\\\\nas\\R&D Müller ^1\\Жанна 日本 😀",
                             "\\\\nas\\R&D Müller ^1\\Жанна 日本 😀"},
                      // Expanded by the script when it runs, as a Group Policy parameter needs.
                      Target{"WithAVariable", "\\\\nas\\backups\\%FHSWITCH_TEST_USER%", "\\\\nas\\backups\\Жанна.Петрова"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LogonScripts, AChangedTargetRunsAgainAndAFailureIsRetried) {
    ASSERT_EQ(Enable("\\\\nas\\old").status, kDone);

    const Result failed = Enable("\\\\nas\\new", "ValidateTarget.result=0");
    EXPECT_EQ(failed.status, kTargetNotValid);
    EXPECT_THAT(SharedTrace(), Contains(kValidated + "\\\\nas\\new\\"));
    EXPECT_EQ(record(), "\\\\nas\\old");
    EXPECT_THAT(lastLogLine(),
                EndsWith(" failed: \\\\nas\\new (status 6: the target is neither valid nor an existing File History "
                         "namespace)"));

    const Result retried = Enable("\\\\nas\\new");
    EXPECT_EQ(retried.status, kDone);
    EXPECT_THAT(SharedTrace(), Contains(kValidated + "\\\\nas\\new\\"));
    EXPECT_EQ(record(), "\\\\nas\\new");
}

TEST_F(LogonScripts, DisablingClearsTheConfigurationAndTheRecord) {
    ASSERT_EQ(Enable("\\\\nas\\backups").status, kDone);
    const std::string disable = BesideTheExe("disable-file-history.cmd");

    const Result refused = RunBatchOnTerminal(disable, {}, "FhServiceStopBackup=0x80040600");
    EXPECT_EQ(refused.status, kStopRefused);
    EXPECT_TRUE(recorded());
    EXPECT_THAT(lastLogLine(),
                EndsWith(" failed (status 1: the service refused to stop backing up; no file was deleted)"));

    const Result disabled = RunBatchOnTerminal(disable, {}, "");
    EXPECT_EQ(disabled.status, kDone);
    EXPECT_FALSE(recorded());
    EXPECT_THAT(testsupport::ListTree(TheFace().configDirectory), IsEmpty());
    EXPECT_THAT(lastLogLine(), EndsWith(" disabled (status 0: done)"));
    EXPECT_EQ(Enable("\\\\nas\\backups").status, kDone);
    EXPECT_THAT(SharedTrace(), Not(IsEmpty()));
}

// Without fhswitch.exe beside it, the script looks in the 64-bit Program Files
// (%ProgramW6432%: Wine's cmd is a 32-bit process, as Intune's host is), then
// in %ProgramFiles%, where the x86 MSI puts it.
TEST_F(LogonScripts, FindsTheExeInProgramFilesAfterTheMsiInstalledIt) {
    const std::string alone = TheFace().work + "/scripts/enable-file-history.cmd";
    fs::create_directories(fs::path(alone).parent_path());
    fs::copy_file(TheFace().source + "/examples/enable-file-history.cmd", alone, fs::copy_options::overwrite_existing);

    const Result missing = RunBatchOnTerminal(alone, {"\\\\nas\\backups"}, "");
    EXPECT_EQ(missing.status, 9009 % 256);  // an exit status reaches Linux cut to 8 bits
    EXPECT_FALSE(recorded());
    EXPECT_THAT(lastLogLine(),
                EndsWith(" failed, fhswitch.exe not found: \\\\nas\\backups (status 9009: fhswitch.exe is neither "
                         "beside this script nor in Program Files\\fhswitch)"));

    ASSERT_TRUE(e2e::InstallWithMsi());
    const Result found = RunBatchOnTerminal(alone, {"\\\\nas\\backups"}, "");
    EXPECT_EQ(found.status, kDone);
    EXPECT_THAT(SharedTrace(), Contains(kValidated + std::string("\\\\nas\\backups\\")));
    EXPECT_EQ(record(), "\\\\nas\\backups");
}

}  // namespace
