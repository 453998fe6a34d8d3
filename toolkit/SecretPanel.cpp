#include "toolkit/SecretPanel.h"

#include "platform/framework/Application.h"
#include "platform/framework/Published.h"
#include "platform/kernel/Thread.h"
#include "toolkit/KxTimer.h"
#include "toolkit/Maxmin.h"
#include "toolkit/kxUiUtils.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace {

constexpr int gap = 3;

bool blank(const std::string& line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

void paintBevel(TCanvas& canvas, RECT& rect, TBevelCut cut, int width) {
    if (cut == bvNone) return;
    const TColor light = cut == bvRaised ? clBtnHighlight : clBtnShadow;
    const TColor dark = cut == bvRaised ? clBtnShadow : clBtnHighlight;
    Frame3D(canvas, rect, light, dark, width);
}

} // namespace

TSecretPanel::TSecretPanel(TComponent* owner) : TPanel(owner) {
    SetBevelOuter(bvLowered);
    lines_.OnChange = [this](TObject*) { changed(); };
    timer_ = new TKxTimer(this);
    timer_->SetEnabled(false);
    timer_->SetInterval(30);
    timer_->SetSyncEvent(false);
    timer_->SetOnTimer([this](TObject*) { tick(); });
}

TSecretPanel::~TSecretPanel() {
    BeforeDestruction();
}

void TSecretPanel::BeforeDestruction() {
    // The timer goes first: once it is freed no tick runs on a panel being taken apart.
    SetActive(false);
    if (timer_) {
        timer_->Free();
        timer_ = nullptr;
    }
    TPanel::BeforeDestruction();
}

template <class T> bool TSecretPanel::storeLocked(T& field, T value) {
    std::lock_guard guard(drawLock_);
    if (field == value) return false;
    field = value;
    return true;
}

// Past the larger side of the client area nothing is left inside, so a larger width (a
// damaged stored value) lays out as that and never overflows the arithmetic.
int TSecretPanel::inflateWidth() const {
    const std::int64_t width = std::int64_t{borderWidth_} + (BevelOuter() != bvNone ? BevelWidth() : 0) +
                               (BevelInner() != bvNone ? BevelWidth() : 0);
    return static_cast<int>(std::min<std::int64_t>(width, Max(ClientWidth(), ClientHeight())));
}

void TSecretPanel::SetActive(bool active) {
    if (active == active_) return;
    if (active)
        activate();
    else
        deactivate();
}

void TSecretPanel::activate() {
    {
        std::lock_guard guard(drawLock_);
        scrollCount_ = 0;
        rebuildLocked();
    }
    active_ = true;
    try {
        timer_->SetEnabled(true);
        StartPlay();
    } catch (...) {
        active_ = false;
        timer_->SetEnabled(false);
        std::lock_guard guard(drawLock_);
        memoryImage_.reset();
        shownImage_.reset();
        throw;
    }
    if (!IsDestroying()) {
        for (int i = 0; i < ControlCount(); ++i) {
            TControl* child = Controls(i);
            if (!child->Visible()) continue;
            hiddenControls_.push_back(child);
            FreeNotification(child);
            child->Hide();
        }
    }
    Invalidate();
}

void TSecretPanel::deactivate() {
    // Disabled outside the lock: a tick in progress finishes its picture first.
    if (timer_) timer_->SetEnabled(false);
    {
        std::lock_guard guard(drawLock_);
        scrollCount_ = 0;
        memoryImage_.reset();
        shownImage_.reset();
    }
    active_ = false;
    StopPlay();
    for (TControl* child : hiddenControls_) {
        RemoveFreeNotification(child);
        if (IsDestroying()) continue;
        child->Show();
        child->Invalidate();
    }
    hiddenControls_.clear();
    Invalidate();
}

void TSecretPanel::Notification(TComponent* component, TOperation operation) {
    TPanel::Notification(component, operation);
    if (operation == opRemove)
        hiddenControls_.erase(std::remove(hiddenControls_.begin(), hiddenControls_.end(), component),
                              hiddenControls_.end());
}

void TSecretPanel::StartPlay() {
    if (OnStartPlay) OnStartPlay(this);
}

void TSecretPanel::StopPlay() {
    if (OnStopPlay) OnStopPlay(this);
}

void TSecretPanel::SetAsyncDrawing(bool async) {
    if (async == asyncDrawing_) return;
    asyncDrawing_ = async;
    timer_->SetSyncEvent(!async);
}

