// The piece model served by its local server: registration beside the DLL,
// the server's lifetime, the worlds driving models that live in the server,
// and a client that outlives a killed server.
//
// The program ends its own process once the tests ran, and the test that
// kills the server runs last: see main() and KilledServer below.
#include "com_object.hpp"
#include "served_marshal.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>
#include <ocidl.h>
#include <olectl.h>
#include <tlhelp32.h>
#include <cstdio>
#include <set>

using namespace tangram;
using namespace tangram::test;

namespace {

const wchar_t model_dll[] = L"tangram_model.dll";
const wchar_t worlds_dll[] = L"tangram_worlds.dll";
const wchar_t proxy_dll[] = L"tangram_proxy.dll";
const wchar_t server_exe[] = L"tangram_model_server.exe";
constexpr DWORD server_start_ms = 60000; // a Wine process start under emulation can take long

DWORD run_server(const wchar_t *arguments)
{
    return run_command(L"\"" + bin_path(server_exe) + L"\" " + arguments);
}

std::wstring clsid_text(const CLSID &clsid)
{
    wchar_t text[40] = {};
    StringFromGUID2(clsid, text, 40);
    return text;
}

class Process {
public:
    explicit Process(DWORD id) : handle_(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id)) {}
    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;
    ~Process()
    {
        if (handle_)
            CloseHandle(handle_);
    }
    bool valid() const { return handle_ != nullptr; }
    bool ended_within(DWORD ms) const { return WaitForSingleObject(handle_, ms) == WAIT_OBJECT_0; }
    bool kill() const { return TerminateProcess(handle_, 99) && ended_within(10000); }

private:
    HANDLE handle_;
};

std::vector<DWORD> server_processes()
{
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return found;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (_wcsicmp(entry.szExeFile, server_exe) == 0)
            found.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return found;
}

bool no_server_within(DWORD ms)
{
    return pump_until([] { return server_processes().empty(); }, ms);
}

ComPtr<ITangramModel> served_model()
{
    ComPtr<ITangramModel> model;
    EXPECT_HRESULT_SUCCEEDED(
        CoCreateInstance(CLSID_TangramModel, nullptr, CLSCTX_LOCAL_SERVER, IID_ITangramModel, model.put_void()));
    return model;
}

class LocalServerEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(CoInitialize(nullptr));
        ASSERT_HRESULT_SUCCEEDED(call_registration(model_dll, "DllRegisterServer"));
        ASSERT_HRESULT_SUCCEEDED(call_registration(worlds_dll, "DllRegisterServer"));
        ASSERT_HRESULT_SUCCEEDED(call_registration(proxy_dll, "DllRegisterServer"));
        ASSERT_EQ(run_server(L"/RegServer"), 0u);
        ASSERT_TRUE(no_server_within(server_start_ms)) << "a model server of an earlier run still runs";
    }
    void TearDown() override
    {
        EXPECT_EQ(run_server(L"/UnregServer"), 0u);
        EXPECT_HRESULT_SUCCEEDED(call_registration(proxy_dll, "DllUnregisterServer"));
        EXPECT_HRESULT_SUCCEEDED(call_registration(worlds_dll, "DllUnregisterServer"));
        EXPECT_HRESULT_SUCCEEDED(call_registration(model_dll, "DllUnregisterServer"));
        EXPECT_FALSE(class_key_exists(CLSID_TangramModel));
        EXPECT_FALSE(class_key_exists(CLSID_TangramModelProxy));
        // No CoUninitialize: it would release the proxies the killed server
        // left behind, and under emulation the failing release ends the
        // program. The program ends itself right after (see main).
    }
};
const auto *environment = ::testing::AddGlobalTestEnvironment(new LocalServerEnvironment);

const std::wstring model_key = L"CLSID\\" + clsid_text(CLSID_TangramModel);

} // namespace

