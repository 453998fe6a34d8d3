#include "sound/Eff_Base.h"

TNotifyEvent TSndEffectBase::OnChange() const {
    std::lock_guard guard(changeLock_);
    return changeHandlers_.empty() ? TNotifyEvent() : changeHandlers_.back().handler;
}

void TSndEffectBase::SetOnChange(TNotifyEvent handler) {
    std::lock_guard guard(changeLock_);
    changeHandlers_.clear();
    if (handler) changeHandlers_.push_back({nullptr, std::move(handler)});
}

void TSndEffectBase::AttachOnChange(const void* panel, TNotifyEvent handler) {
    std::lock_guard guard(changeLock_);
    // A panel takes the place of a handler assigned otherwise, and of its own earlier one.
    std::erase_if(changeHandlers_, [panel](const ChangeHandler& h) { return !h.panel || h.panel == panel; });
    changeHandlers_.push_back({panel, std::move(handler)});
}

void TSndEffectBase::DetachOnChange(const void* panel) {
    std::lock_guard guard(changeLock_);
    std::erase_if(changeHandlers_, [panel](const ChangeHandler& h) { return h.panel == panel; });
}

bool TSndEffectBase::Ready() const {
    if (!Format.load()) return false;
    std::lock_guard guard(changeLock_);
    return !changeHandlers_.empty();
}
