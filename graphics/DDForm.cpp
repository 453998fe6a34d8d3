#include "graphics/DDForm.h"

#include "graphics/AlphaBlitter.h"
#include "graphics/DDCanvas.h"
#include "graphics/DDThread.h"
#include "graphics/DXVersionProbe.h"
#include "graphics/ImageLoaders.h"
#include "platform/ddraw/QtPresenter.h"
#include "platform/framework/Application.h"
#include "platform/framework/Published.h"
#include "platform/kernel/Clock.h"

#include <cstdio>
#include <cstring>

TSharedNotifyEvent& TSharedNotifyEvent::operator=(TNotifyEvent handler) {
    auto shared = handler ? std::make_shared<const TNotifyEvent>(std::move(handler)) : nullptr;
    std::lock_guard guard(lock_);
    handler_ = std::move(shared);
    return *this;
}

TSharedNotifyEvent& TSharedNotifyEvent::operator=(std::nullptr_t) {
    return *this = TNotifyEvent();
}

TSharedNotifyEvent::operator bool() const {
    std::lock_guard guard(lock_);
    return handler_ != nullptr;
}

void TSharedNotifyEvent::operator()(TObject* sender) const {
    std::shared_ptr<const TNotifyEvent> handler;
    {
        std::lock_guard guard(lock_);
        handler = handler_;
    }
    if (handler) (*handler)(sender);
}

TNotifyEvent TSharedNotifyEvent::Get() const {
    std::lock_guard guard(lock_);
    return handler_ ? *handler_ : TNotifyEvent();
}

namespace {

const bool formPublished = RegisterPublishedClass(
    "TDDForm", "TForm",
    {
        Property("DDActive", TypeBoolean(), &TDDForm::DDActive, &TDDForm::SetDDActive, false),
        Property("DDBPP", TypeInteger(), &TDDForm::DDBPP, &TDDForm::SetDDBPP, 16),
        FieldProperty("DDColorKeyRGB", IntegerType("Cardinal"), &TDDForm::DDColorKeyRGB),
        Property("DDFullScreenClip", TypeBoolean(), &TDDForm::DDFullScreenClip, &TDDForm::SetFullScreenClip,
                 false),
        Property("DDHeight", TypeInteger(), &TDDForm::DDHeight, &TDDForm::SetDDHeight, 480),
        FieldProperty("DDPalFileName", TypeString(), &TDDForm::DDPalFileName),
        Property("DDWidth", TypeInteger(), &TDDForm::DDWidth, &TDDForm::SetDDWidth, 640),
        FieldProperty("DDWindowed", TypeBoolean(), &TDDForm::DDWindowed, false),
        EventProperty("OnDDActiveChange", MethodType("TNotifyEvent"), &TDDForm::OnDDActiveChange),
        EventProperty("OnDDUpdateDisplay", MethodType("TNotifyEvent"), &TDDForm::OnDDUpdateDisplay),
        EventProperty("OnDDChangeSize", MethodType("TNotifyEvent"), &TDDForm::OnDDChangeSize),
        EventProperty("OnDDChangePalette", MethodType("TNotifyEvent"), &TDDForm::OnDDChangePalette),
    });

} // namespace

// The form as the device sees it: where its client area lies and who shows the frames.
class TDDForm::Window : public DDWindow {
public:
    explicit Window(TDDForm* form) : form_(form) {}
    RECT ClientRectOnScreen() const override {
        if (!form_->DDWindowed) return RECT{0, 0, form_->DDWidth(), form_->DDHeight()};
        std::lock_guard guard(form_->RectLock);
        return form_->ScreenRect;
    }
    Presenter* FramePresenter() const override { return form_->FramePresenter(); }
    RECT MonitorRect() const override { return form_->MonitorRect(); }

private:
    TDDForm* form_;
};

TDDForm::TDDForm(TComponent* Owner) : TForm(Owner), window_(std::make_unique<Window>(this)) {
    ownPresenter_ = std::make_unique<QtPresenter>(ClientWidget());
    presenter_.store(ownPresenter_.get());
}

TDDForm::~TDDForm() {
    // Switching off runs the application's OnDDActiveChange: whatever it raises must not
    // escape a destructor and end the program.
    try {
        SetDDActive(false);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "TDDForm: switching off while destroyed failed: %s\n", error.what());
    }
    if (Application) Application->OnException = nullptr;
    if (DirectDraw7) DirectDraw7->Release();
    if (DirectDraw) DirectDraw->Release();
    DirectDraw7 = nullptr;
    DirectDraw = nullptr;
    delete SurfaceList;
    SurfaceList = nullptr;
    if (DDrawLibrary) FreeDDrawLibrary(DDrawLibrary);
}

