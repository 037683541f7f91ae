// One counted reference on a COM interface, released when the holder drops it.
// Copies take a reference of their own, so that a form's roll-back, which
// copies and restores the objects' state, keeps the counts right.
#ifndef ZOTANGRAM_COM_REF_HPP
#define ZOTANGRAM_COM_REF_HPP

#include <unknwn.h>

#include <cstddef>
#include <utility>

#include "zo/class_info.hpp"

namespace zotangram {

template <class T>
class ComRef {
public:
    ComRef() = default;
    ComRef(std::nullptr_t) {}
    ComRef(const ComRef &other) : pointer_(other.pointer_) { add_ref(); }
    ComRef(ComRef &&other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComRef &operator=(ComRef other) noexcept
    {
        std::swap(pointer_, other.pointer_);
        return *this;
    }
    ~ComRef() { reset(); }

    void reset()
    {
        if (T *held = std::exchange(pointer_, nullptr))
            held->Release();
    }
    T *get() const { return pointer_; }
    T *operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // The slot an out parameter fills; what was held is released first.
    T **put()
    {
        reset();
        return &pointer_;
    }
    void **put_void() { return reinterpret_cast<void **>(put()); }

    // The same object's interface U, or nothing with the failure in *result.
    template <class U>
    ComRef<U> query(HRESULT *result = nullptr) const
    {
        ComRef<U> other;
        const HRESULT hr = pointer_ ? pointer_->QueryInterface(__uuidof(U), other.put_void()) : E_POINTER;
        if (result)
            *result = hr;
        return other;
    }

private:
    void add_ref()
    {
        if (pointer_)
            pointer_->AddRef();
    }

    T *pointer_ = nullptr;
};

} // namespace zotangram

// An interface held by an application object is a POINTER attribute: forms may read it.
template <class T>
struct zo::KindOf<zotangram::ComRef<T>> {
    static_assert(sizeof(zotangram::ComRef<T>) == sizeof(void *), "stored as one address");
    static Formal formal() { return {Storage::Pointer, &pointer_class}; }
};

#endif
