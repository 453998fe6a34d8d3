#include "platform/framework/ActnList.h"

#include "platform/framework/ImgList.h"

#include <gtest/gtest.h>

namespace {

// Counts what its action tells it.
struct CountingLink : TActionLink {
    void ActionChanged(TBasicAction* action) override {
        ++changes;
        last = action;
    }
    int changes = 0;
    TBasicAction* last = nullptr;
};

} // namespace

TEST(Actions, LinkedControlsHearEveryChangeOnceAndTheActionsEnd) {
    auto* action = new TAction(nullptr);
    CountingLink link;
    action->RegisterChanges(&link);
    action->RegisterChanges(&link);
    action->SetCaption("&Open");
    action->SetCaption("&Open");
    action->SetChecked(true);
    action->SetImageIndex(2);
    EXPECT_EQ(link.changes, 3) << "unchanged values tell nobody";
    EXPECT_EQ(link.last, action);
    action->Free();
    EXPECT_EQ(link.changes, 4);
    EXPECT_EQ(link.last, nullptr) << "the action's end";
}

TEST(Actions, ADisabledActionRunsNothing) {
    TAction action(nullptr);
    int runs = 0;
    EXPECT_FALSE(action.Execute()) << "nothing to run";
    action.OnExecute = [&](TObject*) { ++runs; };
    EXPECT_TRUE(action.Execute());
    action.SetEnabled(false);
    EXPECT_FALSE(action.Execute());
    EXPECT_EQ(runs, 1);
}

TEST(Actions, AListKeepsItsActionsAndForgetsItsImagesWhenTheyGo) {
    TActionList list(nullptr);
    CountingLink link;
    {
        TAction action(nullptr);
        action.RegisterChanges(&link);
        action.SetActionList(&list);
        ASSERT_EQ(list.ActionCount(), 1);
        auto* images = new TImageList(nullptr);
        list.SetImages(images);
        EXPECT_EQ(link.changes, 2) << "joining the list, then new pictures";
        images->Free();
        EXPECT_EQ(list.Images(), nullptr);
        action.UnRegisterChanges(&link);
    }
    EXPECT_EQ(list.ActionCount(), 0);
}
