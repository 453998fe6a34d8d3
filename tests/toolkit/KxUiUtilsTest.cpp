#include "toolkit/kxUiUtils.h"

#include "platform/framework/Application.h"
#include "platform/framework/ExtCtrls.h"
#include "platform/framework/MessageService.h"
#include "platform/framework/Resources.h"
#include "platform/framework/StdCtrls.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/LittleEndian.h"
#include "tests/ScopedEnvironment.h"
#include "tests/platform/files/TempTree.h"
#include "tests/platform/framework/BitmapInk.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// A 2 x 2 picture at 32 bits per pixel: red and green on top, blue and clear below.
std::vector<BYTE> dib() {
    std::vector<BYTE> d;
    for (std::uint32_t field : {40u, 2u, 2u})
        AppendLE32(d, field);
    AppendLE16(d, 1);
    AppendLE16(d, 32);
    for (int i = 0; i < 6; ++i)
        AppendLE32(d, 0);
    for (std::uint32_t pixel : {0xFF0000FFu, 0x00000000u, 0xFFFF0000u, 0xFF00FF00u}) // bottom row first
        AppendLE32(d, pixel);
    return d;
}

// An icon file of that picture (its mask row each 4 bytes).
std::vector<BYTE> iconFile() {
    std::vector<BYTE> image = dib();
    image[8] = 4; // a double height: picture and mask
    image.insert(image.end(), 8, 0);
    std::vector<BYTE> file;
    AppendLE16(file, 0);
    AppendLE16(file, 1);
    AppendLE16(file, 1);
    file.insert(file.end(), {2, 2, 0, 0});
    AppendLE16(file, 1);
    AppendLE16(file, 32);
    AppendLE32(file, static_cast<std::uint32_t>(image.size()));
    AppendLE32(file, 22);
    file.insert(file.end(), image.begin(), image.end());
    return file;
}

std::vector<BYTE> cursorFile() {
    std::vector<BYTE> file = iconFile();
    file[2] = 2;
    return file;
}

std::vector<BYTE> animatedFile() {
    const std::vector<BYTE> frame = cursorFile();
    std::vector<BYTE> list = {'f', 'r', 'a', 'm', 'i', 'c', 'o', 'n'};
    AppendLE32(list, static_cast<std::uint32_t>(frame.size()));
    list.insert(list.end(), frame.begin(), frame.end());
    std::vector<BYTE> body = {'A', 'C', 'O', 'N', 'L', 'I', 'S', 'T'};
    AppendLE32(body, static_cast<std::uint32_t>(list.size()));
    body.insert(body.end(), list.begin(), list.end());
    std::vector<BYTE> file = {'R', 'I', 'F', 'F'};
    AppendLE32(file, static_cast<std::uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

std::unique_ptr<TBitmap> filled(int width, int height, TColor color) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf32bit);
    bitmap->SetSize(width, height);
    bitmap->Canvas().Brush().SetColor(color);
    bitmap->Canvas().FillRect({0, 0, width, height});
    return bitmap;
}

int countColour(TBitmap& bitmap, TColor color) {
    int n = 0;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            n += bitmap.Pixel(x, y) == color;
    return n;
}

// A control that paints nothing itself, for drawing cells on its canvas.
class Sheet : public TCustomControl {
public:
    explicit Sheet(TComponent* owner) : TCustomControl(owner) {}
};

} // namespace

TEST(UiResources, BitmapsAndIconsComeFromTheProgramsResources) {
    RegisterResource(RT_BITMAP, "UI_TEST_BMP", dib());
    RegisterResource(RT_BITMAP, ResourceIdName(4711), dib());
    RegisterResource(RT_ICON, "UI_TEST_ICO", iconFile());
    const auto bitmap = MakeBitmap("ui_test_bmp");
    EXPECT_EQ(bitmap->Width(), 2);
    EXPECT_EQ(bitmap->Pixel(0, 0), clRed);
    EXPECT_EQ(MakeBitmapID(4711)->Pixel(1, 0), clLime);
    EXPECT_EQ(MakeModuleBitmap(HInstance, "UI_TEST_BMP")->Height(), 2);
    const auto icon = MakeIcon("UI_TEST_ICO");
    EXPECT_EQ(icon->ArgbPixels(), (std::vector<std::uint32_t>{0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0u}));
    try {
        MakeIconID(99);
        ADD_FAILURE();
    } catch (const EResNotFound& error) {
        EXPECT_EQ(error.Message(), "Resource #99 not found");
    }
    EXPECT_THROW(MakeBitmap("NO_SUCH"), EResNotFound);
    EXPECT_THROW(ResourceNotFound("X"), EResNotFound);
}

