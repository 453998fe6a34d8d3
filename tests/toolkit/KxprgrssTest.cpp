#include "toolkit/Kxprgrss.h"

#include "platform/framework/ProgressBar.h"
#include "platform/framework/Published.h"
#include "platform/framework/StdCtrls.h"
#include "tests/platform/files/TempTree.h"
#include "toolkit/FileUtil.h"

#include <gtest/gtest.h>

namespace {

// A progress display of its own kind: a floating-point fill and a variant caption, and a
// record of every position it was given.
class TMeter : public TProgressBar {
    VX_CLASS(TMeter, TProgressBar)
public:
    using TProgressBar::TProgressBar;
    double Fill() const { return fill_; }
    void SetFill(double fill) { fill_ = fill; }
    Variant Shown() const { return shown_; }
    void SetShown(Variant shown) { shown_ = std::move(shown); }
    const std::string& Label() const { return label_; }
    void SetLabel(std::string label) { label_ = std::move(label); }
    int Steps() const { return Position(); }
    void SetSteps(int steps) {
        SetPosition(steps);
        seen.push_back(steps);
    }
    std::vector<int> seen;

private:
    double fill_ = 0;
    Variant shown_;
    std::string label_;
};

void registerMeter() {
    RegisterPublishedClass("TMeter", "TProgressBar",
                           {Property("Fill", TypeFloat(ftDouble), &TMeter::Fill, &TMeter::SetFill),
                            Property("Shown", TypeVariant(), &TMeter::Shown, &TMeter::SetShown),
                            Property("Label", TypeString(), &TMeter::Label, &TMeter::SetLabel),
                            Property("Steps", TypeInteger(), &TMeter::Steps, &TMeter::SetSteps)});
}

} // namespace

TEST(ProgressRegistry, TheProgressBarIsThereFromTheStart) {
    TProgressBar bar(nullptr);
    EXPECT_TRUE(SupportsProgressControl(&bar));
    EXPECT_TRUE(SetProgressMax(&bar, 500));
    EXPECT_TRUE(SetProgressMin(&bar, 10));
    EXPECT_TRUE(SetProgressValue(&bar, 250));
    EXPECT_EQ(bar.Max(), 500);
    EXPECT_EQ(bar.Min(), 10);
    EXPECT_EQ(bar.Position(), 250);
    TLabel label(nullptr);
    label.SetCaption("kept");
    EXPECT_FALSE(SupportsProgressControl(&label));
    EXPECT_FALSE(SetProgressValue(&label, 3));
    EXPECT_EQ(label.Caption(), "kept");
    EXPECT_FALSE(SupportsProgressControl(nullptr));
    EXPECT_FALSE(SetProgressMax(nullptr, 1));
}

TEST(ProgressRegistry, LaterRegistrationsForSubclassesWinAndPropertiesNeedTheRightKind) {
    registerMeter();
    TMeter meter(nullptr);
    TProgressBar bar(nullptr);
    RegisterProgressControl<TMeter>("Shown", "Label", "Fill");
    EXPECT_TRUE(SetProgressValue(&meter, 42));
    EXPECT_DOUBLE_EQ(meter.Fill(), 42.0);
    EXPECT_EQ(meter.Position(), 0);
    EXPECT_TRUE(SetProgressMax(&meter, 7));
    EXPECT_EQ(meter.Shown().AsInteger(), 7);
    EXPECT_FALSE(SetProgressMin(&meter, 1)); // a string property takes no progress
    EXPECT_TRUE(SetProgressValue(&bar, 3));  // the base class keeps its own
    RegisterProgressControl("TMeter", "NoSuchMax", "Min", std::string(80, 'x'));
    EXPECT_FALSE(SetProgressMax(&meter, 1));
    EXPECT_FALSE(SetProgressValue(&meter, 1));
    EXPECT_TRUE(SetProgressMin(&meter, 2));
    // Removing the base class removes its subclasses' registrations too.
    UnRegisterProgressControl("TProgressBar");
    EXPECT_FALSE(SupportsProgressControl(&bar));
    EXPECT_FALSE(SupportsProgressControl(&meter));
    RegisterProgressControl<TProgressBar>("Max", "Min", "Position");
    EXPECT_TRUE(SupportsProgressControl(&meter));
}

TEST(ProgressRegistry, FileCopiesShowTheirProgressOnAnyRegisteredControl) {
    registerMeter();
    TempTree tree;
    const std::string source = tree.Write("data", std::string(20000, 'd'));
    TMeter meter(nullptr);
    RegisterProgressControl<TMeter>("Max", "Min", "Steps");
    CopyFile(source, tree.Path("copy"), &meter);
    EXPECT_EQ(meter.Max(), 20000);
    EXPECT_EQ(meter.seen, (std::vector<int>{0, 8192, 16384, 20000, 0}));
    UnRegisterProgressControl("TMeter");
    TProgressBar bar(nullptr);
    CopyFileEx(source, tree.Path("copy2"), false, false, &bar);
    EXPECT_EQ(bar.Max(), 20000);
    EXPECT_EQ(bar.Position(), 0);
    CopyFile(source, tree.Path("copy3"), static_cast<TControl*>(nullptr));
    EXPECT_EQ(tree.Read("copy3").size(), 20000u);
}
