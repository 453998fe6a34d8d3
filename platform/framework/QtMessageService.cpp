#include "platform/framework/QtMessageService.h"

#include "platform/framework/QtBridge.h"
#include "platform/kernel/Thread.h"

#include <QApplication>
#include <QMessageBox>

QtMessageService::QtMessageService() : presenter_(std::make_shared<const Presenter>(ShowQtMessageBox)) {}

void QtMessageService::SetPresenter(Presenter presenter) {
    std::lock_guard guard(lock_);
    presenter_ =
        std::make_shared<const Presenter>(presenter ? std::move(presenter) : Presenter(ShowQtMessageBox));
}

std::shared_ptr<const QtMessageService::Presenter> QtMessageService::presenter() const {
    std::lock_guard guard(lock_);
    return presenter_;
}

int QtMessageService::Show(const std::string& text, const std::string& caption, unsigned flags) {
    auto present = presenter();
    if (IsMainThread()) return (*present)(text, caption, flags);
    vx::PostToGuiThread([present, text, caption, flags] { (*present)(text, caption, flags); });
    return IDOK;
}

void QtMessageService::Beep() {
    if (IsMainThread())
        QApplication::beep();
    else
        vx::PostToGuiThread([] { QApplication::beep(); });
}

int ShowQtMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    QMessageBox box;
    box.setWindowTitle(vx::ToQString(caption));
    box.setText(vx::ToQString(text));
    switch (flags & 0xF0) {
    case MB_ICONHAND:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONEXCLAMATION:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    switch (flags & 0x0F) {
    case MB_OKCANCEL:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MB_YESNOCANCEL:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case MB_YESNO:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return IDCANCEL;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    default:
        return IDOK;
    }
}
