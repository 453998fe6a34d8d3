#include "graphics/DDSprite.h"
#include "graphics/AlphaBlitter.h"
#include "graphics/DDForm.h"
#include "graphics/DDSurface.h"
#include "platform/framework/Published.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <utility>

namespace {

// Wraps a 64-bit sum into the 32-bit fixed-point word, as the hardware word would.
std::int32_t wrap32(std::int64_t v) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

// Speed times elapsed milliseconds over a second; the product runs in 64 bits so that large
// speeds or long gaps cannot overflow.
std::int64_t perMillis(std::int64_t dt, std::int32_t rate) {
    return dt * rate / 1000;
}

std::int32_t toFixed(double v) {
    double scaled = std::trunc(v * 65536.0);
    if (std::isnan(scaled)) return 0;
    scaled = std::clamp(scaled, static_cast<double>(std::numeric_limits<std::int32_t>::min()),
                        static_cast<double>(std::numeric_limits<std::int32_t>::max()));
    return static_cast<std::int32_t>(scaled);
}

int roundedWord(std::int32_t fixed) {
    auto word = static_cast<std::uint32_t>(fixed) >> 16;
    if ((static_cast<std::uint32_t>(fixed) & 0xFFFFu) >= 0x8000u) ++word;
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(word));
}

std::int32_t wordToFixed(int v) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(v)) << 16);
}

} // namespace

bool ClipBlit(int& x, int& y, RECT& src, int sourceWidth, int sourceHeight, int destWidth, int destHeight) {
    // Inside the source first, moving the point along with the cut edges.
    if (src.left < 0) {
        x -= src.left;
        src.left = 0;
    }
    if (src.top < 0) {
        y -= src.top;
        src.top = 0;
    }
    src.right = std::min(src.right, sourceWidth);
    src.bottom = std::min(src.bottom, sourceHeight);
    // Then inside the destination.
    if (x < 0) {
        src.left -= x;
        x = 0;
    }
    if (y < 0) {
        src.top -= y;
        y = 0;
    }
    src.right = std::min(src.right, src.left + (destWidth - x));
    src.bottom = std::min(src.bottom, src.top + (destHeight - y));
    return src.left < src.right && src.top < src.bottom;
}

TDDSprite::TDDSprite(TComponent* Owner) : TComponent(Owner), ownerForm_(Owner) {
    if (Owner == nullptr || Owner->ClassParentName() != "TDDForm")
        throw Exception("TDDSprite: Owner Form is not TDDForm");
    SetVelocityX(0.0);
    SetVelocityY(0.0);
    SetX(0);
    SetY(0);
}

int TDDSprite::GetX() const {
    return roundedWord(posX_);
}
void TDDSprite::SetX(int x) {
    posX_ = wordToFixed(x);
}
int TDDSprite::GetY() const {
    return roundedWord(posY_);
}
void TDDSprite::SetY(int y) {
    posY_ = wordToFixed(y);
}

double TDDSprite::GetVelocityX() const {
    return velocityX_ / 65536.0;
}
void TDDSprite::SetVelocityX(double v) {
    velocityX_ = toFixed(v);
}
double TDDSprite::GetVelocityY() const {
    return velocityY_ / 65536.0;
}
void TDDSprite::SetVelocityY(double v) {
    velocityY_ = toFixed(v);
}
double TDDSprite::GetAccelerationX() const {
    return accelerationX_ / 65536.0;
}
void TDDSprite::SetAccelerationX(double a) {
    accelerationX_ = toFixed(a);
}
double TDDSprite::GetAccelerationY() const {
    return accelerationY_ / 65536.0;
}
void TDDSprite::SetAccelerationY(double a) {
    accelerationY_ = toFixed(a);
}

void TDDSprite::SetVisible(bool visible) {
    visible_ = visible;
    restartPending_ = true;
    animationStarted_ = false;
}

