// The simulated configuration manager, the COM object behind CLSID_FhConfigMgr
// on Linux: IFhConfigMgr's shell around the simulation's behaviour.
#pragma once

#include "platform/fh_config.h"

// A new manager holding one reference, for CoCreateInstance to hand out.
IFhConfigMgr* NewSimulatedConfigManager();
