// The Tangram components driven as the puzzle drives them: registered,
// found through their category, created on a real window, with the seven
// pieces built, painted, hit-tested, dragged and turned.
#include "com_object.hpp"
#include "figures.hpp"
#include "test_support.hpp"
#include "world_classes.hpp"

#include <gtest/gtest.h>
#include <ocidl.h>
#include <olectl.h>
#include <cmath>
#include <limits>
#include <set>

using namespace tangram;
using namespace tangram::test;

namespace {

const wchar_t model_dll[] = L"tangram_model.dll";
const wchar_t worlds_dll[] = L"tangram_worlds.dll";

class ComponentsEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(CoInitialize(nullptr));
        ASSERT_HRESULT_SUCCEEDED(call_registration(model_dll, "DllRegisterServer"));
        ASSERT_HRESULT_SUCCEEDED(call_registration(worlds_dll, "DllRegisterServer"));
    }
    void TearDown() override
    {
        CoFreeUnusedLibraries();
        EXPECT_HRESULT_SUCCEEDED(call_registration(worlds_dll, "DllUnregisterServer"));
        EXPECT_HRESULT_SUCCEEDED(call_registration(model_dll, "DllUnregisterServer"));
        EXPECT_FALSE(class_key_exists(CLSID_TangramModel));
        EXPECT_FALSE(class_key_exists(CLSID_TangramClassicWorld));
        EXPECT_TRUE(world_classes().empty());
        CoUninitialize();
    }
};
const auto *environment = ::testing::AddGlobalTestEnvironment(new ComponentsEnvironment);

bool listed(const std::vector<CLSID> &classes, const CLSID &clsid)
{
    return std::find(classes.begin(), classes.end(), clsid) != classes.end();
}

Vec start_centre(int piece, Vec translation)
{
    const Vec c = vertex_centre(standard_pieces()[piece].points());
    return {c.x + translation.x, c.y + translation.y};
}

Vec translation_of(ITangramTransform *transform)
{
    point2d t{};
    EXPECT_HRESULT_SUCCEEDED(transform->GetTranslation(&t));
    return {t.x, t.y};
}

// Gives the model of a piece its own vertices or their mirror image.
void set_hand(const Puzzle &puzzle, int piece, bool mirror)
{
    const auto points = standard_pieces()[piece].points();
    const Outline shape = mirror ? mirrored(points) : Outline(points.begin(), points.end());
    point2d slots[4]{};
    for (size_t i = 0; i < shape.size(); ++i)
        slots[i] = {shape[i].x, shape[i].y};
    puzzle.models[piece]->SetVertices(static_cast<long>(shape.size()), slots);
}

// Places every piece on a figure's solution, shifted by offset.
void place_on_figure(const Puzzle &puzzle, const Figure &figure, Vec offset = {})
{
    const auto poses = solution(figure);
    for (int i = 0; i < piece_count; ++i) {
        auto transform = puzzle.transform(i);
        set_hand(puzzle, i, poses[i].mirrored);
        transform->Rotate(poses[i].pose.degrees);
        transform->Translate(poses[i].pose.translation.x + offset.x, poses[i].pose.translation.y + offset.y);
    }
}

COLORREF pixel_at(HDC dc, POINT p)
{
    return GetPixel(dc, p.x, p.y);
}

class MemoryCanvas {
public:
    MemoryCanvas(int width, int height) : dc_(CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void *bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
    }
    MemoryCanvas(const MemoryCanvas &) = delete;
    MemoryCanvas &operator=(const MemoryCanvas &) = delete;
    ~MemoryCanvas()
    {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
};

} // namespace

