// A drawing surface of the worlds: a bitmap in a memory DC of its own.
#pragma once
#include <windows.h>

#include <optional>

#include "gdi_owners.hpp"

namespace tangram {

using gdi::MemoryDc;
using gdi::Selection;
template <class Handle>
using GdiObject = gdi::Object<Handle>;

// A 32-bit top-down bitmap selected into its own memory DC.
class Surface {
public:
    // Answers true when the surface was made anew.
    bool ensure(int width, int height);
    HDC dc() const { return dc_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    MemoryDc dc_;
    GdiObject<HBITMAP> bitmap_;
    // After the DC and the bitmap: the DC gets its own bitmap back before they go.
    std::optional<Selection> selection_;
    int width_ = 0;
    int height_ = 0;
};

} // namespace tangram
