#pragma once
// Counted and non-counted object references. A null Ref is Nothing: using it
// raises error 91 as the run-time did.
#include <compare>
#include <cstdint>
#include <memory>
#include <type_traits>

#include "automation/Error.h"

namespace Platform::Automation {

[[noreturn]] void raiseObjectNotSet();

template <class T> class Ref {
public:
    Ref() = default;
    Ref(std::nullptr_t) {}
    Ref(std::shared_ptr<T> p) : p_(std::move(p)) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    Ref(const Ref<U>& other) : p_(other.shared()) {}

    T* operator->() const {
        if (!p_)
            raiseObjectNotSet();
        return p_.get();
    }
    T& operator*() const { return *operator->(); }

    bool isNothing() const noexcept { return !p_; }
    explicit operator bool() const noexcept { return static_cast<bool>(p_); }
    T* get() const noexcept { return p_.get(); }
    const std::shared_ptr<T>& shared() const noexcept { return p_; }
    void reset() noexcept { p_.reset(); }

    // The interface query: Nothing when the object does not implement U.
    template <class U> Ref<U> as() const { return Ref<U>(std::dynamic_pointer_cast<U>(p_)); }

    // The object's identity as the automation layer shows it: the address of
    // the whole object, so that two interfaces of one object compare equal.
    uintptr_t identity() const noexcept {
        if constexpr (std::is_polymorphic_v<T>)
            return reinterpret_cast<uintptr_t>(dynamic_cast<const void*>(p_.get()));
        else
            return reinterpret_cast<uintptr_t>(p_.get());
    }

    template <class U> bool operator==(const Ref<U>& other) const noexcept {
        return identity() == other.identity();
    }
    bool operator==(std::nullptr_t) const noexcept { return !p_; }

private:
    std::shared_ptr<T> p_;
};

// A back reference that does not keep its target alive and reads Nothing once
// the target is gone.
template <class T> class WeakRef {
public:
    WeakRef() = default;
    WeakRef(std::nullptr_t) {}
    template <class U> WeakRef(const Ref<U>& target) : p_(target.shared()) {}

    Ref<T> lock() const { return Ref<T>(p_.lock()); }
    bool isNothing() const noexcept { return p_.expired(); }
    void reset() noexcept { p_.reset(); }

private:
    std::weak_ptr<T> p_;
};

// Creates an automation object; every object lives behind a Ref.
template <class T, class... Args> Ref<T> New(Args&&... args) {
    return Ref<T>(std::make_shared<T>(std::forward<Args>(args)...));
}

} // namespace Platform::Automation
