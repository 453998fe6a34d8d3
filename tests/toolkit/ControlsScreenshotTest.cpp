// The toolkit's controls on a virtual X display: each case runs this binary again on a fresh
// display, where the disabled case shows one scene of controls in their states and grabs
// the screen; the grab is read back as raw pixels and checked where each control stands.
#include "platform/framework/Application.h"
#include "platform/framework/ExtCtrls.h"
#include "platform/framework/PopupMenu.h"
#include "platform/framework/StdCtrls.h"
#include "tests/ScreenshotRunner.h"
#include "toolkit/KxCheckListBox.h"
#include "toolkit/KxListBox.h"
#include "toolkit/KxSpeedButton.h"
#include "toolkit/SecretPanel.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int screenWidth = 640;
constexpr int screenHeight = 480;

struct Grab {
    std::vector<unsigned char> rgb; // screenWidth x screenHeight, three bytes a pixel

    bool complete() const { return rgb.size() == std::size_t{screenWidth} * screenHeight * 3; }
    DWORD at(int x, int y) const {
        const std::size_t i = (std::size_t(y) * screenWidth + std::size_t(x)) * 3;
        return RGB(rgb[i], rgb[i + 1], rgb[i + 2]);
    }
    // Pixels of the colour (within tolerance in each channel) inside rect.
    int count(TColor color, const RECT& rect, int tolerance = 0) const {
        const DWORD want = ColorToRGB(color);
        int n = 0;
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x) {
                const DWORD got = at(x, y);
                n += std::abs(GetRValue(got) - GetRValue(want)) <= tolerance &&
                     std::abs(GetGValue(got) - GetGValue(want)) <= tolerance &&
                     std::abs(GetBValue(got) - GetBValue(want)) <= tolerance;
            }
        return n;
    }
};

// Runs the disabled case for scene on a fresh virtual display and reads the grab.
Grab grabScene(const std::string& scene) {
    const std::string png = std::string(VX_TEST_TMP) + "/" + scene + ".png";
    const std::string raw = std::string(VX_TEST_TMP) + "/" + scene + ".rgb";
    Grab grab;
    if (vx_test::RunOnVirtualDisplay("VX_CONTROLS_SHOT=\"" + png + "\" VX_CONTROLS_SCENE=" + scene,
                                     "640x480x24", "ControlsScreenshot.DISABLED_ShowsOneScene"))
        grab.rgb = vx_test::ReadRgb(png, raw);
    return grab;
}

template <class T> T* place(TWinControl* parent, int left, int top, int width, int height) {
    auto* control = new T(parent);
    control->SetParent(parent);
    control->SetBounds(left, top, width, height);
    return control;
}

// Three check lists, one of each kind, with every state enabled and disabled.
void checkLists(TForm* form) {
    const TCheckKind kinds[] = {ckCheckBoxes, ckRadioButtons, ckCheckMarks};
    for (int k = 0; k < 3; ++k) {
        auto* list = place<TKxCheckListBox>(form, 8 + k * 128, 8, 120, 118);
        for (const char* text :
             {"Unchecked", "Checked", "Grayed", "Off, disabled", "On, disabled", "Gray, disabled"})
            list->Items()->Add(text);
        list->SetAllowGrayed(true);
        list->SetState(1, cbChecked);
        list->SetState(2, cbGrayed);
        list->SetState(4, cbChecked);
        list->SetState(5, cbGrayed);
        for (int i = 3; i < 6; ++i)
            list->SetItemEnabled(i, false);
        list->SetCheckKind(kinds[k]);
        list->SetItemIndex(1);
    }
    auto* dead = place<TKxCheckListBox>(form, 392, 8, 120, 60);
    dead->Items()->Add("A disabled list");
    dead->Items()->Add("Checked in it");
    dead->SetChecked(1, true);
    dead->SetEnabled(false);
}

void textLists(TForm* form) {
    auto* text = place<TTextListBox>(form, 8, 140, 180, 120);
    for (int i = 0; i < 30; ++i)
        text->Items()->Add("Line " + std::to_string(i) + ": a text wider than the list box shows at once");
    text->SetItemIndex(2);
    auto* grey = place<TKxCustomListBox>(form, 200, 140, 180, 120);
    grey->SetStyle(lbOwnerDrawFixed);
    grey->SetGraySelection(true);
    grey->SetTabWidth(40);
    for (const char* line : {"Name\tValue", "Width\t640", "Height\t480", "Depth\t32"})
        grey->Items()->Add(line);
    grey->SetItemIndex(1);
}

