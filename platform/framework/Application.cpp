#include "platform/framework/Application.h"

#include "platform/files/FileNames.h"

#include "platform/framework/QtBridge.h"
#include "platform/framework/QtMessageService.h"
#include "platform/framework/Timer.h"
#include "platform/kernel/Thread.h"

#include <QApplication>
#include <QGuiApplication>
#include <cstdio>

namespace {

// The application object lives until the process ends, like the Qt one beneath it.
TApplication* createApplication() {
    return new TApplication();
}

QtMessageService& qtMessageService() {
    static QtMessageService service;
    return service;
}

} // namespace

TApplication* Application = createApplication();

TApplication::TApplication() : TComponent(nullptr) {}

void TApplication::Initialize() {
    vx::EnsureQtApplication();
    SetMainThread(std::this_thread::get_id());
    if (!CurrentMessageService()) SetMessageService(&qtMessageService());
    terminated_ = false;
}

// One answer for the whole program, so a test that moves the executable moves it here too.
std::string TApplication::ExeName() const {
    return ::ExeName();
}

// Destroying the window that has the focus leaves Qt's application state at active where no
// other window takes the focus (the headless platform does so), so the focus window decides.
bool TApplication::Active() const {
    return QGuiApplication::instance() != nullptr &&
           QGuiApplication::applicationState() == Qt::ApplicationActive &&
           QGuiApplication::focusWindow() != nullptr;
}

void TApplication::Run() {
    if (!mainForm_ || terminated_) return;
    vx::EnsureQtApplication();
    vx::Guarded([this] {
        if (ShowMainForm) mainForm_->Show();
    });
    while (!terminated_)
        QApplication::exec();
    DestroyComponents();
}

void TApplication::Terminate() {
    terminated_ = true;
    if (QCoreApplication::instance()) QCoreApplication::exit(0);
}

void TApplication::ProcessMessages() {
    vx::EnsureQtApplication();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    CheckSynchronize();
    RunDueTimers();
}

void TApplication::HandleException(const Exception& error) {
    if (dynamic_cast<const EAbort*>(&error)) return;
    try {
        if (OnException)
            OnException(this, error);
        else
            ShowException(error);
    } catch (const std::exception& inner) {
        std::fprintf(stderr, "exception in the exception handler: %s\n", inner.what());
    }
}

bool TApplication::HelpContext(int context) {
    return OnHelp && OnHelp(context);
}

void TApplication::ShowException(const Exception& error) {
    std::string message = error.Message();
    if (!message.empty() && message.back() != '.') message += '.';
    MessageBox(message, title_, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    return ShowMessageBox(text, caption, flags);
}

void TApplication::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == mainForm_) mainForm_ = nullptr;
}

void QueueOnMainThread(std::function<void()> method) {
    if (!QCoreApplication::instance()) {
        vx::Guarded(method);
        return;
    }
    vx::PostToGuiThread(std::move(method));
}
