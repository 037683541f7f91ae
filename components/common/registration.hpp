// Self-registration of COM classes served in process (a DLL) or by a local
// server program, optionally as members of the Tangram world category.
#pragma once
#include <windows.h>
#include <span>

namespace tangram {

struct ClassRegistration {
    const CLSID *clsid;
    const wchar_t *friendly_name;
    bool tangram_world; // member of the Tangram world category
};

enum class ServerKind {
    in_process, // InprocServer32: the DLL's path, ThreadingModel Apartment
    local,      // LocalServer32: the program's quoted path
};

// Writes the class keys (friendly name and the server key with the path of
// module) and the category membership.
HRESULT register_classes(HMODULE module, std::span<const ClassRegistration> classes,
                         ServerKind kind = ServerKind::in_process);
// Removes what register_classes added. A class key goes with its last server
// key, so the DLL and the server program of one class unregister
// independently; the category itself goes when no class implements it any more.
HRESULT unregister_classes(std::span<const ClassRegistration> classes, ServerKind kind = ServerKind::in_process);

} // namespace tangram
