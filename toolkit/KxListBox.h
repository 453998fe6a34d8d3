#pragma once
// List boxes that keep their horizontal scroll extent equal to their widest item, so that
// long lines can be scrolled into view: TTextListBox (the framework's list box with that
// one addition) and TKxCustomListBox, a complete list box of its own over the native list
// box window that adds a grey selection for an unfocused list, an event that reports item
// widths of owner-drawn lists, and item data that descendants can keep elsewhere (the
// check list box keeps its per-item states there). Its items, TKxListBoxStrings, live in
// the window; re-creating the window for a new style keeps items, top item and selection.
#include "platform/framework/ListBox.h"
#include "platform/framework/Published.h"
#include "platform/framework/StringList.h"

#include <functional>
#include <memory>
#include <vector>

class TKxCustomListBox;

// The widths of a list's items in item order and the widest of them: when the widest item
// goes, the next widest is found among the widths kept, without measuring any text again.
class TItemWidths {
public:
    int Widest() const { return widest_; }
    bool Holds(int index) const { return index >= 0 && index < static_cast<int>(widths_.size()); }
    int At(int index) const { return widths_[static_cast<std::size_t>(index)]; }
    void Insert(int index, int width);
    void Remove(int index);
    void Clear();

private:
    std::vector<int> widths_;
    int widest_ = 0;
};

// Keeps a list box window's horizontal extent equal to its widest item, told of every item
// stored and deleted; measure gives the width of an item in the window.
class TWidestItemExtent {
public:
    explicit TWidestItemExtent(std::function<int(int index)> measure) : measure_(std::move(measure)) {}
    // Every item measured anew.
    void MeasureAll(TListBoxWindow& window);
    // Item index was stored (index < 0: it was not).
    void Stored(TListBoxWindow& window, int index);
    // Before item index goes: only losing the widest item can narrow the extent, and then
    // the view goes back to the left edge.
    void Deleting(TListBoxWindow& window, int index);
    // After the deletion answered left (the items left, or LB_ERR).
    void Deleted(TListBoxWindow& window, int index, int left);
    // Before every item goes, or the extent is no longer kept: no widths, the left edge.
    void Clearing(TListBoxWindow& window);
    void Apply(TListBoxWindow& window) const;

private:
    TItemWidths widths_;
    std::function<int(int index)> measure_;
};

using TGetItemWidthEvent = std::function<void(TWinControl* Control, int Index, int& Width)>;

// The items of a TKxCustomListBox: every operation goes to its window.
class TKxListBoxStrings : public TListBoxStrings {
    VX_CLASS(TKxListBoxStrings, TListBoxStrings)
public:
    explicit TKxListBoxStrings(TKxCustomListBox* listBox);
    TKxCustomListBox* ListBox() const { return listBox_; }

private:
    TKxCustomListBox* listBox_;
};

class TKxCustomListBox : public TWinControl, protected TListBoxOwner, protected TListBoxItemOperations {
    VX_CLASS(TKxCustomListBox, TWinControl)
public:
    explicit TKxCustomListBox(TComponent* owner);
    ~TKxCustomListBox() override;

    TStrings* Items() const;
    void SetItems(const TStrings& items) { AssignItems(items); }
    TCanvas& Canvas() { return canvas_; }

    // The selected item, or the caret of a multi-selection list; -1 when none.
    int ItemIndex() const;
    void SetItemIndex(int index);
    int SelCount() const;
    int TopIndex() const;
    void SetTopIndex(int index);
    bool Selected(int index) const;
    void SetSelected(int index, bool selected);
    // The item under pos (client coordinates); when none, -1 if existing, else the count.
    int ItemAtPos(POINT pos, bool existing) const;
    // Index equal to the count (and not 0): the slot below the last item.
    RECT ItemRect(int index) const;
    void Clear();

    // Keeps the horizontal extent equal to the widest item (only while Columns is 0).
    bool AutoScroll() const { return autoScroll_; }
    void SetAutoScroll(bool autoScroll);
    TBorderStyle BorderStyle() const { return settings_.BorderStyle; }
    void SetBorderStyle(TBorderStyle style);
    int Columns() const { return settings_.Columns; }
    void SetColumns(int columns);
    bool ExtendedSelect() const { return settings_.ExtendedSelect; }
    void SetExtendedSelect(bool extended);
    // The selection of an owner-drawn list without the focus in the button face colour.
    bool GraySelection() const { return graySelection_; }
    void SetGraySelection(bool gray);
    bool IntegralHeight() const { return settings_.IntegralHeight; }
    void SetIntegralHeight(bool integral);
    int ItemHeight() const { return GetItemHeight(); }
    void SetItemHeight(int height);
    bool MultiSelect() const { return settings_.MultiSelect; }
    void SetMultiSelect(bool multi);
    bool Sorted() const { return settings_.Sorted; }
    void SetSorted(bool sorted);
    TListBoxStyle Style() const { return settings_.Style; }
    void SetStyle(TListBoxStyle style);
    // Tab stops every TabWidth quarters of the width of "0"; 0: tabs are not expanded.
    int TabWidth() const { return settings_.TabWidth; }
    void SetTabWidth(int width);