void TDDSprite::Move(DWORD Tick) {
    // A clock that went back (a restarted match clock) is no reason to run backwards.
    std::int64_t dt = 0;
    if (hasMoved_) dt = std::clamp<std::int64_t>(static_cast<std::int32_t>(Tick - lastMoveTick_), 0, 500);
    lastMoveTick_ = Tick;
    hasMoved_ = true;
    posX_ = wrap32(posX_ + perMillis(dt, velocityX_));
    posY_ = wrap32(posY_ + perMillis(dt, velocityY_));
    velocityX_ = wrap32(velocityX_ + perMillis(dt, accelerationX_));
    velocityY_ = wrap32(velocityY_ + perMillis(dt, accelerationY_));
    CheckLimits();
}

void TDDSprite::CheckLimits() {
    bool clamp = true;
    if (OnCheckLimits) {
        clamp = false;
        OnCheckLimits(this, clamp);
    }
    if (clamp) {
        if (LimitsInForce()) {
            if (GetX() + LimPosX1 < LimMovX1)
                SetX(LimMovX1 - LimPosX1);
            else if (GetX() + LimPosX2 > LimMovX2)
                SetX(LimMovX2 - LimPosX2);
            if (GetY() + LimPosY1 < LimMovY1)
                SetY(LimMovY1 - LimPosY1);
            else if (GetY() + LimPosY2 > LimMovY2)
                SetY(LimMovY2 - LimPosY2);
        }
        if (AutoBounce) CheckBounce();
    }
    if (OnCheckedLimits) OnCheckedLimits(this);
}

void TDDSprite::CheckBounce() {
    if (!LimitsInForce()) return;
    auto magnitude = [](std::int32_t v) {
        return v == std::numeric_limits<std::int32_t>::min() ? -(v + 1) : std::abs(v);
    };
    if (GetX() + LimPosX1 <= LimMovX1)
        velocityX_ = magnitude(velocityX_);
    else if (GetX() + LimPosX2 >= LimMovX2)
        velocityX_ = -magnitude(velocityX_);
    if (GetY() + LimPosY1 <= LimMovY1)
        velocityY_ = magnitude(velocityY_);
    else if (GetY() + LimPosY2 >= LimMovY2)
        velocityY_ = -magnitude(velocityY_);
}

void TDDSprite::GetFrameNumber(DWORD Tick, unsigned& Frame) {
    Frame = Start;
    if (Stop <= Start) return;
    DWORD interval = Interval == 0 ? 1 : Interval;
    std::uint64_t k = static_cast<DWORD>((Tick - StartTick) / interval + Offset);
    std::uint64_t n = Stop - Start;
    if (Mirror) {
        std::uint64_t r = k % (2 * n);
        if (r > n) r = 2 * n - r;
        Frame = Start + static_cast<unsigned>(r);
    } else {
        Frame = Start + static_cast<unsigned>(k % (n + 1));
    }
    if (Loop) return;
    if (restartPending_) {
        StartTick = Tick;
        restartPending_ = false;
    } else if (animationStarted_ && Frame == Start) {
        if (AutoHide) SetVisible(false);
        Frame = Stop;
    } else if (Frame > Start) {
        animationStarted_ = true;
    }
}

void TDDSprite::GetFrameRectWH(DWORD Tick, RECT& r) {
    unsigned frame = 0;
    GetFrameNumber(Tick, frame);
    unsigned perLine = FramesPerLine == 0 ? 1 : FramesPerLine;
    unsigned column = frame % perLine;
    unsigned row = frame / perLine;
    r.left = static_cast<int>(column * FrameWidth + FirstFrameX + ShowLeft);
    r.top = static_cast<int>(row * FrameHeight + FirstFrameY + ShowTop);
    r.right = static_cast<int>(ShowWidth);
    r.bottom = static_cast<int>(ShowHeight);
}

