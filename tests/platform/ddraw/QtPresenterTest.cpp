#include "platform/ddraw/QtPresenter.h"

#include <QApplication>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <thread>
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

TEST(QtPresenterFrames, FullScreenFramesAreScaledKeepingTheirAspect) {
    ensureApplication();
    QWidget area;
    area.resize(80, 40);
    area.show();
    QtPresenter presenter(&area);
    std::vector<std::uint32_t> frame(4 * 4, 0x00FF00);
    presenter.Present(frame.data(), 4, 4, 4, true);
    QImage shown = area.grab().toImage();
    EXPECT_EQ(shown.pixel(40, 20) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(shown.pixel(5, 20) & 0xFFFFFF, 0u) << "a bar at the side";
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
