#pragma once
// TForm: a top-level window (with a menu bar when Menu is set, or a dialog), its events
// and its modal loop; TScreen: the desktop's size and the application's cursor.
//
// Window events reach a form through the virtual WndProc, one TMessage per event, so a
// derived form can react to them and then call the inherited WndProc:
//   WM_ENTERMENULOOP  the first menu of the form opens (a menu loop begins)
//   WM_EXITMENULOOP   the last open menu closes (the menu loop ends)
//   WM_MOVE           the window moved; LParam holds the client origin x | y << 16
//   WM_SIZE           the user minimised (WParam SIZE_MINIMIZED), maximised
//                     (SIZE_MAXIMIZED) or restored (SIZE_RESTORED) the window; plain
//                     resizing and full-screen switches made by the program send nothing
//   WM_PAINT          the client area is painted; the inherited handling fires OnPaint
//                     with Canvas attached to the client area
// The inherited WndProc handles WM_PAINT and ignores the rest.
#include "platform/framework/Controls.h"
#include "platform/framework/Cursors.h"

#include <cstdint>

class TMainMenu;
class QEventLoop;
namespace vx {
class FormWindow;
}

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TPosition { poDesigned, poDefault, poScreenCenter, poDesktopCenter, poMainFormCenter };
enum TFormStyle { fsNormal, fsStayOnTop };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TMenuBarPlacement { mbpAbove, mbpOver, mbpHidden };
// The buttons of a window's title bar (a sizeable or single border's; a dialog has its own).
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = unsigned;

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

struct TMessage {
    unsigned Msg = 0;
    std::uintptr_t WParam = 0;
    std::intptr_t LParam = 0;
    std::intptr_t Result = 0;
};

constexpr unsigned WM_MOVE = 0x0003;
constexpr unsigned WM_SIZE = 0x0005;
constexpr unsigned WM_PAINT = 0x000F;
constexpr unsigned WM_ENTERMENULOOP = 0x0211;
constexpr unsigned WM_EXITMENULOOP = 0x0212;
constexpr unsigned SIZE_RESTORED = 0;
constexpr unsigned SIZE_MINIMIZED = 1;
constexpr unsigned SIZE_MAXIMIZED = 2;
constexpr unsigned SIZE_MAXSHOW = 3;
constexpr unsigned SIZE_MAXHIDE = 4;