void TDDForm::SetPresenter(std::unique_ptr<Presenter> presenter) {
    presenter_.store(presenter.get());
    ownPresenter_ = std::move(presenter);
}

Presenter* TDDForm::FramePresenter() const {
    return presenter_.load();
}

void TDDForm::Loaded() {
    TForm::Loaded();
    // Longer names are cut at the buffer's 255 characters.
    std::strncpy(PalFileNameBuffer, DDPalFileName.c_str(), sizeof PalFileNameBuffer - 1);
    SurfaceList = new TDDSurfaceList;
    EnumSurfaces();
    if (IsDesigning()) return;
    SetBorderStyle(DDWindowed ? bsSizeable : bsNone);
    DWORD version = 0;
    QueryDirectXVersion(&version, nullptr, 0);
    if (version < 0x70000) throw Exception("TDDForm: Need DirectX 7.0 or better");
    DDrawLibrary = LoadDDrawLibrary("DDRAW.DLL");
    DirectDrawCreateProc = DDrawLibrary ? GetDDrawProcAddress(DDrawLibrary, "DirectDrawCreate") : nullptr;
    if (!DirectDrawCreateProc && DDrawLibrary) {
        FreeDDrawLibrary(DDrawLibrary);
        DDrawLibrary = nullptr;
    }
    if (!DirectDrawCreateProc || FAILED(DirectDrawCreateProc(nullptr, &DirectDraw, nullptr))) {
        DirectDraw = nullptr;
        throw Exception("TDDForm: Create DirectDraw Object FAILED");
    }
    if (FAILED(DirectDraw->QueryInterface(IID_IDirectDraw7, reinterpret_cast<void**>(&DirectDraw7)))) {
        DirectDraw7 = nullptr;
        throw Exception("TDDForm: QueryInterface FAILED");
    }
    if (Application)
        Application->OnException = [this](TObject* sender, const Exception& error) {
            ExceptionHandler(sender, error);
        };
}

void TDDForm::EnumSurfaces() {
    SurfaceList->Clear();
    for (int i = 0; i < ComponentCount(); ++i) {
        TComponent* component = Components(i);
        if (component->ClassName() == "TDDSurface")
            SurfaceList->Insert(0, static_cast<TDDSurface*>(component));
    }
}

void TDDForm::SetDDActive(bool active) {
    if (active == ddActive_.load()) return;
    if (active) {
        ddActive_.store(true);
        FixSize();
        InitSurfaces();
        if (RunFrameThread) {
            FrameThread = new TDDThread(this);
            FrameThread->SetPriority(tpNormal);
            FrameThread->Resume();
        }
        if (OnDDActiveChange) OnDDActiveChange(this);
        return;
    }
    if (FrameThread) {
        FrameThread->Terminate();
        FrameThread->WaitFor();
        delete FrameThread;
        FrameThread = nullptr;
    }
    ddActive_.store(false);
    if (OnDDActiveChange) OnDDActiveChange(this);
    ReleaseAllObjects();
    FixSize();
}

DDSURFACEDESC2 TDDForm::surfaceRequest(DWORD flags, DWORD caps) const {
    DDSURFACEDESC2 desc;
    desc.dwFlags = flags;
    desc.ddsCaps.dwCaps = caps;
    return desc;
}

void TDDForm::initWindowed() {
    if (FAILED(DirectDraw7->SetCooperativeLevel(window_.get(), DDSCL_NORMAL)))
        throw Exception("TDDForm: Set Cooperative Level FAILED");
    updateWindowRects();
    PrimaryDesc = surfaceRequest(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE);
    if (FAILED(DirectDraw7->CreateSurface(&PrimaryDesc, &PrimarySurface, nullptr))) {
        PrimarySurface = nullptr;
        throw Exception("TDDForm: Create Primary Surface FAILED (Win)");
    }
    IDirectDrawClipper* clipper = nullptr;
    if (FAILED(DirectDraw7->CreateClipper(0, &clipper, nullptr)))
        throw Exception("TDDForm: Create Clipper FAILED (Win)");
    clipper->SetHWnd(0, window_.get());
    PrimarySurface->SetClipper(clipper);
    clipper->Release();
    BackDesc = surfaceRequest(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT, DDSCAPS_OFFSCREENPLAIN);
    BackDesc.dwWidth = DWORD(DDWidth());
    BackDesc.dwHeight = DWORD(DDHeight());
    if (FAILED(DirectDraw7->CreateSurface(&BackDesc, &BackSurface, nullptr))) {
        BackSurface = nullptr;
        throw Exception("TDDForm: Create Back Surface FAILED (Win)");
    }
}