void secretPanels(TForm* form) {
    auto* panel = place<TSecretPanel>(form, 8, 8, 300, 200);
    auto glyph = std::make_unique<TBitmap>();
    glyph->SetSize(32, 32);
    glyph->Canvas().Brush().SetColor(clFuchsia);
    glyph->Canvas().FillRect({0, 0, 32, 32});
    glyph->Canvas().Brush().SetColor(clNavy);
    glyph->Canvas().Ellipse(2, 2, 30, 30);
    panel->SetGlyph(glyph.get());
    panel->Font().SetHeight(-14);
    panel->Font().SetColor(clMaroon);
    for (const char* line :
         {"VORTAMIX", "", "Game design", "Programming", "Graphics", "Sound and music", "Thanks"})
        panel->Lines().Add(line);
    panel->SetInterval(5);
    panel->Play();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (panel->ScrollCount() < 120 && std::chrono::steady_clock::now() < until)
        Application->ProcessMessages();
    panel->SetInterval(1000000);

    auto* still = place<TSecretPanel>(form, 320, 8, 200, 100);
    still->SetBevelInner(bvRaised);
    still->SetBevelWidth(2);
    auto* child = new TButton(form);
    child->SetParent(still);
    child->SetBounds(40, 30, 120, 30);
    child->SetCaption("A child shown");
}

// A 16 x 16 picture: a green arrow pointing right with a dark outline, on the key colour.
std::unique_ptr<TBitmap> arrowGlyph() {
    static const char* art[16] = {
        "................", "......k.........", "......kk........", "......kgk.......",
        "......kggk......", "kkkkkkkgggk.....", "kggggggggggk....", "kgggggggggggk...",
        "kgggggggggggk...", "kggggggggggk....", "kkkkkkkgggk.....", "......kggk......",
        "......kgk.......", "......kk........", "......k.........", "................",
    };
    auto glyph = std::make_unique<TBitmap>();
    glyph->SetSize(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            glyph->SetPixel(x, y, art[y][x] == 'k' ? clBlack : art[y][x] == 'g' ? clGreen : clFuchsia);
    return glyph;
}

TKxSpeedButton* speedButton(TWinControl* parent, int left, int top, const std::string& caption) {
    auto* button = place<TKxSpeedButton>(parent, left, top, 72, 48);
    button->SetCaption(caption);
    button->SetGlyph(arrowGlyph().get());
    return button;
}

void speedButtons(TForm* form) {
    speedButton(form, 8, 8, "Up");
    auto* grouped = speedButton(form, 88, 8, "Down");
    grouped->SetGroupIndex(1);
    grouped->SetDown(true);
    speedButton(form, 168, 8, "Disabled")->SetEnabled(false);
    speedButton(form, 248, 8, "Flat")->SetFlat(true);
    auto* menuButton = speedButton(form, 328, 8, "Menu");
    auto* menu = new TPopupMenu(form);
    auto* entry = new TMenuItem(form);
    entry->SetCaption("Entry");
    menu->Items()->Add(entry);
    menuButton->SetDropDownMenu(menu);
    auto* old = speedButton(form, 408, 8, "Old style");
    old->SetStyle(bsWin31);
    const TButtonLayout layouts[] = {blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom};
    const char* names[] = {"Left", "Right", "Top", "Bottom"};
    for (int i = 0; i < 4; ++i) {
        auto* button = place<TKxSpeedButton>(form, 8 + i * 96, 72, 88, 40);
        button->SetGlyph(arrowGlyph().get());
        button->SetCaption(names[i]);
        button->SetLayout(layouts[i]);
    }
    auto* wrapped = place<TKxSpeedButton>(form, 8, 128, 96, 56);
    wrapped->SetWordWrap(true);
    wrapped->SetCaption("A caption long enough to wrap");
    auto* cut = place<TKxSpeedButton>(form, 112, 128, 96, 56);
    cut->SetCaption("A caption long enough to be shortened");
    auto* backing = place<TPanel>(form, 216, 128, 176, 56);
    backing->SetColor(clTeal);
    auto* clear = place<TKxSpeedButton>(backing, 8, 8, 72, 40);
    clear->SetTransparent(true);
    clear->SetFlat(true);
    clear->SetGlyph(arrowGlyph().get());
    clear->SetCaption("Clear");
    // A button face drawn into a picture, away from any button.
    TBitmap face;
    face.SetSize(120, 56);
    face.Canvas().Brush().SetColor(clBtnFace);
    face.Canvas().FillRect({0, 0, 120, 56});
    TButtonImage buttonImage;
    buttonImage.SetGlyph(arrowGlyph().get());
    buttonImage.SetButtonSize({100, 40});
    buttonImage.SetCaption("Image");
    buttonImage.Draw(face.Canvas(), 10, 8, -1, 4, blGlyphLeft, nullptr, 0);
    place<TImage>(form, 400, 128, 120, 56)->Picture().Assign(face);
}

const std::map<std::string, std::function<void(TForm*)>>& scenes() {
    static const std::map<std::string, std::function<void(TForm*)>> all = {
        {"lists",
         [](TForm* form) {
             checkLists(form);
             textLists(form);
         }},
        {"panel", secretPanels},
        {"buttons", speedButtons},
    };
    return all;
}

} // namespace

