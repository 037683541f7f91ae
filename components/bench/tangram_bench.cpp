// Times the Tangram worlds with their piece models in process and in the
// model's local server: building the seven pieces, painting the full scene
// into a window-sized bitmap, and a drag step (Translate then Paint), 200
// times each.
//
//   tangram_bench [--show MILLISECONDS]
//
// With --show each world stays on screen that long with its pieces arranged,
// for a look or a screenshot. The worlds and the in-process models are loaded
// from beside the program. The local server and its proxy/stub DLL, also
// beside it, are registered for the run unless they already are.
#include "com_ptr.hpp"
#include "figures.hpp"
#include "gdi_owners.hpp"
#include "tangram.h"
#include "test_support.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace tangram;

namespace {

constexpr int width = 800, height = 600, rounds = 200;

ComPtr<IClassFactory> factory(const wchar_t *dll, const CLSID &clsid)
{
    HMODULE module = LoadLibraryW(dll);
    using GetClassObject = HRESULT(STDAPICALLTYPE *)(REFCLSID, REFIID, void **);
    auto get =
        module ? reinterpret_cast<GetClassObject>(reinterpret_cast<void *>(GetProcAddress(module, "DllGetClassObject")))
               : nullptr;
    ComPtr<IClassFactory> result;
    if (get)
        get(clsid, IID_IClassFactory, result.put_void());
    return result;
}

double now_ms()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

ITangramCanvas *shown_canvas = nullptr;

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_PAINT) {
        gdi::PaintDc dc(window);
        RECT client;
        GetClientRect(window, &client);
        if (shown_canvas)
            shown_canvas->Paint(dc.get(), client);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

HWND make_window()
{
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = window_procedure;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"TangramBench";
    RegisterClassW(&window_class);
    RECT frame{0, 0, width, height};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    return CreateWindowW(L"TangramBench", L"ZOTangram", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                         frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

struct Scene {
    ComPtr<ITangramWorld> world;
    std::vector<ComPtr<ITangramTransform>> pieces;
};

ComPtr<ITangramModel> model_in_process()
{
    static const auto models = factory(L"tangram_model.dll", CLSID_TangramModel);
    ComPtr<ITangramModel> model;
    if (models)
        models->CreateInstance(nullptr, IID_ITangramModel, model.put_void());
    return model;
}

ComPtr<ITangramModel> model_in_server()
{
    ComPtr<ITangramModel> model;
    CoCreateInstance(CLSID_TangramModel, nullptr, CLSCTX_LOCAL_SERVER, IID_ITangramModel, model.put_void());
    return model;
}

struct ModelHome {
    const char *name;
    ComPtr<ITangramModel> (*create)();
};
constexpr ModelHome in_process{"models in process", model_in_process};
constexpr ModelHome in_server{"models in the local server", model_in_server};

// Registers the local server and its proxies for the run unless they are;
// then removes them again.
class ServerRegistration {
public:
    ServerRegistration()
    {
        if (!test::registry_value(server_key, nullptr).empty())
            return;
        ours_ = SUCCEEDED(test::call_registration(L"tangram_proxy.dll", "DllRegisterServer")) &&
                test::run_command(server_command(L"/RegServer")) == 0;
    }
    ServerRegistration(const ServerRegistration &) = delete;
    ServerRegistration &operator=(const ServerRegistration &) = delete;
    ~ServerRegistration()
    {
        if (!ours_)
            return;
        test::run_command(server_command(L"/UnregServer"));
        test::call_registration(L"tangram_proxy.dll", "DllUnregisterServer");
    }

private:
    static constexpr wchar_t server_key[] = L"CLSID\\{B53313C4-20C4-11D0-9C6C-00A0C90A632C}\\LocalServer32";
    static std::wstring server_command(const wchar_t *option)
    {
        return L"\"" + test::bin_path(L"tangram_model_server.exe") + L"\" " + option;
    }
    bool ours_ = false;
};

// Builds the seven pieces as the puzzle does; the time it took goes to build_ms.
bool build(Scene &scene, const CLSID &world_class, HWND window, const ModelHome &home, double &build_ms)
{
    const ComPtr<IClassFactory> worlds = factory(L"tangram_worlds.dll", world_class);
    if (worlds)
        worlds->CreateInstance(nullptr, IID_ITangramWorld, scene.world.put_void());
    if (!scene.world)
        return false;
    scene.world->Initialize(window, 20, 20);
    const double start = now_ms();
    double x = 0;
    for (const PieceShape &shape : standard_pieces()) {
        point2d slots[4];
        for (int i = 0; i < 4; ++i)
            slots[i] = {shape.vertices[i].x, shape.vertices[i].y};
        ComPtr<ITangramModel> model = home.create();
        if (!model)
            return false;
        model->SetVertices(shape.count, slots);
        scene.world->CreateVisualForModel(model.get());
        auto transform = model.as<ITangramTransform>();
        transform->Translate(x, 1);
        scene.pieces.push_back(transform);
        x += 2;
    }
    build_ms = now_ms() - start;
    return true;
}

// Most pieces on the figure's solution, the rest about to join it.
void arrange(Scene &scene, const Figure &figure, int placed)
{
    const auto solved = solution(figure);
    for (int i = 0; i < piece_count; ++i) {
        const bool on_figure = i < placed;
        const Pose &pose = solved[i].pose;
        scene.pieces[i]->Rotate(on_figure ? pose.degrees : 45.0 * i);
        scene.pieces[i]->Translate(pose.translation.x + (on_figure ? 0 : 4.0 + i % 3),
                                   pose.translation.y + (on_figure ? 0 : 3.5));
    }
}

template <class Step>
void report(const char *what, Step step)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const double start = now_ms();
        step(i);
        times.push_back(now_ms() - start);
    }
    std::sort(times.begin(), times.end());
    std::printf("  %-26s median %7.3f ms   worst %7.3f ms\n", what, times[rounds / 2], times.back());
}

void benchmark(const char *name, const ModelHome &home, double build_ms, Scene &scene, HDC target)
{
    auto canvas = scene.world.as<ITangramCanvas>();
    const RECT bounds{0, 0, width, height};
    std::printf("%s, %s (%dx%d, %d rounds)\n", name, home.name, width, height, rounds);
    std::printf("  %-26s %7.3f ms\n", "Build 7 pieces", build_ms);
    report("Paint", [&](int) { canvas->Paint(target, bounds); });
    report("Translate + Paint", [&](int i) {
        scene.pieces[3]->Translate(4 + (i % 40) * 0.25, 12 + (i % 7) * 0.3);
        canvas->Paint(target, bounds);
    });
}

void show(Scene &scene, HWND window, DWORD milliseconds)
{
    auto canvas = scene.world.as<ITangramCanvas>();
    shown_canvas = canvas.get();
    InvalidateRect(window, nullptr, FALSE);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    shown_canvas = nullptr;
}

// Returns false when the world could not be measured.
bool run_world(const char *name, const CLSID &world_class, const ModelHome &home, HWND window, HDC target,
               DWORD show_ms)
{
    const bool silhouette = world_class == CLSID_TangramSilhouetteWorld;
    Scene scene;
    double build_ms = 0;
    if (!build(scene, world_class, window, home, build_ms)) {
        std::fprintf(stderr, "%s, %s: the pieces could not be built\n", name, home.name);
        return false;
    }
    arrange(scene, figures()[0], silhouette ? piece_count : 5);
    benchmark(name, home, build_ms, scene, target);
    if (show_ms)
        show(scene, window, show_ms);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    const DWORD show_ms = argc > 2 && std::strcmp(argv[1], "--show") == 0 ? std::strtoul(argv[2], nullptr, 10) : 0;
    CoInitialize(nullptr);
    HWND window = make_window();
    bool measured = true;
    {
        gdi::WindowDc screen(nullptr);
        gdi::MemoryDc target_dc(CreateCompatibleDC(screen.get()));
        gdi::Object<HBITMAP> bitmap(CreateCompatibleBitmap(screen.get(), width, height));
        gdi::Selection use_bitmap(target_dc.get(), bitmap.get());
        HDC target = target_dc.get();
        ServerRegistration registration;
        for (const ModelHome *home : {&in_process, &in_server}) {
            // The first model loads the DLL or starts the server; it keeps the server running.
            const double start = now_ms();
            const ComPtr<ITangramModel> first = home->create();
            if (!first) {
                std::fprintf(stderr, "First model, %s: could not be made\n", home->name);
                measured = false;
                continue;
            }
            std::printf("First model, %s: %.1f ms\n", home->name, now_ms() - start);
            measured =
                run_world("Classic world", CLSID_TangramClassicWorld, *home, window, target, show_ms) && measured;
            measured =
                run_world("Silhouette world", CLSID_TangramSilhouetteWorld, *home, window, target, show_ms) && measured;
        }
    }
    DestroyWindow(window);
    CoUninitialize();
    // Under emulation Wine can fault while ExitProcess tears down the RPC
    // threads the local server's connection left: end here instead.
    std::fflush(stdout);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), measured ? 0 : 1);
    return 0;
}
