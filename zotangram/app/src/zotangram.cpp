#include "zotangram/zotangram.hpp"

#include <comcat.h>

#include "zo/exception.hpp"
#include "registry_key.hpp"
#include "zotangram/com_support.hpp"

namespace zotangram {
namespace {

constexpr char kFormFile[] = "zotangram.flf";
constexpr char kNoName[] = "{N/A}";
constexpr int kSelectionForm = 1;
constexpr int kPuzzleForm = 2;
constexpr char kServerOption[] = "Run the pieces in a separate process";
constexpr char kServerMissing[] = "Separate process: server not installed";
constexpr char kModelServerKey[] = "CLSID\\{B53313C4-20C4-11D0-9C6C-00A0C90A632C}\\LocalServer32";
constexpr char kModelMarshalingKey[] = "Interface\\{B53313C0-20C4-11D0-9C6C-00A0C90A632C}\\ProxyStubClsid32";

// {0002E005-0000-0000-C000-000000000046}
constexpr CLSID kCategoriesManager = {0x0002e005, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The program a LocalServer32 command line starts: quoted, or up to the first blank.
std::string program_of(const std::string &command)
{
    if (!command.empty() && command.front() == '"') {
        const std::size_t end = command.find('"', 1);
        return command.substr(1, end == std::string::npos ? std::string::npos : end - 1);
    }
    return command.substr(0, command.find(' '));
}

// Puts an element at the application's index i, growing the array as needed.
void put_at(zo::Array &array, std::int32_t index, zo::Object *element)
{
    const auto position = static_cast<std::size_t>(index - array.lower);
    if (position >= array.length())
        array.resize(position + 1);
    array.set_reference(position, element);
}

} // namespace

ZO_CLASS(ZOTANGRAM, "ZOTANGRAM", c)
{
    ZO_ATTRIBUTES(c, zotangram_fl_filename, namearray, clsidarray, selected, localserver, zotangramworld,
                  serveravailable, serveroption);
    ZO_ROUTINES(c, make, filllistboxarrays, getfriendlyname, localserverinstalled);
}

ZOTANGRAM::ZOTANGRAM() : zotangram_fl_filename(zo::make_string(kFormFile)) {}

namespace {

// The run under way, for the cleanup of a run that a failure ends.
ZOTANGRAM *g_running = nullptr;

// A failure ends the run without returning here: the world and its models
// are released and COM uninitialised first, so that a separate model server
// sees its last release and ends too.
void release_on_failure()
{
    if (ZOTANGRAM *run = g_running; run && run->zotangramworld)
        run->zotangramworld->releaseinterfaces();
    g_running = nullptr;
    CoUninitialize();
}

} // namespace

void ZOTANGRAM::make()
{
    if (FAILED(CoInitialize(nullptr)))
        return;
    g_running = this;
    zo::set_unhandled_cleanup(&release_on_failure);
    add_resource_file(zotangram_fl_filename);
    if (filllistboxarrays()) {
        selected = 1;
        serveravailable = localserverinstalled();
        serveroption = zo::make_string(serveravailable ? kServerOption : kServerMissing);
        localserver = localserver && serveravailable;
        display(kSelectionForm);
    }
    if (data_was_accepted) {
        zo::Guid *chosen = static_cast<zo::Guid *>(clsidarray->reference(static_cast<std::size_t>(selected - 1)));
        ZOTANGRAM_WORLD *world = zo::make<ZOTANGRAM_WORLD>();
        zotangramworld = world;
        world->make(chosen, localserver);
        display(kPuzzleForm);
        // The components go before COM does: their DLLs are unloaded with it.
        world->releaseinterfaces();
    }
    remove_resource_file(zotangram_fl_filename);
    zo::set_unhandled_cleanup(nullptr);
    g_running = nullptr;
    CoUninitialize();
}

bool ZOTANGRAM::filllistboxarrays()
{
    ComPtr<IUnknown> manager;
    const HRESULT created = CoCreateInstance(kCategoriesManager, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                             IID_IUnknown, manager.put_void());
    if (FAILED(created))
        zo::raise("Failed to create the component categories manager (error " + failure_code(created) + ").");
    ComPtr<ICatInformation> information = manager.as<ICatInformation>();
    if (!information)
        zo::raise("Failed to create iCatInformation.");
    CATID category = CATID_TangramWorldCategory;
    ComPtr<IEnumCLSID> classes;
    if (FAILED(information->EnumClassesOfCategories(1, &category, 0, nullptr, classes.put())) || !classes)
        zo::raise("Failed to find TangramWorldCategory.\n(Tangram components not installed?)");

    namearray = zo::make_array<zo::String *>(0, 1);
    clsidarray = zo::make_array<zo::Guid *>(0, 1);
    bool found = false;
    CLSID clsid;
    for (std::int32_t i = 1; classes->Next(1, &clsid, nullptr) == S_OK; ++i) {
        found = true;
        zo::Guid *guid = make_guid(clsid);
        put_at(*clsidarray, i, guid);
        put_at(*namearray, i, getfriendlyname(guid));
    }
    return found;
}

zo::String *ZOTANGRAM::getfriendlyname(zo::Guid *clsid)
{
    std::string name = kNoName;
    const com::RegistryKey classes(HKEY_CLASSES_ROOT, "CLSID");
    if (classes.get() && clsid) {
        const com::RegistryKey key(classes.get(), registry_text(guid_value(*clsid)).c_str());
        key.default_text(name);
    }
    return zo::make_string(name);
}

bool ZOTANGRAM::localserverinstalled()
{
    const com::RegistryKey server(HKEY_CLASSES_ROOT, kModelServerKey);
    const com::RegistryKey marshaling(HKEY_CLASSES_ROOT, kModelMarshalingKey);
    std::string command;
    if (!marshaling.get() || !server.default_text(command))
        return false;
    return GetFileAttributesA(program_of(command).c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace zotangram
