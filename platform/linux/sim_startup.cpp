// The simulated components read their settings when the program is loaded,
// as the Windows stand-ins do when their libraries are: a bad FHSWITCH_SIM
// stops the program before it does anything.
#include <cstdio>
#include <cstdlib>

#include "platform/sim/state.h"

namespace {

[[gnu::constructor]] void LoadSimulationSettings() {
    if (const auto problem = sim::Reload()) {
        std::fprintf(stderr, "fhswitch: %s\n", problem->c_str());
        std::_Exit(sim::kBadSettingsStatus);
    }
}

}  // namespace
