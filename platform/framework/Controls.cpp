#include "platform/framework/Controls.h"

#include "platform/framework/PopupMenu.h"
#include "platform/framework/QtControls.h"

#include <QApplication>
#include <QCursor>
#include <algorithm>
#include <cctype>

namespace vx {

ControlLink* LinkOf(QWidget* widget) {
    return dynamic_cast<ControlLink*>(widget);
}

QWidget* ControlWidget(const TControl* control) {
    return control ? control->Widget() : nullptr;
}

TShiftState ShiftOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    TShiftState shift = 0;
    if (modifiers & Qt::ShiftModifier) shift |= ssShift;
    if (modifiers & Qt::AltModifier) shift |= ssAlt;
    if (modifiers & Qt::ControlModifier) shift |= ssCtrl;
    if (buttons & Qt::LeftButton) shift |= ssLeft;
    if (buttons & Qt::RightButton) shift |= ssRight;
    if (buttons & Qt::MiddleButton) shift |= ssMiddle;
    return shift;
}

namespace {

struct KeyPair {
    int qt;
    WORD vk;
};

constexpr KeyPair keyTable[] = {
    {Qt::Key_Backspace, VK_BACK}, {Qt::Key_Tab, VK_TAB},       {Qt::Key_Return, VK_RETURN},
    {Qt::Key_Enter, VK_RETURN},   {Qt::Key_Shift, VK_SHIFT},   {Qt::Key_Control, VK_CONTROL},
    {Qt::Key_Alt, VK_MENU},       {Qt::Key_Pause, VK_PAUSE},   {Qt::Key_Escape, VK_ESCAPE},
    {Qt::Key_Space, VK_SPACE},    {Qt::Key_PageUp, VK_PRIOR},  {Qt::Key_PageDown, VK_NEXT},
    {Qt::Key_End, VK_END},        {Qt::Key_Home, VK_HOME},     {Qt::Key_Left, VK_LEFT},
    {Qt::Key_Up, VK_UP},          {Qt::Key_Right, VK_RIGHT},   {Qt::Key_Down, VK_DOWN},
    {Qt::Key_Insert, VK_INSERT},  {Qt::Key_Delete, VK_DELETE},
};

TMouseButton buttonOf(Qt::MouseButton button) {
    if (button == Qt::RightButton) return mbRight;
    if (button == Qt::MiddleButton) return mbMiddle;
    return mbLeft;
}

TControl* controlOf(QWidget* widget) {
    ControlLink* link = LinkOf(widget);
    return link ? link->control : nullptr;
}

} // namespace

WORD VirtualKeyOf(int qtKey) {
    for (const KeyPair& pair : keyTable)
        if (pair.qt == qtKey) return pair.vk;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return static_cast<WORD>(VK_F1 + (qtKey - Qt::Key_F1));
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return static_cast<WORD>(qtKey);
    return 0;
}

int QtKeyOf(WORD virtualKey) {
    for (const KeyPair& pair : keyTable)
        if (pair.vk == virtualKey) return pair.qt;
    if (virtualKey >= VK_F1 && virtualKey <= VK_F1 + 23) return Qt::Key_F1 + (virtualKey - VK_F1);
    if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z'))
        return virtualKey;
    return 0;
}

Qt::CursorShape CursorShapeOf(TCursor cursor) {
    switch (cursor) {
    case crNone:
        return Qt::BlankCursor;
    case crCross:
        return Qt::CrossCursor;
    case crIBeam:
        return Qt::IBeamCursor;
    case crSizeNESW:
        return Qt::SizeBDiagCursor;
    case crSizeNS:
        return Qt::SizeVerCursor;
    case crSizeNWSE:
        return Qt::SizeFDiagCursor;
    case crSizeWE:
        return Qt::SizeHorCursor;
    case crUpArrow:
        return Qt::UpArrowCursor;
    case crHourGlass:
        return Qt::WaitCursor;
    case crDrag:
        return Qt::DragCopyCursor;
    case crNoDrop:
    case crNo:
        return Qt::ForbiddenCursor;
    case crHSplit:
        return Qt::SplitHCursor;
    case crVSplit:
        return Qt::SplitVCursor;
    case crMultiDrag:
        return Qt::DragCopyCursor;
    case crAppStart:
        return Qt::BusyCursor;
    case crHelp:
        return Qt::WhatsThisCursor;
    case crHandPoint:
        return Qt::PointingHandCursor;
    case crSizeAll:
        return Qt::SizeAllCursor;
    default:
        return Qt::ArrowCursor;
    }
}