void TDDForm::initFullScreen() {
    constexpr DWORD exclusiveLevel =
        DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_ALLOWMODEX;
    if (FAILED(DirectDraw7->SetCooperativeLevel(window_.get(), exclusiveLevel)))
        throw Exception("TDDForm: Set Cooperative Level FAILED (FS)");
    if (FAILED(DirectDraw7->SetDisplayMode(DWORD(DDWidth()), DWORD(DDHeight()), DWORD(DDBPP()), 0, 0)))
        throw Exception("TDDForm: Set Display Mode FAILED (FS)");
    {
        std::lock_guard guard(RectLock);
        SourceRect = ScreenRect = RECT{0, 0, DDWidth(), DDHeight()};
    }
    PrimaryDesc = surfaceRequest(DDSD_CAPS | DDSD_BACKBUFFERCOUNT,
                                 DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX);
    PrimaryDesc.dwBackBufferCount = 1;
    if (FAILED(DirectDraw7->CreateSurface(&PrimaryDesc, &PrimarySurface, nullptr))) {
        PrimarySurface = nullptr;
        throw Exception("TDDForm: Create Primary Surface FAILED (FS)");
    }
    if (FAILED(DirectDraw7->CreateClipper(0, &Clipper, nullptr))) {
        Clipper = nullptr;
        throw Exception("TDDForm: Create Clipper FAILED (FS)");
    }
    Clipper->SetHWnd(0, window_.get());
    FixClip();
    DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0};
    if (FAILED(PrimarySurface->GetAttachedSurface(&caps, &BackSurface))) {
        BackSurface = nullptr;
        throw Exception("TDDForm: Get Attached Surface FAILED (FS)");
    }
    if (FAILED(BackSurface->GetSurfaceDesc(&BackDesc))) throw Exception("Get Back Surface Desc FAILED");
}

void TDDForm::drawLoadingText() {
    const std::string text = "Loading...";
    BackCanvas->Font().SetSize(14);
    BackCanvas->Font().SetColor(0xFFFFFF);
    BackCanvas->Brush().SetStyle(bsClear);
    BackCanvas->TextOut(DDWidth() / 2 - BackCanvas->TextWidth(text) / 2, DDHeight() / 2 - 16, text);
    BackCanvas->Release();
}

void TDDForm::makePalette() {
    if (PalFileNameBuffer[0] == '\0') {
        PALETTEENTRY entries[256];
        GetSystemPaletteEntries(entries);
        for (int i = 0; i < 64; ++i) {
            BYTE level = BYTE(i * 255 / 63);
            PALETTEENTRY& red = entries[10 + i];
            PALETTEENTRY& green = entries[74 + i];
            PALETTEENTRY& blue = entries[138 + i];
            red.peRed = level, red.peGreen = 0, red.peBlue = 0;
            green.peRed = 0, green.peGreen = level, green.peBlue = 0;
            blue.peRed = 0, blue.peGreen = 0, blue.peBlue = level;
        }
        if (SUCCEEDED(DirectDraw7->CreatePalette(DDPCAPS_8BIT, entries, &Palette, nullptr)))
            PrimarySurface->SetPalette(Palette);
        else
            Palette = nullptr;
        return;
    }
    Palette = LoadPaletteFromBitmap(DirectDraw7, PalFileNameBuffer);
    if (Palette) PrimarySurface->SetPalette(Palette);
}

