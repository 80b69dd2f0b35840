// COM and automation strings, with owners that release on every path.
#pragma once

#include "platform/unique.h"
#include "platform/win_api.h"

struct BstrTraits {
    using Type = BSTR;
    static Type Empty() { return nullptr; }
    static void Free(Type text) { SysFreeString(text); }
};
// Owns a BSTR.
using UniqueBstr = UniqueAny<BstrTraits>;

template <typename Interface>
struct ComReferenceTraits {
    using Type = Interface*;
    static Type Empty() { return nullptr; }
    static void Free(Type pointer) { pointer->Release(); }
};

// Owns one reference to a COM interface.
template <typename Interface>
class ComPtr : public UniqueAny<ComReferenceTraits<Interface>> {
public:
    using UniqueAny<ComReferenceTraits<Interface>>::UniqueAny;

    Interface* operator->() const { return this->get(); }
    // For out parameters of the CoCreateInstance kind: releases what is held first.
    void** put_void() { return reinterpret_cast<void**>(this->put()); }
};

// The calling thread's membership of a COM apartment: entered on
// construction, left (CoUninitialize) when the owner goes if entering
// succeeded, S_FALSE included. True while entered; result() is what
// entering answered.
class ComApartment {
public:
    explicit ComApartment(DWORD concurrencyModel)
        : result_(CoInitializeEx(nullptr, concurrencyModel)), entered_(SUCCEEDED(result_)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() { reset(); }

    explicit operator bool() const { return entered_; }
    HRESULT result() const { return result_; }
    // Leaves the apartment now, if entered.
    void reset() {
        if (entered_) CoUninitialize();
        entered_ = false;
    }

private:
    HRESULT result_;
    bool entered_;
};
