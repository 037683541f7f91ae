// The plain world: the board and the pieces, with a short hint below.
#include "world.hpp"

namespace tangram {
namespace {

class ClassicWorld final : public WorldBase {
public:
    void draw_backdrop(HDC, const Viewport &) override {}
    void draw_overlay(HDC dc, const Viewport &view) override
    {
        renderer().draw_caption(dc, view, L"Drag a piece; a right click turns it by 45\u00B0.", RGB(0x8A, 0x80, 0x70),
                                view.world.y - 1);
    }
};

} // namespace

HRESULT create_classic_world(REFIID riid, void **object)
{
    return create_and_query<ClassicWorld>(riid, object);
}

} // namespace tangram
