#pragma once
// TApplication: the one application object (global Application). It creates the forms in
// order (the first is the main form), runs the event loop until the main form closes,
// and is where exceptions that escape event handlers end up.
#include "platform/framework/Classes.h"
#include "platform/framework/Forms.h"
#include "platform/framework/MessageService.h"

#include <atomic>
#include <functional>
#include <string>

using TExceptionEvent = std::function<void(TObject* Sender, const Exception& E)>;

class TApplication : public TComponent {
    VX_CLASS(TApplication, TComponent)
public:
    TApplication();

    // Starts the GUI: the event loop's thread becomes the main thread (for Synchronize),
    // and message boxes show as dialogs unless a service is already installed.
    void Initialize();
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title) { title_ = title; }
    std::string ExeName() const;
    // Whether one of the application's windows has the keyboard focus of the desktop.
    bool Active() const;

    // Creates a form owned by the application and stores it in reference before its
    // second phase of creation (Loaded) and its OnCreate run; the first form created is
    // the main form.
    template <class T> void CreateForm(T*& reference) {
        reference = new T(this);
        TForm* form = reference;
        if (!mainForm_) mainForm_ = form;
        form->LoadTree();
        form->DoCreate();
    }
    TForm* MainForm() const { return mainForm_; }

    // Shows the main form and runs the event loop until Terminate; then the forms are
    // destroyed (their OnDestroy runs). Does nothing without a main form.
    void Run();
    void Terminate();
    // The status the program ends with: 0, unless a fatal error set another before Terminate.
    int ExitCode() const { return exitCode_; }
    void SetExitCode(int code) { exitCode_ = code; }
    // Readable from any thread: workers stop firing events once the application ends.
    bool Terminated() const { return terminated_.load(std::memory_order_acquire); }
    // Handles what is waiting: events, Synchronize calls and due timers.
    void ProcessMessages();
    // Shows the main form when Run starts.
    bool ShowMainForm = true;

    // Receives exceptions that escape GUI handlers; without it ShowException shows them.
    TExceptionEvent OnException;
    // Asks for the help topic of a context number: OnHelp shows it and answers whether it
    // did. Without OnHelp the program has no help to show (false).
    bool HelpContext(int context);
    std::function<bool(int context)> OnHelp;
    void HandleException(const Exception& error);
    void ShowException(const Exception& error);
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::string title_;
    TForm* mainForm_ = nullptr;
    std::atomic<bool> terminated_{false};
    int exitCode_ = 0;
};

extern TApplication* Application;

// Runs method on the GUI thread once the events before it are handled, without waiting:
// how other threads change captions, menus and cursors. Callable from any thread; an
// exception it raises reaches Application's exception handling. Without a GUI (tests of
// other layers) it runs at once.
void QueueOnMainThread(std::function<void()> method);
