#include "platform/framework/Forms.h"

#include "platform/framework/Application.h"
#include "platform/framework/Menus.h"
#include "platform/framework/QtForms.h"
#include "platform/framework/StdCtrls.h"

#include <QApplication>
#include <QEventLoop>
#include <QScreen>
#include <QTimer>
#include <QWindowStateChangeEvent>
#include <algorithm>
#include <vector>

namespace {
TScreen theScreen;

// The title bar of a window that shows only some of its buttons.
Qt::WindowFlags titleButtons(TBorderIcons icons) {
    Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (icons & biSystemMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (icons & biMinimize) flags |= Qt::WindowMinimizeButtonHint;
    if (icons & biMaximize) flags |= Qt::WindowMaximizeButtonHint;
    if (icons & biHelp) flags |= Qt::WindowContextHelpButtonHint;
    return flags;
}

} // namespace

TScreen* Screen = &theScreen;

namespace vx {

QWidget* FormWidget(const TForm* form) {
    return ControlWidget(form);
}

QWidget* FormClientArea(const TForm* form) {
    return form ? form->ClientWidget() : nullptr;
}

FormClient::FormClient(TForm* form, QWidget* parent) : Widget<QWidget>(form, parent), form_(form) {
    clickOnRelease = true;
}

void FormClient::paintEvent(QPaintEvent*) {
    if (!control) return;
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(form_->Color()));
    form_->Canvas().Font().Assign(form_->Font());
    form_->Canvas().Brush().SetColor(form_->Color());
    CanvasPaintScope scope(form_->Canvas(), painter, size());
    Guarded([&] { form_->Perform(WM_PAINT); });
}

namespace {

// Sees every key press of the application before the widget it goes to.
class AcceleratorFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        return event->type() == QEvent::KeyPress && receiver->isWidgetType() &&
               FormWindow::takeAccelerator(static_cast<QWidget*>(receiver), static_cast<QKeyEvent*>(event));
    }
};

} // namespace

FormWindow::FormWindow(TForm* form)
    : Widget<QWidget>(form), form_(form), client_(new FormClient(form, this)) {
    clickOnRelease = true;
    setFocusPolicy(Qt::StrongFocus);
    static const bool filtering = [] {
        qApp->installEventFilter(new AcceleratorFilter(qApp));
        return true;
    }();
    static_cast<void>(filtering);
}

bool FormWindow::takeAccelerator(QWidget* receiver, QKeyEvent* event) {
    auto* window = dynamic_cast<FormWindow*>(receiver->window());
    if (!window || !window->control) return false;
    const WORD key = VirtualKeyOf(event->key());
    bool taken = false;
    Guarded([&] { taken = window->form_->acceleratorKey(key, ShiftOf(event->modifiers())); });
    return taken;
}

void FormWindow::setMenuBar(QMenuBar* menuBar) {
    if (menuBar_ && menuBar_ != menuBar) {
        menuBar_->hide();
        menuBar_->setParent(nullptr);
    }
    menuBar_ = menuBar;
    if (menuBar_) {
        menuBar_->setParent(this);
        menuBar_->setVisible(placement_ != mbpHidden);
    }
    layoutChildren();
    if (control) Guarded([this] { form_->AlignControls(); });
}

int FormWindow::menuBarHeight() const {
    return placement_ == mbpAbove && menuBar_ ? menuBar_->sizeHint().height() : 0;
}

void FormWindow::setMenuBarPlacement(TMenuBarPlacement placement) {
    if (placement == placement_) return;
    placement_ = placement;
    if (menuBar_) menuBar_->setVisible(placement_ != mbpHidden);
    layoutChildren();
    if (control) Guarded([this] { form_->AlignControls(); });
}

void FormWindow::layoutChildren() {
    const int shown = menuBar_ && placement_ != mbpHidden ? menuBar_->sizeHint().height() : 0;
    const int taken = menuBarHeight();
    shownBarHeight_.store(shown);
    client_->setGeometry(0, taken, width(), std::max(0, height() - taken));
    if (menuBar_) {
        menuBar_->setGeometry(0, 0, width(), shown);
        // Floating over the client area, the bar must stay in front of the picture.
        if (placement_ == mbpOver) menuBar_->raise();
    }
}

