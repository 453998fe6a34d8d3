#include "toolkit/KxSpeedButton.h"

#include "platform/framework/Application.h"
#include "platform/framework/ExtCtrls.h"
#include "platform/framework/ImgList.h"
#include "platform/framework/Published.h"
#include "platform/kernel/Clock.h"
#include "toolkit/Maxmin.h"
#include "toolkit/kxUiUtils.h"

namespace {

int speedButtonCount = 0;

// Fills rect with copies of the pattern side by side.
void tile(TCanvas& canvas, const RECT& rect, TBitmap& pattern) {
    const int w = pattern.Width(), h = pattern.Height();
    for (int y = rect.top; y < rect.bottom; y += h)
        for (int x = rect.left; x < rect.right; x += w) {
            const int right = Min(x + w, rect.right);
            const int bottom = Min(y + h, rect.bottom);
            canvas.CopyRect({x, y, right, bottom}, pattern.Canvas(), {0, 0, right - x, bottom - y});
        }
}

} // namespace

int TKxSpeedButton::Count() {
    return speedButtonCount;
}

TKxSpeedButton::TKxSpeedButton(TComponent* owner) : TGraphicControl(owner) {
    ++speedButtonCount;
    SetClickEvents(false);
    SetBounds(0, 0, 25, 25);
    glyph_.OnChange = [this](TObject*) { Invalidate(); };
    SetShowHint(true);
}

TKxSpeedButton::~TKxSpeedButton() {
    SetAction(nullptr);
    --speedButtonCount;
}

bool TKxSpeedButton::newStyle() const {
    // The desktop here draws new-style controls.
    return style_ != bsWin31;
}

void TKxSpeedButton::SetGroupIndex(int index) {
    if (index == groupIndex_) return;
    groupIndex_ = index;
    updateExclusive();
}

void TKxSpeedButton::SetAllowAllUp(bool allow) {
    if (allow == allowAllUp_) return;
    allowAllUp_ = allow;
    updateExclusive();
}

void TKxSpeedButton::SetDown(bool down) {
    if (groupIndex_ == 0) down = false;
    if (down == down_) return;
    if (down_ && !allowAllUp_) return;
    down_ = down;
    if (down) {
        if (state_ == kbsUp) Invalidate();
        state_ = kbsExclusive;
    } else {
        state_ = kbsUp;
    }
    Repaint();
    Invalidate();
    if (down) updateExclusive();
}

void TKxSpeedButton::updateExclusive() {
    if (groupIndex_ == 0 || !Parent()) return;
    TWinControl* parent = Parent();
    for (int i = 0; i < parent->ControlCount(); ++i)
        if (auto* other = dynamic_cast<TKxSpeedButton*>(parent->Controls(i)); other && other != this)
            other->buttonPressed(groupIndex_, this);
}

void TKxSpeedButton::buttonPressed(int group, TKxSpeedButton* sender) {
    if (group != groupIndex_) return;
    if (sender->down_ && down_) {
        down_ = false;
        state_ = kbsUp;
        if (auto* action = dynamic_cast<TCustomAction*>(action_)) action->SetChecked(false);
        Repaint();
    }
    allowAllUp_ = sender->allowAllUp_;
}

void TKxSpeedButton::SetStyle(TButtonStyle style) {
    if (style == style_) return;
    style_ = style;
    Invalidate();
}

void TKxSpeedButton::SetFlat(bool flat) {
    if (flat == flat_) return;
    flat_ = flat;
    Invalidate();
}

void TKxSpeedButton::SetGrayedInactive(bool grayed) {
    if (grayed == grayedInactive_) return;
    grayedInactive_ = grayed;
    Invalidate();
}

void TKxSpeedButton::SetTransparent(bool transparent) {
    if (transparent == transparent_) return;
    transparent_ = transparent;
    Invalidate();
}

void TKxSpeedButton::SetGlyph(const TBitmap* glyph) {
    glyph_.SetGlyph(glyph);
    Invalidate();
}

void TKxSpeedButton::SetNumGlyphs(TKxNumGlyphs count) {
    glyph_.SetNumGlyphs(Min(count, 5));
    Invalidate();
}

void TKxSpeedButton::SetLayout(TButtonLayout layout) {
    if (layout == layout_) return;
    layout_ = layout;
    Invalidate();
}

