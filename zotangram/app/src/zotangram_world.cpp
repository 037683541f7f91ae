#include "zotangram/zotangram_world.hpp"

#include <commctrl.h>

#include <string>

#include "zo/exception.hpp"
#include "zotangram/com_support.hpp"

namespace zotangram {
namespace {

HWND window_of(std::int32_t handle)
{
    return zo::win32_handle<HWND>(handle);
}

HDC dc_of(std::int32_t handle)
{
    return zo::win32_handle<HDC>(handle);
}

POINT device_point(const zo::Point &point)
{
    return POINT{point.x, point.y};
}

RECT client_rect(std::int32_t hwnd)
{
    RECT client{};
    GetClientRect(window_of(hwnd), &client);
    return client;
}

void check(HRESULT result, const char *message)
{
    if (FAILED(result))
        zo::raise(message);
}

// The puzzle fills the window it is shown in, whatever size the user gives that window.
constexpr UINT_PTR kFollowParent = 0x5A54;

LRESULT CALLBACK follow_parent(HWND parent, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR id, DWORD_PTR puzzle)
{
    if (msg == WM_SIZE)
        MoveWindow(reinterpret_cast<HWND>(puzzle), 0, 0, LOWORD(lparam), HIWORD(lparam), TRUE);
    else if (msg == WM_NCDESTROY)
        RemoveWindowSubclass(parent, &follow_parent, id);
    return DefSubclassProc(parent, msg, wparam, lparam);
}

// Only a puzzle placed at its window's top-left corner takes the whole window:
// elsewhere it shares the window with other controls.
void fill_parent(HWND puzzle, zo::Rect *area)
{
    const HWND parent = GetParent(puzzle);
    RECT place{};
    GetWindowRect(puzzle, &place);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT *>(&place), 2);
    if (!parent || place.left != 0 || place.top != 0)
        return;
    RECT client{};
    GetClientRect(parent, &client);
    MoveWindow(puzzle, 0, 0, client.right, client.bottom, TRUE);
    SetWindowSubclass(parent, &follow_parent, kFollowParent, reinterpret_cast<DWORD_PTR>(puzzle));
    if (area) {
        area->right = client.right;
        area->bottom = client.bottom;
    }
}

constexpr UINT kQueryNewPalette = 0x030F;
constexpr UINT kPaletteChanged = 0x0311;

// The window class asks for double clicks: the second press of a quick pair
// comes as a double click, and is still a press.
std::int32_t as_press(std::int32_t msg)
{
    if (msg == WM_LBUTTONDBLCLK)
        return WM_LBUTTONDOWN;
    if (msg == WM_RBUTTONDBLCLK)
        return WM_RBUTTONDOWN;
    return msg;
}

} // namespace

const std::array<PieceShape, 7> &tangram_pieces()
{
    static constexpr point2d kUnused{9.9, 9.9};
    static const std::array<PieceShape, 7> pieces{{
        {4, {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}}},
        {3, {{{0, 0}, {1, 0}, {0, 1}, kUnused}}},
        {3, {{{0, 0}, {1, 0}, {0, 1}, kUnused}}},
        {3, {{{0, 0}, {2, 0}, {1, 1}, kUnused}}},
        {3, {{{0, 0}, {2, 0}, {0, 2}, kUnused}}},
        {3, {{{0, 0}, {2, 0}, {0, 2}, kUnused}}},
        {4, {{{0, 0}, {1, 0}, {2, 1}, {1, 1}}}},
    }};
    return pieces;
}

ZO_CLASS(ZOTANGRAM_WORLD, "ZOTANGRAM_WORLD", c)
{
    ZO_ATTRIBUTES(c, itangramworld, clsctx, iselectedvisual, worldinitialized);
    ZO_ROUTINES(c, make, releaseinterfaces, on_message, on_create, do_buttondown, on_palette_changed,
                on_query_new_palette, on_capture_changed);
}