bool FormWindow::openMenu(QAction* entry) {
    if (!menuBar_ || placement_ == mbpHidden || !isVisible()) return false;
    if (!entry) {
        for (QAction* action : menuBar_->actions())
            if (action->isVisible() && action->isEnabled() && !action->isSeparator()) {
                entry = action;
                break;
            }
    }
    if (!entry || !menuBar_->actions().contains(entry)) return false;
    menuBar_->setActiveAction(entry);
    return true;
}

void FormWindow::menuShown() {
    if (inMenuLoop_) return;
    inMenuLoop_ = true;
    send(WM_ENTERMENULOOP);
}

void FormWindow::menuHidden() {
    // Moving from one menu of the bar to the next hides one and shows the other: the
    // loop ends only when no menu is open once the events have settled.
    QPointer<FormWindow> self(this);
    QMetaObject::invokeMethod(
        this,
        [self] {
            if (self && self->inMenuLoop_ && !QApplication::activePopupWidget()) {
                self->inMenuLoop_ = false;
                self->send(WM_EXITMENULOOP);
            }
        },
        Qt::QueuedConnection);
}

void FormWindow::send(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
    if (control) Guarded([&] { form_->Perform(msg, wParam, lParam); });
}

QMargins FormWindow::frameMargins() {
    if (windowFlags().testFlag(Qt::FramelessWindowHint)) return {};
    if (testAttribute(Qt::WA_WState_Created)) {
        const QRect outer = frameGeometry(), inner = geometry();
        const QMargins now(inner.left() - outer.left(), inner.top() - outer.top(),
                           outer.right() - inner.right(), outer.bottom() - inner.bottom());
        if (!now.isNull()) framed_ = now;
    }
    return framed_;
}

QPoint FormWindow::framePosition() {
    // Until the window exists its position is the frame's corner it is to have.
    if (!testAttribute(Qt::WA_WState_Created)) return pos();
    const QMargins frame = frameMargins();
    return geometry().topLeft() - QPoint(frame.left(), frame.top());
}

void FormWindow::placeFrame(QPoint corner, QSize size) {
    centring_.reset();
    if (!testAttribute(Qt::WA_WState_Created)) {
        move(corner);
        resize(size);
        return;
    }
    const QMargins frame = frameMargins();
    setGeometry(QRect(corner + QPoint(frame.left(), frame.top()), size));
}

void FormWindow::centreWhenFramed(const RECT& area) {
    if (!frameMargins().isNull() || windowFlags().testFlag(Qt::FramelessWindowHint)) return;
    centring_ = area;
    lookForFrame(200);
}

void FormWindow::lookForFrame(int looks) {
    // Nothing tells a window that its frame has become known (the window manager may move it
    // before it sets the frame's size): while a centring waits, the frame is looked for every
    // 50 ms, for ten seconds at most.
    QTimer::singleShot(50, this, [this, looks] {
        if (!centring_) return;
        if (frameMargins().isNull()) {
            if (looks > 1) lookForFrame(looks - 1);
            return;
        }
        const RECT area = *centring_;
        Guarded([&] { form_->CentreIn(area); });
    });
}

void FormWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (control) Guarded([&] { form_->Close(); });
}

void FormWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (!isVisible()) return;
    const QPoint origin = client_->mapToGlobal(QPoint(0, 0));
    send(WM_MOVE, 0, (origin.x() & 0xFFFF) | ((origin.y() & 0xFFFF) << 16));
}

void FormWindow::resizeEvent(QResizeEvent* event) {
    layoutChildren();
    Widget<QWidget>::resizeEvent(event);
}

void FormWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && control) {
        const TNotifyEvent& handler = isActiveWindow() ? form_->OnActivate : form_->OnDeactivate;
        if (handler) Guarded([&] { handler(form_); });
    }
    if (event->type() != QEvent::WindowStateChange) return;
    const Qt::WindowStates before = static_cast<QWindowStateChangeEvent*>(event)->oldState();
    const Qt::WindowStates now = windowState();
    if ((now & Qt::WindowMinimized) && !(before & Qt::WindowMinimized))
        send(WM_SIZE, SIZE_MINIMIZED);
    else if ((now & Qt::WindowMaximized) && !(before & Qt::WindowMaximized) && !(now & Qt::WindowFullScreen))
        send(WM_SIZE, SIZE_MAXIMIZED);
    else if ((before & (Qt::WindowMinimized | Qt::WindowMaximized)) &&
             !(now & (Qt::WindowMinimized | Qt::WindowMaximized)))
        send(WM_SIZE, SIZE_RESTORED);
}

} // namespace vx