TEST(Registration, Regsvr32RegistersAndUnregistersBothComponents)
{
    const std::wstring model = L"\"" + bin_path(model_dll) + L"\"", worlds = L"\"" + bin_path(worlds_dll) + L"\"";
    ASSERT_EQ(run_regsvr32(L"/u /s " + worlds), 0u);
    ASSERT_EQ(run_regsvr32(L"/u /s " + model), 0u);
    EXPECT_FALSE(class_key_exists(CLSID_TangramModel));
    EXPECT_FALSE(class_key_exists(CLSID_TangramClassicWorld));
    for (size_t i = 0; i < figures().size(); ++i)
        EXPECT_FALSE(class_key_exists(silhouette_world_class(i))) << i;
    EXPECT_TRUE(world_classes().empty());
    EXPECT_EQ(friendly_name(CLSID_TangramClassicWorld), L"{N/A}");

    ASSERT_EQ(run_regsvr32(L"/s " + model), 0u);
    ASSERT_EQ(run_regsvr32(L"/s " + worlds), 0u);
    const auto worlds_found = world_classes();
    EXPECT_TRUE(listed(worlds_found, CLSID_TangramClassicWorld));
    EXPECT_EQ(worlds_found.size(), 1 + figures().size());
    for (size_t i = 0; i < figures().size(); ++i) {
        EXPECT_TRUE(listed(worlds_found, silhouette_world_class(i))) << i;
        EXPECT_EQ(friendly_name(silhouette_world_class(i)),
                  std::wstring(L"ZOTangram Silhouette: ") + figures()[i].name);
    }
    EXPECT_EQ(friendly_name(silhouette_world_class(3)), L"ZOTangram Silhouette: Swan");
    EXPECT_FALSE(listed(worlds_found, CLSID_TangramModel)); // a model is no world
    EXPECT_EQ(friendly_name(CLSID_TangramClassicWorld), L"ZOTangram Classic World");
    EXPECT_EQ(friendly_name(CLSID_TangramModel), L"ZOTangram Piece Model");
    const std::wstring server = L"CLSID\\{B53313C4-20C4-11D0-9C6C-00A0C90A632C}\\InprocServer32";
    EXPECT_EQ(registry_value(server, L"ThreadingModel"), L"Apartment");
    EXPECT_NE(registry_value(server, nullptr).find(L"tangram_model.dll"), std::wstring::npos);
}

TEST(Model, StoresVerticesAndAbsoluteTransform)
{
    ComPtr<ITangramModel> model;
    ASSERT_HRESULT_SUCCEEDED(
        CoCreateInstance(CLSID_TangramModel, nullptr, CLSCTX_INPROC_SERVER, IID_ITangramModel, model.put_void()));
    point2d slots[4] = {{0, 0}, {2, 0}, {1, 1}, {9.9, 9.9}};
    ASSERT_HRESULT_SUCCEEDED(model->SetVertices(3, slots));
    long count = 0;
    model->GetNumberOfVertices(&count);
    EXPECT_EQ(count, 3);
    point2d read[4] = {};
    EXPECT_EQ(model->GetVertices(2, read), S_FALSE); // room for two of three
    EXPECT_EQ(model->GetVertices(4, read), S_OK);
    EXPECT_EQ(read[2].x, 1.0);
    EXPECT_EQ(model->SetVertices(5, slots), E_INVALIDARG);
    EXPECT_EQ(model->SetVertices(-1, slots), E_INVALIDARG);

    auto transform = model.as<ITangramTransform>();
    ASSERT_TRUE(transform);
    transform->Translate(3, 4);
    transform->Translate(5, 6); // absolute, not added
    EXPECT_EQ(translation_of(transform.get()).x, 5.0);
    EXPECT_EQ(transform->Translate(std::numeric_limits<double>::quiet_NaN(), 1), E_INVALIDARG);
    EXPECT_EQ(translation_of(transform.get()).y, 6.0);
    double degrees = -1;
    transform->Rotate(45);
    transform->Rotate(90);
    transform->GetRotation(&degrees);
    EXPECT_EQ(degrees, 90.0);
    EXPECT_TRUE(same_object(model.get(), transform.get()));
}

TEST(Model, TellsAdvisedSinksOfEveryChangeUntilUnadvised)
{
    ComPtr<ITangramModel> model;
    ASSERT_HRESULT_SUCCEEDED(
        CoCreateInstance(CLSID_TangramModel, nullptr, CLSCTX_INPROC_SERVER, IID_ITangramModel, model.put_void()));
    ComPtr<IConnectionPoint> point;
    ASSERT_HRESULT_SUCCEEDED(
        model.as<IConnectionPointContainer>()->FindConnectionPoint(IID_ITangramModelEvent, point.put()));
    auto sink = ComPtr<CountingSink>::adopt(new CountingSink);
    DWORD cookie = 0;
    ASSERT_HRESULT_SUCCEEDED(point->Advise(static_cast<ITangramModelEvent *>(sink.get()), &cookie));
    point2d slots[4] = {{0, 0}, {1, 0}, {0, 1}};
    model->SetVertices(3, slots);
    model.as<ITangramTransform>()->Translate(1, 1);
    model.as<ITangramTransform>()->Rotate(45);
    EXPECT_EQ(sink->calls, 3);
    EXPECT_HRESULT_SUCCEEDED(point->Unadvise(cookie));
    EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);
    model.as<ITangramTransform>()->Rotate(90);
    EXPECT_EQ(sink->calls, 3);
}

