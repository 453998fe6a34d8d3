#include "platform/framework/Cursors.h"
#include "platform/framework/CursorFile.h"
#include "platform/framework/Forms.h"
#include "platform/framework/QtControls.h"
#include "platform/framework/Resources.h"
#include "platform/framework/StdCtrls.h"
#include "platform/kernel/LittleEndian.h"

#include "tests/platform/files/TempTree.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QCursor>
#include <QImage>
#include <QPixmap>

namespace {

// A one-image cursor file: image bytes after the 6-byte header and one 16-byte entry.
std::vector<BYTE> cursorFile(int width, int height, POINT hotSpot, const std::vector<BYTE>& image) {
    std::vector<BYTE> file;
    AppendLE16(file, 0);
    AppendLE16(file, 2);
    AppendLE16(file, 1);
    file.push_back(static_cast<BYTE>(width));
    file.push_back(static_cast<BYTE>(height));
    AppendLE16(file, 0);
    AppendLE16(file, static_cast<unsigned>(hotSpot.x));
    AppendLE16(file, static_cast<unsigned>(hotSpot.y));
    AppendLE32(file, static_cast<std::uint32_t>(image.size()));
    AppendLE32(file, 22);
    file.insert(file.end(), image.begin(), image.end());
    return file;
}

std::vector<BYTE> dibHeader(int width, int height, int bits, int colours) {
    std::vector<BYTE> h;
    AppendLE32(h, 40);
    AppendLE32(h, static_cast<std::uint32_t>(width));
    AppendLE32(h, static_cast<std::uint32_t>(height * 2));
    AppendLE16(h, 1);
    AppendLE16(h, static_cast<unsigned>(bits));
    for (int i = 0; i < 4; ++i) // compression, image size, resolution
        AppendLE32(h, 0);
    AppendLE32(h, static_cast<std::uint32_t>(colours));
    AppendLE32(h, 0);
    return h;
}

// An 8 x 2 cursor at 1 bit per pixel: top row black and opaque except a masked first
// pixel; bottom row white, its right half masked.
std::vector<BYTE> monochromeCursor() {
    std::vector<BYTE> image = dibHeader(8, 2, 1, 2);
    AppendLE32(image, 0x000000);
    AppendLE32(image, 0xFFFFFF);
    // Rows bottom-up, each padded to 4 bytes: colour bits, then mask bits.
    for (BYTE row : {BYTE{0xFF}, BYTE{0x00}}) {
        image.push_back(row);
        image.insert(image.end(), 3, 0);
    }
    for (BYTE mask : {BYTE{0x0F}, BYTE{0x80}}) {
        image.push_back(mask);
        image.insert(image.end(), 3, 0);
    }
    return cursorFile(8, 2, {3, 1}, image);
}

std::vector<BYTE> pngCursor(int width = 4, int height = 3) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(0x80FF0000u);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return cursorFile(width, height, {2, 2}, std::vector<BYTE>(bytes.begin(), bytes.end()));
}

