#pragma once
// Animated, moving sprites: 16.16 fixed-point motion with velocity and acceleration, a
// movement box with optional bouncing, and frame animation cut from an image sheet.
#include "platform/ddraw/DDraw.h"
#include "platform/framework/Classes.h"
#include "platform/kernel/Types.h"

#include <functional>
#include <vector>

class TDDSurface;
class TDDSprite;

// Clips a fast blit of src (left, top, right, bottom) to the point (x, y) so that it stays
// inside both the source (sourceWidth x sourceHeight) and the destination; false when
// nothing of it is left.
bool ClipBlit(int& x, int& y, RECT& src, int sourceWidth, int sourceHeight, int destWidth, int destHeight);

// Asked before the movement box is applied; set Clamp to true to have it applied.
using TDDCheckLimitsEvent = std::function<void(TObject* Sender, bool& Clamp)>;

class TDDSprite : public TComponent {
    VX_CLASS(TDDSprite, TComponent)
public:
    // The owner must be a direct subclass of TDDForm.
    explicit TDDSprite(TComponent* Owner);

    TComponent* OwnerForm() const { return ownerForm_; }

    // Position in whole pixels (rounded half up from the 16.16 value) as a signed 16-bit value.
    virtual int GetX() const;
    virtual void SetX(int x);
    virtual int GetY() const;
    virtual void SetY(int y);
    // Pixels per second and per second squared; stored as 16.16.
    virtual double GetVelocityX() const;
    virtual void SetVelocityX(double v);
    virtual double GetVelocityY() const;
    virtual void SetVelocityY(double v);
    virtual double GetAccelerationX() const;
    virtual void SetAccelerationX(double a);
    virtual double GetAccelerationY() const;
    virtual void SetAccelerationY(double a);
    virtual void SetVisible(bool visible);
    virtual void GetFrameNumber(DWORD Tick, unsigned& Frame);
    virtual void CheckBounce();
    virtual void CheckLimits();
    virtual void Move(DWORD Tick);

    bool Visible() const { return visible_; }
    std::int32_t PosX() const { return posX_; }
    std::int32_t PosY() const { return posY_; }
    std::int32_t RawVelocityX() const { return velocityX_; }
    std::int32_t RawVelocityY() const { return velocityY_; }

    void GetFrameRect(DWORD Tick, RECT& r);
    // Like GetFrameRect, with width and height in place of right and bottom.
    void GetFrameRectWH(DWORD Tick, RECT& r);
    void GetShowRect(RECT& r) const;

    // Draws the current frame at the sprite's position: flag 0x40 blends with Alpha, 0x20 by
    // the source's brightness, 0x80 by its inverse (through the form's blitter, 16 and 32
    // bits only); otherwise a fast blit with Flags as its flags. Clipped to both surfaces.
    void Show(IDirectDrawSurface7* Dest, DWORD Tick, DWORD Flags);
    // Shrinks the shown part of every frame to the box of its non-transparent pixels (the
    // sheet's first pixel is the transparent one); 16 and 32 bits per pixel.
    void OptimizeShowSize();

    // Movement box in force only when LimMovX1 < LimMovX2 and LimMovY1 < LimMovY2.
    bool LimitsInForce() const { return LimMovX1 < LimMovX2 && LimMovY1 < LimMovY2; }

    int Alpha = 128;
    bool AutoBounce = false;
    int LimPosX1 = 0, LimPosX2 = 0, LimPosY1 = 0, LimPosY2 = 0;
    int LimMovX1 = 0, LimMovX2 = 0, LimMovY1 = 0, LimMovY2 = 0;
    bool Loop = true;
    bool AutoHide = true;
    bool Mirror = false;
    DWORD StartTick = 0;
    // Milliseconds per frame; 0 counts as 1.
    DWORD Interval = 20;
    unsigned Start = 0, Stop = 0, Offset = 0;
    // Frames per row of the sheet; 0 counts as 1.
    unsigned FramesPerLine = 1;
    unsigned FirstFrameX = 0, FirstFrameY = 0, FrameWidth = 0, FrameHeight = 0;
    unsigned ShowWidth = 0, ShowHeight = 0, ShowLeft = 0, ShowTop = 0;
    TDDSurface* Frames = nullptr;
    TDDCheckLimitsEvent OnCheckLimits;
    TNotifyEvent OnCheckedLimits;
    // Two words for the application; the sprite never reads them.
    int UserKind = 0;
    DWORD UserTick = 0;

    bool RestartPending() const { return restartPending_; }
    bool AnimationStarted() const { return animationStarted_; }
    DWORD LastMoveTick() const { return lastMoveTick_; }
    bool HasMoved() const { return hasMoved_; }

private:
    TComponent* ownerForm_;
    bool restartPending_ = true;
    bool animationStarted_ = false;
    bool visible_ = true;
    std::int32_t posX_ = 0, posY_ = 0;
    std::int32_t velocityX_ = 0, velocityY_ = 0;
    std::int32_t accelerationX_ = 0, accelerationY_ = 0;
    DWORD lastMoveTick_ = 0;
    // Kept apart from the tick so that a clock standing at 0 still counts as moved.
    bool hasMoved_ = false;
};

// A list of sprites in the application's order. Destroying the list leaves the sprites alone.
class TDDSpriteList {
public:
    using TCompare = std::function<int(TDDSprite* a, TDDSprite* b)>;

    explicit TDDSpriteList(int capacity = 0);

    int Count() const { return static_cast<int>(items_.size()); }
    TDDSprite* Get(int Index) const;
    void Put(int Index, TDDSprite* sprite);
    TDDSprite* operator[](int Index) const { return Get(Index); }
    int Add(TDDSprite* sprite);
    void Insert(int Index, TDDSprite* sprite);
    void Delete(int Index);
    // Removes the first occurrence; answers its former index or -1.
    int Remove(TDDSprite* sprite);
    int IndexOf(const TDDSprite* sprite) const;
    void Clear() { items_.clear(); }
    // Deletes every sprite, then empties the list.
    void ClearItems();
    // A stable shaker sort: neighbours swap only when Compare(left, right) > 0.
    void QuickSort(const TCompare& Compare);

private:
    void checkIndex(int Index, int limit) const;
    std::vector<TDDSprite*> items_;
};