class WorldTest : public ::testing::TestWithParam<CLSID> {
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(build_puzzle(GetParam(), window.handle(), puzzle));
        window.set_canvas(puzzle.world.as<ITangramCanvas>().get());
    }
    void TearDown() override { window.set_canvas(nullptr); }
    POINT at(Vec model) const { return to_device(window.handle(), model); }

    TestWindow window{640, 480};
    Puzzle puzzle;
};

TEST_P(WorldTest, PiecesStandWhereBuiltAndAreFoundByPoint)
{
    std::set<IUnknown *> seen;
    for (int i = 0; i < piece_count; ++i) {
        auto transform = puzzle.transform(i);
        const Vec t = translation_of(transform.get());
        EXPECT_EQ(t.x, 2.0 * i);
        EXPECT_EQ(t.y, 1.0);
        const auto found = model_at(puzzle.world.get(), at(start_centre(i, t)));
        ASSERT_TRUE(found) << "piece " << i + 1;
        EXPECT_EQ(found.get(), identity(puzzle.models[i].get()).get()) << "piece " << i + 1;
        EXPECT_EQ(model_at(puzzle.world.get(), at(start_centre(i, t))).get(), found.get());
        seen.insert(found.get());
    }
    EXPECT_EQ(seen.size(), 7u);

    ComPtr<ITangramVisual> nothing;
    EXPECT_EQ(puzzle.world->VisualFromPoint(at({10, 15}), IID_ITangramVisual, nothing.put_void()), S_OK);
    EXPECT_FALSE(nothing);
    EXPECT_EQ(puzzle.world->VisualFromPoint(at({10, 15}), IID_ITangramVisual, nullptr), E_POINTER);
}

TEST_P(WorldTest, DeviceToModelKeepsTheAspectOfTheCurrentClientArea)
{
    window.resize_client(800, 400); // 20 pixels a unit, board from x = 200 to 600
    point2d m{};
    ASSERT_HRESULT_SUCCEEDED(puzzle.world->DeviceToModel({400, 200}, &m));
    EXPECT_NEAR(m.x, 10, 1e-9);
    EXPECT_NEAR(m.y, 10, 1e-9);
    puzzle.world->DeviceToModel({200, 0}, &m);
    EXPECT_NEAR(m.x, 0, 1e-9);
    puzzle.world->DeviceToModel({600, 400}, &m);
    EXPECT_NEAR(m.x, 20, 1e-9);
    EXPECT_NEAR(m.y, 20, 1e-9);
    EXPECT_EQ(puzzle.world->DeviceToModel({0, 0}, nullptr), E_POINTER);
}

// Exact hit testing: just inside and just outside every edge of a large
// triangle turned by 45 degrees (about the centre of its vertices).
TEST_P(WorldTest, HitTestingIsExactOnARotatedPiece)
{
    auto transform = puzzle.transform(4);
    transform->Rotate(45);
    transform->Translate(10, 10);
    const Outline outline = place(standard_pieces()[4].points(), Pose{{10, 10}, 45});
    const Vec centre = vertex_centre(outline);
    const auto piece = identity(puzzle.models[4].get());
    for (size_t i = 0; i < outline.size(); ++i) {
        const Vec a = outline[i], b = outline[(i + 1) % outline.size()];
        const Vec middle{(a.x + b.x) / 2, (a.y + b.y) / 2};
        const double length = std::hypot(middle.x - centre.x, middle.y - centre.y);
        const Vec inward{(centre.x - middle.x) / length, (centre.y - middle.y) / length};
        const Vec inside{middle.x + 0.12 * inward.x, middle.y + 0.12 * inward.y};
        const Vec outside{middle.x - 0.12 * inward.x, middle.y - 0.12 * inward.y};
        EXPECT_EQ(model_at(puzzle.world.get(), at(inside)).get(), piece.get()) << "edge " << i;
        EXPECT_FALSE(model_at(puzzle.world.get(), at(outside))) << "edge " << i;
    }
    // Inside the piece's bounding box, beyond its hypotenuse.
    double low_x = 99, low_y = 99;
    for (Vec v : outline)
        low_x = std::min(low_x, v.x), low_y = std::min(low_y, v.y);
    EXPECT_FALSE(model_at(puzzle.world.get(), at({low_x + 0.15, low_y + 0.15})));
}

