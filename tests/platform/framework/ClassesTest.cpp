#include "platform/framework/Classes.h"
#include "platform/framework/MessageService.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> events;

class TProbe : public TComponent {
    VX_CLASS(TProbe, TComponent)
public:
    explicit TProbe(TComponent* owner, std::string label) : TComponent(owner), label_(std::move(label)) {}
    ~TProbe() override { events.push_back("free " + label_); }
    TComponent* watched = nullptr;

protected:
    void Loaded() override {
        TComponent::Loaded();
        events.push_back("loaded " + label_ + (IsLoading() ? " (loading)" : ""));
    }
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation == opRemove && component == watched) watched = nullptr;
    }

private:
    std::string label_;
};

class TSpecialProbe : public TProbe {
    VX_CLASS(TSpecialProbe, TProbe)
public:
    using TProbe::TProbe;
};

} // namespace

TEST(Component, LoadedRunsOnChildrenInCreationOrderThenOnTheOwner) {
    events.clear();
    auto* form = new TProbe(nullptr, "form");
    new TProbe(form, "a");
    new TProbe(form, "b");
    form->LoadTree();
    EXPECT_EQ(events, (std::vector<std::string>{"loaded a (loading)", "loaded b (loading)",
                                                "loaded form (loading)"}));
    EXPECT_FALSE(form->IsLoading());
    delete form;
}

TEST(Component, OwnerFreesItsComponentsLastCreatedFirst) {
    events.clear();
    auto* form = new TProbe(nullptr, "form");
    new TProbe(form, "a");
    new TProbe(form, "b");
    EXPECT_EQ(form->ComponentCount(), 2);
    delete form;
    EXPECT_EQ(events, (std::vector<std::string>{"free form", "free b", "free a"}));
}

TEST(Component, FreeingAComponentRemovesItFromItsOwnerAndTellsSiblings) {
    TProbe form(nullptr, "form");
    auto* a = new TProbe(&form, "a");
    auto* b = new TProbe(&form, "b");
    a->watched = b;
    delete b;
    EXPECT_EQ(form.ComponentCount(), 1);
    EXPECT_EQ(a->watched, nullptr);
}

TEST(Component, FreeNotificationReachesComponentsOfOtherOwners) {
    TProbe left(nullptr, "left");
    TProbe right(nullptr, "right");
    auto* target = new TProbe(&right, "target");
    auto* watcher = new TProbe(&left, "watcher");
    watcher->watched = target;
    watcher->FreeNotification(target);
    delete target;
    EXPECT_EQ(watcher->watched, nullptr);
}

TEST(Component, ClassNamesAreTheProgramsOwn) {
    TSpecialProbe special(nullptr, "s");
    EXPECT_EQ(special.ClassName(), "TSpecialProbe");
    EXPECT_EQ(special.ClassParentName(), "TProbe");
    EXPECT_TRUE(special.InheritsFrom("TComponent"));
    EXPECT_FALSE(special.InheritsFrom("TForm"));
}

TEST(Component, FindComponentMatchesNamesWithoutCase) {
    TProbe form(nullptr, "form");
    auto* a = new TProbe(&form, "a");
    a->SetName("DSWaveHuHu");
    EXPECT_EQ(form.FindComponent("dswavehuhu"), a);
    EXPECT_EQ(form.FindComponent("DSWaveHu"), nullptr);
}

TEST(MessageService, RecorderKeepsBoxesFromEveryThread) {
    ScopedMessageRecorder recorder;
    std::thread worker(
        [] { ShowMessageBox("Create Buffer FAILED (Invalid parameter)", "TDSPlay", MB_ICONHAND); });
    worker.join();
    EXPECT_EQ(ShowMessageBox("Sure?", "Vortamix", MB_YESNO), IDOK);
    auto records = recorder.Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].caption, "TDSPlay");
    EXPECT_EQ(records[0].flags, MB_ICONHAND);
    EXPECT_EQ(records[1].text, "Sure?");
}