void ZOTANGRAM_WORLD::make(zo::Guid *clsid, bool localserver)
{
    clsctx = localserver ? CLSCTX_LOCAL_SERVER : CLSCTX_INPROC_SERVER;
    const GUID world_class = clsid ? guid_value(*clsid) : GUID_NULL;
    check(
        CoCreateInstance(world_class, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ITangramWorld), itangramworld.put_void()),
        "Failed to create the world component.");
    DISPLAYABLE_OBJECT::make(zo::make_string("ZOTangram World"));
}

std::int32_t ZOTANGRAM_WORLD::on_message(std::int32_t hwnd, std::int32_t msg, std::int32_t wparam, std::int32_t lparam)
{
    if (msg == static_cast<std::int32_t>(kQueryNewPalette)) {
        on_query_new_palette(hwnd);
        return 0;
    }
    if (msg == static_cast<std::int32_t>(kPaletteChanged)) {
        on_palette_changed(hwnd);
        return 0;
    }
    if (msg == WM_CAPTURECHANGED) {
        on_capture_changed(hwnd, lparam);
        return 0;
    }
    return dispatch_message(hwnd, as_press(msg), wparam, lparam);
}

ComPtr<ITangramCanvas> ZOTANGRAM_WORLD::canvas()
{
    HRESULT result = E_POINTER;
    ComPtr<ITangramCanvas> found = itangramworld.as<ITangramCanvas>(&result);
    check(result, "Failed to create iTangramCanvas.");
    // A world may answer success and give no canvas.
    if (!found)
        zo::raise("Failed to create iTangramCanvas.");
    return found;
}

void ZOTANGRAM_WORLD::on_palette_changed(std::int32_t hwnd)
{
    on_query_new_palette(hwnd);
}

void ZOTANGRAM_WORLD::on_query_new_palette(std::int32_t hwnd)
{
    if (itangramworld)
        canvas()->OnQueryNewPalette(window_of(hwnd));
}

void ZOTANGRAM_WORLD::on_paint(std::int32_t hwnd, std::int32_t hdc)
{
    // After releaseinterfaces there is nothing left to paint.
    if (!itangramworld)
        return;
    if (!worldinitialized) {
        // Models served by another process are created in calls that pump
        // messages: a paint that comes meanwhile must not build the pieces again.
        worldinitialized = true;
        on_create(hwnd);
    }
    canvas()->Paint(dc_of(hdc), client_rect(hwnd));
}

void ZOTANGRAM_WORLD::on_create(std::int32_t hwnd)
{
    check(itangramworld->Initialize(window_of(hwnd), kWorldSize, kWorldSize), "Cannot initialize world.");
    fill_parent(window_of(hwnd), area);
    modellist.clear();
    std::array<point2d, 4> slots{};
    double x = 0.0;
    for (const PieceShape &piece : tangram_pieces()) {
        slots = piece.points;
        modellist.push_back(createtangrampiece(piece.count, slots.data(), x));
        x += kPieceSpacing;
    }
}

ComPtr<ITangramModel> ZOTANGRAM_WORLD::createtangrampiece(long count, point2d *points, double x)
{
    ComPtr<IUnknown> created;
    const HRESULT result = CoCreateInstance(CLSID_TangramModel, nullptr, static_cast<DWORD>(clsctx), __uuidof(IUnknown),
                                            created.put_void());
    if (FAILED(result))
        zo::raise("Failed to create the Tangram piece model component (error " + failure_code(result) + ").");
    ComPtr<ITangramModel> model = created.as<ITangramModel>();
    if (!model)
        zo::raise("Failed to create Tangram piece");
    model->SetVertices(count, points);
    itangramworld->CreateVisualForModel(model.get());
    if (ComPtr<ITangramTransform> transform = model.as<ITangramTransform>())
        transform->Translate(x, kPieceRow);
    return model;
}

void ZOTANGRAM_WORLD::releaseinterfaces()
{
    iselectedvisual.reset();
    itangramworld.reset();
    modellist.clear();
}

bool ZOTANGRAM_WORLD::interfacesareonsamecomponent(IUnknown *a, IUnknown *b)
{
    if (!a || !b)
        return false;
    ComPtr<IUnknown> first;
    check(a->QueryInterface(__uuidof(IUnknown), first.put_void()), "Failed to create iReal1.");
    ComPtr<IUnknown> second;
    check(b->QueryInterface(__uuidof(IUnknown), second.put_void()), "Failed to create iReal2.");
    return first.get() == second.get();
}

