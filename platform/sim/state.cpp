#include "platform/sim/state.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/sim/native_path.h"

namespace sim {
namespace {

struct State {
    Settings settings;
    std::string tracePath;
    std::string targetsRoot;
};

State& Current() {
    static State state;
    return state;
}

}  // namespace

std::optional<std::string> Reload() {
    const char* text = std::getenv("FHSWITCH_SIM");
    const char* trace = std::getenv("FHSWITCH_SIM_TRACE");
    const char* targets = std::getenv("FHSWITCH_SIM_TARGETS");
    std::string badSetting;
    std::optional<Settings> settings = ParseSettings(text ? text : "", &badSetting);
    if (!settings) return "FHSWITCH_SIM: bad setting '" + badSetting + "'";
    Current().settings = std::move(*settings);
    ForgetHeldFiles();
    Current().tracePath = trace ? trace : "";
    std::error_code noTemporaryFolder;
    Current().targetsRoot = targets && *targets ? std::string(targets)
                            : (std::filesystem::temp_directory_path(noTemporaryFolder) / "fhswitch-targets").string();
    return std::nullopt;
}

const Settings& CurrentSettings() { return Current().settings; }

const std::string& TargetsRoot() { return Current().targetsRoot; }

void Trace(Call call, std::initializer_list<std::string_view> fields) {
    const std::string& path = Current().tracePath;
    if (path.empty()) return;
    std::string line(NameOf(call));
    for (std::string_view field : fields) {
        line += '\t';
        line += field;
    }
    line += '\n';
    // Opened per line, in append mode, so that every component of the process
    // (the executable and the stand-in libraries) adds to the same file in order.
    if (std::FILE* file = std::fopen(path.c_str(), "ab")) {
        std::fwrite(line.data(), 1, line.size(), file);
        std::fclose(file);
    }
}

std::string HresultField(HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
    return text;
}

std::string NumberField(long long value) { return std::to_string(value); }

std::string GuidField(const GUID& guid) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                  guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

}  // namespace sim
