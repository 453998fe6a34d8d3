#pragma once
// TCustomListBox and TListBox: the framework's list box control over the native list box
// window. Items live in the window (each may carry an object); changing a property that
// is a window style (Sorted, MultiSelect, Style...) re-creates the window and keeps the
// items, the top item and the selected item. A selection the user makes fires OnClick;
// the program's own changes fire nothing.
#include "platform/framework/ListBoxParts.h"

#include <memory>
#include <vector>

using TDrawItemEvent = std::function<void(TWinControl* Control, int Index, RECT Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, int Index, int& Height)>;

class TCustomListBox : public TWinControl, protected TListBoxOwner, protected TListBoxItemOperations {
    VX_CLASS(TCustomListBox, TWinControl)
public:
    explicit TCustomListBox(TComponent* owner);
    ~TCustomListBox() override;

    TStrings* Items() const;
    void SetItems(const TStrings& items);
    TCanvas& Canvas() { return canvas_; }

    int ItemIndex() const;
    void SetItemIndex(int index);
    int TopIndex() const;
    void SetTopIndex(int index);
    int SelCount() const;
    bool Selected(int index) const;
    void SetSelected(int index, bool selected);
    // The item under pos (client coordinates); when none, -1 if existing, else Count.
    int ItemAtPos(POINT pos, bool existing) const;
    RECT ItemRect(int index) const;
    void Clear();

    TBorderStyle BorderStyle() const { return settings_.BorderStyle; }
    void SetBorderStyle(TBorderStyle style);
    int Columns() const { return settings_.Columns; }
    void SetColumns(int columns);
    bool ExtendedSelect() const { return settings_.ExtendedSelect; }
    void SetExtendedSelect(bool extended);
    bool IntegralHeight() const { return settings_.IntegralHeight; }
    void SetIntegralHeight(bool integral);
    int ItemHeight() const;
    void SetItemHeight(int height);
    bool MultiSelect() const { return settings_.MultiSelect; }
    void SetMultiSelect(bool multi);
    bool Sorted() const { return settings_.Sorted; }
    void SetSorted(bool sorted);
    TListBoxStyle Style() const { return settings_.Style; }
    void SetStyle(TListBoxStyle style);
    // Tab stops every TabWidth dialog units (quarters of an average character); 0: none.
    int TabWidth() const { return settings_.TabWidth; }
    void SetTabWidth(int width);

    int ClientWidth() const override;
    int ClientHeight() const override;

    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

protected:
    // The window's item operations, through which every item change goes: descendants
    // act around them. Answers as the window does (an index or LB_ERR/LB_ERRSPACE).
    int AddString(const std::string& text) override;
    int InsertString(int index, const std::string& text) override;
    int DeleteString(int index) override;
    void ResetContent() override;
    std::intptr_t GetItemData(int index) const override;
    void SetItemData(int index, std::intptr_t data) override;
    virtual void DrawItem(int index, const RECT& rect, TOwnerDrawState state);
    virtual void MeasureItem(int index, int& height);
    void FontChanged() override;
    void ColorChanged() override;

    TListBoxWindow& Window() { return window_; }
    const TListBoxWindow& Window() const { return window_; }
    TListBoxWindow& ItemWindow() override { return window_; }
    // Destroys and creates the window, keeping items, top item and selected item.
    void RecreateWnd();

    TCanvas& ItemCanvas() override { return canvas_; }
    void DrawItemNotify(int index, const RECT& rect, TOwnerDrawState state) override;
    int MeasureItemNotify(int index) override;
    void SelectionChangeNotify() override;
    void ResizeNotify() override;

private:
    void createNative();

    TListBoxWindow window_;
    std::unique_ptr<TListBoxStrings> items_;
    TCanvas canvas_;
    TListBoxSettings settings_;
};

class TListBox : public TCustomListBox {
    VX_CLASS(TListBox, TCustomListBox)
public:
    using TCustomListBox::TCustomListBox;
};
