#include "platform/sim/settings.h"

#include <fstream>
#include <regex>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

namespace {

TEST(SimSettings, ReadsResultsAndOutValues) {
    std::string bad;
    const auto settings = sim::ParseSettings(
        "ValidateTarget.result=2;;FhServiceReloadConfiguration=0x80040601;GetBackupStatus.status=1;"
        "CoInitializeEx=0x1;SaveConfiguration=0XdeadBEEF;SecondLoad=allowed;ReassociatedBackups=rehydrating;",
        &bad);
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->AnswerOf(sim::Variant::SecondLoad), sim::kSecondLoadAllowed);
    EXPECT_EQ(settings->AnswerOf(sim::Variant::ReassociatedBackups), sim::kReassociatedRehydrating);
    EXPECT_EQ(settings->AnswerOf(sim::Variant::NoDefaultTarget), sim::kNoTargetNotFound);
    EXPECT_EQ(settings->ResultOf(sim::Call::FhServiceReloadConfiguration), static_cast<HRESULT>(0x80040601));
    EXPECT_EQ(settings->ResultOf(sim::Call::CoInitializeEx), 1);
    EXPECT_EQ(settings->ResultOf(sim::Call::SaveConfiguration), static_cast<HRESULT>(0xDEADBEEF));
    EXPECT_EQ(settings->ResultOf(sim::Call::CoCreateInstance), S_OK);
    EXPECT_EQ(settings->validationResult, 2);
    EXPECT_EQ(settings->backupStatus, 1);
}

// The ends of each value's range are taken; one past them is malformed (below).
TEST(SimSettings, TakesTheEndsOfEachRange) {
    std::string bad;
    const auto lowest = sim::ParseSettings("GetBackupStatus.status=-2147483648;CoInitializeEx=0x0", &bad);
    ASSERT_TRUE(lowest) << bad;
    EXPECT_EQ(lowest->backupStatus, INT32_MIN);
    EXPECT_EQ(lowest->ResultOf(sim::Call::CoInitializeEx), 0);
    const auto highest = sim::ParseSettings("ValidateTarget.result=2147483647;CoInitializeEx=0xFFFFFFFF", &bad);
    ASSERT_TRUE(highest) << bad;
    EXPECT_EQ(highest->validationResult, INT32_MAX);
    EXPECT_EQ(highest->ResultOf(sim::Call::CoInitializeEx), static_cast<HRESULT>(0xFFFFFFFF));
}

TEST(SimSettings, EmptyMeansEveryCallSucceeds) {
    std::string bad;
    const auto settings = sim::ParseSettings("", &bad);
    ASSERT_TRUE(settings);
    EXPECT_TRUE(settings->results.empty());
    EXPECT_FALSE(settings->validationResult);
    EXPECT_FALSE(settings->backupStatus);
}

class MalformedSetting : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(MalformedSetting, IsNamedAndNothingIsTaken) {
    std::string bad;
    EXPECT_FALSE(sim::ParseSettings(GetParam().first, &bad));
    EXPECT_EQ(bad, GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, MalformedSetting,
    ::testing::Values(std::make_pair("CoInitializeEx", "CoInitializeEx"),
                      std::make_pair("DeleteFileUtf8=0x80004005", "DeleteFileUtf8=0x80004005"),
                      std::make_pair("coinitializeex=0x1", "coinitializeex=0x1"),
                      std::make_pair("SaveConfiguration=0x1;CoInitializeEx=80004005", "CoInitializeEx=80004005"),
                      std::make_pair("CoInitializeEx=0x", "CoInitializeEx=0x"),
                      std::make_pair("CoInitializeEx=0x123456789", "CoInitializeEx=0x123456789"),
                      std::make_pair("CoInitializeEx=0xG", "CoInitializeEx=0xG"),
                      std::make_pair("CoInitializeEx= 0x1", "CoInitializeEx= 0x1"),
                      std::make_pair("ValidateTarget.result=0x2", "ValidateTarget.result=0x2"),
                      std::make_pair("ValidateTarget.result=", "ValidateTarget.result="),
                      std::make_pair("ValidateTarget.result=+6", "ValidateTarget.result=+6"),
                      std::make_pair("GetBackupStatus.status=99999999999", "GetBackupStatus.status=99999999999"),
                      std::make_pair("GetBackupStatus.status=-2147483649", "GetBackupStatus.status=-2147483649"),
                      std::make_pair("ValidateTarget.result=2147483648", "ValidateTarget.result=2147483648"),
                      std::make_pair("=0x1", "=0x1"),
                      // A variant takes only the answers its table gives, as written.
                      std::make_pair("SecondLoad=", "SecondLoad="),
                      std::make_pair("SecondLoad=Allowed", "SecondLoad=Allowed"),
                      std::make_pair("NoDefaultTarget=0x1", "NoDefaultTarget=0x1")));

// The developer's guide lists every variant and its answers, in the table's
// order, so that a variant added, renamed or given another answer here and
// not there fails.
TEST(SimVariants, TheDevelopersGuideListsEachWithItsAnswers) {
    std::ifstream file(std::string(FHSWITCH_SOURCE_DIR) + "/docs/developing.md");
    std::stringstream text;
    text << file.rdbuf();
    ASSERT_FALSE(text.str().empty()) << "docs/developing.md is missing";
    static const std::regex kRow(R"re(^\| `(\w+)` \| ([^|]+) \|)re");
    static const std::regex kAnswer(R"re(`([a-z-]+)`)re");
    std::vector<std::string> listed;
    bool inside = false;
    for (std::string line; std::getline(text, line);) {
        if (line.rfind("## ", 0) == 0) inside = line == "## Where real Windows may differ";
        std::smatch row;
        if (!inside || !std::regex_search(line, row, kRow)) continue;
        std::string entry = row[1].str() + "=";
        const std::string answers = row[2].str();
        for (std::sregex_iterator it(answers.begin(), answers.end(), kAnswer), end; it != end; ++it) {
            entry += (*it)[1].str() + ",";
        }
        listed.push_back(entry);
    }
    std::vector<std::string> declared;
    for (const sim::VariantInfo& info : sim::kVariants) {
        std::string entry = std::string(info.name) + "=";
        for (std::string_view answer : info.answers) {
            if (!answer.empty()) entry += std::string(answer) + ",";
        }
        declared.push_back(entry);
    }
    EXPECT_EQ(listed, declared);
}

}  // namespace
