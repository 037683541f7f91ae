// Reference counting, interface lookup and the class factory shared by the
// Tangram component modules. Each module links its own copy, so the count of
// live objects is per module: a DLL answers DllCanUnloadNow from it, the
// model server ends when it falls to zero.
#pragma once
#include <windows.h>
#include <unknwn.h>
#include <new>
#include <utility>

#include "com_ptr.hpp"

namespace tangram {

using com::ComPtr;
using com::same_object;

// Objects and server locks alive in this module.
void lock_module();
void unlock_module();
long module_locks();
// Runs when the count of objects and locks falls to zero.
void on_module_unused(void (*action)());
// The DLL or program this code is linked into.
HMODULE this_module();

// Implements IUnknown for a class that implements the listed interfaces.
// IUnknown is answered through the first interface, so identity holds.
template <class First, class... Rest>
class Implements : public First, public Rest... {
public:
    Implements() { lock_module(); }
    Implements(const Implements &) = delete;
    Implements &operator=(const Implements &) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void **object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (riid == IID_IUnknown)
            *object = static_cast<First *>(this);
        else
            find_interface<First, Rest...>(riid, object);
        if (!*object)
            query_more(riid, object);
        if (!*object)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG left = InterlockedDecrement(&references_);
        if (left == 0)
            delete this;
        return left;
    }

protected:
    virtual ~Implements() { unlock_module(); }
    // Interfaces a class answers beyond its base list; the pointer is not yet AddRef'd.
    virtual HRESULT query_more(REFIID, void **) { return E_NOINTERFACE; }

private:
    template <class I, class... More>
    void find_interface(REFIID riid, void **object)
    {
        if (riid == __uuidof(I)) {
            *object = static_cast<I *>(this);
            return;
        }
        if constexpr (sizeof...(More) > 0)
            find_interface<More...>(riid, object);
    }

    LONG references_ = 1;
};

// Answers value through the out parameter of a get method.
template <class Out, class Value>
HRESULT answer(Out *out, const Value &value)
{
    if (!out)
        return E_POINTER;
    *out = static_cast<Out>(value);
    return S_OK;
}

// Creates an object with one reference and answers the asked interface.
template <class T, class... Args>
HRESULT create_and_query(REFIID riid, void **object, Args &&...args)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    T *created = new (std::nothrow) T(std::forward<Args>(args)...);
    if (!created)
        return E_OUTOFMEMORY;
    const HRESULT hr = created->QueryInterface(riid, object);
    created->Release();
    return hr;
}

// A single-threaded COM apartment for the scope's duration; nested scopes
// on a thread that has one already simply count.
class ApartmentScope {
public:
    ApartmentScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ApartmentScope(const ApartmentScope &) = delete;
    ApartmentScope &operator=(const ApartmentScope &) = delete;
    ~ApartmentScope()
    {
        if (SUCCEEDED(hr_))
            CoUninitialize();
    }
    HRESULT result() const { return hr_; }

private:
    HRESULT hr_;
};

using Creator = HRESULT (*)(REFIID riid, void **object);

// The class factory operations; Base supplies IUnknown, make() the object.
template <class Base>
class FactoryBase : public Base {
public:
    STDMETHODIMP CreateInstance(IUnknown *outer, REFIID riid, void **object) override
    {
        if (object)
            *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return make(riid, object);
    }
    STDMETHODIMP LockServer(BOOL lock) override
    {
        if (lock)
            lock_module();
        else
            unlock_module();
        return S_OK;
    }

protected:
    virtual HRESULT make(REFIID riid, void **object) = 0;
};

// A factory whose objects come from one creator function.
template <Creator create, class Base>
class FactoryOf : public FactoryBase<Base> {
protected:
    HRESULT make(REFIID riid, void **object) override { return create(riid, object); }
};

// A factory object of its own, handed out by DllGetClassObject; it keeps the DLL loaded.
template <Creator create>
class ClassFactory final : public FactoryOf<create, Implements<IClassFactory>> {};

// IUnknown of a static object that lives as long as the module and keeps
// nothing alive: a server's registered class factory, which COM holds for
// as long as it is registered.
template <class Interface>
class Permanent : public Interface {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void **object) override
    {
        if (!object)
            return E_POINTER;
        *object = riid == IID_IUnknown || riid == __uuidof(Interface) ? static_cast<Interface *>(this) : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
};

} // namespace tangram
