#pragma once
// TKxCheckListBox: an owner-drawn list box that draws a check box, a radio button or a
// check mark in front of every item. Each item has three states (unchecked, checked,
// grayed) and an enabled flag, kept with the item when it moves, is sorted or the window
// is re-created; in radio-button mode exactly one item is checked. Space toggles the
// current item, "+" and "-" check and uncheck every enabled one, a click on the check
// toggles it.
#include "platform/files/IniFiles.h"
#include "platform/framework/Bitmap.h"
#include "platform/framework/Registry.h"
#include "platform/framework/StdCtrls.h"
#include "toolkit/KxListBox.h"
#include "toolkit/Placemnt.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

enum TCheckKind { ckCheckBoxes, ckRadioButtons, ckCheckMarks };
using TChangeStateEvent = std::function<void(TObject* Sender, int Index)>;

// The pictures of the checks: 3 rows (check boxes, radio buttons, check marks) of 6 cells
// (enabled unchecked, checked, grayed, then disabled), 16 x 13 pixels each; the bottom-left
// pixel's colour is left out when they are drawn.
const TBitmap& CheckImages();

// What the list keeps of an item: the user's item data, the state and the enabled flag.
struct TCheckListBoxItem {
    std::intptr_t Data = 0;
    TCheckBoxState State = cbUnchecked;
    bool Enabled = true;
};

// The items of a check list box: exchanging, moving and retexting keep the state and the
// enabled flag with the item.
class TCheckListBoxStrings : public TKxListBoxStrings {
    VX_CLASS(TCheckListBoxStrings, TKxListBoxStrings)
public:
    using TKxListBoxStrings::TKxListBoxStrings;
    void Exchange(int index1, int index2) override;
    void Move(int currentIndex, int newIndex) override;

protected:
    void Put(int index, const std::string& text) override;
};

class TKxCheckListBox : public TKxCustomListBox {
    VX_CLASS(TKxCheckListBox, TKxCustomListBox)
public:
    explicit TKxCheckListBox(TComponent* owner);
    ~TKxCheckListBox() override;

    // Grayed states are offered to the user for check boxes and check marks.
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool allow) { allowGrayed_ = allow; }
    TCheckKind CheckKind() const { return checkKind_; }
    void SetCheckKind(TCheckKind kind);
    // Radio-button mode: the first checked item (-1 when none); -1 in the other modes.
    int CheckedIndex() const;
    // Radio-button mode only: checks item max(index, 0).
    void SetCheckedIndex(int index);

    // A radio button reads unchecked in any state but checked.
    TCheckBoxState State(int index) const;
    void SetState(int index, TCheckBoxState state);
    bool Checked(int index) const { return State(index) == cbChecked; }
    void SetChecked(int index, bool checked) { SetState(index, checked ? cbChecked : cbUnchecked); }
    bool ItemEnabled(int index) const;
    void SetItemEnabled(int index, bool enabled);
    // Gives every item (every enabled one when enabledOnly) the state; not in radio mode.
    void ApplyState(TCheckBoxState state, bool enabledOnly);
    // As a click on the check of an enabled item: the next state, then OnClickCheck.
    void ToggleClickCheck(int index);

    // The states in the control's default section of a settings file or registry key:
    // "Count" and "Item0", "Item1"... Restoring takes as many as the list has items.
    void SaveStates(TIniFile& ini);
    void RestoreStates(TIniFile& ini);
    void SaveStatesReg(TRegIniFile& ini);
    void RestoreStatesReg(TRegIniFile& ini);
    // The same in any section of a TIniFile or TRegIniFile.
    void SaveStatesTo(TObject* ini, const std::string& section);
    void RestoreStatesFrom(TObject* ini, const std::string& section);
    // A form placement that saves and restores the states with the form's placement, in
    // its section followed by the control's default section (a named control only).
    TFormPlacement* IniStorage() const { return iniLink_.Storage(); }
    void SetIniStorage(TFormPlacement* storage) { iniLink_.SetStorage(storage); }

    // The width of the check strip in front of each item, and the height of a check.
    int CheckWidth() const { return checkWidth_; }
    int CheckHeight() const { return checkHeight_; }

    TNotifyEvent OnClickCheck;
    TChangeStateEvent OnStateChange;

protected:
    virtual void ClickCheck();
    virtual void ChangeItemState(int index);

    std::unique_ptr<TStrings> CreateItemList() override;
    int GetItemWidth(int index) override;
    void DrawItem(int index, const RECT& rect, TOwnerDrawState state) override;
    void AssignItems(const TStrings& items) override;
    std::intptr_t GetItemData(int index) const override;
    void SetItemData(int index, std::intptr_t data) override;
    void ResetContent() override;
    int DeleteString(int index) override;
    void CreateParams(DWORD& style, DWORD& exStyle) const override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Loaded() override;
    void FontChanged() override;
    void DrawItemNotify(int index, const RECT& rect, TOwnerDrawState state) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyPress(char& key) override;

private:
    friend class TCheckListBoxStrings;
    // The record of an item, nullptr while it has none.
    const TCheckListBoxItem* findRecord(int index) const;
    TCheckListBoxItem& record(int index);
    void freeRecord(int index);
    void setState(int index, TCheckBoxState state, bool force);
    void storeRaw(int index, TCheckBoxState state, bool enabled);
    bool grayedAllowed() const;
    // The placement's settings and this control's section in them, when both are there.
    bool linkedSettings(TObject*& ini, std::string& section) const;
    void drawCheck(const RECT& rect, TCheckBoxState state, bool enabled);
    void invalidateCheck(int index);
    void invalidateItem(int index);
    void forceRadioConsistency();
    void resetItemHeight();

    bool allowGrayed_ = false;
    TCheckKind checkKind_ = ckCheckBoxes;
    // State (high half) and enabled flag (low half) of each item while the window is
    // re-created, taken back in order as the items return.
    std::vector<std::uint32_t> savedStates_;
    std::size_t nextSavedState_ = 0;
    TBitmap drawBitmap_;
    int checkWidth_ = 0;
    int checkHeight_ = 0;
    // The records, by the address the window keeps as the item's data: a datum is a
    // record only when it is found here.
    std::unordered_map<std::intptr_t, std::unique_ptr<TCheckListBoxItem>> records_;
    TIniLink iniLink_;
};
