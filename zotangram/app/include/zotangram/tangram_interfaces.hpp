// The interfaces of the Tangram components as the application calls them.
// The order of the methods is the binary contract with the components.
#ifndef ZOTANGRAM_TANGRAM_INTERFACES_HPP
#define ZOTANGRAM_TANGRAM_INTERFACES_HPP

#include <windows.h>
#include <unknwn.h>

namespace zotangram {

struct point2d {
    double x;
    double y;
};

// {b53313d0-20c4-11d0-9c6c-00a0c90a632c}
inline constexpr GUID kTangramWorldCategory = {
    0xb53313d0, 0x20c4, 0x11d0, {0x9c, 0x6c, 0x00, 0xa0, 0xc9, 0x0a, 0x63, 0x2c}};
// {B53313C4-20C4-11D0-9C6C-00A0C90A632C}
inline constexpr CLSID kTangramModelClass = {
    0xb53313c4, 0x20c4, 0x11d0, {0x9c, 0x6c, 0x00, 0xa0, 0xc9, 0x0a, 0x63, 0x2c}};

struct ITangramModel;

MIDL_INTERFACE("B53313C0-20C4-11D0-9C6C-00A0C90A632C")
ITangramModel : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE GetNumberOfVertices(long *count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVertices(long count, point2d *points) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetVertices(long count, point2d *points) = 0;
};

MIDL_INTERFACE("B53313C1-20C4-11D0-9C6C-00A0C90A632C")
ITangramTransform : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE Translate(double x, double y) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTranslation(point2d * translation) = 0;
    virtual HRESULT STDMETHODCALLTYPE Rotate(double degrees) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRotation(double *degrees) = 0;
};

MIDL_INTERFACE("b53313c6-20c4-11d0-9c6c-00a0c90a632c")
ITangramVisual : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE GetModel(REFIID riid, void **model) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSelected(BOOL selected) = 0;
};

MIDL_INTERFACE("b53313ca-20c4-11d0-9c6c-00a0c90a632c")
ITangramCanvas : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE Initialize(HWND window) = 0;
    virtual HRESULT STDMETHODCALLTYPE Paint(HDC dc, RECT bounds) = 0;
    virtual HRESULT STDMETHODCALLTYPE Update(RECT bounds) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHDC(HDC * dc) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPalette(HPALETTE palette) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnQueryNewPalette(HWND window) = 0;
};

MIDL_INTERFACE("b53313cb-20c4-11d0-9c6c-00a0c90a632c")
ITangramWorld : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE Initialize(HWND window, double width, double height) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeviceToModel(POINT device, point2d * model) = 0;
    virtual HRESULT STDMETHODCALLTYPE VisualFromPoint(POINT device, REFIID riid, void **visual) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateVisualForModel(ITangramModel * model) = 0;
    virtual HRESULT STDMETHODCALLTYPE SelectVisual(ITangramVisual * visual, BOOL selected) = 0;
    virtual HRESULT STDMETHODCALLTYPE Animate() = 0;
};

} // namespace zotangram

__CRT_UUID_DECL(zotangram::ITangramModel, 0xb53313c0, 0x20c4, 0x11d0, 0x9c, 0x6c, 0x00, 0xa0, 0xc9, 0x0a, 0x63, 0x2c)
__CRT_UUID_DECL(zotangram::ITangramTransform, 0xb53313c1, 0x20c4, 0x11d0, 0x9c, 0x6c, 0x00, 0xa0, 0xc9, 0x0a, 0x63,
                0x2c)
__CRT_UUID_DECL(zotangram::ITangramVisual, 0xb53313c6, 0x20c4, 0x11d0, 0x9c, 0x6c, 0x00, 0xa0, 0xc9, 0x0a, 0x63, 0x2c)
__CRT_UUID_DECL(zotangram::ITangramCanvas, 0xb53313ca, 0x20c4, 0x11d0, 0x9c, 0x6c, 0x00, 0xa0, 0xc9, 0x0a, 0x63, 0x2c)
__CRT_UUID_DECL(zotangram::ITangramWorld, 0xb53313cb, 0x20c4, 0x11d0, 0x9c, 0x6c, 0x00, 0xa0, 0xc9, 0x0a, 0x63, 0x2c)

#endif