point2d ZOTANGRAM_WORLD::device_to_model(const zo::Point &point)
{
    point2d model{};
    check(itangramworld->DeviceToModel(device_point(point), &model), "Failed to create Model from Device.");
    return model;
}

ComPtr<ITangramTransform> ZOTANGRAM_WORLD::selected_transform()
{
    ComPtr<ITangramTransform> transform;
    check(iselectedvisual->GetModel(__uuidof(ITangramTransform), transform.put_void()),
          "Failed to create iTangramTransform.");
    if (!transform)
        zo::raise("Failed to create iTangramTransform.");
    return transform;
}

void ZOTANGRAM_WORLD::on_lbuttondown(std::int32_t hwnd, zo::Point *point)
{
    do_buttondown(hwnd, point);
}

void ZOTANGRAM_WORLD::on_rbuttondown(std::int32_t hwnd, zo::Point *point)
{
    do_buttondown(hwnd, point);
}

void ZOTANGRAM_WORLD::do_buttondown(std::int32_t hwnd, zo::Point *point)
{
    if (iselectedvisual || !itangramworld || !point)
        return;
    ComPtr<ITangramVisual> visual;
    check(itangramworld->VisualFromPoint(device_point(*point), __uuidof(ITangramVisual), visual.put_void()),
          "Failed to create iSelectedVisual");
    if (!visual)
        return;
    iselectedvisual = visual;
    const point2d grabbed = device_to_model(*point);
    point2d translation{};
    selected_transform()->GetTranslation(&translation);
    sizeddiff = {grabbed.x - translation.x, grabbed.y - translation.y};
    check(itangramworld->SelectVisual(iselectedvisual.get(), TRUE), "Failed to select iSelectedVisual.");
    check(itangramworld->Animate(), "Failed to animate world.");
    SetCapture(window_of(hwnd));
}

void ZOTANGRAM_WORLD::on_mousemove(std::int32_t hwnd, zo::Point *point)
{
    if (GetCapture() != window_of(hwnd) || !iselectedvisual || !point)
        return;
    const RECT client = client_rect(hwnd);
    if (!PtInRect(&client, device_point(*point)))
        return;
    const point2d model = device_to_model(*point);
    selected_transform()->Translate(model.x - sizeddiff.x, model.y - sizeddiff.y);
}

void ZOTANGRAM_WORLD::on_lbuttonup(std::int32_t hwnd, zo::Point *)
{
    if (GetCapture() != window_of(hwnd) || !iselectedvisual)
        return;
    drop_selected();
}

void ZOTANGRAM_WORLD::on_rbuttonup(std::int32_t, zo::Point *point)
{
    if (!iselectedvisual || !point)
        return;
    ComPtr<ITangramVisual> visual;
    check(itangramworld->VisualFromPoint(device_point(*point), __uuidof(ITangramVisual), visual.put_void()),
          "Failed to create iSelectedVisual");
    if (interfacesareonsamecomponent(visual.get(), iselectedvisual.get())) {
        ComPtr<ITangramTransform> transform = selected_transform();
        double angle = 0.0;
        check(transform->GetRotation(&angle), "Failed to get rotation.");
        check(transform->Rotate(angle + kRotationStep), "Failed to rotate.");
    }
    visual.reset();
    drop_selected();
}

// Another window took the mouse (a system key, a menu, another program): the
// drag ends where the piece is, or every later press would find it still held.
void ZOTANGRAM_WORLD::on_capture_changed(std::int32_t hwnd, std::int32_t new_owner)
{
    if (iselectedvisual && window_of(new_owner) != window_of(hwnd))
        let_go_selected();
}

void ZOTANGRAM_WORLD::drop_selected()
{
    let_go_selected();
    ReleaseCapture();
}

void ZOTANGRAM_WORLD::let_go_selected()
{
    check(itangramworld->SelectVisual(iselectedvisual.get(), FALSE), "Failed to de-select iSelectedVisual.");
    iselectedvisual.reset();
}

} // namespace zotangram
