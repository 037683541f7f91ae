// The DLL entry points of the two Tangram worlds.
#include "com_object.hpp"
#include "registration.hpp"
#include "world.hpp"

#include <array>

namespace {

const std::array<tangram::ClassRegistration, 2> classes{{
    {&CLSID_TangramClassicWorld, L"ZOTangram Classic World", true},
    {&CLSID_TangramSilhouetteWorld, L"ZOTangram Silhouette World", true},
}};

} // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
    using namespace tangram;
    if (!object) return E_POINTER;
    *object = nullptr;
    if (clsid == CLSID_TangramClassicWorld) return create_and_query<ClassFactory<create_classic_world>>(riid, object);
    if (clsid == CLSID_TangramSilhouetteWorld)
        return create_and_query<ClassFactory<create_silhouette_world>>(riid, object);
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllRegisterServer() { return tangram::register_classes(tangram::this_module(), classes); }
STDAPI DllUnregisterServer() { return tangram::unregister_classes(classes); }
