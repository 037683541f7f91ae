// The count of live objects every Tangram component module keeps, and its
// module handle.
#include "com_object.hpp"

namespace tangram {
namespace {

LONG use_count = 0;
void (*unused_action)() = nullptr;

} // namespace

void lock_module()
{
    InterlockedIncrement(&use_count);
}

void unlock_module()
{
    if (InterlockedDecrement(&use_count) == 0 && unused_action)
        unused_action();
}

long module_locks()
{
    return use_count;
}

void on_module_unused(void (*action)())
{
    unused_action = action;
}

HMODULE this_module()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&use_count), &module);
    return module;
}

} // namespace tangram
