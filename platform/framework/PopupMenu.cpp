#include "platform/framework/PopupMenu.h"

#include "platform/framework/QtBridge.h"

#include <QMenu>

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), root_(std::make_unique<TMenuItem>(nullptr)) {
    vx::EnsureQtApplication();
}

TPopupMenu::~TPopupMenu() {
    CloseMenu();
}

void TPopupMenu::SetPopupComponent(TComponent* component) {
    if (popupComponent_ == component) return;
    if (popupComponent_) popupComponent_->RemoveFreeNotification(this);
    popupComponent_ = component;
    if (component) component->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == popupComponent_) popupComponent_ = nullptr;
}

void TPopupMenu::Popup(int x, int y) {
    if (OnPopup) OnPopup(this);
    QMenu* menu = root_->impl().menu;
    if (!menu || shown_) return;
    const int width = menu->sizeHint().width();
    if (alignment_ == paRight)
        x -= width;
    else if (alignment_ == paCenter)
        x -= width / 2;
    shown_ = true;
    menu->exec(QPoint(x, y));
    shown_ = false;
}

void TPopupMenu::CloseMenu() {
    if (QMenu* menu = root_->impl().menu; menu && shown_) menu->close();
}
