// The owning pointer for COM interfaces, for the components and the
// application alike: one counted reference per pointer held, released when
// the pointer lets go. Copies take a reference of their own.
#pragma once
#include <unknwn.h>
#include <cstddef>
#include <utility>

namespace com {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference on p.
    explicit ComPtr(T *p) : ptr_(p)
    {
        if (ptr_)
            ptr_->AddRef();
    }
    // Takes over the reference the caller owns (e.g. of a new object).
    static ComPtr adopt(T *p)
    {
        ComPtr result;
        result.ptr_ = p;
        return result;
    }
    ComPtr(const ComPtr &other) : ComPtr(other.ptr_) {}
    ComPtr(ComPtr &&other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ComPtr &operator=(ComPtr other) noexcept
    {
        std::swap(ptr_, other.ptr_);
        return *this;
    }
    ~ComPtr() { reset(); }

    void reset()
    {
        if (auto *p = std::exchange(ptr_, nullptr))
            p->Release();
    }
    T *get() const { return ptr_; }
    T *operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    // Hands the reference to the caller.
    T *detach() { return std::exchange(ptr_, nullptr); }
    // Releases what is held and answers the slot for an out parameter.
    T **put()
    {
        reset();
        return &ptr_;
    }
    void **put_void() { return reinterpret_cast<void **>(put()); }

    // The same object's interface U, or nothing, with the failure in *result
    // when asked for (E_POINTER when nothing is held).
    template <class U>
    ComPtr<U> as(HRESULT *result = nullptr) const
    {
        ComPtr<U> other;
        const HRESULT hr = ptr_ ? ptr_->QueryInterface(__uuidof(U), other.put_void()) : E_POINTER;
        if (result)
            *result = hr;
        return other;
    }

private:
    T *ptr_ = nullptr;
};

// Two interface pointers belong to one object when their IUnknown pointers are equal.
template <class A, class B>
bool same_object(A *a, B *b)
{
    if (!a || !b)
        return false;
    return ComPtr<A>(a).template as<IUnknown>().get() == ComPtr<B>(b).template as<IUnknown>().get();
}

} // namespace com
