// The puzzle: a widget that hosts a Tangram world component, builds the seven
// pieces as model components and lets the user drag them with either mouse
// button and turn them in steps of 45 degrees with the right one.
#ifndef ZOTANGRAM_ZOTANGRAM_WORLD_HPP
#define ZOTANGRAM_ZOTANGRAM_WORLD_HPP

#include <array>
#include <vector>

#include "com_ptr.hpp"
#include "tangram.h"
#include "zo/displayable_object.hpp"

namespace zotangram {

using com::ComPtr;

// The piece table: vertices in model units, four slots of which `count` are used.
struct PieceShape {
    long count;
    std::array<point2d, 4> points;
};
const std::array<PieceShape, 7> &tangram_pieces();

constexpr double kWorldSize = 20.0;
constexpr double kRotationStep = 45.0;
constexpr double kPieceSpacing = 2.0;
constexpr double kPieceRow = 1.0;

// Component interfaces are no part of the widget's rolled-back state: a copy
// (a form's snapshot) holds none of them, and restoring one leaves them as
// they are. A snapshot that a failed run never destroys then holds no
// reference that would keep the world, or a model server, alive.
template <class T>
class LiveRef : public ComPtr<T> {
public:
    LiveRef() = default;
    LiveRef(const LiveRef &) : ComPtr<T>() {}
    LiveRef &operator=(const LiveRef &) { return *this; }
    LiveRef &operator=(ComPtr<T> other)
    {
        ComPtr<T>::operator=(std::move(other));
        return *this;
    }
};

class LiveModels : public std::vector<ComPtr<ITangramModel>> {
public:
    LiveModels() = default;
    LiveModels(const LiveModels &) : std::vector<ComPtr<ITangramModel>>() {}
    LiveModels &operator=(const LiveModels &) { return *this; }
};

class ZOTANGRAM_WORLD : public zo::DISPLAYABLE_WIDGET {
    ZO_OBJECT(ZOTANGRAM_WORLD, zo::DISPLAYABLE_WIDGET)
    LiveRef<ITangramWorld> itangramworld;
    std::int32_t clsctx = CLSCTX_INPROC_SERVER;
    LiveModels modellist;
    LiveRef<ITangramVisual> iselectedvisual;
    point2d sizeddiff{0.0, 0.0};
    bool worldinitialized = false;

    // Creates the world component (always in process); the pieces follow at the first paint.
    void make(zo::Guid *clsid, bool localserver);
    ComPtr<ITangramModel> createtangrampiece(long count, point2d *points, double x);
    void releaseinterfaces();
    bool interfacesareonsamecomponent(IUnknown *a, IUnknown *b);

    std::int32_t on_message(std::int32_t hwnd, std::int32_t msg, std::int32_t wparam, std::int32_t lparam) override;
    void on_paint(std::int32_t hwnd, std::int32_t hdc) override;
    void on_lbuttondown(std::int32_t hwnd, zo::Point *point) override;
    void on_lbuttonup(std::int32_t hwnd, zo::Point *point) override;
    void on_rbuttondown(std::int32_t hwnd, zo::Point *point) override;
    void on_rbuttonup(std::int32_t hwnd, zo::Point *point) override;
    void on_mousemove(std::int32_t hwnd, zo::Point *point) override;

    void on_create(std::int32_t hwnd);
    void do_buttondown(std::int32_t hwnd, zo::Point *point);
    void on_palette_changed(std::int32_t hwnd);
    void on_query_new_palette(std::int32_t hwnd);
    void on_capture_changed(std::int32_t hwnd, std::int32_t new_owner);

private:
    ComPtr<ITangramCanvas> canvas();
    ComPtr<ITangramTransform> selected_transform();
    point2d device_to_model(const zo::Point &point);
    void drop_selected();
    void let_go_selected();
};

} // namespace zotangram

// An interface held by an application object is a POINTER attribute: forms may read it.
template <class T>
struct zo::KindOf<zotangram::LiveRef<T>> {
    static_assert(sizeof(zotangram::LiveRef<T>) == sizeof(void *), "stored as one address");
    static Formal formal() { return {Storage::Pointer, &pointer_class}; }
};

#endif