void TDDForm::InitSurfaces() {
    SurfacesReady.store(false);
    for (int i = 0; i < SurfaceList->Count(); ++i)
        SurfaceList->Get(i)->Release();
    EnumSurfaces();
    if (DDWindowed)
        initWindowed();
    else
        initFullScreen();
    DDBLTFX fx;
    fx.dwFillColor = 0;
    PrimarySurface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    BackSurface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    delete PrimaryCanvas;
    delete BackCanvas;
    PrimaryCanvas = new TDDCanvas(PrimarySurface);
    BackCanvas = new TDDCanvas(BackSurface);
    drawLoadingText();
    delete EffectBlitter;
    EffectBlitter = CreateEffectBlitter(PrimarySurface);
    Palette = nullptr;
    DDSURFACEDESC2 desc;
    if (FAILED(PrimarySurface->GetSurfaceDesc(&desc)))
        throw Exception("TDDForm: Get Primary Surface Desc FAILED");
    if (desc.ddpfPixelFormat.dwFlags & DDPF_PALETTEINDEXED8) makePalette();
    for (int i = 0; i < SurfaceList->Count(); ++i)
        SurfaceList->Get(i)->Init();
    if (OnDDChangeSize) OnDDChangeSize(this);
    if (OnDDChangePalette) OnDDChangePalette(this);
    SurfacesReady.store(true);
}

void TDDForm::ReleaseAllObjects() {
    SurfacesReady.store(false);
    delete EffectBlitter;
    EffectBlitter = nullptr;
    if (!DirectDraw7) return;
    DirectDraw7->SetCooperativeLevel(window_.get(), DDSCL_NORMAL);
    delete BackCanvas;
    delete PrimaryCanvas;
    BackCanvas = PrimaryCanvas = nullptr;
    for (IDirectDrawSurface7** surface : {&BackSurface, &PrimarySurface}) {
        if (*surface) (*surface)->Release();
        *surface = nullptr;
    }
    if (Clipper) Clipper->Release();
    Clipper = nullptr;
    if (SurfaceList)
        for (int i = 0; i < SurfaceList->Count(); ++i)
            SurfaceList->Get(i)->Release();
    if (Palette) Palette->Release();
    Palette = nullptr;
}

bool TDDForm::RestoreAll() {
    std::unique_lock guard(restoreLock_, std::try_to_lock);
    if (!guard.owns_lock()) return false;
    if (PrimarySurface && FAILED(PrimarySurface->Restore())) return false;
    if (BackSurface && FAILED(BackSurface->Restore())) return false;
    for (int i = 0; i < SurfaceList->Count(); ++i) {
        IDirectDrawSurface7* surface = SurfaceList->Get(i)->Surface;
        if (surface && FAILED(surface->Restore())) return false;
    }
    UpdateSurfaces();
    return true;
}

void TDDForm::UpdateSurfaces() {
    for (int i = 0; i < SurfaceList->Count(); ++i)
        SurfaceList->Get(i)->Update();
}

bool TDDForm::MakeItSo(HRESULT hr) {
    if (hr == DD_OK) return true;
    if (hr == DDERR_SURFACELOST) return !RestoreAll();
    return hr != DDERR_WASSTILLDRAWING;
}

void TDDForm::UpdateFrame() {
    {
        std::unique_lock guard(clockLock_);
        bool idle = appPaused_.load() || InMenuLoop.load() || Minimized.load() || !ddActive_.load() ||
                    !SurfacesReady.load();
        if (idle) {
            guard.unlock();
            Sleep(100);
            return;
        }
        FrameTick.store(GetTickCount() + DWORD(TickOffset.load()));
    }
    std::lock_guard frame(frameLock_);
    OnDDUpdateDisplay(this);
    presentBackSurface();
}

void TDDForm::presentBackSurface() {
    HRESULT hr;
    do {
        if (DDWindowed) {
            RECT source, screen;
            {
                std::lock_guard guard(RectLock);
                source = SourceRect;
                screen = ScreenRect;
            }
            hr = PrimarySurface->Blt(&screen, BackSurface, &source, DDBLT_WAIT, nullptr);
        } else if (!DDFullScreenClip()) {
            hr = PrimarySurface->Flip(nullptr, 0);
        } else {
            hr = PrimarySurface->Blt(nullptr, BackSurface, nullptr, DDBLT_WAIT, nullptr);
        }
    } while (!MakeItSo(hr));
}

void TDDForm::SetAppPaused(bool paused) {
    std::lock_guard guard(clockLock_);
    if (paused == appPaused_.load()) return;
    if (paused) {
        appPaused_.store(true);
        TickOffset.store(int(GetTickCount() + DWORD(TickOffset.load())));
    } else {
        TickOffset.store(int(DWORD(TickOffset.load()) - GetTickCount()));
        appPaused_.store(false);
    }
}
