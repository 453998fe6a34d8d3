#include "platform/framework/WindowPlacement.h"

#include "platform/framework/QtBridge.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <climits>

namespace {

long long overlap(const RECT& a, const QRect& b) {
    const long long width = std::min<long long>(a.right, b.x() + b.width()) - std::max(a.left, b.x());
    const long long height = std::min<long long>(a.bottom, b.y() + b.height()) - std::max(a.top, b.y());
    return width > 0 && height > 0 ? width * height : 0;
}

long long distance(const RECT& a, const QRect& b) {
    const long long dx = std::max<long long>(
        {0, b.x() - static_cast<long long>(a.right), static_cast<long long>(a.left) - (b.x() + b.width())});
    const long long dy = std::max<long long>(
        {0, b.y() - static_cast<long long>(a.bottom), static_cast<long long>(a.top) - (b.y() + b.height())});
    return dx * dx + dy * dy;
}

RECT toRect(const QRect& r) {
    return RECT{r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
}

} // namespace

RECT FitRectInto(const RECT& rect, const RECT& area) {
    const long long width =
        std::min<long long>(std::max<long long>(0, static_cast<long long>(rect.right) - rect.left),
                            static_cast<long long>(area.right) - area.left);
    const long long height =
        std::min<long long>(std::max<long long>(0, static_cast<long long>(rect.bottom) - rect.top),
                            static_cast<long long>(area.bottom) - area.top);
    const long long left = std::clamp<long long>(rect.left, area.left, area.right - width);
    const long long top = std::clamp<long long>(rect.top, area.top, area.bottom - height);
    return RECT{static_cast<int>(left), static_cast<int>(top), static_cast<int>(left + width),
                static_cast<int>(top + height)};
}

RECT WorkAreaFor(const RECT& rect) {
    vx::EnsureQtGui();
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty()) return rect;
    QScreen* best = screens.front();
    long long bestOverlap = -1;
    long long bestDistance = LLONG_MAX;
    for (QScreen* screen : screens) {
        const QRect area = screen->availableGeometry();
        const long long shared = overlap(rect, area);
        const long long apart = distance(rect, area);
        if (shared > bestOverlap || (shared == 0 && bestOverlap == 0 && apart < bestDistance)) {
            best = screen;
            bestOverlap = shared;
            bestDistance = apart;
        }
    }
    return toRect(best->availableGeometry());
}

bool GetWindowPlacement(const TForm* form, WINDOWPLACEMENT* placement) {
    if (!form || !placement) return false;
    const QWidget* window = vx::FormWidget(form);
    placement->length = 44;
    placement->flags = 0;
    placement->ptMinPosition = POINT{-1, -1};
    placement->ptMaxPosition = POINT{-1, -1};
    const TWindowState state = form->WindowState();
    placement->showCmd = state == wsMinimized   ? SW_SHOWMINIMIZED
                         : state == wsMaximized ? SW_SHOWMAXIMIZED
                                                : SW_SHOWNORMAL;
    RECT normal{form->Left(), form->Top(), form->Left() + form->Width(), form->Top() + form->Height()};
    if (state != wsNormal && window->normalGeometry().isValid()) normal = toRect(window->normalGeometry());
    placement->rcNormalPosition = normal;
    return true;
}

bool SetWindowPlacement(TForm* form, const WINDOWPLACEMENT* placement) {
    if (!form || !placement) return false;
    const RECT& wanted = placement->rcNormalPosition;
    const RECT fitted = FitRectInto(wanted, WorkAreaFor(wanted));
    const unsigned command = placement->showCmd;
    if (command != SW_HIDE && form->WindowState() != wsNormal) form->SetWindowState(wsNormal);
    form->SetBounds(fitted.left, fitted.top, fitted.right - fitted.left, fitted.bottom - fitted.top);
    if (command == SW_SHOWMINIMIZED || command == SW_MINIMIZE || command == SW_SHOWMINNOACTIVE)
        form->SetWindowState(wsMinimized);
    else if (command == SW_SHOWMAXIMIZED)
        form->SetWindowState(wsMaximized);
    return true;
}
