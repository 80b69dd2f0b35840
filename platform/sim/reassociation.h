// The simulated File History reassociation, on plain types, for the Linux
// class and the Windows stand-in alike. Each call returns what FHSWITCH_SIM
// sets for it (S_OK otherwise) and traces itself. It keeps the order
// Microsoft documents: details and a selection only after a scan, the
// reassociation only after a selection; a call out of that order fails with
// E_UNEXPECTED.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/targets.h"
#include "platform/win_api.h"

namespace sim {

class Reassociation {
public:
    HRESULT ValidateTarget(const std::optional<std::string>& target, std::int32_t* validationResult);
    HRESULT ScanTargetForConfigurations(const std::optional<std::string>& target);
    // On success the names and the time of the index'th configuration found.
    HRESULT GetConfigurationDetails(DWORD index, std::string* userName, std::string* pcName,
                                    std::uint64_t* backupTime);
    HRESULT SelectConfiguration(DWORD index);
    HRESULT PerformReassociation(BOOL overwriteIfExists);
    void TraceRelease();

private:
    std::optional<std::string> scannedTarget_;
    std::vector<BackupOnTarget> found_;
    std::optional<DWORD> selected_;
};

}  // namespace sim
