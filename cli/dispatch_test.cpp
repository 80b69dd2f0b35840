#include "cli/dispatch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "history/file_history.h"
#include "tests/support/sim_session.h"

using testsupport::ArgumentVector;
using testsupport::RunCapturingStdout;
using testsupport::SimSession;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr char kUsage[] =
    "Eneble/Disable Windows File Histroy...\n"
    "For Enable: -E <Network path for backup>\n"
    "For Disable: -D\n";
constexpr char kEnabled[] =
    "Creating default configuration\n"
    "Provisioning and setting target\n"
    "Enabling File History\n"
    "Scheduling regular backups\n"
    "Recommending target to Homegroup\n"
    "Success! File History is now enabled\n";
constexpr char kCountRejected[] = "invalid Arguments.....\n";
constexpr char kPathMissing[] = "Invaild arguments, please enter backup path..\n";
constexpr char kPathEmpty[] = "Please provide path for the drive....\n";

// Which operation a run started, told by its first platform call.
enum class Operation { kNone, kEnable, kDisable };

Operation OperationStarted(const SimSession& session) {
    const std::vector<std::string> trace = session.trace();
    if (trace.empty()) return Operation::kNone;
    if (trace[0].rfind("CoInitializeEx\t", 0) == 0) return Operation::kEnable;
    if (trace[0].rfind("FhServiceOpenPipe\t", 0) == 0) return Operation::kDisable;
    ADD_FAILURE() << "unexpected first call: " << trace[0];
    return Operation::kNone;
}

struct Row {
    std::vector<std::string> arguments;
    const char* output;
    ExitStatus status;
    Operation operation;
};

class DispatchRow : public ::testing::TestWithParam<Row> {};

TEST_P(DispatchRow, PrintsExactlyAndReturnsItsStatus) {
    const Row& row = GetParam();
    SimSession session;
    ArgumentVector arguments(row.arguments);
    const auto outcome = RunCapturingStdout([&] { return Dispatch(arguments.argc(), arguments.argv()); });
    EXPECT_EQ(outcome.output, row.output);
    EXPECT_EQ(outcome.status, row.status);
    EXPECT_EQ(OperationStarted(session), row.operation);
}

INSTANTIATE_TEST_SUITE_P(
    ArgumentTable, DispatchRow,
    ::testing::Values(
        // No user argument, or more than two.
        Row{{}, kCountRejected, kArgumentsRejected, Operation::kNone},
        Row{{"-e", "\\\\nas\\b", "x"}, kCountRejected, kArgumentsRejected, Operation::kNone},
        Row{{"-D", "a", "b"}, kCountRejected, kArgumentsRejected, Operation::kNone},
        Row{{"-E", "a", "b", "c"}, kCountRejected, kArgumentsRejected, Operation::kNone},
        // One user argument.
        Row{{"-d"}, "", kDone, Operation::kDisable},
        Row{{"-D"}, "", kDone, Operation::kDisable},
        Row{{"-e"}, kPathMissing, kArgumentsRejected, Operation::kNone},
        Row{{"-E"}, kPathMissing, kArgumentsRejected, Operation::kNone},
        Row{{"/?"}, kUsage, kDone, Operation::kNone},
        Row{{"-?"}, "", kDone, Operation::kNone},
        Row{{"/h"}, "", kDone, Operation::kNone},
        Row{{"-h"}, "", kDone, Operation::kNone},
        Row{{"help"}, "", kDone, Operation::kNone},
        Row{{"-x"}, "", kDone, Operation::kNone},
        Row{{"/d"}, "", kDone, Operation::kNone},
        Row{{"/e"}, "", kDone, Operation::kNone},
        Row{{"--disable"}, "", kDone, Operation::kNone},
        Row{{" -D"}, "", kDone, Operation::kNone},
        Row{{"-D "}, "", kDone, Operation::kNone},
        Row{{""}, "", kDone, Operation::kNone},
        // Two user arguments: only -e and -E lead anywhere.
        Row{{"-e", ""}, kPathEmpty, kArgumentsRejected, Operation::kNone},
        Row{{"-E", ""}, kPathEmpty, kArgumentsRejected, Operation::kNone},
        Row{{"-E", "\\\\nas\\backups"}, kEnabled, kDone, Operation::kEnable},
        Row{{"-e", "\\\\nas\\backups"}, kEnabled, kDone, Operation::kEnable},
        Row{{"-D", "x"}, "", kDone, Operation::kNone},
        Row{{"-d", ""}, "", kDone, Operation::kNone},
        Row{{"-x", "\\\\nas\\b"}, "", kDone, Operation::kNone},
        Row{{"/?", "x"}, "", kDone, Operation::kNone},
        Row{{"-E ", "\\\\nas\\b"}, "", kDone, Operation::kNone}));

