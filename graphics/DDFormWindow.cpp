// The window side of TDDForm: window events, size, full screen and the clipper.
#include "graphics/DDForm.h"

#include "platform/ddraw/ProportionalScale.h"
#include "platform/framework/Application.h"
#include "platform/kernel/Thread.h"

#include <algorithm>
#include <cstdio>

RECT TDDForm::clientRectOnScreen() const {
    // The desktop the device draws on is the screen the window is on: the client area is
    // placed where it lies on that screen, as far as the screen reaches, never outside it.
    DDSURFACEDESC2 mode;
    DirectDraw7->GetDisplayMode(&mode);
    // A window manager may make the client area larger than asked; only the part that
    // the back surface covers is presented.
    int width = std::min(ClientWidth(), DDWidth()), height = std::min(ClientHeight(), DDHeight());
    const RECT monitor = MonitorRect();
    POINT origin = ClientToScreen(POINT{0, 0});
    origin.x -= monitor.left;
    origin.y -= monitor.top;
    int x = std::clamp(origin.x, 0, std::max(0, int(mode.dwWidth) - width));
    int y = std::clamp(origin.y, 0, std::max(0, int(mode.dwHeight) - height));
    return RECT{x, y, x + width, y + height};
}

void TDDForm::updateWindowRects() {
    RECT screen = clientRectOnScreen();
    std::lock_guard guard(RectLock);
    SourceRect = RECT{0, 0, screen.right - screen.left, screen.bottom - screen.top};
    ScreenRect = screen;
}

void TDDForm::ChangeSize(int width, int height, int bpp) {
    if (!SurfacesReady) {
        ddWidth_.store(width);
        ddHeight_.store(height);
        ddBpp_.store(bpp);
        return;
    }
    bool wasActive = DDActive();
    SetDDActive(false);
    if (DDWindowed) WindowRect = BoundsRect();
    ddWidth_.store(width);
    ddHeight_.store(height);
    ddBpp_.store(bpp);
    FixSize();
    SetDDActive(wasActive);
}

void TDDForm::SetDDWidth(int width) {
    ddWidth_.store(width);
    FixSize();
}

void TDDForm::SetDDHeight(int height) {
    ddHeight_.store(height);
    FixSize();
}

void TDDForm::ToggleScreen(int mode) {
    if ((mode == 1 && DDWindowed) || (mode == 2 && !DDWindowed)) return;
    if (!DDActive() || !SurfacesReady || Minimized) return;
    SetDDActive(false);
    if (DDWindowed) WindowRect = BoundsRect();
    setWindowed(!DDWindowed);
    if (DDWindowed) {
        SetDDActive(true);
        return;
    }
    try {
        SetDDActive(true);
    } catch (const Exception&) {
        // Full screen in a mode the device cannot set: the form goes back to its window
        // before the caller hears of the failure.
        SetDDActive(false);
        setWindowed(true);
        SetDDActive(true);
        throw;
    }
}

void TDDForm::setWindowed(bool windowed) {
    DDWindowed = windowed;
    SetBorderStyle(windowed ? bsSizeable : bsNone);
    if (!windowed) return;
    SetBounds(WindowRect.left, WindowRect.top, WindowRect.right - WindowRect.left,
              WindowRect.bottom - WindowRect.top);
    SetVisible(true);
}

void TDDForm::SetFullScreenClip(bool clip) {
    if (clip == fullScreenClip_.load()) return;
    fullScreenClip_.store(clip);
    if (!DDWindowed) FixClip();
}

void TDDForm::FixClip() {
    if (!PrimarySurface) return;
    // A flipping full-screen picture covers the menu bar; clipped, the menus stay visible
    // over the picture's top edge.
    placeMenuBar(DDFullScreenClip() ? mbpOver : mbpHidden);
    if (DDFullScreenClip()) {
        DirectDraw7->FlipToGDISurface();
        PrimarySurface->SetClipper(Clipper);
    } else {
        PrimarySurface->SetClipper(nullptr);
    }
}

