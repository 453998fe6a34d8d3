#pragma once
// Our DirectDraw-7-style 2D device: software surfaces in 8, 16 and 32 bits per pixel, blits,
// flips paced by a simulated vertical blank, locks, drawing contexts, colour keys, palettes,
// clippers, an emulated list of display modes and surface loss. Objects are reference
// counted and released explicitly, like the interfaces the graphics layer was written for.
#include "platform/kernel/Types.h"

class Presenter;
class SurfaceDC;

using ULONG = std::uint32_t;
using HDC = SurfaceDC*;
// A colour as 0x00BBGGRR.
using COLORREF = DWORD;
constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;

// Result codes. The program decides on the first three; the others are this device's own.
constexpr HRESULT DD_OK = 0;
constexpr HRESULT DDERR_SURFACELOST = HRESULT(0x887601C2u);
constexpr HRESULT DDERR_WASSTILLDRAWING = HRESULT(0x8876021Cu);
constexpr HRESULT E_FAIL = HRESULT(0x80004005u);
constexpr HRESULT DDERR_INVALIDPARAMS = HRESULT(0x88769001u);
constexpr HRESULT DDERR_INVALIDRECT = HRESULT(0x88769002u);
constexpr HRESULT DDERR_SURFACEBUSY = HRESULT(0x88769003u);
constexpr HRESULT DDERR_NOTLOCKED = HRESULT(0x88769004u);
constexpr HRESULT DDERR_WRONGMODE = HRESULT(0x88769005u);
constexpr HRESULT DDERR_NOEXCLUSIVEMODE = HRESULT(0x88769006u);
constexpr HRESULT DDERR_UNSUPPORTED = HRESULT(0x88769007u);
constexpr HRESULT DDERR_NOTFOUND = HRESULT(0x88769008u);
constexpr HRESULT DDERR_NOTFLIPPABLE = HRESULT(0x88769009u);
constexpr HRESULT DDERR_NOCOLORKEY = HRESULT(0x8876900Au);
constexpr HRESULT DDERR_NOPALETTEATTACHED = HRESULT(0x8876900Bu);
constexpr HRESULT DDERR_NOTDCHELD = HRESULT(0x8876900Du);
constexpr HRESULT DDERR_OUTOFMEMORY = HRESULT(0x8876900Eu);

// Cooperative levels.
constexpr DWORD DDSCL_FULLSCREEN = 0x01;
constexpr DWORD DDSCL_ALLOWREBOOT = 0x02;
constexpr DWORD DDSCL_NORMAL = 0x08;
constexpr DWORD DDSCL_EXCLUSIVE = 0x10;
constexpr DWORD DDSCL_ALLOWMODEX = 0x40;

// Surface description fields in use.
constexpr DWORD DDSD_CAPS = 0x1;
constexpr DWORD DDSD_HEIGHT = 0x2;
constexpr DWORD DDSD_WIDTH = 0x4;
constexpr DWORD DDSD_PITCH = 0x8;
constexpr DWORD DDSD_BACKBUFFERCOUNT = 0x20;
constexpr DWORD DDSD_LPSURFACE = 0x800;
constexpr DWORD DDSD_PIXELFORMAT = 0x1000;
constexpr DWORD DDSD_CKSRCBLT = 0x10000;
constexpr DWORD DDSD_REFRESHRATE = 0x40000;

// Surface capabilities.
constexpr DWORD DDSCAPS_BACKBUFFER = 0x4;
constexpr DWORD DDSCAPS_COMPLEX = 0x8;
constexpr DWORD DDSCAPS_FLIP = 0x10;
constexpr DWORD DDSCAPS_FRONTBUFFER = 0x20;
constexpr DWORD DDSCAPS_OFFSCREENPLAIN = 0x40;
constexpr DWORD DDSCAPS_PRIMARYSURFACE = 0x200;
constexpr DWORD DDSCAPS_MODEX = 0x200000;

// Pixel format flags.
constexpr DWORD DDPF_PALETTEINDEXED8 = 0x20;
constexpr DWORD DDPF_RGB = 0x40;

