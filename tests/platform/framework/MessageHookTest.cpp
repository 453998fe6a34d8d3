#include "platform/framework/MessageHook.h"

#include "GuiTestSupport.h"

#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

#include <vector>

namespace {

class Recorder : public TMessageFilter {
public:
    bool FilterBefore(TMessage& message) override {
        seen.push_back(message.Msg);
        return stop && message.Msg == stop;
    }
    void FilterAfter(TMessage& message) override { after.push_back(message.Msg); }
    std::vector<unsigned> seen;
    std::vector<unsigned> after;
    unsigned stop = 0;
};

bool has(const std::vector<unsigned>& messages, unsigned msg) {
    return std::find(messages.begin(), messages.end(), msg) != messages.end();
}

} // namespace

TEST(MessageHook, AFormsWindowGoingAwayIsAWmDestroyThatAlwaysReachesTheForm) {
    vx::EnsureQtApplication();
    TForm form(nullptr);
    form.Show();
    PumpUntil([&] { return form.Showing(); });
    Recorder recorder;
    recorder.stop = WM_DESTROY;
    SetMessageFilter(&form, &recorder);
    QWindow* window = vx::FormWidget(&form)->windowHandle();
    ASSERT_NE(window, nullptr);
    window->destroy();
    EXPECT_TRUE(has(recorder.seen, WM_DESTROY));
    EXPECT_TRUE(has(recorder.after, WM_DESTROY)) << "stopping it does not stop it";
    SetMessageFilter(&form, nullptr);
}

TEST(MessageHook, AStoppedMessageNeverReachesTheControl) {
    vx::EnsureQtApplication();
    TForm form(nullptr);
    int resized = 0;
    form.OnResize = [&](TObject*) { ++resized; };
    form.Show();
    PumpUntil([&] { return form.Showing(); });
    Recorder recorder;
    recorder.stop = WM_SIZE;
    SetMessageFilter(&form, &recorder);
    resized = 0;
    form.SetBounds(10, 10, 333, 222);
    EXPECT_TRUE(has(recorder.seen, WM_SIZE));
    EXPECT_FALSE(has(recorder.after, WM_SIZE));
    EXPECT_EQ(resized, 0);
    recorder.stop = 0;
    form.SetBounds(10, 10, 334, 222);
    EXPECT_EQ(resized, 1);
    EXPECT_TRUE(has(recorder.after, WM_SIZE));
    SetMessageFilter(&form, nullptr);
    EXPECT_EQ(MessageFilterOf(&form), nullptr);
}