TAlignment TSecretPanel::Alignment() const {
    std::lock_guard guard(drawLock_);
    return alignment_;
}

bool TSecretPanel::Cycled() const {
    std::lock_guard guard(drawLock_);
    return cycled_;
}

TScrollDirection TSecretPanel::ScrollDirection() const {
    std::lock_guard guard(drawLock_);
    return scrollDirection_;
}

TBevelCut TSecretPanel::TextStyle() const {
    std::lock_guard guard(drawLock_);
    return textStyle_;
}

DWORD TSecretPanel::Interval() const {
    return timer_->Interval();
}

void TSecretPanel::SetInterval(DWORD interval) {
    timer_->SetInterval(interval);
}

void TSecretPanel::SetAlignment(TAlignment alignment) {
    if (storeLocked(alignment_, alignment)) changed();
}

void TSecretPanel::SetCycled(bool cycled) {
    storeLocked(cycled_, cycled);
}

void TSecretPanel::SetGlyph(const TBitmap* glyph) {
    if (glyph)
        glyph_.Assign(*glyph);
    else
        glyph_.Assign(TBitmap());
    changed();
}

void TSecretPanel::SetGlyphLayout(TGlyphLayout layout) {
    if (layout == glyphLayout_) return;
    glyphLayout_ = layout;
    changed();
}

void TSecretPanel::SetLines(const TStrings& lines) {
    lines_.Assign(lines);
}

void TSecretPanel::SetScrollDirection(TScrollDirection direction) {
    if (storeLocked(scrollDirection_, direction)) changed();
}

void TSecretPanel::SetTextStyle(TBevelCut style) {
    if (storeLocked(textStyle_, style)) changed();
}

void TSecretPanel::SetBorderWidth(int width) {
    width = Max(0, width);
    if (width == borderWidth_) return;
    borderWidth_ = width;
    changed();
}

void TSecretPanel::SetBounds(int left, int top, int width, int height) {
    TPanel::SetBounds(left, top, width, height);
    changed();
}

void TSecretPanel::FontChanged() {
    TPanel::FontChanged();
    changed();
}

void TSecretPanel::ColorChanged() {
    TPanel::ColorChanged();
    changed();
}

// A change of what the text looks like: while active the text starts again from the
// bottom (or the right) with the new look.
void TSecretPanel::changed() {
    if (active_) {
        std::lock_guard guard(drawLock_);
        scrollCount_ = 0;
        rebuildLocked();
    }
    Invalidate();
}

int TSecretPanel::ScrollCount() const {
    std::lock_guard guard(drawLock_);
    return scrollCount_;
}

int TSecretPanel::MaxScroll() const {
    std::lock_guard guard(drawLock_);
    return maxScroll_;
}

int TSecretPanel::LineHeight() const {
    std::lock_guard guard(drawLock_);
    return lineHeight_;
}

RECT TSecretPanel::TextRect() const {
    std::lock_guard guard(drawLock_);
    return textRect_;
}

// GUI thread, drawLock_ held: takes a copy of what the tick needs and lays the text out.
void TSecretPanel::rebuildLocked() {
    if (!memoryImage_) memoryImage_ = std::make_unique<TBitmap>();
    drawLines_.clear();
    for (int i = 0; i < lines_.Count(); ++i)
        drawLines_.push_back(lines_.Strings(i));
    drawFont_.Assign(Font());
    drawColor_ = Color();
    const auto first =
        std::find_if(drawLines_.begin(), drawLines_.end(), [](const auto& l) { return !blank(l); });
    firstLine_ = static_cast<int>(first - drawLines_.begin());
    TCanvas measure;
    measure.Font().Assign(drawFont_);
    lineHeight_ = measure.TextHeight("Wg") + (textStyle_ != bvNone ? 1 : 0);
    layoutLocked();
    if (scrollDirection_ == sdVertical) {
        maxScroll_ = HeightOf(textRect_) + (static_cast<int>(drawLines_.size()) - firstLine_) * lineHeight_;
    } else {
        int widest = 0;
        for (std::size_t i = static_cast<std::size_t>(firstLine_); i < drawLines_.size(); ++i)
            widest = Max(widest, measure.TextWidth(drawLines_[i]));
        maxScroll_ = widest + WidthOf(textRect_);
    }
    memoryImage_->SetSize(WidthOf(textRect_), HeightOf(textRect_));
}