TEST(LocalServerRegistration, ServerAndDllRegisterSideBySide)
{
    const std::wstring local = registry_value(model_key + L"\\LocalServer32", nullptr);
    EXPECT_EQ(local, L"\"" + bin_path(server_exe) + L"\"");
    EXPECT_NE(registry_value(model_key + L"\\InprocServer32", nullptr).find(model_dll), std::wstring::npos);

    // Each side removes only its own server key; the class goes with the last one.
    ASSERT_EQ(run_server(L"-unregserver"), 0u);
    EXPECT_EQ(registry_value(model_key + L"\\LocalServer32", nullptr), L"");
    EXPECT_EQ(friendly_name(CLSID_TangramModel), L"ZOTangram Piece Model");
    ASSERT_HRESULT_SUCCEEDED(call_registration(model_dll, "DllUnregisterServer"));
    EXPECT_FALSE(class_key_exists(CLSID_TangramModel));
    ASSERT_EQ(run_server(L"/REGSERVER"), 0u);
    EXPECT_EQ(registry_value(model_key + L"\\InprocServer32", nullptr), L"");
    ASSERT_HRESULT_SUCCEEDED(call_registration(model_dll, "DllRegisterServer"));
    EXPECT_EQ(registry_value(model_key + L"\\LocalServer32", nullptr), local);

    EXPECT_EQ(run_server(L"/Install"), 2u);
    EXPECT_EQ(run_server(L"/RegServer extra"), 2u);
}

TEST(LocalServerRegistration, EveryCrossingInterfaceHasTheProxyStubOfTheProxyDll)
{
    std::set<std::wstring> factories;
    for (const IID *iid : {&IID_ITangramModel, &IID_ITangramTransform, &IID_ITangramModelEvent}) {
        const std::wstring factory = registry_value(L"Interface\\" + clsid_text(*iid) + L"\\ProxyStubClsid32", nullptr);
        EXPECT_FALSE(factory.empty()) << "no proxy/stub for " << static_cast<const void *>(iid);
        factories.insert(factory);
    }
    ASSERT_EQ(factories.size(), 1u);
    const std::wstring factory_server = registry_value(L"CLSID\\" + *factories.begin() + L"\\InprocServer32", nullptr);
    EXPECT_NE(factory_server.find(proxy_dll), std::wstring::npos);
    const std::wstring guard_server =
        registry_value(L"CLSID\\" + clsid_text(CLSID_TangramModelProxy) + L"\\InprocServer32", nullptr);
    EXPECT_NE(guard_server.find(proxy_dll), std::wstring::npos);
    // The world never leaves its caller's process: its interfaces need no proxies.
    EXPECT_EQ(registry_value(L"Interface\\" + clsid_text(IID_ITangramWorld) + L"\\ProxyStubClsid32", nullptr), L"");
}

TEST(LocalServerLifetime, ModelsLiveInOneServerThatEndsWithTheLastRelease)
{
    ASSERT_TRUE(no_server_within(server_start_ms));
    auto first = served_model();
    ASSERT_TRUE(first);
    const auto servers = server_processes();
    ASSERT_EQ(servers.size(), 1u);
    EXPECT_NE(servers.front(), GetCurrentProcessId());
    EXPECT_EQ(GetModuleHandleW(model_dll), nullptr) << "the model was loaded in process";
    Process server(servers.front());
    ASSERT_TRUE(server.valid());

    // Values and refusals cross the process boundary both ways.
    point2d slots[4] = {{0, 0}, {2, 0}, {1, 1}, {9.9, 9.9}};
    ASSERT_HRESULT_SUCCEEDED(first->SetVertices(3, slots));
    point2d read[4] = {};
    EXPECT_EQ(first->GetVertices(2, read), S_FALSE);
    EXPECT_EQ(first->GetVertices(4, read), S_OK);
    EXPECT_EQ(read[2].x, 1.0);
    EXPECT_EQ(read[3].x, 0.0) << "the server wrote beyond the vertices it has";
    EXPECT_EQ(first->SetVertices(5, slots), E_INVALIDARG);
    auto transform = first.as<ITangramTransform>();
    ASSERT_TRUE(transform);
    transform->Translate(3, 4);
    point2d t{};
    ASSERT_HRESULT_SUCCEEDED(transform->GetTranslation(&t));
    EXPECT_EQ(t.y, 4.0);
    EXPECT_TRUE(same_object(first.get(), transform.get()));

    auto second = served_model();
    ASSERT_TRUE(second);
    EXPECT_EQ(server_processes(), servers) << "a second model started a second server";
    EXPECT_FALSE(same_object(first.get(), second.get()));
    second->GetVertices(4, read);
    EXPECT_EQ(read[0].x, 0.0) << "models share their vertices";

    transform.reset();
    first.reset();
    EXPECT_FALSE(server.ended_within(1500)) << "the server ended while a model lived";
    second.reset();
    EXPECT_TRUE(server.ended_within(20000)) << "the server outlived its last object";
}

