#pragma once
// TKxSpeedButton: a tool button without a window of its own, with a picture of up to five
// states and a caption, radio-like groups whose buttons stay down, a flat look that rises
// only under the mouse, an attached drop-down menu, repetition while held, a modal result
// for dialogs, transparency over what lies beneath, word-wrapped captions and an action.
// It paints through an off-screen bitmap with the button glyph engine.
#include "platform/framework/ActnList.h"
#include "platform/framework/Forms.h"
#include "platform/framework/PopupMenu.h"
#include "platform/framework/Timer.h"
#include "toolkit/KxButtonGlyph.h"

enum TKxDropDownMenuPos { dmpBottom, dmpRight };
// The frame of a button: as the desktop draws new-style controls, or the older look.
enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };

class TKxSpeedButton : public TGraphicControl, private TActionLink {
    VX_CLASS(TKxSpeedButton, TGraphicControl)
public:
    explicit TKxSpeedButton(TComponent* owner);
    ~TKxSpeedButton() override;

    // Buttons of one parent with the same group index (not 0) act as radio buttons.
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int index);
    // A grouped button stays down; only a grouped button can be down.
    bool Down() const { return down_; }
    void SetDown(bool down);
    // The last down button of a group may be raised again.
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool allow);
    TButtonStyle Style() const { return style_; }
    void SetStyle(TButtonStyle style);
    bool Flat() const { return flat_; }
    void SetFlat(bool flat);
    // A flat button that the mouse is not over shows its picture grey.
    bool GrayedInactive() const { return grayedInactive_; }
    void SetGrayedInactive(bool grayed);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    const TBitmap& Glyph() const { return glyph_.Glyph(); }
    void SetGlyph(const TBitmap* glyph);
    TKxNumGlyphs NumGlyphs() const { return glyph_.NumGlyphs(); }
    // At most 5.
    void SetNumGlyphs(TKxNumGlyphs count);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout layout);
    // -1: automatic; values below -1 are ignored.
    int Margin() const { return margin_; }
    void SetMargin(int margin);
    int Spacing() const { return spacing_; }
    void SetSpacing(int spacing);
    bool WordWrap() const { return glyph_.WordWrap(); }
    void SetWordWrap(bool wordWrap);
    TAlignment Alignment() const { return glyph_.Alignment(); }
    void SetAlignment(TAlignment alignment);
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }

    TPopupMenu* DropDownMenu() const { return dropDownMenu_; }
    void SetDropDownMenu(TPopupMenu* menu);
    TKxDropDownMenuPos MenuPosition() const { return menuPosition_; }
    void SetMenuPosition(TKxDropDownMenuPos position) { menuPosition_ = position; }
    // Draws the small arrow of a button with a drop-down menu.
    bool MarkDropDown() const { return markDropDown_; }
    void SetMarkDropDown(bool mark);

    // While the left button is held: a click after InitPause, then every RepeatInterval
    // milliseconds.
    bool AllowTimer() const { return allowTimer_; }
    void SetAllowTimer(bool allow);
    WORD InitPause() const { return initPause_; }
    void SetInitPause(WORD pause) { initPause_ = pause; }
    WORD RepeatInterval() const { return repeatInterval_; }
    void SetRepeatInterval(WORD interval) { repeatInterval_ = interval; }

    TBasicAction* Action() const { return action_; }
    void SetAction(TBasicAction* action);

    TKxButtonState State() const { return state_; }
    bool MouseInControl() const { return mouseInControl_; }
    // A press of the button by the program.
    void ButtonClick();
    // Shows the drop-down menu at its place by the button; true when it was shown.
    bool CheckBtnMenuDropDown();
    // The accelerator of a dialog: true (handled) when key is the caption's accelerator and
    // the button, enabled, clicked.
    bool DialogChar(char key) override;
    // How many speed buttons exist in the process.
    static int Count();

    // Sets the parent form's modal result, then runs the action or OnClick.
    void Click() override;

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    void Paint() override;
    virtual void PaintGlyph(TCanvas& canvas, const RECT& rect, TKxButtonState state, bool drawMark);
    virtual void DoMouseEnter();
    virtual void DoMouseLeave();
    // The action changed (checkDefaults: it was just assigned, and takes only what the
    // button leaves at its defaults).
    virtual void ActionChange(TBasicAction* sender, bool checkDefaults);

    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void DblClick() override;
    void EnabledChanged() override;
    void TextChanged() override;
    void FontChanged() override;

private:
    void ActionChanged(TBasicAction* action) override;
    void updateExclusive();
    void buttonPressed(int group, TKxSpeedButton* sender);
    void updateTracking();
    void repeatTick();
    bool inClient(int x, int y) const;
    POINT menuPoint() const;
    void makeGlyphInAdvance();
    void drawFrame(TCanvas& canvas, RECT& rect, bool pressed);
    bool newStyle() const;

    int groupIndex_ = 0;
    TButtonStyle style_ = bsAutoDetect;
    TKxButtonGlyph glyph_;
    TBitmap drawing_;
    bool down_ = false;
    bool dragging_ = false;
    bool flat_ = false;
    bool mouseInControl_ = false;
    bool pointerOver_ = false; // the framework's enter and leave notifications
    bool allowAllUp_ = false;
    TButtonLayout layout_ = blGlyphTop;
    int spacing_ = 1;
    int margin_ = -1;
    TModalResult modalResult_ = mrNone;
    bool transparent_ = false;
    bool markDropDown_ = true;
    TPopupMenu* dropDownMenu_ = nullptr;
    TKxDropDownMenuPos menuPosition_ = dmpBottom;
    bool grayedInactive_ = true;
    bool menuTracking_ = false;
    TTimer* repeatTimer_ = nullptr; // owned, made on demand
    bool allowTimer_ = false;
    WORD initPause_ = 500;
    WORD repeatInterval_ = 100;
    TBasicAction* action_ = nullptr;
    TKxButtonState state_ = kbsUp;
};