// Blt flags.
constexpr DWORD DDBLT_COLORFILL = 0x400;
constexpr DWORD DDBLT_KEYSRC = 0x8000;
constexpr DWORD DDBLT_WAIT = 0x1000000;

// BltFast flags.
constexpr DWORD DDBLTFAST_NOCOLORKEY = 0x0;
constexpr DWORD DDBLTFAST_SRCCOLORKEY = 0x1;
constexpr DWORD DDBLTFAST_DESTCOLORKEY = 0x2;
constexpr DWORD DDBLTFAST_WAIT = 0x10;

constexpr DWORD DDLOCK_WAIT = 0x1;
constexpr DWORD DDCKEY_SRCBLT = 0x8;
constexpr DWORD DDPCAPS_8BIT = 0x4;

constexpr HRESULT DDENUMRET_CANCEL = 0;
constexpr HRESULT DDENUMRET_OK = 1;

struct DDPIXELFORMAT {
    DWORD dwSize = sizeof(DDPIXELFORMAT);
    DWORD dwFlags = 0;
    DWORD dwRGBBitCount = 0;
    DWORD dwRBitMask = 0;
    DWORD dwGBitMask = 0;
    DWORD dwBBitMask = 0;
};

struct DDCOLORKEY {
    DWORD dwColorSpaceLowValue = 0;
    DWORD dwColorSpaceHighValue = 0;
};

struct DDSCAPS2 {
    DWORD dwCaps = 0;
    DWORD dwCaps2 = 0;
};

struct DDSURFACEDESC2 {
    DWORD dwSize = sizeof(DDSURFACEDESC2);
    DWORD dwFlags = 0;
    DWORD dwHeight = 0;
    DWORD dwWidth = 0;
    int lPitch = 0;
    DWORD dwBackBufferCount = 0;
    DWORD dwRefreshRate = 0;
    void* lpSurface = nullptr;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS2 ddsCaps;
};

struct DDBLTFX {
    DWORD dwSize = sizeof(DDBLTFX);
    DWORD dwFillColor = 0;
};

struct PALETTEENTRY {
    BYTE peRed = 0;
    BYTE peGreen = 0;
    BYTE peBlue = 0;
    BYTE peFlags = 0;
    friend bool operator==(const PALETTEENTRY&, const PALETTEENTRY&) = default;
};

// The window a device draws for: where its client area lies on the emulated screen and
// who shows the pictures that reach the primary surface.
class DDWindow {
public:
    virtual ~DDWindow() = default;
    virtual RECT ClientRectOnScreen() const = 0;
    virtual Presenter* FramePresenter() const = 0;
    // The screen the window is on, in desktop coordinates; empty when unknown. A windowed
    // device draws on a desktop of that screen's size. Asked on the GUI thread.
    virtual RECT MonitorRect() const { return RECT{}; }
};

class IDirectDrawPalette {
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual HRESULT GetCaps(DWORD* caps) = 0;
    virtual HRESULT GetEntries(DWORD flags, DWORD base, DWORD count, PALETTEENTRY* entries) = 0;
    virtual HRESULT SetEntries(DWORD flags, DWORD base, DWORD count, const PALETTEENTRY* entries) = 0;

protected:
    virtual ~IDirectDrawPalette() = default;
};

class IDirectDrawClipper {
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual HRESULT SetHWnd(DWORD flags, DDWindow* window) = 0;
    virtual HRESULT GetHWnd(DDWindow** window) = 0;

protected:
    virtual ~IDirectDrawClipper() = default;
};