namespace {

// Every form that exists, for the screen's list. A form of static duration is made before
// this list is, so the list outlives it.
std::vector<TForm*>& liveForms() {
    static std::vector<TForm*> forms;
    return forms;
}

} // namespace

int TScreen::FormCount() const {
    return static_cast<int>(liveForms().size());
}

TForm* TScreen::Forms(int index) const {
    return liveForms().at(static_cast<std::size_t>(index));
}

TForm::TForm(TComponent* owner)
    : TWinControl(owner), window_(new vx::FormWindow(this)), canvas_(std::make_unique<TCanvas>()) {
    liveForms().push_back(this);
    AttachWidget(window_);
    SetParentColor(false);
    TControl::SetVisible(false);
    window_->resize(320, 240);
    applyWindowFlags();
}

TForm::~TForm() {
    // The owned components (controls, menus, timers) go while the window still exists.
    DestroyComponents();
    window_->setMenuBar(nullptr);
    std::vector<TForm*>& forms = liveForms();
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
}

void TForm::DoCreate() {
    if (OnCreate) OnCreate(this);
}

void TForm::BeforeDestruction() {
    if (OnDestroy) OnDestroy(this);
    TWinControl::BeforeDestruction();
}

void TForm::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == menu_) {
        menu_ = nullptr;
        window_->setMenuBar(nullptr);
    }
    if (component == activeControl_) activeControl_ = nullptr;
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
    if (style == borderStyle_) return;
    borderStyle_ = style;
    applyWindowFlags();
}

void TForm::SetFormStyle(TFormStyle style) {
    if (style == formStyle_) return;
    formStyle_ = style;
    applyWindowFlags();
}

void TForm::applyWindowFlags() {
    Qt::WindowFlags flags;
    switch (borderStyle_) {
    case bsNone:
        flags = Qt::Window | Qt::FramelessWindowHint;
        break;
    case bsDialog:
        flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                Qt::WindowCloseButtonHint;
        break;
    case bsToolWindow:
    case bsSizeToolWin:
        flags = Qt::Tool;
        break;
    default:
        flags = Qt::Window;
        if (borderIcons_ != (biSystemMenu | biMinimize | biMaximize)) flags |= titleButtons(borderIcons_);
        break;
    }
    if (formStyle_ == fsStayOnTop) flags |= Qt::WindowStaysOnTopHint;
    const bool shown = window_->isVisible();
    window_->setWindowFlags(flags);
    applyConstraints();
    // New flags re-create the window: show it again with the keyboard focus it had, so the
    // player's keys keep working after a switch to or from full screen.
    if (shown) {
        window_->show();
        window_->activateWindow();
    }
}

void TForm::SetBorderIcons(TBorderIcons icons) {
    if (icons == borderIcons_) return;
    borderIcons_ = icons;
    applyWindowFlags();
}

void TForm::ConstraintsChanged() {
    applyConstraints();
}

void TForm::applyConstraints() {
    const bool fixed = borderStyle_ == bsDialog || borderStyle_ == bsSingle || borderStyle_ == bsToolWindow;
    const TSizeConstraints& limits = Constraints();
    QSize minimum(limits.MinWidth(), limits.MinHeight());
    QSize maximum(limits.MaxWidth() > 0 ? limits.MaxWidth() : QWIDGETSIZE_MAX,
                  limits.MaxHeight() > 0 ? limits.MaxHeight() : QWIDGETSIZE_MAX);
    if (fixed) minimum = maximum = window_->size();
    window_->setMinimumSize(minimum);
    window_->setMaximumSize(maximum);
}

int TForm::Left() const {
    return window_->framePosition().x();
}

int TForm::Top() const {
    return window_->framePosition().y();
}

void TForm::CentreIn(const RECT& area) {
    const QMargins frame = window_->frameMargins();
    const int width = frame.left() + Width() + frame.right(),
              height = frame.top() + Height() + frame.bottom();
    SetBounds(std::max(area.left, area.left + (area.right - area.left - width) / 2),
              std::max(area.top, area.top + (area.bottom - area.top - height) / 2), Width(), Height());
    window_->centreWhenFramed(area);
}

