// Every list of exit statuses says what ExitStatus (history/file_history.h)
// says, and every list of fhstatus's what StateStatus (history/state.h) says:
// the same statuses, and for each the meaning beside it there, word for word
// at the start of its row. A status added, removed, renumbered or reworded in
// one place and not in the others fails here. The logon scripts' own
// statuses (9009 to 9013) are declared beside their plan (history/logon_plan.h),
// and the meanings the scripts log, fhstatus's and the scripts' own, agree.
#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "history/logon_plan.h"

namespace {

// Statuses as a list names them: by number and the operation where the
// number alone is ambiguous ("enable", "disable"; empty otherwise), each with
// its meaning.
using Statuses = std::map<std::pair<int, std::string>, std::string>;  // (number, operation): meaning

std::string Read(const std::string& relativePath) {
    std::ifstream file(std::string(FHSWITCH_SOURCE_DIR) + "/" + relativePath, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_FALSE(text.str().empty()) << relativePath << " is missing or empty";
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The lines from the first that starts with `from` up to the next that starts with `to`.
std::vector<std::string> Section(const std::vector<std::string>& lines, const std::string& from,
                                 const std::string& to) {
    std::vector<std::string> section;
    bool inside = false;
    for (const std::string& line : lines) {
        if (inside && line.rfind(to, 0) == 0) break;
        if (line.rfind(from, 0) == 0) inside = true;
        if (inside) section.push_back(line);
    }
    EXPECT_FALSE(section.empty()) << "no section starting with '" << from << "'";
    return section;
}

void Add(Statuses* statuses, int number, const std::string& operation, const std::string& meaning) {
    const auto key = std::make_pair(number, operation);
    EXPECT_EQ(statuses->count(key), 0u) << "status " << number << " " << operation << " is listed twice";
    (*statuses)[key] = meaning;
}

// ExitStatus: "kName = N,  // meaning", under "// EnableFileHistory" and
// "// DisableFileHistory" for the operations' own.
Statuses Declared() {
    Statuses statuses;
    std::string operation;
    static const std::regex kEntry(R"re(^\s*k\w+ = (\d+),\s*// (.+)$)re");
    for (const std::string& line : Section(Lines(Read("history/file_history.h")), "enum ExitStatus", "};")) {
        std::smatch match;
        if (line.find("// EnableFileHistory") != std::string::npos) operation = "enable";
        if (line.find("// DisableFileHistory") != std::string::npos) operation = "disable";
        if (line.find("// the dispatcher") != std::string::npos) operation = "";
        if (std::regex_match(line, match, kEntry)) {
            const int number = std::stoi(match[1]);
            Add(&statuses, number, number == 0 ? "" : operation, match[2]);
        }
    }
    return statuses;
}

// An enum of statuses without operations: "kName = N,  // meaning" under
// "enum <name>" in the header at `path`.
Statuses DeclaredIn(const std::string& path, const std::string& name) {
    Statuses statuses;
    static const std::regex kEntry(R"re(^\s*k\w+ = (\d+),\s*// (.+)$)re");
    for (const std::string& line : Section(Lines(Read(path)), "enum " + name, "};")) {
        std::smatch match;
        if (std::regex_match(line, match, kEntry)) Add(&statuses, std::stoi(match[1]), "", match[2]);
    }
    return statuses;
}

Statuses DeclaredState() { return DeclaredIn("history/state.h", "StateStatus"); }

// The rows of a list: the lines that match `row`, whose first group is the
// number and last the meaning; `operation` names the row's operation.
Statuses Rows(const std::vector<std::string>& lines, const std::regex& row,
              const std::function<std::string(const std::smatch&)>& operation) {
    Statuses statuses;
    for (const std::string& line : lines) {
        std::smatch match;
        if (std::regex_match(line, match, row)) {
            Add(&statuses, std::stoi(match[1]), operation(match), match[match.size() - 1]);
        }
    }
    return statuses;
}

// The ends a script decides itself: call :failed N "reason" "meaning". A
// script runs one operation, so its numbers need no operation named.
Statuses InScript(const std::string& path) {
    static const std::regex kMeaning(R"re(^.*call :failed (\d+) "[^"]*" "([^"]+)".*$)re");
    Statuses statuses;
    for (const std::string& line : Lines(Read(path))) {
        std::smatch match;
        if (std::regex_match(line, match, kMeaning)) statuses[{std::stoi(match[1]), ""}] = match[2];
    }
    EXPECT_FALSE(statuses.empty()) << path << " decides no end itself";
    return statuses;
}

// The meanings the plan gives a script's log line: every status it knows,
// among the ones a script can end with.
Statuses Logged(LogonScript script) {
    Statuses statuses;
    for (int number = -1; number <= 10000; ++number) {
        const std::string meaning = ScriptStatusMeaning(script, number);
        if (meaning != "unknown status") statuses[{number, ""}] = meaning;
    }
    return statuses;
}

// The operation as a list writes it: "enable" or "-E", "disable" or "-D".
std::string Named(const std::string& written) {
    if (written == "enable" || written == "-E") return "enable";
    if (written == "disable" || written == "-D") return "disable";
    return "";
}


// The guide: | N (operation) | meaning | what to do |, the operation where it is needed.
Statuses InGuide() {
    static const std::regex kRow(R"re(^\| (\d+)(?: \((enable|disable)\))? \| ([^|]+) \|.*$)re");
    return Rows(Section(Lines(Read("docs/deploying.md")), "## 9.", "**fhstatus's statuses**"), kRow,
                [](const std::smatch& match) { return Named(match[2]); });
}

// README.txt in the zips: "  N    -E: meaning".
Statuses InZipReadme() {
    static const std::regex kRow(R"re(^  (\d+) +(?:(-E|-D): )?(.+)$)re");
    return Rows(Section(Lines(Read("tools/release/README.txt.in")), "Exit statuses", "The "), kRow,
                [](const std::smatch& match) { return Named(match[2]); });
}

Statuses DeclaredSettings() { return DeclaredIn("history/backup_settings.h", "SettingsStatus"); }

Statuses SettingsInZipReadme() {
    static const std::regex kRow(R"re(^  (\d+) +(.+)$)re");
    return Rows(Section(Lines(Read("tools/release/README.txt.in")), "fhsettings", "Output"), kRow,
                [](const std::smatch&) { return std::string(); });
}
Statuses SettingsInGuide() {
    static const std::regex kRow(R"re(^\| (\d+) \| ([^|]+) \|.*$)re");
    return Rows(Section(Lines(Read("docs/deploying.md")), "**fhsettings' statuses**", "**"), kRow,
                [](const std::smatch&) { return std::string(); });
}

Statuses StateInZipReadme() {
    static const std::regex kRow(R"re(^  (\d+) +(.+)$)re");
    return Rows(Section(Lines(Read("tools/release/README.txt.in")), "Its exit status, and its state line", "After the ten lines"), kRow,
                [](const std::smatch&) { return std::string(); });
}
Statuses StateInGuide() {
    static const std::regex kRow(R"re(^\| (\d+) \| ([^|]+) \|.*$)re");
    return Rows(Section(Lines(Read("docs/deploying.md")), "**fhstatus's statuses**", "**"), kRow,
                [](const std::smatch&) { return std::string(); });
}

// Each listed status is an expected one, every expected one is listed, and
// each meaning starts with the expected one. A number listed without its
// operation is the one expected status of that number, if there is one.
void ExpectAgrees(const Statuses& listedAsWritten, const Statuses& expected, const std::string& where) {
    Statuses listed;
    for (const auto& [key, meaning] : listedAsWritten) {
        std::vector<std::pair<int, std::string>> candidates;
        for (const auto& [expectedKey, expectedMeaning] : expected) {
            if (expectedKey.first == key.first) candidates.push_back(expectedKey);
        }
        listed[key.second.empty() && candidates.size() == 1 ? candidates.front() : key] = meaning;
    }
    for (const auto& [key, meaning] : expected) {
        const auto row = listed.find(key);
        if (row == listed.end()) {
            ADD_FAILURE() << where << " lacks status " << key.first << " " << key.second << " (" << meaning << ")";
            continue;
        }
        EXPECT_EQ(row->second.substr(0, meaning.size()), meaning)
            << where << ": status " << key.first << " " << key.second << " means otherwise";
    }
    for (const auto& [key, meaning] : listed) {
        EXPECT_EQ(expected.count(key), 1u) << where << " lists status " << key.first << " " << key.second
                                          << ", which is not one (" << meaning << ")";
    }
}

// The declared statuses of these operations ("" for the ones any route has).
Statuses Of(const Statuses& declared, const std::vector<std::string>& operations) {
    Statuses some;
    for (const auto& [key, meaning] : declared) {
        for (const std::string& operation : operations) {
            if (key.second == operation) some[key] = meaning;
        }
    }
    return some;
}

Statuses With(Statuses statuses, const Statuses& more) {
    statuses.insert(more.begin(), more.end());
    return statuses;
}

// The logon scripts' own statuses, ScriptStatus.
Statuses ScriptsOwn() {
    const Statuses own = DeclaredIn("history/logon_plan.h", "ScriptStatus");
    EXPECT_EQ(own.size(), 5u) << "history/logon_plan.h: the declaration is not read";
    return own;
}

// Each operation's statuses are read from the declaration, and each number is
// declared once per operation (Add checks that).
TEST(ExitStatuses, TheDeclarationIsReadWithItsOperations) {
    std::map<std::string, int> perOperation;
    for (const auto& [key, meaning] : Declared()) ++perOperation[key.second];
    EXPECT_GE(perOperation["enable"], 1);
    EXPECT_GE(perOperation["disable"], 1);
    EXPECT_EQ(perOperation[""], 2) << "done and the dispatcher's rejection";
}

TEST(ExitStatuses, TheZipsReadmeListsEveryOneAsDeclared) {
    const Statuses declared = Declared();
    ExpectAgrees(InZipReadme(), declared, "tools/release/README.txt.in");
}

TEST(ExitStatuses, TheGuideListsEveryOneAndTheScriptsOwn) {
    ExpectAgrees(InGuide(), With(Declared(), ScriptsOwn()), "docs/deploying.md");
}

TEST(ExitStatuses, TheLogonScriptsLogEachAsDeclared) {
    const Statuses declared = Declared();
    const Statuses own = ScriptsOwn();
    const Statuses enabling = With(Of(declared, {"", "enable"}), own);
    // -D ends with 0 or its own status, never the dispatcher's 160; the
    // disable script leaves no user's own configuration.
    const Statuses disabling = With(Of(declared, {"disable"}), {{{0, ""}, declared.at({0, ""})},
                                                                 {{9009, ""}, own.at({9009, ""})},
                                                                 {{9011, ""}, own.at({9011, ""})},
                                                                 {{9012, ""}, own.at({9012, ""})}});
    ExpectAgrees(Logged(LogonScript::kEnable), enabling, "the enable script's plan");
    ExpectAgrees(Logged(LogonScript::kDisable), disabling, "the disable script's plan");
    for (const auto& [path, statuses] : {std::make_pair("examples/enable-file-history.cmd", enabling),
                                         std::make_pair("examples/disable-file-history.cmd", disabling)}) {
        for (const auto& [key, meaning] : InScript(path)) {
            ASSERT_EQ(statuses.count(key), 1u) << path << " ends with status " << key.first << ", which is not its";
            EXPECT_EQ(meaning, statuses.at(key)) << path << ": status " << key.first << " means otherwise";
        }
    }
}

TEST(ExitStatuses, EveryListOfFhsettingsStatusesListsEveryOneAsDeclared) {
    const Statuses declared = DeclaredSettings();
    EXPECT_EQ(declared.size(), 8u) << "history/backup_settings.h: the declaration is not read";
    ExpectAgrees(SettingsInZipReadme(), declared, "tools/release/README.txt.in");
    ExpectAgrees(SettingsInGuide(), declared, "docs/deploying.md");
}

TEST(ExitStatuses, EveryListOfFhstatusStatusesListsEveryOneAsDeclared) {
    const Statuses declared = DeclaredState();
    EXPECT_EQ(declared.size(), 9u) << "history/state.h: the declaration is not read";
    ExpectAgrees(StateInZipReadme(), declared, "tools/release/README.txt.in");
    ExpectAgrees(StateInGuide(), declared, "docs/deploying.md");
}

// The fuzz oracle names the statuses (the compiler holds their numbers): its
// table of the lines printed before each enabling status names every one
// but COM's, whose message it checks on its own.
TEST(ExitStatuses, TheFuzzOracleKnowsEveryEnablingStatus) {
    const std::vector<std::string> oracle = Section(Lines(Read("tests/fuzz/fhswitch_fuzz.cpp")),
                                                    "    static const std::map<int, size_t> kLinesBefore", "    const");
    std::string table;
    for (const std::string& line : oracle) table += line + "\n";
    std::map<int, std::string> names;  // the enabling statuses' names, by number
    static const std::regex kEntry(R"re(^\s*(k\w+) = (\d+),)re");
    std::string operation;
    for (const std::string& line : Section(Lines(Read("history/file_history.h")), "enum ExitStatus", "};")) {
        std::smatch match;
        if (line.find("// EnableFileHistory") != std::string::npos) operation = "enable";
        if (line.find("// DisableFileHistory") != std::string::npos) operation = "disable";
        if (std::regex_search(line, match, kEntry) && (operation == "enable" || match[2] == "0")) {
            names[std::stoi(match[2])] = match[1];
        }
    }
    for (const auto& [number, name] : names) {
        if (name == "kComUnavailable") continue;
        EXPECT_NE(table.find("{" + name + ","), std::string::npos)
            << "the fuzz oracle does not know status " << number << " (" << name << ")";
    }
    static const std::regex kNamed(R"re(\{(k\w+),)re");
    for (std::sregex_iterator it(table.begin(), table.end(), kNamed), end; it != end; ++it) {
        bool declared = false;
        for (const auto& [number, name] : names) declared = declared || name == (*it)[1];
        EXPECT_TRUE(declared) << "the fuzz oracle names " << (*it)[1] << ", which is no enabling status";
    }
}

}  // namespace
