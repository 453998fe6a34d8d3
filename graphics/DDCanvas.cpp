#include "graphics/DDCanvas.h"

#include "platform/ddraw/SurfaceDC.h"

static_assert(sizeof(PALETTEENTRY) == sizeof(TPaletteEntry), "palette entries share one layout");

TDDCanvas::TDDCanvas(IDirectDrawSurface7* surface) : Surface(surface) {}

TDDCanvas::~TDDCanvas() {
    Release();
}

void TDDCanvas::CreateHandle() {
    if (SurfaceDC || !Surface) return;
    if (FAILED(Surface->GetDC(&SurfaceDC))) {
        SurfaceDC = nullptr;
        throw Exception("TDDCanvas: Can't get DC for Surface Canvas");
    }
    TPixelBuffer buffer;
    buffer.Bits = SurfaceDC->Bits();
    buffer.Width = SurfaceDC->Width();
    buffer.Height = SurfaceDC->Height();
    buffer.Pitch = SurfaceDC->Pitch();
    int bpp = SurfaceDC->BitsPerPixel();
    buffer.Layout = bpp == 8 ? plIndexed8 : bpp == 16 ? plRGB565 : plXRGB8888;
    buffer.Palette = reinterpret_cast<const TPaletteEntry*>(SurfaceDC->Palette());
    AttachBuffer(buffer);
}

void TDDCanvas::Release() {
    if (!SurfaceDC) return;
    Detach();
    Surface->ReleaseDC(SurfaceDC);
    SurfaceDC = nullptr;
}

bool TDDCanvas::DrawingAllowed() {
    return Surface && SUCCEEDED(Surface->IsLost());
}
