#pragma once
// TDDSurface: one off-screen DirectDraw surface of a TDDForm, loaded from a BMP, PCX or
// JPEG file or left blank for the application to draw; with its source colour key, a
// canvas, and a reload after the surface was lost. TDDSurfaceList: the form's list of them.
#include "platform/ddraw/DDraw.h"
#include "platform/framework/Classes.h"

#include <string>
#include <vector>

class TDDCanvas;
class TDDForm;

enum TDDSFileType { ddsBmp, ddsPcx, ddsJpg };

class TDDSurface : public TComponent {
    VX_CLASS(TDDSurface, TComponent)
public:
    explicit TDDSurface(TComponent* Owner);
    ~TDDSurface() override;

    // (Re)creates the surface: from FileName at the image's size, or blank at Width x Height.
    void Init();
    void Release();
    // After a restore: reloads a BMP or PCX image into the surface, then fires OnUpdate.
    void Update();
    // Locks the whole surface into SurfaceDesc (once; a second Lock keeps the first).
    void Lock();
    void Unlock();
    bool Locked() const { return locked_; }

    TDDForm* OwnerForm;
    std::string FileName;
    int Width = 0;
    int Height = 0;
    bool AutoColorKey = true;
    TDDSFileType FileType = ddsPcx;
    TNotifyEvent OnUpdate;
    TNotifyEvent OnInit;
    TDDCanvas* Canvas = nullptr;
    IDirectDrawSurface7* Surface = nullptr;
    DDSURFACEDESC2 SurfaceDesc;

private:
    void loadFile(IDirectDraw7* directDraw);
    void createBlank(IDirectDraw7* directDraw);
    void setColorKey();
    bool reload();

    bool locked_ = false;
};

class TDDSurfaceList {
public:
    int Count() const { return int(items_.size()); }
    // Index below 0 or at Count or beyond: "List index out of bounds (%d)".
    TDDSurface* Get(int index) const;
    void Put(int index, TDDSurface* surface);
    int Add(TDDSurface* surface);
    void Insert(int index, TDDSurface* surface);
    void Delete(int index);
    void Clear() { items_.clear(); }
    // Deletes every surface in the list, then clears it.
    void ClearItems();

private:
    void check(int index) const;
    std::vector<TDDSurface*> items_;
};