TEST(Dispatch, AnEmptyArgumentVectorIsRejected) {
    SimSession session;
    char* argv[] = {nullptr};
    const auto outcome = RunCapturingStdout([&] { return Dispatch(0, argv); });
    EXPECT_EQ(outcome.output, kCountRejected);
    EXPECT_EQ(outcome.status, kArgumentsRejected);
}

TEST(Dispatch, ReturnsTheEnableStatusUnchanged) {
    SimSession session("SaveConfiguration=0x80004005");
    ArgumentVector arguments{"-E", "\\\\nas\\backups"};
    const auto outcome = RunCapturingStdout([&] { return Dispatch(arguments.argc(), arguments.argv()); });
    EXPECT_EQ(outcome.status, kConfigurationNotSaved);
}

TEST(Dispatch, ReturnsTheDisableStatusUnchanged) {
    SimSession session("FhServiceStopBackup=0x80040600");
    ArgumentVector arguments{"-D"};
    const auto outcome = RunCapturingStdout([&] { return Dispatch(arguments.argc(), arguments.argv()); });
    EXPECT_EQ(outcome.output, "");
    EXPECT_EQ(outcome.status, kStopRefused);
}

TEST(Dispatch, ComThatCannotBeInitialisedEndsWithItsMessage) {
    SimSession session("CoInitializeEx=0x80010106");
    ArgumentVector arguments{"-E", "\\\\nas\\backups"};
    const auto outcome = RunCapturingStdout([&] { return Dispatch(arguments.argc(), arguments.argv()); });
    EXPECT_EQ(outcome.output, "Unable to initialize COM\n");
    EXPECT_EQ(outcome.status, kComUnavailable);
    // Nothing after the failed initialisation, and no CoUninitialize for it.
    EXPECT_THAT(session.trace(), ElementsAre("CoInitializeEx\t0x80010106\t2"));
}

// The target as ValidateTarget and ProvisionAndSetNewTarget receive it (UTF-8 in the trace).
struct TargetCase {
    const char* argument;
    const char* received;
};

class TargetDecoding : public ::testing::TestWithParam<TargetCase> {};

TEST_P(TargetDecoding, ReachesTheManagerAsTheCharactersItEncodes) {
    SimSession session;
    ArgumentVector arguments{"-E", GetParam().argument};
    const auto outcome = RunCapturingStdout([&] { return Dispatch(arguments.argc(), arguments.argv()); });
    EXPECT_EQ(outcome.status, kDone);
    EXPECT_THAT(session.trace({"ValidateTarget", "ProvisionAndSetNewTarget"}),
                ElementsAre(std::string("ValidateTarget\t0x00000000\t") + GetParam().received,
                            std::string("ProvisionAndSetNewTarget\t0x00000000\t") + GetParam().received + "\t"));
}

INSTANTIATE_TEST_SUITE_P(
    Targets, TargetDecoding,
    ::testing::Values(TargetCase{"\\\\nas\\backups", "\\\\nas\\backups\\"},
                      TargetCase{"\\\\nas\\Sicherung Müller\\日本 😀", "\\\\nas\\Sicherung Müller\\日本 😀\\"},
                      TargetCase{"x", "x\\"},
                      // The form the platform requires: one trailing backslash, and a
                      // trailing quote (a backslash that escaped the closing quote) taken as one.
                      TargetCase{"\\\\nas\\backups\\", "\\\\nas\\backups\\"},
                      TargetCase{"E:", "E:\\"},
                      TargetCase{"\\\\nas\\my share\"", "\\\\nas\\my share\\"},
                      TargetCase{"\\\\nas\\a\"b", "\\\\nas\\a\"b\\"},
                      // Invalid bytes become U+FFFD.
                      TargetCase{"\\\\nas\\a\xFF" "b", "\\\\nas\\a\xEF\xBF\xBD" "b\\"},
                      TargetCase{"\\\\nas\\\xC0\xAF", "\\\\nas\\\xEF\xBF\xBD\xEF\xBF\xBD\\"},
                      TargetCase{"\\\\nas\\\xED\xA0\x80", "\\\\nas\\\xEF\xBF\xBD\xEF\xBF\xBD\\"},
                      // Cut short at the end: the decoder takes the terminator too.
                      TargetCase{"\\\\nas\\x\xF0\x9F", "\\\\nas\\x\xEF\xBF\xBD\\"}));

}  // namespace
