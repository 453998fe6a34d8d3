// What a control takes from its parent and keeps against it: colour, hints and the 3-D
// flag inherited until set, anchors, size constraints and the order of Tab key moves.
#include "platform/framework/Controls.h"

#include "platform/framework/QtControls.h"

#include <algorithm>

TSizeConstraints::TSizeConstraints(int minWidth, int minHeight, int maxWidth, int maxHeight)
    : minWidth_(std::max(0, minWidth)), minHeight_(std::max(0, minHeight)), maxWidth_(std::max(0, maxWidth)),
      maxHeight_(std::max(0, maxHeight)) {}

TSizeConstraints::TSizeConstraints(const TSizeConstraints& other)
    : TPersistent(), minWidth_(other.minWidth_), minHeight_(other.minHeight_), maxWidth_(other.maxWidth_),
      maxHeight_(other.maxHeight_) {}

void TSizeConstraints::SetMinWidth(int width) {
    setLimit(minWidth_, width, maxWidth_, true);
}

void TSizeConstraints::SetMinHeight(int height) {
    setLimit(minHeight_, height, maxHeight_, true);
}

void TSizeConstraints::SetMaxWidth(int width) {
    setLimit(maxWidth_, width, minWidth_, false);
}

void TSizeConstraints::SetMaxHeight(int height) {
    setLimit(maxHeight_, height, minHeight_, false);
}

void TSizeConstraints::setLimit(int& limit, int value, int& opposite, bool minimum) {
    value = std::max(0, value);
    if (value == limit) return;
    limit = value;
    const bool crosses = minimum ? opposite > 0 && value > opposite : value > 0 && value < opposite;
    if (crosses) opposite = value;
    changed();
}

int TSizeConstraints::ConstrainWidth(int width) const {
    if (maxWidth_ > 0) width = std::min(width, maxWidth_);
    return std::max(width, minWidth_);
}

int TSizeConstraints::ConstrainHeight(int height) const {
    if (maxHeight_ > 0) height = std::min(height, maxHeight_);
    return std::max(height, minHeight_);
}

void TSizeConstraints::Assign(const TPersistent& source) {
    const auto* other = dynamic_cast<const TSizeConstraints*>(&source);
    if (!other) AssignError(source);
    minWidth_ = other->minWidth_;
    minHeight_ = other->minHeight_;
    maxWidth_ = other->maxWidth_;
    maxHeight_ = other->maxHeight_;
    changed();
}

void TSizeConstraints::changed() {
    if (OnChange) OnChange(this);
}

void TControl::SetConstraints(const TSizeConstraints& constraints) {
    constraints_.Assign(constraints);
}

void TControl::ConstraintsChanged() {
    SetBounds(Left(), Top(), Width(), Height());
}

void TControl::adoptParentLook() {
    if (parentFont_) {
        applyingParentFont_ = true;
        font_.Assign(parent_->Font());
        applyingParentFont_ = false;
    }
    if (parentColor_) takeColor(parent_->Color());
    if (parentShowHint_) takeShowHint(parent_->ShowHint());
    if (auto* win = dynamic_cast<TWinControl*>(this); win && win->parentCtl3D_)
        win->takeCtl3D(parent_->Ctl3D());
}

void TControl::SetColor(TColor color) {
    if (color == color_) return;
    parentColor_ = false;
    takeColor(color);
}

void TControl::SetParentColor(bool parentColor) {
    parentColor_ = parentColor;
    if (parentColor && parent_) takeColor(parent_->Color());
}

void TControl::takeColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    ColorChanged();
    if (auto* win = dynamic_cast<TWinControl*>(this))
        for (TControl* child : win->controls_)
            if (child->parentColor_) child->takeColor(color);
}

void TControl::SetShowHint(bool showHint) {
    parentShowHint_ = false;
    takeShowHint(showHint);
}

void TControl::SetParentShowHint(bool parentShowHint) {
    parentShowHint_ = parentShowHint;
    if (parentShowHint && parent_) takeShowHint(parent_->ShowHint());
}

