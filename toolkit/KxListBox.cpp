#include "toolkit/KxListBox.h"

#include "platform/framework/Published.h"
#include "toolkit/Maxmin.h"

namespace {

[[noreturn]] void indexError(int index) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

// The width of an item's text with one spare character, tabs expanded to stops every
// tabWidth quarters of a "0" (not expanded when tabWidth is 0).
int textItemWidth(const TCanvas& canvas, const std::string& text, int tabWidth) {
    const std::string spare = text + "x";
    if (tabWidth <= 0) return canvas.TextWidth(spare);
    const int tabStop = (tabWidth * canvas.TextWidth("0") + 2) / 4;
    return TabbedTextWidth(canvas, spare, tabStop);
}

} // namespace

void TItemWidths::Insert(int index, int width) {
    widths_.insert(widths_.begin() + Max(0, Min(index, static_cast<int>(widths_.size()))), width);
    widest_ = Max(widest_, width);
}

void TItemWidths::Remove(int index) {
    if (!Holds(index)) return;
    const int width = At(index);
    widths_.erase(widths_.begin() + index);
    if (width < widest_) return;
    widest_ = 0;
    for (int each : widths_)
        widest_ = Max(widest_, each);
}

void TItemWidths::Clear() {
    widths_.clear();
    widest_ = 0;
}

int TKxListBoxStrings::Count() const {
    return listBox_->Window().GetCount();
}

std::string TKxListBoxStrings::Get(int index) const {
    std::string text;
    if (listBox_->Window().GetText(index, text) < 0) IndexError(index);
    return text;
}

TObject* TKxListBoxStrings::GetObject(int index) const {
    const std::intptr_t data = listBox_->GetItemData(index);
    if (data == LB_ERR && (index < 0 || index >= Count())) IndexError(index);
    return reinterpret_cast<TObject*>(data);
}

void TKxListBoxStrings::PutObject(int index, TObject* object) {
    if (index < 0 || index >= Count()) IndexError(index);
    listBox_->SetItemData(index, reinterpret_cast<std::intptr_t>(object));
}

int TKxListBoxStrings::Add(const std::string& text) {
    const int index = listBox_->AddString(text);
    if (index < 0) throw EOutOfResources("Unable to insert a line");
    return index;
}

void TKxListBoxStrings::Insert(int index, const std::string& text) {
    if (listBox_->InsertString(index, text) < 0) throw EOutOfResources("Unable to insert a line");
}

void TKxListBoxStrings::Delete(int index) {
    listBox_->DeleteString(index);
}

void TKxListBoxStrings::Clear() {
    listBox_->ResetContent();
}

void TKxListBoxStrings::SetUpdateState(bool updating) {
    listBox_->Window().SetRedraw(!updating);
    if (!updating) listBox_->Invalidate();
}

TKxCustomListBox::TKxCustomListBox(TComponent* owner) : TWinControl(owner), window_(this, *this) {
    AttachWidget(window_.Widget());
    SetBounds(0, 0, 121, 97);
    SetTabStop(true);
    SetColor(clWindow);
    canvas_.Font().Assign(Font());
}

TKxCustomListBox::~TKxCustomListBox() = default;

std::unique_ptr<TStrings> TKxCustomListBox::CreateItemList() {
    return std::make_unique<TKxListBoxStrings>(this);
}

TStrings* TKxCustomListBox::Items() const {
    // Made on first use, so that a descendant's CreateItemList is the one that runs.
    if (!items_) items_ = const_cast<TKxCustomListBox*>(this)->CreateItemList();
    return items_.get();
}

TListBoxWindow& TKxCustomListBox::Window() const {
    if (!HandleAllocated()) const_cast<TKxCustomListBox*>(this)->HandleNeeded();
    return window_;
}

