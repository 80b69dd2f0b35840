// The File History configuration manager (fhcfg.h), declared here because
// mingw-w64 ships no header for it. The method order is the vtable's: ABI.
#pragma once

#include "platform/win_api.h"

enum FH_BACKUP_STATUS : int {
    FH_STATUS_DISABLED = 0,
    FH_STATUS_DISABLED_BY_GP = 1,
    FH_STATUS_ENABLED = 2,
    FH_STATUS_REHYDRATING = 3,
};

enum FH_DEVICE_VALIDATION_RESULT : int {
    FH_ACCESS_DENIED = 0,
    FH_INVALID_DRIVE_TYPE = 1,
    FH_READ_ONLY_PERMISSION = 2,
    FH_CURRENT_DEFAULT = 3,
    FH_NAMESPACE_EXISTS = 4,
    FH_TARGET_PART_OF_LIBRARY = 5,
    FH_VALID_TARGET = 6,
};

enum FH_PROTECTED_ITEM_CATEGORY : int { FH_FOLDER = 0, FH_LIBRARY = 1 };
enum FH_LOCAL_POLICY_TYPE : int { FH_FREQUENCY = 0, FH_RETENTION_TYPE = 1, FH_RETENTION_AGE = 2 };
enum FH_RETENTION_TYPES : int { FH_RETENTION_DISABLED = 0, FH_RETENTION_UNLIMITED = 1, FH_RETENTION_AGE_BASED = 2 };

enum FH_TARGET_PROPERTY_TYPE : int { FH_TARGET_NAME = 0, FH_TARGET_URL = 1, FH_TARGET_DRIVE_TYPE = 2 };

struct IFhScopeIterator;

// The SDK's error header may define them already, as the same numbers.
#ifndef FHCFG_E_CONFIG_FILE_NOT_FOUND
constexpr HRESULT FHCFG_E_CONFIG_FILE_NOT_FOUND = static_cast<HRESULT>(0x80040301);
#endif
#ifndef FHCFG_E_CONFIG_ALREADY_EXISTS
constexpr HRESULT FHCFG_E_CONFIG_ALREADY_EXISTS = static_cast<HRESULT>(0x80040302);
#endif
#ifndef FHCFG_E_TARGET_VERIFICATION_FAILED
constexpr HRESULT FHCFG_E_TARGET_VERIFICATION_FAILED = static_cast<HRESULT>(0x80040306);
#endif

// What GetDefaultTarget answers where no target is assigned:
// HRESULT_FROM_WIN32(ERROR_NOT_FOUND).
constexpr HRESULT kNoTargetAssigned = static_cast<HRESULT>(0x80070490);

// {D87965FD-2BAD-4657-BD3B-9567EB300CED}
inline const IID IID_IFhTarget = {0xD87965FD, 0x2BAD, 0x4657, {0xBD, 0x3B, 0x95, 0x67, 0xEB, 0x30, 0x0C, 0xED}};

// A backup target, as GetDefaultTarget hands it out (the caller releases it).
struct IFhTarget : public IUnknown {
    // The caller frees the string.
    virtual HRESULT STDMETHODCALLTYPE GetStringProperty(FH_TARGET_PROPERTY_TYPE propertyType, BSTR* propertyValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNumericalProperty(FH_TARGET_PROPERTY_TYPE propertyType,
                                                           ULONGLONG* propertyValue) = 0;

protected:
    ~IFhTarget() = default;
};

// {ED43BB3C-09E9-498A-9DF6-2177244C6DB4}
inline const CLSID CLSID_FhConfigMgr = {0xED43BB3C, 0x09E9, 0x498A, {0x9D, 0xF6, 0x21, 0x77, 0x24, 0x4C, 0x6D, 0xB4}};
// {6A5FEA5B-BF8F-4EE5-B8C3-44D8A0D7331C}
inline const IID IID_IFhConfigMgr = {0x6A5FEA5B, 0xBF8F, 0x4EE5, {0xB8, 0xC3, 0x44, 0xD8, 0xA0, 0xD7, 0x33, 0x1C}};

struct IFhConfigMgr : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE LoadConfiguration() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateDefaultConfiguration(BOOL overwriteIfExists) = 0;
    virtual HRESULT STDMETHODCALLTYPE SaveConfiguration() = 0;
    virtual HRESULT STDMETHODCALLTYPE AddRemoveExcludeRule(BOOL add, FH_PROTECTED_ITEM_CATEGORY category,
                                                           BSTR item) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIncludeExcludeRules(BOOL include, FH_PROTECTED_ITEM_CATEGORY category,
                                                             IFhScopeIterator** iterator) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLocalPolicy(FH_LOCAL_POLICY_TYPE policyType, ULONGLONG* policyValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetLocalPolicy(FH_LOCAL_POLICY_TYPE policyType, ULONGLONG policyValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBackupStatus(FH_BACKUP_STATUS* backupStatus) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetBackupStatus(FH_BACKUP_STATUS backupStatus) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDefaultTarget(IFhTarget** defaultTarget) = 0;
    virtual HRESULT STDMETHODCALLTYPE ValidateTarget(BSTR targetUrl,
                                                     FH_DEVICE_VALIDATION_RESULT* validationResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE ProvisionAndSetNewTarget(BSTR targetUrl, BSTR targetName) = 0;
    virtual HRESULT STDMETHODCALLTYPE ChangeDefaultTargetRecommendation(BOOL recommend) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryProtectionStatus(DWORD* protectionState, BSTR* protectedUntilTime) = 0;

protected:
    ~IFhConfigMgr() = default;
};
