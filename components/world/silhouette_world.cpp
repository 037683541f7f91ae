// A world that shows one classic Tangram figure behind the pieces. A piece
// dropped close to a free place of the figure, turned about as the place
// asks, snaps exactly into it; the figure is solved when all seven places
// hold a piece, and the world says so with the time it took.
#include "figures.hpp"
#include "world.hpp"

#include <array>
#include <cwchar>
#include <string>

namespace tangram {
namespace {

constexpr COLORREF silhouette_colour = RGB(0x4A, 0x4E, 0x69);
constexpr COLORREF hint_colour = RGB(0x8A, 0x80, 0x70);
constexpr COLORREF solved_fill = RGB(0x2E, 0x8B, 0x57);
constexpr COLORREF solved_text = RGB(0xFF, 0xFF, 0xFF);

std::wstring minutes_and_seconds(DWORD milliseconds)
{
    const DWORD seconds = milliseconds / 1000;
    wchar_t text[32];
    std::swprintf(text, 32, L"%lu:%02lu", static_cast<unsigned long>(seconds / 60),
                  static_cast<unsigned long>(seconds % 60));
    return text;
}

// What a model says of itself: its own vertices and its transform.
struct ModelReading {
    std::array<point2d, 4> vertices{};
    long count = 0;
    point2d translation{};
    double degrees = 0;
};

HRESULT read_model(Visual &visual, ModelReading &reading)
{
    HRESULT hr = visual.model()->GetNumberOfVertices(&reading.count);
    if (SUCCEEDED(hr) && (reading.count < 3 || reading.count > 4))
        hr = E_UNEXPECTED;
    if (SUCCEEDED(hr))
        hr = visual.model()->GetVertices(reading.count, reading.vertices.data());
    if (SUCCEEDED(hr))
        hr = visual.transform()->GetTranslation(&reading.translation);
    if (SUCCEEDED(hr))
        hr = visual.transform()->GetRotation(&reading.degrees);
    return hr;
}

Outline vertices_of(const ModelReading &reading)
{
    Outline vertices;
    for (long i = 0; i < reading.count; ++i)
        vertices.push_back({reading.vertices[i].x, reading.vertices[i].y});
    return vertices;
}

class SilhouetteWorld final : public WorldBase, public ITangramSilhouette {
public:
    explicit SilhouetteWorld(size_t figure) { show_figure(static_cast<long>(figure)); }
    ~SilhouetteWorld() override { stop_clock_display(); }

    STDMETHODIMP QueryInterface(REFIID riid, void **object) override { return WorldBase::QueryInterface(riid, object); }
    STDMETHODIMP_(ULONG) AddRef() override { return WorldBase::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return WorldBase::Release(); }

    STDMETHODIMP Initialize(HWND window, double width, double height) override
    {
        stop_clock_display();
        clock_running_ = false;
        const HRESULT hr = WorldBase::Initialize(window, width, height);
        if (SUCCEEDED(hr))
            restart_clock();
        return hr;
    }

    STDMETHODIMP GetFigureCount(long *count) override { return answer(count, figures().size()); }
    STDMETHODIMP GetFigure(long *index) override { return answer(index, figure_); }
    STDMETHODIMP SetFigure(long index) override
    {
        if (index < 0 || index >= static_cast<long>(figures().size()))
            return E_INVALIDARG;
        show_figure(index);
        restart_clock();
        redraw();
        return S_OK;
    }
    STDMETHODIMP IsCovered(BOOL *covered) override
    {
        if (!covered)
            return E_POINTER;
        *covered = placed() == piece_count;
        return S_OK;
    }
    STDMETHODIMP GetPlacedCount(long *count) override
    {
        if (!count)
            return E_POINTER;
        *count = placed();
        return S_OK;
    }
    STDMETHODIMP GetSolvedTime(long *milliseconds) override
    {
        if (!milliseconds)
            return E_POINTER;
        placed();
        *milliseconds = solved_ ? static_cast<long>(solved_after_) : -1;
        return solved_ ? S_OK : S_FALSE;
    }

