// How the two shells around the simulation (the Linux COM classes and the
// Windows stand-in) hand a call's answers to its out parameters: only on
// success, BSTRs the caller frees, and the call's own result returned as it
// is (a success code FHSWITCH_SIM sets, S_FALSE included). Inline, so that
// each shell's own SysAllocString makes the BSTRs.
#pragma once

#include <cstdint>
#include <string>

#include "platform/utf16.h"
#include "platform/win_api.h"

namespace sim {

inline BSTR NewBstr(const std::string& text) { return SysAllocString(ToUtf16(text).data()); }

inline HRESULT HandOutText(HRESULT result, const std::string& text, BSTR* out) {
    if (SUCCEEDED(result)) *out = NewBstr(text);
    return result;
}

// A configuration's names and its backup time (a FILETIME's ticks).
inline HRESULT HandOutDetails(HRESULT result, const std::string& user, const std::string& pc, std::uint64_t time,
                              BSTR* userName, BSTR* pcName, FILETIME* backupTime) {
    if (FAILED(result)) return result;
    *userName = NewBstr(user);
    *pcName = NewBstr(pc);
    backupTime->dwLowDateTime = static_cast<DWORD>(time);
    backupTime->dwHighDateTime = static_cast<DWORD>(time >> 32);
    return result;
}

}  // namespace sim
