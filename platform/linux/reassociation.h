// The simulated reassociation, the COM object behind CLSID_FhReassociation on
// Linux: IFhReassociation's shell around the simulation's behaviour.
#pragma once

#include "platform/fh_reassociation.h"

// A new reassociation object holding one reference, for CoCreateInstance to hand out.
IFhReassociation* NewSimulatedReassociation();
