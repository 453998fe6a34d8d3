#include "platform/framework/ListBox.h"

// The items, kept in the window.
class TCustomListBox::ItemStrings : public TStrings {
public:
    explicit ItemStrings(TCustomListBox& box) : box_(box) {}
    int Count() const override { return box_.window_.GetCount(); }
    void Insert(int index, const std::string& text) override {
        if (box_.InsertString(index, text) < 0) throw EOutOfResources("Unable to insert a line");
    }
    int Add(const std::string& text) override {
        const int index = box_.AddString(text);
        if (index < 0) throw EOutOfResources("Unable to insert a line");
        return index;
    }
    void Delete(int index) override { box_.DeleteString(index); }
    void Clear() override { box_.ResetContent(); }

protected:
    std::string Get(int index) const override {
        std::string text;
        if (box_.window_.GetText(index, text) < 0) IndexError(index);
        return text;
    }
    TObject* GetObject(int index) const override {
        const std::intptr_t data = box_.window_.GetItemData(index);
        if (data == LB_ERR && index >= Count()) IndexError(index);
        return reinterpret_cast<TObject*>(data);
    }
    void PutObject(int index, TObject* object) override {
        if (box_.window_.SetItemData(index, reinterpret_cast<std::intptr_t>(object)) < 0) IndexError(index);
    }
    void SetUpdateState(bool updating) override {
        box_.window_.SetRedraw(!updating);
        if (!updating) box_.Invalidate();
    }

private:
    TCustomListBox& box_;
};

TCustomListBox::TCustomListBox(TComponent* owner)
    : TWinControl(owner), window_(this, *this), items_(std::make_unique<ItemStrings>(*this)) {
    AttachWidget(window_.Widget());
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 97);
    createNative();
}

TCustomListBox::~TCustomListBox() = default;

DWORD TCustomListBox::windowStyle() const {
    DWORD style = WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_HASSTRINGS;
    if (style_ == lbOwnerDrawFixed) style |= LBS_OWNERDRAWFIXED;
    if (style_ == lbOwnerDrawVariable) style |= LBS_OWNERDRAWVARIABLE;
    if (sorted_) style |= LBS_SORT;
    if (multiSelect_) style |= extendedSelect_ ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
    if (!integralHeight_) style |= LBS_NOINTEGRALHEIGHT;
    if (columns_ != 0) style |= LBS_MULTICOLUMN;
    if (tabWidth_ != 0) style |= LBS_USETABSTOPS;
    return style;
}

void TCustomListBox::createNative() {
    window_.Create(windowStyle(), borderStyle_ == bsSingle ? WS_EX_CLIENTEDGE : 0);
    window_.SetTabStops(tabWidth_);
    if (columns_ != 0) window_.SetColumnWidth((Width() + columns_ - 3) / columns_);
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
    SetTopIndex(top);
    SetItemIndex(index);
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
    if (ItemIndex() == index) return;
    if (multiSelect_)
        window_.SetCaretIndex(index);
    else
        window_.SetCurSel(index);
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
    const int result = window_.GetSel(index);
    if (result < 0) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return result != 0;
}

void TCustomListBox::SetSelected(int index, bool selected) {
    if (multiSelect_) {
        if (window_.SetSel(selected, index) < 0)
            throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    } else if (selected) {
        SetItemIndex(index);
    } else if (ItemIndex() == index) {
        SetItemIndex(-1);
    }
}

int TCustomListBox::ItemAtPos(POINT pos, bool existing) const {
    if (pos.x < 0 || pos.y < 0 || pos.x >= ClientWidth() || pos.y >= ClientHeight()) return -1;
    const int count = window_.GetCount();
    for (int i = std::max(0, TopIndex()); i < count; ++i) {
        RECT r;
        window_.GetItemRect(i, r);
        if (pos.x >= r.left && pos.x < r.right && pos.y >= r.top && pos.y < r.bottom) return i;
        if (r.top >= ClientHeight() || r.left >= ClientWidth()) break;
    }
    return existing ? -1 : count;
}

RECT TCustomListBox::ItemRect(int index) const {
    RECT rect{};
    const int count = window_.GetCount();
    if (index == 0 || index < count) {
        window_.GetItemRect(index, rect);
    } else if (index == count) {
        window_.GetItemRect(index - 1, rect);
        const int height = rect.bottom - rect.top;
        rect.top += height;
        rect.bottom += height;
    }
    return rect;
}

void TCustomListBox::Clear() {
    items_->Clear();
}

void TCustomListBox::SetBorderStyle(TBorderStyle style) {
    if (style == borderStyle_) return;
    borderStyle_ = style;
    RecreateWnd();
}

void TCustomListBox::SetColumns(int columns) {
    if (columns == columns_) return;
    const bool recreate = (columns == 0) != (columns_ == 0);
    columns_ = columns;
    if (recreate)
        RecreateWnd();
    else if (columns != 0)
        window_.SetColumnWidth((Width() + columns - 3) / columns);
}

void TCustomListBox::SetExtendedSelect(bool extended) {
    if (extended == extendedSelect_) return;
    extendedSelect_ = extended;
    RecreateWnd();
}

void TCustomListBox::SetIntegralHeight(bool integral) {
    if (integral == integralHeight_) return;
    integralHeight_ = integral;
    RecreateWnd();
}

int TCustomListBox::ItemHeight() const {
    return style_ == lbStandard ? window_.GetItemHeight(0) : itemHeight_;
}

void TCustomListBox::SetItemHeight(int height) {
    if (height < 1 || height == itemHeight_) return;
    itemHeight_ = height;
    RecreateWnd();
}

void TCustomListBox::SetMultiSelect(bool multi) {
    if (multi == multiSelect_) return;
    multiSelect_ = multi;
    RecreateWnd();
}

void TCustomListBox::SetSorted(bool sorted) {
    if (sorted == sorted_) return;
    sorted_ = sorted;
    RecreateWnd();
}

void TCustomListBox::SetStyle(TListBoxStyle style) {
    if (style == style_) return;
    style_ = style;
    RecreateWnd();
}

void TCustomListBox::SetTabWidth(int width) {
    width = std::max(0, width);
    if (width == tabWidth_) return;
    tabWidth_ = width;
    RecreateWnd();
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
    int height = itemHeight_;
    if (style_ == lbOwnerDrawVariable && index >= 0) MeasureItem(index, height);
    return height;
}

void TCustomListBox::SelectionChangeNotify() {
    Click();
}

void TCustomListBox::ResizeNotify() {
    if (columns_ != 0) window_.SetColumnWidth((Width() + columns_ - 3) / columns_);
}

void TCustomListBox::FontChanged() {
    TWinControl::FontChanged();
    canvas_.Font().Assign(Font());
}

void TCustomListBox::ColorChanged() {
    TWinControl::ColorChanged();
    window_.InvalidateRect({0, 0, ClientWidth(), ClientHeight()});
}