void TForm::SetBounds(int left, int top, int width, int height) {
    const QSize size(std::max(0, width), std::max(0, height));
    // The limits widen only as far as the new size needs: a window that only moves stays as
    // resizable as it was, and the window manager keeps the frame it drew for that.
    window_->setMinimumSize(window_->minimumSize().boundedTo(size));
    window_->setMaximumSize(window_->maximumSize().expandedTo(size));
    window_->placeFrame(QPoint(left, top), size);
    applyConstraints();
    window_->layoutChildren();
    AlignControls();
}

int TForm::ClientWidth() const {
    return window_->width();
}

int TForm::ClientHeight() const {
    return window_->height() - window_->menuBarHeight();
}

void TForm::SetClientWidth(int width) {
    SetBounds(Left(), Top(), width, Height());
}

void TForm::SetClientHeight(int height) {
    SetBounds(Left(), Top(), Width(), height + window_->menuBarHeight());
}

void TForm::SetMenuBarPlacement(TMenuBarPlacement placement) {
    window_->setMenuBarPlacement(placement);
}

TMenuBarPlacement TForm::MenuBarPlacement() const {
    return window_->menuBarPlacement();
}

int TForm::MenuBarHeight() const {
    return window_->shownMenuBarHeight();
}

RECT TForm::MonitorRect() const {
    vx::EnsureQtGui();
    const QScreen* screen = window_->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return {};
    const QRect area = screen->geometry();
    return {area.left(), area.top(), area.left() + area.width(), area.top() + area.height()};
}

QWidget* TForm::ClientWidget() const {
    return window_->client();
}

TWindowState TForm::WindowState() const {
    if (window_->isMinimized()) return wsMinimized;
    if (window_->isMaximized()) return wsMaximized;
    return wsNormal;
}

void TForm::SetWindowState(TWindowState state) {
    Qt::WindowStates states = window_->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (state == wsMinimized)
        states |= Qt::WindowMinimized;
    else if (state == wsMaximized)
        states |= Qt::WindowMaximized;
    window_->setWindowState(states);
}

void TForm::SetMenu(TMainMenu* menu) {
    if (menu == menu_) return;
    if (menu_) RemoveFreeNotification(menu_);
    menu_ = menu;
    if (menu_) FreeNotification(menu_);
    window_->setMenuBar(menu_ ? vx::MenuBarOf(menu_) : nullptr);
    if (menu_) vx::AttachMenuToForm(menu_, this);
}

void TForm::TextChanged() {
    window_->setWindowTitle(vx::ToQString(Caption()));
}

void TForm::DrawMenuBar() {
    if (window_->menuBar()) window_->menuBar()->update();
}

void TForm::SetVisible(bool visible) {
    if (visible) {
        if (window_->isVisible()) {
            window_->raise();
            return;
        }
        TControl::SetVisible(true);
        placeAtFirstShow();
        DoShow();
        window_->show();
        window_->activateWindow();
        if (activeControl_) activeControl_->SetFocus();
        return;
    }
    TControl::SetVisible(false);
    if (!window_->isVisible()) return;
    window_->hide();
    DoHide();
}

void TForm::placeAtFirstShow() {
    if (placed_) return;
    placed_ = true;
    if (position_ == poScreenCenter || position_ == poDesktopCenter || position_ == poMainFormCenter) {
        SetBounds((Screen->Width() - Width()) / 2, (Screen->Height() - Height()) / 2, Width(), Height());
    }
}

void TForm::DoShow() {
    if (OnShow) OnShow(this);
}

void TForm::DoHide() {
    if (OnHide) OnHide(this);
}

bool TForm::closeQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

TCloseAction TForm::doClose(TCloseAction action) {
    if (OnClose) OnClose(this, action);
    return action;
}

void TForm::Close() {
    if (modalLoop_) {
        if (modalResult_ == mrNone) SetModalResult(mrCancel);
        return;
    }
    if (!closeQuery()) return;
    const TCloseAction action = doClose(caHide);
    if (action == caNone) return;
    if (Application->MainForm() == this)
        Application->Terminate();
    else if (action == caHide)
        Hide();
    else if (action == caMinimize)
        SetWindowState(wsMinimized);
    else
        Release();
}

void TForm::SetModalResult(TModalResult result) {
    modalResult_ = result;
    if (modalLoop_ && result != mrNone) modalLoop_->quit();
}