void TSecretPanel::layoutLocked() {
    const int inflate = inflateWidth();
    const RECT client = ClientRect();
    paintRect_ = {client.left + inflate, client.top + inflate, client.right - inflate,
                  client.bottom - inflate};
    RECT t{paintRect_.left + gap, paintRect_.top + gap, paintRect_.right - gap, paintRect_.bottom - gap};
    const int gw = glyph_.Width(), gh = glyph_.Height();
    POINT& o = glyphOrigin_;
    switch (glyphLayout_) {
    case glGlyphLeft:
    case glGlyphRight:
        o.y = Max((t.top + t.bottom - gh) / 2, t.top);
        if (glyphLayout_ == glGlyphLeft) {
            o.x = t.left;
            if (gw > 0) {
                o.x += gap;
                t.left = o.x + gw + inflate + gap;
            }
        } else {
            o.x = t.right - gw;
            if (gw > 0) {
                o.x = Max(o.x - gap, t.left);
                t.right = o.x - (inflate + gap);
            }
        }
        break;
    case glGlyphTop:
    case glGlyphBottom:
        o.x = Max((t.left + t.right - gw) / 2, t.left);
        if (glyphLayout_ == glGlyphTop) {
            o.y = t.top;
            if (gh > 0) {
                o.y += gap;
                t.top = o.y + gh + inflate + 2 * gap;
            }
        } else {
            o.y = t.bottom - gh;
            if (gh > 0) {
                o.y = Max(o.y - gap, t.top);
                t.bottom = o.y - (inflate + 2 * gap);
            }
        }
        break;
    }
    if (scrollDirection_ == sdHorizontal) {
        int last = static_cast<int>(drawLines_.size()) - 1;
        while (last >= 0 && blank(drawLines_[static_cast<std::size_t>(last)]))
            --last;
        const int rows = Max(0, last - firstLine_ + 1);
        const int spare = HeightOf(t) - rows * lineHeight_;
        if (spare > 0) {
            t.top += spare / 2;
            t.bottom -= spare / 2;
        }
    }
    if (WidthOf(t) <= 0 || HeightOf(t) <= 0) t = {0, 0, 0, 0};
    textRect_ = t;
}

void TSecretPanel::tick() {
    bool stop = false;
    {
        std::lock_guard guard(drawLock_);
        if (!memoryImage_) return;
        if (scrollCount_ < maxScroll_) {
            ++scrollCount_;
            drawTextLocked();
        } else if (cycled_) {
            scrollCount_ = 0;
            drawTextLocked();
        } else {
            stop = true;
        }
    }
    if (stop) {
        // Stopping changes controls: it runs on the GUI thread, with the lock free.
        timer_->Synchronize([this] { Stop(); });
        return;
    }
    showFrame();
}

// drawLock_ held, on whichever thread ticks: draws the lines at the current scroll
// position into the memory image and keeps the result for Paint.
void TSecretPanel::drawTextLocked() {
    const int width = WidthOf(textRect_), height = HeightOf(textRect_);
    if (drawLines_.empty() || width <= 0 || height <= 0) return;
    TCanvas& canvas = memoryImage_->Canvas();
    canvas.Font().Assign(drawFont_);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(drawColor_);
    canvas.FillRect({0, 0, width, height});
    PaintClient(canvas, {paintRect_.left - textRect_.left, paintRect_.top - textRect_.top,
                         paintRect_.right - textRect_.left, paintRect_.bottom - textRect_.top});
    canvas.Brush().SetStyle(bsClear);
    RECT r{0, 0, width, 0};
    if (scrollDirection_ == sdVertical) {
        r.top = height - scrollCount_;
    } else {
        r.left = width - scrollCount_;
        r.right = r.left + maxScroll_ - width;
    }
    r.bottom = r.top + lineHeight_;
    const unsigned flags =
        AlignmentTextFlag(alignment_) | DT_NOPREFIX | DT_NOCLIP | DT_EXPANDTABS | DT_SINGLELINE;
    const TColor textColor = drawFont_.Color();
    for (std::size_t i = static_cast<std::size_t>(firstLine_); i < drawLines_.size(); ++i) {
        if (r.top >= height) break;
        if (r.bottom > 0) {
            if (textStyle_ != bvNone) {
                const int shift = textStyle_ == bvLowered ? 1 : -1;
                RECT shadow{r.left + shift, r.top + shift, r.right + shift, r.bottom + shift};
                canvas.Font().SetColor(clBtnHighlight);
                canvas.DrawText(drawLines_[i], shadow, flags);
                canvas.Font().SetColor(textColor);
            }
            RECT line = r;
            canvas.DrawText(drawLines_[i], line, flags);
        }
        r.top += lineHeight_;
        r.bottom += lineHeight_;
    }
    if (!shownImage_) shownImage_ = std::make_unique<TBitmap>();
    shownImage_->Assign(*memoryImage_);
}

