#pragma once
// Actions: one command (what it runs, its caption, check mark, enabled flag, hint, picture
// and visibility) shared by the controls that show it. A control links to an action
// through a TActionLink and hears of every change of it; an action list holds actions and
// the image list their pictures come from. GUI thread only.
#include "platform/framework/Classes.h"

#include <string>
#include <vector>

class TBasicAction;
class TCustomImageList;
class TCustomActionList;

// What a control does on its action's behalf: it is told when the action changed (and
// when the action goes, with nullptr).
class TActionLink {
public:
    virtual ~TActionLink() = default;
    virtual void ActionChanged(TBasicAction* action) = 0;
};

class TBasicAction : public TComponent {
    VX_CLASS(TBasicAction, TComponent)
public:
    explicit TBasicAction(TComponent* owner);
    ~TBasicAction() override;

    // Runs OnExecute; false when there is none.
    virtual bool Execute();
    void RegisterChanges(TActionLink* link);
    void UnRegisterChanges(TActionLink* link);
    // Tells every linked control that the action changed.
    void Change();

    TNotifyEvent OnExecute;

private:
    std::vector<TActionLink*> links_;
};

class TCustomAction : public TBasicAction {
    VX_CLASS(TCustomAction, TBasicAction)
public:
    explicit TCustomAction(TComponent* owner);
    ~TCustomAction() override;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);
    // The picture in the action list's images; -1: none.
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    TCustomActionList* ActionList() const { return actionList_; }
    void SetActionList(TCustomActionList* list);

    bool Execute() override;

private:
    std::string caption_;
    bool checked_ = false;
    bool enabled_ = true;
    std::string hint_;
    int imageIndex_ = -1;
    bool visible_ = true;
    TCustomActionList* actionList_ = nullptr;
};

class TAction : public TCustomAction {
    VX_CLASS(TAction, TCustomAction)
public:
    using TCustomAction::TCustomAction;
};

class TCustomActionList : public TComponent {
    VX_CLASS(TCustomActionList, TComponent)
public:
    explicit TCustomActionList(TComponent* owner);
    ~TCustomActionList() override;

    int ActionCount() const { return static_cast<int>(actions_.size()); }
    TCustomAction* Actions(int index) const { return actions_.at(static_cast<std::size_t>(index)); }
    // Where the actions' pictures come from (not owned); nullptr: none.
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* images);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TCustomAction;
    std::vector<TCustomAction*> actions_;
    TCustomImageList* images_ = nullptr;
};

class TActionList : public TCustomActionList {
    VX_CLASS(TActionList, TCustomActionList)
public:
    using TCustomActionList::TCustomActionList;
};