void TKxSpeedButton::SetMargin(int margin) {
    if (margin == margin_ || margin < -1) return;
    margin_ = margin;
    Invalidate();
}

void TKxSpeedButton::SetSpacing(int spacing) {
    if (spacing == spacing_) return;
    spacing_ = spacing;
    Invalidate();
}

void TKxSpeedButton::SetWordWrap(bool wordWrap) {
    glyph_.SetWordWrap(wordWrap);
    Invalidate();
}

void TKxSpeedButton::SetAlignment(TAlignment alignment) {
    glyph_.SetAlignment(alignment);
    Invalidate();
}

void TKxSpeedButton::SetDropDownMenu(TPopupMenu* menu) {
    if (menu == dropDownMenu_) return;
    if (dropDownMenu_) dropDownMenu_->RemoveFreeNotification(this);
    dropDownMenu_ = menu;
    if (menu) menu->FreeNotification(this);
    if (markDropDown_) Invalidate();
}

void TKxSpeedButton::SetMarkDropDown(bool mark) {
    if (mark == markDropDown_) return;
    markDropDown_ = mark;
    Invalidate();
}

void TKxSpeedButton::SetAllowTimer(bool allow) {
    allowTimer_ = allow;
    if (!allow && repeatTimer_) {
        repeatTimer_->SetEnabled(false);
        repeatTimer_->Free();
        repeatTimer_ = nullptr;
    }
}

void TKxSpeedButton::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == dropDownMenu_) {
        dropDownMenu_ = nullptr;
        if (markDropDown_) Invalidate();
    }
    if (component == repeatTimer_) repeatTimer_ = nullptr;
}

void TKxSpeedButton::Click() {
    if (TForm* form = GetParentForm(this)) form->SetModalResult(modalResult_);
    // The action runs the command unless the button has a handler of its own.
    if (action_ && !OnClick)
        action_->Execute();
    else
        TGraphicControl::Click();
}

bool TKxSpeedButton::inClient(int x, int y) const {
    return x >= 0 && x < ClientWidth() && y >= 0 && y <= ClientHeight();
}

void TKxSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (menuTracking_) return;
    TGraphicControl::MouseDown(button, shift, x, y);
    if (Enabled() && !mouseInControl_) {
        mouseInControl_ = true;
        Repaint();
    }
    if (button != mbLeft || !Enabled()) return;
    if (!down_) {
        state_ = kbsDown;
        Repaint();
    }
    dragging_ = true;
    menuTracking_ = true;
    const bool popped = dropDownMenu_ && dropDownMenu_->AutoPopup() && CheckBtnMenuDropDown();
    // The press ends with the menu. The click that closes a menu is the menu's: it reaches
    // no widget behind it, so nothing is left to take off the queue.
    if (popped) MouseUp(mbLeft, shift, x, y);
    menuTracking_ = false;
    if (allowTimer_) {
        if (!repeatTimer_) {
            repeatTimer_ = new TTimer(this);
            repeatTimer_->OnTimer = [this](TObject*) { repeatTick(); };
        }
        repeatTimer_->SetEnabled(false);
        repeatTimer_->SetInterval(initPause_);
        repeatTimer_->SetEnabled(true);
    }
}

void TKxSpeedButton::repeatTick() {
    repeatTimer_->SetInterval(repeatInterval_);
    if (state_ == kbsDown && dragging_) {
        try {
            Click();
        } catch (...) {
            repeatTimer_->SetEnabled(false);
            throw;
        }
    }
}

void TKxSpeedButton::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!dragging_) return;
    const TKxButtonState next =
        inClient(x, y) ? (down_ ? kbsExclusive : kbsDown) : (down_ ? kbsExclusive : kbsUp);
    if (next == state_) return;
    state_ = next;
    Repaint();
}

void TKxSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (dragging_ && button == mbLeft) {
        dragging_ = false;
        const bool click = inClient(x, y);
        if (groupIndex_ == 0) {
            state_ = kbsUp;
            mouseInControl_ = false;
            if (click)
                Repaint();
            else
                Invalidate();
        } else if (click) {
            SetDown(!down_);
            if (down_) Repaint();
        } else {
            if (down_) state_ = kbsExclusive;
            Repaint();
        }
        if (click && !menuTracking_) Click();
        if (repeatTimer_) repeatTimer_->SetEnabled(false);
    }
    updateTracking();
}

