#include "import_patch.hpp"

#include <cstring>

namespace fltest {
namespace {

template <class T>
T *at(BYTE *base, DWORD offset)
{
    return reinterpret_cast<T *>(base + offset);
}

// The import slot of the function in the module's table, or null.
ULONG_PTR *find_slot(BYTE *base, const char *library, const char *function)
{
    const auto *dos = reinterpret_cast<IMAGE_DOS_HEADER *>(base);
    const auto *nt = at<IMAGE_NT_HEADERS>(base, static_cast<DWORD>(dos->e_lfanew));
    const IMAGE_DATA_DIRECTORY &imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress)
        return nullptr;
    for (auto *entry = at<IMAGE_IMPORT_DESCRIPTOR>(base, imports.VirtualAddress); entry->Name; ++entry) {
        if (lstrcmpiA(at<char>(base, entry->Name), library) != 0 || !entry->OriginalFirstThunk)
            continue;
        auto *names = at<IMAGE_THUNK_DATA>(base, entry->OriginalFirstThunk);
        auto *slots = at<IMAGE_THUNK_DATA>(base, entry->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto *by_name = at<IMAGE_IMPORT_BY_NAME>(base, static_cast<DWORD>(names->u1.AddressOfData));
            if (std::strcmp(reinterpret_cast<const char *>(by_name->Name), function) == 0)
                return reinterpret_cast<ULONG_PTR *>(&slots->u1.Function);
        }
    }
    return nullptr;
}

} // namespace

ImportPatch::ImportPatch(const char *module, const char *library, const char *function, const void *replacement)
{
    auto *base = reinterpret_cast<BYTE *>(GetModuleHandleA(module));
    slot_ = base ? find_slot(base, library, function) : nullptr;
    if (!slot_)
        return;
    original_ = *slot_;
    Write(reinterpret_cast<ULONG_PTR>(replacement));
}

ImportPatch::~ImportPatch()
{
    if (slot_)
        Write(original_);
}

void ImportPatch::Write(ULONG_PTR address)
{
    DWORD protection = 0;
    VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &protection);
    *slot_ = address;
    VirtualProtect(slot_, sizeof *slot_, protection, &protection);
}

} // namespace fltest
