// IUnknown for the simulated COM objects: one interface and IUnknown,
// a reference count, and the behaviour's release traced.
#pragma once

#include "platform/win_api.h"

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
