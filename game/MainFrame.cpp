// The frames: the running game composed into the back surface, and the paused picture with
// the scrolling title; the menu entries that open the dialogs, the help and full screen.
#include "game/About.h"
#include "game/DrawPlans.h"
#include "game/Main.h"
#include "game/Options.h"
#include "game/SndSet.h"
#include "platform/files/Shell.h"
#include "platform/framework/Application.h"
#include "platform/kernel/Clock.h"

#include <cstdio>
#include <string>

namespace {

DWORD uniquenessOf(IDirectDrawSurface7* surface) {
    DWORD value = 0;
    surface->GetUniquenessValue(&value);
    return value;
}

} // namespace

void TMainForm::FormUpdateDisplay1(TObject*) {
    Sleep(10);
    Input.PollInput(*this);
    // In full screen the paused picture starts below the menu bar that floats over it.
    const int top = MenuBarOnPicture();
    TitleScrollPhase = static_cast<int>(GetTickCount() & 0x7FFF);
    IDirectDrawSurface7* back = BackSurface;
    IDirectDrawSurface7* title = TitleSurface->Surface;
    if (!back || !title) return;
    // The title moves one of its columns in about 50 ms: most frames find the picture drawn
    // already, and an unchanged picture is not presented again.
    TDrawnTitle now{TitleScrollPlan(GetTickCount(), DDWidth(), DDHeight(), top, TitleSurface->Width,
                                    TitleSurface->Height),
                    uniquenessOf(back), uniquenessOf(title)};
    if (now == drawnTitle_) return;
    for (const TStretch& part : now.Plan)
        blit([&] { return back->Blt(&part.Dest, title, &part.Source, DDBLT_WAIT, nullptr); });
    now.Back = uniquenessOf(back);
    now.Title = uniquenessOf(title);
    drawnTitle_ = now;
}

void TMainForm::FormUpdateDisplay(TObject*) {
    if (DDWindowed) Sleep(1);
    bool running;
    {
        std::lock_guard lock(GameLock());
        running = GameRunning;
    }
    if (!running) {
        Sleep(10);
        return;
    }
    Input.PollInput(*this);
    std::lock_guard lock(GameLock());
    if (RunFrameRules()) composeFrame();
}

void TMainForm::composeFrame() {
    IDirectDrawSurface7* back = BackSurface;
    if (!back || !BackgroundSurface->Surface) return;
    int width = BackgroundSurface->Width, height = BackgroundSurface->Height;
    RECT whole{0, 0, width, height};
    blit([&] {
        return back->BltFast(0, 0, BackgroundSurface->Surface, &whole, DDBLTFAST_NOCOLORKEY | DDBLTFAST_WAIT);
    });
    AnimateSprites([&](TDDSprite* s, const RECT& frame) {
        if (!s->Frames || !s->Frames->Surface) return;
        int x = s->GetX(), y = s->GetY();
        RECT source = frame;
        if (!ClipBlit(x, y, source, s->Frames->Width, s->Frames->Height, width, height)) return;
        blit([&] {
            return back->BltFast(x, y, s->Frames->Surface, &source, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT);
        });
    });
    if (GluckTimer->Enabled()) {
        for (const TBandCopy& band : GlitchPlan(FrameTick.load(), StrongGlitch, width, height, SineTable))
            blit([&] {
                return back->BltFast(band.X, band.Y, back, &band.Source,
                                     DDBLTFAST_NOCOLORKEY | DDBLTFAST_WAIT);
            });
    }
    auto overlay = [&](TDDSurface* surface, int shownHeight) {
        if (!surface->Surface) return;
        RECT source{0, 0, surface->Width, std::min(shownHeight, surface->Height)};
        int x = (width - surface->Width) / 2, y = (height - source.bottom) / 2;
        if (ClipBlit(x, y, source, surface->Width, surface->Height, width, height))
            blit([&] {
                return back->BltFast(x, y, surface->Surface, &source, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT);
            });
    };
    if (ShowInfo) overlay(InfoSurface, InfoShownHeight);
    if (ShowStats) overlay(StatsSurface, StatsSurface->Height);
}

void TMainForm::MenuExitClick(TObject*) {
    Close();
}

void TMainForm::MenuSoundClick(TObject*) {
    if (!FirstShowDone || !SndSetForm) return;
    if (!DDWindowed) MenuToggleClick(nullptr);
    SndSetForm->ShowModal();
    SyncOptions();
}

void TMainForm::MenuAboutClick(TObject*) {
    if (!FirstShowDone || !AboutForm) return;
    if (!DDWindowed) MenuToggleClick(nullptr);
    AboutForm->ShowModal();
}

void TMainForm::MenuOptionsClick(TObject*) {
    if (!FirstShowDone || !OptionsForm) return;
    if (!DDWindowed) MenuToggleClick(nullptr);
    OptionsForm->ShowModal();
    SyncOptions();
}

void TMainForm::MenuHelpContClick(TObject*) {
    if (!DDWindowed) MenuToggleClick(nullptr);
    ShellExecute(".\\Help\\Index.htm");
}

void TMainForm::MenuToggleClick(TObject*) {
    if (!FirstShowDone) return;
    try {
        ToggleScreen(0);
    } catch (const Exception& error) {
        // A size the display modes lack (a carried-over or hand-edited settings file) keeps
        // playing in its window; only a window that could not come back is fatal.
        if (!DDWindowed || !SurfacesReady) throw;
        showFullScreenRefused(error);
    }
    MenuToggle->SetCaption(DDWindowed ? "Full Screen" : "Windowed");
    Input.InitDirectInput(vx::ControlWidget(this), true);
    if (OptionsForm)
        for (int n = 1; n <= 4; ++n)
            if (OptionsForm->JPlayerBoxes[static_cast<std::size_t>(n - 1)]->Checked())
                OptionsForm->SetJoystickPlayer(n, true);
}

void TMainForm::showFullScreenRefused(const Exception& error) {
    char mode[64];
    std::snprintf(mode, sizeof mode, "%dx%d %dbpp", DDWidth(), DDHeight(), DDBPP());
    SetAppPaused(true);
    Application->MessageBox(std::string("Full screen cannot show ") + mode + " (" + error.Message() +
                                "); the game stays in the window. Setup > Options lists the modes that work.",
                            "Vortamix", MB_OK | MB_ICONWARNING);
    SetAppPaused(false);
}
