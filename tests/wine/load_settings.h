// Both stand-ins read FHSWITCH_SIM when they are loaded; a bad setting stops
// the process there, before the program has done anything.
#pragma once

void LoadSimulationSettingsOrExit();
