#include "platform/sim/settings.h"

#include <algorithm>
#include <limits>

namespace sim {
namespace {

int DigitValue(char c, int base) {
    int value = base;
    if (c >= '0' && c <= '9') value = c - '0';
    if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
    return value < base ? value : -1;
}

// "0x" and one to eight hex digits: an HRESULT's, or a state's, 32 bits.
std::optional<HRESULT> ParseHresult(std::string_view text) {
    if (text.size() < 3 || text.size() > 10 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) {
        return std::nullopt;
    }
    std::uint32_t bits = 0;
    for (char c : text.substr(2)) {
        const int digit = DigitValue(c, 16);
        if (digit < 0) return std::nullopt;
        bits = bits << 4 | static_cast<std::uint32_t>(digit);
    }
    return static_cast<HRESULT>(bits);
}

// A decimal 32-bit signed value.
std::optional<std::int32_t> ParseDecimal(std::string_view text) {
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) text.remove_prefix(1);
    if (text.empty() || text.size() > 10) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        const int digit = DigitValue(c, 10);
        if (digit < 0) return std::nullopt;
        value = value * 10 + digit;
    }
    if (negative) value = -value;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

bool Apply(std::string_view name, std::string_view value, Settings& settings) {
    if (name == "GetBackupStatus.status" || name == "ValidateTarget.result") {
        const std::optional<std::int32_t> number = ParseDecimal(value);
        if (!number) return false;
        (name == "GetBackupStatus.status" ? settings.backupStatus : settings.validationResult) = number;
        return true;
    }
    if (name == "QueryProtectionStatus.state") {
        const std::optional<HRESULT> bits = ParseHresult(value);
        if (!bits) return false;
        settings.protectionState = static_cast<std::uint32_t>(*bits);
        return true;
    }
    if (const VariantInfo* variant = VariantNamed(name)) {
        for (size_t answer = 0; answer < variant->answers.size(); ++answer) {
            if (!variant->answers[answer].empty() && variant->answers[answer] == value) {
                settings.answers[variant->variant] = static_cast<int>(answer);
                return true;
            }
        }
        return false;
    }
    const CallInfo* call = CallNamed(name);
    if (call == nullptr || !call->settable) return false;
    const std::optional<HRESULT> result = ParseHresult(value);
    if (!result) return false;
    settings.results[call->call] = *result;
    return true;
}

}  // namespace

HRESULT Settings::ResultOf(Call call) const {
    const auto found = results.find(call);
    return found == results.end() ? S_OK : found->second;
}

int Settings::AnswerOf(Variant variant) const {
    const auto found = answers.find(variant);
    return found == answers.end() ? 0 : found->second;
}

std::optional<Settings> ParseSettings(std::string_view text, std::string* badSetting) {
    Settings settings;
    while (!text.empty()) {
        const size_t end = std::min(text.find(';'), text.size());
        const std::string_view setting = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (setting.empty()) continue;  // tolerate ";;" and a trailing ';'
        const size_t equals = setting.find('=');
        if (equals == std::string_view::npos ||
            !Apply(setting.substr(0, equals), setting.substr(equals + 1), settings)) {
            *badSetting = std::string(setting);
            return std::nullopt;
        }
    }
    return settings;
}

}  // namespace sim
