// The one way fhswitch owns a platform resource, after WIL's unique_any: an
// owner frees what it holds when it goes, and says so in one vocabulary:
// get(), put(), reset(), release(), explicit bool, moves. Traits name the
// type, its empty value and how it is freed.
#pragma once

#include <utility>

template <typename Traits>
class UniqueAny {
public:
    using Type = typename Traits::Type;

    UniqueAny() = default;
    explicit UniqueAny(Type value) : value_(value) {}
    UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    ~UniqueAny() { reset(); }

    Type get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::Empty(); }
    // Frees what is held, and holds value instead.
    void reset(Type value = Traits::Empty()) {
        const Type old = std::exchange(value_, value);
        if (old != Traits::Empty()) Traits::Free(old);
    }
    // Frees what is held, for an out parameter to fill.
    Type* put() {
        reset();
        return &value_;
    }
    // Gives up what is held without freeing it.
    Type release() { return std::exchange(value_, Traits::Empty()); }

private:
    Type value_ = Traits::Empty();
};
