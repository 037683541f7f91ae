// The DLL entry point every Tangram component DLL answers alike.
#include "com_object.hpp"

STDAPI DllCanUnloadNow()
{
    return tangram::module_locks() == 0 ? S_OK : S_FALSE;
}
