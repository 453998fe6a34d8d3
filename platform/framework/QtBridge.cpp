#include "platform/framework/QtBridge.h"

#include "platform/framework/Application.h"
#include "platform/framework/Timer.h"
#include "platform/kernel/Thread.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QSocketNotifier>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <deque>
#include <mutex>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

namespace vx {
namespace {
void startGuiWaker();
} // namespace

void EnsureQtApplication() {
    static std::atomic<bool> configured{false};
    if (configured.load(std::memory_order_acquire)) return;
    QCoreApplication* existing = QCoreApplication::instance();
    if (existing && !qobject_cast<QApplication*>(existing))
        throw Exception("Qt was started without widgets before the application object");
    // Qt's GUI must start on the process's first thread; another thread asking for it
    // first is a mistake of the program, reported rather than obeyed.
    if (::gettid() != ::getpid()) throw Exception("The GUI must be started on the main thread");
    if (!existing) {
        static int argc = 1;
        static char name[] = "vortamix";
        static char* argv[] = {name, nullptr};
        // Registers itself as the application and lives until the process ends: widgets
        // may still be torn down during exit.
        new QApplication(argc, argv);
    }
    QApplication::setQuitOnLastWindowClosed(false);
    SetMainThread(std::this_thread::get_id());
    startGuiWaker();
    SetSynchronizeWaker([] { PostToGuiThread([] { CheckSynchronize(); }); });
    configured.store(true, std::memory_order_release);
}

void EnsureQtGui() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) EnsureQtApplication();
    static std::once_flag substituted;
    std::call_once(substituted, [] {
        QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    });
}

namespace {

// Calls waiting for the GUI thread. They pass through our own locked queue rather than
// inside Qt's event: the hand-over is then visible to the thread checkers, and Qt's event
// carries no more than "drain the queue".
struct GuiQueue {
    std::mutex lock;
    std::deque<std::function<void()>> calls;
};

GuiQueue& guiQueue() {
    static GuiQueue queue;
    return queue;
}

void drainGuiQueue() {
    for (;;) {
        std::function<void()> call;
        {
            std::lock_guard guard(guiQueue().lock);
            if (guiQueue().calls.empty()) return;
            call = std::move(guiQueue().calls.front());
            guiQueue().calls.pop_front();
        }
        Guarded(call);
    }
}

// Wakes the GUI thread's event loop through an eventfd the loop watches. A post then
// allocates nothing of Qt's on the posting thread (Qt's own cross-thread events are
// invisible to the thread checkers), and the checkers pair the write with the read.
class GuiWaker {
public:
    explicit GuiWaker(int fd) : fd_(fd) {
        auto* notifier = new QSocketNotifier(fd_, QSocketNotifier::Read, QCoreApplication::instance());
        QObject::connect(notifier, &QSocketNotifier::activated, [this] {
            std::uint64_t count;
            static_cast<void>(!::read(fd_, &count, sizeof count));
            drainGuiQueue();
        });
    }
    void wake() const {
        const std::uint64_t one = 1;
        static_cast<void>(!::write(fd_, &one, sizeof one));
    }

private:
    int fd_;
};

std::atomic<const GuiWaker*> guiWaker{nullptr};

// GUI thread, once the application object exists.
void startGuiWaker() {
    const int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd < 0) return; // posts fall back to Qt's queued calls
    static const GuiWaker waker(fd);
    guiWaker.store(&waker, std::memory_order_release);
}

} // namespace

void PostToGuiThread(std::function<void()> fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    {
        std::lock_guard guard(guiQueue().lock);
        guiQueue().calls.push_back(std::move(fn));
    }
    if (const GuiWaker* waker = guiWaker.load(std::memory_order_acquire))
        waker->wake();
    else
        QMetaObject::invokeMethod(
            app, [] { drainGuiQueue(); }, Qt::QueuedConnection);
}

void Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const Exception& error) {
        Application->HandleException(error);
    } catch (const std::exception& error) {
        Application->HandleException(Exception(error.what()));
    } catch (...) {
        Application->HandleException(Exception("Unknown exception"));
    }
}

QColor ToQColor(TColor color) {
    const DWORD rgb = ColorToRGB(color);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

QFont ToQFont(const TFont& font) {
    EnsureQtGui();
    QFont result(ToQString(font.Name()));
    int pixels = 11;
    if (font.Height() < 0) {
        pixels = -font.Height();
    } else if (font.Height() > 0) {
        // A positive height is the whole cell: scale the em so ascent + descent fit it.
        QFont probe(result);
        probe.setPixelSize(1000);
        const QFontMetricsF metrics(probe);
        pixels =
            static_cast<int>(std::lround(font.Height() * 1000.0 / (metrics.ascent() + metrics.descent())));
    }
    result.setPixelSize(std::max(1, pixels));
    result.setBold((font.Style() & fsBold) != 0);
    result.setItalic((font.Style() & fsItalic) != 0);
    result.setUnderline((font.Style() & fsUnderline) != 0);
    result.setStrikeOut((font.Style() & fsStrikeOut) != 0);
    if (font.Quality() == fqNonAntialiased) result.setStyleStrategy(QFont::NoAntialias);
    if (font.Pitch() == fpFixed) {
        result.setFixedPitch(true);
        result.setStyleHint(QFont::TypeWriter);
    }
    return result;
}

QString ToQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FromQString(const QString& text) {
    return text.toStdString();
}

} // namespace vx

#if defined(__SANITIZE_ADDRESS__)
#define VX_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VX_LEAK_CHECKED 1
#endif
#endif
#ifdef VX_LEAK_CHECKED
// The font configuration and message bus libraries keep what they allocate for Qt for the
// whole process; those are not ours to free, so the leak checker leaves them out.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libdbus-1.so\n";
}
#endif