    void draw_backdrop(HDC dc, const Viewport &view) override
    {
        std::vector<Outline> target;
        for (const Place &place : figure().places)
            target.push_back(place.outline);
        SceneRenderer::fill_polygons(dc, view, target, silhouette_colour);
    }
    void draw_overlay(HDC dc, const Viewport &view) override
    {
        const std::wstring name = figure().name;
        const long count = placed();
        const double line = view.world.y - 1;
        if (count == piece_count) {
            const std::wstring text = L"Solved! The " + name + L" in " + minutes_and_seconds(solved_after_) + L".";
            renderer().draw_banner(dc, view, text.c_str(), solved_fill, solved_text, line);
            return;
        }
        std::wstring text = L"Make the " + name + L": " + std::to_wstring(count) + L" of 7 pieces on their places";
        if (clock_running_)
            text += L", " + minutes_and_seconds(GetTickCount() - started_);
        renderer().draw_caption(dc, view, text.c_str(), hint_colour, line);
    }

protected:
    HRESULT query_more(REFIID riid, void **object) override
    {
        if (riid != IID_ITangramSilhouette)
            return E_NOINTERFACE;
        *object = static_cast<ITangramSilhouette *>(this);
        return S_OK;
    }
    void scene_changed() override { placed_known_ = false; }
    void selection_changed(Visual &visual, bool selected) override
    {
        if (selected) {
            if (!clock_running_) {
                restart_clock();
                clock_running_ = true;
                start_clock_display();
            }
            return;
        }
        snap(visual);
        if (placed() < piece_count)
            start_clock_display();
    }

private:
    const Figure &figure() const { return figures()[static_cast<size_t>(figure_)]; }

    void show_figure(long index)
    {
        figure_ = index;
        placed_known_ = false;
        solved_ = false;
        renderer().backdrop_changed();
    }
    // The caption shows the running time: it is drawn again every second
    // until the figure is solved. The timer's id is the world's address plus one.
    void start_clock_display()
    {
        if (window() && !clock_display_)
            clock_display_ = SetTimer(window(), clock_timer_id(), 1000, &SilhouetteWorld::clock_tick) != 0;
    }
    void stop_clock_display()
    {
        if (clock_display_ && window())
            KillTimer(window(), clock_timer_id());
        clock_display_ = false;
    }
    UINT_PTR clock_timer_id() const { return reinterpret_cast<UINT_PTR>(this) + 1; }
    static void CALLBACK clock_tick(HWND, UINT, UINT_PTR id, DWORD)
    {
        auto *world = reinterpret_cast<SilhouetteWorld *>(id - 1);
        if (world->solved_)
            world->stop_clock_display();
        world->redraw();
    }

    void restart_clock()
    {
        started_ = GetTickCount();
        solved_ = false;
        placed_known_ = false;
    }

    // The places the other pieces lie on are taken.
    std::vector<bool> taken_without(Visual &dropped)
    {
        std::vector<Outline> others;
        for (Visual *visual : visuals())
            if (visual != &dropped)
                others.push_back(visual->outline());
        return occupied_places(figure(), others);
    }

    void snap(Visual &visual)
    {
        ModelReading reading;
        if (FAILED(read_model(visual, reading)))
            return;
        const Outline vertices = vertices_of(reading);
        const auto recognised = recognise(vertices);
        if (!recognised)
            return;
        const Vec own = vertex_centre(vertices);
        const PieceState state{recognised->kind,
                               recognised->mirrored,
                               {own.x + reading.translation.x, own.y + reading.translation.y},
                               reading.degrees};
        const auto found = find_snap(figure(), state, taken_without(visual));
        if (!found)
            return;
        if (found->flip) {
            std::array<point2d, 4> turned_over{};
            const Outline flipped = mirrored(vertices);
            for (size_t i = 0; i < flipped.size(); ++i)
                turned_over[i] = {flipped[i].x, flipped[i].y};
            visual.model()->SetVertices(reading.count, turned_over.data());
        }
        // Turning the vertices over keeps their centre, so the translation holds for both hands.
        visual.transform()->Rotate(found->degrees);
        visual.transform()->Translate(found->centre.x - own.x, found->centre.y - own.y);
    }

    long placed()
    {
        if (!placed_known_) {
            long count = 0;
            for (bool occupied : occupied_places(figure(), piece_outlines()))
                count += occupied ? 1 : 0;
            placed_count_ = count;
            placed_known_ = true;
            if (count == piece_count && !solved_) {
                solved_ = true;
                solved_after_ = GetTickCount() - started_;
            } else if (count < piece_count) {
                solved_ = false;
            }
        }
        return placed_count_;
    }

    long figure_ = 0;
    bool placed_known_ = false;
    long placed_count_ = 0;
    bool clock_running_ = false;
    bool clock_display_ = false;
    DWORD started_ = 0;
    bool solved_ = false;
    DWORD solved_after_ = 0;
};

} // namespace

HRESULT create_silhouette_world(size_t figure, REFIID riid, void **object)
{
    if (figure >= figures().size())
        return CLASS_E_CLASSNOTAVAILABLE;
    return create_and_query<SilhouetteWorld>(riid, object, figure);
}

} // namespace tangram
