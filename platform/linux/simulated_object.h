// IUnknown for the simulated COM objects: one interface and IUnknown,
// a reference count, and the behaviour's release traced; and the BSTRs their
// out parameters hand back.
#pragma once

#include <string>

#include "platform/utf16.h"
#include "platform/win_api.h"

// A new BSTR of the UTF-8 text, for an out parameter that the caller frees.
inline BSTR NewBstr(const std::string& text) { return SysAllocString(ToUtf16(text).data()); }

template <typename Interface, const IID& kInterfaceId, typename Behaviour>
class SimulatedObject : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (!(iid == kInterfaceId || iid == IID_IUnknown)) return E_NOINTERFACE;  // as COM requires of every object
        *object = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        behaviour_.TraceRelease();
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

protected:
    virtual ~SimulatedObject() = default;

    Behaviour behaviour_;

private:
    ULONG references_ = 1;
};