void TKxSpeedButton::DblClick() {
    if (!menuTracking_ && down_) TGraphicControl::DblClick();
}

void TKxSpeedButton::ButtonClick() {
    if (menuTracking_ || !Enabled() || (dropDownMenu_ && dropDownMenu_->AutoPopup())) return;
    if (!down_) {
        state_ = kbsDown;
        Repaint();
    }
    // The pressed look stays long enough to be seen.
    Sleep(20);
    if (groupIndex_ == 0) {
        try {
            Click();
        } catch (...) {
            state_ = kbsUp;
            Repaint();
            throw;
        }
    }
    state_ = kbsUp;
    if (groupIndex_ == 0) {
        Repaint();
    } else {
        SetDown(!down_);
        Click();
    }
}

POINT TKxSpeedButton::menuPoint() const {
    const TPopupAlignment alignment = dropDownMenu_->Alignment();
    const int w = Width(), h = Height();
    if (menuPosition_ == dmpBottom) {
        if (alignment == paLeft) return {-1, h};
        if (alignment == paRight) return {w + 1, h};
        return {w / 2, h};
    }
    if (alignment == paLeft) return {w, -1};
    if (alignment == paRight) return {-1, -1};
    return {w / 2, h};
}

bool TKxSpeedButton::CheckBtnMenuDropDown() {
    if (!dropDownMenu_ || IsDesigning()) return false;
    const POINT at = ClientToScreen(menuPoint());
    dropDownMenu_->SetPopupComponent(this);
    dropDownMenu_->Popup(at.x, at.y);
    return true;
}

bool TKxSpeedButton::DialogChar(char key) {
    if (!Enabled() || !IsAccelerator(key, Caption())) return false;
    Click();
    return true;
}

void TKxSpeedButton::MouseEnter() {
    TGraphicControl::MouseEnter();
    pointerOver_ = true;
    if (!mouseInControl_ && Enabled() && IsForegroundTask()) {
        mouseInControl_ = true;
        if (flat_) Repaint();
        DoMouseEnter();
    }
}

void TKxSpeedButton::MouseLeave() {
    TGraphicControl::MouseLeave();
    pointerOver_ = false;
    if (mouseInControl_ && Enabled() && !dragging_) {
        mouseInControl_ = false;
        if (flat_) Invalidate();
        DoMouseLeave();
    }
}

void TKxSpeedButton::updateTracking() {
    const bool inside = Enabled() && pointerOver_ && IsForegroundTask();
    if (inside == mouseInControl_) return;
    mouseInControl_ = inside;
    if (flat_) Invalidate();
    if (inside)
        DoMouseEnter();
    else
        DoMouseLeave();
}

void TKxSpeedButton::DoMouseEnter() {
    if (OnMouseEnter) OnMouseEnter(this);
}

void TKxSpeedButton::DoMouseLeave() {
    if (OnMouseLeave) OnMouseLeave(this);
}

void TKxSpeedButton::EnabledChanged() {
    TGraphicControl::EnabledChanged();
    if (!Enabled()) dragging_ = false;
    updateTracking();
    makeGlyphInAdvance();
    Invalidate();
}

void TKxSpeedButton::Loaded() {
    TGraphicControl::Loaded();
    makeGlyphInAdvance();
}

void TKxSpeedButton::makeGlyphInAdvance() {
    glyph_.CreateButtonGlyph(!Enabled() ? kbsDisabled : flat_ ? kbsInactive : kbsUp);
}

void TKxSpeedButton::TextChanged() {
    Invalidate();
}

void TKxSpeedButton::FontChanged() {
    TGraphicControl::FontChanged();
    Invalidate();
}

void TKxSpeedButton::drawFrame(TCanvas& canvas, RECT& rect, bool pressed) {
    if (!pressed) {
        if (newStyle()) {
            if (flat_) {
                Frame3D(canvas, rect, clBtnHighlight, clBtnShadow, 1);
            } else {
                Frame3D(canvas, rect, clBtnHighlight, clWindowFrame, 1);
                Frame3D(canvas, rect, clBtnFace, clBtnShadow, 1);
            }
        } else if (flat_) {
            Frame3D(canvas, rect, clBtnHighlight, clWindowFrame, 1);
        } else {
            Frame3D(canvas, rect, clWindowFrame, clWindowFrame, 1);
            Frame3D(canvas, rect, clBtnHighlight, clBtnShadow, 1);
        }
    } else if (newStyle()) {
        Frame3D(canvas, rect, clWindowFrame, clBtnHighlight, 1);
        if (!flat_) Frame3D(canvas, rect, clBtnShadow, clBtnFace, 1);
    } else if (flat_) {
        Frame3D(canvas, rect, clWindowFrame, clBtnHighlight, 1);
    } else {
        Frame3D(canvas, rect, clWindowFrame, clWindowFrame, 1);
        canvas.Brush().SetColor(clBtnShadow);
        canvas.FillRect({rect.left, rect.top, rect.right, rect.top + 1});
        canvas.FillRect({rect.left, rect.top, rect.left + 1, rect.bottom});
    }
    rect = {rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1};
}

