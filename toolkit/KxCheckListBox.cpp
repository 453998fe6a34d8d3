#include "toolkit/KxCheckListBox.h"

#include "platform/framework/Published.h"
#include "toolkit/Apputils.h"
#include "toolkit/Maxmin.h"

namespace {

std::uint32_t packState(TCheckBoxState state, bool enabled) {
    return (static_cast<std::uint32_t>(state) << 16) | (enabled ? 1u : 0u);
}

TCheckBoxState unpackState(std::uint32_t packed) {
    const std::uint32_t state = packed >> 16;
    return state <= cbGrayed ? static_cast<TCheckBoxState>(state) : cbUnchecked;
}

// A state read back from settings; anything but the three states is unchecked.
TCheckBoxState storedState(int value) {
    return value >= cbUnchecked && value <= cbGrayed ? static_cast<TCheckBoxState>(value) : cbUnchecked;
}

TKxCheckListBox& boxOf(const TKxListBoxStrings& strings) {
    return static_cast<TKxCheckListBox&>(*strings.ListBox());
}

} // namespace

void TCheckListBoxStrings::Exchange(int index1, int index2) {
    TKxCheckListBox& box = boxOf(*this);
    const TCheckBoxState state1 = box.State(index1), state2 = box.State(index2);
    const bool enabled1 = box.ItemEnabled(index1), enabled2 = box.ItemEnabled(index2);
    BeginUpdate();
    TKxListBoxStrings::Exchange(index1, index2);
    box.storeRaw(index1, state2, enabled2);
    box.storeRaw(index2, state1, enabled1);
    EndUpdate();
}

void TCheckListBoxStrings::Move(int currentIndex, int newIndex) {
    if (currentIndex == newIndex) return;
    TKxCheckListBox& box = boxOf(*this);
    const TCheckBoxState state = box.State(currentIndex);
    const bool enabled = box.ItemEnabled(currentIndex);
    BeginUpdate();
    TKxListBoxStrings::Move(currentIndex, newIndex);
    box.storeRaw(newIndex, state, enabled);
    EndUpdate();
}

// A new text is the same item: it keeps its check.
void TCheckListBoxStrings::Put(int index, const std::string& text) {
    TKxCheckListBox& box = boxOf(*this);
    const TCheckBoxState state = box.State(index);
    const bool enabled = box.ItemEnabled(index);
    TKxListBoxStrings::Put(index, text);
    box.storeRaw(index, state, enabled);
}

TKxCheckListBox::TKxCheckListBox(TComponent* owner) : TKxCustomListBox(owner) {
    SetAutoScroll(true);
    checkWidth_ = CheckImages().Width() / 6 + 2;
    checkHeight_ = CheckImages().Height() / 3;
    drawBitmap_.SetSize(CheckImages().Width() / 6, checkHeight_);
    iniLink_.OnSave = [this](TObject*) {
        TObject* ini = nullptr;
        std::string section;
        if (linkedSettings(ini, section)) SaveStatesTo(ini, section);
    };
    iniLink_.OnLoad = [this](TObject*) {
        TObject* ini = nullptr;
        std::string section;
        if (linkedSettings(ini, section)) RestoreStatesFrom(ini, section);
    };
}

bool TKxCheckListBox::linkedSettings(TObject*& ini, std::string& section) const {
    ini = iniLink_.IniObject();
    if (Name().empty() || !ini) return false;
    section = iniLink_.RootSection() + GetDefaultSection(this);
    return true;
}

TKxCheckListBox::~TKxCheckListBox() = default;

std::unique_ptr<TStrings> TKxCheckListBox::CreateItemList() {
    return std::make_unique<TCheckListBoxStrings>(this);
}

void TKxCheckListBox::CreateParams(DWORD& style, DWORD& exStyle) const {
    TKxCustomListBox::CreateParams(style, exStyle);
    if (!(style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE))) style |= LBS_OWNERDRAWFIXED;
}

void TKxCheckListBox::CreateWnd() {
    TKxCustomListBox::CreateWnd();
    savedStates_.clear();
    nextSavedState_ = 0;
    resetItemHeight();
}

void TKxCheckListBox::DestroyWnd() {
    // The records go with the window; what they hold waits in savedStates_ and the items'
    // data go back to the user's data, which the base saves with the texts.
    const int count = IsDestroying() ? 0 : Window().GetCount();
    savedStates_.clear();
    nextSavedState_ = 0;
    for (int i = 0; i < count; ++i) {
        savedStates_.push_back(packState(State(i), ItemEnabled(i)));
        freeRecord(i);
    }
    TKxCustomListBox::DestroyWnd();
}

void TKxCheckListBox::Loaded() {
    TKxCustomListBox::Loaded();
    forceRadioConsistency();
}