void TControl::takeShowHint(bool showHint) {
    showHint_ = showHint;
    SetHint(hint_);
    if (auto* win = dynamic_cast<TWinControl*>(this))
        for (TControl* child : win->controls_)
            if (child->parentShowHint_) child->takeShowHint(showHint);
}

void TWinControl::SetCtl3D(bool ctl3D) {
    parentCtl3D_ = false;
    takeCtl3D(ctl3D);
}

void TWinControl::SetParentCtl3D(bool parentCtl3D) {
    parentCtl3D_ = parentCtl3D;
    if (parentCtl3D && Parent()) takeCtl3D(Parent()->Ctl3D());
}

void TWinControl::takeCtl3D(bool ctl3D) {
    ctl3D_ = ctl3D;
    for (TControl* child : controls_)
        if (auto* win = dynamic_cast<TWinControl*>(child); win && win->parentCtl3D_) win->takeCtl3D(ctl3D);
}

void TControl::SetAnchors(TAnchors anchors) {
    anchors_ = anchors;
    updateAnchorRules();
}

void TControl::updateAnchorRules() {
    if (!parent_ || !parent_->ClientWidget()) return;
    anchorBounds_ = BoundsRect();
    anchorParentWidth_ = parent_->ClientWidget()->width();
    anchorParentHeight_ = parent_->ClientWidget()->height();
}

namespace {

// Start and length along one axis: anchored at both edges the control stretches, at the
// far edge alone it moves with it, at neither its middle keeps its share of the parent.
void anchorAxis(bool nearEdge, bool farEdge, int parentSize, int newParentSize, int& start, int& length) {
    if (nearEdge && farEdge)
        length += newParentSize - parentSize;
    else if (farEdge)
        start += newParentSize - parentSize;
    else if (!nearEdge && parentSize > 0)
        start = static_cast<int>(static_cast<long long>(start + length / 2) * newParentSize / parentSize) -
                length / 2;
}

} // namespace

RECT TControl::anchoredBounds(int clientWidth, int clientHeight) const {
    int left = anchorBounds_.left, width = anchorBounds_.right - anchorBounds_.left;
    int top = anchorBounds_.top, height = anchorBounds_.bottom - anchorBounds_.top;
    anchorAxis(anchors_ & akLeft, anchors_ & akRight, anchorParentWidth_, clientWidth, left, width);
    anchorAxis(anchors_ & akTop, anchors_ & akBottom, anchorParentHeight_, clientHeight, top, height);
    return {left, top, left + width, top + height};
}

void TWinControl::anchorControls() {
    const int width = ClientWidget()->width(), height = ClientWidget()->height();
    for (TControl* control : controls_) {
        if (control->Align() != alNone || control->Anchors() == (akLeft | akTop)) continue;
        const RECT bounds = control->anchoredBounds(width, height);
        control->anchoring_ = true;
        control->SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
        control->anchoring_ = false;
    }
}

int TWinControl::TabOrder() const {
    if (!Parent()) return -1;
    const std::vector<TWinControl*>& list = Parent()->tabList_;
    return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TWinControl::SetTabOrder(int order) {
    TWinControl* parent = Parent();
    if (!parent) return;
    std::vector<TWinControl*>& list = parent->tabList_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    const int last = static_cast<int>(list.size());
    list.insert(list.begin() + (order < 0 || order > last ? last : order), this);
    parent->applyTabOrder();
}

void TWinControl::applyTabOrder() {
    QWidget* previous = nullptr;
    for (TWinControl* control : tabList_) {
        QWidget* widget = control->Widget();
        if (!widget || widget->focusPolicy() == Qt::NoFocus) continue;
        if (previous) QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

void TWinControl::broadcastFocus(TWinControl* root, TWinControl* focused) {
    root->FocusChanged(focused);
    for (TControl* control : root->controls_) {
        if (auto* win = dynamic_cast<TWinControl*>(control))
            broadcastFocus(win, focused);
        else
            control->FocusChanged(focused);
    }
}
