#include "platform/framework/ListBoxWindow.h"

#include "platform/framework/QtControls.h"
#include "platform/framework/StringList.h"

#include <QAbstractScrollArea>
#include <QFontMetrics>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cctype>
#include <vector>

namespace {

// Index of the next tab in text from start, or npos.
std::size_t nextTab(const std::string& text, std::size_t start) {
    return text.find('\t', start);
}

// a / b rounded towards minus infinity.
int floorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

} // namespace

int AverageCharWidth(const TFont& font) {
    const QFontMetrics metrics(vx::ToQFont(font));
    return std::max(1, metrics.horizontalAdvance(QLatin1Char('0')));
}

int TabbedTextWidth(const TCanvas& canvas, const std::string& text, int tabStop) {
    int width = 0;
    std::size_t start = 0;
    for (std::size_t tab = nextTab(text, 0); tab != std::string::npos; tab = nextTab(text, start)) {
        width += canvas.TextWidth(text.substr(start, tab - start));
        if (tabStop > 0) width = (width / tabStop + 1) * tabStop;
        start = tab + 1;
    }
    return width + canvas.TextWidth(text.substr(start));
}

void TabbedTextOut(TCanvas& canvas, int x, int y, const std::string& text, int tabStop) {
    int offset = 0;
    std::size_t start = 0;
    for (std::size_t tab = nextTab(text, 0); tab != std::string::npos; tab = nextTab(text, start)) {
        const std::string part = text.substr(start, tab - start);
        if (!part.empty()) canvas.TextOut(x + offset, y, part);
        offset += canvas.TextWidth(part);
        if (tabStop > 0) offset = (offset / tabStop + 1) * tabStop;
        start = tab + 1;
    }
    if (start < text.size()) canvas.TextOut(x + offset, y, text.substr(start));
}

// The window itself: items, selection, scrolling and painting. The widget made of it is a
// vx::Widget<ListBoxArea>, so that the control hears its mouse and keys after the window
// has handled them.
class ListBoxArea : public QAbstractScrollArea {
public:
    struct Item {
        std::string text;
        std::intptr_t data = 0;
        bool selected = false; // multi-selection lists
        int height = 0;        // the variable style
    };

    explicit ListBoxArea(TListBoxOwner* owner) : owner(owner) {
        setFocusPolicy(Qt::StrongFocus);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        viewport()->setAutoFillBackground(false);
    }

    TListBoxOwner* owner; // cleared when the window object goes before the widget
    // The control, while it is not being destroyed.
    TControl* control() const {
        const vx::ControlLink* link = vx::LinkOf(const_cast<ListBoxArea*>(this));
        return link ? link->control : nullptr;
    }
    std::vector<Item> items;
    DWORD style = 0;
    bool created = false;
    int curSel = -1; // single-selection lists
    int caret = 0;
    int anchor = 0;
    int top = 0;
    int hpos = 0; // pixels, or columns in a multi-column list
    int extent = 0;
    int itemHeight = 16;
    int tabUnits = 0;
    int columnWidth = 0;
    bool redraw = true;
    bool clientEdge = false;