// Sinks learn of the changes made through the proxy, as the world needs to repaint.
TEST(LocalServerLifetime, SinksLearnOfChangesMadeThroughTheProxy)
{
    auto model = served_model();
    ASSERT_TRUE(model);
    auto container = model.as<IConnectionPointContainer>();
    ASSERT_TRUE(container);
    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(container->FindConnectionPoint(IID_ITangramModel, point.put()), CONNECT_E_NOCONNECTION);
    ASSERT_HRESULT_SUCCEEDED(container->FindConnectionPoint(IID_ITangramModelEvent, point.put()));
    auto sink = ComPtr<CountingSink>::adopt(new CountingSink);
    DWORD cookie = 0;
    ASSERT_HRESULT_SUCCEEDED(point->Advise(static_cast<ITangramModelEvent *>(sink.get()), &cookie));
    point2d slots[4] = {{0, 0}, {1, 0}, {0, 1}};
    model->SetVertices(3, slots);
    auto transform = model.as<ITangramTransform>();
    transform->Translate(1, 1);
    transform->Rotate(45);
    EXPECT_EQ(sink->calls, 3);
    EXPECT_EQ(model->SetVertices(7, slots), E_INVALIDARG);
    point2d t{};
    transform->GetTranslation(&t);
    EXPECT_EQ(sink->calls, 3) << "a refused change or a read was reported";
    EXPECT_HRESULT_SUCCEEDED(point->Unadvise(cookie));
    transform->Rotate(90);
    EXPECT_EQ(sink->calls, 3);
}

// A canvas that reads a piece on every paint, as a world reads its models.
class ReadingCanvas final : public Implements<ITangramCanvas> {
public:
    explicit ReadingCanvas(ITangramTransform *piece) : piece_(piece) {}
    STDMETHODIMP Initialize(HWND) override { return S_OK; }
    STDMETHODIMP Paint(HDC, RECT) override
    {
        point2d at{};
        read_ok = SUCCEEDED(piece_->GetTranslation(&at));
        ++reads;
        if (*during_call)
            ++reads_during_call;
        return S_OK;
    }
    STDMETHODIMP Update(RECT) override { return S_OK; }
    STDMETHODIMP GetHDC(HDC *dc) override { return dc ? (*dc = nullptr, E_NOTIMPL) : E_POINTER; }
    STDMETHODIMP SetPalette(HPALETTE) override { return S_OK; }
    STDMETHODIMP OnQueryNewPalette(HWND) override { return S_OK; }

    const bool *during_call = nullptr;
    int reads = 0;
    int reads_during_call = 0;
    bool read_ok = false;

private:
    ComPtr<ITangramTransform> piece_;
};

// The first call of an interface fetches it from the server, and that call's
// wait dispatches paints. A paint that makes the first call of the same
// interface meanwhile must not cost a reference: the server still ends with
// the model's last release.
TEST(LocalServerLifetime, AFirstCallMadeDuringAnotherLeavesNoReferenceBehind)
{
    ASSERT_TRUE(no_server_within(server_start_ms));
    auto transform = served_model().as<ITangramTransform>();
    ASSERT_TRUE(transform) << "the model server did not start";
    ASSERT_EQ(server_processes().size(), 1u);
    Process server(server_processes().front());

    bool calling = false;
    auto canvas = ComPtr<ReadingCanvas>::adopt(new ReadingCanvas(transform.get()));
    canvas->during_call = &calling;
    {
        TestWindow window(200, 200);
        window.set_canvas(canvas.get());
        InvalidateRect(window.handle(), nullptr, FALSE);
        calling = true;
        double degrees = -1;
        EXPECT_HRESULT_SUCCEEDED(transform->GetRotation(&degrees));
        calling = false;
        EXPECT_EQ(degrees, 0.0);
        pump_until([&] { return canvas->reads > 0; }, 10000);
        window.set_canvas(nullptr);
    }
    EXPECT_GT(canvas->reads_during_call, 0) << "no paint came during the first call: nothing was tried";
    EXPECT_TRUE(canvas->read_ok);

    canvas.reset();
    transform.reset();
    EXPECT_TRUE(server.ended_within(20000)) << "a reference to the model outlived its last release";
}

