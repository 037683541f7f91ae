// A drawing surface of the worlds: a bitmap in a memory DC of its own.
#pragma once
#include <windows.h>

#include "gdi_owners.hpp"

namespace tangram {

using gdi::MemoryDc;
using gdi::Selection;
template <class Handle>
using GdiObject = gdi::Object<Handle>;

// A 32-bit top-down bitmap selected into its own memory DC.
class Surface {
public:
    Surface() = default;
    Surface(const Surface &) = delete;
    Surface &operator=(const Surface &) = delete;
    ~Surface()
    {
        if (dc_ && original_)
            SelectObject(dc_.get(), original_);
    }
    // Answers true when the surface was made anew.
    bool ensure(int width, int height);
    HDC dc() const { return dc_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    MemoryDc dc_;
    GdiObject<HBITMAP> bitmap_;
    HGDIOBJ original_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

} // namespace tangram