int TDDForm::MenuBarOnPicture() const {
    const int screenWidth = fullScreenWidth_.load(), screenHeight = fullScreenHeight_.load();
    if (DDWindowed || screenWidth <= 0 || screenHeight <= 0) return 0;
    // The picture is scaled to the screen keeping its aspect. The bar hides the picture rows
    // shown only on the screen rows it covers: those above the row that the first screen row
    // below the bar shows. A row the bar covers partly shows below it and must be drawn.
    const RECT picture = AspectFitRect(DDWidth(), DDHeight(), screenWidth, screenHeight);
    const int covered = MenuBarHeight() - int(picture.top);
    const int pictureHeight = int(picture.bottom - picture.top);
    if (covered <= 0 || pictureHeight <= 0) return 0;
    if (covered >= pictureHeight) return DDHeight();
    return NearestSourceIndex(covered, DDHeight(), pictureHeight);
}

void TDDForm::placeMenuBar(TMenuBarPlacement placement) {
    if (IsMainThread())
        SetMenuBarPlacement(placement);
    else
        QueueOnMainThread([this, placement] { SetMenuBarPlacement(placement); });
}

void TDDForm::FixSize() {
    if (IsDesigning()) return;
    SetConstraints(TSizeConstraints{});
    if (!DDActive()) return;
    if (DDWindowed) {
        // The bar goes back above the picture before the client size is worked out from it.
        placeMenuBar(mbpAbove);
        SetClientWidth(DDWidth());
        SetClientHeight(DDHeight());
    } else {
        // Display modes are emulated: the window covers the screen it is on and the picture
        // is scaled to it.
        const RECT monitor = MonitorRect();
        SetBounds(monitor.left, monitor.top, monitor.right - monitor.left, monitor.bottom - monitor.top);
        fullScreenWidth_.store(Width());
        fullScreenHeight_.store(Height());
    }
    SetConstraints(TSizeConstraints{Width(), Height(), Width(), Height()});
}

void TDDForm::ExceptionHandler(TObject*, const Exception& E) {
    SetDDActive(false);
    if (!Application) return;
    Application->MessageBox(E.Message(), "DirectDraw fatal error", MB_OK | MB_ICONERROR);
    Application->SetExitCode(1);
    closeAfterFatalError();
    Application->Terminate();
}

void TDDForm::closeAfterFatalError() {
    // The main form ends the application through its close, whose handlers keep what the
    // user changed; a close that raises again cannot keep the application running.
    if (Application->MainForm() != this || closingAfterFatalError_) return;
    closingAfterFatalError_ = true;
    try {
        Close();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "TDDForm: closing after a fatal error failed: %s\n", error.what());
    }
}

void TDDForm::WndProc(TMessage& message) {
    switch (message.Msg) {
    case WM_ENTERMENULOOP:
        if (SurfacesReady) {
            DDSCAPS2 caps;
            PrimarySurface->GetCaps(&caps);
            if (caps.dwCaps & DDSCAPS_MODEX) ToggleScreen(1);
            DirectDraw7->FlipToGDISurface();
        }
        DrawMenuBar();
        InMenuLoop = true;
        break;
    case WM_EXITMENULOOP:
        InMenuLoop = false;
        break;
    case WM_MOVE:
        if (DDActive() && SurfacesReady && DDWindowed && !Minimized) {
            WindowRect = BoundsRect();
            updateWindowRects();
        }
        break;
    case WM_SIZE:
        if (message.WParam == SIZE_RESTORED) {
            Minimized = false;
            ToggleScreen(1);
        } else if (message.WParam == SIZE_MINIMIZED || message.WParam == SIZE_MAXHIDE) {
            Minimized = true;
        } else if (message.WParam == SIZE_MAXIMIZED || message.WParam == SIZE_MAXSHOW) {
            Minimized = false;
            ToggleScreen(2);
        }
        break;
    default:
        break;
    }
    TForm::WndProc(message);
    if (message.Msg == WM_PAINT && DDWindowed && SurfacesReady) {
        // While a frame is being composed the back surface holds half a picture; the frame's
        // own present follows at once.
        std::unique_lock frame(frameLock_, std::try_to_lock);
        if (!frame.owns_lock()) return;
        RECT source, screen;
        {
            std::lock_guard guard(RectLock);
            source = SourceRect;
            screen = ScreenRect;
        }
        while (!MakeItSo(PrimarySurface->Blt(&screen, BackSurface, &source, DDBLT_WAIT, nullptr))) {
        }
    }
}