TModalResult TForm::ShowModal() {
    if (window_->isVisible() || modalLoop_) throw Exception("Cannot make a visible window modal");
    modalResult_ = mrNone;
    window_->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    modalLoop_ = &loop;
    TCloseAction action = caHide;
    try {
        Show();
        // A modal dialog opened from a full-screen window must come up in front of it.
        window_->raise();
        window_->activateWindow();
        for (;;) {
            if (modalResult_ == mrNone && !Application->Terminated()) loop.exec();
            if (modalResult_ == mrNone) modalResult_ = mrCancel; // the application is ending
            action = closeQuery() ? doClose(caHide) : caNone;
            if (action != caNone || Application->Terminated()) break;
            modalResult_ = mrNone;
        }
    } catch (...) {
        modalLoop_ = nullptr;
        window_->setWindowModality(Qt::NonModal);
        throw;
    }
    modalLoop_ = nullptr;
    Hide();
    window_->setWindowModality(Qt::NonModal);
    const TModalResult result = modalResult_;
    if (action == caFree) Release();
    return result;
}

void TForm::Release() {
    if (released_) return;
    released_ = true;
    // Queued on the window: if the form goes another way first, the call goes with it.
    QMetaObject::invokeMethod(
        window_, [this] { vx::Guarded([this] { Free(); }); }, Qt::QueuedConnection);
}

void TForm::SetActiveControl(TWinControl* control) {
    if (activeControl_) RemoveFreeNotification(activeControl_);
    activeControl_ = control;
    if (control) {
        FreeNotification(control);
        if (window_->isVisible()) control->SetFocus();
    }
}

void TForm::WndProc(TMessage& message) {
    if (message.Msg == WM_PAINT) Paint();
}

std::intptr_t TForm::Perform(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
    TMessage message{msg, wParam, lParam, 0};
    WndProc(message);
    return message.Result;
}

void TForm::Paint() {
    if (OnPaint) OnPaint(this);
}

bool TForm::KeyDown(WORD& key, TShiftState shift) {
    if (TWinControl::KeyDown(key, shift)) return true;
    if (key == VK_RETURN && clickButton(true)) return true;
    if (key == VK_ESCAPE && clickButton(false)) return true;
    // F10 opens the menu bar, as on every desktop.
    return key == VK_F10 && (shift & (ssShift | ssCtrl | ssAlt)) == 0 && window_->openMenu();
}

bool TForm::acceleratorKey(WORD key, TShiftState shift) {
    const bool letter = (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9');
    return letter && (shift & (ssAlt | ssCtrl)) == ssAlt && dialogChar(this, static_cast<char>(key));
}

namespace {

TButton* findButton(const TWinControl* parent, bool defaultButton) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* control = parent->Controls(i);
        if (!control->Visible() || !control->Enabled()) continue;
        if (auto* button = dynamic_cast<TButton*>(control))
            if (defaultButton ? button->Default() : button->Cancel()) return button;
        if (auto* win = dynamic_cast<TWinControl*>(control))
            if (TButton* found = findButton(win, defaultButton)) return found;
    }
    return nullptr;
}

} // namespace

bool TForm::dialogChar(const TWinControl* parent, char key) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* control = parent->Controls(i);
        // A hidden or disabled control takes no accelerator, and neither does anything on it.
        if (!control->Visible() || !control->Enabled()) continue;
        if (control->DialogChar(key)) return true;
        if (auto* win = dynamic_cast<TWinControl*>(control))
            if (dialogChar(win, key)) return true;
    }
    return false;
}

bool TForm::clickButton(bool defaultButton) {
    TButton* button = findButton(this, defaultButton);
    if (!button) return false;
    button->Click();
    return true;
}

int TScreen::Width() const {
    vx::EnsureQtGui();
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : 0;
}

int TScreen::Height() const {
    vx::EnsureQtGui();
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().height() : 0;
}

void TScreen::SetCursor(TCursor cursor) {
    if (cursor == cursor_) return;
    vx::EnsureQtApplication();
    if (cursor_ != crDefault) QApplication::restoreOverrideCursor();
    cursor_ = cursor;
    if (cursor_ != crDefault) QApplication::setOverrideCursor(vx::QCursorOf(cursor_));
}

TForm* GetParentForm(const TControl* control) {
    for (TControl* parent = control->Parent(); parent; parent = parent->Parent())
        if (auto* form = dynamic_cast<TForm*>(parent)) return form;
    return nullptr;
}
