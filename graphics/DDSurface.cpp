#include "graphics/DDSurface.h"

#include "graphics/DDCanvas.h"
#include "graphics/DDForm.h"
#include "graphics/ImageLoaders.h"
#include "platform/framework/MessageService.h"
#include "platform/framework/Published.h"

#include <cstring>

namespace {

const bool surfacePublished = RegisterPublishedClass(
    "TDDSurface", "TComponent",
    {
        FieldProperty("FileName", TypeString(), &TDDSurface::FileName),
        FieldProperty("Width", TypeInteger(), &TDDSurface::Width, 0),
        FieldProperty("Height", TypeInteger(), &TDDSurface::Height, 0),
        ReadOnlyProperty("Locked", TypeBoolean(), &TDDSurface::Locked),
        FieldProperty("AutoColorKey", TypeBoolean(), &TDDSurface::AutoColorKey, true),
        FieldProperty("FileType", EnumerationType("TDDSFileType", {"ddsBmp", "ddsPcx", "ddsJpg"}),
                      &TDDSurface::FileType, ddsPcx),
        EventProperty("OnUpdate", MethodType("TNotifyEvent"), &TDDSurface::OnUpdate),
        EventProperty("OnInit", MethodType("TNotifyEvent"), &TDDSurface::OnInit),
    });

} // namespace

TDDSurface::TDDSurface(TComponent* Owner) : TComponent(Owner), OwnerForm(dynamic_cast<TDDForm*>(Owner)) {
    if (IsDesigning() && (!Owner || Owner->ClassParentName() != "TDDForm"))
        ShowMessageBox("Owner Form is not TDDForm", "TDDSurface: Warning", MB_OK);
}

TDDSurface::~TDDSurface() {
    Release();
}

void TDDSurface::Init() {
    Release();
    if (!OwnerForm || !OwnerForm->DirectDraw7) throw Exception("TDDSurface: DirectDraw Form not initialized");
    SurfaceDesc = DDSURFACEDESC2{};
    if (!FileName.empty())
        loadFile(OwnerForm->DirectDraw7);
    else
        createBlank(OwnerForm->DirectDraw7);
    setColorKey();
    Canvas = new TDDCanvas(Surface);
    Canvas->Font().SetName("Arial");
    Canvas->Font().SetSize(12);
    Canvas->Font().SetColor(0x101010);
    Canvas->Pen().SetColor(clBlack);
    Canvas->Brush().SetColor(clBlack);
    Canvas->Brush().SetStyle(bsSolid);
    Canvas->Release();
    if (FileName.empty()) {
        DDBLTFX fx;
        fx.dwFillColor = 0;
        Surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    }
    if (OnInit) OnInit(this);
    if (OnUpdate) OnUpdate(this);
}

void TDDSurface::loadFile(IDirectDraw7* directDraw) {
    switch (FileType) {
    case ddsBmp:
        Surface = LoadBitmapSurface(directDraw, FileName, 0, 0);
        break;
    case ddsPcx:
        Surface = LoadPcxSurface(directDraw, FileName, 0, 0);
        break;
    case ddsJpg:
        Surface = LoadJpegSurface(directDraw, FileName, 0, 0);
        break;
    }
    if (!Surface) throw Exception("Unable to load surface " + FileName);
    if (FAILED(Surface->GetSurfaceDesc(&SurfaceDesc))) {
        Release();
        throw Exception("TDDSurface: Get Surface Desc FAILED");
    }
    Width = int(SurfaceDesc.dwWidth);
    Height = int(SurfaceDesc.dwHeight);
}

void TDDSurface::createBlank(IDirectDraw7* directDraw) {
    SurfaceDesc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    SurfaceDesc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    SurfaceDesc.dwWidth = DWORD(Width);
    SurfaceDesc.dwHeight = DWORD(Height);
    if (FAILED(directDraw->CreateSurface(&SurfaceDesc, &Surface, nullptr))) {
        Surface = nullptr;
        throw Exception("TDDSurface: Create Surface FAILED");
    }
    if (FAILED(Surface->GetSurfaceDesc(&SurfaceDesc))) {
        Release();
        throw Exception("TDDSurface: Get Surface Desc FAILED");
    }
}

void TDDSurface::setColorKey() {
    if (!AutoColorKey) {
        SetSurfaceColorKey(Surface, OwnerForm->DDColorKeyRGB);
        return;
    }
    Lock();
    if (!locked_) return;
    DWORD key = 0;
    DWORD bits = SurfaceDesc.ddpfPixelFormat.dwRGBBitCount;
    std::memcpy(&key, SurfaceDesc.lpSurface, bits / 8);
    if (bits < 32) key &= (1u << bits) - 1;
    Unlock();
    DDCOLORKEY colorKey{key, key};
    Surface->SetColorKey(DDCKEY_SRCBLT, &colorKey);
}

void TDDSurface::Release() {
    Unlock();
    delete Canvas;
    Canvas = nullptr;
    if (Surface) Surface->Release();
    Surface = nullptr;
}

bool TDDSurface::reload() {
    // A file that went missing since the start leaves the restored surface as it is.
    try {
        if (FileType == ddsBmp) return SUCCEEDED(ReloadBitmapSurface(Surface, FileName));
        if (FileType == ddsPcx) return ReloadPcxSurface(Surface, FileName);
    } catch (const Exception&) {
    }
    return false;
}

void TDDSurface::Update() {
    if (!Surface) return;
    Unlock();
    if (!FileName.empty()) reload();
    if (OnUpdate) OnUpdate(this);
}

void TDDSurface::Lock() {
    if (!Surface || locked_) return;
    locked_ = SUCCEEDED(Surface->Lock(nullptr, &SurfaceDesc, DDLOCK_WAIT, nullptr));
}

void TDDSurface::Unlock() {
    if (!Surface || !locked_) return;
    Surface->Unlock(nullptr);
    locked_ = false;
}

void TDDSurfaceList::check(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

TDDSurface* TDDSurfaceList::Get(int index) const {
    check(index);
    return items_[std::size_t(index)];
}

void TDDSurfaceList::Put(int index, TDDSurface* surface) {
    check(index);
    items_[std::size_t(index)] = surface;
}

int TDDSurfaceList::Add(TDDSurface* surface) {
    items_.push_back(surface);
    return Count() - 1;
}

void TDDSurfaceList::Insert(int index, TDDSurface* surface) {
    if (index != Count()) check(index);
    items_.insert(items_.begin() + index, surface);
}

void TDDSurfaceList::Delete(int index) {
    check(index);
    items_.erase(items_.begin() + index);
}

void TDDSurfaceList::ClearItems() {
    std::vector<TDDSurface*> items;
    items.swap(items_);
    for (TDDSurface* surface : items)
        delete surface;
}