class ServedWorldTest : public ::testing::TestWithParam<CLSID> {
protected:
    // The server runs for the whole suite, kept by one model: a server start costs seconds here.
    static void SetUpTestSuite() { keeper = served_model(); }
    static void TearDownTestSuite() { keeper.reset(); }
    void SetUp() override
    {
        ASSERT_TRUE(keeper) << "the model server did not start";
        ASSERT_HRESULT_SUCCEEDED(build_puzzle(GetParam(), window.handle(), puzzle, CLSCTX_LOCAL_SERVER));
        window.set_canvas(puzzle.world.as<ITangramCanvas>().get());
    }
    void TearDown() override { window.set_canvas(nullptr); }
    POINT at(Vec model) const { return to_device(window.handle(), model); }
    Vec centre(int piece, Vec translation) const
    {
        const Vec c = vertex_centre(standard_pieces()[piece].points());
        return {c.x + translation.x, c.y + translation.y};
    }

    static inline ComPtr<ITangramModel> keeper;
    TestWindow window{640, 480};
    Puzzle puzzle;
};

TEST_P(ServedWorldTest, PiecesInTheServerAreFoundMovedTurnedAndPainted)
{
    ASSERT_EQ(puzzle.models.size(), 7u);
    EXPECT_EQ(GetModuleHandleW(model_dll), nullptr);
    for (int i = 0; i < piece_count; ++i) {
        const auto found = model_at(puzzle.world.get(), at(centre(i, {2.0 * i, 1})));
        EXPECT_EQ(found.get(), identity(puzzle.models[i].get()).get()) << "piece " << i + 1;
    }

    // Grab the square piece as the puzzle does, drag it, turn it and drop it.
    ComPtr<ITangramVisual> selected;
    ASSERT_HRESULT_SUCCEEDED(
        puzzle.world->VisualFromPoint(at(centre(0, {0, 1})), IID_ITangramVisual, selected.put_void()));
    ASSERT_TRUE(selected);
    ComPtr<ITangramTransform> transform;
    ASSERT_HRESULT_SUCCEEDED(selected->GetModel(IID_ITangramTransform, transform.put_void()));
    ASSERT_HRESULT_SUCCEEDED(puzzle.world->SelectVisual(selected.get(), TRUE));
    ASSERT_HRESULT_SUCCEEDED(puzzle.world->Animate());
    ASSERT_HRESULT_SUCCEEDED(transform->Translate(9, 12));
    double degrees = -1;
    ASSERT_HRESULT_SUCCEEDED(transform->GetRotation(&degrees));
    ASSERT_HRESULT_SUCCEEDED(transform->Rotate(degrees + 45.0));
    ASSERT_HRESULT_SUCCEEDED(puzzle.world->SelectVisual(selected.get(), FALSE));
    EXPECT_FALSE(model_at(puzzle.world.get(), at(centre(0, {0, 1})))) << "the piece stayed where it was";
    EXPECT_EQ(model_at(puzzle.world.get(), at(centre(0, {9, 12}))).get(), identity(puzzle.models[0].get()).get());
    // Turned by 45 degrees, the unit square reaches beyond its old corners along the axes.
    EXPECT_TRUE(model_at(puzzle.world.get(), at({9.5 + 0.65, 12.5})));
    EXPECT_FALSE(model_at(puzzle.world.get(), at({9.5 + 0.45, 12.5 + 0.45})));

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 640, 480);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    ASSERT_HRESULT_SUCCEEDED(puzzle.world.as<ITangramCanvas>()->Paint(dc, {0, 0, 640, 480}));
    std::set<COLORREF> colours;
    for (int i = 1; i < piece_count; ++i) {
        const POINT p = at(centre(i, {2.0 * i, 1}));
        colours.insert(GetPixel(dc, p.x, p.y));
    }
    const POINT moved = at(centre(0, {9, 12}));
    colours.insert(GetPixel(dc, moved.x, moved.y));
    EXPECT_EQ(colours.size(), 7u);
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

