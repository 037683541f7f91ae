// Class identifiers between COM and the application's GUID objects, and the
// text of a COM failure code.
#ifndef ZOTANGRAM_COM_SUPPORT_HPP
#define ZOTANGRAM_COM_SUPPORT_HPP

#include <windows.h>

#include <string>

#include "zo/builtin.hpp"

namespace zotangram {

GUID guid_value(const zo::Guid &guid);
zo::Guid *make_guid(const GUID &value);
// As the registry names class keys: braces, upper-case hexadecimal, 38 characters.
std::string registry_text(const GUID &clsid);
// "0x80040154" for REGDB_E_CLASSNOTREG.
std::string failure_code(HRESULT result);

} // namespace zotangram

#endif