class TForm : public TWinControl {
    VX_CLASS(TForm, TWinControl)
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle style);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition position) { position_ = position; }
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle style);
    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons icons);
    TWindowState WindowState() const;
    void SetWindowState(TWindowState state);
    TMainMenu* Menu() const { return menu_; }
    void SetMenu(TMainMenu* menu);
    // Redraws the menu bar after its items changed.
    void DrawMenuBar();
    // Where the menu bar stands: above the client area (the usual), floating over its top
    // edge (a full-screen picture that shows its menus), or hidden.
    void SetMenuBarPlacement(TMenuBarPlacement placement);
    TMenuBarPlacement MenuBarPlacement() const;
    // Pixels of the shown menu bar, 0 when hidden; safe to read from any thread.
    int MenuBarHeight() const;
    // The screen the window is on (the one holding most of it), in desktop coordinates.
    RECT MonitorRect() const;
    // For measuring text at any time; attached to the client area while OnPaint runs.
    TCanvas& Canvas() { return *canvas_; }

    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetClientWidth(int width) override;
    void SetClientHeight(int height) override;
    // A form's position is the top-left corner of the frame the window manager draws round
    // it; its width and height are the window's within that frame.
    int Left() const override;
    int Top() const override;
    void SetBounds(int left, int top, int width, int height) override;
    // Centres the window with its frame in area (desktop coordinates); a window larger than
    // area starts at its top-left corner and runs off the far side. A window not framed yet
    // is centred again when the window manager frames it.
    void CentreIn(const RECT& area);
    void SetVisible(bool visible) override;
    QWidget* ClientWidget() const override;

    // Closes as the user would: OnCloseQuery, then OnClose with caHide (caNone keeps the
    // form open, caFree destroys it later). Closing the main form ends the application;
    // closing a modal form sets ModalResult to mrCancel.
    void Close();
    // Shows the form and waits until ModalResult is set or the form is closed.
    TModalResult ShowModal();
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result);
    bool Modal() const { return modalLoop_ != nullptr; }
    // Destroys the form once the event being handled is done.
    void Release();

    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* control);
    // Fires OnCreate; TApplication::CreateForm calls it once the form is loaded.
    void DoCreate();

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnPaint;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

    // The window-event hook described at the top of this header.
    virtual void WndProc(TMessage& message);
    // Sends a message through WndProc; answers its Result.
    std::intptr_t Perform(unsigned msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

protected:
    void BeforeDestruction() override;
    void Notification(TComponent* component, TOperation operation) override;
    virtual void Paint();
    virtual void DoShow();
    virtual void DoHide();
    bool KeyDown(WORD& key, TShiftState shift) override;
    void TextChanged() override;
    // The window's own limits follow the constraints.
    void ConstraintsChanged() override;

private:
    friend class vx::FormWindow;
    bool closeQuery();
    TCloseAction doClose(TCloseAction action);
    void applyWindowFlags();
    void applyConstraints();
    void placeAtFirstShow();
    bool clickButton(bool defaultButton);
    // Alt and a letter or digit: the control whose caption marks that key acts on it. The
    // form hears such keys before the focused control, which would otherwise type them.
    bool acceleratorKey(WORD key, TShiftState shift);
    static bool dialogChar(const TWinControl* parent, char key);

    vx::FormWindow* window_;
    std::unique_ptr<TCanvas> canvas_;
    TFormBorderStyle borderStyle_ = bsSizeable;
    TPosition position_ = poDesigned;
    TFormStyle formStyle_ = fsNormal;
    TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
    TMainMenu* menu_ = nullptr;
    TWinControl* activeControl_ = nullptr;
    TModalResult modalResult_ = mrNone;
    QEventLoop* modalLoop_ = nullptr;
    bool placed_ = false;
    bool released_ = false;
};

class TScreen : public TObject {
    VX_CLASS(TScreen, TObject)
public:
    int Width() const;
    int Height() const;
    // The application-wide cursor (crDefault: each control's own).
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor);
    // The cursor list: the handle shown for a cursor number. A number never set shows the
    // default cursor (the desktop's own numbers their shapes); setting nullptr clears it.
    HCURSOR Cursors(TCursor index) const;
    void SetCursors(TCursor index, HCURSOR cursor);
    // The desktop's work area (the screen less its panels), the whole screen when unknown.
    RECT WorkAreaRect() const;

    // Drawing on the screen itself, over every window: an attached canvas draws there with
    // its (0, 0) at origin, shown once it is released, until cleared or inverted away.
    void AttachCanvas(TCanvas& canvas, POINT origin = {});
    void ReleaseCanvas(TCanvas& canvas);
    // Inverts rect of the screen as it looks now; inverting the same pixels again gives
    // the screen back as it was.
    void InvertRect(const RECT& rect);
    // Removes everything drawn on the screen.
    void ClearDrawing();
    // The colour of a screen pixel with the drawing over it.
    TColor DrawnPixel(int x, int y) const;
    // The forms that exist, in the order they were created.
    int FormCount() const;
    TForm* Forms(int index) const;
    // The logical pixels per inch the program lays its windows and text out at.
    int PixelsPerInch() const { return 96; }

private:
    TCursor cursor_ = crDefault;
};

extern TScreen* Screen;

// Raises the form's window above the others and gives it the keyboard focus.
void SetForegroundWindow(TForm* form);
// The nearest form among the control's parents (the control itself is not asked), or null.
TForm* GetParentForm(const TControl* control);
