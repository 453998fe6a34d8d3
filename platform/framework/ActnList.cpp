#include "platform/framework/ActnList.h"

#include "platform/framework/ImgList.h"

#include <algorithm>

TBasicAction::TBasicAction(TComponent* owner) : TComponent(owner) {}

TBasicAction::~TBasicAction() {
    // The controls let go of an action that goes away.
    const std::vector<TActionLink*> links = links_;
    links_.clear();
    for (TActionLink* link : links)
        link->ActionChanged(nullptr);
}

bool TBasicAction::Execute() {
    if (!OnExecute) return false;
    OnExecute(this);
    return true;
}

void TBasicAction::RegisterChanges(TActionLink* link) {
    if (std::find(links_.begin(), links_.end(), link) == links_.end()) links_.push_back(link);
}

void TBasicAction::UnRegisterChanges(TActionLink* link) {
    links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
}

void TBasicAction::Change() {
    const std::vector<TActionLink*> links = links_;
    for (TActionLink* link : links)
        link->ActionChanged(this);
}

TCustomAction::TCustomAction(TComponent* owner) : TBasicAction(owner) {}

TCustomAction::~TCustomAction() {
    SetActionList(nullptr);
}

void TCustomAction::SetCaption(const std::string& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    Change();
}

void TCustomAction::SetChecked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    Change();
}

void TCustomAction::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Change();
}

void TCustomAction::SetHint(const std::string& hint) {
    if (hint == hint_) return;
    hint_ = hint;
    Change();
}

void TCustomAction::SetImageIndex(int index) {
    if (index == imageIndex_) return;
    imageIndex_ = index;
    Change();
}

void TCustomAction::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    Change();
}

void TCustomAction::SetActionList(TCustomActionList* list) {
    if (list == actionList_) return;
    if (actionList_) {
        auto& actions = actionList_->actions_;
        actions.erase(std::remove(actions.begin(), actions.end(), this), actions.end());
    }
    actionList_ = list;
    if (list) list->actions_.push_back(this);
    Change();
}

// A disabled action runs nothing.
bool TCustomAction::Execute() {
    return enabled_ && TBasicAction::Execute();
}

TCustomActionList::TCustomActionList(TComponent* owner) : TComponent(owner) {}

TCustomActionList::~TCustomActionList() {
    const std::vector<TCustomAction*> actions = actions_;
    for (TCustomAction* action : actions)
        action->SetActionList(nullptr);
}

void TCustomActionList::SetImages(TCustomImageList* images) {
    if (images == images_) return;
    if (images_) images_->RemoveFreeNotification(this);
    images_ = images;
    if (images) images->FreeNotification(this);
    for (TCustomAction* action : actions_)
        action->Change();
}

void TCustomActionList::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == images_) SetImages(nullptr);
}
