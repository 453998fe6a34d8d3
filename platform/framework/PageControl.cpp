#include "platform/framework/PageControl.h"

#include "platform/framework/QtControls.h"

#include <QAbstractButton>
#include <QChildEvent>
#include <QScrollArea>
#include <QTabWidget>
#include <algorithm>

// The area a sheet's controls live in. It keeps its minimum size at the extent of its
// controls, so that the scroll area around it shows scroll bars exactly when they reach
// past the visible part of the sheet.
class TTabSheet::Content : public vx::Widget<QWidget> {
public:
    explicit Content(TTabSheet* sheet) : Widget<QWidget>(sheet) { clickOnRelease = true; }

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::ChildAdded) {
            if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child()))
                child->installEventFilter(this);
            scheduleFit();
        } else if (event->type() == QEvent::ChildRemoved) {
            scheduleFit();
        }
        return Widget<QWidget>::event(event);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
            scheduleFit();
            break;
        default:
            break;
        }
        return false;
    }

private:
    // Controls are usually placed right after they join: measure once they all stand.
    void scheduleFit() {
        if (fitPending_) return;
        fitPending_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                fitPending_ = false;
                fitChildren();
            },
            Qt::QueuedConnection);
    }
    void fitChildren() {
        int right = 0, bottom = 0;
        for (QObject* object : children()) {
            auto* child = qobject_cast<QWidget*>(object);
            if (!child || child->isHidden()) continue;
            // A check box is often given a whole row's width; only its box and caption need to be
            // in reach.
            const bool button = qobject_cast<QAbstractButton*>(child) != nullptr;
            const int width = button ? std::min(child->width(), child->sizeHint().width()) : child->width();
            right = std::max(right, child->x() + width);
            bottom = std::max(bottom, child->y() + child->height());
        }
        setMinimumSize(right, bottom);
    }

    bool fitPending_ = false;
};

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
    auto* area = new vx::Widget<QScrollArea>(this);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    content_ = new Content(this);
    content_->setAutoFillBackground(true);
    area->setWidget(content_);
    AttachWidget(area);
    ColorChanged();
}

// A sheet is filled with its Color, the colour its labels paint behind their text.
void TTabSheet::ColorChanged() {
    QPalette palette = content_->palette();
    palette.setColor(QPalette::Window, vx::ToQColor(Color()));
    content_->setPalette(palette);
}

TTabSheet::~TTabSheet() {
    SetPageControl(nullptr);
}

QWidget* TTabSheet::ClientWidget() const {
    return content_;
}

void TTabSheet::SetPageControl(TPageControl* pageControl) {
    if (pageControl == pageControl_) return;
    if (pageControl_) {
        pageControl_->removePage(this);
        pageControl_ = nullptr;
        SetParent(nullptr);
    }
    if (!pageControl) return;
    pageControl_ = pageControl;
    SetParent(pageControl);
    pageControl->insertPage(this);
}

int TTabSheet::PageIndex() const {
    if (!pageControl_) return -1;
    for (int i = 0; i < pageControl_->PageCount(); ++i)
        if (pageControl_->Pages(i) == this) return i;
    return -1;
}

void TTabSheet::TextChanged() {
    if (!pageControl_) return;
    auto* tabs = static_cast<QTabWidget*>(vx::ControlWidget(pageControl_));
    tabs->setTabText(tabs->indexOf(Widget()), vx::ToQString(Caption()));
}

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
    AttachWidget(new vx::Widget<QTabWidget>(this));
    SetTabStop(true);
    SetBounds(0, 0, 289, 193);
}

TPageControl::~TPageControl() {
    while (!pages_.empty())
        pages_.back()->SetPageControl(nullptr);
}

void TPageControl::insertPage(TTabSheet* page) {
    pages_.push_back(page);
    static_cast<QTabWidget*>(Widget())->addTab(vx::ControlWidget(page), vx::ToQString(page->Caption()));
}

void TPageControl::removePage(TTabSheet* page) {
    auto* tabs = static_cast<QTabWidget*>(Widget());
    tabs->removeTab(tabs->indexOf(vx::ControlWidget(page)));
    pages_.erase(std::remove(pages_.begin(), pages_.end(), page), pages_.end());
}

TTabSheet* TPageControl::ActivePage() const {
    const int index = ActivePageIndex();
    return index < 0 ? nullptr : pages_[static_cast<std::size_t>(index)];
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (page && page->PageControl() == this)
        static_cast<QTabWidget*>(Widget())->setCurrentWidget(vx::ControlWidget(page));
}

int TPageControl::ActivePageIndex() const {
    auto* tabs = static_cast<QTabWidget*>(Widget());
    QWidget* current = tabs->currentWidget();
    for (std::size_t i = 0; i < pages_.size(); ++i)
        if (vx::ControlWidget(pages_[i]) == current) return static_cast<int>(i);
    return -1;
}

void TPageControl::SetActivePageIndex(int index) {
    if (index >= 0 && index < PageCount()) SetActivePage(Pages(index));
}
