// The simulated File History's settings: what FHSWITCH_SIM says each
// simulated call returns.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/sim/calls.h"
#include "platform/sim/variants.h"
#include "platform/win_api.h"

namespace sim {

// Exit status of a process whose FHSWITCH_SIM cannot be read; no other path uses it.
constexpr int kBadSettingsStatus = 90;

struct Settings {
    std::map<Call, HRESULT> results;              // absent means S_OK
    std::optional<std::int32_t> backupStatus;             // GetBackupStatus.status
    std::optional<std::int32_t> validationResult;         // ValidateTarget.result
    std::optional<std::uint32_t> protectionState;         // QueryProtectionStatus.state, in hex (0x111)
    std::map<Variant, int> answers;                       // absent means the first answer

    HRESULT ResultOf(Call call) const;
    int AnswerOf(Variant variant) const;
};

// Parses "NAME=VALUE;NAME=VALUE". On a malformed or unknown setting returns
// nothing and puts the offending setting into *badSetting.
std::optional<Settings> ParseSettings(std::string_view text, std::string* badSetting);

}  // namespace sim