void TDDSprite::GetFrameRect(DWORD Tick, RECT& r) {
    GetFrameRectWH(Tick, r);
    r.right += r.left;
    r.bottom += r.top;
}

void TDDSprite::GetShowRect(RECT& r) const {
    r.left = GetX();
    r.top = GetY();
    r.right = r.left + static_cast<int>(ShowWidth);
    r.bottom = r.top + static_cast<int>(ShowHeight);
}

namespace {

constexpr DWORD BlendAlpha = 0x40;
constexpr DWORD BlendBright = 0x20;
constexpr DWORD BlendInverse = 0x80;

// Holds a surface lock for a scope.
class SurfaceLock {
public:
    explicit SurfaceLock(IDirectDrawSurface7* surface) : surface_(surface) {
        locked_ = surface && SUCCEEDED(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr));
    }
    ~SurfaceLock() {
        if (locked_) surface_->Unlock(nullptr);
    }
    SurfaceLock(const SurfaceLock&) = delete;
    SurfaceLock& operator=(const SurfaceLock&) = delete;
    bool Locked() const { return locked_; }
    DDSURFACEDESC2 desc;

private:
    IDirectDrawSurface7* surface_;
    bool locked_ = false;
};

DWORD pixelAt(const DDSURFACEDESC2& d, int x, int y) {
    const BYTE* row = static_cast<const BYTE*>(d.lpSurface) + static_cast<std::ptrdiff_t>(y) * d.lPitch;
    if (d.ddpfPixelFormat.dwRGBBitCount == 16) {
        WORD w;
        std::memcpy(&w, row + x * 2, 2);
        return w;
    }
    DWORD v;
    std::memcpy(&v, row + x * 4, 4);
    return v;
}

std::vector<TPropInfo> spriteProperties() {
    auto integer = [](const char* name, int TDDSprite::*field, int defaultValue) {
        return FieldProperty(name, TypeInteger(), field, defaultValue);
    };
    auto cardinal = [](const char* name, unsigned TDDSprite::*field, int defaultValue) {
        return FieldProperty(name, IntegerType("Cardinal"), field, defaultValue);
    };
    auto boolean = [](const char* name, bool TDDSprite::*field, bool defaultValue) {
        return FieldProperty(name, TypeBoolean(), field, defaultValue);
    };
    auto real = [](const char* name, double (TDDSprite::*get)() const, void (TDDSprite::*set)(double)) {
        return Property(name, TypeFloat(ftDouble), get, set);
    };
    return {
        integer("Alpha", &TDDSprite::Alpha, 128),
        Property("Visible", TypeBoolean(), &TDDSprite::Visible, &TDDSprite::SetVisible, true),
        boolean("AutoBounce", &TDDSprite::AutoBounce, false),
        Property("PosX", TypeInteger(), &TDDSprite::GetX, &TDDSprite::SetX),
        Property("PosY", TypeInteger(), &TDDSprite::GetY, &TDDSprite::SetY),
        real("VelocityX", &TDDSprite::GetVelocityX, &TDDSprite::SetVelocityX),
        real("VelocityY", &TDDSprite::GetVelocityY, &TDDSprite::SetVelocityY),
        real("AccelerationX", &TDDSprite::GetAccelerationX, &TDDSprite::SetAccelerationX),
        real("AccelerationY", &TDDSprite::GetAccelerationY, &TDDSprite::SetAccelerationY),
        integer("LimPosX1", &TDDSprite::LimPosX1, 0),
        integer("LimPosX2", &TDDSprite::LimPosX2, 0),
        integer("LimPosY1", &TDDSprite::LimPosY1, 0),
        integer("LimPosY2", &TDDSprite::LimPosY2, 0),
        integer("LimMovX1", &TDDSprite::LimMovX1, 0),
        integer("LimMovX2", &TDDSprite::LimMovX2, 0),
        integer("LimMovY1", &TDDSprite::LimMovY1, 0),
        integer("LimMovY2", &TDDSprite::LimMovY2, 0),
        boolean("Loop", &TDDSprite::Loop, true),
        boolean("AutoHide", &TDDSprite::AutoHide, true),
        boolean("Mirror", &TDDSprite::Mirror, false),
        cardinal("StartTick", &TDDSprite::StartTick, 0),
        cardinal("Interval", &TDDSprite::Interval, 20),
        cardinal("Start", &TDDSprite::Start, 0),
        cardinal("Stop", &TDDSprite::Stop, 0),
        cardinal("Offset", &TDDSprite::Offset, 0),
        cardinal("FramesPerLine", &TDDSprite::FramesPerLine, 1),
        cardinal("FirstFrameX", &TDDSprite::FirstFrameX, 0),
        cardinal("FirstFrameY", &TDDSprite::FirstFrameY, 0),
        cardinal("FrameWidth", &TDDSprite::FrameWidth, 0),
        cardinal("FrameHeight", &TDDSprite::FrameHeight, 0),
        cardinal("ShowWidth", &TDDSprite::ShowWidth, 0),
        cardinal("ShowHeight", &TDDSprite::ShowHeight, 0),
        cardinal("ShowLeft", &TDDSprite::ShowLeft, 0),
        cardinal("ShowTop", &TDDSprite::ShowTop, 0),
        FieldProperty("Frames", ClassType("TDDSurface"), &TDDSprite::Frames),
        EventProperty("OnCheckLimits", MethodType("TDDCheckLimitsEvent"), &TDDSprite::OnCheckLimits),
        EventProperty("OnCheckedLimits", MethodType("TNotifyEvent"), &TDDSprite::OnCheckedLimits),
    };
}

