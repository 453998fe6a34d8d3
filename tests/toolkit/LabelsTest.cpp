#include "toolkit/WebLabel.h"
#include "toolkit/WinVerLb.h"
#include "toolkit/Winutils.h"

#include "platform/files/Shell.h"
#include "platform/framework/Forms.h"
#include "tests/toolkit/PixelTarget.h"

#include <gtest/gtest.h>

namespace {

class LabelFixture : public ::testing::Test {
protected:
    void SetUp() override { form = new TForm(nullptr); }
    void TearDown() override { delete form; }
    TForm* form = nullptr;
};

} // namespace

TEST_F(LabelFixture, WebLabelLooksLikeALink) {
    auto* link = new TWebLabel(form);
    EXPECT_EQ(link->Font().Color(), clBlue);
    EXPECT_EQ(link->Font().Style(), static_cast<TFontStyles>(fsUnderline));
    EXPECT_EQ(link->Cursor(), crHandPoint);
    EXPECT_FALSE(link->Caption().empty());
    EXPECT_FALSE(link->File().empty());
    EXPECT_EQ(link->ClassParentName(), "TLabel");
}

TEST_F(LabelFixture, ClickingAWebLabelHandsItsFileToTheDesktop) {
    ScopedShellRecorder shell;
    auto* link = new TWebLabel(form);
    link->SetFile("https://vortamix.example/");
    link->Click();
    link->SetFile("");
    link->Click();
    EXPECT_EQ(shell.Targets(), (std::vector<std::string>{"https://vortamix.example/", ""}))
        << "an empty File still goes to the shell, which refuses it";
}

TEST_F(LabelFixture, VersionLabelShowsTheRunningSystemWhateverTheDescriptionSays) {
    auto* label = new TWinVerLabel(form);
    EXPECT_EQ(label->Caption(), GetWindowsVersion());
    EXPECT_FALSE(label->Caption().empty());
    label->SetCaption("Windows 95");
    form->LoadTree();
    EXPECT_EQ(label->Caption(), GetWindowsVersion());
}

TEST(GradientFill, ThreeColoursOnAHundredRowsPaintBandsAndAFinalRow) {
    PixelTarget target(10, 104, 0x123456);
    TCanvas canvas;
    canvas.AttachBuffer(target.buffer());
    GradientFillRect(canvas, RECT{2, 2, 8, 102}, static_cast<TColor>(RGB(0, 0, 0)),
                     static_cast<TColor>(RGB(200, 0, 100)), fdTopToBottom, 3);
    canvas.Detach();

    EXPECT_EQ(target.at(2, 2), 0x000000u);
    EXPECT_EQ(target.at(7, 34), 0x000000u);
    EXPECT_EQ(target.at(5, 35), 0x640032u); // the middle band: (100, 0, 50)
    EXPECT_EQ(target.at(5, 68), 0xC80064u);
    EXPECT_EQ(target.at(5, 101), 0xC80064u) << "the leftover row takes the end colour";
    EXPECT_EQ(target.at(1, 50), 0x123456u) << "nothing outside the rectangle";
    EXPECT_EQ(target.at(8, 50), 0x123456u);
    EXPECT_EQ(target.at(5, 1), 0x123456u);
    EXPECT_EQ(target.at(5, 102), 0x123456u);
}