// Asks the GUI thread to paint the newest picture; one request at a time is enough.
void TSecretPanel::showFrame() {
    if (IsMainThread()) {
        Invalidate();
        return;
    }
    if (repaintPending_.exchange(true)) return;
    QueueOnMainThread([this, alive = std::weak_ptr<int>(lifetime_)] {
        if (alive.expired()) return;
        repaintPending_ = false;
        Invalidate();
    });
}

void TSecretPanel::PaintClient(TCanvas& canvas, const RECT& rect) {
    if (OnPaintClient)
        OnPaintClient(this, canvas, rect);
    else
        canvas.FillRect(rect);
}

void TSecretPanel::Paint() {
    TCanvas& canvas = Canvas();
    RECT rect = ClientRect();
    paintBevel(canvas, rect, BevelOuter(), BevelWidth());
    canvas.Brush().SetColor(Color());
    for (int i = 0; i < borderWidth_ && WidthOf(rect) > 0 && HeightOf(rect) > 0; ++i) {
        canvas.FrameRect(rect);
        rect = {rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1};
    }
    paintBevel(canvas, rect, BevelInner(), BevelWidth());
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(Color());
    PaintClient(canvas, rect);
    if (!active_) return;
    std::lock_guard guard(drawLock_);
    if (shownImage_ && !shownImage_->Empty()) canvas.Draw(textRect_.left, textRect_.top, *shownImage_);
    if (!glyph_.Empty())
        DrawBitmapTransparent(canvas, glyphOrigin_.x, glyphOrigin_.y, glyph_, glyph_.TransparentColor());
}

namespace {

const bool panelPublished = RegisterPublishedClass(
    "TSecretPanel", "TPanel",
    {
        Property("Active", TypeBoolean(), &TSecretPanel::Active, &TSecretPanel::SetActive, false),
        Property("Alignment", EnumerationType("TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"}),
                 &TSecretPanel::Alignment, &TSecretPanel::SetAlignment, taCenter),
        Property("AsyncDrawing", TypeBoolean(), &TSecretPanel::AsyncDrawing, &TSecretPanel::SetAsyncDrawing,
                 true),
        Property("BevelOuter", EnumerationType("TBevelCut", {"bvNone", "bvLowered", "bvRaised"}),
                 &TPanel::BevelOuter, &TPanel::SetBevelOuter, bvLowered),
        Property("BorderWidth", TypeInteger(), &TSecretPanel::BorderWidth, &TSecretPanel::SetBorderWidth, 0),
        Property("Cycled", TypeBoolean(), &TSecretPanel::Cycled, &TSecretPanel::SetCycled, false),
        PictureProperty("Glyph", ClassType("TBitmap"), &TSecretPanel::Glyph, &TSecretPanel::SetGlyph),
        Property(
            "GlyphLayout",
            EnumerationType("TGlyphLayout", {"glGlyphLeft", "glGlyphRight", "glGlyphTop", "glGlyphBottom"}),
            &TSecretPanel::GlyphLayout, &TSecretPanel::SetGlyphLayout, glGlyphLeft),
        Property("Interval", IntegerType("Cardinal"), &TSecretPanel::Interval, &TSecretPanel::SetInterval,
                 30),
        SubObjectProperty("Lines", ClassType("TStrings"), &TSecretPanel::Lines),
        Property("ScrollDirection", EnumerationType("TScrollDirection", {"sdVertical", "sdHorizontal"}),
                 &TSecretPanel::ScrollDirection, &TSecretPanel::SetScrollDirection, sdVertical),
        Property("TextStyle", EnumerationType("TBevelCut", {"bvNone", "bvLowered", "bvRaised"}),
                 &TSecretPanel::TextStyle, &TSecretPanel::SetTextStyle, bvNone),
        InheritedProperty("TPanel", "ParentColor", false),
        EventProperty("OnPaintClient", MethodType("TPanelDrawEvent"), &TSecretPanel::OnPaintClient),
        EventProperty("OnStartPlay", MethodType("TNotifyEvent"), &TSecretPanel::OnStartPlay),
        EventProperty("OnStopPlay", MethodType("TNotifyEvent"), &TSecretPanel::OnStopPlay),
    });

} // namespace