TEST_P(WorldTest, TheSelectedOrLastMovedPieceIsOnTop)
{
    auto square = puzzle.transform(0), triangle = puzzle.transform(1);
    square->Translate(5, 10);
    triangle->Translate(5, 10);
    const POINT overlap = at({5.25, 10.25});
    EXPECT_EQ(model_at(puzzle.world.get(), overlap).get(), identity(puzzle.models[1].get()).get());
    square->Translate(5, 10);
    EXPECT_EQ(model_at(puzzle.world.get(), overlap).get(), identity(puzzle.models[0].get()).get());

    ComPtr<ITangramVisual> below;
    puzzle.world->VisualFromPoint(at({5.25, 10.75}), IID_ITangramVisual, below.put_void()); // square only
    ASSERT_TRUE(below);
    triangle->Translate(5, 10);
    EXPECT_EQ(model_at(puzzle.world.get(), overlap).get(), identity(puzzle.models[1].get()).get());
    ASSERT_HRESULT_SUCCEEDED(puzzle.world->SelectVisual(below.get(), TRUE));
    EXPECT_EQ(model_at(puzzle.world.get(), overlap).get(), identity(puzzle.models[0].get()).get());
    EXPECT_HRESULT_SUCCEEDED(puzzle.world->SelectVisual(below.get(), FALSE));
}

// Grab, drag and turn exactly as the puzzle window does.
TEST_P(WorldTest, DraggingAndTurningFollowThePuzzlesCalls)
{
    const POINT grab = at(start_centre(3, {6, 1}));
    ComPtr<ITangramVisual> selected;
    ASSERT_HRESULT_SUCCEEDED(puzzle.world->VisualFromPoint(grab, IID_ITangramVisual, selected.put_void()));
    ASSERT_TRUE(selected);
    point2d m{}, t{};
    ASSERT_HRESULT_SUCCEEDED(puzzle.world->DeviceToModel(grab, &m));
    ComPtr<ITangramTransform> transform;
    ASSERT_HRESULT_SUCCEEDED(selected->GetModel(IID_ITangramTransform, transform.put_void()));
    transform->GetTranslation(&t);
    const point2d grabbed_at{m.x - t.x, m.y - t.y};
    ASSERT_HRESULT_SUCCEEDED(puzzle.world->SelectVisual(selected.get(), TRUE));
    ASSERT_HRESULT_SUCCEEDED(puzzle.world->Animate());

    for (int step = 1; step <= 4; ++step) {
        const POINT move{grab.x + 30 * step, grab.y + 24 * step}; // 24 pixels a unit
        ASSERT_HRESULT_SUCCEEDED(puzzle.world->DeviceToModel(move, &m));
        transform->Translate(m.x - grabbed_at.x, m.y - grabbed_at.y);
    }
    const Vec moved = translation_of(transform.get());
    EXPECT_NEAR(moved.x, 6 + 5.0, 1e-9);
    EXPECT_NEAR(moved.y, 1 + 4.0, 1e-9);
    EXPECT_EQ(model_at(puzzle.world.get(), {grab.x + 120, grab.y + 96}).get(), identity(puzzle.models[3].get()).get());

    double degrees = -1;
    ASSERT_HRESULT_SUCCEEDED(transform->GetRotation(&degrees));
    ASSERT_HRESULT_SUCCEEDED(transform->Rotate(degrees + 45.0));
    transform->GetRotation(&degrees);
    EXPECT_EQ(degrees, 45.0);
    EXPECT_HRESULT_SUCCEEDED(puzzle.world->SelectVisual(selected.get(), FALSE));

    // A visual of another world is not one of this world's pieces.
    TestWindow other_window(200, 200);
    Puzzle other;
    ASSERT_HRESULT_SUCCEEDED(build_puzzle(GetParam(), other_window.handle(), other));
    ComPtr<ITangramVisual> foreign;
    other.world->VisualFromPoint(to_device(other_window.handle(), {0.5, 1.5}), IID_ITangramVisual, foreign.put_void());
    ASSERT_TRUE(foreign);
    EXPECT_EQ(puzzle.world->SelectVisual(foreign.get(), TRUE), E_INVALIDARG);
    EXPECT_EQ(puzzle.world->SelectVisual(nullptr, TRUE), E_POINTER);
}