void TKxSpeedButton::Paint() {
    if (!Enabled()) {
        state_ = kbsDisabled;
        dragging_ = false;
    } else if (state_ == kbsDisabled) {
        state_ = down_ && groupIndex_ != 0 ? kbsExclusive : kbsUp;
    }
    const TKxButtonState paintState = flat_ && !mouseInControl_ && !IsDesigning() ? kbsInactive : state_;
    drawing_.SetSize(Width(), Height());
    TCanvas& canvas = drawing_.Canvas();
    canvas.Font().Assign(Font());
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(clBtnFace);
    RECT rect = ClientRect();
    canvas.FillRect(rect);
    if (transparent_) CopyParentImage(this, canvas);
    if (paintState != kbsInactive || state_ == kbsExclusive)
        drawFrame(canvas, rect, state_ == kbsDown || state_ == kbsExclusive);
    else
        rect = {rect.left + 2, rect.top + 2, rect.right - 2, rect.bottom - 2};
    if (state_ == kbsExclusive && !transparent_ && (!flat_ || paintState == kbsInactive)) {
        // One pattern for every held-down button, made when first needed.
        static const std::unique_ptr<TBitmap> pattern =
            CreateTwoColorsBrushPattern(clBtnFace, clBtnHighlight);
        tile(canvas, {rect.left - 1, rect.top - 1, rect.right + 1, rect.bottom + 1}, *pattern);
    }
    if (state_ == kbsDown || state_ == kbsExclusive)
        rect = {rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1};
    const TKxButtonState glyphState = Enabled() && grayedInactive_ ? paintState : state_;
    PaintGlyph(canvas, rect, glyphState, markDropDown_ && dropDownMenu_);
    Canvas().Draw(0, 0, drawing_);
}

void TKxSpeedButton::PaintGlyph(TCanvas& canvas, const RECT& rect, TKxButtonState state, bool drawMark) {
    glyph_.Draw(canvas, rect, Caption(), layout_, margin_, spacing_, drawMark, state,
                AlignmentTextFlag(Alignment()));
}

void TKxSpeedButton::SetAction(TBasicAction* action) {
    if (action == action_) return;
    if (action_) action_->UnRegisterChanges(this);
    action_ = action;
    if (action) {
        action->RegisterChanges(this);
        ActionChange(action, true);
    }
}

void TKxSpeedButton::ActionChanged(TBasicAction* action) {
    if (!action) {
        action_ = nullptr;
        return;
    }
    ActionChange(action, false);
}

void TKxSpeedButton::ActionChange(TBasicAction* sender, bool checkDefaults) {
    auto* action = dynamic_cast<TCustomAction*>(sender);
    if (!action) return;
    if (!checkDefaults || Caption().empty()) SetCaption(action->Caption());
    if (!checkDefaults || Enabled()) SetEnabled(action->Enabled());
    if (!checkDefaults || Hint().empty()) SetHint(action->Hint());
    if (!checkDefaults || Visible()) SetVisible(action->Visible());
    if ((!checkDefaults || !down_) && groupIndex_ != 0) SetDown(action->Checked());
    TCustomImageList* images = action->ActionList() ? action->ActionList()->Images() : nullptr;
    if (glyph_.Glyph().Empty() && images && action->ImageIndex() >= 0 &&
        action->ImageIndex() < images->Count()) {
        TBitmap picture;
        picture.SetSize(images->Width(), images->Height());
        picture.Canvas().Brush().SetColor(static_cast<TColor>(0xFF00FF));
        picture.Canvas().FillRect({0, 0, images->Width(), images->Height()});
        images->Draw(picture.Canvas(), 0, 0, action->ImageIndex());
        picture.SetTransparentColor(static_cast<TColor>(0xFF00FF));
        SetGlyph(&picture);
    }
}