void ControlEvents::mouseDown(QWidget* widget, QMouseEvent* event) {
    if (TControl* control = controlOf(widget)) {
        const QPoint at = event->position().toPoint();
        const TShiftState shift = ShiftOf(event->modifiers(), event->buttons());
        Guarded([&] { control->MouseDown(buttonOf(event->button()), shift, at.x(), at.y()); });
    }
}

void ControlEvents::mouseUp(QWidget* widget, QMouseEvent* event) {
    if (TControl* control = controlOf(widget)) {
        const QPoint at = event->position().toPoint();
        const TShiftState shift = ShiftOf(event->modifiers(), event->buttons());
        Guarded([&] { control->MouseUp(buttonOf(event->button()), shift, at.x(), at.y()); });
    }
}

void ControlEvents::mouseMove(QWidget* widget, QMouseEvent* event) {
    if (TControl* control = controlOf(widget)) {
        const QPoint at = event->position().toPoint();
        const TShiftState shift = ShiftOf(event->modifiers(), event->buttons());
        Guarded([&] { control->MouseMove(shift, at.x(), at.y()); });
    }
}

void ControlEvents::doubleClick(QWidget* widget) {
    if (TControl* control = controlOf(widget)) Guarded([&] { control->DblClick(); });
}

void ControlEvents::mouseEnter(QWidget* widget, bool entered) {
    if (TControl* control = controlOf(widget))
        Guarded([&] { entered ? control->MouseEnter() : control->MouseLeave(); });
}

void ControlEvents::click(TControl* control) {
    Guarded([&] { control->Click(); });
}

void ControlEvents::paint(QWidget* widget) {
    TControl* control = controlOf(widget);
    if (!control) return;
    QPainter painter(widget);
    // A control that is disabled itself or sits in a disabled parent draws grey text.
    const auto prepare = [widget](TCanvas& canvas, const TControl& owner) {
        canvas.Font().Assign(owner.Font());
        if (!widget->isEnabled()) canvas.Font().SetColor(clGrayText);
        canvas.Brush().SetColor(owner.Color());
    };
    if (auto* graphic = dynamic_cast<TGraphicControl*>(control)) {
        prepare(*graphic->canvas_, *graphic);
        CanvasPaintScope scope(*graphic->canvas_, painter, widget->size());
        Guarded([&] { graphic->Paint(); });
    } else if (auto* custom = dynamic_cast<TCustomControl*>(control)) {
        prepare(*custom->canvas_, *custom);
        CanvasPaintScope scope(*custom->canvas_, painter, widget->size());
        Guarded([&] { custom->Paint(); });
    }
}

void ControlEvents::resized(QWidget* widget) {
    TControl* control = controlOf(widget);
    if (!control) return;
    Guarded([&] {
        if (auto* win = dynamic_cast<TWinControl*>(control)) win->AlignControls();
        // A form's client area is resized with its window: the window tells of it once.
        if (widget == control->Widget() && control->OnResize) control->OnResize(control);
    });
}

bool ControlEvents::mouseWheel(QWidget* widget, QWheelEvent* event) {
    TControl* control = controlOf(widget);
    if (!control || widget != control->Widget() || event->angleDelta().y() == 0) return false;
    const QPoint at = event->globalPosition().toPoint();
    bool handled = false;
    Guarded([&] {
        handled = control->DoMouseWheel(ShiftOf(event->modifiers(), event->buttons()),
                                        event->angleDelta().y(), {at.x(), at.y()});
    });
    return handled;
}

bool ControlEvents::contextPopup(QWidget* widget, QContextMenuEvent* event) {
    TControl* control = controlOf(widget);
    if (!control || widget != control->Widget()) return false;
    const bool fromKeyboard = event->reason() == QContextMenuEvent::Keyboard;
    const POINT client = fromKeyboard ? POINT{-1, -1} : POINT{event->pos().x(), event->pos().y()};
    const POINT screen = fromKeyboard ? control->ClientToScreen({0, 0})
                                      : POINT{event->globalPos().x(), event->globalPos().y()};
    bool handled = false;
    Guarded([&] { handled = control->contextPopup(screen, client); });
    return handled;
}

void ControlEvents::shown(QWidget* widget) {
    if (auto* control = dynamic_cast<TWinControl*>(controlOf(widget)))
        Guarded([&] { control->HandleNeeded(); });
}