// Run by the cases below on a virtual display, never by ctest directly.
TEST(ControlsScreenshot, DISABLED_ShowsOneScene) {
    const char* output = std::getenv("VX_CONTROLS_SHOT");
    const char* scene = std::getenv("VX_CONTROLS_SCENE");
    ASSERT_NE(output, nullptr);
    ASSERT_NE(scene, nullptr);
    Application->Initialize();
    auto* form = new TForm(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, screenWidth, screenHeight);
    form->Show();
    scenes().at(scene)(form);
    vx_test::PumpFor(1500);
    vx_test::GrabScreen(output);
    form->Free();
}

TEST(ControlsScreenshotUnderXvfb, CheckListsShowTheirChecksSelectionAndGreyedItems) {
    if (!vx_test::HaveScreenshotTools()) GTEST_SKIP() << "Xvfb or imagemagick missing";
    const Grab grab = grabScene("lists");
    ASSERT_TRUE(grab.complete());
    for (int k = 0; k < 3; ++k) {
        const RECT list{8 + k * 128, 8, 8 + k * 128 + 120, 126};
        const RECT checks{list.left, list.top, list.left + 22, list.bottom};
        const RECT texts{list.left + 22, list.top, list.right, list.bottom};
        EXPECT_GT(grab.count(clHighlight, texts), 200) << "the selected item of list " << k;
        EXPECT_GT(grab.count(clBlack, checks), 8) << "the check of list " << k;
        EXPECT_GT(grab.count(clGrayText, texts, 20), 60) << "the disabled items of list " << k;
        EXPECT_EQ(grab.count(clFuchsia, list), 0) << "the key colour never shows";
    }
    EXPECT_EQ(grab.count(clBlack, {392, 8, 512, 68}), 0) << "a disabled list shows no black text";
}

TEST(ControlsScreenshotUnderXvfb, TextListsShowTheirBarsAndAnUnfocusedGreySelection) {
    if (!vx_test::HaveScreenshotTools()) GTEST_SKIP() << "Xvfb or imagemagick missing";
    const Grab grab = grabScene("lists");
    ASSERT_TRUE(grab.complete());
    EXPECT_GT(grab.count(clHighlight, {8, 140, 188, 260}), 300) << "the text list's selection";
    EXPECT_GT(grab.count(clBtnFace, {200, 140, 380, 260}), 300) << "the grey selection and no bars";
    EXPECT_EQ(grab.count(clHighlight, {200, 140, 380, 260}), 0);
}

TEST(ControlsScreenshotUnderXvfb, ThePanelScrollsItsTextBesideTheGlyphAndHidesNothingWhenStill) {
    if (!vx_test::HaveScreenshotTools()) GTEST_SKIP() << "Xvfb or imagemagick missing";
    const Grab grab = grabScene("panel");
    ASSERT_TRUE(grab.complete());
    const RECT panel{8, 8, 308, 208};
    EXPECT_GT(grab.count(clNavy, panel), 300) << "the glyph";
    EXPECT_EQ(grab.count(clFuchsia, panel), 0) << "drawn without its key colour";
    EXPECT_GT(grab.count(clMaroon, panel, 40), 40) << "the text on its way up";
    EXPECT_EQ(grab.count(clMaroon, {320, 8, 520, 108}, 40), 0);
    EXPECT_GT(grab.count(clBtnText, {360, 38, 480, 68}, 80), 20) << "the still panel's child";
}

TEST(ControlsScreenshotUnderXvfb, SpeedButtonsShowTheirStatesLayoutsAndGlyphs) {
    if (!vx_test::HaveScreenshotTools()) GTEST_SKIP() << "Xvfb or imagemagick missing";
    const Grab grab = grabScene("buttons");
    ASSERT_TRUE(grab.complete());
    EXPECT_GT(grab.count(clGreen, {8, 8, 80, 56}), 30) << "the up button's arrow";
    EXPECT_EQ(grab.at(8, 8), ColorToRGB(clBtnHighlight)) << "and its raised frame";
    EXPECT_GT(grab.count(clBtnHighlight, {92, 12, 156, 20}), 80) << "the held-down pattern";
    EXPECT_GT(grab.count(clBtnFace, {92, 12, 156, 20}), 80);
    EXPECT_EQ(grab.count(clGreen, {168, 8, 240, 56}), 0) << "a disabled arrow is embossed";
    EXPECT_GT(grab.count(clBtnShadow, {168, 8, 240, 56}), 40);
    EXPECT_EQ(grab.at(248, 8), ColorToRGB(clBtnFace)) << "a flat button has no frame at rest";
    EXPECT_EQ(grab.count(clGreen, {248, 8, 320, 56}), 0) << "and a grey arrow";
    EXPECT_GT(grab.count(clGreen, {328, 8, 400, 56}), 30);
    EXPECT_GT(grab.count(clTeal, {224, 136, 296, 176}), 1500) << "the panel shows through the clear button";
    EXPECT_GT(grab.count(clGreen, {400, 128, 520, 184}), 30) << "the button image";
    for (int i = 0; i < 4; ++i)
        EXPECT_GT(grab.count(clGreen, {8 + i * 96, 72, 96 + i * 96, 112}), 30) << "layout " << i;
}
