#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/fh_service.h"
#include "tests/support/sim_session.h"

using ::testing::ElementsAre;

namespace {

// fhswitch passes the same flags every time, so only these calls tell whether
// the bindings hand on what they are given.
struct Flags {
    BOOL startServiceIfStopped;
    BOOL stopTracking;
};

class ServiceBinding : public ::testing::TestWithParam<Flags> {};

TEST_P(ServiceBinding, HandsItsFlagsOn) {
    const Flags& flags = GetParam();
    testsupport::SimSession session;
    FH_SERVICE_PIPE_HANDLE pipe = nullptr;
    ASSERT_EQ(FhServiceOpenPipe(flags.startServiceIfStopped, &pipe), S_OK);
    EXPECT_EQ(FhServiceStopBackup(pipe, flags.stopTracking), S_OK);
    EXPECT_EQ(FhServiceClosePipe(pipe), S_OK);
    EXPECT_THAT(session.trace(),
                ElementsAre("FhServiceOpenPipe\t0x00000000\t" + std::to_string(flags.startServiceIfStopped),
                            "FhServiceStopBackup\t0x00000000\t" + std::to_string(flags.stopTracking),
                            "FhServiceClosePipe\t0x00000000"));
}

INSTANTIATE_TEST_SUITE_P(Flags, ServiceBinding, ::testing::Values(Flags{TRUE, FALSE}, Flags{FALSE, TRUE}));

}  // namespace
