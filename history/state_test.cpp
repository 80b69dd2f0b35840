// The order of the reading calls and of the releases: the target before
// the manager, the manager before COM is left, on every path.
#include <algorithm>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "history/state.h"
#include "platform/sim/configuration.h"
#include "tests/support/sim_session.h"

using testsupport::SimSession;
using ::testing::ElementsAreArray;

namespace {

struct ReadingCase {
    const char* name;
    const char* settings;
    StateStatus status;
    std::vector<std::string> calls;
};

class Reading : public ::testing::TestWithParam<ReadingCase> {};

const std::vector<std::string> kAll = {"CoInitializeEx", "CoCreateInstance", "LoadConfiguration", "GetBackupStatus",
                                       "GetDefaultTarget", "FhTarget.GetStringProperty", "FhTarget.GetStringProperty",
                                       "FhTarget.Release", "QueryProtectionStatus", "GetLocalPolicy", "GetLocalPolicy",
                                       "GetLocalPolicy", "Release", "CoUninitialize"};

std::vector<std::string> Without(std::vector<std::string> calls, const std::vector<std::string>& gone) {
    for (const std::string& call : gone) calls.erase(std::find(calls.begin(), calls.end(), call));
    return calls;
}

TEST_P(Reading, CallsInOrderAndReleasesInScope) {
    const ReadingCase& row = GetParam();
    SimSession session(row.settings);
    ASSERT_TRUE(sim::WriteSavedConfiguration({"\\\\nas\\backups\\", FH_STATUS_ENABLED}));
    FileHistoryState state;
    EXPECT_EQ(ReadFileHistoryState(&state), row.status);
    EXPECT_THAT(session.calls(), ElementsAreArray(row.calls));
}

INSTANTIATE_TEST_SUITE_P(
    Table, Reading,
    ::testing::Values(
        ReadingCase{"Everything", "", kStateProtected, kAll},
        ReadingCase{"ComUnavailable", "CoInitializeEx=0x80010106", kStateComUnavailable, {"CoInitializeEx"}},
        ReadingCase{"ManagerNotCreated", "CoCreateInstance=0x80040154", kStateUnreadable,
                    {"CoInitializeEx", "CoCreateInstance", "CoUninitialize"}},
        ReadingCase{"NotConfigured", "LoadConfiguration=0x80040301", kStateNotConfigured,
                    {"CoInitializeEx", "CoCreateInstance", "LoadConfiguration", "Release", "CoUninitialize"}},
        // The target's release follows its properties even when they fail.
        ReadingCase{"PropertiesFail", "FhTarget.GetStringProperty=0x80004005", kStateUnreadable, kAll},
        // The backup settings say nothing of protection: not read, the class stays.
        ReadingCase{"SettingsNotRead", "GetLocalPolicy=0x80004005", kStateProtected, kAll},
        ReadingCase{"NoTargetAssigned", "GetDefaultTarget=0x80070490", kStateProtected,
                    Without(kAll, {"FhTarget.GetStringProperty", "FhTarget.GetStringProperty", "FhTarget.Release"})}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