    // The horizontal extent the window has now (pixels).
    int HorizontalExtent() const;
    int ClientWidth() const override;
    int ClientHeight() const override;

    // Assigning or removing one of these scrolls to the left edge and resets the extent.
    const TDrawItemEvent& OnDrawItem() const { return onDrawItem_; }
    void SetOnDrawItem(TDrawItemEvent handler);
    const TGetItemWidthEvent& OnGetItemWidth() const { return onGetItemWidth_; }
    void SetOnGetItemWidth(TGetItemWidthEvent handler);
    TMeasureItemEvent OnMeasureItem;

protected:
    friend class TKxListBoxStrings;

    virtual std::unique_ptr<TStrings> CreateItemList();
    virtual int GetItemWidth(int index);
    virtual void DrawItem(int index, const RECT& rect, TOwnerDrawState state);
    // What DrawItem does without an OnDrawItem handler: fills rect, writes the item's text.
    void DefaultDrawItem(int index, const RECT& rect);
    virtual void MeasureItem(int index, int& height);
    virtual int GetItemHeight() const;
    virtual void AssignItems(const TStrings& items);
    // The item data the items' objects are kept in; a descendant may keep them elsewhere.
    std::intptr_t GetItemData(int index) const override;
    void SetItemData(int index, std::intptr_t data) override;
    void ResetContent() override;
    int DeleteString(int index) override;
    int AddString(const std::string& text) override;
    int InsertString(int index, const std::string& text) override;

    // The window, created on first need with the style CreateParams gives.
    TListBoxWindow& Window() const;
    TListBoxWindow& ItemWindow() override { return Window(); }
    virtual void CreateParams(DWORD& style, DWORD& exStyle) const;
    void CreateWnd() override;
    // Keeps items, top item and item index for the next window unless the control goes.
    void DestroyWnd() override;
    void RecreateWnd();
    // Scrolls to the left edge and sets the extent anew (0 while it is not kept).
    void ResetExtent();

    void Loaded() override;
    void FontChanged() override;
    void ColorChanged() override;

    TCanvas& ItemCanvas() override { return canvas_; }
    void DrawItemNotify(int index, const RECT& rect, TOwnerDrawState state) override;
    int MeasureItemNotify(int index) override;
    void SelectionChangeNotify() override;
    void ResizeNotify() override;

private:
    bool keepsExtent() const { return autoScroll_ && settings_.Columns == 0; }

    // Where the item at index of the saved items is after they came back, sorted or not:
    // the first item of the same text and object.
    int indexAfterResort(const TStrings& saved, int index) const;

    mutable TListBoxWindow window_;
    mutable std::unique_ptr<TStrings> items_;
    TCanvas canvas_;
    TListBoxSettings settings_;
    std::unique_ptr<TStringList> savedItems_; // while the window is re-created
    int savedTopIndex_ = 0;
    int savedItemIndex_ = -1;
    bool autoScroll_ = false;
    bool graySelection_ = false;
    TWidestItemExtent extent_; // its widths are kept while the extent is
    TDrawItemEvent onDrawItem_;
    TGetItemWidthEvent onGetItemWidth_;
};

// The published properties of TKxCustomListBox's settings, for its descendants to publish.
std::vector<TPropInfo> KxListBoxPublishedProperties();

// The framework's list box whose horizontal extent follows its widest item.
class TTextListBox : public TCustomListBox {
    VX_CLASS(TTextListBox, TCustomListBox)
public:
    explicit TTextListBox(TComponent* owner);
    int HorizontalExtent() const { return Window().GetHorizontalExtent(); }

protected:
    int AddString(const std::string& text) override;
    int InsertString(int index, const std::string& text) override;
    int DeleteString(int index) override;
    void ResetContent() override;
    void FontChanged() override;

private:
    int itemWidth(int index);

    TWidestItemExtent extent_;
};
