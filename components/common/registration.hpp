// Self-registration of in-process COM classes, optionally as members of the
// Tangram world category.
#pragma once
#include <windows.h>
#include <span>

namespace tangram {

struct ClassRegistration {
    const CLSID* clsid;
    const wchar_t* friendly_name;
    bool tangram_world; // member of the Tangram world category
};

// Writes the class keys (friendly name, InprocServer32 with the path of
// module, ThreadingModel Apartment) and the category membership.
HRESULT register_classes(HMODULE module, std::span<const ClassRegistration> classes);
// Removes what register_classes added; the category itself goes when no
// class implements it any more.
HRESULT unregister_classes(std::span<const ClassRegistration> classes);

} // namespace tangram
