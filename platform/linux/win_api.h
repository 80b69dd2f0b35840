// The Windows names fhswitch uses, with the Windows sizes, so that the same
// sources build on Linux against the simulated File History.
#pragma once

#include <cstdint>

// Basic types. HRESULT must stay 32 bits (long is 64 here) so that failure
// codes such as 0x80040302 compare as on Windows.
using HRESULT = std::int32_t;
using BOOL = std::int32_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using ULONG = std::uint32_t;
using ULONGLONG = std::uint64_t;
using WCHAR = char16_t;  // UTF-16 code units, as on Windows
using BSTR = WCHAR*;
using HANDLE = void*;

// 100-nanosecond intervals since 1601, in two halves.
struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;
constexpr UINT CP_UTF8 = 65001;
constexpr DWORD MAX_PATH = 260;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154);

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

#define STDMETHODCALLTYPE
#define WINAPI

// COM.
struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
using CLSID = GUID;
using IID = GUID;
using REFCLSID = const GUID&;
using REFIID = const GUID&;

inline bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i) {
        if (a.Data4[i] != b.Data4[i]) return false;
    }
    return true;
}

// {00000000-0000-0000-C000-000000000046}
inline const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

protected:
    ~IUnknown() = default;  // lifetime is reference-counted, never deleted through this
};

constexpr DWORD COINIT_APARTMENTTHREADED = 2;
constexpr DWORD CLSCTX_INPROC_SERVER = 1;

HRESULT CoInitializeEx(void* reserved, DWORD coInit);
void CoUninitialize();
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** object);

// Automation strings.
BSTR SysAllocString(const WCHAR* text);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);

// Text decoding.
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* source, int sourceLength, WCHAR* target,
                        int targetCapacity);

// Directory searches: the handle a search is closed with.
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
BOOL FindClose(HANDLE search);
