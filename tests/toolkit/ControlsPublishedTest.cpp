// The toolkit controls publish their settings: property storage and form descriptions can
// read and write them by name.
#include "platform/framework/Published.h"
#include "tests/toolkit/ListBoxTestSupport.h"
#include "toolkit/KxCheckListBox.h"
#include "toolkit/KxSpeedButton.h"
#include "toolkit/SecretPanel.h"

using namespace listbox_test;

using ControlsPublished = FormFixture;

TEST_F(ControlsPublished, TheCheckListsSettingsAndItsListsAreWrittenByName) {
    auto* box = place<TKxCheckListBox>(0, 0, 100, 100);
    TStringList lines;
    lines.SetText("one\ntwo\nthree");
    SetObjectProp(*box, *GetPropInfo(*box, "Items"), &lines);
    EXPECT_EQ(box->Items()->Count(), 3);
    SetPropText(*box, *GetPropInfo(*box, "checkkind"), "ckRadioButtons");
    EXPECT_EQ(box->CheckKind(), ckRadioButtons);
    SetPropText(*box, *GetPropInfo(*box, "CheckedIndex"), "2");
    EXPECT_TRUE(box->Checked(2));
    EXPECT_EQ(GetPropText(*box, *GetPropInfo(*box, "AutoScroll")), "True");
    EXPECT_EQ(GetPropInfo(*box, "Sorted")->Default, 0) << "defaults as the control has them";
    EXPECT_TRUE(IsPublishedProp(*box, "Color")) << "and the control's own";
}

TEST_F(ControlsPublished, TheSpeedButtonAndThePanelToo) {
    auto* button = place<TKxSpeedButton>(0, 0, 30, 30);
    SetPropText(*button, *GetPropInfo(*button, "GroupIndex"), "4");
    SetPropText(*button, *GetPropInfo(*button, "Down"), "True");
    EXPECT_TRUE(button->Down());
    EXPECT_EQ(GetPropText(*button, *GetPropInfo(*button, "Layout")), "blGlyphTop");
    EXPECT_EQ(GetPropInfo(*button, "InitPause")->Default, 500);
    auto* panel = place<TSecretPanel>(0, 40, 100, 60);
    SetPropText(*panel, *GetPropInfo(*panel, "ScrollDirection"), "sdHorizontal");
    EXPECT_EQ(panel->ScrollDirection(), sdHorizontal);
    EXPECT_EQ(GetPropText(*panel, *GetPropInfo(*panel, "Interval")), "30");
    EXPECT_EQ(GetPropInfo(*panel, "BevelOuter")->Default, bvLowered) << "the panel's own default";
    EXPECT_EQ(GetPropInfo(*panel, "BevelWidth")->Default, 1) << "inherited from the framework's panel";
}
