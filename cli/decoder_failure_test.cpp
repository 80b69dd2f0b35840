// The dispatcher linked with a UTF-8 decoder that always reports failure.
#include <gtest/gtest.h>

#include "cli/dispatch.h"
#include "history/file_history.h"
#include "platform/win_api.h"
#include "tests/support/sim_session.h"

int MultiByteToWideChar(UINT, DWORD, const char*, int, WCHAR*, int) { return 0; }

namespace {

TEST(DecoderFailure, RejectsThePathWithoutStartingAnything) {
    testsupport::SimSession session;
    testsupport::ArgumentVector arguments{"-E", "\\\\nas\\backups"};
    const auto outcome =
        testsupport::RunCapturingStdout([&] { return Dispatch(arguments.argc(), arguments.argv()); });
    EXPECT_EQ(outcome.output, "Please provide path for the drive....\n");
    EXPECT_EQ(outcome.status, kArgumentsRejected);
    EXPECT_TRUE(session.trace().empty());
}

}  // namespace