const bool spritePublished = RegisterPublishedClass("TDDSprite", "TComponent", spriteProperties());

} // namespace

void TDDSprite::Show(IDirectDrawSurface7* Dest, DWORD Tick, DWORD Flags) {
    if (!visible_ || !Dest || !Frames || !Frames->Surface) return;
    int x = GetX(), y = GetY();
    if (Flags & (BlendAlpha | BlendBright | BlendInverse)) {
        auto* form = dynamic_cast<TDDForm*>(ownerForm_);
        if (!form || !form->EffectBlitter) return;
        SurfaceLock dest(Dest);
        if (!dest.Locked()) return;
        SurfaceLock source(Frames->Surface);
        if (!source.Locked()) return;
        RECT r;
        GetFrameRectWH(Tick, r);
        if (Flags & BlendAlpha)
            form->EffectBlitter->AlphaBlend(&dest.desc, x, y, &source.desc, &r,
                                            static_cast<BYTE>(Alpha & 0xFF));
        else if (Flags & BlendBright)
            form->EffectBlitter->SourceAlphaBlend(&dest.desc, x, y, &source.desc, &r);
        else
            form->EffectBlitter->InverseSourceAlphaBlend(&dest.desc, x, y, &source.desc, &r);
        return;
    }
    RECT r;
    GetFrameRect(Tick, r);
    DDSURFACEDESC2 destDesc, sourceDesc;
    if (FAILED(Dest->GetSurfaceDesc(&destDesc)) || FAILED(Frames->Surface->GetSurfaceDesc(&sourceDesc)))
        return;
    if (ClipBlit(x, y, r, static_cast<int>(sourceDesc.dwWidth), static_cast<int>(sourceDesc.dwHeight),
                 static_cast<int>(destDesc.dwWidth), static_cast<int>(destDesc.dwHeight)))
        Dest->BltFast(x, y, Frames->Surface, &r, Flags);
}