std::vector<BYTE> animated(const std::vector<BYTE>& frame) {
    std::vector<BYTE> list = {'f', 'r', 'a', 'm', 'i', 'c', 'o', 'n'};
    AppendLE32(list, static_cast<std::uint32_t>(frame.size()));
    list.insert(list.end(), frame.begin(), frame.end());
    if (frame.size() % 2) list.push_back(0);
    std::vector<BYTE> body = {'A', 'C', 'O', 'N', 'a', 'n', 'i', 'h'};
    AppendLE32(body, 36);
    body.insert(body.end(), 36, 0);
    body.insert(body.end(), {'L', 'I', 'S', 'T'});
    AppendLE32(body, static_cast<std::uint32_t>(list.size()));
    body.insert(body.end(), list.begin(), list.end());
    std::vector<BYTE> file = {'R', 'I', 'F', 'F'};
    AppendLE32(file, static_cast<std::uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

} // namespace

TEST(CursorFiles, MonochromeImagesTakeTheirMask) {
    const std::vector<BYTE> file = monochromeCursor();
    TCursorPicture picture;
    ASSERT_TRUE(DecodeCursorFile(file.data(), file.size(), picture));
    EXPECT_EQ(picture.Width, 8);
    EXPECT_EQ(picture.Height, 2);
    EXPECT_EQ(picture.HotSpot, (POINT{3, 1}));
    // Top row (stored last): black, the first pixel masked.
    EXPECT_EQ(picture.Pixels[0], 0u);
    EXPECT_EQ(picture.Pixels[1], 0xFF000000u);
    // Bottom row: white, the right half masked; a masked white pixel would invert the
    // screen and shows black.
    EXPECT_EQ(picture.Pixels[8], 0xFFFFFFFFu);
    EXPECT_EQ(picture.Pixels[12], 0xFF000000u);
}

TEST(CursorFiles, TrueColourImagesKeepTheirAlpha) {
    std::vector<BYTE> image = dibHeader(2, 1, 32, 0);
    AppendLE32(image, 0x80112233u);
    AppendLE32(image, 0x00000000u);
    image.insert(image.end(), 4, 0); // the mask row
    const std::vector<BYTE> file = cursorFile(2, 1, {0, 0}, image);
    TCursorPicture picture;
    ASSERT_TRUE(DecodeCursorFile(file.data(), file.size(), picture));
    EXPECT_EQ(picture.Pixels, (std::vector<std::uint32_t>{0x80112233u, 0}));
}

TEST(CursorFiles, PaletteIndicesOutsideThePaletteReadAsBlack) {
    std::vector<BYTE> image = dibHeader(2, 1, 8, 1);
    AppendLE32(image, 0x00FF00);
    image.insert(image.end(), {0, 200, 0, 0}); // index 200 of a one-entry palette
    image.insert(image.end(), 4, 0);
    const std::vector<BYTE> file = cursorFile(2, 1, {0, 0}, image);
    TCursorPicture picture;
    ASSERT_TRUE(DecodeCursorFile(file.data(), file.size(), picture));
    EXPECT_EQ(picture.Pixels, (std::vector<std::uint32_t>{0xFF00FF00u, 0xFF000000u}));
}

TEST(CursorFiles, AnimatedCursorsGiveTheirFirstFrame) {
    const std::vector<BYTE> file = animated(monochromeCursor());
    TCursorPicture picture;
    ASSERT_TRUE(DecodeAnyCursorFile(file.data(), file.size(), picture));
    EXPECT_EQ(picture.HotSpot, (POINT{3, 1}));
    EXPECT_EQ(picture.Width, 8);
}

TEST(CursorFiles, EveryTruncationIsRefusedWithoutReadingPastTheEnd) {
    for (const std::vector<BYTE>& whole : {monochromeCursor(), animated(monochromeCursor())}) {
        for (std::size_t size = 0; size < whole.size(); ++size) {
            // A copy of exactly this size, so a read past it is a fault the sanitizer sees.
            const std::vector<BYTE> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
            TCursorPicture picture;
            EXPECT_FALSE(DecodeAnyCursorFile(cut.data(), cut.size(), picture)) << size;
        }
    }
}

TEST(CursorFiles, LyingSizesAreRefused) {
    std::vector<BYTE> file = monochromeCursor();
    file[14] = 0xFF; // image length far beyond the file
    TCursorPicture picture;
    EXPECT_FALSE(DecodeCursorFile(file.data(), file.size(), picture));
    file = monochromeCursor();
    file[22 + 4] = 0xFF; // width 255 with rows for 8
    EXPECT_FALSE(DecodeCursorFile(file.data(), file.size(), picture));
    file = monochromeCursor();
    file[4] = 0xFF; // 255 entries in a file that holds one
    EXPECT_FALSE(DecodeCursorFile(file.data(), file.size(), picture));
}

TEST(Cursors, PngImagesAndFilesLoad) {
    const std::vector<BYTE> png = pngCursor();
    HCURSOR cursor = LoadCursorFromMemory(png.data(), png.size());
    ASSERT_TRUE(cursor);
    EXPECT_EQ(cursor->Width(), 4);
    EXPECT_EQ(cursor->HotSpot(), (POINT{2, 2}));
    EXPECT_EQ(cursor->Pixels()[0], 0x80FF0000u);

    TempTree tree;
    const std::vector<BYTE> ani = animated(monochromeCursor());
    const std::string path = tree.Write("busy.ani", std::string(ani.begin(), ani.end()));
    EXPECT_TRUE(LoadCursorFromFile(path));
    EXPECT_FALSE(LoadCursorFromFile(tree.Write("bad.cur", "not a cursor")));
    EXPECT_FALSE(LoadCursorFromFile(tree.Path("missing.cur")));
}

TEST(Cursors, PngImagesAreHeldToTheSizeLimitOfCursorsAndIcons) {
    for (const auto& [width, height] : {std::pair{256, 256}, std::pair{257, 8}, std::pair{4000, 4000}}) {
        std::vector<BYTE> file = pngCursor(width, height);
        const bool fits = width <= 256 && height <= 256;
        EXPECT_EQ(LoadCursorFromMemory(file.data(), file.size()) != nullptr, fits) << width;
        file[2] = 1; // an icon file
        TCursorPicture picture;
        EXPECT_EQ(DecodeCursorFile(file.data(), file.size(), picture), fits) << width;
    }
}

TEST(Cursors, ScreenListShowsTheDefaultUntilSet) {
    EXPECT_EQ(Screen->Cursors(500), Screen->Cursors(crDefault));
    EXPECT_EQ(Screen->Cursors(crHourGlass), StandardCursor(crHourGlass));
    EXPECT_NE(Screen->Cursors(crHourGlass), Screen->Cursors(crDefault));

    RegisterResource(RT_CURSOR, "TEST_CURSOR", monochromeCursor());
    HCURSOR cursor = LoadCursor("test_cursor");
    ASSERT_TRUE(cursor);
    EXPECT_FALSE(LoadCursor("NO_SUCH_CURSOR"));
    Screen->SetCursors(500, cursor);
    EXPECT_EQ(Screen->Cursors(500), cursor);
    Screen->SetCursors(500, nullptr);
    EXPECT_EQ(Screen->Cursors(500), Screen->Cursors(crDefault));
}

TEST(Cursors, ControlsShowTheCursorStoredUnderTheirNumber) {
    RegisterResource(RT_CURSOR, "TEST_CURSOR", monochromeCursor());
    Screen->SetCursors(501, LoadCursor("TEST_CURSOR"));
    TForm form(nullptr);
    TButton button(&form);
    button.SetParent(&form);
    button.SetCursor(501);
    const QCursor shown = vx::ControlWidget(&button)->cursor();
    EXPECT_EQ(shown.shape(), Qt::BitmapCursor);
    EXPECT_EQ(shown.hotSpot(), QPoint(3, 1));
    EXPECT_EQ(shown.pixmap().toImage().pixel(1, 0), 0xFF000000u);
    button.SetCursor(crHourGlass);
    EXPECT_EQ(vx::ControlWidget(&button)->cursor().shape(), Qt::WaitCursor);
    Screen->SetCursors(501, nullptr);
}
