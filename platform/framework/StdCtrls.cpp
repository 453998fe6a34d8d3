#include "platform/framework/StdCtrls.h"

#include "platform/framework/QtControls.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyledItemDelegate>

namespace {

template <class T> T* widgetAs(QWidget* widget) {
    return static_cast<T*>(widget);
}

// A check box whose caption, when the box is too narrow for it, shows its beginning and an
// ellipsis rather than letters cut through.
class FittingCheckBox : public QCheckBox {
public:
    void setCaption(const QString& caption) {
        caption_ = caption;
        fit();
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QCheckBox::resizeEvent(event);
        fit();
    }
    void changeEvent(QEvent* event) override {
        QCheckBox::changeEvent(event);
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) fit();
    }

private:
    void fit() {
        QStyleOptionButton option;
        initStyleOption(&option);
        const int room = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this).width();
        setText(fontMetrics().elidedText(caption_, Qt::ElideRight, room, Qt::TextShowMnemonic));
    }

    QString caption_;
};

// A combo box that tells its control before its list drops down.
class ComboWidget : public vx::Widget<QComboBox> {
public:
    ComboWidget(TControl* owner, std::function<void()> droppingDown)
        : vx::Widget<QComboBox>(owner), droppingDown_(std::move(droppingDown)) {}
    void showPopup() override {
        if (control) droppingDown_();
        QComboBox::showPopup();
    }

private:
    std::function<void()> droppingDown_;
};

// Rows of one height in a combo box's list.
class RowHeightDelegate : public QStyledItemDelegate {
public:
    RowHeightDelegate(QObject* parent, int height) : QStyledItemDelegate(parent), height_(height) {}
    void setHeight(int height) { height_ = height; }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), height_};
    }

private:
    int height_;
};

} // namespace

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 65, 17);
}

void TCustomLabel::SetAlignment(TAlignment alignment) {
    if (alignment == alignment_) return;
    alignment_ = alignment;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout layout) {
    if (layout == layout_) return;
    layout_ = layout;
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    AdjustBounds();
}

void TCustomLabel::SetWordWrap(bool wordWrap) {
    if (wordWrap == wordWrap_) return;
    wordWrap_ = wordWrap;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetTransparent(bool transparent) {
    if (transparent == transparent_) return;
    transparent_ = transparent;
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool show) {
    if (show == showAccelChar_) return;
    showAccelChar_ = show;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* control) {
    if (focusControl_) focusControl_->RemoveFreeNotification(this);
    focusControl_ = control;
    if (control) control->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == opRemove && component == focusControl_) focusControl_ = nullptr;
}

bool TCustomLabel::DialogChar(char key) {
    if (!focusControl_ || !Enabled() || !showAccelChar_ || !IsAccelerator(key, Caption()) ||
        !focusControl_->CanFocus())
        return false;
    focusControl_->SetFocus();
    return true;
}

void TCustomLabel::MouseEnter() {
    TGraphicControl::MouseEnter();
    if (OnMouseEnter) OnMouseEnter(this);
}

void TCustomLabel::MouseLeave() {
    TGraphicControl::MouseLeave();
    if (OnMouseLeave) OnMouseLeave(this);
}

unsigned TCustomLabel::TextFlags() const {
    unsigned flags = DT_EXPANDTABS;
    if (wordWrap_) flags |= DT_WORDBREAK;
    if (alignment_ == taCenter)
        flags |= DT_CENTER;
    else if (alignment_ == taRightJustify)
        flags |= DT_RIGHT;
    if (!showAccelChar_) flags |= DT_NOPREFIX;
    return flags;
}

void TCustomLabel::Paint() {
    TCanvas& canvas = Canvas();
    const RECT client = ClientRect();
    if (!transparent_) {
        canvas.Brush().SetColor(Color());
        canvas.FillRect(client);
    }
    canvas.Brush().SetStyle(bsClear);
    RECT area = client;
    if (layout_ != tlTop) {
        RECT measured = client;
        canvas.DrawText(Caption(), measured, TextFlags() | DT_CALCRECT);
        const int room = client.bottom - measured.bottom;
        const int shift = layout_ == tlBottom ? room : room / 2;
        area.top += shift;
        area.bottom += shift;
    }
    canvas.DrawText(Caption(), area, TextFlags());
}

void TCustomLabel::AdjustBounds() {
    if (!autoSize_) return;
    TCanvas measure;
    measure.Font().Assign(Font());
    std::string text = Caption();
    // An empty caption (or a lone "&") keeps the height of one line.
    if (text.empty() || (showAccelChar_ && text == "&")) text += ' ';
    RECT rect{0, 0, Width(), 0};
    measure.DrawText(text, rect, (TextFlags() & ~(DT_CENTER | DT_RIGHT)) | DT_CALCRECT);
    int left = Left();
    if (alignment_ == taRightJustify) left += Width() - rect.right;
    SetBounds(left, Top(), rect.right, rect.bottom);
}

