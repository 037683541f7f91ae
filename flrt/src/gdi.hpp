// The runtime's owners of GDI objects and device contexts.
#ifndef FLRT_GDI_HPP
#define FLRT_GDI_HPP

#include "gdi_owners.hpp"

namespace flrt {

using FontHandle = gdi::Object<HFONT>;
using BrushHandle = gdi::Object<HBRUSH>;
using BitmapHandle = gdi::Object<HBITMAP>;
using MemoryDC = gdi::BasicMemoryDc<>;
using WindowDC = gdi::BasicWindowDc<>;

} // namespace flrt

#endif