void TDDSprite::OptimizeShowSize() {
    if (!Frames || !Frames->Surface || FrameWidth == 0 || FrameHeight == 0) return;
    SurfaceLock sheet(Frames->Surface);
    if (!sheet.Locked()) return;
    const DDSURFACEDESC2& d = sheet.desc;
    DWORD bpp = d.ddpfPixelFormat.dwRGBBitCount;
    if (bpp != 16 && bpp != 32) return;
    int width = static_cast<int>(d.dwWidth), height = static_cast<int>(d.dwHeight);
    DWORD transparent = pixelAt(d, 0, 0);
    int x1 = static_cast<int>(FrameWidth / 2), x2 = x1;
    int y1 = static_cast<int>(FrameHeight / 2), y2 = y1;
    for (int cy = 0; cy < height; cy += static_cast<int>(FrameHeight)) {
        for (int cx = 0; cx < width; cx += static_cast<int>(FrameWidth)) {
            for (int y = 0; y < static_cast<int>(FrameHeight) && cy + y < height; ++y) {
                for (int x = 0; x < static_cast<int>(FrameWidth) && cx + x < width; ++x) {
                    if (pixelAt(d, cx + x, cy + y) == transparent) continue;
                    x1 = std::min(x1, x);
                    x2 = std::max(x2, x);
                    y1 = std::min(y1, y);
                    y2 = std::max(y2, y);
                }
            }
        }
    }
    ShowLeft = static_cast<unsigned>(x1);
    ShowTop = static_cast<unsigned>(y1);
    ShowWidth = static_cast<unsigned>(x2 - x1 + 1);
    ShowHeight = static_cast<unsigned>(y2 - y1 + 1);
}

// TDDSpriteList

TDDSpriteList::TDDSpriteList(int capacity) {
    items_.reserve(static_cast<std::size_t>(std::max(capacity, 0)));
}

void TDDSpriteList::checkIndex(int Index, int limit) const {
    if (Index < 0 || Index >= limit) {
        char text[64];
        std::snprintf(text, sizeof text, "List index out of bounds (%d)", Index);
        throw EListError(text);
    }
}

TDDSprite* TDDSpriteList::Get(int Index) const {
    checkIndex(Index, Count());
    return items_[static_cast<std::size_t>(Index)];
}

void TDDSpriteList::Put(int Index, TDDSprite* sprite) {
    checkIndex(Index, Count());
    items_[static_cast<std::size_t>(Index)] = sprite;
}

int TDDSpriteList::Add(TDDSprite* sprite) {
    items_.push_back(sprite);
    return Count() - 1;
}

void TDDSpriteList::Insert(int Index, TDDSprite* sprite) {
    checkIndex(Index, Count() + 1);
    items_.insert(items_.begin() + Index, sprite);
}

void TDDSpriteList::Delete(int Index) {
    checkIndex(Index, Count());
    items_.erase(items_.begin() + Index);
}

int TDDSpriteList::IndexOf(const TDDSprite* sprite) const {
    auto it = std::find(items_.begin(), items_.end(), sprite);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

int TDDSpriteList::Remove(TDDSprite* sprite) {
    int index = IndexOf(sprite);
    if (index >= 0) Delete(index);
    return index;
}

void TDDSpriteList::ClearItems() {
    std::vector<TDDSprite*> doomed;
    doomed.swap(items_);
    for (TDDSprite* sprite : doomed)
        delete sprite;
}

void TDDSpriteList::QuickSort(const TCompare& Compare) {
    int lo = 0;
    int hi = Count() - 1;
    while (lo < hi) {
        bool swapped = false;
        for (int i = lo; i < hi; ++i) {
            if (Compare(items_[i], items_[i + 1]) > 0) {
                std::swap(items_[i], items_[i + 1]);
                swapped = true;
            }
        }
        --hi;
        if (!swapped) return;
        swapped = false;
        for (int i = hi; i > lo; --i) {
            if (Compare(items_[i - 1], items_[i]) > 0) {
                std::swap(items_[i - 1], items_[i]);
                swapped = true;
            }
        }
        ++lo;
        if (!swapped) return;
    }
}
