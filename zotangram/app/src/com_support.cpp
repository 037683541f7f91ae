#include "zotangram/com_support.hpp"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace zotangram {

GUID guid_value(const zo::Guid &guid)
{
    GUID value;
    value.Data1 = static_cast<unsigned long>(guid.data1);
    value.Data2 = guid.data2;
    value.Data3 = guid.data3;
    std::copy(guid.data4.begin(), guid.data4.end(), std::begin(value.Data4));
    return value;
}

zo::Guid *make_guid(const GUID &value)
{
    zo::Guid *guid = zo::make<zo::Guid>();
    guid->data1 = static_cast<std::int32_t>(value.Data1);
    guid->data2 = value.Data2;
    guid->data3 = value.Data3;
    std::copy(std::begin(value.Data4), std::end(value.Data4), guid->data4.begin());
    return guid;
}

std::string registry_text(const GUID &clsid)
{
    wchar_t wide[40] = {};
    StringFromGUID2(clsid, wide, 40);
    std::string text;
    for (const wchar_t *c = wide; *c; ++c)
        text += static_cast<char>(*c);
    return text;
}

std::string failure_code(HRESULT result)
{
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
    return code;
}

} // namespace zotangram
