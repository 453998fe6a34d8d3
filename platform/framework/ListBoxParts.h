#pragma once
// What every list box control over the native list box window is made of, whatever else
// it adds: the settings that make the window's style, the items kept in the window
// (TListBoxStrings), and the selection and item geometry read from the window. The
// framework's list box and the toolkit's own list box both build on these.
#include "platform/framework/Forms.h"
#include "platform/framework/ListBoxWindow.h"
#include "platform/framework/StringList.h"

#include <cstdint>
#include <string>

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };
// A list box's border: none or a single line (sunken where controls are three-dimensional).
using TBorderStyle = TFormBorderStyle;

// The settings of a list box that are styles of its window: changing one of them means
// re-creating the window.
struct TListBoxSettings {
    TBorderStyle BorderStyle = bsSingle;
    int Columns = 0;
    bool ExtendedSelect = true;
    bool IntegralHeight = false;
    int ItemHeight = 16;
    bool MultiSelect = false;
    bool Sorted = false;
    TListBoxStyle Style = lbStandard;
    // Tab stops every TabWidth quarters of an average character; 0: tabs are not expanded.
    int TabWidth = 0;

    // Sets the setting to value; true when that changed it (and the window is to be re-created).
    template <class T> bool Change(T TListBoxSettings::*setting, T value) {
        if (this->*setting == value) return false;
        this->*setting = value;
        return true;
    }

    DWORD WindowStyle() const;
    DWORD WindowExStyle() const;
    // Gives a multi-column window columns that share the control's width.
    void ApplyColumnWidth(TListBoxWindow& window, int controlWidth) const;
};

// The item operations of a list box control, through which its items go: a descendant of
// the control acts around them.
class TListBoxItemOperations {
public:
    virtual ~TListBoxItemOperations() = default;
    // The window the items are kept in, created first by a control that creates it late.
    virtual TListBoxWindow& ItemWindow() = 0;
    // These answer as the window does (an index, LB_ERR or LB_ERRSPACE).
    virtual int AddString(const std::string& text) = 0;
    virtual int InsertString(int index, const std::string& text) = 0;
    virtual int DeleteString(int index) = 0;
    virtual void ResetContent() = 0;
    // The datum an item's object is kept in (index is a valid one when set).
    virtual std::intptr_t GetItemData(int index) const = 0;
    virtual void SetItemData(int index, std::intptr_t data) = 0;
};

// The items of a list box control, kept in its window.
class TListBoxStrings : public TStrings {
    VX_CLASS(TListBoxStrings, TStrings)
public:
    TListBoxStrings(TWinControl& control, TListBoxItemOperations& operations)
        : control_(control), operations_(operations) {}

    int Count() const override;
    int Add(const std::string& text) override;
    void Insert(int index, const std::string& text) override;
    void Delete(int index) override;
    void Clear() override;

protected:
    std::string Get(int index) const override;
    TObject* GetObject(int index) const override;
    void PutObject(int index, TObject* object) override;
    void SetUpdateState(bool updating) override;

private:
    TWinControl& control_;
    TListBoxItemOperations& operations_;
};

// Selects index (-1: nothing); a multi-selection list takes no selection of one item, its
// item index is the caret.
void SetListBoxItemIndex(TListBoxWindow& window, bool multiSelect, int index);
// Raises EListError for an index out of bounds.
bool ListBoxSelected(const TListBoxWindow& window, int index);
void SetListBoxSelected(TListBoxWindow& window, bool multiSelect, int index, bool selected);
// The item under pos (client coordinates); when none, -1 if existing, else the count.
int ListBoxItemAtPos(const TListBoxWindow& window, POINT pos, bool existing);
// Index equal to the count (and not 0): the slot below the last item.
RECT ListBoxItemRect(const TListBoxWindow& window, int index);