void TKxCheckListBox::FontChanged() {
    TKxCustomListBox::FontChanged();
    if (HandleAllocated()) resetItemHeight();
}

void TKxCheckListBox::resetItemHeight() {
    if (Style() == lbOwnerDrawVariable || (Style() == lbOwnerDrawFixed && OnDrawItem())) return;
    TCanvas measure;
    measure.Font().Assign(Font());
    int height = Max(measure.TextHeight("Wg"), checkHeight_);
    if (Style() == lbOwnerDrawFixed) height = Max(height, ItemHeight());
    Window().SetItemHeight(0, height);
}

const TCheckListBoxItem* TKxCheckListBox::findRecord(int index) const {
    const std::intptr_t data = TKxCustomListBox::GetItemData(index);
    if (data == LB_ERR && (index < 0 || index >= Window().GetCount()))
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    const auto found = records_.find(data);
    return found == records_.end() ? nullptr : found->second.get();
}

TCheckListBoxItem& TKxCheckListBox::record(int index) {
    if (const TCheckListBoxItem* existing = findRecord(index))
        return const_cast<TCheckListBoxItem&>(*existing);
    auto item = std::make_unique<TCheckListBoxItem>();
    // An item without a record keeps the user's data in the window.
    item->Data = TKxCustomListBox::GetItemData(index);
    const auto key = reinterpret_cast<std::intptr_t>(item.get());
    TCheckListBoxItem& result = *item;
    records_.emplace(key, std::move(item));
    TKxCustomListBox::SetItemData(index, key);
    return result;
}

void TKxCheckListBox::freeRecord(int index) {
    const std::intptr_t data = TKxCustomListBox::GetItemData(index);
    const auto found = records_.find(data);
    if (found == records_.end()) return;
    TKxCustomListBox::SetItemData(index, found->second->Data);
    records_.erase(found);
}

std::intptr_t TKxCheckListBox::GetItemData(int index) const {
    if (const TCheckListBoxItem* item = findRecord(index)) return item->Data;
    return TKxCustomListBox::GetItemData(index);
}

void TKxCheckListBox::SetItemData(int index, std::intptr_t data) {
    TCheckListBoxItem& item = record(index);
    item.Data = data;
    // Items coming back into a re-created window take their saved states in order.
    if (nextSavedState_ < savedStates_.size()) {
        const std::uint32_t saved = savedStates_[nextSavedState_++];
        item.State = unpackState(saved);
        item.Enabled = (saved & 0xFFFF) != 0;
    }
}

int TKxCheckListBox::DeleteString(int index) {
    freeRecord(index);
    return TKxCustomListBox::DeleteString(index);
}

void TKxCheckListBox::ResetContent() {
    for (int i = Window().GetCount() - 1; i >= 0; --i)
        freeRecord(i);
    records_.clear();
    TKxCustomListBox::ResetContent();
}

TCheckBoxState TKxCheckListBox::State(int index) const {
    const TCheckListBoxItem* item = findRecord(index);
    const TCheckBoxState state = item ? item->State : cbUnchecked;
    if (checkKind_ == ckRadioButtons && state != cbChecked) return cbUnchecked;
    return state;
}

void TKxCheckListBox::SetState(int index, TCheckBoxState state) {
    setState(index, state, false);
}

void TKxCheckListBox::setState(int index, TCheckBoxState state, bool force) {
    const TCheckBoxState current = State(index);
    if (current == state && !force) return;
    const bool radio = checkKind_ == ckRadioButtons;
    if (radio && current == cbChecked && state == cbUnchecked) return;
    record(index).State = state;
    if (radio && state == cbChecked) {
        for (int i = Window().GetCount() - 1; i >= 0; --i) {
            if (i == index || State(i) != cbChecked) continue;
            record(i).State = cbUnchecked;
            invalidateCheck(i);
        }
    }
    invalidateCheck(index);
    Window().Update();
    ChangeItemState(index);
}

void TKxCheckListBox::storeRaw(int index, TCheckBoxState state, bool enabled) {
    TCheckListBoxItem& item = record(index);
    item.State = state;
    item.Enabled = enabled;
    invalidateItem(index);
}

bool TKxCheckListBox::ItemEnabled(int index) const {
    const TCheckListBoxItem* item = findRecord(index);
    return item ? item->Enabled : true;
}

void TKxCheckListBox::SetItemEnabled(int index, bool enabled) {
    if (ItemEnabled(index) == enabled) return;
    record(index).Enabled = enabled;
    invalidateItem(index);
}

void TKxCheckListBox::SetCheckKind(TCheckKind kind) {
    if (kind == checkKind_) return;
    checkKind_ = kind;
    Invalidate();
    forceRadioConsistency();
}