TEST_P(WorldTest, PaintDrawsSevenColoursAndHighlightsTheSelection)
{
    MemoryCanvas canvas(640, 480);
    auto paint = [&] {
        ASSERT_HRESULT_SUCCEEDED(puzzle.world.as<ITangramCanvas>()->Paint(canvas.dc(), {0, 0, 640, 480}));
    };
    paint();
    std::set<COLORREF> colours;
    for (int i = 0; i < piece_count; ++i)
        colours.insert(pixel_at(canvas.dc(), at(start_centre(i, {2.0 * i, 1}))));
    EXPECT_EQ(colours.size(), 7u);
    const COLORREF board = pixel_at(canvas.dc(), at({3.5, 6.5}));
    EXPECT_EQ(colours.count(board), 0u);
    EXPECT_NE(pixel_at(canvas.dc(), {2, 2}), board) << "the margin beside the board looks like the board";

    const POINT middle = at(start_centre(5, {10, 1}));
    const COLORREF plain = pixel_at(canvas.dc(), middle);
    ComPtr<ITangramVisual> visual;
    puzzle.world->VisualFromPoint(middle, IID_ITangramVisual, visual.put_void());
    ASSERT_TRUE(visual);
    puzzle.world->SelectVisual(visual.get(), TRUE);
    paint();
    EXPECT_NE(pixel_at(canvas.dc(), middle), plain);
    puzzle.world->SelectVisual(visual.get(), FALSE);
    paint();
    EXPECT_EQ(pixel_at(canvas.dc(), middle), plain);
}

TEST_P(WorldTest, ChangesRepaintTheWindowAndTheAnimationEnds)
{
    const HWND hwnd = window.handle();
    ASSERT_TRUE(pump_until([&] { return !GetUpdateRect(hwnd, nullptr, FALSE) && window.paints() > 0; }, 10000));
    puzzle.transform(2)->Translate(9, 12);
    EXPECT_TRUE(GetUpdateRect(hwnd, nullptr, FALSE)) << "a moved piece must invalidate the window";
    ASSERT_TRUE(pump_until([&] { return !GetUpdateRect(hwnd, nullptr, FALSE); }, 10000));
    HDC dc = GetDC(hwnd);
    const COLORREF on_screen = pixel_at(dc, at(start_centre(2, {9, 12})));
    ReleaseDC(hwnd, dc);
    MemoryCanvas canvas(640, 480);
    puzzle.world.as<ITangramCanvas>()->Paint(canvas.dc(), {0, 0, 640, 480});
    EXPECT_EQ(on_screen, pixel_at(canvas.dc(), at(start_centre(2, {9, 12}))));

    ComPtr<ITangramVisual> visual;
    puzzle.world->VisualFromPoint(at(start_centre(2, {9, 12})), IID_ITangramVisual, visual.put_void());
    ASSERT_TRUE(visual);
    puzzle.world->SelectVisual(visual.get(), TRUE);
    const int before = window.paints();
    ASSERT_HRESULT_SUCCEEDED(puzzle.world->Animate());
    DWORD quiet_since = GetTickCount();
    const bool settled = pump_until(
        [&] {
            if (GetUpdateRect(hwnd, nullptr, FALSE))
                quiet_since = GetTickCount();
            return GetTickCount() - quiet_since > 600;
        },
        8000);
    EXPECT_TRUE(settled) << "the animation never ends";
    EXPECT_GE(window.paints() - before, 3) << "the animation shows no effect";
    puzzle.world->SelectVisual(visual.get(), FALSE);
}

