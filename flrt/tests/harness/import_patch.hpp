// A counting stand-in for a system function as one loaded module calls it:
// the module's import slot for the function points elsewhere while the patch
// lives. Tests watch this way what a library makes and gives back where the
// system keeps no count (GetGuiResources answers nothing under Wine).
#ifndef FLRT_TEST_IMPORT_PATCH_HPP
#define FLRT_TEST_IMPORT_PATCH_HPP

#include <windows.h>

namespace fltest {

class ImportPatch {
public:
    // module: the loaded module whose calls are redirected (null: the program);
    // library: the DLL it imports the function from, as its import table names it.
    ImportPatch(const char *module, const char *library, const char *function, const void *replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch &) = delete;
    ImportPatch &operator=(const ImportPatch &) = delete;

    // Whether the module imports the function (nothing was patched otherwise).
    bool active() const { return slot_ != nullptr; }
    // The function the module called before, for the stand-in to call on.
    template <class Function>
    Function original() const
    {
        return reinterpret_cast<Function>(original_);
    }

private:
    void Write(ULONG_PTR address);

    ULONG_PTR *slot_ = nullptr;
    ULONG_PTR original_ = 0;
};

} // namespace fltest

#endif
