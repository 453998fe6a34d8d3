#pragma once
// The control family: TControl (position, size, caption, font, colour, visibility, mouse
// events, anchors and size constraints, popup menu), TWinControl (holds child controls,
// takes focus and keys in its Tab order, aligns children), TGraphicControl and
// TCustomControl (draw themselves on their Canvas in Paint). Font, colour, hints and the
// 3-D flag come from the parent until a control sets its own. Each control is a Qt widget
// inside; positions are relative to the parent's client area. Controls are used on the GUI
// thread only.
#include "platform/framework/Canvas.h"
#include "platform/framework/Classes.h"
#include "platform/framework/Collections.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;
class TPopupMenu;
class TWinControl;
class TControl;
namespace vx {
struct ControlEvents;
QWidget* ControlWidget(const TControl* control);
} // namespace vx

using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
// The edges of its parent a control keeps its distance to when the parent is resized.
enum TAnchorKind : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TAnchors = unsigned;
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TMouseButton { mbLeft, mbRight, mbMiddle };

// The DrawText flag that places text so in its rectangle.
unsigned AlignmentTextFlag(TAlignment alignment);
// Whether key, in either case, is the accelerator of caption: the character after a single
// '&' ("&&" is a literal ampersand).
bool IsAccelerator(char key, const std::string& caption);

using TShiftState = unsigned;
constexpr TShiftState ssShift = 1;
constexpr TShiftState ssAlt = 2;
constexpr TShiftState ssCtrl = 4;
constexpr TShiftState ssLeft = 8;
constexpr TShiftState ssRight = 16;
constexpr TShiftState ssMiddle = 32;
constexpr TShiftState ssDouble = 64;

// Virtual key codes of keyboard events and short cuts.
constexpr WORD VK_BACK = 0x08;
constexpr WORD VK_TAB = 0x09;
constexpr WORD VK_RETURN = 0x0D;
constexpr WORD VK_SHIFT = 0x10;
constexpr WORD VK_CONTROL = 0x11;
constexpr WORD VK_MENU = 0x12;
constexpr WORD VK_PAUSE = 0x13;
constexpr WORD VK_ESCAPE = 0x1B;
constexpr WORD VK_SPACE = 0x20;
constexpr WORD VK_PRIOR = 0x21;
constexpr WORD VK_NEXT = 0x22;
constexpr WORD VK_END = 0x23;
constexpr WORD VK_HOME = 0x24;
constexpr WORD VK_LEFT = 0x25;
constexpr WORD VK_UP = 0x26;
constexpr WORD VK_RIGHT = 0x27;
constexpr WORD VK_DOWN = 0x28;
constexpr WORD VK_INSERT = 0x2D;
constexpr WORD VK_DELETE = 0x2E;
constexpr WORD VK_F1 = 0x70;
constexpr WORD VK_F10 = 0x79;
constexpr WORD VK_F12 = 0x7B;

using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;
// A right click or the menu key over a control: MousePos in its client coordinates,
// (-1, -1) from the keyboard; a handler that sets Handled keeps the popup menu closed.
using TContextPopupEvent = std::function<void(TObject* Sender, POINT MousePos, bool& Handled)>;
// A turn of the mouse wheel over a control: WheelDelta 120 a notch away from the user,
// -120 towards; MousePos on the screen. Handled keeps the control from scrolling.
using TMouseWheelEvent =
    std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta, POINT MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent =
    std::function<void(TObject* Sender, TShiftState Shift, POINT MousePos, bool& Handled)>;

// The smallest and largest size a control may take; 0 is no limit. A limit that crosses
// the other one moves it along.
class TSizeConstraints : public TPersistent {
    VX_CLASS(TSizeConstraints, TPersistent)
public:
    TSizeConstraints(int minWidth = 0, int minHeight = 0, int maxWidth = 0, int maxHeight = 0);
    // Copies the limits, not the owner's change handler.
    TSizeConstraints(const TSizeConstraints& other);
    TSizeConstraints& operator=(const TSizeConstraints&) = delete;

    int MinWidth() const { return minWidth_; }
    int MinHeight() const { return minHeight_; }
    int MaxWidth() const { return maxWidth_; }
    int MaxHeight() const { return maxHeight_; }
    void SetMinWidth(int width);
    void SetMinHeight(int height);
    void SetMaxWidth(int width);
    void SetMaxHeight(int height);
    int ConstrainWidth(int width) const;
    int ConstrainHeight(int height) const;
    // Takes another's limits and fires OnChange, whether they differ or not.
    void Assign(const TPersistent& source) override;

