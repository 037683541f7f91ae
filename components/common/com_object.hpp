// Reference counting, interface lookup and the class factory shared by the
// Tangram component DLLs. Each DLL links its own copy, so the count of live
// objects that DllCanUnloadNow answers is per DLL.
#pragma once
#include <windows.h>
#include <unknwn.h>
#include <new>
#include <utility>

namespace tangram {

// Objects and server locks alive in this DLL.
long& module_use_count();
// The DLL this code is linked into.
HMODULE this_module();

// Implements IUnknown for a class that implements the listed interfaces.
// IUnknown is answered through the first interface, so identity holds.
template <class First, class... Rest>
class Implements : public First, public Rest... {
public:
    Implements() { InterlockedIncrement(&module_use_count()); }
    Implements(const Implements&) = delete;
    Implements& operator=(const Implements&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (riid == IID_IUnknown) *object = static_cast<First*>(this);
        else find_interface<First, Rest...>(riid, object);
        if (!*object) query_more(riid, object);
        if (!*object) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return left;
    }

protected:
    virtual ~Implements() { InterlockedDecrement(&module_use_count()); }
    // Interfaces a class answers beyond its base list; the pointer is not yet AddRef'd.
    virtual HRESULT query_more(REFIID, void**) { return E_NOINTERFACE; }

private:
    template <class I, class... More>
    void find_interface(REFIID riid, void** object) {
        if (riid == __uuidof(I)) { *object = static_cast<I*>(this); return; }
        if constexpr (sizeof...(More) > 0) find_interface<More...>(riid, object);
    }

    LONG references_ = 1;
};

// Creates an object with one reference and answers the asked interface.
template <class T, class... Args>
HRESULT create_and_query(REFIID riid, void** object, Args&&... args) {
    if (!object) return E_POINTER;
    *object = nullptr;
    T* created = new (std::nothrow) T(std::forward<Args>(args)...);
    if (!created) return E_OUTOFMEMORY;
    const HRESULT hr = created->QueryInterface(riid, object);
    created->Release();
    return hr;
}

using Creator = HRESULT (*)(REFIID riid, void** object);

template <Creator create>
class ClassFactory final : public Implements<IClassFactory> {
public:
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (object) *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return create(riid, object);
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock) InterlockedIncrement(&module_use_count());
        else InterlockedDecrement(&module_use_count());
        return S_OK;
    }
};

} // namespace tangram