namespace {

const bool speedButtonPublished = RegisterPublishedClass(
    "TKxSpeedButton", "TGraphicControl",
    {
        Property("Action", ClassType("TBasicAction"), &TKxSpeedButton::Action, &TKxSpeedButton::SetAction),
        Property("Alignment", EnumerationType("TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"}),
                 &TKxSpeedButton::Alignment, &TKxSpeedButton::SetAlignment, taCenter),
        Property("AllowAllUp", TypeBoolean(), &TKxSpeedButton::AllowAllUp, &TKxSpeedButton::SetAllowAllUp,
                 false),
        Property("AllowTimer", TypeBoolean(), &TKxSpeedButton::AllowTimer, &TKxSpeedButton::SetAllowTimer,
                 false),
        Property("Caption", TypeString(), &TControl::Caption, &TControl::SetCaption),
        Property("GroupIndex", TypeInteger(), &TKxSpeedButton::GroupIndex, &TKxSpeedButton::SetGroupIndex, 0),
        Property("Down", TypeBoolean(), &TKxSpeedButton::Down, &TKxSpeedButton::SetDown, false),
        Property("DropDownMenu", ClassType("TPopupMenu"), &TKxSpeedButton::DropDownMenu,
                 &TKxSpeedButton::SetDropDownMenu),
        Property("MenuPosition", EnumerationType("TKxDropDownMenuPos", {"dmpBottom", "dmpRight"}),
                 &TKxSpeedButton::MenuPosition, &TKxSpeedButton::SetMenuPosition, dmpBottom),
        Property("Flat", TypeBoolean(), &TKxSpeedButton::Flat, &TKxSpeedButton::SetFlat, false),
        PictureProperty("Glyph", ClassType("TBitmap"), &TKxSpeedButton::Glyph, &TKxSpeedButton::SetGlyph),
        Property("GrayedInactive", TypeBoolean(), &TKxSpeedButton::GrayedInactive,
                 &TKxSpeedButton::SetGrayedInactive, true),
        Property("InitPause", IntegerType("Word"), &TKxSpeedButton::InitPause, &TKxSpeedButton::SetInitPause,
                 500),
        Property(
            "Layout",
            EnumerationType("TButtonLayout", {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"}),
            &TKxSpeedButton::Layout, &TKxSpeedButton::SetLayout, blGlyphTop),
        Property("Margin", TypeInteger(), &TKxSpeedButton::Margin, &TKxSpeedButton::SetMargin, -1),
        Property("MarkDropDown", TypeBoolean(), &TKxSpeedButton::MarkDropDown,
                 &TKxSpeedButton::SetMarkDropDown, true),
        Property("ModalResult", IntegerType("TModalResult"), &TKxSpeedButton::ModalResult,
                 &TKxSpeedButton::SetModalResult, mrNone),
        Property("NumGlyphs", TypeInteger(), &TKxSpeedButton::NumGlyphs, &TKxSpeedButton::SetNumGlyphs, 1),
        Property("RepeatInterval", IntegerType("Word"), &TKxSpeedButton::RepeatInterval,
                 &TKxSpeedButton::SetRepeatInterval, 100),
        Property("Spacing", TypeInteger(), &TKxSpeedButton::Spacing, &TKxSpeedButton::SetSpacing, 1),
        Property("Style", EnumerationType("TButtonStyle", {"bsAutoDetect", "bsWin31", "bsNew"}),
                 &TKxSpeedButton::Style, &TKxSpeedButton::SetStyle, bsAutoDetect),
        Property("Transparent", TypeBoolean(), &TKxSpeedButton::Transparent, &TKxSpeedButton::SetTransparent,
                 false),
        Property("WordWrap", TypeBoolean(), &TKxSpeedButton::WordWrap, &TKxSpeedButton::SetWordWrap, false),
        InheritedProperty("TGraphicControl", "ParentShowHint", false),
        InheritedProperty("TGraphicControl", "ShowHint", true),
        EventProperty("OnMouseEnter", MethodType("TNotifyEvent"), &TKxSpeedButton::OnMouseEnter),
        EventProperty("OnMouseLeave", MethodType("TNotifyEvent"), &TKxSpeedButton::OnMouseLeave),
    });

} // namespace