    TNotifyEvent OnChange;

private:
    // Sets a minimum (or maximum); one that crosses the opposite limit takes it along.
    void setLimit(int& limit, int value, int& opposite, bool minimum);
    void changed();
    int minWidth_;
    int minHeight_;
    int maxWidth_;
    int maxHeight_;
};

class TControl : public TComponent {
    VX_CLASS(TControl, TComponent)
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    void SetParent(TWinControl* parent);

    virtual int Left() const;
    virtual int Top() const;
    int Width() const;
    int Height() const;
    void SetLeft(int left);
    void SetTop(int top);
    void SetWidth(int width);
    void SetHeight(int height);
    virtual void SetBounds(int left, int top, int width, int height);
    RECT BoundsRect() const;
    virtual int ClientWidth() const;
    virtual int ClientHeight() const;
    virtual void SetClientWidth(int width);
    virtual void SetClientHeight(int height);
    RECT ClientRect() const;

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible with every parent up to a shown window.
    bool Showing() const;
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    const std::string& Text() const { return caption_; }
    void SetText(const std::string& text) { SetCaption(text); }

    TFont& Font() { return font_; }
    const TFont& Font() const { return font_; }
    // Takes the parent's font until Font is changed.
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool parentFont);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool showHint);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor);
    // Takes the parent's Color (and ShowHint) until Color (ShowHint) is changed.
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool parentColor);
    bool ParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool parentShowHint);
    // Only for a control that is not aligned: [akLeft, akTop] keeps its place and size.
    TAnchors Anchors() const { return anchors_; }
    void SetAnchors(TAnchors anchors);
    // SetBounds keeps the size within these; changing them re-applies them.
    TSizeConstraints& Constraints() { return constraints_; }
    const TSizeConstraints& Constraints() const { return constraints_; }
    void SetConstraints(const TSizeConstraints& constraints);
    // Pops up (when AutoPopup) on a right click that OnContextPopup leaves unhandled; a
    // control without one leaves the click to its parent.
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* menu);

    void Invalidate();
    void Repaint();
    void BringToFront();
    void SendToBack();
    // Converts between this control's client coordinates and the screen's.
    POINT ClientToScreen(POINT point) const;
    POINT ScreenToClient(POINT point) const;

    // Fires OnClick; controls override it to act on a click first.
    virtual void Click();
    // A dialog's accelerator (Alt and a letter): true when key belongs to this control and
    // it acted on it.
    virtual bool DialogChar(char key);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TContextPopupEvent OnContextPopup;
    // OnMouseWheel first; unhandled, OnMouseWheelDown (towards the user) or OnMouseWheelUp.
    TMouseWheelEvent OnMouseWheel;
    TMouseWheelUpDownEvent OnMouseWheelDown;
    TMouseWheelUpDownEvent OnMouseWheelUp;
    // After the control's size changed.
    TNotifyEvent OnResize;

protected:
    void BeforeDestruction() override;
    void Notification(TComponent* component, TOperation operation) override;
    // Concrete controls create their widget in their constructor and hand it over here.
    void AttachWidget(QWidget* widget);
    QWidget* Widget() const { return widget_; }
    virtual void TextChanged();
    // Keeps a caption the widget already shows (the user typed it) without TextChanged.
    void StoreCaption(const std::string& caption) { caption_ = caption; }
    virtual void FontChanged();
    virtual void ColorChanged();
    // Enabled changed (after the widget follows it).
    virtual void EnabledChanged();
    // Bounds or visibility changed: the parent re-aligns its children.
    void RequestAlign();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    // The mouse pointer entered or left the control.
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void DblClick();
    // Fires OnContextPopup.
    virtual void DoContextPopup(POINT mousePos, bool& handled);
    // Fires the wheel events; true when one handled the turn.
    virtual bool DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos);
    // The focus moved to focused, a control of the same form.
    virtual void FocusChanged(TWinControl* focused);
    // Constraints changed: the bounds follow them.
    virtual void ConstraintsChanged();