void TCustomLabel::TextChanged() {
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::FontChanged() {
    TGraphicControl::FontChanged();
    AdjustBounds();
}

TButton::TButton(TComponent* owner) : TWinControl(owner) {
    auto* button = new vx::Widget<QPushButton>(this);
    QObject::connect(button, &QPushButton::clicked, [this] { vx::ControlEvents::click(this); });
    AttachWidget(button);
    SetTabStop(true);
    SetBounds(0, 0, 75, 25);
}

void TButton::SetDefault(bool value) {
    default_ = value;
    widgetAs<QPushButton>(Widget())->setDefault(value);
}

void TButton::Click() {
    if (TForm* form = GetParentForm(this)) form->SetModalResult(modalResult_);
    TWinControl::Click();
}

void TButton::TextChanged() {
    widgetAs<QPushButton>(Widget())->setText(vx::ToQString(Caption()));
}

TCheckBox::TCheckBox(TComponent* owner) : TWinControl(owner) {
    auto* box = new vx::Widget<FittingCheckBox>(this);
    QObject::connect(box, &QCheckBox::clicked,
                     [this](bool checked) { vx::Guarded([this, checked] { userToggled(checked); }); });
    AttachWidget(box);
    SetTabStop(true);
    SetBounds(0, 0, 97, 17);
}

void TCheckBox::userToggled(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    Click();
}

void TCheckBox::SetChecked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    {
        const QSignalBlocker blocker(Widget());
        widgetAs<QCheckBox>(Widget())->setChecked(checked);
    }
    Click();
}

void TCheckBox::SetAlignment(TAlignment alignment) {
    alignment_ = alignment;
    Widget()->setLayoutDirection(alignment == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
}

void TCheckBox::TextChanged() {
    widgetAs<FittingCheckBox>(Widget())->setCaption(vx::ToQString(Caption()));
}

TRadioButton::TRadioButton(TComponent* owner) : TWinControl(owner) {
    auto* button = new vx::Widget<QRadioButton>(this);
    button->setAutoExclusive(false);
    QObject::connect(button, &QRadioButton::clicked, [this] { vx::Guarded([this] { userClicked(); }); });
    AttachWidget(button);
    SetTabStop(true);
    SetBounds(0, 0, 113, 17);
}

void TRadioButton::userClicked() {
    // A click never unchecks a radio button.
    {
        const QSignalBlocker blocker(Widget());
        widgetAs<QRadioButton>(Widget())->setChecked(true);
    }
    SetChecked(true);
}

void TRadioButton::SetChecked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    {
        const QSignalBlocker blocker(Widget());
        widgetAs<QRadioButton>(Widget())->setChecked(checked);
    }
    if (!checked) return;
    if (TWinControl* parent = Parent()) {
        for (int i = 0; i < parent->ControlCount(); ++i)
            if (auto* sibling = dynamic_cast<TRadioButton*>(parent->Controls(i)); sibling && sibling != this)
                sibling->SetChecked(false);
    }
    Click();
}

void TRadioButton::TextChanged() {
    widgetAs<QRadioButton>(Widget())->setText(vx::ToQString(Caption()));
}

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
    auto* edit = new vx::Widget<QLineEdit>(this);
    QObject::connect(edit, &QLineEdit::textChanged, [this] {
        if (!updatingWidget_) vx::Guarded([this] { userEdited(); });
    });
    AttachWidget(edit);
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 21);
}

void TEdit::userEdited() {
    StoreCaption(vx::FromQString(widgetAs<QLineEdit>(Widget())->text()));
    if (OnChange) OnChange(this);
}

void TEdit::TextChanged() {
    updatingWidget_ = true;
    auto* edit = widgetAs<QLineEdit>(Widget());
    edit->setText(vx::ToQString(Caption()));
    // A text the program puts in shows from its start, as a name longer than the box should.
    edit->setCursorPosition(0);
    updatingWidget_ = false;
    if (OnChange) OnChange(this);
}

void TEdit::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    widgetAs<QLineEdit>(Widget())->setReadOnly(readOnly);
}

void TEdit::SetMaxLength(int maxLength) {
    maxLength_ = std::max(0, maxLength);
    widgetAs<QLineEdit>(Widget())->setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
}

void TEdit::SelectAll() {
    widgetAs<QLineEdit>(Widget())->selectAll();
}

