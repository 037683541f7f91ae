// The entry points of the proxy/stub DLL: the widl-generated proxies and
// stubs of the model interfaces (through rpcrt4's proxy/stub factory) and the
// guard class that served models unmarshal into.
#include "com_object.hpp"
#include "model_proxy.hpp"
#include "proxy_module.h"
#include "registration.hpp"
#include "served_marshal.hpp"

namespace {

const tangram::ClassRegistration guard_class{&tangram::CLSID_TangramModelProxy, L"ZOTangram Piece Model Proxy", false};

} // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void **object)
{
    using namespace tangram;
    if (clsid == CLSID_TangramModelProxy) {
        if (!object)
            return E_POINTER;
        return create_and_query<ClassFactory<create_model_proxy>>(riid, object);
    }
    return tangram_ps_get_class_object(clsid, riid, object);
}

STDAPI DllCanUnloadNow()
{
    if (tangram::module_locks() != 0)
        return S_FALSE;
    return tangram_ps_can_unload();
}

STDAPI DllRegisterServer()
{
    const HMODULE module = tangram::this_module();
    const HRESULT hr = tangram_ps_register(module);
    return FAILED(hr) ? hr : tangram::register_classes(module, {&guard_class, 1});
}

STDAPI DllUnregisterServer()
{
    const HRESULT hr = tangram::unregister_classes({&guard_class, 1});
    const HRESULT proxies = tangram_ps_unregister(tangram::this_module());
    return FAILED(hr) ? hr : proxies;
}
