// File History's reassociation (fhcfg.h): reconnecting the user to a backup
// that a target holds already, as Windows' settings do when they offer "use
// previous backups". Declared here because mingw-w64 ships no header for it.
// The method order is the vtable's: ABI.
#pragma once

#include "platform/fh_config.h"
#include "platform/win_api.h"

// What ScanTargetForConfigurations answers for a target holding none, and
// GetConfigurationDetails past the last: HRESULT_FROM_WIN32(ERROR_NOT_FOUND).
constexpr HRESULT kNoSuchConfiguration = static_cast<HRESULT>(0x80070490);

// {4D728E35-16FA-4320-9E8B-BFD7100A8846}
inline const CLSID CLSID_FhReassociation = {0x4D728E35, 0x16FA, 0x4320, {0x9E, 0x8B, 0xBF, 0xD7, 0x10, 0x0A, 0x88, 0x46}};
// {6544A28A-F68D-47AC-91EF-16B2B36AA3EE}
inline const IID IID_IFhReassociation = {0x6544A28A, 0xF68D, 0x47AC, {0x91, 0xEF, 0x16, 0xB2, 0xB3, 0x6A, 0xA3, 0xEE}};

struct IFhReassociation : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE ValidateTarget(BSTR targetUrl,
                                                     FH_DEVICE_VALIDATION_RESULT* validationResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE ScanTargetForConfigurations(BSTR targetUrl) = 0;
    // Zero-based; the caller frees both names.
    virtual HRESULT STDMETHODCALLTYPE GetConfigurationDetails(DWORD index, BSTR* userName, BSTR* pcName,
                                                              FILETIME* backupTime) = 0;
    virtual HRESULT STDMETHODCALLTYPE SelectConfiguration(DWORD index) = 0;
    virtual HRESULT STDMETHODCALLTYPE PerformReassociation(BOOL overwriteIfExists) = 0;

protected:
    ~IFhReassociation() = default;
};