void TKxCheckListBox::forceRadioConsistency() {
    const int count = Window().GetCount();
    if (checkKind_ != ckRadioButtons || count == 0) return;
    int first = 0;
    for (int i = 0; i < count; ++i)
        if (State(i) == cbChecked) {
            first = i;
            break;
        }
    setState(first, cbChecked, true);
}

int TKxCheckListBox::CheckedIndex() const {
    if (checkKind_ != ckRadioButtons) return -1;
    const int count = Window().GetCount();
    for (int i = 0; i < count; ++i)
        if (State(i) == cbChecked) return i;
    return -1;
}

void TKxCheckListBox::SetCheckedIndex(int index) {
    if (checkKind_ == ckRadioButtons) SetState(Max(index, 0), cbChecked);
}

bool TKxCheckListBox::grayedAllowed() const {
    return allowGrayed_ && checkKind_ != ckRadioButtons;
}

void TKxCheckListBox::ToggleClickCheck(int index) {
    if (index < 0 || index >= Window().GetCount() || !ItemEnabled(index)) return;
    switch (State(index)) {
    case cbUnchecked:
        SetState(index, grayedAllowed() ? cbGrayed : cbChecked);
        break;
    case cbChecked:
        SetState(index, cbUnchecked);
        break;
    case cbGrayed:
        SetState(index, cbChecked);
        break;
    }
    ClickCheck();
}

void TKxCheckListBox::ApplyState(TCheckBoxState state, bool enabledOnly) {
    if (checkKind_ == ckRadioButtons) return;
    const int count = Window().GetCount();
    for (int i = 0; i < count; ++i)
        if (!enabledOnly || ItemEnabled(i)) SetState(i, state);
}

void TKxCheckListBox::ClickCheck() {
    if (OnClickCheck) OnClickCheck(this);
}

void TKxCheckListBox::ChangeItemState(int index) {
    if (OnStateChange) OnStateChange(this, index);
}

void TKxCheckListBox::AssignItems(const TStrings& items) {
    Items()->BeginUpdate();
    TKxCustomListBox::AssignItems(items);
    if (const auto* source = dynamic_cast<const TCheckListBoxStrings*>(&items)) {
        const TKxCheckListBox& from = boxOf(*source);
        const int count = Min(Window().GetCount(), from.Window().GetCount());
        for (int i = 0; i < count; ++i) {
            SetState(i, from.State(i));
            SetItemEnabled(i, from.ItemEnabled(i));
        }
    }
    Items()->EndUpdate();
}

int TKxCheckListBox::GetItemWidth(int index) {
    return TKxCustomListBox::GetItemWidth(index) + checkWidth_;
}

void TKxCheckListBox::DrawItemNotify(int index, const RECT& rect, TOwnerDrawState state) {
    RECT itemRect = rect;
    itemRect.left += checkWidth_;
    TKxCustomListBox::DrawItemNotify(index, itemRect, state);
}

void TKxCheckListBox::DrawItem(int index, const RECT& rect, TOwnerDrawState state) {
    if (index < Window().GetCount()) {
        drawCheck({rect.left - checkWidth_, rect.top, rect.left, rect.bottom}, State(index),
                  ItemEnabled(index) && Enabled());
        // The light grey of a disabled item stands out on the highlight only.
        if (!ItemEnabled(index))
            Canvas().Font().SetColor(Canvas().Brush().Color() == clHighlight ? clInactiveCaptionText
                                                                             : clGrayText);
    }
    // A standard list draws its items itself, whatever OnDrawItem says.
    if (Style() == lbStandard)
        DefaultDrawItem(index, rect);
    else
        TKxCustomListBox::DrawItem(index, rect, state);
}

void TKxCheckListBox::drawCheck(const RECT& rect, TCheckBoxState state, bool enabled) {
    const TBitmap& images = CheckImages();
    const int cellWidth = images.Width() / 6, cellHeight = images.Height() / 3;
    const int left = rect.left + (rect.right - rect.left - cellWidth) / 2;
    const int top = rect.top + (rect.bottom - rect.top - cellHeight) / 2;
    const int row = checkKind_ == ckRadioButtons ? 1 : checkKind_ == ckCheckMarks ? 2 : 0;
    const int cell = 6 * row + (enabled ? 0 : 3) + static_cast<int>(state);
    const int cellLeft = cell % 6 * cellWidth, cellTop = cell / 6 * cellHeight;
    drawBitmap_.Canvas().CopyRect({0, 0, cellWidth, cellHeight}, const_cast<TBitmap&>(images).Canvas(),
                                  {cellLeft, cellTop, cellLeft + cellWidth, cellTop + cellHeight});
    TCanvas& canvas = Canvas();
    const TColor brush = canvas.Brush().Color();
    canvas.Brush().SetColor(Color());
    canvas.FillRect({left, top, left + cellWidth, top + cellHeight});
    drawBitmap_.SetTransparentColor(images.TransparentColor());
    drawBitmap_.SetTransparent(true);
    canvas.Draw(left, top, drawBitmap_);
    canvas.Brush().SetColor(brush);
}

