// Owning handles for GDI objects.
#ifndef FLRT_GDI_HPP
#define FLRT_GDI_HPP

#include <windows.h>

#include <memory>
#include <type_traits>

namespace flrt {

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;

} // namespace flrt

#endif
