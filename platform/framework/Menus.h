#pragma once
// Menus: TMainMenu (the menu bar of a form) and TMenuItem (an entry or a submenu).
// Captions mark their mnemonic with "&" ("&Game"); the caption "-" makes a separator.
// A short cut is a virtual key code with scShift, scCtrl and scAlt bits. A checked item
// does not toggle itself when chosen: OnClick decides.
#include "platform/framework/Classes.h"
#include "platform/framework/Controls.h"

#include <memory>
#include <string>
#include <vector>

using TShortCut = WORD;
constexpr TShortCut scNone = 0;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

TShortCut ShortCut(WORD key, TShiftState shift);
// "F10", "Alt+Enter", "Ctrl+Shift+S"... scNone when the text names no key.
TShortCut TextToShortCut(const std::string& text);
std::string ShortCutToText(TShortCut shortCut);

class TForm;
class TMainMenu;
namespace vx {
void AttachMenuToForm(TMainMenu* menu, TForm* form);
}

class TMenuItem : public TComponent {
    VX_CLASS(TMenuItem, TComponent)
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    bool IsLine() const { return caption_ == "-"; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut shortCut);

    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    void Remove(TMenuItem* item);
    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int index) const { return items_.at(static_cast<std::size_t>(index)); }
    int IndexOf(const TMenuItem* item) const;
    TMenuItem* Parent() const { return parent_; }

    // Fires OnClick (a chosen item, or its short cut).
    virtual void Click();
    TNotifyEvent OnClick;

    struct Impl; // the Qt action and submenu, platform-internal
    Impl& impl() const { return *impl_; }

private:
    friend class TMainMenu;
    TMainMenu* mainMenu() const;

    std::unique_ptr<Impl> impl_;
    std::string caption_;
    bool enabled_ = true;
    bool checked_ = false;
    bool visible_ = true;
    TShortCut shortCut_ = scNone;
    TMenuItem* parent_ = nullptr;
    std::vector<TMenuItem*> items_;
    TMainMenu* rootOf_ = nullptr; // set on the root item of a main menu
};

class TMainMenu : public TComponent {
    VX_CLASS(TMainMenu, TComponent)
public:
    explicit TMainMenu(TComponent* owner);
    ~TMainMenu() override;
    // The invisible root whose children are the entries of the bar.
    TMenuItem* Items() const { return root_.get(); }
    TForm* Form() const { return form_; }

private:
    friend void vx::AttachMenuToForm(TMainMenu*, TForm*);
    std::unique_ptr<TMenuItem> root_;
    TForm* form_ = nullptr;
};
