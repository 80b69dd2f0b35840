// What a target holds: the File History configurations that
// IFhReassociation finds there, read and never selected or reassociated, for
// fhstatus /scan and for the reconnection alike.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "history/state.h"
#include "platform/fh_reassociation.h"

struct ScannedConfiguration {
    std::string userName;  // UTF-8, as the configuration names them
    std::string pcName;
    ULONGLONG backupTime;  // a FILETIME's ticks, UTC
    bool thisUsersOnThisPc;
};

// Every configuration a scan found, in the reassociation's order.
HRESULT ListScannedConfigurations(IFhReassociation* reassociation, std::vector<ScannedConfiguration>* found);

struct TargetScan {
    std::string targetUrl;  // UTF-8, ending in a backslash
    std::optional<FH_DEVICE_VALIDATION_RESULT> validation;
    std::optional<std::vector<ScannedConfiguration>> configurations;  // scanned only where validation allows
    std::string failure;  // the first call that failed and its HRESULT; "" if none
};

// Validates and scans the target (UTF-8) through IFhReassociation. Returns 0
// when it was read, kStateUnreadable when a call failed, kStateComUnavailable.
int ScanTarget(const std::string& target, TargetScan* scan);
