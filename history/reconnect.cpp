#include "history/reconnect.h"

#include <optional>
#include <string>
#include <vector>

#include "history/target_scan.h"
#include "platform/com.h"
#include "platform/fh_reassociation.h"
#include "platform/fh_service.h"

namespace {

// The user's backups blocked while the owner lives, on a pipe of its own, so
// that the configuration and data files are not in use while they are
// reassociated (Microsoft's page on FhServiceBlockBackup). When it goes:
// unblocked, then the pipe closed. Closing the pipe unblocks them too, so
// the unblock's own result does not matter.
class BlockedBackups {
public:
    HRESULT Block() {
        const HRESULT opened = pipe_.Open(TRUE);
        if (FAILED(opened)) return opened;
        const HRESULT blocked = FhServiceBlockBackup(pipe_.get());
        blocked_ = SUCCEEDED(blocked);
        return blocked;
    }
    ~BlockedBackups() {
        if (blocked_) FhServiceUnblockBackup(pipe_.get());
    }

private:
    UniqueServicePipe pipe_;
    bool blocked_ = false;
};

// Of the configurations the scan found, the index of the most recent one of
// this user on this PC; nothing when there is none, or a failure.
HRESULT FindThisUsersOnThisPc(IFhReassociation* reassociation, std::optional<DWORD>* found) {
    std::vector<ScannedConfiguration> configurations;
    const HRESULT listed = ListScannedConfigurations(reassociation, &configurations);
    if (FAILED(listed)) return listed;
    for (DWORD index = 0; index < configurations.size(); ++index) {
        const ScannedConfiguration& candidate = configurations[index];
        if (candidate.thisUsersOnThisPc && (!*found || candidate.backupTime > configurations[**found].backupTime)) {
            *found = index;
        }
    }
    return S_OK;
}

// The scanned target's configuration of this user on this PC made the
// user's: validated, scanned, found, selected, reassociated.
HRESULT Reassociate(IFhReassociation* reassociation, BSTR targetUrl) {
    FH_DEVICE_VALIDATION_RESULT validation = FH_ACCESS_DENIED;
    HRESULT result = reassociation->ValidateTarget(targetUrl, &validation);
    // A target the reassociation finds unusable is not scanned.
    const bool usable = validation == FH_NAMESPACE_EXISTS || validation == FH_VALID_TARGET;
    if (SUCCEEDED(result) && !usable) result = FHCFG_E_TARGET_VERIFICATION_FAILED;
    if (SUCCEEDED(result)) result = reassociation->ScanTargetForConfigurations(targetUrl);
    std::optional<DWORD> found;
    if (SUCCEEDED(result)) result = FindThisUsersOnThisPc(reassociation, &found);
    if (SUCCEEDED(result) && !found) result = kNoSuchConfiguration;
    if (SUCCEEDED(result)) result = reassociation->SelectConfiguration(*found);
    // TRUE: the fresh default made at the start gives way to the selected configuration.
    if (SUCCEEDED(result)) result = reassociation->PerformReassociation(TRUE);
    return result;
}

HRESULT ReassociateWithBackupsBlocked(BSTR targetUrl) {
    BlockedBackups blocked;
    const HRESULT result = blocked.Block();
    if (FAILED(result)) return result;
    // Declared after the block, so that it is released before backups are unblocked.
    ComPtr<IFhReassociation> reassociation;
    const HRESULT created = CoCreateInstance(CLSID_FhReassociation, nullptr, CLSCTX_INPROC_SERVER,
                                             IID_IFhReassociation, reassociation.put_void());
    return FAILED(created) ? created : Reassociate(reassociation.get(), targetUrl);
}

}  // namespace

HRESULT ReconnectToEarlierBackup(ComPtr<IFhConfigMgr>* manager, BSTR targetUrl) {
    const HRESULT reassociated = ReassociateWithBackupsBlocked(targetUrl);
    if (FAILED(reassociated)) return reassociated;
    // Saved, the fresh default the first manager holds would replace the
    // reconnected configuration; and a manager that has a configuration may
    // refuse to load another.
    manager->reset();
    const HRESULT created = CoCreateInstance(CLSID_FhConfigMgr, nullptr, CLSCTX_INPROC_SERVER, IID_IFhConfigMgr,
                                             manager->put_void());
    return FAILED(created) ? created : (*manager)->LoadConfiguration();
}
