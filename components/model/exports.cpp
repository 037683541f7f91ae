// The DLL entry points of the model component.
#include "com_object.hpp"
#include "model.hpp"

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (clsid != CLSID_TangramModel)
        return CLASS_E_CLASSNOTAVAILABLE;
    return tangram::create_and_query<tangram::ClassFactory<tangram::create_model>>(riid, object);
}

STDAPI DllRegisterServer()
{
    return tangram::register_classes(tangram::this_module(), {&tangram::model_registration, 1});
}
STDAPI DllUnregisterServer()
{
    return tangram::unregister_classes({&tangram::model_registration, 1});
}