TEST(UiBitmaps, CellsColoursPatternsAndDisabledLooks) {
    auto strip = filled(30, 10, clBlue);
    strip->Canvas().Brush().SetColor(clRed);
    strip->Canvas().FillRect({10, 0, 20, 10});
    TBitmap cell;
    AssignBitmapCell(*strip, cell, 3, 1, 1);
    EXPECT_EQ(cell.Width(), 10);
    EXPECT_EQ(countColour(cell, clRed), 100);
    AssignBitmapCell(*strip, cell, 3, 1, 7);
    EXPECT_EQ(countColour(cell, clSilver), 100);

    const auto changed = ChangeBitmapColor(*strip, clRed, clYellow);
    EXPECT_EQ(changed->Pixel(15, 5), clYellow);
    EXPECT_EQ(changed->Pixel(5, 5), clBlue);

    const auto pattern = CreateTwoColorsBrushPattern(clWhite, clBlack);
    EXPECT_EQ(pattern->Width(), 8);
    EXPECT_EQ(pattern->Pixel(0, 0), clBlack);
    EXPECT_EQ(pattern->Pixel(1, 1), clBlack);
    EXPECT_EQ(pattern->Pixel(1, 0), clWhite);
    EXPECT_EQ(countColour(*pattern, clBlack), 32);

    // A 2 x 2 black square on white: the shadow in place, the highlight one pixel down and
    // right, both on the background.
    auto glyph = filled(5, 5, clWhite);
    glyph->Canvas().Brush().SetColor(clBlack);
    glyph->Canvas().FillRect({1, 1, 3, 3});
    const auto disabled = CreateDisabledBitmapEx(*glyph, clWhite, clSilver, clWhite, clGray, true);
    EXPECT_EQ(disabled->Pixel(1, 1), clGray);
    EXPECT_EQ(disabled->Pixel(2, 2), clGray);
    EXPECT_EQ(disabled->Pixel(3, 3), clWhite);
    EXPECT_EQ(disabled->Pixel(3, 2), clWhite);
    EXPECT_EQ(disabled->Pixel(0, 0), clSilver);
    EXPECT_EQ(
        countColour(*CreateDisabledBitmapEx(*glyph, clWhite, clSilver, clWhite, clGray, false), clWhite), 0);
    EXPECT_EQ(CreateDisabledBitmap(*glyph, clWhite)->Pixel(0, 0), static_cast<TColor>(ColorToRGB(clBtnFace)));
}

