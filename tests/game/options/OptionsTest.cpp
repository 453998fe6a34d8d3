#include "game/Options.h"
#include "../rules/GameHarness.h"
#include "graphics/DDModesCombo.h"

#include <gtest/gtest.h>

using game_test::TTestGame;

namespace {

struct OptionsTest : ::testing::Test {
    TTestGame game;
    TOptionsForm* form = nullptr;
    void SetUp() override {
        form = new TOptionsForm(nullptr);
        form->Game = &game;
        form->LoadTree();
        form->DoCreate();
    }
    void TearDown() override { delete form; }
    void enableJoystick() {
        game.JoystickPresent = true;
        form->FormCreate(form);
    }
};

} // namespace

TEST_F(OptionsTest, DefaultsMatchTheSettingsDefaults) {
    TGameOptions options;
    form->CopyTo(options);
    TGameOptions defaults;
    EXPECT_EQ(options.Playing, defaults.Playing);
    EXPECT_EQ(options.BonusCount, defaults.BonusCount);
    EXPECT_EQ(options.Monsters, 10);
    EXPECT_EQ(form->Caption(), "Game options");
}

TEST_F(OptionsTest, WoodEstimateAndItemCountFor640x480) {
    form->ItemsChange(nullptr);
    EXPECT_EQ(form->InfoLabel->Caption(), "Woods: 103, Items: 45");
    for (TUpDown* counter : form->BonusCounters)
        counter->SetPosition(counter->Max());
    form->ItemsChange(nullptr);
    EXPECT_EQ(form->InfoLabel->Caption(), "Woods: 103, Items: 103");
}

TEST_F(OptionsTest, CountersAreInBonusKindOrderAndClampToTheirRanges) {
    EXPECT_EQ(form->BonusCounters[bkPower]->Max(), 50);
    EXPECT_EQ(form->BonusCounters[bkSkull]->Max(), 30);
    EXPECT_EQ(form->BonusCounters[bkSkull]->Position(), 5);
    EXPECT_EQ(form->BonusCounters[bkGodMode]->Max(), 10);
    form->CMonsters->SetPosition(900);
    EXPECT_EQ(form->CMonsters->Position(), 500);
}

TEST_F(OptionsTest, JoystickBoxesAreAnExclusiveChoice) {
    EXPECT_FALSE(form->JPlayerBoxes[0]->Enabled());
    enableJoystick();
    EXPECT_TRUE(form->JPlayerBoxes[0]->Enabled());
    form->JPlayerBoxes[1]->SetChecked(true);
    EXPECT_EQ(game.JoystickSprite, game.Player(2));
    form->JPlayerBoxes[2]->SetChecked(true);
    EXPECT_FALSE(form->JPlayerBoxes[1]->Checked());
    EXPECT_EQ(game.JoystickSprite, game.Player(3));
    form->JPlayerBoxes[2]->SetChecked(false);
    for (TCheckBox* box : form->JPlayerBoxes)
        EXPECT_FALSE(box->Checked());
    EXPECT_EQ(game.JoystickSprite, game.Player(1));
}

TEST_F(OptionsTest, RenamingAPlayerRenamesHisJoystickBox) {
    form->NameEdits[1]->SetText("Zed");
    EXPECT_EQ(form->JPlayerBoxes[1]->Caption(), "Zed");
}

TEST_F(OptionsTest, CopyCarriesPlayersNamesCountsAndTheme) {
    form->PlayerBoxes[3]->SetChecked(true);
    form->NameEdits[3]->SetText("Dee");
    form->BonusCounters[bkTrigger]->SetPosition(7);
    form->ThemeCombo->Items()->Add("<Random>");
    form->ThemeCombo->Items()->Add("Forest");
    form->ThemeCombo->SetItemIndex(1);
    TGameOptions options;
    form->CopyTo(options);
    EXPECT_TRUE(options.Playing[3]);
    EXPECT_EQ(options.Names[3], "Dee");
    EXPECT_EQ(options.BonusCount[bkTrigger], 7);
    EXPECT_EQ(options.ThemeIndex, 1);
    EXPECT_EQ(options.ThemeItems, 2);
}

TEST_F(OptionsTest, SettingsGoInAndComeBackOut) {
    enableJoystick();
    TGameSettings in;
    in.JoystickPlayer = {false, true, true, false};
    in.Playing = {false, true, true, true};
    in.Monsters = 42;
    in.BonusCount[bkSkull] = 9;
    in.Names[0] = "Ann";
    form->LoadSettings(in);
    form->SetThemes({"<Random>", "A", "B"}, 2);
    TGameSettings out;
    form->SaveSettings(out);
    // Of two joystick players the last one read keeps the joystick.
    EXPECT_EQ(out.JoystickPlayer, (std::array<bool, 4>{false, false, true, false}));
    EXPECT_EQ(game.JoystickSprite, game.Player(3));
    EXPECT_EQ(out.Playing, in.Playing);
    EXPECT_EQ(out.Monsters, 42);
    EXPECT_EQ(out.BonusCount[bkSkull], 9);
    EXPECT_EQ(out.Names[0], "Ann");
    EXPECT_EQ(out.Theme, 2);
}

TEST_F(OptionsTest, WithoutAJoystickItsKeysAreNotTakenAndSavedAsOff) {
    TGameSettings in;
    in.JoystickPlayer = {true, false, false, false};
    form->LoadSettings(in);
    TGameSettings out;
    out.JoystickPlayer = {true, true, true, true};
    form->SaveSettings(out);
    EXPECT_EQ(out.JoystickPlayer, (std::array<bool, 4>{false, false, false, false}));
    EXPECT_EQ(game.JoystickSprite, nullptr);
}

TEST_F(OptionsTest, ThemeIndexOutsideTheListSelectsNothing) {
    form->SetThemes({"<Random>", "A"}, 5);
    EXPECT_EQ(form->ThemeCombo->ItemIndex(), -1);
}

// The longest name of a display mode shows whole beside the chooser's drop-down button.
TEST_F(OptionsTest, TheModeChooserShowsTheLongestModeNameWhole) {
    TCanvas measure;
    measure.Font().Assign(form->DDModesCombo->Font());
    constexpr int dropDownButton = 24;
    EXPECT_GE(form->DDModesCombo->Width(), measure.TextWidth("1152x864 32bpp") + dropDownButton);
    EXPECT_LE(form->DDModesCombo->Left() + form->DDModesCombo->Width(), form->GroupBox5->Width());
}