TEST_P(ServedWorldTest, AMoveThroughTheProxyRepaintsTheWindow)
{
    const HWND hwnd = window.handle();
    ASSERT_TRUE(pump_until([&] { return !GetUpdateRect(hwnd, nullptr, FALSE) && window.paints() > 0; }, 10000));
    ASSERT_HRESULT_SUCCEEDED(puzzle.transform(2)->Translate(9, 12));
    EXPECT_TRUE(GetUpdateRect(hwnd, nullptr, FALSE)) << "a moved piece must invalidate the window";
}

INSTANTIATE_TEST_SUITE_P(Worlds, ServedWorldTest,
                         ::testing::Values(CLSID_TangramClassicWorld, CLSID_TangramSilhouetteWorld),
                         [](const auto &info) {
                             return std::string(info.param == CLSID_TangramClassicWorld ? "Classic" : "Silhouette");
                         });

// Runs last (parameterised suites run after the plain ones, in the order
// they are defined): Wine's RPC service keeps the killed server's class
// registration, so no later test in this Wine session could start a server.
class KilledServerTest : public ::testing::TestWithParam<CLSID> {};

TEST_P(KilledServerTest, CallsFailPromptlyAndTheWorldCarriesOn)
{
    ASSERT_TRUE(no_server_within(server_start_ms));
    TestWindow window(640, 480);
    Puzzle puzzle;
    ASSERT_HRESULT_SUCCEEDED(build_puzzle(GetParam(), window.handle(), puzzle, CLSCTX_LOCAL_SERVER));
    window.set_canvas(puzzle.world.as<ITangramCanvas>().get());
    const auto servers = server_processes();
    ASSERT_EQ(servers.size(), 1u);
    ASSERT_TRUE(Process(servers.front()).kill());

    const DWORD start = GetTickCount();
    auto transform = puzzle.transform(3);
    ASSERT_TRUE(transform) << "the interface the client already knew is still answered";
    EXPECT_EQ(transform->Translate(5, 5), RPC_E_DISCONNECTED);
    point2d t{};
    EXPECT_EQ(transform->GetTranslation(&t), RPC_E_DISCONNECTED);
    double degrees = 0;
    EXPECT_EQ(puzzle.transform(4)->GetRotation(&degrees), RPC_E_DISCONNECTED);
    point2d points[4] = {};
    EXPECT_EQ(puzzle.models[0]->GetVertices(4, points), RPC_E_DISCONNECTED);
    EXPECT_EQ(puzzle.models[0]->SetVertices(3, points), RPC_E_DISCONNECTED);
    EXPECT_LT(GetTickCount() - start, 2000u) << "failing calls took long";

    // The world still answers and paints, with what it last knew of the pieces.
    ComPtr<ITangramVisual> visual;
    EXPECT_HRESULT_SUCCEEDED(
        puzzle.world->VisualFromPoint(to_device(window.handle(), {6.5, 1.5}), IID_ITangramVisual, visual.put_void()));
    HDC dc = GetDC(window.handle());
    EXPECT_HRESULT_SUCCEEDED(puzzle.world.as<ITangramCanvas>()->Paint(dc, {0, 0, 640, 480}));
    ReleaseDC(window.handle(), dc);
    pump_until([] { return false; }, 300);

    const DWORD release_start = GetTickCount();
    window.set_canvas(nullptr);
    visual.reset();
    transform.reset();
    puzzle.models.clear();
    puzzle.world.reset();
    EXPECT_LT(GetTickCount() - release_start, 2000u) << "releasing the dead server's models took long";
}

INSTANTIATE_TEST_SUITE_P(Classic, KilledServerTest, ::testing::Values(CLSID_TangramClassicWorld));

// Wine on an emulated CPU can fault while it tears down its RPC threads at
// ExitProcess, which would turn a passed run into a crash: the program ends
// itself once GoogleTest reported.
int main(int argc, char **argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0); // what ran shows even when Wine faults
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::fflush(stdout);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(result));
    return result;
}
