// Linked into every Windows test program.
#include <windows.h>

#include <cstring>

namespace {
// GoogleTest hands the text of every failure to OutputDebugStringA as well.
// Under Wine on an emulated CPU the exception that carries it to a debugger
// breaks the process, so one failed expectation would end the run. The text
// is on stdout anyway: this program's import of the function is pointed at a
// function that does nothing.
void WINAPI ignore_debug_output(LPCSTR) {}

bool redirect_debug_output()
{
    auto *image = reinterpret_cast<unsigned char *>(GetModuleHandleA(nullptr));
    const auto *nt =
        reinterpret_cast<IMAGE_NT_HEADERS *>(image + reinterpret_cast<IMAGE_DOS_HEADER *>(image)->e_lfanew);
    const auto &imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto *module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(image + imports.VirtualAddress); module->Name;
         ++module) {
        auto *name = reinterpret_cast<IMAGE_THUNK_DATA *>(image + module->OriginalFirstThunk);
        auto *slot = reinterpret_cast<IMAGE_THUNK_DATA *>(image + module->FirstThunk);
        for (; name->u1.AddressOfData != 0; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal) ||
                std::strcmp(reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(image + name->u1.AddressOfData)->Name,
                            "OutputDebugStringA") != 0)
                continue;
            DWORD protection;
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(&ignore_debug_output);
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
            return true;
        }
    }
    return false;
}
const bool debug_output_redirected = redirect_debug_output();
} // namespace
