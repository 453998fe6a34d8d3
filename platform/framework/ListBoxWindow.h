#pragma once
// The native list box window that list box controls create and drive: a scrolling list of
// text lines that keeps its items (each with a pointer-sized datum), inserts sorted,
// selects one item, several or extended ranges, draws its items itself or asks its owner
// to (fixed or variable item heights), expands tabs, lays items out in columns, and scrolls
// horizontally as far as the extent its owner sets. Answers follow the native codes:
// LB_ERR for a bad index or a request the window's style refuses, LB_ERRSPACE for an item
// that cannot be stored. The owner "re-creates" the window by Destroy and Create: the
// items, selection and settings go and the new style takes effect. GUI thread only.
#include "platform/framework/Canvas.h"
#include "platform/framework/Controls.h"

#include <cstdint>
#include <memory>
#include <string>

// Window styles of a list box (the values the controls pass).
constexpr DWORD LBS_NOTIFY = 0x0001;
constexpr DWORD LBS_SORT = 0x0002;
constexpr DWORD LBS_MULTIPLESEL = 0x0008;
constexpr DWORD LBS_OWNERDRAWFIXED = 0x0010;
constexpr DWORD LBS_OWNERDRAWVARIABLE = 0x0020;
constexpr DWORD LBS_HASSTRINGS = 0x0040;
constexpr DWORD LBS_USETABSTOPS = 0x0080;
constexpr DWORD LBS_NOINTEGRALHEIGHT = 0x0100;
constexpr DWORD LBS_MULTICOLUMN = 0x0200;
constexpr DWORD LBS_EXTENDEDSEL = 0x0800;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_HSCROLL = 0x00100000;
// Extended style: the sunken edge of a three-dimensional control.
constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200;

constexpr int LB_OKAY = 0;
constexpr int LB_ERR = -1;
constexpr int LB_ERRSPACE = -2;

// The state of an item being drawn by its owner.
enum TOwnerDrawStateFlag : unsigned {
    odSelected = 1,
    odGrayed = 2,
    odDisabled = 4,
    odChecked = 8,
    odFocused = 16
};
using TOwnerDrawState = unsigned;

// Width of text whose tabs advance to the next multiple of tabStop pixels (tabStop of 0 or
// less: tabs count as blanks of no width).
int TabbedTextWidth(const TCanvas& canvas, const std::string& text, int tabStop);
// Draws text so, its top-left corner at (x, y), with the brush style and font of canvas.
void TabbedTextOut(TCanvas& canvas, int x, int y, const std::string& text, int tabStop);
// The width of an average character of the font ("0"): dialog units are quarters of it.
int AverageCharWidth(const TFont& font);

// What the window asks of the control that created it.
class TListBoxOwner {
public:
    virtual ~TListBoxOwner() = default;
    // The canvas items are drawn on; the window lends it a target while it paints.
    virtual TCanvas& ItemCanvas() = 0;
    // Owner-drawn styles: draw item index in rect on ItemCanvas (index -1: the focus
    // rectangle of an empty list).
    virtual void DrawItemNotify(int index, const RECT& rect, TOwnerDrawState state) = 0;
    // Owner-drawn styles: the height of item index (the variable style, asked when the
    // item is stored), or of every item (the fixed style, asked with -1 at creation).
    virtual int MeasureItemNotify(int index) = 0;
    // The user changed the selection (the program's own changes are not told).
    virtual void SelectionChangeNotify() = 0;
    // The client area changed its size.
    virtual void ResizeNotify() {}
};

class ListBoxArea;

class TListBoxWindow {
public:
    // A window for control; the control attaches Widget() as its own widget at once and
    // owns it from then on. No items can be stored before Create.
    TListBoxWindow(TWinControl* control, TListBoxOwner& owner);
    ~TListBoxWindow();
    TListBoxWindow(const TListBoxWindow&) = delete;
    TListBoxWindow& operator=(const TListBoxWindow&) = delete;
    QWidget* Widget() const;

    void Create(DWORD style, DWORD exStyle);
    void Destroy();
    bool HandleAllocated() const;
    DWORD Style() const;

    int GetCount() const;
    // The index the item got (in sorted order for LBS_SORT), or LB_ERRSPACE.
    int AddString(const std::string& text);
    // At index (-1: at the end); LB_ERR beyond the end.
    int InsertString(int index, const std::string& text);
    // Answers the number of items left, or LB_ERR.
    int DeleteString(int index);
    void ResetContent();
    // The length of the text, or LB_ERR (text unchanged).
    int GetText(int index, std::string& text) const;
    // LB_ERR for a bad index (the value LB_ERR is also a valid datum, as natively).
    std::intptr_t GetItemData(int index) const;
    int SetItemData(int index, std::intptr_t data);

    // The selected item of a single-selection list, the caret of a multi-selection one;
    // -1 when none.
    int GetCurSel() const;
    // Single-selection lists only: selects index (-1: nothing) and scrolls it into view.
    int SetCurSel(int index);
    // Whether index is selected (0 or 1), or LB_ERR.
    int GetSel(int index) const;
    // Multi-selection lists only; index -1 (de)selects every item.
    int SetSel(bool select, int index);
    // Multi-selection lists only.
    int GetSelCount() const;
    int GetCaretIndex() const;
    int SetCaretIndex(int index);
    int GetTopIndex() const;
    int SetTopIndex(int index);

    // The rectangle of item index in client coordinates (also out of view), or LB_ERR.
    // Index 0 of an empty list gives the rectangle the first item will have.
    int GetItemRect(int index, RECT& rect) const;
    // index is read by the variable style only.
    int GetItemHeight(int index) const;
    int SetItemHeight(int index, int height);
    void SetHorizontalExtent(int extent);
    int GetHorizontalExtent() const;
    // Tab stops every dialogUnits quarters of an average character (0: every 32).
    void SetTabStops(int dialogUnits);
    void SetColumnWidth(int width);
    // While off, changes are not shown; turning it on shows the whole window anew.
    void SetRedraw(bool redraw);

    // Scrolls horizontally to pixel position (columns in a multi-column list); 0 is the
    // left edge.
    void ScrollHorizontally(int position);
    int HorizontalPosition() const;
    bool HorizontalScrollBarShown() const;
    bool VerticalScrollBarShown() const;
    int ClientWidth() const;
    int ClientHeight() const;
    // Repaints rect of the client area soon (erasing it first is the painter's affair).
    void InvalidateRect(const RECT& rect);
    // Paints what is invalid now.
    void Update();

private:
    ListBoxArea* view_; // owned by the control once attached
};
