// COM and automation strings, with owners that release on every path.
#pragma once

#include <utility>

#include "platform/win_api.h"

// Owns a BSTR; frees it when the owner goes.
class UniqueBstr {
public:
    explicit UniqueBstr(BSTR text) : text_(text) {}
    UniqueBstr(const UniqueBstr&) = delete;
    UniqueBstr& operator=(const UniqueBstr&) = delete;
    ~UniqueBstr() { SysFreeString(text_); }

    BSTR get() const { return text_; }

private:
    BSTR text_;
};

// Owns one reference to a COM interface.
template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() {
        if (pointer_ != nullptr) pointer_->Release();
    }

    Interface* operator->() const { return pointer_; }
    Interface* get() const { return pointer_; }
    // For out parameters of the CoCreateInstance kind; the owner must be empty.
    void** put_void() { return reinterpret_cast<void**>(&pointer_); }

private:
    Interface* pointer_ = nullptr;
};

// The calling thread's membership of a COM apartment: entered on construction,
// left (CoUninitialize) on destruction if entering succeeded, S_FALSE included.
class ComApartment {
public:
    explicit ComApartment(DWORD concurrencyModel)
        : entered_(SUCCEEDED(CoInitializeEx(nullptr, concurrencyModel))) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (entered_) CoUninitialize();
    }

    bool entered() const { return entered_; }

private:
    bool entered_;
};
