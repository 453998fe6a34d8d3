#include "toolkit/KXCtrls.h"

#include "platform/framework/Published.h"
#include "toolkit/kxUiUtils.h"

#include <algorithm>

namespace {

RECT unionOf(const RECT& a, const RECT& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

} // namespace

RECT ShadowRect(const RECT& rect, int size, TShadowPosition pos) {
    int dx = pos == spRightBottom || pos == spRightTop ? size : -size;
    int dy = pos == spLeftBottom || pos == spRightBottom ? size : -size;
    return {rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
}

int DrawShadowText(TCanvas& canvas, const std::string& text, RECT& rect, unsigned format, BYTE shadowSize,
                   DWORD shadowColor, TShadowPosition shadowPos) {
    RECT textRect = rect;
    RECT shadowRect = ShadowRect(rect, shadowSize, shadowPos);
    TColor textColor = canvas.Font().Color();
    canvas.Font().SetColor(static_cast<TColor>(shadowColor));
    int height = canvas.DrawText(text, shadowRect, format);
    if (height > 0) height += shadowSize;
    canvas.Font().SetColor(textColor);
    canvas.DrawText(text, textRect, format);
    rect = unionOf(textRect, shadowRect);
    return height;
}

TKxCustomLabel::TKxCustomLabel(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(Left(), Top(), 65, 17);
}

void TKxCustomLabel::SetFocusControl(TWinControl* control) {
    focusControl_ = control;
    if (control) control->FreeNotification(this);
    if (showFocus_) Invalidate();
}

void TKxCustomLabel::SetAlignment(TAlignment alignment) {
    if (alignment == alignment_) return;
    alignment_ = alignment;
    Invalidate();
}

void TKxCustomLabel::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    AdjustBounds();
}

void TKxCustomLabel::SetLayout(TTextLayout layout) {
    if (layout == layout_) return;
    layout_ = layout;
    Invalidate();
}

void TKxCustomLabel::SetShadowColor(TColor color) {
    if (color == shadowColor_) return;
    shadowColor_ = color;
    Invalidate();
}

void TKxCustomLabel::SetShadowSize(BYTE size) {
    if (size == shadowSize_) return;
    shadowSize_ = size;
    AdjustBounds();
    Invalidate();
}

void TKxCustomLabel::SetShadowPos(TShadowPosition pos) {
    if (pos == shadowPos_) return;
    shadowPos_ = pos;
    Invalidate();
}

void TKxCustomLabel::SetWordWrap(bool wordWrap) {
    if (wordWrap == wordWrap_) return;
    wordWrap_ = wordWrap;
    AdjustBounds();
}

void TKxCustomLabel::SetShowAccelChar(bool show) {
    if (show == showAccelChar_) return;
    showAccelChar_ = show;
    Invalidate();
}

void TKxCustomLabel::SetShowFocus(bool show) {
    if (show == showFocus_) return;
    showFocus_ = show;
    Invalidate();
}

void TKxCustomLabel::SetTransparent(bool transparent) {
    if (transparent == transparent_) return;
    transparent_ = transparent;
    Invalidate();
}

void TKxCustomLabel::SetLeftMargin(int margin) {
    if (margin == leftMargin_) return;
    leftMargin_ = std::max(margin, 0);
    AdjustBounds();
    Invalidate();
}

void TKxCustomLabel::SetRightMargin(int margin) {
    if (margin == rightMargin_) return;
    rightMargin_ = std::max(margin, 0);
    AdjustBounds();
    Invalidate();
}

void TKxCustomLabel::SetVisible(bool visible) {
    TGraphicControl::SetVisible(visible);
    if (visible) updateMouseState();
}

void TKxCustomLabel::EnabledChanged() {
    TGraphicControl::EnabledChanged();
    updateMouseState();
}

bool TKxCustomLabel::DialogChar(char key) {
    if (!focusControl_ || !Enabled() || !showAccelChar_ || !IsAccelerator(key, GetLabelCaption()))
        return false;
    if (!focusControl_->CanFocus()) return false;
    focusControl_->SetFocus();
    return true;
}

void TKxCustomLabel::FocusChanged(TWinControl* focused) {
    bool nowFocused = focusControl_ && focusControl_ == focused;
    if (nowFocused == focused_) return;
    focused_ = nowFocused;
    if (showFocus_) Invalidate();
}

void TKxCustomLabel::DoMouseEnter() {
    if (OnMouseEnter) OnMouseEnter(this);
}

void TKxCustomLabel::DoMouseLeave() {
    if (OnMouseLeave) OnMouseLeave(this);
}

RECT TKxCustomLabel::textArea() const {
    RECT area = ClientRect();
    area.left += leftMargin_ + 1;
    area.right -= rightMargin_ + 1;
    return area;
}

void TKxCustomLabel::DoDrawText(TCanvas& canvas, RECT& rect, unsigned flags) {
    std::string text = GetLabelCaption();
    if ((flags & DT_CALCRECT) && (text.empty() || (showAccelChar_ && text == "&"))) text += ' ';
    if (!showAccelChar_) flags |= DT_NOPREFIX;
    canvas.Font().Assign(Font());
    canvas.Font().SetColor(GetDefaultFontColor());
    TShadowPosition pos = shadowPos_;
    BYTE size = shadowSize_;
    TColor shadow = shadowColor_;
    if (!Enabled()) {
        // The engraved look: grey text over a highlight one pixel to the lower right.
        if (size == 0) {
            pos = spRightBottom;
            size = 1;
        }
        canvas.Font().SetColor(clGrayText);
        shadow = clBtnHighlight;
    }
    DrawShadowText(canvas, text, rect, flags, size, ColorToRGB(shadow), pos);
}

void TKxCustomLabel::Paint() {
    TCanvas& canvas = Canvas();
    if (!Enabled() && !IsDesigning()) dragging_ = false;
    const RECT client = ClientRect();
    if (!transparent_) {
        canvas.Brush().SetColor(Color());
        canvas.Brush().SetStyle(bsSolid);
        canvas.FillRect(client);
    }
    canvas.Brush().SetStyle(bsClear);
    RECT rect = textArea();
    unsigned flags = DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : 0) | AlignmentTextFlag(alignment_);
    if (layout_ != tlTop) {
        DoDrawText(canvas, rect, flags | DT_CALCRECT);
        rect.left = client.left + leftMargin_;
        rect.right = client.right - rightMargin_;
        int room = Height() - rect.bottom;
        int shift = layout_ == tlBottom ? room : room / 2;
        rect.top += shift;
        rect.bottom += shift;
    }
    DoDrawText(canvas, rect, flags);
    if (showFocus_ && focusControl_ && focused_ && !IsDesigning()) {
        rect.left -= 1;
        rect.right += 1;
        canvas.Brush().SetColor(Color());
        canvas.DrawFocusRect(rect);
    }
}