void TKxCheckListBox::invalidateCheck(int index) {
    if (!HandleAllocated()) return;
    RECT rect;
    if (Window().GetItemRect(index, rect) != LB_OKAY) return;
    rect.right = rect.left + checkWidth_;
    Window().InvalidateRect(rect);
}

void TKxCheckListBox::invalidateItem(int index) {
    RECT rect;
    if (HandleAllocated() && Window().GetItemRect(index, rect) == LB_OKAY) Window().InvalidateRect(rect);
}

void TKxCheckListBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TKxCustomListBox::MouseDown(button, shift, x, y);
    if (button != mbLeft) return;
    const int index = ItemAtPos({x, y}, true);
    if (index < 0) return;
    if (x - ItemRect(index).left < checkWidth_) ToggleClickCheck(index);
}

void TKxCheckListBox::KeyPress(char& key) {
    TKxCustomListBox::KeyPress(key);
    switch (key) {
    case ' ':
        ToggleClickCheck(ItemIndex());
        key = 0;
        break;
    case '+':
        ApplyState(cbChecked, true);
        ClickCheck();
        break;
    case '-':
        ApplyState(cbUnchecked, true);
        ClickCheck();
        break;
    default:
        break;
    }
}

void TKxCheckListBox::SaveStatesTo(TObject* ini, const std::string& section) {
    IniUpdate(ini, [&] {
        IniEraseSection(ini, section);
        const int count = Window().GetCount();
        IniWriteInteger(ini, section, "Count", count);
        for (int i = 0; i < count; ++i)
            IniWriteInteger(ini, section, "Item" + std::to_string(i), State(i));
    });
}

void TKxCheckListBox::RestoreStatesFrom(TObject* ini, const std::string& section) {
    const int count = Min(IniReadInteger(ini, section, "Count", 0), Window().GetCount());
    for (int i = 0; i < count; ++i) {
        // The radio choice is the first item stored checked; the item checked before the
        // restore may refuse to come unchecked and must not end it.
        const TCheckBoxState state = storedState(IniReadInteger(ini, section, "Item" + std::to_string(i), 0));
        SetState(i, state);
        if (checkKind_ == ckRadioButtons && state == cbChecked) break;
    }
}

void TKxCheckListBox::SaveStates(TIniFile& ini) {
    SaveStatesTo(&ini, GetDefaultSection(this));
}

void TKxCheckListBox::RestoreStates(TIniFile& ini) {
    RestoreStatesFrom(&ini, GetDefaultSection(this));
}

void TKxCheckListBox::SaveStatesReg(TRegIniFile& ini) {
    SaveStatesTo(&ini, GetDefaultSection(this));
}

void TKxCheckListBox::RestoreStatesReg(TRegIniFile& ini) {
    RestoreStatesFrom(&ini, GetDefaultSection(this));
}

namespace {

std::vector<TPropInfo> checkListProperties() {
    std::vector<TPropInfo> properties = KxListBoxPublishedProperties();
    properties.push_back(Property("AllowGrayed", TypeBoolean(), &TKxCheckListBox::AllowGrayed,
                                  &TKxCheckListBox::SetAllowGrayed, false));
    properties.push_back(Property(
        "CheckKind", EnumerationType("TCheckKind", {"ckCheckBoxes", "ckRadioButtons", "ckCheckMarks"}),
        &TKxCheckListBox::CheckKind, &TKxCheckListBox::SetCheckKind, ckCheckBoxes));
    properties.push_back(Property("CheckedIndex", TypeInteger(), &TKxCheckListBox::CheckedIndex,
                                  &TKxCheckListBox::SetCheckedIndex, -1));
    properties.push_back(Property("IniStorage", ClassType("TFormPlacement"), &TKxCheckListBox::IniStorage,
                                  &TKxCheckListBox::SetIniStorage));
    properties.push_back(
        EventProperty("OnClickCheck", MethodType("TNotifyEvent"), &TKxCheckListBox::OnClickCheck));
    properties.push_back(
        EventProperty("OnStateChange", MethodType("TChangeStateEvent"), &TKxCheckListBox::OnStateChange));
    return properties;
}

const bool checkListPublished =
    RegisterPublishedClass("TKxCheckListBox", "TKxCustomListBox", checkListProperties());

} // namespace