TEST_P(WorldTest, RejectsUnusableArguments)
{
    EXPECT_EQ(puzzle.world->Initialize(nullptr, 20, 20), E_INVALIDARG);
    EXPECT_EQ(puzzle.world->Initialize(window.handle(), 0, 20), E_INVALIDARG);
    EXPECT_HRESULT_FAILED(puzzle.world->CreateVisualForModel(nullptr));
    auto canvas = puzzle.world.as<ITangramCanvas>();
    EXPECT_EQ(canvas->Paint(nullptr, {0, 0, 10, 10}), E_INVALIDARG);
    EXPECT_HRESULT_SUCCEEDED(canvas->OnQueryNewPalette(window.handle()));
    // The world still works after the refusals.
    EXPECT_TRUE(model_at(puzzle.world.get(), at(start_centre(0, {0, 1}))));
}

TEST_P(WorldTest, OnlyTheSilhouetteWorldHasAFigure)
{
    const bool is_silhouette = GetParam() == CLSID_TangramSilhouetteWorld;
    EXPECT_EQ(static_cast<bool>(puzzle.world.as<ITangramSilhouette>()), is_silhouette);
}

INSTANTIATE_TEST_SUITE_P(Worlds, WorldTest, ::testing::Values(CLSID_TangramClassicWorld, CLSID_TangramSilhouetteWorld),
                         [](const auto &info) {
                             return std::string(info.param == CLSID_TangramClassicWorld ? "Classic" : "Silhouette");
                         });

class SilhouetteTest : public WorldTest {
protected:
    // The piece picked up at its centre, as the puzzle picks it up.
    ComPtr<ITangramVisual> pick_up(int piece)
    {
        ComPtr<ITangramVisual> visual;
        const Vec c = start_centre(piece, translation_of(puzzle.transform(piece).get()));
        puzzle.world->VisualFromPoint(at(c), IID_ITangramVisual, visual.put_void());
        if (visual)
            puzzle.world->SelectVisual(visual.get(), TRUE);
        return visual;
    }
};

TEST_P(SilhouetteTest, DroppedPiecesSnapIntoTheirPlacesAndTheFigureIsSolvedExactly)
{
    auto silhouette = puzzle.world.as<ITangramSilhouette>();
    ASSERT_TRUE(silhouette);
    long index = -1, placed = -1, time = 0;
    silhouette->GetFigure(&index);
    const Figure &figure = figures()[static_cast<size_t>(index)];
    BOOL covered = TRUE;
    silhouette->IsCovered(&covered);
    EXPECT_FALSE(covered) << "pieces in their start row cover nothing";
    EXPECT_EQ(silhouette->GetSolvedTime(&time), S_FALSE);
    EXPECT_EQ(time, -1);

    const auto poses = solution(figure);
    for (int i = 0; i < piece_count; ++i) {
        SCOPED_TRACE(i);
        auto visual = pick_up(i);
        ASSERT_TRUE(visual);
        auto transform = puzzle.transform(i);
        // Held a little off, the parallelogram of a mirrored place still in its own hand.
        const bool flip = poses[i].mirrored;
        transform->Rotate(poses[i].pose.degrees + (flip ? 90 : 0) + 360 + 3);
        transform->Translate(poses[i].pose.translation.x + 0.2, poses[i].pose.translation.y - 0.15);
        ASSERT_HRESULT_SUCCEEDED(puzzle.world->SelectVisual(visual.get(), FALSE));
        const Vec t = translation_of(transform.get());
        EXPECT_EQ(t.x, poses[i].pose.translation.x) << "snapped exactly";
        EXPECT_EQ(t.y, poses[i].pose.translation.y);
        double degrees = 0;
        transform->GetRotation(&degrees);
        const double period = i == 0 ? 90 : i == piece_count - 1 ? 180 : 360;
        EXPECT_NEAR(std::remainder(degrees - poses[i].pose.degrees, period), 0, 1e-9);
        silhouette->GetPlacedCount(&placed);
        EXPECT_EQ(placed, i + 1);
        silhouette->IsCovered(&covered);
        EXPECT_EQ(covered != FALSE, i == piece_count - 1);
    }
    EXPECT_EQ(silhouette->GetSolvedTime(&time), S_OK);
    EXPECT_GE(time, 0);

    // Carried away and dropped far off, a piece leaves its place free again.
    auto visual = pick_up(4);
    puzzle.transform(4)->Translate(1, 16);
    puzzle.world->SelectVisual(visual.get(), FALSE);
    EXPECT_EQ(translation_of(puzzle.transform(4).get()).x, 1.0) << "nothing near: no snap";
    silhouette->GetPlacedCount(&placed);
    EXPECT_EQ(placed, 6);
    silhouette->IsCovered(&covered);
    EXPECT_FALSE(covered);
    EXPECT_EQ(silhouette->GetSolvedTime(&time), S_FALSE);
    // Put straight on the place without being dropped, it counts as well.
    place_on_figure(puzzle, figure);
    silhouette->IsCovered(&covered);
    EXPECT_TRUE(covered);
    place_on_figure(puzzle, figure, {0.01, 0});
    silhouette->IsCovered(&covered);
    EXPECT_FALSE(covered) << "a hundredth off is not on the figure";
}