void TKxCustomLabel::AdjustBounds() {
    if (!autoSize_) return;
    RECT rect = textArea();
    TCanvas measure;
    DoDrawText(measure, rect, DT_EXPANDTABS | DT_CALCRECT | (wordWrap_ ? DT_WORDBREAK : 0));
    rect.left -= leftMargin_ + 1;
    rect.right += rightMargin_ + 1;
    int left = Left();
    if (alignment_ == taRightJustify) left += Width() - rect.right;
    SetBounds(left, Top(), rect.right, rect.bottom);
}

void TKxCustomLabel::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == opRemove && component == focusControl_) focusControl_ = nullptr;
}

void TKxCustomLabel::TextChanged() {
    Invalidate();
    AdjustBounds();
}

void TKxCustomLabel::FontChanged() {
    TGraphicControl::FontChanged();
    AdjustBounds();
}

void TKxCustomLabel::updateMouseState() {
    bool inside = Enabled() && pointerOver_ && IsForegroundTask();
    if (inside == mouseInControl_) return;
    mouseInControl_ = inside;
    if (inside)
        DoMouseEnter();
    else
        DoMouseLeave();
}

void TKxCustomLabel::MouseEnter() {
    TGraphicControl::MouseEnter();
    pointerOver_ = true;
    if (!mouseInControl_ && Enabled() && IsForegroundTask()) {
        mouseInControl_ = true;
        DoMouseEnter();
    }
}

void TKxCustomLabel::MouseLeave() {
    TGraphicControl::MouseLeave();
    pointerOver_ = false;
    if (mouseInControl_ && Enabled() && !dragging_) {
        mouseInControl_ = false;
        DoMouseLeave();
    }
}

void TKxCustomLabel::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button == mbLeft && Enabled()) dragging_ = true;
    if (button == mbRight) updateMouseState();
}

void TKxCustomLabel::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (button == mbLeft) dragging_ = false;
    if (button == mbLeft || button == mbRight) updateMouseState();
}

namespace {

const bool labelPublished =
    RegisterPublishedClass("TKxCustomLabel", "TGraphicControl", {}) &&
    RegisterPublishedClass(
        "TKxLabel", "TKxCustomLabel",
        {
            Property("Alignment",
                     EnumerationType("TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"}),
                     &TKxCustomLabel::Alignment, &TKxCustomLabel::SetAlignment, taLeftJustify),
            Property("AutoSize", TypeBoolean(), &TKxCustomLabel::AutoSize, &TKxCustomLabel::SetAutoSize,
                     true),
            Property("Caption", TypeString(), &TControl::Caption, &TControl::SetCaption),
            Property("FocusControl", ClassType("TWinControl"), &TKxCustomLabel::FocusControl,
                     &TKxCustomLabel::SetFocusControl),
            Property("Layout", EnumerationType("TTextLayout", {"tlTop", "tlCenter", "tlBottom"}),
                     &TKxCustomLabel::Layout, &TKxCustomLabel::SetLayout, tlTop),
            Property("ShadowColor", IntegerType("TColor"), &TKxCustomLabel::ShadowColor,
                     &TKxCustomLabel::SetShadowColor, clBtnHighlight),
            Property("ShadowSize", IntegerType("Byte"), &TKxCustomLabel::ShadowSize,
                     &TKxCustomLabel::SetShadowSize, 1),
            Property("ShadowPos",
                     EnumerationType("TShadowPosition",
                                     {"spLeftTop", "spLeftBottom", "spRightBottom", "spRightTop"}),
                     &TKxCustomLabel::ShadowPos, &TKxCustomLabel::SetShadowPos, spLeftTop),
            Property("ShowAccelChar", TypeBoolean(), &TKxCustomLabel::ShowAccelChar,
                     &TKxCustomLabel::SetShowAccelChar, true),
            Property("ShowFocus", TypeBoolean(), &TKxCustomLabel::ShowFocus, &TKxCustomLabel::SetShowFocus,
                     false),
            Property("Transparent", TypeBoolean(), &TKxCustomLabel::Transparent,
                     &TKxCustomLabel::SetTransparent, false),
            Property("WordWrap", TypeBoolean(), &TKxCustomLabel::WordWrap, &TKxCustomLabel::SetWordWrap,
                     false),
            EventProperty("OnMouseEnter", MethodType("TNotifyEvent"), &TKxCustomLabel::OnMouseEnter),
            EventProperty("OnMouseLeave", MethodType("TNotifyEvent"), &TKxCustomLabel::OnMouseLeave),
        });

} // namespace
