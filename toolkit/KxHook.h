#pragma once
// Window hooks: a TKxWindowHook watches the messages of any windowed control (a form or a
// control on it) without being part of it. All watchers of one control share one
// TControlHook, the control's message filter; each message goes to the watchers before the
// control, the one added last first, until one sets Handled (the control then never sees
// the message, except WM_DESTROY which always reaches it), and again, in the same order and
// with the same rule, after the control handled it. When a form's window goes away
// (WM_DESTROY) the filter is set again once the form has its new window; a TControlHook
// whose last watcher left is freed a moment later, never inside a message of its control.
// Used on the GUI thread.
#include "platform/framework/Controls.h"
#include "platform/framework/Forms.h"
#include "platform/framework/MessageHook.h"

#include <functional>
#include <vector>

using THookMessageEvent = std::function<void(TObject* Sender, TMessage& Msg, bool& Handled)>;

class TControlHook;

class TKxWindowHook : public TComponent {
    VX_CLASS(TKxWindowHook, TComponent)
public:
    explicit TKxWindowHook(TComponent* owner);
    ~TKxWindowHook() override;

    bool Active() const { return active_; }
    void SetActive(bool active);
    // The watched control: the one of its TControlHook while registered, else the one set.
    TWinControl* WinControl() const;
    void SetWinControl(TWinControl* control);

    // Joins the TControlHook of the control (made on first use); Active becomes true.
    void HookControl();
    // Leaves it; Active becomes false.
    void UnhookControl();
    // The watched control is the owner itself, and a form.
    bool IsForm() const;
    // There is a watched control and it is no form.
    bool NotIsForm() const;

    THookMessageEvent BeforeMessage;
    THookMessageEvent AfterMessage;

protected:
    void Notification(TComponent* component, TOperation operation) override;
    virtual void DoAfterMessage(TMessage& message, bool& handled);
    virtual void DoBeforeMessage(TMessage& message, bool& handled);

private:
    friend class TControlHook;
    // The watched control is being freed: leave its hook and drop it, staying Active.
    void forgetControl();
    bool active_ = true;
    TWinControl* control_ = nullptr;
    TControlHook* hook_ = nullptr;
};

// The shared filter of one control, owned by the program's hook list.
class TControlHook : public TObject, public TMessageFilter {
    VX_CLASS(TControlHook, TObject)
public:
    explicit TControlHook(TWinControl* control);
    ~TControlHook() override;
    TControlHook(const TControlHook&) = delete;
    TControlHook& operator=(const TControlHook&) = delete;

    TWinControl* WinControl() const { return control_; }
    // Uninstalls from the old control and installs on the new one when it has watchers.
    void SetWinControl(TWinControl* control);
    int WatcherCount() const { return static_cast<int>(watchers_.size()); }
    // Sets the filter on the control unless it is designed, going away or already set.
    void Install();
    // Takes the filter off when it is still this hook's.
    void Uninstall();

    bool FilterBefore(TMessage& message) override;
    void FilterAfter(TMessage& message) override;

private:
    friend class TKxWindowHook;
    friend class THookList;
    void addWatcher(TKxWindowHook* watcher);
    void removeWatcher(TKxWindowHook* watcher);
    // The control is being destroyed: forget it without touching it.
    void controlGone();
    bool offer(TMessage& message, bool before);

    TWinControl* control_ = nullptr;
    std::vector<TKxWindowHook*> watchers_; // in order of registration
    bool destroying_ = false;
};
