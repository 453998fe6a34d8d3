#pragma once
// Platform-internal: the top-level window behind a TForm and its client area.
#include "platform/framework/Forms.h"
#include "platform/framework/QtControls.h"

#include <QMargins>
#include <QMenuBar>
#include <QPointer>
#include <atomic>
#include <optional>

namespace vx {

// The client area: the form's controls live here, below the menu bar.
class FormClient : public Widget<QWidget> {
public:
    FormClient(TForm* form, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TForm* form_;
};

class FormWindow : public Widget<QWidget> {
public:
    explicit FormWindow(TForm* form);
    FormClient* client() const { return client_; }
    void setMenuBar(QMenuBar* menuBar);
    QMenuBar* menuBar() const { return menuBar_; }
    // Height the menu bar takes from the client area: 0 when it floats over it or is hidden.
    int menuBarHeight() const;
    void setMenuBarPlacement(TMenuBarPlacement placement);
    TMenuBarPlacement menuBarPlacement() const { return placement_; }
    // Height of the shown menu bar wherever it stands; readable from any thread.
    int shownMenuBarHeight() const { return shownBarHeight_.load(); }
    // Menu loop bookkeeping: a menu of this window opened or closed.
    void menuShown();
    void menuHidden();
    bool inMenuLoop() const { return inMenuLoop_; }
    // Opens the menu of the bar's entry (the first usable one when none is given), as F10
    // does; false when the bar is hidden or has no usable entry.
    bool openMenu(QAction* entry = nullptr);
    // Places the menu bar and the client area; the resize event of a hidden window comes
    // only when it is shown, so size changes call this at once.
    void layoutChildren();
    // A key press on its way to a widget of a form: true when one of the form's
    // accelerators took it, so that the widget never sees it.
    static bool takeAccelerator(QWidget* receiver, QKeyEvent* event);
    // The frame the window manager draws round the window: as it is now, else as it last
    // drew it round this window (one shown again after its flags changed is framed again
    // only a moment later); none for a frameless window or one not framed yet.
    QMargins frameMargins();
    // The frame's top-left corner on the desktop, so a position read or set always means
    // the corner of the frame.
    QPoint framePosition();
    void placeFrame(QPoint corner, QSize size);
    // The frame of a window centred before it was framed is not counted yet: the window is
    // centred in area again when the window manager first frames it.
    void centreWhenFramed(const RECT& area);

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void send(unsigned msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
    // Makes the centring that waits for the frame once the frame is known.
    void lookForFrame(int looks);

    TForm* form_;
    FormClient* client_;
    QPointer<QMenuBar> menuBar_;
    TMenuBarPlacement placement_ = mbpAbove;
    std::atomic<int> shownBarHeight_{0};
    bool inMenuLoop_ = false;
    QMargins framed_;
    std::optional<RECT> centring_;
};

} // namespace vx