private:
    friend struct vx::ControlEvents;
    friend class TWinControl;
    friend QWidget* vx::ControlWidget(const TControl* control);
    void applyFont();
    void unlinkWidget();
    void adoptParentLook();
    void takeColor(TColor color);
    void takeShowHint(bool showHint);
    // Remembers where the control stands against its parent's client area, the base its
    // anchors keep.
    void updateAnchorRules();
    // The bounds the anchors give for the parent's present client size.
    RECT anchoredBounds(int clientWidth, int clientHeight) const;
    // A right click or the menu key at screenPos (clientPos (-1, -1) from the keyboard):
    // true when handled.
    bool contextPopup(POINT screenPos, POINT clientPos);

    QWidget* widget_ = nullptr;
    TWinControl* parent_ = nullptr;
    bool visible_ = true;
    bool enabled_ = true;
    std::string caption_;
    TFont font_;
    bool parentFont_ = true;
    bool applyingParentFont_ = false;
    TColor color_ = clBtnFace;
    bool parentColor_ = true;
    TAlign align_ = alNone;
    std::string hint_;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    TCursor cursor_ = crDefault;
    TAnchors anchors_ = akLeft | akTop;
    RECT anchorBounds_{};
    int anchorParentWidth_ = 0;
    int anchorParentHeight_ = 0;
    bool anchoring_ = false; // SetBounds runs for the anchors: their base stays
    TSizeConstraints constraints_;
    TPopupMenu* popupMenu_ = nullptr;
};

class TWinControl : public TControl {
    VX_CLASS(TWinControl, TControl)
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const { return controls_.at(static_cast<std::size_t>(index)); }

    bool CanFocus() const;
    bool Focused() const;
    virtual void SetFocus();
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool tabStop);
    // The place in the parent's order of Tab key moves, from 0; -1 without a parent.
    // Values past the end put the control last.
    int TabOrder() const;
    void SetTabOrder(int order);
    // Kept and passed on to children as the framework does; no look of its own here.
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool ctl3D);
    bool ParentCtl3D() const { return parentCtl3D_; }
    void SetParentCtl3D(bool parentCtl3D);

    // Lays out the children with an Align other than alNone inside the client area.
    void AlignControls();

    // The control's window exists: it has been shown once, or HandleNeeded asked for it.
    bool HandleAllocated() const { return handleAllocated_; }
    // Brings the window into being now (CreateWnd runs once) if it does not exist yet.
    void HandleNeeded();

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;

    // The widget child controls are placed in (the control itself unless overridden).
    virtual QWidget* ClientWidget() const;

protected:
    void BeforeDestruction() override;
    // Runs once when the window comes into being, before it is first shown; a control that
    // sets itself up only with a window (lists devices, opens them) overrides it and calls
    // the inherited one first.
    virtual void CreateWnd();
    // Runs when the window goes, at the start of the control's destruction; overrides call
    // the inherited one last.
    virtual void DestroyWnd();
    // Keyboard events of this control; true when handled (Key set to 0 by a handler).
    virtual bool KeyDown(WORD& key, TShiftState shift);
    virtual bool KeyUp(WORD& key, TShiftState shift);
    virtual void KeyPress(char& key);

private:
    friend class TControl;
    friend struct vx::ControlEvents;
    void insertControl(TControl* control);
    void removeControl(TControl* control);
    // Moves the anchored children for the client area's present size.
    void anchorControls();
    // Gives the desktop's focus chain the order of tabList_.
    void applyTabOrder();
    void takeCtl3D(bool ctl3D);
    // Tells every control of the tree focused now sits in.
    static void broadcastFocus(TWinControl* root, TWinControl* focused);

    std::vector<TControl*> controls_;
    std::vector<TWinControl*> tabList_;
    bool ctl3D_ = true;
    bool parentCtl3D_ = true;
    bool tabStop_ = false;
    bool aligning_ = false;
    bool handleAllocated_ = false;
};

// Paints what lies beneath control into canvas (at the control's own coordinates): its
// parent's background and the visible controls below it, so a transparent control can
// draw over them.
void PaintControlsBeneath(TControl* control, TCanvas& canvas);

// A control without a window of its own that draws itself: override Paint and draw on
// Canvas, which is attached while Paint runs.
class TGraphicControl : public TControl {
    VX_CLASS(TGraphicControl, TControl)
public:
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;
    TCanvas& Canvas() { return *canvas_; }

protected:
    virtual void Paint();
    // Whether releasing the left button over the control clicks it (the default); a control
    // that decides its clicks itself (a tool button) turns it off.
    void SetClickEvents(bool clickEvents);

private:
    friend struct vx::ControlEvents;
    std::unique_ptr<TCanvas> canvas_;
};

// A windowed control that draws itself like TGraphicControl.
class TCustomControl : public TWinControl {
    VX_CLASS(TCustomControl, TWinControl)
public:
    explicit TCustomControl(TComponent* owner);
    ~TCustomControl() override;
    TCanvas& Canvas() { return *canvas_; }

protected:
    virtual void Paint();

private:
    friend struct vx::ControlEvents;
    std::unique_ptr<TCanvas> canvas_;
};