void TKxCustomListBox::CreateParams(DWORD& style, DWORD& exStyle) const {
    style = WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_HASSTRINGS;
    if (style_ == lbOwnerDrawFixed) style |= LBS_OWNERDRAWFIXED;
    if (style_ == lbOwnerDrawVariable) style |= LBS_OWNERDRAWVARIABLE;
    if (sorted_) style |= LBS_SORT;
    if (multiSelect_) style |= extendedSelect_ ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
    if (!integralHeight_) style |= LBS_NOINTEGRALHEIGHT;
    if (columns_ != 0) style |= LBS_MULTICOLUMN;
    if (tabWidth_ != 0) style |= LBS_USETABSTOPS;
    // The single border is drawn as the sunken edge of three-dimensional controls.
    exStyle = borderStyle_ == bsSingle ? WS_EX_CLIENTEDGE : 0;
}

void TKxCustomListBox::CreateWnd() {
    TWinControl::CreateWnd();
    DWORD style = 0, exStyle = 0;
    CreateParams(style, exStyle);
    window_.Create(style, exStyle);
    window_.SetTabStops(tabWidth_);
    setColumnWidth();
    if (savedItems_) {
        std::unique_ptr<TStringList> saved = std::move(savedItems_);
        Items()->Assign(*saved);
        SetTopIndex(savedTopIndex_);
        SetItemIndex(savedItemIndex_);
    }
    ResetExtent();
}

void TKxCustomListBox::DestroyWnd() {
    if (!IsDestroying() && window_.GetCount() > 0) {
        savedItems_ = std::make_unique<TStringList>();
        savedItems_->Assign(*Items());
    }
    savedTopIndex_ = window_.GetTopIndex();
    savedItemIndex_ = window_.GetCurSel();
    window_.Destroy();
    TWinControl::DestroyWnd();
}

void TKxCustomListBox::RecreateWnd() {
    if (!HandleAllocated()) return;
    DestroyWnd();
    HandleNeeded();
}

void TKxCustomListBox::Loaded() {
    TWinControl::Loaded();
    Window();
}

void TKxCustomListBox::setColumnWidth() {
    if (columns_ > 0) window_.SetColumnWidth((Width() + columns_ - 3) / columns_);
}

int TKxCustomListBox::ItemIndex() const {
    return Window().GetCurSel();
}

void TKxCustomListBox::SetItemIndex(int index) {
    if (ItemIndex() == index) return;
    // A multi-selection list takes no selection of one item: its item index is the caret.
    if (multiSelect_)
        Window().SetCaretIndex(index);
    else
        Window().SetCurSel(index);
}

int TKxCustomListBox::SelCount() const {
    return Window().GetSelCount();
}

int TKxCustomListBox::TopIndex() const {
    return Window().GetTopIndex();
}

void TKxCustomListBox::SetTopIndex(int index) {
    if (TopIndex() != index) Window().SetTopIndex(index);
}

bool TKxCustomListBox::Selected(int index) const {
    const int result = Window().GetSel(index);
    if (result < 0) indexError(index);
    return result != 0;
}

void TKxCustomListBox::SetSelected(int index, bool selected) {
    if (multiSelect_) {
        if (Window().SetSel(selected, index) < 0) indexError(index);
    } else if (selected) {
        SetItemIndex(index);
    } else if (ItemIndex() == index) {
        SetItemIndex(-1);
    }
}

int TKxCustomListBox::ItemAtPos(POINT pos, bool existing) const {
    if (pos.x < 0 || pos.y < 0 || pos.x >= ClientWidth() || pos.y >= ClientHeight()) return -1;
    const int count = Window().GetCount();
    for (int i = Max(0, TopIndex()); i < count; ++i) {
        RECT r;
        window_.GetItemRect(i, r);
        if (pos.x >= r.left && pos.x < r.right && pos.y >= r.top && pos.y < r.bottom) return i;
        // Past the client area nothing further can contain the point.
        if (r.top >= ClientHeight() || r.left >= ClientWidth()) break;
    }
    return existing ? -1 : count;
}

