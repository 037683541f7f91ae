#pragma once
#include "registration.hpp"
#include "tangram.h"

namespace tangram {

HRESULT create_model(REFIID riid, void **object);
// A model for other processes, which reach it through the guarded proxy.
HRESULT create_served_model(REFIID riid, void **object);

// How the model class registers, in process and as a local server alike.
inline constexpr ClassRegistration model_registration{&CLSID_TangramModel, L"ZOTangram Piece Model", false};

} // namespace tangram