bool ControlEvents::keyDown(QWidget* widget, QKeyEvent* event) {
    auto* control = dynamic_cast<TWinControl*>(controlOf(widget));
    if (!control) return false;
    // Keys without a virtual key code of their own ("+", "-") still type their character.
    WORD key = VirtualKeyOf(event->key());
    bool handled = false;
    if (key != 0) Guarded([&] { handled = control->KeyDown(key, ShiftOf(event->modifiers())); });
    if (!handled && !event->text().isEmpty() && event->text().at(0).unicode() < 128) {
        char ch = static_cast<char>(event->text().at(0).unicode());
        Guarded([&] { control->KeyPress(ch); });
        handled = ch == 0;
    }
    return handled;
}

bool ControlEvents::keyUp(QWidget* widget, QKeyEvent* event) {
    auto* control = dynamic_cast<TWinControl*>(controlOf(widget));
    if (!control) return false;
    WORD key = VirtualKeyOf(event->key());
    if (key == 0) return false;
    bool handled = false;
    Guarded([&] { handled = control->KeyUp(key, ShiftOf(event->modifiers())); });
    return handled;
}

void ControlEvents::focusIn(QWidget* widget) {
    auto* control = dynamic_cast<TWinControl*>(controlOf(widget));
    if (!control) return;
    if (control->OnEnter) Guarded([&] { control->OnEnter(control); });
    TWinControl* root = control;
    while (root->Parent())
        root = root->Parent();
    Guarded([&] { TWinControl::broadcastFocus(root, control); });
}

void ControlEvents::focusOut(QWidget* widget) {
    if (auto* control = dynamic_cast<TWinControl*>(controlOf(widget)))
        if (control->OnExit) Guarded([&] { control->OnExit(control); });
}

} // namespace vx

TControl::TControl(TComponent* owner) : TComponent(owner) {
    vx::EnsureQtApplication();
    font_.OnChange = [this](TObject*) {
        if (!applyingParentFont_) parentFont_ = false;
        FontChanged();
    };
    constraints_.OnChange = [this](TObject*) { ConstraintsChanged(); };
}

TControl::~TControl() {
    unlinkWidget();
    SetParent(nullptr);
    delete widget_;
}

void TControl::BeforeDestruction() {
    unlinkWidget();
    TComponent::BeforeDestruction();
}

void TControl::unlinkWidget() {
    if (vx::ControlLink* link = vx::LinkOf(widget_)) link->control = nullptr;
}

void TControl::AttachWidget(QWidget* widget) {
    widget_ = widget;
    widget_->hide();
    widget_->setAttribute(Qt::WA_DeleteOnClose, false);
    applyFont();
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent_) parent_->removeControl(this);
    parent_ = parent;
    if (!widget_) return;
    if (parent_) {
        parent_->insertControl(this);
        widget_->setParent(parent_->ClientWidget());
        if (dynamic_cast<TWinControl*>(this)) parent_->applyTabOrder();
        adoptParentLook();
        widget_->setVisible(visible_);
        updateAnchorRules();
        RequestAlign();
    } else {
        widget_->hide();
        widget_->setParent(nullptr);
    }
}

int TControl::Left() const {
    return widget_ ? widget_->x() : 0;
}
int TControl::Top() const {
    return widget_ ? widget_->y() : 0;
}
int TControl::Width() const {
    return widget_ ? widget_->width() : 0;
}
int TControl::Height() const {
    return widget_ ? widget_->height() : 0;
}
void TControl::SetLeft(int left) {
    SetBounds(left, Top(), Width(), Height());
}
void TControl::SetTop(int top) {
    SetBounds(Left(), top, Width(), Height());
}
void TControl::SetWidth(int width) {
    SetBounds(Left(), Top(), width, Height());
}
void TControl::SetHeight(int height) {
    SetBounds(Left(), Top(), Width(), height);
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (!widget_) return;
    const QRect wanted(left, top, constraints_.ConstrainWidth(std::max(0, width)),
                       constraints_.ConstrainHeight(std::max(0, height)));
    if (widget_->geometry() == wanted) return;
    widget_->setGeometry(wanted);
    if (!anchoring_) updateAnchorRules();
    // A hidden widget gets its resize event only when shown: align the children now.
    if (auto* win = dynamic_cast<TWinControl*>(this)) win->AlignControls();
    RequestAlign();
}

RECT TControl::BoundsRect() const {
    return {Left(), Top(), Left() + Width(), Top() + Height()};
}
int TControl::ClientWidth() const {
    return Width();
}
int TControl::ClientHeight() const {
    return Height();
}
void TControl::SetClientWidth(int width) {
    SetWidth(width);
}
void TControl::SetClientHeight(int height) {
    SetHeight(height);
}
RECT TControl::ClientRect() const {
    return {0, 0, ClientWidth(), ClientHeight()};
}

