// The DLL entry points of the Tangram worlds: the classic world and one
// silhouette world per figure.
#include "com_object.hpp"
#include "figures.hpp"
#include "registration.hpp"
#include "world.hpp"
#include "world_classes.hpp"

#include <string>
#include <vector>

namespace {

using namespace tangram;

struct WorldClass {
    CLSID clsid;
    std::wstring name;
};

const std::vector<WorldClass> &world_classes()
{
    static const std::vector<WorldClass> all = [] {
        std::vector<WorldClass> classes{{CLSID_TangramClassicWorld, L"ZOTangram Classic World"}};
        for (size_t i = 0; i < figures().size(); ++i)
            classes.push_back({silhouette_world_class(i), std::wstring(L"ZOTangram Silhouette: ") + figures()[i].name});
        return classes;
    }();
    return all;
}

std::vector<ClassRegistration> registrations()
{
    std::vector<ClassRegistration> entries;
    for (const WorldClass &world : world_classes())
        entries.push_back({&world.clsid, world.name.c_str(), true});
    return entries;
}

// Makes the silhouette world of one figure.
class SilhouetteFactory final : public FactoryBase<Implements<IClassFactory>> {
public:
    explicit SilhouetteFactory(size_t figure) : figure_(figure) {}

protected:
    HRESULT make(REFIID riid, void **object) override { return create_silhouette_world(figure_, riid, object); }

private:
    size_t figure_;
};

} // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (clsid == CLSID_TangramClassicWorld)
        return create_and_query<ClassFactory<create_classic_world>>(riid, object);
    for (size_t i = 0; i < figures().size(); ++i)
        if (clsid == silhouette_world_class(i))
            return create_and_query<SilhouetteFactory>(riid, object, i);
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllRegisterServer()
{
    const auto entries = registrations();
    return register_classes(this_module(), entries);
}
STDAPI DllUnregisterServer()
{
    const auto entries = registrations();
    return unregister_classes(entries);
}
