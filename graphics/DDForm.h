#pragma once
// TDDForm: the form that owns DirectDraw for its window. It creates the primary surface
// and a back surface in a window or in an exclusive full-screen mode, with a clipper and
// (in 8-bit modes) a palette; keeps the TDDSurface components it owns; runs the frame
// thread that fires OnDDUpdateDisplay and presents; restores everything after a surface
// loss; switches between window and full screen.
//
// Threads: the frame thread runs UpdateFrame, OnDDUpdateDisplay and the present; window
// events, SetDDActive, SetAppPaused and the size and screen switches run on the main
// thread. SetDDActive(false) stops and awaits the frame thread before releasing anything.
#include "graphics/DDSurface.h"
#include "platform/ddraw/DDraw.h"
#include "platform/framework/Forms.h"

#include <atomic>
#include <memory>
#include <mutex>

class CAlphaBlitter;
class Presenter;
class TDDCanvas;
class TDDForm;
class TDDThread;

// A notify event that one thread may replace while another calls it.
class TSharedNotifyEvent {
public:
    TSharedNotifyEvent& operator=(TNotifyEvent handler);
    TSharedNotifyEvent& operator=(std::nullptr_t);
    explicit operator bool() const;
    void operator()(TObject* sender) const;
    // A copy of the handler (empty when none).
    TNotifyEvent Get() const;

private:
    mutable std::mutex lock_;
    std::shared_ptr<const TNotifyEvent> handler_;
};

class TDDForm : public TForm {
    VX_CLASS(TDDForm, TForm)
public:
    explicit TDDForm(TComponent* Owner);
    ~TDDForm() override;

    void SetDDActive(bool active);
    bool DDActive() const { return ddActive_.load(); }
    void ChangeSize(int width, int height, int bpp);
    int DDWidth() const { return ddWidth_.load(); }
    void SetDDWidth(int width);
    int DDHeight() const { return ddHeight_.load(); }
    void SetDDHeight(int height);
    int DDBPP() const { return ddBpp_.load(); }
    void SetDDBPP(int bpp) { ddBpp_.store(bpp); }
    // 1: to a window, 2: to full screen, anything else: the other one. A failed switch to
    // full screen raises its step's error with the form back in its window.
    void ToggleScreen(int mode);
    bool DDFullScreenClip() const { return fullScreenClip_.load(); }
    void SetFullScreenClip(bool clip);
    bool AppPaused() const { return appPaused_.load(); }
    // Pausing stops frame drawing and holds the frame clock still until the resume.
    void SetAppPaused(bool paused);

    void FixClip();
    void FixSize();
    // Rows of the back surface that the menu bar covers while it floats over a full-screen
    // picture (the full-screen menu height in display pixels); 0 in a window. Any thread.
    int MenuBarOnPicture() const;
    void EnumSurfaces();
    void InitSurfaces();
    void ReleaseAllObjects();
    bool RestoreAll();
    void UpdateSurfaces();
    // The one decision on a present's or blit's result: true ends the operation, false
    // asks the caller to repeat it.
    bool MakeItSo(HRESULT hr);
    // One pass of the frame loop (the frame thread runs it; tests may run it directly).
    void UpdateFrame();
    // Reports E as fatal and ends the application, through the form's close when it is the
    // application's main form.
    void ExceptionHandler(TObject* Sender, const Exception& E);

    // Who shows the pictures (the window's own presenter unless replaced, as tests do).
    void SetPresenter(std::unique_ptr<Presenter> presenter);
    Presenter* FramePresenter() const;

    void WndProc(TMessage& message) override;

    // False: SetDDActive starts no frame thread and the caller runs UpdateFrame itself
    // (tests that step frames one by one).
    bool RunFrameThread = true;

    DirectDrawCreateFunction DirectDrawCreateProc = nullptr;
    DDrawLibraryHandle* DDrawLibrary = nullptr;
    TDDSurfaceList* SurfaceList = nullptr;
    TDDThread* FrameThread = nullptr;
    std::string DDPalFileName;
    char PalFileNameBuffer[256] = {};
    std::atomic<bool> DDWindowed{false};
    TNotifyEvent OnDDActiveChange;
    TSharedNotifyEvent OnDDUpdateDisplay;
    TNotifyEvent OnDDChangeSize;
    TNotifyEvent OnDDChangePalette;
    DWORD DDColorKeyRGB = 0;
    TDDCanvas* PrimaryCanvas = nullptr;
    TDDCanvas* BackCanvas = nullptr;
    IDirectDraw* DirectDraw = nullptr;
    IDirectDraw7* DirectDraw7 = nullptr;
    IDirectDrawSurface7* PrimarySurface = nullptr;
    IDirectDrawSurface7* BackSurface = nullptr;
    IDirectDrawPalette* Palette = nullptr;
    IDirectDrawClipper* Clipper = nullptr;
    DDSURFACEDESC2 PrimaryDesc;
    DDSURFACEDESC2 BackDesc;
    CAlphaBlitter* EffectBlitter = nullptr;
    RECT WindowRect;
    // Guarded by RectLock: the frame thread reads them, window moves write them.
    RECT SourceRect;
    RECT ScreenRect;
    mutable std::mutex RectLock;
    std::atomic<bool> Minimized{false};
    std::atomic<bool> SurfacesReady{false};
    std::atomic<bool> InMenuLoop{false};
    // The frame clock: system milliseconds plus TickOffset, stamped once per drawn frame.
    std::atomic<DWORD> FrameTick{0};
    std::atomic<int> TickOffset{0};

protected:
    void Loaded() override;

private:
    class Window;
    void initWindowed();
    void initFullScreen();
    void drawLoadingText();
    void makePalette();
    void presentBackSurface();
    RECT clientRectOnScreen() const;
    void updateWindowRects();
    // Border, and in a window the place saved in WindowRect.
    void setWindowed(bool windowed);
    void closeAfterFatalError();
    // Menu bar placement is widget work: done on the GUI thread, posted from any other.
    void placeMenuBar(TMenuBarPlacement placement);
    // Size of the screen the full-screen picture is scaled to, set by FixSize.
    std::atomic<int> fullScreenWidth_{0};
    std::atomic<int> fullScreenHeight_{0};
    DDSURFACEDESC2 surfaceRequest(DWORD flags, DWORD caps) const;

    std::atomic<bool> ddActive_{false};
    std::atomic<bool> appPaused_{false};
    std::atomic<bool> fullScreenClip_{false};
    bool closingAfterFatalError_ = false; // main thread only
    std::atomic<int> ddWidth_{640};
    std::atomic<int> ddHeight_{480};
    std::atomic<int> ddBpp_{16};
    // Makes the pause switch and the frame clock's stamp one step each, so a pause that
    // lands between the frame thread's check and its stamp cannot make the clock jump.
    std::mutex clockLock_;
    // One restore at a time; a second thread meeting a loss meanwhile gives its operation up.
    std::recursive_mutex restoreLock_;
    // Held by the frame thread from the start of composing to the end of the present: a
    // window repaint that finds it taken leaves the picture to that present, so only whole
    // frames are ever shown.
    std::mutex frameLock_;
    std::unique_ptr<Window> window_;
    std::unique_ptr<Presenter> ownPresenter_;
    std::atomic<Presenter*> presenter_{nullptr};
};
