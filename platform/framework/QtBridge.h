#pragma once
// Platform-internal: where the framework meets Qt. Only platform code and platform tests
// include this header; the rest of the program sees the framework's own declarations.
#include "platform/framework/Canvas.h"
#include "platform/framework/Menus.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <functional>
#include <optional>
#include <string>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;
class TControl;
class TForm;
class TMainMenu;

// The decoded pixels of a TBitmap or TJPEGImage: RGB32, or Indexed8 with its colour table.
struct TGraphic::Image {
    QImage pixels;
    int bitDepth = 0; // depth of the source (1, 4, 8, 16, 24 or 32), 0 when empty
};

// What a canvas draws on. Exactly one of painter, image or the raw buffer is in use.
struct TCanvas::Target {
    QPainter* painter = nullptr; // a control being painted
    QSize painterSize;
    QImage* image = nullptr; // a bitmap's pixels (RGB32 or Indexed8)
    TPixelBuffer buffer;     // memory lent by the caller
    bool hasBuffer = false;
    TNearestPalette palette; // 8-bit targets
    QImage scratch;          // 8-bit targets: each operation is drawn here first; 16-bit: text
    // The metrics of the font last measured with, and that font's settings: measuring a
    // list of texts in one font builds them once.
    std::optional<QFontMetrics> metrics;
    std::string metricsName;
    int metricsHeight = 0;
    TFontStyles metricsStyle = 0;
    TFontQuality metricsQuality = fqDefault;
};

// The Qt objects of a menu item.
struct TMenuItem::Impl {
    QAction* action = nullptr;
    QMenu* menu = nullptr;   // created with the first child
    QMenuBar* bar = nullptr; // the root item of a main menu
};

namespace vx {

// Creates the Qt application object on first use (headless tests included) and makes the
// calling thread the GUI thread.
void EnsureQtApplication();
// Fonts and screens need only Qt's GUI part, which a drawing-only program may have
// started itself.
void EnsureQtGui();
// Runs fn on the GUI thread soon; callable from any thread.
void PostToGuiThread(std::function<void()> fn);

// Runs a handler called from Qt; an exception it raises goes to Application's handling
// instead of unwinding through Qt.
void Guarded(const std::function<void()>& handler);

QColor ToQColor(TColor color);
QFont ToQFont(const TFont& font);
QString ToQString(const std::string& text);
std::string FromQString(const QString& text);

// Lends a painter to a canvas for the duration of a paint event.
class CanvasPaintScope {
public:
    CanvasPaintScope(TCanvas& canvas, QPainter& painter, QSize size);
    ~CanvasPaintScope();
    CanvasPaintScope(const CanvasPaintScope&) = delete;
    CanvasPaintScope& operator=(const CanvasPaintScope&) = delete;

private:
    TCanvas& canvas_;
};

// Draws image with its top-left corner at (x, y), blending by its alpha channel.
void DrawImage(TCanvas& canvas, int x, int y, const QImage& image);

// Points a canvas at a bitmap's pixels (nullptr: none).
void AttachImage(TCanvas& canvas, QImage* image);

QWidget* ControlWidget(const TControl* control);
// The top-level window of a form and the widget of its client area (below the menu bar).
// A presenter draws into the client area widget.
QWidget* FormWidget(const TForm* form);
QWidget* FormClientArea(const TForm* form);

// The menu bar of a main menu, and the form whose window shows it.
QMenuBar* MenuBarOf(TMainMenu* menu);
void AttachMenuToForm(TMainMenu* menu, TForm* form);

} // namespace vx
