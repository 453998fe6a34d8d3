#include "platform/framework/ProgressBar.h"

#include "platform/framework/QtControls.h"

#include <QProgressBar>
#include <algorithm>

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner) {
    auto* bar = new vx::Widget<QProgressBar>(this);
    bar->setTextVisible(false);
    AttachWidget(bar);
    apply();
    SetBounds(0, 0, 150, 16);
}

void TProgressBar::SetMin(int value) {
    min_ = value;
    max_ = std::max(max_, min_);
    apply();
}

void TProgressBar::SetMax(int value) {
    max_ = value;
    min_ = std::min(min_, max_);
    apply();
}

void TProgressBar::SetPosition(int value) {
    const int clamped = std::clamp(value, min_, max_);
    if (clamped == position_) return;
    position_ = clamped;
    static_cast<QProgressBar*>(Widget())->setValue(position_);
}

void TProgressBar::apply() {
    position_ = std::clamp(position_, min_, max_);
    auto* bar = static_cast<QProgressBar*>(Widget());
    // An empty range would make the widget show its busy animation; it stays an empty bar.
    bar->setRange(min_, std::max(max_, min_ + 1));
    bar->setValue(position_);
}
