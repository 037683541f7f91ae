// The runtime's owners of GDI objects and device contexts. Every one the
// runtime makes is held by one of these owners, which keep a count of the
// handles alive: a diagnostic for leak tests where the system does not count them.
#ifndef FLRT_GDI_HPP
#define FLRT_GDI_HPP

#include "gdi_owners.hpp"

namespace flrt {

// Adds change to the number of GDI handles the runtime holds.
void count_gdi_handles(int change) noexcept;
int live_gdi_handles() noexcept;

// The runtime's counter for the shared owners.
struct LiveGdiCount {
    static void Change(int change) noexcept { count_gdi_handles(change); }
};

using FontHandle = gdi::Object<HFONT, LiveGdiCount>;
using BrushHandle = gdi::Object<HBRUSH, LiveGdiCount>;
using BitmapHandle = gdi::Object<HBITMAP, LiveGdiCount>;
using MemoryDC = gdi::BasicMemoryDc<LiveGdiCount>;
using WindowDC = gdi::BasicWindowDc<LiveGdiCount>;

} // namespace flrt

#endif
