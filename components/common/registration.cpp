#include "registration.hpp"

#include "com_object.hpp"
#include "com_ptr.hpp"
#include "registry_key.hpp"
#include "tangram.h"

#include <comcat.h>
#include <olectl.h>
#include <cwchar>
#include <string>

namespace tangram {
namespace {

constexpr wchar_t category_description[] = L"Tangram Worlds";

std::wstring clsid_text(const CLSID &clsid)
{
    wchar_t text[40] = {};
    StringFromGUID2(clsid, text, 40);
    return text;
}

HRESULT set_string(HKEY key, const wchar_t *name, const std::wstring &value)
{
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    const LONG rc = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()), bytes);
    return HRESULT_FROM_WIN32(rc);
}

HRESULT create_key(HKEY parent, const std::wstring &path, com::RegistryKey &key)
{
    const LONG rc = RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                                    key.put(), nullptr);
    return HRESULT_FROM_WIN32(rc);
}

std::wstring module_path(HMODULE module)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

const wchar_t *server_key_name(ServerKind kind)
{
    return kind == ServerKind::in_process ? L"InprocServer32" : L"LocalServer32";
}

// COM starts a local server from a command line: the path is quoted, as it may hold spaces.
std::wstring server_command(HMODULE module, ServerKind kind)
{
    const std::wstring path = module_path(module);
    return kind == ServerKind::in_process ? path : L"\"" + path + L"\"";
}

HRESULT write_class_keys(HMODULE module, const ClassRegistration &entry, ServerKind kind)
{
    const std::wstring class_path = L"CLSID\\" + clsid_text(*entry.clsid);
    com::RegistryKey class_key, server_key;
    HRESULT hr = create_key(HKEY_CLASSES_ROOT, class_path, class_key);
    if (SUCCEEDED(hr))
        hr = set_string(class_key.get(), nullptr, entry.friendly_name);
    if (SUCCEEDED(hr))
        hr = create_key(class_key.get(), server_key_name(kind), server_key);
    if (SUCCEEDED(hr))
        hr = set_string(server_key.get(), nullptr, server_command(module, kind));
    if (SUCCEEDED(hr) && kind == ServerKind::in_process)
        hr = set_string(server_key.get(), L"ThreadingModel", L"Apartment");
    return hr;
}

HRESULT join_world_category(const CLSID &clsid)
{
    ComPtr<ICatRegister> registrar;
    HRESULT hr = CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ICatRegister,
                                  registrar.put_void());
    if (FAILED(hr))
        return hr;
    CATEGORYINFO info{};
    info.catid = CATID_TangramWorldCategory;
    info.lcid = 0x409;
    wcsncpy(info.szDescription, category_description, 127);
    hr = registrar->RegisterCategories(1, &info);
    CATID category = CATID_TangramWorldCategory;
    if (SUCCEEDED(hr))
        hr = registrar->RegisterClassImplCategories(clsid, 1, &category);
    return hr;
}

bool category_has_members()
{
    ComPtr<ICatInformation> information;
    if (FAILED(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ICatInformation,
                                information.put_void())))
        return true;
    CATID category = CATID_TangramWorldCategory;
    ComPtr<IEnumCLSID> members;
    if (FAILED(information->EnumClassesOfCategories(1, &category, 0, nullptr, members.put())))
        return false;
    CLSID member;
    return members->Next(1, &member, nullptr) == S_OK;
}

void leave_world_category(const CLSID &clsid)
{
    ComPtr<ICatRegister> registrar;
    if (FAILED(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ICatRegister,
                                registrar.put_void())))
        return;
    CATID category = CATID_TangramWorldCategory;
    registrar->UnRegisterClassImplCategories(clsid, 1, &category);
}

void drop_category_if_unused()
{
    if (category_has_members())
        return;
    ComPtr<ICatRegister> registrar;
    if (FAILED(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ICatRegister,
                                registrar.put_void())))
        return;
    CATID category = CATID_TangramWorldCategory;
    registrar->UnRegisterCategories(1, &category);
}

bool has_subkey(HKEY parent, const wchar_t *name)
{
    com::RegistryKey key;
    return RegOpenKeyExW(parent, name, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

HRESULT delete_class_keys(const CLSID &clsid, ServerKind kind)
{
    com::RegistryKey classes, class_key;
    const std::wstring name = clsid_text(clsid);
    LONG rc = RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_ALL_ACCESS, classes.put());
    if (rc == ERROR_SUCCESS)
        rc = RegOpenKeyExW(classes.get(), name.c_str(), 0, KEY_ALL_ACCESS, class_key.put());
    if (rc == ERROR_SUCCESS)
        rc = RegDeleteTreeW(class_key.get(), server_key_name(kind));
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
        return HRESULT_FROM_WIN32(rc);
    if (!class_key.get() || has_subkey(class_key.get(), L"InprocServer32") ||
        has_subkey(class_key.get(), L"LocalServer32"))
        return S_OK;
    rc = RegDeleteTreeW(classes.get(), name.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(rc);
}

} // namespace

HRESULT register_classes(HMODULE module, std::span<const ClassRegistration> classes, ServerKind kind)
{
    ApartmentScope com; // regsvr32 may not have started COM
    for (const auto &entry : classes) {
        HRESULT hr = write_class_keys(module, entry, kind);
        if (SUCCEEDED(hr) && entry.tangram_world)
            hr = join_world_category(*entry.clsid);
        if (FAILED(hr)) {
            unregister_classes(classes, kind);
            return SELFREG_E_CLASS;
        }
    }
    return S_OK;
}

HRESULT unregister_classes(std::span<const ClassRegistration> classes, ServerKind kind)
{
    ApartmentScope com;
    HRESULT result = S_OK;
    bool had_world = false;
    for (const auto &entry : classes) {
        if (entry.tangram_world) {
            leave_world_category(*entry.clsid);
            had_world = true;
        }
        if (FAILED(delete_class_keys(*entry.clsid, kind)))
            result = SELFREG_E_CLASS;
    }
    if (had_world)
        drop_category_if_unused();
    return result;
}

} // namespace tangram
