#pragma once
// The shadowed label TKxLabel and the routine that draws its text: the caption is drawn
// twice, first a copy shifted by ShadowSize pixels towards one corner in the shadow
// colour, then the caption itself in the font colour. Otherwise it behaves like the
// framework's label (accelerator, word wrap, automatic size, vertical layout,
// transparency) and adds mouse-enter and mouse-leave events and a focus rectangle.
#include "platform/framework/Controls.h"
#include "platform/framework/StdCtrls.h"

#include <string>

enum TShadowPosition { spLeftTop, spLeftBottom, spRightBottom, spRightTop };

// rect shifted by size pixels towards the corner pos names.
RECT ShadowRect(const RECT& rect, int size, TShadowPosition pos);

// Draws text into rect with the DrawText format, the shadow pass first in shadowColor
// (a plain 0x00BBGGRR value), then the text in the canvas font's colour. Afterwards rect
// is the union of both passes (with DT_CALCRECT: the extent of both). Answers the height
// the shadow pass reported plus shadowSize (a result of 0 or less unchanged).
int DrawShadowText(TCanvas& canvas, const std::string& text, RECT& rect, unsigned format, BYTE shadowSize,
                   DWORD shadowColor, TShadowPosition shadowPos);

class TKxCustomLabel : public TGraphicControl {
    VX_CLASS(TKxCustomLabel, TGraphicControl)
public:
    explicit TKxCustomLabel(TComponent* owner);

    TWinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl* control);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout layout);
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor color);
    BYTE ShadowSize() const { return shadowSize_; }
    void SetShadowSize(BYTE size);
    TShadowPosition ShadowPos() const { return shadowPos_; }
    void SetShadowPos(TShadowPosition pos);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool wordWrap);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool show);
    bool ShowFocus() const { return showFocus_; }
    void SetShowFocus(bool show);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    int LeftMargin() const { return leftMargin_; }
    void SetLeftMargin(int margin);
    int RightMargin() const { return rightMargin_; }
    void SetRightMargin(int margin);
    void SetVisible(bool visible) override;

    // True while the mouse is over the enabled label of the foreground application.
    bool MouseInControl() const { return mouseInControl_; }

    // The accelerator of a dialog: true (handled) when key is the caption's accelerator
    // and the enabled label could move the focus to its FocusControl.
    bool DialogChar(char key) override;

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    virtual TColor GetDefaultFontColor() const { return Font().Color(); }
    virtual std::string GetLabelCaption() const { return Caption(); }
    // Fire OnMouseEnter and OnMouseLeave.
    virtual void DoMouseEnter();
    virtual void DoMouseLeave();

    void Paint() override;
    // Draws (or with DT_CALCRECT measures) the caption on canvas in rect.
    void DoDrawText(TCanvas& canvas, RECT& rect, unsigned flags);
    // Fits the bounds to the caption while AutoSize is on; a right-aligned label keeps its
    // right edge.
    void AdjustBounds();

    void Notification(TComponent* component, TOperation operation) override;
    void TextChanged() override;
    void FontChanged() override;
    // However it was disabled or enabled, the mouse tracking follows.
    void EnabledChanged() override;
    // The focus moved within the form: the focus rectangle shows while FocusControl has it.
    void FocusChanged(TWinControl* focused) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    RECT textArea() const;
    void updateMouseState();

    TWinControl* focusControl_ = nullptr;
    TAlignment alignment_ = taLeftJustify;
    bool autoSize_ = true;
    TTextLayout layout_ = tlTop;
    TColor shadowColor_ = clBtnHighlight;
    BYTE shadowSize_ = 1;
    TShadowPosition shadowPos_ = spLeftTop;
    bool wordWrap_ = false;
    bool showAccelChar_ = true;
    bool showFocus_ = false;
    bool transparent_ = false;
    bool focused_ = false;
    bool mouseInControl_ = false;
    bool dragging_ = false;
    bool pointerOver_ = false; // the framework's enter and leave notifications
    int leftMargin_ = 0;
    int rightMargin_ = 0;
};

class TKxLabel : public TKxCustomLabel {
    VX_CLASS(TKxLabel, TKxCustomLabel)
public:
    using TKxCustomLabel::TKxCustomLabel;
};
