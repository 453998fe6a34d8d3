#include "platform/framework/ComCtrls.h"

#include "platform/framework/QtControls.h"

#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdint>

TTrackBar::TTrackBar(TComponent* owner) : TWinControl(owner) {
    auto* slider = new vx::Widget<QSlider>(this, Qt::Horizontal);
    QObject::connect(slider, &QSlider::valueChanged, [this](int value) {
        const int position = sliderValue(value);
        if (position == position_) return;
        position_ = position;
        vx::Guarded([this] { Changed(); });
    });
    AttachWidget(slider);
    SetTabStop(true);
    applyRange();
    applyTicks();
    SetBounds(0, 0, 150, 45);
}

void TTrackBar::applyRange() {
    auto* slider = static_cast<QSlider*>(Widget());
    const QSignalBlocker blocker(slider);
    slider->setRange(min_, max_);
    slider->setValue(sliderValue(position_));
    slider->setPageStep(pageSize_);
    slider->setSingleStep(lineSize_);
}

// Qt draws a vertical slider with its minimum at the bottom and fills its groove from
// there to the thumb; the program's vertical track bars have their minimum at the top. The
// slider's value is the position mirrored within the range, so the thumb stands where the
// program expects, the Up key and the wheel move it up, and the fill runs from the bottom
// (for a fader: the louder, the fuller). The mirror is its own inverse.
int TTrackBar::sliderValue(int value) const {
    if (orientation_ != trVertical) return value;
    return static_cast<int>(std::int64_t{min_} + max_ - value);
}

void TTrackBar::applyTicks() {
    auto* slider = static_cast<QSlider*>(Widget());
    // Ticks closer than a few pixels merge into a bar: draw every n-th tick instead.
    constexpr int minimumGap = 5;
    const int length = std::max(1, orientation_ == trHorizontal ? Width() : Height());
    const long long range = static_cast<long long>(max_) - min_;
    int interval = std::max(1, frequency_);
    if (range * minimumGap > static_cast<long long>(interval) * length) {
        const long long steps = (range * minimumGap + static_cast<long long>(interval) * length - 1) /
                                (static_cast<long long>(interval) * length);
        interval = static_cast<int>(std::min<long long>(steps * interval, std::max<long long>(range, 1)));
    }
    slider->setTickInterval(interval);
    if (tickStyle_ == tsNone)
        slider->setTickPosition(QSlider::NoTicks);
    else if (tickMarks_ == tmBoth)
        slider->setTickPosition(QSlider::TicksBothSides);
    else if (tickMarks_ == tmTopLeft)
        slider->setTickPosition(QSlider::TicksAbove);
    else
        slider->setTickPosition(QSlider::TicksBelow);
}

void TTrackBar::SetBounds(int left, int top, int width, int height) {
    TWinControl::SetBounds(left, top, width, height);
    applyTicks();
}

void TTrackBar::SetMin(int value) {
    min_ = value;
    max_ = std::max(max_, min_);
    applyRange();
    applyTicks();
    SetPosition(position_);
}

void TTrackBar::SetMax(int value) {
    max_ = value;
    min_ = std::min(min_, max_);
    applyRange();
    applyTicks();
    SetPosition(position_);
}

void TTrackBar::SetPosition(int value) {
    value = std::clamp(value, min_, max_);
    if (value == position_) return;
    position_ = value;
    applyRange();
    Changed();
}

void TTrackBar::SetPageSize(int value) {
    pageSize_ = value;
    applyRange();
}

void TTrackBar::SetLineSize(int value) {
    lineSize_ = value;
    applyRange();
}

void TTrackBar::SetFrequency(int value) {
    frequency_ = value;
    applyTicks();
}

void TTrackBar::SetOrientation(TTrackBarOrientation orientation) {
    orientation_ = orientation;
    static_cast<QSlider*>(Widget())->setOrientation(orientation == trVertical ? Qt::Vertical
                                                                              : Qt::Horizontal);
    applyRange();
    applyTicks();
}

void TTrackBar::SetTickMarks(TTickMark marks) {
    tickMarks_ = marks;
    applyTicks();
}

void TTrackBar::SetTickStyle(TTickStyle style) {
    tickStyle_ = style;
    applyTicks();
}

