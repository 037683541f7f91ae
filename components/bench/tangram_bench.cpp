// Times painting of the Tangram worlds: the full scene into a window-sized
// bitmap, and a drag step (Translate then Paint), 200 times each.
//
//   tangram_bench [--show MILLISECONDS]
//
// With --show each world stays on screen that long with its pieces arranged,
// for a look or a screenshot. The components are loaded from beside the
// program; they need not be registered.
#include "com_ptr.hpp"
#include "geometry.hpp"
#include "tangram.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace tangram;

namespace {

constexpr int width = 800, height = 600, rounds = 200;

ComPtr<IClassFactory> factory(const wchar_t* dll, const CLSID& clsid) {
    HMODULE module = LoadLibraryW(dll);
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto get = module ? reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")))
                      : nullptr;
    ComPtr<IClassFactory> result;
    if (get) get(clsid, IID_IClassFactory, result.put_void());
    return result;
}

ITangramCanvas* shown_canvas = nullptr;

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        if (shown_canvas) shown_canvas->Paint(dc, client);
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

HWND make_window() {
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

Scene build(const CLSID& world_class, HWND window) {
    Scene scene;
    factory(L"tangram_worlds.dll", world_class)->CreateInstance(nullptr, IID_ITangramWorld, scene.world.put_void());
    scene.world->Initialize(window, 20, 20);
    auto models = factory(L"tangram_model.dll", CLSID_TangramModel);
    double x = 0;
    for (const PieceShape& shape : standard_pieces()) {
        point2d slots[4];
        for (int i = 0; i < 4; ++i) slots[i] = {shape.vertices[i].x, shape.vertices[i].y};
        ComPtr<ITangramModel> model;
        models->CreateInstance(nullptr, IID_ITangramModel, model.put_void());
        model->SetVertices(shape.count, slots);
        scene.world->CreateVisualForModel(model.get());
        auto transform = model.as<ITangramTransform>();
        transform->Translate(x, 1);
        scene.pieces.push_back(transform);
        x += 2;
    }
    return scene;
}

// Most pieces on the figure's solution, the rest about to join it.
void arrange(Scene& scene, const Figure& figure, int placed) {
    const auto poses = solution_poses(figure);
    for (int i = 0; i < piece_count; ++i) {
        const bool on_figure = i < placed;
        scene.pieces[i]->Rotate(on_figure ? poses[i].degrees : 45.0 * i);
        scene.pieces[i]->Translate(poses[i].translation.x + (on_figure ? 0 : 4.0 + i % 3),
                                   poses[i].translation.y + (on_figure ? 0 : 3.5));
    }
}

double now_ms() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

template <class Step>
void report(const char* what, Step step) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const double start = now_ms();
        step(i);
        times.push_back(now_ms() - start);
    }
    std::sort(times.begin(), times.end());
    std::printf("  %-26s median %7.3f ms   worst %7.3f ms\n", what, times[rounds / 2], times.back());
}

void benchmark(const char* name, Scene& scene, HDC target) {
    auto canvas = scene.world.as<ITangramCanvas>();
    const RECT bounds{0, 0, width, height};
    std::printf("%s (%dx%d, %d rounds)\n", name, width, height, rounds);
    report("Paint", [&](int) { canvas->Paint(target, bounds); });
    report("Translate + Paint", [&](int i) {
        scene.pieces[3]->Translate(4 + (i % 40) * 0.25, 12 + (i % 7) * 0.3);
        canvas->Paint(target, bounds);
    });
}

void show(Scene& scene, HWND window, DWORD milliseconds) {
    auto canvas = scene.world.as<ITangramCanvas>();
    shown_canvas = canvas.get();
    InvalidateRect(window, nullptr, FALSE);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    shown_canvas = nullptr;
}

} // namespace

int main(int argc, char** argv) {
    const DWORD show_ms = argc > 2 && std::strcmp(argv[1], "--show") == 0 ? std::strtoul(argv[2], nullptr, 10) : 0;
    CoInitialize(nullptr);
    HWND window = make_window();
    HDC screen = GetDC(nullptr);
    HDC target = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(target, bitmap);
    {
        Scene classic = build(CLSID_TangramClassicWorld, window);
        arrange(classic, figures()[0], 5);
        benchmark("Classic world", classic, target);
        if (show_ms) show(classic, window, show_ms);

        Scene silhouette = build(CLSID_TangramSilhouetteWorld, window);
        silhouette.world.as<ITangramSilhouette>()->SetFigure(1);
        arrange(silhouette, figures()[1], piece_count);
        benchmark("Silhouette world", silhouette, target);
        if (show_ms) show(silhouette, window, show_ms);
    }
    SelectObject(target, previous);
    DeleteObject(bitmap);
    DeleteDC(target);
    ReleaseDC(nullptr, screen);
    DestroyWindow(window);
    CoUninitialize();
    return 0;
}
