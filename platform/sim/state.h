// What drives the simulated File History in this process: the settings from
// FHSWITCH_SIM, the trace file named by FHSWITCH_SIM_TRACE, and the folder
// of simulated targets named by FHSWITCH_SIM_TARGETS.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "platform/sim/calls.h"
#include "platform/sim/settings.h"
#include "platform/win_api.h"

namespace sim {

// Reads the variables again. On a bad FHSWITCH_SIM returns the message to
// report (and keeps the previous settings).
std::optional<std::string> Reload();

const Settings& CurrentSettings();

// The folder that holds the simulated targets, as Windows names it: without
// FHSWITCH_SIM_TARGETS, one in the temporary folder.
const std::string& TargetsRoot();

// Appends one line to the trace file, if there is one: the call's name and
// the fields, joined by tabs.
void Trace(Call call, std::initializer_list<std::string_view> fields);

// Trace field forms.
std::string HresultField(HRESULT result);  // 0x and eight upper-case hex digits
std::string NumberField(long long value);
std::string GuidField(const GUID& guid);  // {ED43BB3C-09E9-498A-9DF6-2177244C6DB4}

}  // namespace sim
