#pragma once
#include "tangram.h"

namespace tangram {
HRESULT create_model(REFIID riid, void** object);
}
