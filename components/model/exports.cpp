// The DLL entry points of the model component.
#include "com_object.hpp"
#include "model.hpp"
#include "registration.hpp"

#include <array>

namespace {

const std::array<tangram::ClassRegistration, 1> classes{{
    {&CLSID_TangramModel, L"ZOTangram Piece Model", false},
}};

} // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (clsid != CLSID_TangramModel) return CLASS_E_CLASSNOTAVAILABLE;
    return tangram::create_and_query<tangram::ClassFactory<tangram::create_model>>(riid, object);
}

STDAPI DllRegisterServer() { return tangram::register_classes(tangram::this_module(), classes); }
STDAPI DllUnregisterServer() { return tangram::unregister_classes(classes); }