    bool multiSelect() const { return (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }
    bool extended() const { return (style & LBS_EXTENDEDSEL) != 0; }
    bool ownerDraw() const { return (style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0; }
    bool variable() const { return (style & LBS_OWNERDRAWVARIABLE) != 0 && !(style & LBS_MULTICOLUMN); }
    bool multiColumn() const { return (style & LBS_MULTICOLUMN) != 0; }
    int count() const { return static_cast<int>(items.size()); }
    bool valid(int index) const { return index >= 0 && index < count(); }
    int heightOf(int index) const {
        return variable() && valid(index) ? items[static_cast<std::size_t>(index)].height : itemHeight;
    }
    // The client area as the scroll bars leave it, worked out from the frame: a hidden
    // widget lays its viewport out only when it is shown.
    int clientWidth() const {
        const bool bar = verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn;
        return std::max(0, contentsRect().width() - (bar ? verticalScrollBar()->sizeHint().width() : 0));
    }
    int clientHeight() const {
        const bool bar = horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOn;
        return std::max(0, contentsRect().height() - (bar ? horizontalScrollBar()->sizeHint().height() : 0));
    }
    int rowsPerColumn() const { return std::max(1, clientHeight() / std::max(1, itemHeight)); }
    int columnStep() const { return columnWidth > 0 ? columnWidth : 15 * AverageCharWidth(fontOf()); }
    int tabStop() const {
        const int units = tabUnits > 0 ? tabUnits : 32;
        return (units * AverageCharWidth(fontOf()) + 2) / 4;
    }
    TFont fontOf() const {
        TFont font;
        if (TControl* host = control()) font.Assign(host->Font());
        return font;
    }

    void create(DWORD newStyle, DWORD exStyle) {
        style = newStyle;
        clientEdge = (exStyle & WS_EX_CLIENTEDGE) != 0;
        created = true;
        itemHeight = standardHeight();
        if (ownerDraw() && owner) itemHeight = std::max(1, measure(-1));
        applyStyle();
        fitIntegralHeight();
        updateScrollBars();
        viewport()->update();
    }

    void destroy() {
        items.clear();
        created = false;
        curSel = -1;
        caret = anchor = top = hpos = extent = 0;
        tabUnits = columnWidth = 0;
        redraw = true;
        updateScrollBars();
        viewport()->update();
    }

    int standardHeight() const { return QFontMetrics(font()).height(); }

    int measure(int index) {
        int height = itemHeight;
        vx::Guarded([&] { height = owner->MeasureItemNotify(index); });
        return height;
    }

    void applyStyle() {
        if (clientEdge) {
            setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        } else if (style & WS_BORDER) {
            setFrameStyle(QFrame::Box | QFrame::Plain);
            setLineWidth(1);
        } else {
            setFrameStyle(QFrame::NoFrame);
        }
    }

    int insert(int index, const std::string& text) {
        if (!created) return LB_ERR;
        if (index < 0) index = count();
        if (index > count()) return LB_ERR;
        try {
            items.insert(items.begin() + index, Item{text, 0, false, 0});
        } catch (const std::bad_alloc&) {
            return LB_ERRSPACE;
        }
        if (variable()) items[static_cast<std::size_t>(index)].height = std::max(1, measure(index));
        if (curSel >= index) ++curSel;
        if (caret >= index && count() > 1) ++caret;
        if (anchor >= index && count() > 1) ++anchor;
        changed();
        return index;
    }

    int add(const std::string& text) {
        if (!(style & LBS_SORT)) return insert(-1, text);
        auto at =
            std::upper_bound(items.begin(), items.end(), text, [](const std::string& t, const Item& item) {
                return CompareText(t, item.text) < 0;
            });
        return insert(static_cast<int>(at - items.begin()), text);
    }

    int remove(int index) {
        if (!valid(index)) return LB_ERR;
        items.erase(items.begin() + index);
        if (curSel == index)
            curSel = -1;
        else if (curSel > index)
            --curSel;
        if (caret > index) --caret;
        if (anchor > index) --anchor;
        caret = std::clamp(caret, 0, std::max(0, count() - 1));
        anchor = std::clamp(anchor, 0, std::max(0, count() - 1));
        top = std::clamp(top, 0, maxTop());
        changed();
        return count();
    }

    void reset() {
        items.clear();
        curSel = -1;
        caret = anchor = top = hpos = 0;
        changed();
    }

    // Where the topmost item may be at most so that the list still fills the client area.
    int maxTop() const {
        if (items.empty()) return 0;
        if (multiColumn()) {
            const int rows = rowsPerColumn();
            const int columns = (count() + rows - 1) / rows;
            const int visible = std::max(1, clientWidth() / std::max(1, columnStep()));
            return std::max(0, columns - visible) * rows;
        }
        if (!variable()) {
            const int visible = clientHeight() / std::max(1, itemHeight);
            return std::clamp(count() - std::max(1, visible), 0, count() - 1);
        }
        int room = clientHeight();
        int first = count();
        while (first > 0 && room >= heightOf(first - 1))
            room -= heightOf(--first);
        return std::min(first, count() - 1);
    }

    RECT rectOf(int index) const {
        if (multiColumn()) {
            const int rows = rowsPerColumn();
            const int column = floorDiv(index - top, rows);
            const int row = index - top - column * rows;
            const int step = columnStep();
            return {column * step, row * itemHeight, column * step + step, row * itemHeight + itemHeight};
        }
        int y = 0;
        if (!variable()) {
            y = (index - top) * itemHeight;
        } else if (index >= top) {
            for (int k = top; k < index; ++k)
                y += heightOf(k);
        } else {
            for (int k = index; k < top; ++k)
                y -= heightOf(k);
        }
        return {-hpos, y, std::max(clientWidth(), extent) - hpos, y + heightOf(index)};
    }

    // Items from top whose rectangles reach into the client area.
    int lastVisible() const {
        int last = top;
        while (last + 1 < count()) {
            const RECT r = rectOf(last + 1);
            if (r.top >= clientHeight() || r.left >= clientWidth()) break;
            ++last;
        }
        return last;
    }

    void scrollIntoView(int index) {
        if (!valid(index)) return;
        const int old = top;
        if (index < top) {
            top = multiColumn() ? index / rowsPerColumn() * rowsPerColumn() : index;
        } else if (multiColumn()) {
            const RECT r = rectOf(index);
            if (r.right > clientWidth()) {
                const int visible = std::max(1, clientWidth() / std::max(1, columnStep()));
                top = std::max(0, (index / rowsPerColumn() - visible + 1) * rowsPerColumn());
            }
        } else if (rectOf(index).bottom > clientHeight()) {
            int room = clientHeight() - heightOf(index);
            top = index;
            while (top > 0 && room >= heightOf(top - 1))
                room -= heightOf(--top);
        }
        if (top != old) changed();
    }

    void setTop(int index) {
        top = std::clamp(multiColumn() ? index / rowsPerColumn() * rowsPerColumn() : index, 0, maxTop());
        changed();
    }

    // The item under a point of the client area, or -1.
    int itemAt(QPoint at) const {
        for (int i = std::max(0, top); i < count(); ++i) {
            const RECT r = rectOf(i);
            if (at.x() >= r.left && at.x() < r.right && at.y() >= r.top && at.y() < r.bottom) return i;
            if (r.top >= clientHeight() || r.left >= clientWidth()) break;
        }
        return -1;
    }

    bool isSelected(int index) const {
        return multiSelect() ? items[static_cast<std::size_t>(index)].selected : index == curSel;
    }

    // Selects index alone (single and extended lists) and tells the owner when that changed.
    void selectOnly(int index, bool notify) {
        bool change = false;
        if (!multiSelect()) {
            change = curSel != index;
            curSel = index;
        } else {
            for (int i = 0; i < count(); ++i) {
                const bool wanted = i == index;
                change |= items[static_cast<std::size_t>(i)].selected != wanted;
                items[static_cast<std::size_t>(i)].selected = wanted;
            }
        }
        finishUserSelection(change, notify);
    }

    void selectRange(int from, int to, bool notify) {
        if (from > to) std::swap(from, to);
        bool change = false;
        for (int i = 0; i < count(); ++i) {
            const bool wanted = i >= from && i <= to;
            change |= items[static_cast<std::size_t>(i)].selected != wanted;
            items[static_cast<std::size_t>(i)].selected = wanted;
        }
        finishUserSelection(change, notify);
    }

    void toggle(int index) {
        items[static_cast<std::size_t>(index)].selected = !items[static_cast<std::size_t>(index)].selected;
        finishUserSelection(true, true);
    }

    void finishUserSelection(bool change, bool notify) {
        viewport()->update();
        if (change && notify && owner) vx::Guarded([this] { owner->SelectionChangeNotify(); });
    }

    // Moves the caret as a key or a click does, selecting as the style says.
    void moveCaret(int index, Qt::KeyboardModifiers modifiers, bool toggleMulti) {
        if (items.empty()) return;
        index = std::clamp(index, 0, count() - 1);
        caret = index;
        scrollIntoView(index);
        if (!multiSelect()) {
            selectOnly(index, true);
        } else if (extended()) {
            if (modifiers & Qt::ShiftModifier) {
                selectRange(anchor, index, true);
            } else if (modifiers & Qt::ControlModifier) {
                anchor = index;
                if (toggleMulti) toggle(index);
                viewport()->update();
            } else {
                anchor = index;
                selectOnly(index, true);
            }
        } else {
            if (toggleMulti) toggle(index);
            viewport()->update();
        }
    }

    int pageRows() const {
        if (multiColumn()) return rowsPerColumn();
        return std::max(1, clientHeight() / std::max(1, itemHeight));
    }

    // The next item after the caret whose text starts with ch (wrapping), or -1.
    int itemStartingWith(char ch) const {
        const int lower = std::tolower(static_cast<unsigned char>(ch));
        for (int step = 1; step <= count(); ++step) {
            const int i = (caret + step) % count();
            const std::string& text = items[static_cast<std::size_t>(i)].text;
            if (!text.empty() && std::tolower(static_cast<unsigned char>(text[0])) == lower) return i;
        }
        return -1;
    }

    // The window's own keys; false for keys it leaves to others.
    bool navigate(QKeyEvent* event) {
        const int rows = pageRows();
        const bool columns = multiColumn();
        int target = -1;
        switch (event->key()) {
        case Qt::Key_Up:
            target = caret - 1;
            break;
        case Qt::Key_Down:
            target = caret + 1;
            break;
        case Qt::Key_Left:
            target = columns ? caret - rowsPerColumn() : -1;
            break;
        case Qt::Key_Right:
            target = columns ? caret + rowsPerColumn() : -1;
            break;
        case Qt::Key_PageUp:
            target = caret - rows;
            break;
        case Qt::Key_PageDown:
            target = caret + rows;
            break;
        case Qt::Key_Home:
            target = 0;
            break;
        case Qt::Key_End:
            target = count() - 1;
            break;
        case Qt::Key_Space:
            if (!multiSelect() || items.empty()) return false;
            moveCaret(caret, event->modifiers() | (extended() ? Qt::ControlModifier : Qt::NoModifier), true);
            return true;
        default: {
            const QString text = event->text();
            if (text.size() != 1 || text[0].unicode() <= ' ' || text[0].unicode() > 126) return false;
            target = itemStartingWith(static_cast<char>(text[0].unicode()));
            if (target < 0) return true;
            moveCaret(target, Qt::NoModifier, false);
            return true;
        }
        }
        if (target == -1 && !columns && (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)) {
            scrollHorizontallyBy(event->key() == Qt::Key_Left ? -AverageCharWidth(fontOf())
                                                              : AverageCharWidth(fontOf()));
            return true;
        }
        moveCaret(target, event->modifiers(), false);
        return true;
    }

    void scrollHorizontallyBy(int delta) {
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + delta);
    }

    void press(QMouseEvent* event) {
        if (!created) return;
        setFocus(Qt::MouseFocusReason);
        const int index = itemAt(event->position().toPoint());
        if (index < 0 || event->button() != Qt::LeftButton) return;
        moveCaret(index, event->modifiers(), true);
    }

    void dragTo(QMouseEvent* event) {
        if (!(event->buttons() & Qt::LeftButton) || items.empty() || (multiSelect() && !extended())) return;
        const QPoint at = event->position().toPoint();
        if (!multiColumn() && at.y() < 0 && top > 0) setTop(top - 1);
        if (!multiColumn() && at.y() >= clientHeight() && top < maxTop()) setTop(top + 1);
        int index = itemAt(QPoint(std::clamp(at.x(), 0, std::max(0, clientWidth() - 1)),
                                  std::clamp(at.y(), 0, std::max(0, clientHeight() - 1))));
        if (index < 0 || index == caret) return;
        moveCaret(index, extended() ? Qt::ShiftModifier : Qt::NoModifier, false);
    }

    // Geometry or content changed: scroll bars and picture follow unless redrawing is off.
    void changed() {
        if (!redraw) return;
        updateScrollBars();
        viewport()->update();
    }

    // A bar that comes or goes changes the client area and so the other bar's range: two
    // rounds settle both.
    void updateScrollBars() {
        if (updatingBars_) return;
        updatingBars_ = true;
        applyScrollBars();
        applyScrollBars();
        updatingBars_ = false;
    }

    void applyScrollBars() {
        const bool columns = multiColumn();
        const bool vertical = created && (style & WS_VSCROLL) && !columns && maxTop() > 0;
        setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        top = std::clamp(top, 0, maxTop());
        if (vertical) {
            verticalScrollBar()->setRange(0, maxTop());
            verticalScrollBar()->setPageStep(pageRows());
            verticalScrollBar()->setSingleStep(1);
            verticalScrollBar()->setValue(top);
        }
        bool horizontal = false;
        if (columns) {
            horizontal = created && (style & WS_HSCROLL) && maxTop() > 0;
            setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
            if (horizontal) {
                horizontalScrollBar()->setRange(0, maxTop() / rowsPerColumn());
                horizontalScrollBar()->setPageStep(std::max(1, clientWidth() / std::max(1, columnStep())));
                horizontalScrollBar()->setSingleStep(1);
                horizontalScrollBar()->setValue(top / rowsPerColumn());
            }
        } else {
            horizontal = created && (style & WS_HSCROLL) && extent > clientWidth();
            setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
            hpos = horizontal ? std::clamp(hpos, 0, extent - clientWidth()) : 0;
            if (horizontal) {
                horizontalScrollBar()->setRange(0, extent - clientWidth());
                horizontalScrollBar()->setPageStep(clientWidth());
                horizontalScrollBar()->setSingleStep(AverageCharWidth(fontOf()));
                horizontalScrollBar()->setValue(hpos);
            }
        }
    }

    void fitIntegralHeight() {
        if (!created || (style & LBS_NOINTEGRALHEIGHT) || variable() || fitting_) return;
        const int frame = height() - clientHeight();
        const int rows = std::max(1, clientHeight() / std::max(1, itemHeight));
        const int wanted = frame + rows * itemHeight;
        if (wanted == height()) return;
        fitting_ = true;
        resize(width(), wanted);
        fitting_ = false;
    }

    TOwnerDrawState stateOf(int index) const {
        TOwnerDrawState state = 0;
        if (index >= 0 && isSelected(index)) state |= odSelected;
        if (index == caret && hasFocus()) state |= odFocused;
        if (control() && !control()->Enabled()) state |= odDisabled;
        return state;
    }

    void drawStandard(TCanvas& canvas, int index, const RECT& rect, TOwnerDrawState state) {
        const bool selected = state & odSelected;
        canvas.Brush().SetStyle(bsSolid);
        canvas.Brush().SetColor(selected ? clHighlight : control()->Color());
        canvas.FillRect(rect);
        canvas.Font().Assign(control()->Font());
        if (selected) canvas.Font().SetColor(clHighlightText);
        if (state & odDisabled) canvas.Font().SetColor(clGrayText);
        canvas.Brush().SetStyle(bsClear);
        const std::string& text = items[static_cast<std::size_t>(index)].text;
        if (style & LBS_USETABSTOPS)
            TabbedTextOut(canvas, rect.left + 2, rect.top, text, tabStop());
        else
            canvas.TextOut(rect.left + 2, rect.top, text);
        if (state & odFocused) canvas.DrawFocusRect(rect);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(viewport());
        TControl* host = control();
        const QColor background = vx::ToQColor(host ? host->Color() : clWindow);
        painter.fillRect(event->rect(), background);
        if (!created || !owner || !host) return;
        TCanvas& canvas = ownerDraw() ? owner->ItemCanvas() : standardCanvas_;
        vx::CanvasPaintScope scope(canvas, painter, viewport()->size());
        if (items.empty()) {
            if (hasFocus()) paintItem(canvas, -1, rectOf(0), odFocused);
            return;
        }
        const int last = lastVisible();
        for (int i = top; i <= last; ++i)
            paintItem(canvas, i, rectOf(i), stateOf(i));
    }

    void paintItem(TCanvas& canvas, int index, const RECT& rect, TOwnerDrawState state) {
        QPainter* painter = canvas.target().painter;
        painter->save();
        painter->setClipRect(QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top));
        if (ownerDraw())
            vx::Guarded([&] { owner->DrawItemNotify(index, rect, state); });
        else if (index >= 0)
            drawStandard(canvas, index, rect, state);
        else
            canvas.DrawFocusRect(rect);
        painter->restore();
    }