void TTrackBar::Changed() {
    if (OnChange) OnChange(this);
}

TUpDown::TUpDown(TComponent* owner) : TWinControl(owner) {
    auto* box = new vx::Widget<QWidget>(this);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* up = new QToolButton(box);
    auto* down = new QToolButton(box);
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    up->setAutoRepeat(true);
    down->setAutoRepeat(true);
    for (QToolButton* button : {up, down}) {
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        layout->addWidget(button);
    }
    QObject::connect(up, &QToolButton::clicked, [this] { vx::Guarded([this] { Step(btNext); }); });
    QObject::connect(down, &QToolButton::clicked, [this] { vx::Guarded([this] { Step(btPrev); }); });
    AttachWidget(box);
    SetBounds(0, 0, 16, 24);
}

void TUpDown::SetMin(int value) {
    min_ = value;
    SetPosition(position_);
}

void TUpDown::SetMax(int value) {
    max_ = value;
    SetPosition(position_);
}

int TUpDown::Position() const {
    if (associate_) {
        std::string text = associate_->Text();
        text.erase(std::remove(text.begin(), text.end(), ','), text.end());
        try {
            std::size_t used = 0;
            const int value = std::stoi(text, &used);
            if (used == text.size())
                position_ = std::clamp(value, std::min(min_, max_), std::max(min_, max_));
        } catch (const std::exception&) {
            // Not a number: the last position stands.
        }
    }
    return position_;
}

void TUpDown::SetPosition(int value) {
    position_ = std::clamp(value, std::min(min_, max_), std::max(min_, max_));
    showPosition();
}

void TUpDown::showPosition() {
    if (associate_) associate_->SetText(std::to_string(position_));
}

void TUpDown::showUsedPosition() {
    const int used = Position();
    if (associate_ && associate_->Text() != std::to_string(used)) showPosition();
}

void TUpDown::SetAssociate(TEdit* edit) {
    if (associate_) RemoveFreeNotification(associate_);
    associate_ = edit;
    if (!edit) return;
    FreeNotification(edit);
    // The up-down's own widget is the connection's context: it ends with the up-down, and an
    // edit it no longer serves is left alone.
    QObject::connect(static_cast<QLineEdit*>(vx::ControlWidget(edit)), &QLineEdit::editingFinished, Widget(),
                     [this, edit] {
                         if (associate_ == edit) vx::Guarded([this] { showUsedPosition(); });
                     });
    SetParent(edit->Parent());
    SetBounds(edit->Left() + edit->Width(), edit->Top(), Width(), edit->Height());
    showPosition();
}

void TUpDown::Step(TUDBtnType button) {
    int value = Position() + (button == btNext ? increment_ : -increment_);
    if (value > max_)
        value = wrap_ ? min_ : max_;
    else if (value < min_)
        value = wrap_ ? max_ : min_;
    if (OnChanging) OnChanging(this);
    SetPosition(value);
    if (OnClick) OnClick(this, button);
}

void TUpDown::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component == associate_) associate_ = nullptr;
}

TSpinEdit::TSpinEdit(TComponent* owner) : TWinControl(owner) {
    auto* spin = new vx::Widget<QSpinBox>(this);
    spin->setRange(min_, max_);
    QObject::connect(spin, &QSpinBox::valueChanged, [this] {
        if (OnChange) vx::Guarded([this] { OnChange(this); });
    });
    AttachWidget(spin);
    SetTabStop(true);
    SetBounds(0, 0, 121, 22);
}

void TSpinEdit::SetMinValue(int value) {
    min_ = value;
    static_cast<QSpinBox*>(Widget())->setMinimum(value);
}

void TSpinEdit::SetMaxValue(int value) {
    max_ = value;
    static_cast<QSpinBox*>(Widget())->setMaximum(value);
}

int TSpinEdit::Value() const {
    return static_cast<QSpinBox*>(Widget())->value();
}

void TSpinEdit::SetValue(int value) {
    static_cast<QSpinBox*>(Widget())->setValue(value);
}

void TSpinEdit::SetIncrement(int value) {
    increment_ = value;
    static_cast<QSpinBox*>(Widget())->setSingleStep(value);
}
