// Frame time of a drag in the puzzle window: the time from a mouse move
// posted to the puzzle to the end of the paint that shows the piece at its
// new place, over 200 moves, with the real form, widget and classic world.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app_driver.hpp"
#include "zotangram/com_support.hpp"
#include "zotangram/zotangram.hpp"

namespace {

using zotangram::ZOTANGRAM;
using zotangram::ZOTANGRAM_WORLD;

double now_ms()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The puzzle, counting its paints and the time spent in the paint and move hooks.
class TIMED_WORLD : public ZOTANGRAM_WORLD {
    ZO_OBJECT(TIMED_WORLD, ZOTANGRAM_WORLD)
    std::int32_t paints = 0;
    double painting_ms = 0.0;
    double moving_ms = 0.0;

    void on_paint(std::int32_t hwnd, std::int32_t hdc) override
    {
        const double start = now_ms();
        ZOTANGRAM_WORLD::on_paint(hwnd, hdc);
        painting_ms += now_ms() - start;
        ++paints;
    }
    void on_mousemove(std::int32_t hwnd, zo::Point *point) override
    {
        const double start = now_ms();
        ZOTANGRAM_WORLD::on_mousemove(hwnd, point);
        moving_ms += now_ms() - start;
    }
};

} // namespace

ZO_CLASS(TIMED_WORLD, "TIMED_WORLD", c)
{
    ZO_ATTRIBUTES(c, paints);
}

namespace {

constexpr int kMoves = 200;
TIMED_WORLD *g_world = nullptr;
std::vector<double> g_frames_ms;

HWND board()
{
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(g_world->hwnd)));
}

POINT on_board(double x, double y)
{
    RECT client{};
    GetClientRect(board(), &client);
    const double scale = std::min(client.right, client.bottom) / zotangram::kWorldSize;
    return {static_cast<LONG>((client.right - zotangram::kWorldSize * scale) / 2 + x * scale),
            static_cast<LONG>((client.bottom - zotangram::kWorldSize * scale) / 2 + y * scale)};
}

// One frame: the move, then everything up to the end of its paint.
double frame(POINT to)
{
    const std::int32_t painted = g_world->paints;
    const double start = now_ms();
    apptest::post_mouse(board(), WM_MOUSEMOVE, MK_LBUTTON, to);
    apptest::pump_until([painted] { return g_world->paints > painted; }, 10000);
    return now_ms() - start;
}

// Grabs the parallelogram and moves it back and forth across the board, then closes the window.
void drag_and_close()
{
    POINT at = on_board(13.0, 1.5);
    apptest::post_mouse(board(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    apptest::pump_until([] { return static_cast<bool>(g_world->iselectedvisual); }, 10000);
    for (int i = 0; i < kMoves; ++i) {
        const int step = i % 40 < 20 ? i % 40 : 40 - i % 40;
        at = on_board(13.0 - 0.5 * step, 1.5 + 0.4 * step);
        g_frames_ms.push_back(frame(at));
    }
    apptest::post_mouse(board(), WM_LBUTTONUP, 0, at);
    // Read before the window closes: the closed form rolls the puzzle's state back.
    std::printf("inside the puzzle, per frame: paint %.2f ms, move %.2f ms\n", g_world->painting_ms / g_world->paints,
                g_world->moving_ms / kMoves);
    PostMessageA(GetParent(board()), WM_SYSCOMMAND, SC_CLOSE, 0);
}

void CALLBACK start_when_built(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (!g_world->worldinitialized || g_world->paints == 0)
        return;
    KillTimer(nullptr, timer);
    drag_and_close();
}

void measure()
{
    zo::Root<ZOTANGRAM> application(zo::make<ZOTANGRAM>());
    application->add_resource_file(application->zotangram_fl_filename);
    g_world = zo::make<TIMED_WORLD>();
    application->zotangramworld = g_world;
    zo::Guid *classic = zotangram::make_guid(apptest::kClassicWorld);
    g_world->make(classic, false);
    SetTimer(nullptr, 0, 50, &start_when_built);
    application->display(2);
    g_world->releaseinterfaces();
}

} // namespace

int main()
{
    if (FAILED(CoInitialize(nullptr)) || FAILED(apptest::register_components())) {
        std::printf("cannot register the Tangram components\n");
        return 1;
    }
    measure();
    CoUninitialize();
    if (g_frames_ms.size() != kMoves) {
        std::printf("the drag did not finish (%zu frames)\n", g_frames_ms.size());
        return 1;
    }
    std::vector<double> sorted = g_frames_ms;
    std::sort(sorted.begin(), sorted.end());
    std::printf("drag frame (mouse move to finished paint), %d moves: median %.2f ms, worst %.2f ms\n", kMoves,
                sorted[sorted.size() / 2], sorted.back());
    return 0;
}
