#include "platform/framework/Controls.h"

#include "GuiTestSupport.h"
#include "platform/framework/ExtCtrls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> windowEvents;

class WindowProbe : public TCustomControl {
    VX_CLASS(WindowProbe, TCustomControl)
public:
    using TCustomControl::TCustomControl;

protected:
    void CreateWnd() override {
        TCustomControl::CreateWnd();
        windowEvents.push_back("create " + Name());
    }
    void DestroyWnd() override {
        windowEvents.push_back("destroy " + Name());
        TCustomControl::DestroyWnd();
    }
};

} // namespace

TEST(WindowCreation, AWindowComesIntoBeingOnceWhenFirstShownOrNeeded) {
    vx::EnsureQtApplication();
    windowEvents.clear();
    auto* form = new TForm(nullptr);
    auto* shown = new WindowProbe(form);
    shown->SetName("shown");
    shown->SetParent(form);
    auto* asked = new WindowProbe(form);
    asked->SetName("asked");
    EXPECT_FALSE(shown->HandleAllocated());
    asked->HandleNeeded();
    asked->HandleNeeded();
    EXPECT_TRUE(asked->HandleAllocated());
    EXPECT_EQ(windowEvents, (std::vector<std::string>{"create asked"}));
    form->Show();
    form->Hide();
    form->Show();
    EXPECT_TRUE(shown->HandleAllocated());
    EXPECT_EQ(windowEvents, (std::vector<std::string>{"create asked", "create shown"}));
    form->Free();
    EXPECT_EQ(windowEvents.size(), 4u);
    EXPECT_NE(std::find(windowEvents.begin(), windowEvents.end(), "destroy shown"), windowEvents.end());
    EXPECT_NE(std::find(windowEvents.begin(), windowEvents.end(), "destroy asked"), windowEvents.end());
}

TEST(WindowCreation, AControlThatNeverHadAWindowDestroysNone) {
    vx::EnsureQtApplication();
    windowEvents.clear();
    auto* probe = new WindowProbe(nullptr);
    probe->Free();
    EXPECT_TRUE(windowEvents.empty());
}