// The combo box's items live in the widget; changing them never fires OnChange.
class TComboBox::Strings : public TStrings {
public:
    Strings(TComboBox& owner, QComboBox* box) : owner_(owner), box_(box) {}
    int Count() const override { return box_->count(); }
    int Add(const std::string& text) override {
        const int index = owner_.Sorted() ? sortedPosition(text) : Count();
        insert(index, text);
        return index;
    }
    void Insert(int index, const std::string& text) override {
        if (index < 0 || index > Count()) IndexError(index);
        insert(index, text);
    }
    void Delete(int index) override {
        check(index);
        const QSignalBlocker blocker(box_);
        box_->removeItem(index);
    }
    void Clear() override {
        const QSignalBlocker blocker(box_);
        box_->clear();
    }

protected:
    std::string Get(int index) const override {
        check(index);
        return vx::FromQString(box_->itemText(index));
    }
    void Put(int index, const std::string& text) override {
        check(index);
        box_->setItemText(index, vx::ToQString(text));
    }
    TObject* GetObject(int index) const override {
        check(index);
        return reinterpret_cast<TObject*>(static_cast<std::uintptr_t>(box_->itemData(index).toULongLong()));
    }
    void PutObject(int index, TObject* object) override {
        check(index);
        box_->setItemData(index, QVariant::fromValue<qulonglong>(reinterpret_cast<std::uintptr_t>(object)));
    }

private:
    // After every item that sorts before or equal to text.
    int sortedPosition(const std::string& text) const {
        int index = 0;
        while (index < Count() && CompareStrings(Get(index), text) <= 0)
            ++index;
        return index;
    }
    void check(int index) const {
        if (index < 0 || index >= Count()) IndexError(index);
    }
    void insert(int index, const std::string& text) {
        const QSignalBlocker blocker(box_);
        const int selected = box_->currentIndex();
        box_->insertItem(index, vx::ToQString(text), QVariant::fromValue<qulonglong>(0));
        // A list that had no selection keeps none.
        if (selected < 0) box_->setCurrentIndex(-1);
    }

    TComboBox& owner_;
    QComboBox* box_;
};

TComboBox::TComboBox(TComponent* owner) : TWinControl(owner) {
    auto* box = new ComboWidget(this, [this] { vx::Guarded([this] { DropDown(); }); });
    box->setItemDelegate(new RowHeightDelegate(box, itemHeight_));
    items_ = std::make_unique<Strings>(*this, box);
    QObject::connect(box, &QComboBox::activated, [this, box] {
        StoreCaption(vx::FromQString(box->currentText()));
        vx::Guarded([this] { Change(); });
    });
    AttachWidget(box);
    SetTabStop(true);
    SetStyle(csDropDown);
    SetBounds(0, 0, 145, 21);
}

TComboBox::~TComboBox() = default;

TStrings* TComboBox::Items() const {
    return items_.get();
}

int TComboBox::ItemIndex() const {
    return widgetAs<QComboBox>(Widget())->currentIndex();
}

void TComboBox::SetItemIndex(int index) {
    auto* box = widgetAs<QComboBox>(Widget());
    if (index < 0 || index >= box->count()) index = -1;
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(index);
    StoreCaption(vx::FromQString(box->currentText()));
}

void TComboBox::SetStyle(TComboBoxStyle style) {
    style_ = style;
    auto* box = widgetAs<QComboBox>(Widget());
    const bool editable = style != csDropDownList;
    if (box->isEditable() == editable) return;
    const QSignalBlocker blocker(box);
    box->setEditable(editable);
    if (QLineEdit* edit = box->lineEdit()) {
        QObject::connect(edit, &QLineEdit::textEdited, [this](const QString& text) {
            StoreCaption(vx::FromQString(text));
            vx::Guarded([this] { Change(); });
        });
    }
}

void TComboBox::SetDropDownCount(int count) {
    dropDownCount_ = count;
    widgetAs<QComboBox>(Widget())->setMaxVisibleItems(std::max(1, count));
}

void TComboBox::SetSorted(bool sorted) {
    sorted_ = sorted;
    if (!sorted) return;
    auto* box = widgetAs<QComboBox>(Widget());
    const QSignalBlocker blocker(box);
    box->model()->sort(0);
}

void TComboBox::SetItemHeight(int height) {
    if (height < 1) return;
    itemHeight_ = height;
    auto* box = widgetAs<QComboBox>(Widget());
    static_cast<RowHeightDelegate*>(box->itemDelegate())->setHeight(height);
    box->view()->doItemsLayout();
}

void TComboBox::Change() {
    if (OnChange) OnChange(this);
}

void TComboBox::DropDown() {
    if (OnDropDown) OnDropDown(this);
}

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner) {
    AttachWidget(new vx::Widget<QGroupBox>(this));
    SetBounds(0, 0, 185, 105);
}

void TGroupBox::TextChanged() {
    widgetAs<QGroupBox>(Widget())->setTitle(vx::ToQString(Caption()));
}
