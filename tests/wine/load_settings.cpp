#include "tests/wine/load_settings.h"

#include <string>

#include "platform/sim/state.h"

void LoadSimulationSettingsOrExit() {
    if (const auto problem = sim::Reload()) {
        const std::string line = "fhswitch: " + *problem + "\r\n";
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        ExitProcess(sim::kBadSettingsStatus);
    }
}
