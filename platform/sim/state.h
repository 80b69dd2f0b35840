// What drives the simulated File History in this process: the settings from
// FHSWITCH_SIM and the trace file named by FHSWITCH_SIM_TRACE.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "platform/sim/calls.h"
#include "platform/sim/settings.h"
#include "platform/win_api.h"

namespace sim {

// Reads both variables again. On a bad FHSWITCH_SIM returns the message to
// report (and keeps the previous settings).
std::optional<std::string> Reload();

const Settings& CurrentSettings();

// Appends one line to the trace file, if there is one: the call's name and
// the fields, joined by tabs.
void Trace(Call call, std::initializer_list<std::string_view> fields);

// Trace field forms.
std::string HresultField(HRESULT result);  // 0x and eight upper-case hex digits
std::string NumberField(long long value);
std::string GuidField(const GUID& guid);  // {ED43BB3C-09E9-498A-9DF6-2177244C6DB4}

}  // namespace sim