class IDirectDrawSurface7 {
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    // Stretching copy or colour fill. Null rectangles mean the whole surface; an empty
    // rectangle is refused. With a clipper attached the destination is clipped to its window.
    virtual HRESULT Blt(const RECT* destRect, IDirectDrawSurface7* source, const RECT* sourceRect,
                        DWORD flags, const DDBLTFX* fx) = 0;
    // Unscaled copy to (x, y), clipped to both surfaces; overlapping copies within one
    // surface are exact.
    virtual HRESULT BltFast(int x, int y, IDirectDrawSurface7* source, const RECT* sourceRect,
                            DWORD flags) = 0;
    virtual HRESULT Flip(IDirectDrawSurface7* targetOverride, DWORD flags) = 0;
    virtual HRESULT GetAttachedSurface(const DDSCAPS2* caps, IDirectDrawSurface7** attached) = 0;
    virtual HRESULT GetCaps(DDSCAPS2* caps) = 0;
    virtual HRESULT GetSurfaceDesc(DDSURFACEDESC2* desc) = 0;
    virtual HRESULT GetPixelFormat(DDPIXELFORMAT* format) = 0;
    virtual HRESULT Lock(const RECT* rect, DDSURFACEDESC2* desc, DWORD flags, void* event) = 0;
    virtual HRESULT Unlock(const RECT* rect) = 0;
    virtual HRESULT GetDC(HDC* dc) = 0;
    virtual HRESULT ReleaseDC(HDC dc) = 0;
    virtual HRESULT SetColorKey(DWORD flags, const DDCOLORKEY* key) = 0;
    virtual HRESULT GetColorKey(DWORD flags, DDCOLORKEY* key) = 0;
    virtual HRESULT SetPalette(IDirectDrawPalette* palette) = 0;
    virtual HRESULT GetPalette(IDirectDrawPalette** palette) = 0;
    virtual HRESULT SetClipper(IDirectDrawClipper* clipper) = 0;
    virtual HRESULT GetClipper(IDirectDrawClipper** clipper) = 0;
    virtual HRESULT IsLost() = 0;
    virtual HRESULT Restore() = 0;
    // The colours the surface's indices stand for in 8 bits per pixel: its own palette, else
    // the primary surface's, else the system palette.
    virtual HRESULT GetDisplayPalette(PALETTEENTRY entries[256]) = 0;
    // A value that changes whenever the surface's contents may have changed; no two states
    // of any surfaces of the process share one.
    virtual HRESULT GetUniquenessValue(DWORD* value) = 0;

protected:
    virtual ~IDirectDrawSurface7() = default;
};

using LPDDENUMMODESCALLBACK2 = HRESULT (*)(DDSURFACEDESC2* mode, void* context);

enum class DDInterfaceId { DirectDraw, DirectDraw7 };
constexpr DDInterfaceId IID_IDirectDraw = DDInterfaceId::DirectDraw;
constexpr DDInterfaceId IID_IDirectDraw7 = DDInterfaceId::DirectDraw7;

class IDirectDraw {
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual HRESULT QueryInterface(DDInterfaceId id, void** object) = 0;

protected:
    virtual ~IDirectDraw() = default;
};

class IDirectDraw7 : public IDirectDraw {
public:
    virtual HRESULT SetCooperativeLevel(DDWindow* window, DWORD flags) = 0;
    // Emulated: the window covers the screen and the picture is scaled to it.
    virtual HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bpp, DWORD refreshRate, DWORD flags) = 0;
    virtual HRESULT RestoreDisplayMode() = 0;
    virtual HRESULT GetDisplayMode(DDSURFACEDESC2* desc) = 0;
    virtual HRESULT EnumDisplayModes(DWORD flags, DDSURFACEDESC2* filter, void* context,
                                     LPDDENUMMODESCALLBACK2 callback) = 0;
    virtual HRESULT CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** surface, void* outer) = 0;
    virtual HRESULT CreateClipper(DWORD flags, IDirectDrawClipper** clipper, void* outer) = 0;
    virtual HRESULT CreatePalette(DWORD flags, const PALETTEENTRY* entries, IDirectDrawPalette** palette,
                                  void* outer) = 0;
    virtual HRESULT FlipToGDISurface() = 0;
};

// The run-time library: loading can be made to fail, and its entry to be missing.
using DirectDrawCreateFunction = HRESULT (*)(void* driver, IDirectDraw** directDraw, void* outer);
struct DDrawLibraryHandle;
DDrawLibraryHandle* LoadDDrawLibrary(const char* name);
DirectDrawCreateFunction GetDDrawProcAddress(DDrawLibraryHandle* library, const char* entry);
void FreeDDrawLibrary(DDrawLibraryHandle* library);

// The colours of the screen's palette outside an application's own, for 8-bit modes.
void GetSystemPaletteEntries(PALETTEENTRY entries[256]);
