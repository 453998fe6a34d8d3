#pragma once
// TPopupMenu: a menu that pops up at a point of the screen (a control's context menu or a
// tool button's drop-down). Popup returns once the menu has closed; the OnClick of an item
// chosen meanwhile has run by then.
#include "platform/framework/Menus.h"

#include <memory>

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TComponent {
    VX_CLASS(TPopupMenu, TComponent)
public:
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;

    // The invisible root whose children are the menu's entries.
    TMenuItem* Items() const { return root_.get(); }
    // Where the menu stands against the point: its left edge, its right edge or its middle.
    TPopupAlignment Alignment() const { return alignment_; }
    void SetAlignment(TPopupAlignment alignment) { alignment_ = alignment; }
    // Whether a control pops the menu up by itself (a right click, a tool button press).
    bool AutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool autoPopup) { autoPopup_ = autoPopup; }
    // The component the menu was last popped up for.
    TComponent* PopupComponent() const { return popupComponent_; }
    void SetPopupComponent(TComponent* component);

    // Fires OnPopup, shows the menu with (x, y) in screen coordinates as Alignment says and
    // returns when it closes. A menu without entries shows nothing.
    virtual void Popup(int x, int y);
    // Closes the menu when it is up (Popup then returns).
    void CloseMenu();
    bool IsPopupShown() const { return shown_; }

    TNotifyEvent OnPopup;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::unique_ptr<TMenuItem> root_;
    TPopupAlignment alignment_ = paLeft;
    bool autoPopup_ = true;
    bool shown_ = false;
    TComponent* popupComponent_ = nullptr;
};
