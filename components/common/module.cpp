// What every Tangram component DLL has alike: its module handle, the count
// of live objects, and the entry points that only depend on those.
#include "com_object.hpp"

namespace tangram {

long& module_use_count() {
    static long count = 0;
    return count;
}

static HMODULE loaded_module = nullptr;

HMODULE this_module() { return loaded_module; }

} // namespace tangram

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        tangram::loaded_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllCanUnloadNow() { return tangram::module_use_count() == 0 ? S_OK : S_FALSE; }
