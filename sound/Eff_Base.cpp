#include "sound/Eff_Base.h"

#include "platform/framework/Published.h"

namespace {

// An effect's parameters are public fields its editing panel reads and writes; of the
// effect itself only the ID is published, to be read.
const bool effectPublished = RegisterPublishedClass(
    "TSndEffectBase", "TComponent", {ReadOnlyProperty("ID", IntegerType("ShortInt"), &TSndEffectBase::ID)});

} // namespace

TSndEffectBase::TSndEffectBase(TComponent* owner) : TComponent(owner) {}

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