TEST_P(SilhouetteTest, APieceDroppedOnATakenPlaceStaysWhereItIs)
{
    long index = -1;
    puzzle.world.as<ITangramSilhouette>()->GetFigure(&index);
    const auto poses = solution(figures()[static_cast<size_t>(index)]);
    place_on_figure(puzzle, figures()[static_cast<size_t>(index)]);
    // The second large triangle dropped onto the first one's place.
    auto visual = pick_up(5);
    ASSERT_TRUE(visual);
    auto transform = puzzle.transform(5);
    transform->Rotate(poses[4].pose.degrees);
    transform->Translate(poses[4].pose.translation.x + 0.1, poses[4].pose.translation.y);
    puzzle.world->SelectVisual(visual.get(), FALSE);
    EXPECT_EQ(translation_of(transform.get()).x, poses[4].pose.translation.x + 0.1);
}

TEST_P(SilhouetteTest, TheFigureShowsBehindThePiecesAndASolvedFigureSaysSoInGreen)
{
    constexpr COLORREF figure_colour = RGB(0x4A, 0x4E, 0x69), solved_colour = RGB(0x2E, 0x8B, 0x57);
    long index = -1;
    puzzle.world.as<ITangramSilhouette>()->GetFigure(&index);
    const Figure &figure = figures()[static_cast<size_t>(index)];
    MemoryCanvas canvas(640, 480);
    auto paint = [&] {
        ASSERT_HRESULT_SUCCEEDED(puzzle.world.as<ITangramCanvas>()->Paint(canvas.dc(), {0, 0, 640, 480}));
    };
    const POINT banner = at({1, 19}); // the line below the board's figure, at its left end
    paint();
    for (const Place &place : figure.places)
        EXPECT_EQ(pixel_at(canvas.dc(), at(place.centre)), figure_colour);
    EXPECT_NE(pixel_at(canvas.dc(), banner), solved_colour);
    place_on_figure(puzzle, figure);
    paint();
    EXPECT_EQ(pixel_at(canvas.dc(), banner), solved_colour);
    for (const Place &place : figure.places)
        EXPECT_NE(pixel_at(canvas.dc(), at(place.centre)), figure_colour);
}

INSTANTIATE_TEST_SUITE_P(Silhouette, SilhouetteTest,
                         ::testing::Values(silhouette_world_class(0), silhouette_world_class(1),
                                           silhouette_world_class(3), silhouette_world_class(11)),
                         [](const auto &info) { return std::to_string(info.param.Data1 & 0xFF); });

TEST(ClassicWorld, LeavesDroppedPiecesWhereTheyAre)
{
    TestWindow window{640, 480};
    Puzzle puzzle;
    ASSERT_HRESULT_SUCCEEDED(build_puzzle(CLSID_TangramClassicWorld, window.handle(), puzzle));
    const auto poses = solution(figures()[0]);
    ComPtr<ITangramVisual> visual;
    puzzle.world->VisualFromPoint(to_device(window.handle(), start_centre(0, {0, 1})), IID_ITangramVisual,
                                  visual.put_void());
    ASSERT_TRUE(visual);
    puzzle.world->SelectVisual(visual.get(), TRUE);
    puzzle.transform(0)->Translate(poses[0].pose.translation.x + 0.1, poses[0].pose.translation.y);
    puzzle.world->SelectVisual(visual.get(), FALSE);
    EXPECT_EQ(translation_of(puzzle.transform(0).get()).x, poses[0].pose.translation.x + 0.1);
}