RECT TKxCustomListBox::ItemRect(int index) const {
    RECT rect{};
    const int count = Window().GetCount();
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

void TKxCustomListBox::Clear() {
    Items()->Clear();
}

void TKxCustomListBox::SetAutoScroll(bool autoScroll) {
    if (autoScroll == autoScroll_) return;
    autoScroll_ = autoScroll;
    ResetExtent();
}

void TKxCustomListBox::SetBorderStyle(TBorderStyle style) {
    if (style == borderStyle_) return;
    borderStyle_ = style;
    RecreateWnd();
}

void TKxCustomListBox::SetColumns(int columns) {
    columns = Max(0, columns);
    if (columns == columns_) return;
    const bool recreate = (columns == 0) != (columns_ == 0);
    columns_ = columns;
    if (recreate)
        RecreateWnd();
    else if (HandleAllocated())
        setColumnWidth();
}

void TKxCustomListBox::SetExtendedSelect(bool extended) {
    if (extended == extendedSelect_) return;
    extendedSelect_ = extended;
    RecreateWnd();
}

void TKxCustomListBox::SetGraySelection(bool gray) {
    if (gray == graySelection_) return;
    graySelection_ = gray;
    Invalidate();
}

void TKxCustomListBox::SetIntegralHeight(bool integral) {
    if (integral == integralHeight_) return;
    integralHeight_ = integral;
    RecreateWnd();
}

int TKxCustomListBox::GetItemHeight() const {
    if (style_ == lbStandard && HandleAllocated()) {
        RECT rect;
        if (window_.GetItemRect(0, rect) == LB_OKAY) return rect.bottom - rect.top;
    }
    return itemHeight_;
}

void TKxCustomListBox::SetItemHeight(int height) {
    if (height < 1 || height == itemHeight_) return;
    itemHeight_ = height;
    RecreateWnd();
}

void TKxCustomListBox::SetMultiSelect(bool multi) {
    if (multi == multiSelect_) return;
    multiSelect_ = multi;
    RecreateWnd();
}

void TKxCustomListBox::SetSorted(bool sorted) {
    if (sorted == sorted_) return;
    sorted_ = sorted;
    RecreateWnd();
}

void TKxCustomListBox::SetStyle(TListBoxStyle style) {
    if (style == style_) return;
    style_ = style;
    RecreateWnd();
}

void TKxCustomListBox::SetTabWidth(int width) {
    width = Max(0, width);
    if (width == tabWidth_) return;
    tabWidth_ = width;
    RecreateWnd();
}

int TKxCustomListBox::HorizontalExtent() const {
    return Window().GetHorizontalExtent();
}

int TKxCustomListBox::ClientWidth() const {
    return window_.ClientWidth();
}

int TKxCustomListBox::ClientHeight() const {
    return window_.ClientHeight();
}

void TKxCustomListBox::SetOnDrawItem(TDrawItemEvent handler) {
    const bool change = static_cast<bool>(handler) != static_cast<bool>(onDrawItem_);
    onDrawItem_ = std::move(handler);
    if (change) ResetExtent();
}

void TKxCustomListBox::SetOnGetItemWidth(TGetItemWidthEvent handler) {
    const bool change = static_cast<bool>(handler) != static_cast<bool>(onGetItemWidth_);
    onGetItemWidth_ = std::move(handler);
    if (change) ResetExtent();
}

void TKxCustomListBox::ResetExtent() {
    if (!HandleAllocated()) return;
    window_.ScrollHorizontally(0);
    if (keepsExtent())
        measureEveryItem();
    else
        widths_.Clear();
    applyExtent();
}

void TKxCustomListBox::measureEveryItem() {
    widths_.Clear();
    const int count = window_.GetCount();
    for (int i = 0; i < count; ++i)
        widths_.Insert(i, GetItemWidth(i));
}

void TKxCustomListBox::applyExtent() {
    window_.SetHorizontalExtent(widths_.Widest());
}

int TKxCustomListBox::GetItemWidth(int index) {
    if (style_ != lbStandard && onGetItemWidth_ && onDrawItem_) {
        int width = 0;
        onGetItemWidth_(this, index, width);
        return width;
    }
    return textItemWidth(canvas_, Items()->Strings(index), tabWidth_);
}

void TKxCustomListBox::itemStored(int index) {
    if (index < 0 || !keepsExtent()) return;
    widths_.Insert(index, GetItemWidth(index));
    applyExtent();
}

int TKxCustomListBox::AddString(const std::string& text) {
    const int index = Window().AddString(text);
    itemStored(index);
    return index;
}

int TKxCustomListBox::InsertString(int index, const std::string& text) {
    const int at = Window().InsertString(index, text);
    itemStored(at);
    return at;
}

int TKxCustomListBox::DeleteString(int index) {
    if (!keepsExtent()) return Window().DeleteString(index);
    // Only losing the widest item can narrow the extent; then the view goes back to the
    // left edge.
    const int width = widths_.Holds(index) ? widths_.At(index) : GetItemWidth(index);
    if (width >= widths_.Widest()) window_.ScrollHorizontally(0);
    const int left = window_.DeleteString(index);
    if (left >= 0) widths_.Remove(index);
    applyExtent();
    return left;
}

void TKxCustomListBox::ResetContent() {
    if (keepsExtent()) {
        widths_.Clear();
        Window().ScrollHorizontally(0);
    }
    Window().ResetContent();
    if (keepsExtent()) applyExtent();
}

std::intptr_t TKxCustomListBox::GetItemData(int index) const {
    return Window().GetItemData(index);
}

void TKxCustomListBox::SetItemData(int index, std::intptr_t data) {
    Window().SetItemData(index, data);
}

void TKxCustomListBox::AssignItems(const TStrings& items) {
    Items()->Assign(items);
}

void TKxCustomListBox::FontChanged() {
    TWinControl::FontChanged();
    canvas_.Font().Assign(Font());
    if (HandleAllocated() && keepsExtent()) {
        measureEveryItem();
        applyExtent();
    }
}

void TKxCustomListBox::ColorChanged() {
    TWinControl::ColorChanged();
    if (HandleAllocated()) window_.InvalidateRect({0, 0, ClientWidth(), ClientHeight()});
}

void TKxCustomListBox::DrawItem(int index, const RECT& rect, TOwnerDrawState state) {
    if (onDrawItem_)
        onDrawItem_(this, index, rect, state);
    else
        DefaultDrawItem(index, rect);
}

void TKxCustomListBox::DefaultDrawItem(int index, const RECT& rect) {
    canvas_.FillRect(rect);
    if (index >= window_.GetCount()) return;
    const int room = rect.bottom - rect.top - canvas_.TextHeight("Wy");
    const int y = rect.top + Max(0, room / 2);
    const int tabStop = tabWidth_ > 0 ? (tabWidth_ * canvas_.TextWidth("0") + 2) / 4 : 0;
    canvas_.Brush().SetStyle(bsClear);
    TabbedTextOut(canvas_, rect.left + 2, y, Items()->Strings(index), tabStop);
    canvas_.Brush().SetStyle(bsSolid);
}

void TKxCustomListBox::MeasureItem(int index, int& height) {
    if (OnMeasureItem) OnMeasureItem(this, index, height);
}

void TKxCustomListBox::DrawItemNotify(int index, const RECT& rect, TOwnerDrawState state) {
    canvas_.Font().Assign(Font());
    canvas_.Brush().SetStyle(bsSolid);
    canvas_.Brush().SetColor(Color());
    // A disabled list looks disabled: grey text, its selection in the button face.
    const bool disabled = (state & odDisabled) != 0;
    if (state & odSelected) {
        if (disabled || (graySelection_ && !IsDesigning() && !Focused())) {
            canvas_.Brush().SetColor(clBtnFace);
            if (canvas_.Font().Color() == clBtnFace) canvas_.Font().SetColor(clBtnText);
        } else {
            canvas_.Brush().SetColor(clHighlight);
            canvas_.Font().SetColor(clHighlightText);
        }
    }
    if (disabled) canvas_.Font().SetColor(clGrayText);
    if (index >= 0)
        DrawItem(index, rect, state);
    else
        canvas_.FillRect(rect);
    if (state & odFocused) canvas_.DrawFocusRect(rect);
}

int TKxCustomListBox::MeasureItemNotify(int index) {
    int height = itemHeight_;
    if (style_ == lbOwnerDrawVariable && index >= 0) MeasureItem(index, height);
    return height;
}

void TKxCustomListBox::SelectionChangeNotify() {
    Click();
}

void TKxCustomListBox::ResizeNotify() {
    setColumnWidth();
}

TTextListBox::TTextListBox(TComponent* owner) : TCustomListBox(owner) {
    Canvas().Font().Assign(Font());
}

int TTextListBox::itemWidth(int index) {
    return textItemWidth(Canvas(), Items()->Strings(index), TabWidth());
}

void TTextListBox::measureEveryItem() {
    widths_.Clear();
    for (int i = 0; i < Items()->Count(); ++i)
        widths_.Insert(i, itemWidth(i));
}

void TTextListBox::itemStored(int index) {
    if (index < 0) return;
    widths_.Insert(index, itemWidth(index));
    Window().SetHorizontalExtent(widths_.Widest());
}

int TTextListBox::AddString(const std::string& text) {
    const int index = TCustomListBox::AddString(text);
    itemStored(index);
    return index;
}

int TTextListBox::InsertString(int index, const std::string& text) {
    const int at = TCustomListBox::InsertString(index, text);
    itemStored(at);
    return at;
}

int TTextListBox::DeleteString(int index) {
    const int width = widths_.Holds(index) ? widths_.At(index) : itemWidth(index);
    if (width >= widths_.Widest()) Window().ScrollHorizontally(0);
    const int left = TCustomListBox::DeleteString(index);
    if (left >= 0) widths_.Remove(index);
    Window().SetHorizontalExtent(widths_.Widest());
    return left;
}

void TTextListBox::ResetContent() {
    widths_.Clear();
    Window().ScrollHorizontally(0);
    TCustomListBox::ResetContent();
    Window().SetHorizontalExtent(0);
}

void TTextListBox::FontChanged() {
    TCustomListBox::FontChanged();
    Canvas().Font().Assign(Font());
    measureEveryItem();
    Window().SetHorizontalExtent(widths_.Widest());
}

namespace {

const TTypeInfo& listBoxStyleType() {
    return EnumerationType("TListBoxStyle", {"lbStandard", "lbOwnerDrawFixed", "lbOwnerDrawVariable"});
}

// What the list boxes publish; the base publishes nothing, its descendants its settings.
const bool listBoxesPublished = RegisterPublishedClass("TKxCustomListBox", "TWinControl", {}) &&
                                RegisterPublishedClass("TTextListBox", "TCustomListBox", {});

} // namespace

std::vector<TPropInfo> KxListBoxPublishedProperties() {
    return {
        Property("AutoScroll", TypeBoolean(), &TKxCustomListBox::AutoScroll, &TKxCustomListBox::SetAutoScroll,
                 true),
        Property("BorderStyle", EnumerationType("TBorderStyle", {"bsNone", "bsSingle"}),
                 &TKxCustomListBox::BorderStyle, &TKxCustomListBox::SetBorderStyle, bsSingle),
        Property("Columns", TypeInteger(), &TKxCustomListBox::Columns, &TKxCustomListBox::SetColumns, 0),
        Property("ExtendedSelect", TypeBoolean(), &TKxCustomListBox::ExtendedSelect,
                 &TKxCustomListBox::SetExtendedSelect, true),
        Property("GraySelection", TypeBoolean(), &TKxCustomListBox::GraySelection,
                 &TKxCustomListBox::SetGraySelection, false),
        Property("IntegralHeight", TypeBoolean(), &TKxCustomListBox::IntegralHeight,
                 &TKxCustomListBox::SetIntegralHeight, false),
        Property("ItemHeight", TypeInteger(), &TKxCustomListBox::ItemHeight,
                 &TKxCustomListBox::SetItemHeight),
        AssignedProperty("Items", ClassType("TStrings"), &TKxCustomListBox::Items),
        Property("MultiSelect", TypeBoolean(), &TKxCustomListBox::MultiSelect,
                 &TKxCustomListBox::SetMultiSelect, false),
        Property("Sorted", TypeBoolean(), &TKxCustomListBox::Sorted, &TKxCustomListBox::SetSorted, false),
        Property("Style", listBoxStyleType(), &TKxCustomListBox::Style, &TKxCustomListBox::SetStyle,
                 lbStandard),
        Property("TabWidth", TypeInteger(), &TKxCustomListBox::TabWidth, &TKxCustomListBox::SetTabWidth, 0),
    };
}
