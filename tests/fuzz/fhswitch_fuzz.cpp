// libFuzzer target: the entry, in process, on the simulated File History.
// One input, read from the front (so that seeds are easy to write), decides
// the argument vector (0 to 4 byte strings), LOCALAPPDATA
// (absent, empty, or a path of any length below a scratch folder, backslashes
// included), an FHSWITCH_SIM scenario, the entries of the configuration
// directory, and last Windows' answers where its pages leave them open. The target \\nas\backups\ holds an earlier backup of the user's
// and one of another user's. After each run it checks that the status is one
// documented for the route, that every output line is a documented one, that
// nothing outside the configuration directory changed (but a new backup on
// the target), that no backup on the target lost or changed a file unless
// the target was forced to validate as a fresh one, that nothing in the
// configuration directory was deleted when the service refused to stop, and
// that a purge removed what it had to.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/dispatch.h"
#include "history/file_history.h"
#include "platform/sim/calls.h"
#include "platform/sim/settings.h"
#include "platform/sim/state.h"
#include "platform/sim/targets.h"
#include "tests/support/captured_stdout.h"

namespace fs = std::filesystem;

namespace {

#define CHECK(condition, what)                                                        \
    do {                                                                              \
        if (!(condition)) {                                                           \
            std::fprintf(stderr, "check failed: %s (%s)\n", #condition, (what).c_str()); \
            std::abort();                                                             \
        }                                                                             \
    } while (0)

constexpr size_t kMaxPath = 260;

const std::vector<std::string> kEnableLines = {
    "Creating default configuration",   "Provisioning and setting target",
    "Enabling File History",            "Scheduling regular backups",
    "Recommending target to Homegroup", "Success! File History is now enabled"};

// Reads the input from the front; past its end every value is zero.
class InputReader {
public:
    InputReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    bool Bool() { return Byte() & 1; }
    // A value in [0, count).
    size_t Below(size_t count) { return Byte() % count; }
    uint32_t Word() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value = value << 8 | Byte();
        return value;
    }
    // A byte string: a length byte (doubled up to 510), then the bytes.
    std::string Bytes() {
        const size_t length = std::min<size_t>(Byte() * 2u, size_ - std::min(at_, size_));
        std::string text(reinterpret_cast<const char*>(data_ + at_), length);
        at_ += length;
        return text;
    }
    template <typename T, size_t N>
    const T& Pick(const T (&values)[N]) {
        return values[Below(N)];
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

fs::path& ScratchRoot() {
    static fs::path root = [] {
        std::string pattern = (fs::temp_directory_path() / "fhswitch-fuzz-XXXXXX").string();
        return fs::path(mkdtemp(pattern.data()));
    }();
    return root;
}

// The FHSWITCH_SIM text, and what it means for the checks.
struct Scenario {
    std::string text;
    bool stopRefused = false;        // the pipe opens and the stop call fails
    bool freshTargetForced = false;  // validation forced to FH_VALID_TARGET: provisioning may replace the backup
};

// A byte per settable call, in the table's order: 0 leaves it alone, 1 to 6
// pick a result, 7 reads one.
Scenario MakeScenario(InputReader& input) {
    static const unsigned kCodes[] = {0x80004005, 0x80040302, 0x80040600, 0x80070005, 0x1, 0x0};
    Scenario scenario;
    std::map<sim::Call, long long> results;
    for (const sim::CallInfo& call : sim::kCalls) {
        if (!call.settable) continue;
        const size_t choice = input.Below(8);
        if (choice == 0) continue;
        const unsigned code = choice < 7 ? kCodes[choice - 1] : input.Word();
        char text[16];
        std::snprintf(text, sizeof text, "=0x%X;", code);
        scenario.text += std::string(call.name) + text;
        results[call.call] = static_cast<int>(code);
    }
    if (input.Bool()) {
        scenario.text += "GetBackupStatus.status=" + std::to_string(static_cast<int>(input.Below(6)) - 1) + ";";
    }
    if (input.Bool()) {
        const auto result = static_cast<int32_t>(input.Word());
        scenario.text += "ValidateTarget.result=" + std::to_string(result) + ";";
        scenario.freshTargetForced = result == 6;
    }
    scenario.stopRefused = results[sim::Call::FhServiceOpenPipe] >= 0 && results[sim::Call::FhServiceStopBackup] < 0;
    return scenario;
}

// A path text from a small alphabet: no "..", so it stays below where it starts.
// Its length comes first (a byte, scaled to maxLength), then a piece a byte.
std::string PathText(InputReader& input, size_t maxLength, bool separators) {
    static const char* const kPieces[] = {"a", "b", " ", "\xC3\xA9", "\xE6\x97\xA5", ".x", "/", "\\"};
    std::string text;
    const size_t length = input.Byte() * maxLength / 255;
    while (text.size() < length) text += kPieces[input.Below(separators ? 8 : 6)];
    return text;
}

std::optional<std::string> MakeLocalAppData(InputReader& input) {
    switch (input.Below(4)) {
        case 1: return std::nullopt;
        case 2: return std::string();
        default: return (ScratchRoot() / "home").string() + "/" + PathText(input, 250, true);
    }
}

std::string Native(std::string path) {
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    return path;
}

// Entries of the configuration directory, of every kind the purge meets.
void PopulateConfiguration(InputReader& input, const std::string& directory) {
    std::error_code error;
    fs::create_directories(directory, error);
    if (error) return;
    const size_t count = input.Below(7);
    for (size_t i = 0; i < count; ++i) {
        std::string name = PathText(input, input.Bool() ? 250 : 20, false);
        if (name.empty() || name.size() > 250) name = "n" + std::to_string(i);
        const std::string path = directory + "/" + name;
        switch (input.Below(5)) {
            case 0: std::ofstream(path) << "file"; break;
            case 1:
                std::ofstream(path) << "read-only";
                chmod(path.c_str(), 0444);
                break;
            case 2:
                fs::create_directory(path, error);
                std::ofstream(path + "/inner") << "inner";
                break;
            case 3: fs::create_symlink(ScratchRoot() / "outside" / "file", path, error); break;
            default: fs::create_directory_symlink(ScratchRoot() / "outside" / "folder", path, error);
        }
    }
}

struct Entry {
    mode_t mode;
    std::string content;  // a file's bytes, a link's target
    bool linkToDirectory = false;
    bool operator==(const Entry& other) const { return mode == other.mode && content == other.content; }
};

// Every path below the scratch folder, with what it is and holds.
std::map<std::string, Entry> Snapshot() {
    std::map<std::string, Entry> entries;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(ScratchRoot(), error); it != fs::recursive_directory_iterator();
         it.increment(error)) {
        const fs::path& path = it->path();
        struct stat info {};
        lstat(path.c_str(), &info);
        Entry entry{info.st_mode, {}};
        if (S_ISLNK(info.st_mode)) {
            entry.content = fs::read_symlink(path, error).string();
            entry.linkToDirectory = fs::is_directory(path, error);
        } else if (S_ISREG(info.st_mode)) {
            std::ifstream file(path, std::ios::binary);
            std::stringstream content;
            content << file.rdbuf();
            entry.content = content.str();
        }
        entries[path.string()] = entry;
    }
    return entries;
}

bool Is(const std::string& argument, std::initializer_list<const char*> options) {
    for (const char* option : options) {
        if (argument == option) return true;
    }
    return false;
}

// The enable route's whole output for its status. The target may hold any
// byte, line feeds included, so the invalid-target line is matched as a whole.
void CheckEnableOutput(int status, const std::string& output, const std::string& what) {
    if (status == kComUnavailable) {
        CHECK(output == std::string(ComUnavailable::kMessage) + "\n", what);
        return;
    }
    // The progress lines printed before each status ends the run.
    static const std::map<int, size_t> kLinesBefore = {
        {kDone, 6},                    {kManagerNotCreated, 0},    {kConfigurationExists, 1},
        {kConfigurationNotCreated, 1}, {kDisabledByPolicy, 1},     {kTargetNotValidated, 1},
        {kTargetNotValid, 1},          {kTargetNotProvisioned, 2}, {kBackupsNotEnabled, 3},
        {kServiceNotReloaded, 4},      {kConfigurationNotSaved, 3}, {kEarlierBackupNotReconnected, 2}};
    const auto lines = kLinesBefore.find(status);
    CHECK(lines != kLinesBefore.end(), what);
    std::string expected;
    for (size_t i = 0; i < lines->second; ++i) expected += kEnableLines[i] + "\n";
    if (status == kTargetNotValid) {
        static const std::regex kInvalidTarget("Error: [\\s\\S]* is not a valid target\n");
        CHECK(output.compare(0, expected.size(), expected) == 0, what);
        CHECK(std::regex_match(output.substr(expected.size()), kInvalidTarget), what);
    } else if (status == kDone) {
        static const std::regex kWarning("(Warning: Failed to recommend target to Homegroup \\(0x[0-9A-F]{1,8}\\)\n)?");
        const std::string before = expected.substr(0, expected.size() - kEnableLines[5].size() - 1);
        const std::string after = kEnableLines[5] + "\n";
        CHECK(output.size() >= before.size() + after.size(), what);
        CHECK(output.compare(0, before.size(), before) == 0, what);
        CHECK(output.compare(output.size() - after.size(), after.size(), after) == 0, what);
        CHECK(std::regex_match(output.substr(before.size(), output.size() - before.size() - after.size()), kWarning),
              what);
    } else {
        CHECK(output == expected, what);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InputReader input(data, size);
    std::error_code error;
    fs::permissions(ScratchRoot(), fs::perms::owner_all, error);
    for (const auto& entry : fs::directory_iterator(ScratchRoot())) fs::remove_all(entry.path(), error);
    fs::create_directories(ScratchRoot() / "outside" / "folder");
    std::ofstream(ScratchRoot() / "outside" / "file") << "outside";
    std::ofstream(ScratchRoot() / "outside" / "folder" / "inner") << "outside";
    const fs::path targets = ScratchRoot() / "targets";
    const fs::path target = targets / sim::TargetFolderName("\\\\nas\\backups\\");
    for (const char* user : {"jane", "john"}) {
        fs::create_directories(target / user / "PC042" / "Configuration");
        fs::create_directories(target / user / "PC042" / "Data");
        std::ofstream(target / user / "PC042" / "Configuration" / "Config1.xml")
            << sim::BackupConfigurationXml(user, "PC042", 130000000000000000);
        std::ofstream(target / user / "PC042" / "Data" / "report.docx") << "the report of " << user;
    }
    setenv("FHSWITCH_SIM_TARGETS", targets.c_str(), 1);
    setenv("USERNAME", "jane", 1);
    setenv("COMPUTERNAME", "PC042", 1);

    Scenario scenario = MakeScenario(input);
    const std::optional<std::string> localAppData = MakeLocalAppData(input);
    std::string windowsDirectory;  // the configuration directory as fhswitch names it
    std::string directory;         // and as Linux does
    if (localAppData && !localAppData->empty()) {
        windowsDirectory = *localAppData + "\\Microsoft\\Windows\\FileHistory\\Configuration";
        directory = Native(windowsDirectory);
        PopulateConfiguration(input, directory);
    }
    // Arguments: a count byte (0 to 4), then per argument a byte choosing a
    // word or, for 8 and above, a byte string.
    std::vector<std::string> arguments = {"fhswitch"};
    const size_t count = input.Below(5);
    for (size_t i = 0; i < count; ++i) {
        static const char* const kWords[] = {"-E", "-e", "-D", "-d", "/?", "", "-x", "\\\\nas\\backups"};
        const size_t choice = input.Below(16);
        arguments.push_back(choice < 8 ? std::string(kWords[choice]) : input.Bytes());
    }
    // Windows' open answers, a byte each, last, so that earlier seeds keep
    // their meaning (an input read to its end gives the defaults).
    bool configurationHeld = false;
    for (const sim::VariantInfo& variant : sim::kVariants) {
        size_t answers = 0;
        while (answers < variant.answers.size() && !variant.answers[answers].empty()) ++answers;
        const size_t answer = input.Below(answers);
        if (answer == 0) continue;
        scenario.text += sim::VariantSetting(variant.variant, static_cast<sim::Answer>(answer)) + ";";
        configurationHeld = configurationHeld || variant.variant == sim::Variant::HeldConfigurationFile;
    }

    if (localAppData) {
        setenv("LOCALAPPDATA", localAppData->c_str(), 1);
    } else {
        unsetenv("LOCALAPPDATA");
    }
    setenv("FHSWITCH_SIM", scenario.text.c_str(), 1);
    unsetenv("FHSWITCH_SIM_TRACE");
    CHECK(!sim::Reload(), scenario.text);

    const std::map<std::string, Entry> before = Snapshot();
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    testsupport::CapturedStdout captured;
    const int status = Dispatch(static_cast<int>(arguments.size()), argv.data());
    const std::string output = captured.take();
    const std::map<std::string, Entry> after = Snapshot();

    std::string what = "argc " + std::to_string(arguments.size()) + ", FHSWITCH_SIM '" + scenario.text +
                       "', LOCALAPPDATA '" + localAppData.value_or("(unset)") + "', status " +
                       std::to_string(status) + ", output '" + output + "'";

    // The route the command line takes, and what it may print and return.
    const size_t userArguments = arguments.size() - 1;
    bool disabling = false;
    bool enabling = false;
    if (userArguments == 1 && Is(arguments[1], {"-d", "-D"})) {
        disabling = true;
        CHECK(output.empty() && (status == kDone || status == kStopRefused), what);
        CHECK((status == kStopRefused) == scenario.stopRefused, what);
    } else if (userArguments == 1 && Is(arguments[1], {"-e", "-E"})) {
        CHECK(status == kArgumentsRejected && output == "Invaild arguments, please enter backup path..\n", what);
    } else if (userArguments == 1 && arguments[1] == "/?") {
        CHECK(status == kDone && output == "Eneble/Disable Windows File Histroy...\nFor Enable: -E <Network path for "
                                       "backup>\nFor Disable: -D\n",
              what);
    } else if (userArguments == 2 && Is(arguments[1], {"-e", "-E"}) && arguments[2].c_str()[0] == '\0') {
        CHECK(status == kArgumentsRejected && output == "Please provide path for the drive....\n", what);
    } else if (userArguments == 2 && Is(arguments[1], {"-e", "-E"})) {
        enabling = true;
        CheckEnableOutput(status, output, what);
    } else if (userArguments == 1 || userArguments == 2) {
        CHECK(status == kDone && output.empty(), what);
    } else {
        CHECK(status == kArgumentsRejected && output == "invalid Arguments.....\n", what);
    }

    // Files: only the configuration directory's own top-level entries may go
    // (disabling), and only the saved configuration may appear (enabling).
    const auto inConfiguration = [&](const std::string& path) {
        return !directory.empty() && fs::path(path).parent_path() == fs::path(directory);
    };
    const auto onTheWayToConfiguration = [&](const std::string& path) {
        const std::string prefix = path + "/";
        return !directory.empty() && (path == directory || directory.compare(0, prefix.size(), prefix) == 0);
    };
    const auto onTarget = [&](const std::string& path) { return path.rfind(targets.string() + "/", 0) == 0; };
    for (const auto& [path, content] : before) {
        const auto now = after.find(path);
        if (now != after.end() && now->second == content) continue;
        const bool deletable = disabling && !scenario.stopRefused && inConfiguration(path) && now == after.end();
        const bool saved = enabling && inConfiguration(path) &&
                           (fs::path(path).filename() == "Config1.xml" || fs::path(path).filename() == "Config2.xml");
        const bool replacedAsTold = enabling && scenario.freshTargetForced && onTarget(path);
        CHECK(deletable || saved || replacedAsTold, what + " changed: " + path);
    }
    for (const auto& [path, content] : after) {
        if (before.count(path)) continue;
        const bool saved = enabling && inConfiguration(path) &&
                           (fs::path(path).filename() == "Config1.xml" || fs::path(path).filename() == "Config2.xml");
        const bool provisioned = enabling && onTarget(path);
        CHECK(saved || provisioned || (enabling && onTheWayToConfiguration(path)), what + " appeared: " + path);
    }

    // A purge that ran removed every plain, writable file and every link to a
    // file whose path fits (a link to a folder is a folder to Windows).
    const bool purged = disabling && status == kDone && windowsDirectory.size() + 4 < kMaxPath;
    for (const auto& [path, content] : before) {
        if (!purged || !inConfiguration(path)) continue;
        // A file the service holds open stays, as on Windows.
        if (configurationHeld && fs::path(path).filename() == "Config1.xml") continue;
        const bool fits = windowsDirectory.size() + 1 + fs::path(path).filename().string().size() < kMaxPath;
        const bool writableFile = S_ISREG(content.mode) && (content.mode & S_IWUSR);
        if (fits && (writableFile || (S_ISLNK(content.mode) && !content.linkToDirectory))) CHECK(!after.count(path), what + " not purged: " + path);
    }
    return 0;
}
