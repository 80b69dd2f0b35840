#include "history/target_scan.h"

#include "history/target_url.h"
#include "platform/com.h"
#include "platform/identity.h"
#include "platform/text.h"
#include "platform/utf16.h"

namespace {

// Names the call that failed, and returns the status the scan ends with.
int Failing(TargetScan* scan, const char* call, HRESULT result, int status) {
    scan->failure = std::string(call) + " 0x" + HexDigits(result, 8);
    return status;
}

}  // namespace

HRESULT ListScannedConfigurations(IFhReassociation* reassociation, std::vector<ScannedConfiguration>* found) {
    for (DWORD index = 0;; ++index) {
        UniqueBstr userName;
        UniqueBstr pcName;
        FILETIME backupTime = {0, 0};
        const HRESULT details =
            reassociation->GetConfigurationDetails(index, userName.put(), pcName.put(), &backupTime);
        if (details == kNoSuchConfiguration) return S_OK;  // past the last
        if (FAILED(details)) return details;
        ScannedConfiguration configuration{BstrToUtf8(userName.get()), BstrToUtf8(pcName.get()),
                                           static_cast<ULONGLONG>(backupTime.dwHighDateTime) << 32 |
                                               backupTime.dwLowDateTime,
                                           false};
        configuration.thisUsersOnThisPc = IsThisUserOnThisPc(configuration.userName, configuration.pcName);
        found->push_back(std::move(configuration));
    }
}

int ScanTarget(const std::string& target, TargetScan* scan) {
    const std::vector<WCHAR> url = TargetUrl(ToUtf16(target).data());
    scan->targetUrl = ToUtf8(WideStringView(url.data()));
    const UniqueBstr targetUrl(SysAllocString(url.data()));

    const ComApartment apartment(COINIT_APARTMENTTHREADED);
    if (!apartment) return Failing(scan, "CoInitializeEx", apartment.result(), kStateComUnavailable);
    // Declared after the apartment, so that it is released before the apartment is left.
    ComPtr<IFhReassociation> reassociation;
    const HRESULT created = CoCreateInstance(CLSID_FhReassociation, nullptr, CLSCTX_INPROC_SERVER,
                                             IID_IFhReassociation, reassociation.put_void());
    if (FAILED(created)) return Failing(scan, "CoCreateInstance.FhReassociation", created, kStateUnreadable);

    FH_DEVICE_VALIDATION_RESULT validation = FH_ACCESS_DENIED;
    const HRESULT validated = reassociation->ValidateTarget(targetUrl.get(), &validation);
    if (FAILED(validated)) return Failing(scan, "FhReassociation.ValidateTarget", validated, kStateUnreadable);
    scan->validation = validation;
    // A target the reassociation finds unusable is not scanned, as enabling does.
    if (validation != FH_NAMESPACE_EXISTS && validation != FH_VALID_TARGET) return 0;

    const HRESULT scanned = reassociation->ScanTargetForConfigurations(targetUrl.get());
    std::vector<ScannedConfiguration> found;
    // A target that holds none answers so.
    if (scanned != kNoSuchConfiguration) {
        if (FAILED(scanned)) return Failing(scan, "FhReassociation.ScanTargetForConfigurations", scanned, kStateUnreadable);
        const HRESULT listed = ListScannedConfigurations(reassociation.get(), &found);
        if (FAILED(listed)) return Failing(scan, "FhReassociation.GetConfigurationDetails", listed, kStateUnreadable);
    }
    scan->configurations = std::move(found);
    return 0;
}  // On every path: the reassociation released, then the apartment left.
