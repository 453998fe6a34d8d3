#include "toolkit/KxHook.h"

#include "platform/framework/Application.h"
#include "platform/framework/Published.h"

#include <algorithm>
#include <memory>

// Every TControlHook of the program. It hears when a hooked control is destroyed, so that a
// hook never touches a freed control, and runs the deferred re-hooks and frees.
class THookList : public TComponent {
    VX_CLASS(THookList, TComponent)
public:
    THookList() : TComponent(nullptr) {}
    ~THookList() override {
        exiting_ = true;
        while (!hooks_.empty())
            delete hooks_.back();
    }

    TControlHook* find(const TWinControl* control) const {
        auto it = std::find_if(hooks_.begin(), hooks_.end(),
                               [&](TControlHook* h) { return h->control_ == control; });
        return it == hooks_.end() ? nullptr : *it;
    }
    bool contains(const TControlHook* hook) const {
        return std::find(hooks_.begin(), hooks_.end(), hook) != hooks_.end();
    }
    void add(TControlHook* hook) { hooks_.push_back(hook); }
    void remove(TControlHook* hook) {
        hooks_.erase(std::remove(hooks_.begin(), hooks_.end(), hook), hooks_.end());
    }
    void watch(TWinControl* control) {
        if (control) FreeNotification(control);
    }
    bool exiting() const { return exiting_; }

    // Installs the hook again once the control has its new window.
    static void postRehook(TControlHook* hook);
    // Frees the hook when it has no watchers left by then.
    static void postRelease(TControlHook* hook);

protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation != opRemove) return;
        for (TControlHook* hook : hooks_)
            if (hook->control_ == component) hook->controlGone();
    }

private:
    std::vector<TControlHook*> hooks_; // owned
    bool exiting_ = false;
};

namespace {

std::unique_ptr<THookList>& hookListSlot() {
    static std::unique_ptr<THookList> list;
    return list;
}

THookList* hookList(bool create) {
    std::unique_ptr<THookList>& list = hookListSlot();
    if (!list && create) list = std::make_unique<THookList>();
    return list.get();
}

const bool hookPublished = RegisterPublishedClass(
    "TKxWindowHook", "TComponent",
    {
        Property("Active", TypeBoolean(), &TKxWindowHook::Active, &TKxWindowHook::SetActive, true),
        StoredWhen<TKxWindowHook>(Property("WinControl", ClassType("TWinControl"), &TKxWindowHook::WinControl,
                                           &TKxWindowHook::SetWinControl),
                                  [](TKxWindowHook& hook) { return hook.NotIsForm(); }),
        EventProperty("BeforeMessage", MethodType("THookMessageEvent"), &TKxWindowHook::BeforeMessage),
        EventProperty("AfterMessage", MethodType("THookMessageEvent"), &TKxWindowHook::AfterMessage),
    });

} // namespace

void THookList::postRehook(TControlHook* hook) {
    QueueOnMainThread([hook] {
        THookList* list = hookList(false);
        if (list && list->contains(hook)) hook->Install();
    });
}

void THookList::postRelease(TControlHook* hook) {
    QueueOnMainThread([hook] {
        THookList* list = hookList(false);
        if (list && list->contains(hook) && hook->WatcherCount() == 0) delete hook;
    });
}

// ---- TControlHook ----------------------------------------------------------------------

TControlHook::TControlHook(TWinControl* control) {
    hookList(true)->add(this);
    SetWinControl(control);
}

TControlHook::~TControlHook() {
    destroying_ = true;
    THookList* list = hookList(false);
    if (list) list->remove(this);
    const bool exiting = list && list->exiting();
    while (!watchers_.empty()) {
        TKxWindowHook* watcher = watchers_.back();
        watchers_.pop_back();
        watcher->hook_ = nullptr;
    }
    if (!exiting) Uninstall();
    control_ = nullptr;
}

void TControlHook::SetWinControl(TWinControl* control) {
    if (control == control_) return;
    Uninstall();
    control_ = control;
    if (THookList* list = hookList(false)) list->watch(control);
    if (!watchers_.empty()) Install();
}

void TControlHook::Install() {
    if (!control_ || control_->IsDesigning() || control_->IsDestroying() || destroying_) return;
    if (MessageFilterOf(control_) != this) SetMessageFilter(control_, this);
}

