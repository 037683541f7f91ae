// The class identifiers of the Tangram worlds: the classic world, and one
// silhouette world per figure, numbered on from the first.
#pragma once
#include "tangram.h"

#include <cstddef>

namespace tangram {

inline CLSID silhouette_world_class(std::size_t figure)
{
    CLSID clsid = CLSID_TangramSilhouetteWorld;
    clsid.Data1 += static_cast<unsigned long>(figure);
    return clsid;
}

} // namespace tangram
