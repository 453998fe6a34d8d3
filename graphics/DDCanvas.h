#pragma once
// TDDCanvas: the framework's canvas drawing on a DirectDraw surface. It borrows the
// surface's drawing context only while drawing; every drawing sequence ends with Release,
// because a surface whose context is held can be neither blitted nor locked.
#include "platform/ddraw/DDraw.h"
#include "platform/framework/Canvas.h"

class TDDCanvas : public TCanvas {
    VX_CLASS(TDDCanvas, TCanvas)
public:
    explicit TDDCanvas(IDirectDrawSurface7* surface);
    ~TDDCanvas() override;

    // Returns the borrowed drawing context to the surface (nothing when none is held).
    void Release();
    // False while the surface is lost.
    bool DrawingAllowed();

    IDirectDrawSurface7* Surface; // not owned
    HDC SurfaceDC = nullptr;

protected:
    void CreateHandle() override;
};
