#include "platform/framework/ListBox.h"

TCustomListBox::TCustomListBox(TComponent* owner)
    : TWinControl(owner), window_(this, *this),
      items_(std::make_unique<TListBoxStrings>(*this, static_cast<TListBoxItemOperations&>(*this))) {
    AttachWidget(window_.Widget());
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 97);
    createNative();
}

TCustomListBox::~TCustomListBox() = default;

void TCustomListBox::createNative() {
    window_.Create(settings_.WindowStyle(), settings_.WindowExStyle());
    window_.SetTabStops(settings_.TabWidth);
    settings_.ApplyColumnWidth(window_, Width());
}

void TCustomListBox::RecreateWnd() {
    std::vector<std::pair<std::string, std::intptr_t>> saved;
    for (int i = 0; i < window_.GetCount(); ++i) {
        std::string text;
        window_.GetText(i, text);
        saved.emplace_back(text, window_.GetItemData(i));
    }
    const int top = TopIndex(), index = ItemIndex();
    window_.Destroy();
    createNative();
    // The new window starts empty: descendants that keep something per item start again.
    ResetContent();
    window_.SetRedraw(false);
    for (const auto& [text, data] : saved)
        window_.SetItemData(AddString(text), data);
    window_.SetRedraw(true);
    // A list that is sorted now keeps the same items at the top and selected.
    auto placeOf = [&](int before) {
        if (before < 0 || before >= static_cast<int>(saved.size())) return before;
        for (int i = 0; i < window_.GetCount(); ++i) {
            std::string text;
            window_.GetText(i, text);
            if (text == saved[before].first && window_.GetItemData(i) == saved[before].second) return i;
        }
        return before;
    };
    SetItemIndex(placeOf(index));
    SetTopIndex(placeOf(top));
}

TStrings* TCustomListBox::Items() const {
    return items_.get();
}

void TCustomListBox::SetItems(const TStrings& items) {
    items_->Assign(items);
}

int TCustomListBox::ItemIndex() const {
    return window_.GetCurSel();
}

void TCustomListBox::SetItemIndex(int index) {
    SetListBoxItemIndex(window_, settings_.MultiSelect, index);
}

int TCustomListBox::TopIndex() const {
    return window_.GetTopIndex();
}

void TCustomListBox::SetTopIndex(int index) {
    if (TopIndex() != index) window_.SetTopIndex(index);
}

int TCustomListBox::SelCount() const {
    return window_.GetSelCount();
}

bool TCustomListBox::Selected(int index) const {
    return ListBoxSelected(window_, index);
}

void TCustomListBox::SetSelected(int index, bool selected) {
    SetListBoxSelected(window_, settings_.MultiSelect, index, selected);
}

int TCustomListBox::ItemAtPos(POINT pos, bool existing) const {
    return ListBoxItemAtPos(window_, pos, existing);
}

RECT TCustomListBox::ItemRect(int index) const {
    return ListBoxItemRect(window_, index);
}

void TCustomListBox::Clear() {
    items_->Clear();
}

void TCustomListBox::SetBorderStyle(TBorderStyle style) {
    if (settings_.Change(&TListBoxSettings::BorderStyle, style)) RecreateWnd();
}

void TCustomListBox::SetColumns(int columns) {
    if (columns == settings_.Columns) return;
    const bool recreate = (columns == 0) != (settings_.Columns == 0);
    settings_.Columns = columns;
    if (recreate)
        RecreateWnd();
    else
        settings_.ApplyColumnWidth(window_, Width());
}

void TCustomListBox::SetExtendedSelect(bool extended) {
    if (settings_.Change(&TListBoxSettings::ExtendedSelect, extended)) RecreateWnd();
}

void TCustomListBox::SetIntegralHeight(bool integral) {
    if (settings_.Change(&TListBoxSettings::IntegralHeight, integral)) RecreateWnd();
}

int TCustomListBox::ItemHeight() const {
    return settings_.Style == lbStandard ? window_.GetItemHeight(0) : settings_.ItemHeight;
}

void TCustomListBox::SetItemHeight(int height) {
    if (height >= 1 && settings_.Change(&TListBoxSettings::ItemHeight, height)) RecreateWnd();
}

void TCustomListBox::SetMultiSelect(bool multi) {
    if (settings_.Change(&TListBoxSettings::MultiSelect, multi)) RecreateWnd();
}

void TCustomListBox::SetSorted(bool sorted) {
    if (settings_.Change(&TListBoxSettings::Sorted, sorted)) RecreateWnd();
}

void TCustomListBox::SetStyle(TListBoxStyle style) {
    if (settings_.Change(&TListBoxSettings::Style, style)) RecreateWnd();
}

void TCustomListBox::SetTabWidth(int width) {
    width = std::max(0, width);
    if (settings_.Change(&TListBoxSettings::TabWidth, width)) RecreateWnd();
}

int TCustomListBox::ClientWidth() const {
    return window_.ClientWidth();
}

int TCustomListBox::ClientHeight() const {
    return window_.ClientHeight();
}

int TCustomListBox::AddString(const std::string& text) {
    return window_.AddString(text);
}

int TCustomListBox::InsertString(int index, const std::string& text) {
    return window_.InsertString(index, text);
}

int TCustomListBox::DeleteString(int index) {
    return window_.DeleteString(index);
}

void TCustomListBox::ResetContent() {
    window_.ResetContent();
}

std::intptr_t TCustomListBox::GetItemData(int index) const {
    return window_.GetItemData(index);
}

void TCustomListBox::SetItemData(int index, std::intptr_t data) {
    window_.SetItemData(index, data);
}

void TCustomListBox::DrawItem(int index, const RECT& rect, TOwnerDrawState state) {
    if (OnDrawItem) {
        OnDrawItem(this, index, rect, state);
        return;
    }
    canvas_.FillRect(rect);
    if (index < window_.GetCount()) canvas_.TextOut(rect.left + 2, rect.top, items_->Strings(index));
}

void TCustomListBox::MeasureItem(int index, int& height) {
    if (OnMeasureItem) OnMeasureItem(this, index, height);
}

void TCustomListBox::DrawItemNotify(int index, const RECT& rect, TOwnerDrawState state) {
    canvas_.Font().Assign(Font());
    canvas_.Brush().SetStyle(bsSolid);
    canvas_.Brush().SetColor(Color());
    if (state & odSelected) {
        canvas_.Brush().SetColor(clHighlight);
        canvas_.Font().SetColor(clHighlightText);
    }
    if (index >= 0)
        DrawItem(index, rect, state);
    else
        canvas_.FillRect(rect);
    if (state & odFocused) canvas_.DrawFocusRect(rect);
}

int TCustomListBox::MeasureItemNotify(int index) {
    int height = settings_.ItemHeight;
    if (settings_.Style == lbOwnerDrawVariable && index >= 0) MeasureItem(index, height);
    return height;
}

void TCustomListBox::SelectionChangeNotify() {
    Click();
}

void TCustomListBox::ResizeNotify() {
    settings_.ApplyColumnWidth(window_, Width());
}

void TCustomListBox::FontChanged() {
    TWinControl::FontChanged();
    canvas_.Font().Assign(Font());
}

void TCustomListBox::ColorChanged() {
    TWinControl::ColorChanged();
    window_.InvalidateRect({0, 0, ClientWidth(), ClientHeight()});
}
