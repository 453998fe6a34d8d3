#include "platform/ddraw/QtPresenter.h"

#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

#include <thread>
#include <tuple>
#include <vector>

namespace {

void ensureApplication() {
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
}

} // namespace

TEST(QtPresenterFrames, ABurstOfFramesFromAnotherThreadQueuesOneRepaint) {
    ensureApplication();
    QWidget area;
    area.resize(64, 48);
    area.show();
    QtPresenter presenter(&area);
    std::vector<std::uint32_t> frame(32 * 24);
    std::thread producer([&] {
        for (std::uint32_t i = 0; i < 200; ++i) {
            std::fill(frame.begin(), frame.end(), i);
            presenter.Present(frame.data(), 32, 24, 32, false);
        }
    });
    producer.join();
    EXPECT_EQ(presenter.FramesPresented(), 200);
    for (int i = 0; i < 20 && presenter.FramesPainted() == 0; ++i)
        QApplication::processEvents();
    EXPECT_GE(presenter.FramesPainted(), 1);
    EXPECT_LE(presenter.FramesPainted(), 2) << "frames that arrive before a repaint share it";
    QImage shown = area.grab().toImage();
    EXPECT_EQ(shown.pixel(5, 5) & 0xFFFFFF, 199u);
    EXPECT_EQ(shown.pixel(40, 30) & 0xFFFFFF, 0u) << "outside the picture the view is black";
}

// Checked where the picture reaches the screen (the window's backing store, which frames are
// scaled straight into) and on a device of another kind (a 16-bit screen, drawn through Qt).
TEST(QtPresenterFrames, FullScreenFramesAreScaledKeepingTheirAspectAndPaintedOnlyWhenTheyChange) {
    ensureApplication();
    QWidget area;
    area.resize(80, 40);
    area.show();
    QtPresenter presenter(&area);
    std::vector<std::uint32_t> frame(4 * 4, 0x00FF00);
    int painted = 0;
    for (int i = 0; i < 3; ++i) {
        frame[5] = i == 2 ? 0xFF0000 : 0x00FF00;
        presenter.Present(frame.data(), 4, 4, 4, true);
        for (int n = 0; n < 20; ++n)
            QApplication::processEvents();
        EXPECT_EQ(presenter.FramesPainted() > painted, i != 1) << "frame " << i;
        painted = presenter.FramesPainted();
    }
    QImage sixteen(80, 40, QImage::Format_RGB16);
    area.render(&sixteen);
    // Picture pixel (1, 1) covers screen pixels (30, 10) to (39, 19); a bar left of x = 20.
    const std::tuple<int, int, std::uint32_t> expected[] = {{30, 10, 0xFF0000}, {39, 19, 0xFF0000},
                                                            {29, 10, 0x00FF00}, {40, 19, 0x00FF00},
                                                            {20, 0, 0x00FF00},  {19, 0, 0}};
    for (const QImage& shown : {area.screen()->grabWindow(area.winId()).toImage(), sixteen})
        for (const auto& [x, y, colour] : expected)
            EXPECT_EQ(shown.pixel(x, y) & 0xFFFFFF, colour) << x << ", " << y;
}

TEST(QtPresenterFrames, PresentingAfterTheAreaIsGoneIsHarmless) {
    ensureApplication();
    auto* area = new QWidget;
    QtPresenter presenter(area);
    delete area;
    std::uint32_t pixel = 1;
    presenter.Present(&pixel, 1, 1, 1, false);
    EXPECT_EQ(presenter.FramesPresented(), 1);
}
