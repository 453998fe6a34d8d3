#include "toolkit/KxListBox.h"

#include "platform/framework/Published.h"
#include "toolkit/Maxmin.h"

namespace {

// Tab stops every tabWidth quarters of a "0" in pixels; 0 when tabs are not expanded.
int tabStopPixels(const TCanvas& canvas, int tabWidth) {
    return tabWidth > 0 ? (tabWidth * canvas.TextWidth("0") + 2) / 4 : 0;
}

// The width of an item's text with one spare character, tabs expanded to stops every
// tabWidth quarters of a "0" (not expanded when tabWidth is 0).
int textItemWidth(const TCanvas& canvas, const std::string& text, int tabWidth) {
    const std::string spare = text + "x";
    if (tabWidth <= 0) return canvas.TextWidth(spare);
    return TabbedTextWidth(canvas, spare, tabStopPixels(canvas, tabWidth));
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

void TWidestItemExtent::MeasureAll(TListBoxWindow& window) {
    widths_.Clear();
    const int count = window.GetCount();
    for (int i = 0; i < count; ++i)
        widths_.Insert(i, measure_(i));
    Apply(window);
}

void TWidestItemExtent::Stored(TListBoxWindow& window, int index) {
    if (index < 0) return;
    widths_.Insert(index, measure_(index));
    Apply(window);
}

void TWidestItemExtent::Deleting(TListBoxWindow& window, int index) {
    const int width = widths_.Holds(index) ? widths_.At(index) : measure_(index);
    if (width >= widths_.Widest()) window.ScrollHorizontally(0);
}

void TWidestItemExtent::Deleted(TListBoxWindow& window, int index, int left) {
    if (left >= 0) widths_.Remove(index);
    Apply(window);
}

void TWidestItemExtent::Clearing(TListBoxWindow& window) {
    widths_.Clear();
    window.ScrollHorizontally(0);
}

void TWidestItemExtent::Apply(TListBoxWindow& window) const {
    window.SetHorizontalExtent(widths_.Widest());
}

TKxListBoxStrings::TKxListBoxStrings(TKxCustomListBox* listBox)
    : TListBoxStrings(*listBox, *listBox), listBox_(listBox) {}

TKxCustomListBox::TKxCustomListBox(TComponent* owner)
    : TWinControl(owner), window_(this, *this), extent_([this](int index) { return GetItemWidth(index); }) {
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
    style = settings_.WindowStyle();
    exStyle = settings_.WindowExStyle();
}

void TKxCustomListBox::CreateWnd() {
    TWinControl::CreateWnd();
    DWORD style = 0, exStyle = 0;
    CreateParams(style, exStyle);
    window_.Create(style, exStyle);
    window_.SetTabStops(settings_.TabWidth);
    settings_.ApplyColumnWidth(window_, Width());
    if (savedItems_) {
        std::unique_ptr<TStringList> saved = std::move(savedItems_);
        Items()->Assign(*saved);
        SetItemIndex(indexAfterResort(*saved, savedItemIndex_));
        SetTopIndex(indexAfterResort(*saved, savedTopIndex_));
    }
    ResetExtent();
}

int TKxCustomListBox::indexAfterResort(const TStrings& saved, int index) const {
    if (index < 0 || index >= saved.Count()) return index;
    for (int i = 0; i < Items()->Count(); ++i)
        if (Items()->Strings(i) == saved.Strings(index) && Items()->Objects(i) == saved.Objects(index)) return i;
    return index;
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

int TKxCustomListBox::ItemIndex() const {
    return Window().GetCurSel();
}

void TKxCustomListBox::SetItemIndex(int index) {
    SetListBoxItemIndex(Window(), settings_.MultiSelect, index);
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
    return ListBoxSelected(Window(), index);
}

void TKxCustomListBox::SetSelected(int index, bool selected) {
    SetListBoxSelected(Window(), settings_.MultiSelect, index, selected);
}

int TKxCustomListBox::ItemAtPos(POINT pos, bool existing) const {
    return ListBoxItemAtPos(Window(), pos, existing);
}

RECT TKxCustomListBox::ItemRect(int index) const {
    return ListBoxItemRect(Window(), index);
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
    if (settings_.Change(&TListBoxSettings::BorderStyle, style)) RecreateWnd();
}

void TKxCustomListBox::SetColumns(int columns) {
    columns = Max(0, columns);
    if (columns == settings_.Columns) return;
    const bool recreate = (columns == 0) != (settings_.Columns == 0);
    settings_.Columns = columns;
    if (recreate)
        RecreateWnd();
    else if (HandleAllocated())
        settings_.ApplyColumnWidth(window_, Width());
}

void TKxCustomListBox::SetExtendedSelect(bool extended) {
    if (settings_.Change(&TListBoxSettings::ExtendedSelect, extended)) RecreateWnd();
}

void TKxCustomListBox::SetGraySelection(bool gray) {
    if (gray == graySelection_) return;
    graySelection_ = gray;
    Invalidate();
}

void TKxCustomListBox::SetIntegralHeight(bool integral) {
    if (settings_.Change(&TListBoxSettings::IntegralHeight, integral)) RecreateWnd();
}

int TKxCustomListBox::GetItemHeight() const {
    if (settings_.Style == lbStandard && HandleAllocated()) {
        RECT rect;
        if (window_.GetItemRect(0, rect) == LB_OKAY) return rect.bottom - rect.top;
    }
    return settings_.ItemHeight;
}

void TKxCustomListBox::SetItemHeight(int height) {
    if (height >= 1 && settings_.Change(&TListBoxSettings::ItemHeight, height)) RecreateWnd();
}

void TKxCustomListBox::SetMultiSelect(bool multi) {
    if (settings_.Change(&TListBoxSettings::MultiSelect, multi)) RecreateWnd();
}

void TKxCustomListBox::SetSorted(bool sorted) {
    if (settings_.Change(&TListBoxSettings::Sorted, sorted)) RecreateWnd();
}

void TKxCustomListBox::SetStyle(TListBoxStyle style) {
    if (settings_.Change(&TListBoxSettings::Style, style)) RecreateWnd();
}

void TKxCustomListBox::SetTabWidth(int width) {
    width = Max(0, width);
    if (settings_.Change(&TListBoxSettings::TabWidth, width)) RecreateWnd();
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
    extent_.Clearing(window_);
    if (keepsExtent())
        extent_.MeasureAll(window_);
    else
        extent_.Apply(window_);
}

int TKxCustomListBox::GetItemWidth(int index) {
    if (settings_.Style != lbStandard && onGetItemWidth_ && onDrawItem_) {
        int width = 0;
        onGetItemWidth_(this, index, width);
        return width;
    }
    return textItemWidth(canvas_, Items()->Strings(index), settings_.TabWidth);
}

int TKxCustomListBox::AddString(const std::string& text) {
    const int index = Window().AddString(text);
    if (keepsExtent()) extent_.Stored(window_, index);
    return index;
}

int TKxCustomListBox::InsertString(int index, const std::string& text) {
    const int at = Window().InsertString(index, text);
    if (keepsExtent()) extent_.Stored(window_, at);
    return at;
}

int TKxCustomListBox::DeleteString(int index) {
    if (!keepsExtent()) return Window().DeleteString(index);
    extent_.Deleting(window_, index);
    const int left = window_.DeleteString(index);
    extent_.Deleted(window_, index, left);
    return left;
}

void TKxCustomListBox::ResetContent() {
    if (keepsExtent()) extent_.Clearing(Window());
    Window().ResetContent();
    if (keepsExtent()) extent_.Apply(window_);
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
    if (HandleAllocated() && keepsExtent()) extent_.MeasureAll(window_);
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
    canvas_.Brush().SetStyle(bsClear);
    TabbedTextOut(canvas_, rect.left + 2, y, Items()->Strings(index),
                  tabStopPixels(canvas_, settings_.TabWidth));
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
    int height = settings_.ItemHeight;
    if (settings_.Style == lbOwnerDrawVariable && index >= 0) MeasureItem(index, height);
    return height;
}

void TKxCustomListBox::SelectionChangeNotify() {
    Click();
}

void TKxCustomListBox::ResizeNotify() {
    settings_.ApplyColumnWidth(window_, Width());
}

TTextListBox::TTextListBox(TComponent* owner)
    : TCustomListBox(owner), extent_([this](int index) { return itemWidth(index); }) {
    Canvas().Font().Assign(Font());
}

int TTextListBox::itemWidth(int index) {
    return textItemWidth(Canvas(), Items()->Strings(index), TabWidth());
}

int TTextListBox::AddString(const std::string& text) {
    const int index = TCustomListBox::AddString(text);
    extent_.Stored(Window(), index);
    return index;
}

int TTextListBox::InsertString(int index, const std::string& text) {
    const int at = TCustomListBox::InsertString(index, text);
    extent_.Stored(Window(), at);
    return at;
}

int TTextListBox::DeleteString(int index) {
    extent_.Deleting(Window(), index);
    const int left = TCustomListBox::DeleteString(index);
    extent_.Deleted(Window(), index, left);
    return left;
}

void TTextListBox::ResetContent() {
    extent_.Clearing(Window());
    TCustomListBox::ResetContent();
    extent_.Apply(Window());
}

void TTextListBox::FontChanged() {
    TCustomListBox::FontChanged();
    Canvas().Font().Assign(Font());
    extent_.MeasureAll(Window());
}

namespace {

const TTypeInfo& listBoxStyleType() {
    return EnumerationType("TListBoxStyle", {"lbStandard", "lbOwnerDrawFixed", "lbOwnerDrawVariable"});
}

// What the list boxes publish; the base publishes nothing, its descendants its settings.
const bool listBoxesPublished =
    RegisterPublishedClass("TKxCustomListBox", "TWinControl", {}) &&
    RegisterPublishedClass("TTextListBox", "TCustomListBox",
                           {InheritedProperty("TCustomListBox", "ParentColor", false),
                            InheritedProperty("TCustomListBox", "TabStop", true)});

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
        InheritedProperty("TWinControl", "ParentColor", false),
        EventProperty("OnDrawItem", MethodType("TDrawItemEvent"), &TKxCustomListBox::OnDrawItem,
                      &TKxCustomListBox::SetOnDrawItem),
        EventProperty("OnGetItemWidth", MethodType("TGetItemWidthEvent"), &TKxCustomListBox::OnGetItemWidth,
                      &TKxCustomListBox::SetOnGetItemWidth),
        EventProperty("OnMeasureItem", MethodType("TMeasureItemEvent"), &TKxCustomListBox::OnMeasureItem),
    };
}
