#include "platform/framework/Classes.h"

#include <algorithm>
#include <cctype>

TComponent::TComponent(TComponent* owner) : owner_(nullptr) {
    if (owner) owner->insertComponent(this);
}

TComponent::~TComponent() {
    state_ |= csDestroying;
    SendFreeNotifications();
    // Owned components go first, the last created first.
    DestroyComponents();
    if (owner_) owner_->removeComponent(this);
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    auto sameName = [&](const TComponent* c) {
        return std::equal(c->name_.begin(), c->name_.end(), name.begin(), name.end(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        });
    };
    auto it = std::find_if(components_.begin(), components_.end(), sameName);
    return it == components_.end() ? nullptr : *it;
}

void TComponent::SendFreeNotifications() {
    std::vector<TComponent*> notifies;
    notifies.swap(freeNotifies_);
    for (TComponent* other : notifies) {
        auto& back = other->freeNotifies_;
        back.erase(std::remove(back.begin(), back.end(), this), back.end());
        other->Notification(this, opRemove);
    }
}

void TComponent::FreeNotification(TComponent* other) {
    if (!other || other == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), other) == freeNotifies_.end()) {
        freeNotifies_.push_back(other);
        other->freeNotifies_.push_back(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* other) {
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), other), freeNotifies_.end());
    if (other)
        other->freeNotifies_.erase(
            std::remove(other->freeNotifies_.begin(), other->freeNotifies_.end(), this),
            other->freeNotifies_.end());
}

void TComponent::LoadTree() {
    std::vector<TComponent*> children = components_;
    for (TComponent* child : children) {
        child->state_ |= csLoading;
        child->Loaded();
        child->state_ &= ~csLoading;
    }
    state_ |= csLoading;
    Loaded();
    state_ &= ~csLoading;
}

void TComponent::Loaded() {}

void TComponent::DestroyComponents() {
    while (!components_.empty())
        destroy(components_.back());
}

void TComponent::BeforeDestruction() {}

void TComponent::Free() {
    destroy(this);
}

void TComponent::destroy(TComponent* component) {
    if (!component->beforeDestructionDone_) {
        component->beforeDestructionDone_ = true;
        component->state_ |= csDestroying;
        component->BeforeDestruction();
    }
    delete component;
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove) {
        for (TComponent* child : components_)
            if (child != component) child->Notification(component, operation);
    }
}

void TComponent::insertComponent(TComponent* child) {
    child->owner_ = this;
    components_.push_back(child);
}

void TComponent::removeComponent(TComponent* child) {
    components_.erase(std::remove(components_.begin(), components_.end(), child), components_.end());
    child->owner_ = nullptr;
    // Siblings that keep references to the leaving component drop them here.
    if (!IsDestroying()) Notification(child, opRemove);
}

void Abort() {
    throw EAbort("Operation aborted");
}
