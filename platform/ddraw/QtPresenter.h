#pragma once
// Shows the frames of a device in a Qt widget: a view laid over the widget's whole area
// (it takes no input) paints the newest frame, unscaled in a window and scaled keeping its
// aspect in full screen. Present keeps the parts of the frame that changed (ScreenPicture)
// and asks the GUI thread for one repaint of them; a frame equal to the one shown asks for
// nothing. It never waits for the GUI thread, and a burst of frames queues a single repaint.
#include "platform/ddraw/Presenter.h"

#include <memory>

class QWidget;

class QtPresenter : public Presenter {
public:
    // Create and destroy on the GUI thread.
    explicit QtPresenter(QWidget* area);
    ~QtPresenter() override;
    QtPresenter(const QtPresenter&) = delete;
    QtPresenter& operator=(const QtPresenter&) = delete;

    void Present(const std::uint32_t* pixels, int width, int height, int stride, bool fullScreen) override;
    // Frames handed over and frames painted so far.
    int FramesPresented() const;
    int FramesPainted() const;

    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
};