TEST(UiBitmaps, TransparentDrawingLeavesTheKeyedPixels) {
    auto picture = filled(4, 4, clFuchsia);
    picture->Canvas().Brush().SetColor(clNavy);
    picture->Canvas().FillRect({1, 1, 3, 3});
    auto target = filled(20, 20, clYellow);
    DrawBitmapTransparent(target->Canvas(), 2, 2, *picture, clFuchsia);
    EXPECT_EQ(target->Pixel(2, 2), clYellow);
    EXPECT_EQ(target->Pixel(3, 3), clNavy);
    EXPECT_EQ(countColour(*target, clNavy), 4);
    // clDefault keys on the bottom-left pixel; stretching doubles the square.
    StretchBitmapRectTransparent(target->Canvas(), 10, 10, 8, 8, {0, 0, 4, 4}, *picture, clDefault);
    EXPECT_EQ(countColour(*target, clNavy), 4 + 16);
    EXPECT_EQ(target->Pixel(10, 10), clYellow);
    DrawBitmapRectTransparent(target->Canvas(), 0, 15, {1, 1, 3, 3}, *picture, clNone);
    EXPECT_EQ(target->Pixel(0, 15), clNavy);
    // With a palette every colour is taken to its nearest entry first.
    const TPaletteEntry entries[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    const TNearestPalette palette(entries, 2);
    auto dark = filled(2, 2, static_cast<TColor>(RGB(40, 40, 40)));
    StretchBltTransparent(target->Canvas(), {0, 0, 2, 2}, dark->Canvas(), {0, 0, 2, 2}, &palette, clNone);
    EXPECT_EQ(target->Pixel(0, 0), clBlack);
}

TEST(UiBitmaps, DisabledImageListPicturesAndIcons) {
    TImageList images(nullptr, 4, 4);
    auto picture = filled(4, 4, clFuchsia);
    picture->Canvas().Brush().SetColor(clRed);
    picture->Canvas().FillRect({0, 0, 2, 2});
    images.AddMasked(*picture, clFuchsia);
    auto target = filled(10, 10, clWhite);
    ImageListDrawDisabled(images, target->Canvas(), 2, 2, 0, clYellow, clGray, true);
    EXPECT_EQ(target->Pixel(2, 2), clGray);
    EXPECT_EQ(target->Pixel(4, 4), clYellow);
    EXPECT_EQ(target->Pixel(5, 5), clWhite);
    EXPECT_EQ(countColour(*target, clRed), 0);
    ImageListDrawDisabled(images, target->Canvas(), 0, 0, 5, clYellow, clGray, true);

    TIcon icon;
    icon.LoadFromMemory(iconFile().data(), iconFile().size());
    const auto onPink = CreateBitmapFromIcon(icon, clFuchsia);
    EXPECT_TRUE(onPink->Transparent());
    EXPECT_EQ(onPink->TransparentColor(), clFuchsia);
    EXPECT_EQ(onPink->Pixel(1, 1), clFuchsia);
    EXPECT_EQ(onPink->Pixel(0, 0), clRed);
    const auto back = CreateIconFromBitmap(*onPink, clDefault);
    EXPECT_EQ(back->ArgbPixels(), icon.ArgbPixels());
    EXPECT_EQ(CreateIconFromBitmap(*onPink, clNone)->ArgbPixels()[3], 0xFFFF00FFu);
}

TEST(UiDrawing, GeometryAndPolygons) {
    EXPECT_EQ(WidthOf({2, 3, 10, 20}), 8);
    EXPECT_EQ(HeightOf({2, 3, 10, 20}), 17);
    EXPECT_TRUE(PointInRect({10, 20}, {2, 3, 10, 20}));
    EXPECT_FALSE(PointInRect({11, 20}, {2, 3, 10, 20}));
    const POINT square[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    EXPECT_TRUE(PointInPolyRgn({0, 0}, square, 3));
    EXPECT_TRUE(PointInPolyRgn({9, 9}, square, 3));
    EXPECT_FALSE(PointInPolyRgn({10, 5}, square, 3));
    EXPECT_FALSE(PointInPolyRgn({5, -1}, square, 3));
    // A five-pointed star drawn in one stroke: its middle winds twice, so the winding rule
    // fills it (an even-odd fill would leave it empty).
    const POINT star[] = {{50, 0}, {79, 90}, {2, 35}, {97, 35}, {21, 90}};
    EXPECT_TRUE(PointInPolyRgn({50, 45}, star, 4));
    EXPECT_TRUE(PointInPolyRgn({50, 10}, star, 4));
    EXPECT_FALSE(PointInPolyRgn({50, 80}, star, 4));
    EXPECT_FALSE(PointInPolyRgn({5, 5}, star, 1));
}

TEST(UiDrawing, ShadingTextAndCells) {
    auto target = filled(10, 10, clWhite);
    target->Canvas().Brush().SetColor(clRed);
    target->Canvas().FillRect({0, 0, 10, 2});
    ShadeRect(target->Canvas(), {1, 1, 9, 9});
    EXPECT_EQ(target->Pixel(1, 1), clRed);   // even square: what was there
    EXPECT_EQ(target->Pixel(2, 1), clBlack); // odd square: black
    EXPECT_EQ(target->Pixel(1, 2), clBlack);
    EXPECT_EQ(target->Pixel(2, 2), clWhite);
    EXPECT_EQ(target->Pixel(0, 1), clRed);
    EXPECT_EQ(countColour(*target, clBlack), 32);

    TCanvas& canvas = target->Canvas();
    EXPECT_EQ(MinimizeText("fits", canvas, 1000), "fits");
    EXPECT_EQ(MinimizeText("never fits at all", canvas, 0), "...");
    const std::string cut =
        MinimizeText("a rather long caption", canvas, canvas.TextWidth("a rather...") + 1);
    EXPECT_EQ(cut, "a rather...");
    const TSize average = GetAveCharSize(canvas);
    EXPECT_EQ(average.cy, canvas.TextHeight("A"));
    EXPECT_GT(average.cx, 2);
    EXPECT_LT(average.cx, average.cy);

    TForm form(nullptr);
    Sheet sheet(&form);
    sheet.SetParent(&form);
    sheet.Canvas().Font().SetColor(clBlack);
    {
        // The cell routines draw on the control's canvas; here it draws on memory.
        TPixelBuffer buffer;
        std::vector<std::uint32_t> pixels(120 * 60, 0xFFFFFF);
        buffer.Bits = pixels.data();
        buffer.Width = 120;
        buffer.Height = 60;
        buffer.Pitch = 120 * 4;
        sheet.Canvas().AttachBuffer(buffer);
        DrawCellTextEx(&sheet, 0, 0, "Mid", {0, 0, 120, 60}, taCenter, vaCenter, false);
        sheet.Canvas().Detach();
        int top = 60, bottom = 0, left = 120, right = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 120; ++x)
                if ((pixels[static_cast<std::size_t>(y * 120 + x)] & 0xFFFFFF) != 0xFFFFFF) {
                    top = std::min(top, y), bottom = std::max(bottom, y);
                    left = std::min(left, x), right = std::max(right, x);
                }
        EXPECT_NEAR((top + bottom) / 2, 30, 4);
        EXPECT_NEAR((left + right) / 2, 60, 3);
    }
}

TEST(UiDrawing, WrittenTextStaysInsideItsInsetAndLeavesTheBrush) {
    auto target = filled(100, 40, clWhite);
    TCanvas& canvas = target->Canvas();
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(clWhite);
    canvas.Font().SetColor(clBlack);
    WriteText(canvas, {0, 0, 100, 40}, 10, 5, "Right", taRightJustify, false);
    const RECT ink = InkBounds(*target, clWhite);
    EXPECT_LE(ink.right, 90);
    EXPECT_GT(ink.right, 80);
    EXPECT_GE(ink.top, 5);
    EXPECT_EQ(canvas.Brush().Style(), bsSolid);
    auto bitmap = filled(6, 6, clRed);
    TForm form(nullptr);
    Sheet sheet(&form);
    std::vector<std::uint32_t> pixels(20 * 20, 0xFFFFFF);
    TPixelBuffer buffer{pixels.data(), 20, 20, 80};
    sheet.Canvas().AttachBuffer(buffer);
    DrawCellBitmap(&sheet, 0, 0, *bitmap, {0, 0, 20, 20});
    sheet.Canvas().Detach();
    EXPECT_EQ(pixels[7 * 20 + 7] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(pixels[6 * 20 + 6] & 0xFFFFFF, 0xFFFFFFu);
}

TEST(UiDrawing, RotatedFontsOfBothUnits) {
    TFont font;
    font.SetName("A face name that is far too long for the field");
    font.SetHeight(-16);
    font.SetStyle(fsBold | fsItalic);
    font.SetCharSet(ANSI_CHARSET);
    font.SetPitch(fpVariable);
    const HFONT own = kxUiUtils::CreateRotatedFont(font, 45);
    EXPECT_EQ(own->Escapement, 450);
    EXPECT_EQ(own->Orientation, 0);
    EXPECT_EQ(own->CharSet, ANSI_CHARSET);
    EXPECT_EQ(own->Weight, FW_BOLD);
    EXPECT_EQ(own->Italic, 1);
    EXPECT_EQ(own->PitchAndFamily, 2);
    EXPECT_EQ(own->Height, -16);
    EXPECT_EQ(own->FaceName.size(), 31u);
    const HFONT about = CreateRotatedFont(font, 90);
    EXPECT_EQ(about->Escapement, 900);
    EXPECT_EQ(about->Orientation, 900);
    EXPECT_EQ(about->CharSet, DEFAULT_CHARSET);
    // The handle turns a canvas's text.
    auto target = filled(80, 80, clWhite);
    target->Canvas().Font().SetHandle(about);
    target->Canvas().Font().SetName("Arial");
    target->Canvas().Font().SetColor(clBlack);
    target->Canvas().Brush().SetStyle(bsClear);
    target->Canvas().TextOut(20, 75, "Up");
    const RECT ink = InkBounds(*target, clWhite);
    EXPECT_GT(ink.bottom - ink.top, ink.right - ink.left);
    EXPECT_LE(ink.bottom, 76);
}

TEST(UiDialogUnits, FollowTheAverageCharacter) {
    TBitmap probe;
    probe.SetSize(1, 1);
    const TSize base = GetAveCharSize(probe.Canvas());
    EXPECT_EQ(DialogUnitsToPixelsX(4), base.cx);
    EXPECT_EQ(DialogUnitsToPixelsY(8), base.cy);
    EXPECT_EQ(PixelsToDialogUnitsX(base.cx * 10), 40);
    EXPECT_EQ(PixelsToDialogUnitsY(base.cy * 3), 24);
}

TEST(UiSystem, LibrariesAndRegistration) {
    unsetenv("VX_TEST_SERVER_REGISTERED");
    EXPECT_TRUE(RegisterServer(VX_TEST_SERVER));
    EXPECT_STREQ(std::getenv("VX_TEST_SERVER_REGISTERED"), "1");
    EXPECT_FALSE(RegisterServer("libm.so.6"));
    try {
        LoadDLL("no-such-library.so");
        ADD_FAILURE();
    } catch (const EOSError& error) {
        EXPECT_NE(error.Message().find("no-such-library.so"), std::string::npos);
    }
}

TEST(UiSystem, BeepsMessagesAndTheSilentEnd) {
    ScopedMessageRecorder messages;
    Beep();
    EXPECT_EQ(messages.Beeps(), 1);
    Screen->SetCursor(crHourGlass);
    EXPECT_THROW(NotImplemented(), EAbort);
    EXPECT_EQ(Screen->Cursor(), crDefault);
    ASSERT_EQ(messages.Records().size(), 1u);
    EXPECT_EQ(messages.Records()[0].text, "Function not yet implemented");
    EXPECT_EQ(messages.Records()[0].caption, "Information");
    EXPECT_EQ(messages.Records()[0].flags, MB_OK | MB_ICONINFORMATION);
    messages.recorder().SetAnswer(IDNO);
    EXPECT_EQ(MsgDlg("Sure?", mtConfirmation, {mbYes, mbNo}, 0), mrNo);
    EXPECT_EQ(messages.Records()[1].flags, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(MsgBox("Caption", "Text", MB_OKCANCEL), IDNO);
    EXPECT_EQ(messages.Records()[2].caption, "Caption");
    EXPECT_EQ(messages.Records()[2].text, "Text");
    EXPECT_EQ(PaletteColor(clRed), 0x020000FF);
    EXPECT_EQ(PaletteColor(clBtnFace), static_cast<TColor>(ColorToRGB(clBtnFace) | 0x02000000u));
    EXPECT_EQ(PaletteEntries(std::vector<TPaletteEntry>(16)), 16);
    const RECT area = ScreenWorkArea();
    EXPECT_GT(WidthOf(area), 0);
    EXPECT_LE(WidthOf(area), Screen->Width());
}

TEST(UiSystem, DelayRunsOnTheTickClockWithoutSpinning) {
    ScopedTestClock clock(1000, true);
    Delay(250);
    EXPECT_GE(GetTickCount(), 1250u);
    EXPECT_LE(GetTickCount(), 1260u);
    clock.clock().Set(0xFFFFFFF0u);
    Delay(100); // the counter wraps on the way and the wait ends
    EXPECT_LT(GetTickCount(), 0xFFFFFFF0u);
}

TEST(UiWindows, CentringMergingAndShowing) {
    TForm host(nullptr);
    host.SetClientWidth(300);
    host.SetClientHeight(200);
    TPanel panel(&host);
    panel.SetParent(&host);
    panel.SetBounds(0, 0, 100, 80);
    TButton button(&panel);
    button.SetParent(&panel);
    button.SetBounds(0, 0, 40, 20);
    CenterControl(&button);
    EXPECT_EQ(button.Left(), 30);
    EXPECT_EQ(button.Top(), 30);
    button.SetBounds(0, 0, 150, 100);
    CenterControl(&button);
    EXPECT_EQ(button.Left(), 0);
    EXPECT_EQ(button.Top(), 0);
    CenterWindow(&host);
    EXPECT_NEAR(host.Left() + host.Width() / 2, Screen->Width() / 2, 1);
    EXPECT_EQ(WindowClassName(&panel), "TPanel");

    auto* child = new TForm(nullptr);
    child->SetBounds(5, 6, 50, 40);
    MergeForm(&panel, child, alNone, true);
    EXPECT_EQ(child->Parent(), &panel);
    EXPECT_EQ(child->BorderStyle(), bsNone);
    EXPECT_EQ(child->Left(), 5);
    EXPECT_TRUE(child->Visible());
    MergeForm(&panel, child, alClient, false);
    EXPECT_EQ(child->Width(), panel.ClientWidth());
    EXPECT_FALSE(child->Visible());
    delete child;

    ShowWinNoAnimate(&host, SW_SHOWMINIMIZED);
    EXPECT_TRUE(host.Visible());
    EXPECT_EQ(host.WindowState(), wsMinimized);
    SwitchToWindow(&host, true);
    EXPECT_EQ(host.WindowState(), wsNormal);
    ShowWinNoAnimate(&host, SW_SHOWMAXIMIZED);
    SwitchToWindow(&host, true);
    EXPECT_EQ(host.WindowState(), wsMaximized);
    ShowWinNoAnimate(&host, SW_HIDE);
    EXPECT_FALSE(host.Visible());
    ActivateWindow(&host);
    EXPECT_TRUE(host.Visible());
}

TEST(UiParentImage, PaintsWhatLiesBeneath) {
    TForm form(nullptr);
    form.SetColor(clBlue);
    form.SetClientWidth(100);
    form.SetClientHeight(100);
    TPanel below(&form);
    below.SetParent(&form);
    below.SetColor(clRed);
    below.SetBevelOuter(bvNone);
    below.SetBounds(0, 0, 50, 100);
    TPanel above(&form);
    above.SetParent(&form);
    above.SetBounds(40, 10, 30, 30);
    form.Show();
    auto picture = filled(30, 30, clWhite);
    CopyParentImage(&above, picture->Canvas());
    EXPECT_EQ(picture->Pixel(2, 15), clRed);   // over the panel beneath
    EXPECT_EQ(picture->Pixel(20, 15), clBlue); // over the form itself
}

TEST(UiVariantsAndMemory, ValuesBlocksAndMoves) {
    EXPECT_TRUE(MakeVariant({}).IsNull());
    EXPECT_EQ(MakeVariant({Variant(7)}).AsInteger(), 7);
    const Variant many = MakeVariant({Variant(1), Variant("two")});
    ASSERT_TRUE(many.IsArray());
    EXPECT_EQ(many.Items()[1].AsString(), "two");

    void* block = AllocMemo(100);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GetMemoSize(block), 100);
    const std::vector<unsigned char> zeros(300, 0);
    EXPECT_TRUE(CompareMem(block, zeros.data(), 100));
    std::memset(block, 0xAB, 100);
    block = ReallocMemo(block, 300);
    EXPECT_EQ(GetMemoSize(block), 300);
    EXPECT_EQ(static_cast<unsigned char*>(block)[99], 0xAB);
    EXPECT_TRUE(CompareMem(HugeInc(block, 100), zeros.data(), 200));
    EXPECT_EQ(HugeDec(HugeOffset(block, 10), 10), block);
    FreeMemo(block);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(GetMemoSize(nullptr), 0);
    EXPECT_EQ(AllocMemo(0), nullptr);
    FreeMemo(block);

    std::uint32_t words[6] = {1, 2, 3, 4, 5, 6};
    HugeMove(words, 1, 0, 4); // overlapping, towards the end
    EXPECT_EQ(std::vector<std::uint32_t>(words, words + 6), (std::vector<std::uint32_t>{1, 1, 2, 3, 4, 6}));
    char text[] = "abcdef";
    HMemCpy(text, text + 2, 4);
    EXPECT_STREQ(text, "cdefef");
    EXPECT_FALSE(CompareMem("abc", "abd", 3));
    EXPECT_TRUE(CompareMem("abc", "abd", 2));
}

TEST(UiStrings, CommandLinesNamesAndEnvironment) {
    std::string exe, params;
    SplitCommandLine("\"C:\\Program Files\\Vortamix\\vortamix.exe\" -x \"two words\" last", exe, params);
    EXPECT_EQ(exe, "C:\\Program Files\\Vortamix\\vortamix.exe");
    EXPECT_EQ(params, "-x \"two words\" last");
    SplitCommandLine("  prog   \"\"  a\"b c\"d  ", exe, params);
    EXPECT_EQ(exe, "prog");
    EXPECT_EQ(params, "\"ab cd\"");
    SplitCommandLine("", exe, params);
    EXPECT_EQ(exe, "");
    EXPECT_EQ(params, "");
    EXPECT_EQ(AnsiUpperFirstChar("hELLO \xC9T\xC9"), "Hello \xE9t\xE9");
    EXPECT_EQ(AnsiUpperFirstChar("\xE9t\xE9"), "\xC9t\xE9");
    EXPECT_EQ(std::string(StrPAlloc("copy").get()), "copy");
    std::string s = "chars";
    EXPECT_EQ(StringToPChar(s), s.data());
    EXPECT_EQ(DropT("TKxLabel"), "KxLabel");
    EXPECT_EQ(DropT("tiny"), "iny");
    EXPECT_EQ(DropT("T"), "T");
    EXPECT_EQ(DropT("Label"), "Label");
    EXPECT_EQ(ResStr("text"), "text");
    ScopedEnvironment longValue("VX_LONG_VALUE", std::string(5000, 'v'));
    EXPECT_EQ(GetEnvVar("VX_LONG_VALUE"), std::string(5000, 'v'));
    unsetenv("VX_SURELY_UNSET");
    EXPECT_EQ(GetEnvVar("VX_SURELY_UNSET"), "");
}

TEST(UiCursors, DefinedCursorsTakeFreeNumbersUntilTheTableIsFull) {
    TempTree tree;
    ScopedEnvironment tmp("TMPDIR", tree.Root().string());
    RegisterResource(RT_CURSOR, "UI_TEST_CUR", cursorFile());
    RegisterResource(RT_ANICURSOR, "UI_TEST_ANI", animatedFile());
    const TCursor first = DefineCursor(HInstance, "UI_TEST_CUR");
    const TCursor second = DefineCursor(HInstance, "UI_TEST_ANI");
    EXPECT_GE(first, 100);
    EXPECT_EQ(second, first + 1);
    EXPECT_EQ(Screen->Cursors(second)->Width(), 2);
    EXPECT_THROW(DefineCursor(HInstance, "NO_CURSOR"), EResNotFound);
    ASSERT_TRUE(LoadAniCursor(HInstance, "UI_TEST_ANI"));
    EXPECT_FALSE(LoadAniCursor(HInstance, "NO_CURSOR"));
    // The temporary file the animated cursor went through is gone.
    EXPECT_TRUE(fs::is_empty(tree.Root()));
    // Numbers go on until the table is full; then a freed one is taken again.
    std::vector<TCursor> defined{first, second};
    EXPECT_THROW(for (;;) defined.push_back(DefineCursor(HInstance, "UI_TEST_CUR")), EOutOfResources);
    Screen->SetCursors(defined[5], nullptr);
    EXPECT_EQ(DefineCursor(HInstance, "UI_TEST_CUR"), defined[5]);
    for (TCursor index : defined)
        Screen->SetCursors(index, nullptr);
}

TEST(UiCursors, NestedWaitsRestoreTheFirstCursorAtTheLastStop) {
    Screen->SetCursor(crIBeam);
    StartWait();
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    Screen->SetCursor(crCross);
    StartWait();
    StopWait();
    EXPECT_EQ(Screen->Cursor(), crCross);
    StopWait();
    EXPECT_EQ(Screen->Cursor(), crIBeam);
    StopWait();
    EXPECT_EQ(Screen->Cursor(), crIBeam);
    Screen->SetCursor(crDefault);
}

TEST(UiErrors, SystemErrorsCarryTheirCode) {
    try {
        RaiseWin32Error(ENOENT);
        ADD_FAILURE();
    } catch (const EOSError& error) {
        EXPECT_EQ(error.ErrorCode(), ENOENT);
        EXPECT_EQ(error.Message(), "System Error.  Code: 2.\nNo such file or directory");
    }
    EXPECT_NO_THROW(RaiseWin32Error(0));
    EXPECT_NO_THROW(CheckWin32(true));
    errno = EACCES;
    try {
        CheckWin32(false);
        ADD_FAILURE();
    } catch (const EOSError& error) {
        EXPECT_EQ(error.ErrorCode(), EACCES);
    }
}