void TControl::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    if (widget_ && parent_) widget_->setVisible(visible);
    RequestAlign();
}

bool TControl::Showing() const {
    return widget_ && widget_->isVisible();
}

void TControl::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (widget_) widget_->setEnabled(enabled);
    EnabledChanged();
}

void TControl::EnabledChanged() {
    Invalidate();
}

void TControl::SetCaption(const std::string& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    TextChanged();
}

void TControl::TextChanged() {
    Invalidate();
}

void TControl::FontChanged() {
    applyFont();
    if (auto* win = dynamic_cast<TWinControl*>(this)) {
        for (int i = 0; i < win->ControlCount(); ++i) {
            TControl* child = win->Controls(i);
            if (child->parentFont_) {
                child->applyingParentFont_ = true;
                child->font_.Assign(font_);
                child->applyingParentFont_ = false;
            }
        }
    }
}

void TControl::applyFont() {
    if (!widget_) return;
    widget_->setFont(vx::ToQFont(font_));
    // The font colour is the text colour of an enabled control only: a disabled one keeps the
    // style's greyed text, so that it looks as dead as it is.
    QPalette palette = widget_->palette();
    const QColor text = vx::ToQColor(font_.Color());
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::ButtonText, text);
    }
    widget_->setPalette(palette);
    widget_->update();
}

void TControl::SetParentFont(bool parentFont) {
    parentFont_ = parentFont;
    if (parentFont && parent_) {
        applyingParentFont_ = true;
        font_.Assign(parent_->Font());
        applyingParentFont_ = false;
    }
}

void TControl::ColorChanged() {
    Invalidate();
}

void TControl::SetAlign(TAlign align) {
    if (align == align_) return;
    align_ = align;
    RequestAlign();
}

void TControl::SetHint(const std::string& hint) {
    hint_ = hint;
    if (widget_) widget_->setToolTip(showHint_ ? vx::ToQString(hint) : QString());
}

void TControl::SetCursor(TCursor cursor) {
    cursor_ = cursor;
    if (!widget_) return;
    if (cursor == crDefault)
        widget_->unsetCursor();
    else
        widget_->setCursor(vx::QCursorOf(cursor));
}

void TControl::Invalidate() {
    if (widget_) widget_->update();
}

void TControl::Repaint() {
    if (widget_) widget_->repaint();
}

void TControl::BringToFront() {
    if (widget_) widget_->raise();
}

void TControl::SendToBack() {
    if (widget_) widget_->lower();
}

POINT TControl::ClientToScreen(POINT point) const {
    if (!widget_) return point;
    const QPoint global = widget_->mapToGlobal(QPoint(point.x, point.y));
    return {global.x(), global.y()};
}

POINT TControl::ScreenToClient(POINT point) const {
    if (!widget_) return point;
    const QPoint local = widget_->mapFromGlobal(QPoint(point.x, point.y));
    return {local.x(), local.y()};
}

void TControl::RequestAlign() {
    if (parent_ && (align_ != alNone || !parent_->aligning_)) parent_->AlignControls();
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

bool TControl::DialogChar(char) {
    return false;
}

unsigned AlignmentTextFlag(TAlignment alignment) {
    return alignment == taLeftJustify ? DT_LEFT : alignment == taRightJustify ? DT_RIGHT : DT_CENTER;
}

bool IsAccelerator(char key, const std::string& caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        return std::toupper(static_cast<unsigned char>(caption[i + 1])) ==
               std::toupper(static_cast<unsigned char>(key));
    }
    return false;
}

void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::DoContextPopup(POINT mousePos, bool& handled) {
    if (OnContextPopup) OnContextPopup(this, mousePos, handled);
}

bool TControl::contextPopup(POINT screenPos, POINT clientPos) {
    bool handled = false;
    DoContextPopup(clientPos, handled);
    if (handled) return true;
    if (!popupMenu_ || !popupMenu_->AutoPopup()) return false;
    popupMenu_->SetPopupComponent(this);
    popupMenu_->Popup(screenPos.x, screenPos.y);
    return true;
}

void TControl::SetPopupMenu(TPopupMenu* menu) {
    if (menu == popupMenu_) return;
    if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
    popupMenu_ = menu;
    if (menu) menu->FreeNotification(this);
}

void TControl::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == popupMenu_) popupMenu_ = nullptr;
}