void TControlHook::Uninstall() {
    if (control_ && !control_->IsDestroying() && MessageFilterOf(control_) == this)
        SetMessageFilter(control_, nullptr);
}

void TControlHook::controlGone() {
    control_ = nullptr;
}

void TControlHook::addWatcher(TKxWindowHook* watcher) {
    if (std::find(watchers_.begin(), watchers_.end(), watcher) == watchers_.end())
        watchers_.push_back(watcher);
    watcher->hook_ = this;
}

void TControlHook::removeWatcher(TKxWindowHook* watcher) {
    watcher->hook_ = nullptr;
    watchers_.erase(std::remove(watchers_.begin(), watchers_.end(), watcher), watchers_.end());
    if (!watchers_.empty()) return;
    Uninstall();
    if (!destroying_ && hookList(false)) THookList::postRelease(this);
}

bool TControlHook::offer(TMessage& message, bool before) {
    bool handled = false;
    if (message.Msg == WM_QUIT || watchers_.empty() || !control_ || control_->IsDestroying() || destroying_)
        return false;
    // The last registered first; a watcher may leave meanwhile, and then hears nothing more.
    const std::vector<TKxWindowHook*> order = watchers_;
    for (auto it = order.rbegin(); it != order.rend() && !handled; ++it) {
        if (std::find(watchers_.begin(), watchers_.end(), *it) == watchers_.end()) continue;
        if (before)
            (*it)->DoBeforeMessage(message, handled);
        else
            (*it)->DoAfterMessage(message, handled);
    }
    return handled;
}

bool TControlHook::FilterBefore(TMessage& message) {
    return offer(message, true);
}

void TControlHook::FilterAfter(TMessage& message) {
    offer(message, false);
    if (message.Msg != WM_DESTROY) return;
    Uninstall();
    if (hookList(false) && !destroying_ && control_ && !control_->IsDestroying()) THookList::postRehook(this);
}

// ---- TKxWindowHook ---------------------------------------------------------------------

TKxWindowHook::TKxWindowHook(TComponent* owner) : TComponent(owner) {}

TKxWindowHook::~TKxWindowHook() {
    SetActive(false);
    SetWinControl(nullptr);
}

void TKxWindowHook::SetActive(bool active) {
    if (active == active_) return;
    if (active)
        HookControl();
    else
        UnhookControl();
}

TWinControl* TKxWindowHook::WinControl() const {
    return hook_ ? hook_->WinControl() : control_;
}

void TKxWindowHook::SetWinControl(TWinControl* control) {
    if (control == WinControl()) return;
    const bool wasActive = active_;
    UnhookControl();
    if (control_ && control_ != control) RemoveFreeNotification(control_);
    control_ = control;
    if (control_) FreeNotification(control_);
    if (wasActive) HookControl();
}

void TKxWindowHook::HookControl() {
    if (control_ && !IsDestroying()) {
        THookList* list = hookList(true);
        TControlHook* hook = list->find(control_);
        if (!hook) hook = new TControlHook(control_);
        hook->addWatcher(this);
        hook->Install();
    }
    active_ = true;
}

void TKxWindowHook::UnhookControl() {
    if (hook_) hook_->removeWatcher(this);
    active_ = false;
}

bool TKxWindowHook::IsForm() const {
    return WinControl() && WinControl() == Owner() && dynamic_cast<TForm*>(Owner());
}

bool TKxWindowHook::NotIsForm() const {
    return WinControl() && !dynamic_cast<TForm*>(WinControl());
}

void TKxWindowHook::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == control_)
        forgetControl();
    else if (component == Owner() || !Owner())
        SetWinControl(nullptr);
}

void TKxWindowHook::forgetControl() {
    // The shared hook may have heard first and let the control go already, so the control
    // as set is dropped here whatever WinControl answers.
    const bool wasActive = active_;
    UnhookControl();
    control_ = nullptr;
    active_ = wasActive;
}

void TKxWindowHook::DoAfterMessage(TMessage& message, bool& handled) {
    if (AfterMessage) AfterMessage(this, message, handled);
}

void TKxWindowHook::DoBeforeMessage(TMessage& message, bool& handled) {
    if (BeforeMessage) BeforeMessage(this, message, handled);
}
