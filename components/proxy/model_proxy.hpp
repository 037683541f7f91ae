#pragma once
#include <windows.h>

namespace tangram {

// The unmarshal class of served models (CLSID_TangramModelProxy).
HRESULT create_model_proxy(REFIID riid, void **object);

} // namespace tangram
