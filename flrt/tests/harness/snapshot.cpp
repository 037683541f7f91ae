#include "snapshot.hpp"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace fltest {
namespace {

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};

// The pixels of the window's client area with its controls, bottom row first, 32 bits each.
std::vector<DWORD> capture(HWND window, int width, int height)
{
    std::vector<DWORD> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    HDC window_dc = GetDCEx(window, nullptr, DCX_CACHE);
    HDC memory = CreateCompatibleDC(window_dc);
    HBITMAP bitmap = CreateCompatibleBitmap(window_dc, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, window_dc, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, window_dc);
    return pixels;
}

} // namespace

void snapshot(HWND window, const std::string &name)
{
    const char *folder = std::getenv("FLTEST_SNAPSHOTS");
    if (!folder || !*folder || !window)
        return;
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT bounds;
    GetClientRect(window, &bounds);
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    if (width <= 0 || height <= 0)
        return;
    const std::vector<DWORD> pixels = capture(window, width, height);
    // Time for a picture of the whole screen taken from outside.
    if (const char *pause = std::getenv("FLTEST_SNAPSHOT_PAUSE_MS")) {
        const DWORD until = GetTickCount() + static_cast<DWORD>(std::atoi(pause));
        MSG message;
        while (GetTickCount() < until) {
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            Sleep(10);
        }
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen((std::string(folder) + "\\" + name + ".bmp").c_str(), "wb"));
    if (!file)
        return;
    const DWORD image_size = static_cast<DWORD>(pixels.size() * sizeof(DWORD));
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    header.bfSize = header.bfOffBits + image_size;
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    std::fwrite(&header, sizeof header, 1, file.get());
    std::fwrite(&info, sizeof info, 1, file.get());
    std::fwrite(pixels.data(), image_size, 1, file.get());
}

} // namespace fltest