    void resizeEvent(QResizeEvent* event) override {
        QAbstractScrollArea::resizeEvent(event);
        fitIntegralHeight();
        changed();
        if (owner) vx::Guarded([this] { owner->ResizeNotify(); });
    }

    void scrollContentsBy(int, int) override {
        if (updatingBars_) return;
        if (multiColumn())
            top = horizontalScrollBar()->value() * rowsPerColumn();
        else {
            top = verticalScrollBar()->value();
            hpos = horizontalScrollBar()->value();
        }
        viewport()->update();
    }

    void mousePressEvent(QMouseEvent* event) override { press(event); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { mousePressEvent(event); }
    void mouseMoveEvent(QMouseEvent* event) override { dragTo(event); }
    void mouseReleaseEvent(QMouseEvent*) override {}

    void keyPressEvent(QKeyEvent* event) override {
        if (created && navigate(event))
            event->accept();
        else
            event->ignore();
    }

    void focusInEvent(QFocusEvent* event) override {
        QAbstractScrollArea::focusInEvent(event);
        viewport()->update();
    }
    void focusOutEvent(QFocusEvent* event) override {
        QAbstractScrollArea::focusOutEvent(event);
        viewport()->update();
    }

    void changeEvent(QEvent* event) override {
        QAbstractScrollArea::changeEvent(event);
        if (event->type() == QEvent::FontChange && created && !ownerDraw()) {
            itemHeight = standardHeight();
            fitIntegralHeight();
            changed();
        } else if (event->type() == QEvent::EnabledChange) {
            viewport()->update();
        }
    }

private:
    TCanvas standardCanvas_;
    bool updatingBars_ = false;
    bool fitting_ = false;
};

TListBoxWindow::TListBoxWindow(TWinControl* control, TListBoxOwner& owner)
    : view_(new vx::Widget<ListBoxArea>(control, &owner)) {}

TListBoxWindow::~TListBoxWindow() {
    view_->owner = nullptr;
}

QWidget* TListBoxWindow::Widget() const {
    return view_;
}

void TListBoxWindow::Create(DWORD style, DWORD exStyle) {
    view_->create(style, exStyle);
}

void TListBoxWindow::Destroy() {
    view_->destroy();
}

bool TListBoxWindow::HandleAllocated() const {
    return view_->created;
}

DWORD TListBoxWindow::Style() const {
    return view_->style;
}

int TListBoxWindow::GetCount() const {
    return view_->created ? view_->count() : LB_ERR;
}

int TListBoxWindow::AddString(const std::string& text) {
    return view_->created ? view_->add(text) : LB_ERR;
}

int TListBoxWindow::InsertString(int index, const std::string& text) {
    return view_->insert(index, text);
}

int TListBoxWindow::DeleteString(int index) {
    return view_->remove(index);
}

void TListBoxWindow::ResetContent() {
    view_->reset();
}

int TListBoxWindow::GetText(int index, std::string& text) const {
    if (!view_->valid(index)) return LB_ERR;
    text = view_->items[static_cast<std::size_t>(index)].text;
    return static_cast<int>(text.size());
}

std::intptr_t TListBoxWindow::GetItemData(int index) const {
    return view_->valid(index) ? view_->items[static_cast<std::size_t>(index)].data : LB_ERR;
}

int TListBoxWindow::SetItemData(int index, std::intptr_t data) {
    if (!view_->valid(index)) return LB_ERR;
    view_->items[static_cast<std::size_t>(index)].data = data;
    return LB_OKAY;
}

int TListBoxWindow::GetCurSel() const {
    if (!view_->created) return LB_ERR;
    if (view_->multiSelect()) return view_->items.empty() ? -1 : view_->caret;
    return view_->curSel;
}

int TListBoxWindow::SetCurSel(int index) {
    if (view_->multiSelect() || index < -1 || index >= view_->count()) return LB_ERR;
    view_->curSel = index;
    if (index >= 0) {
        view_->caret = view_->anchor = index;
        view_->scrollIntoView(index);
    }
    view_->viewport()->update();
    return index < 0 ? LB_ERR : index;
}

int TListBoxWindow::GetSel(int index) const {
    if (!view_->valid(index)) return LB_ERR;
    return view_->isSelected(index) ? 1 : 0;
}

int TListBoxWindow::SetSel(bool select, int index) {
    if (!view_->multiSelect() || index < -1 || index >= view_->count()) return LB_ERR;
    for (int i = 0; i < view_->count(); ++i)
        if (index == -1 || i == index) view_->items[static_cast<std::size_t>(i)].selected = select;
    view_->viewport()->update();
    return LB_OKAY;
}

int TListBoxWindow::GetSelCount() const {
    if (!view_->multiSelect()) return LB_ERR;
    return static_cast<int>(std::count_if(view_->items.begin(), view_->items.end(),
                                          [](const ListBoxArea::Item& item) { return item.selected; }));
}

int TListBoxWindow::GetCaretIndex() const {
    return view_->items.empty() ? 0 : view_->caret;
}

int TListBoxWindow::SetCaretIndex(int index) {
    if (!view_->valid(index)) return LB_ERR;
    view_->caret = view_->anchor = index;
    view_->scrollIntoView(index);
    view_->viewport()->update();
    return LB_OKAY;
}

int TListBoxWindow::GetTopIndex() const {
    return view_->top;
}

int TListBoxWindow::SetTopIndex(int index) {
    if (index < 0 || (index >= view_->count() && index != 0)) return LB_ERR;
    view_->setTop(index);
    return LB_OKAY;
}

int TListBoxWindow::GetItemRect(int index, RECT& rect) const {
    if (!view_->created || (!view_->valid(index) && !(index == 0 && view_->items.empty()))) return LB_ERR;
    rect = view_->rectOf(index);
    return LB_OKAY;
}

int TListBoxWindow::GetItemHeight(int index) const {
    if (view_->variable()) return view_->valid(index) ? view_->heightOf(index) : LB_ERR;
    return view_->itemHeight;
}

int TListBoxWindow::SetItemHeight(int index, int height) {
    if (height < 1 || height > 255) return LB_ERR;
    if (view_->variable()) {
        if (!view_->valid(index)) return LB_ERR;
        view_->items[static_cast<std::size_t>(index)].height = height;
    } else {
        view_->itemHeight = height;
        view_->fitIntegralHeight();
    }
    view_->changed();
    return LB_OKAY;
}

void TListBoxWindow::SetHorizontalExtent(int extent) {
    view_->extent = std::max(0, extent);
    view_->changed();
}

int TListBoxWindow::GetHorizontalExtent() const {
    return view_->extent;
}

void TListBoxWindow::SetTabStops(int dialogUnits) {
    view_->tabUnits = std::max(0, dialogUnits);
    view_->viewport()->update();
}

void TListBoxWindow::SetColumnWidth(int width) {
    view_->columnWidth = std::max(0, width);
    view_->changed();
}

void TListBoxWindow::SetRedraw(bool redraw) {
    view_->redraw = redraw;
    view_->changed();
}

void TListBoxWindow::ScrollHorizontally(int position) {
    if (view_->multiColumn())
        view_->setTop(position * view_->rowsPerColumn());
    else {
        view_->hpos = std::max(0, position);
        view_->changed();
    }
}

int TListBoxWindow::HorizontalPosition() const {
    return view_->multiColumn() ? view_->top / view_->rowsPerColumn() : view_->hpos;
}

bool TListBoxWindow::HorizontalScrollBarShown() const {
    return view_->horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOn;
}

bool TListBoxWindow::VerticalScrollBarShown() const {
    return view_->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn;
}

int TListBoxWindow::ClientWidth() const {
    return view_->clientWidth();
}

int TListBoxWindow::ClientHeight() const {
    return view_->clientHeight();
}

void TListBoxWindow::InvalidateRect(const RECT& rect) {
    view_->viewport()->update(QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top));
}

void TListBoxWindow::Update() {
    view_->viewport()->repaint();
}
