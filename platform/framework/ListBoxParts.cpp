#include "platform/framework/ListBoxParts.h"

#include <algorithm>

namespace {

[[noreturn]] void indexError(int index) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

} // namespace

DWORD TListBoxSettings::WindowStyle() const {
    DWORD style = WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_HASSTRINGS;
    if (Style == lbOwnerDrawFixed) style |= LBS_OWNERDRAWFIXED;
    if (Style == lbOwnerDrawVariable) style |= LBS_OWNERDRAWVARIABLE;
    if (Sorted) style |= LBS_SORT;
    if (MultiSelect) style |= ExtendedSelect ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
    if (!IntegralHeight) style |= LBS_NOINTEGRALHEIGHT;
    if (Columns != 0) style |= LBS_MULTICOLUMN;
    if (TabWidth != 0) style |= LBS_USETABSTOPS;
    return style;
}

DWORD TListBoxSettings::WindowExStyle() const {
    // The single border is drawn as the sunken edge of three-dimensional controls.
    return BorderStyle == bsSingle ? WS_EX_CLIENTEDGE : 0;
}

void TListBoxSettings::ApplyColumnWidth(TListBoxWindow& window, int controlWidth) const {
    if (Columns != 0) window.SetColumnWidth((controlWidth + Columns - 3) / Columns);
}

int TListBoxStrings::Count() const {
    return operations_.ItemWindow().GetCount();
}

int TListBoxStrings::Add(const std::string& text) {
    const int index = operations_.AddString(text);
    if (index < 0) throw EOutOfResources("Unable to insert a line");
    return index;
}

void TListBoxStrings::Insert(int index, const std::string& text) {
    if (operations_.InsertString(index, text) < 0) throw EOutOfResources("Unable to insert a line");
}

void TListBoxStrings::Delete(int index) {
    operations_.DeleteString(index);
}

void TListBoxStrings::Clear() {
    operations_.ResetContent();
}

std::string TListBoxStrings::Get(int index) const {
    std::string text;
    if (operations_.ItemWindow().GetText(index, text) < 0) IndexError(index);
    return text;
}

TObject* TListBoxStrings::GetObject(int index) const {
    const std::intptr_t data = operations_.GetItemData(index);
    // LB_ERR is also a datum an item may hold: only a bad index makes it an error.
    if (data == LB_ERR && (index < 0 || index >= Count())) IndexError(index);
    return reinterpret_cast<TObject*>(data);
}

void TListBoxStrings::PutObject(int index, TObject* object) {
    if (index < 0 || index >= Count()) IndexError(index);
    operations_.SetItemData(index, reinterpret_cast<std::intptr_t>(object));
}

void TListBoxStrings::SetUpdateState(bool updating) {
    operations_.ItemWindow().SetRedraw(!updating);
    if (!updating) control_.Invalidate();
}

void SetListBoxItemIndex(TListBoxWindow& window, bool multiSelect, int index) {
    if (window.GetCurSel() == index) return;
    if (multiSelect)
        window.SetCaretIndex(index);
    else
        window.SetCurSel(index);
}

bool ListBoxSelected(const TListBoxWindow& window, int index) {
    const int result = window.GetSel(index);
    if (result < 0) indexError(index);
    return result != 0;
}

void SetListBoxSelected(TListBoxWindow& window, bool multiSelect, int index, bool selected) {
    if (multiSelect) {
        if (window.SetSel(selected, index) < 0) indexError(index);
    } else if (selected) {
        SetListBoxItemIndex(window, multiSelect, index);
    } else if (window.GetCurSel() == index) {
        SetListBoxItemIndex(window, multiSelect, -1);
    }
}

int ListBoxItemAtPos(const TListBoxWindow& window, POINT pos, bool existing) {
    const int width = window.ClientWidth(), height = window.ClientHeight();
    if (pos.x < 0 || pos.y < 0 || pos.x >= width || pos.y >= height) return -1;
    const int count = window.GetCount();
    for (int i = std::max(0, window.GetTopIndex()); i < count; ++i) {
        RECT r;
        window.GetItemRect(i, r);
        if (pos.x >= r.left && pos.x < r.right && pos.y >= r.top && pos.y < r.bottom) return i;
        // Past the client area nothing further can contain the point.
        if (r.top >= height || r.left >= width) break;
    }
    return existing ? -1 : count;
}

RECT ListBoxItemRect(const TListBoxWindow& window, int index) {
    RECT rect{};
    const int count = window.GetCount();
    if (index == 0 || index < count) {
        window.GetItemRect(index, rect);
    } else if (index == count) {
        window.GetItemRect(index - 1, rect);
        const int height = rect.bottom - rect.top;
        rect.top += height;
        rect.bottom += height;
    }
    return rect;
}