bool TControl::DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos) {
    bool handled = false;
    if (OnMouseWheel) OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
    if (handled) return true;
    const TMouseWheelUpDownEvent& turned = wheelDelta < 0 ? OnMouseWheelDown : OnMouseWheelUp;
    if (turned) turned(this, shift, mousePos, handled);
    return handled;
}

void TControl::FocusChanged(TWinControl*) {}

void TControl::MouseEnter() {}

void TControl::MouseLeave() {}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
    // Children may outlive this control (their owner is another component): their widgets
    // leave ours before it goes.
    while (!controls_.empty())
        controls_.back()->SetParent(nullptr);
}

void TWinControl::HandleNeeded() {
    if (handleAllocated_) return;
    handleAllocated_ = true;
    CreateWnd();
}

void TWinControl::CreateWnd() {}

void TWinControl::DestroyWnd() {
    handleAllocated_ = false;
}

void TWinControl::BeforeDestruction() {
    if (handleAllocated_) DestroyWnd();
    TControl::BeforeDestruction();
}

QWidget* TWinControl::ClientWidget() const {
    return Widget();
}

void TWinControl::insertControl(TControl* control) {
    controls_.push_back(control);
    if (auto* win = dynamic_cast<TWinControl*>(control)) tabList_.push_back(win);
}

void TWinControl::removeControl(TControl* control) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
    tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), control), tabList_.end());
    if (control->Align() != alNone) AlignControls();
}

bool TWinControl::CanFocus() const {
    for (const TControl* control = this; control; control = control->Parent())
        if (!control->Visible() || !control->Enabled()) return false;
    return true;
}

bool TWinControl::Focused() const {
    return Widget() && Widget()->hasFocus();
}

void TWinControl::SetFocus() {
    if (Widget()) Widget()->setFocus(Qt::OtherFocusReason);
}

void TWinControl::SetTabStop(bool tabStop) {
    tabStop_ = tabStop;
    if (Widget()) Widget()->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
    if (Parent()) Parent()->applyTabOrder();
}

namespace {

// Order in which aligned children claim their edge: the one nearest the edge first.
bool placedBefore(const TControl* a, const TControl* b) {
    switch (a->Align()) {
    case alTop:
        return a->Top() < b->Top();
    case alBottom:
        return a->Top() + a->Height() > b->Top() + b->Height();
    case alLeft:
        return a->Left() < b->Left();
    case alRight:
        return a->Left() + a->Width() > b->Left() + b->Width();
    default:
        return false;
    }
}

} // namespace

void TWinControl::AlignControls() {
    if (aligning_ || !ClientWidget()) return;
    aligning_ = true;
    anchorControls();
    int left = 0, top = 0, right = ClientWidget()->width(), bottom = ClientWidget()->height();
    for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
        std::vector<TControl*> group;
        for (TControl* control : controls_)
            if (control->Align() == align && control->Visible()) group.push_back(control);
        std::stable_sort(group.begin(), group.end(), placedBefore);
        for (TControl* control : group) {
            const int w = control->Width(), h = control->Height();
            switch (align) {
            case alTop:
                control->SetBounds(left, top, right - left, h), top += h;
                break;
            case alBottom:
                control->SetBounds(left, bottom - h, right - left, h), bottom -= h;
                break;
            case alLeft:
                control->SetBounds(left, top, w, bottom - top), left += w;
                break;
            case alRight:
                control->SetBounds(right - w, top, w, bottom - top), right -= w;
                break;
            default:
                control->SetBounds(left, top, right - left, bottom - top);
                break;
            }
        }
    }
    aligning_ = false;
}

bool TWinControl::KeyDown(WORD& key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
    return key == 0;
}

bool TWinControl::KeyUp(WORD& key, TShiftState shift) {
    if (OnKeyUp) OnKeyUp(this, key, shift);
    return key == 0;
}

void TWinControl::KeyPress(char& key) {
    if (OnKeyPress) OnKeyPress(this, key);
}

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner), canvas_(std::make_unique<TCanvas>()) {
    auto* widget = new vx::Widget<QWidget>(this);
    widget->clickOnRelease = true;
    widget->paintsCanvas = true;
    AttachWidget(widget);
}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::SetClickEvents(bool clickEvents) {
    if (vx::ControlLink* link = vx::LinkOf(Widget())) link->clickOnRelease = clickEvents;
}

void TGraphicControl::Paint() {}

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner), canvas_(std::make_unique<TCanvas>()) {
    auto* widget = new vx::Widget<QWidget>(this);
    widget->clickOnRelease = true;
    widget->paintsCanvas = true;
    AttachWidget(widget);
}

TCustomControl::~TCustomControl() = default;

void TCustomControl::Paint() {}
