#include "platform/framework/Jpeg.h"

#include "GuiTestSupport.h"
#include "platform/framework/Bitmap.h"

#include <QBuffer>
#include <gtest/gtest.h>
#include <vector>

namespace {

// A 16 x 8 JPEG, left half red and right half blue, high quality.
std::vector<unsigned char> makeJpeg() {
    QImage image(16, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            image.setPixel(x, y, x < 8 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, "JPG", 100));
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

bool near(TColor a, TColor b) {
    const DWORD x = ColorToRGB(a), y = ColorToRGB(b);
    return std::abs(GetRValue(x) - GetRValue(y)) < 40 && std::abs(GetGValue(x) - GetGValue(y)) < 40 &&
           std::abs(GetBValue(x) - GetBValue(y)) < 40;
}

} // namespace

TEST(JpegImages, AValidPictureDecodesAndBecomesABitmap) {
    vx::EnsureQtApplication();
    const std::vector<unsigned char> bytes = makeJpeg();
    TJPEGImage jpeg;
    jpeg.LoadFromMemory(bytes.data(), bytes.size());
    EXPECT_EQ(jpeg.Width(), 16);
    EXPECT_EQ(jpeg.Height(), 8);
    TBitmap bitmap;
    bitmap.Assign(jpeg);
    EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
    EXPECT_TRUE(near(bitmap.Pixel(2, 4), clRed));
    EXPECT_TRUE(near(bitmap.Pixel(13, 4), clBlue));
}

TEST(JpegImages, CorruptDataRaisesAClearErrorAndKeepsThePreviousPicture) {
    vx::EnsureQtApplication();
    const std::vector<unsigned char> bytes = makeJpeg();
    TJPEGImage jpeg;
    jpeg.LoadFromMemory(bytes.data(), bytes.size());

    const std::vector<unsigned char> truncated(bytes.begin(),
                                               bytes.begin() + static_cast<long>(bytes.size() / 2));
    try {
        jpeg.LoadFromMemory(truncated.data(), truncated.size());
        FAIL() << "a truncated picture must be refused";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message().rfind("JPEG error: ", 0), 0u) << error.Message();
    }
    std::vector<unsigned char> garbage(500, 0x5A);
    EXPECT_THROW(jpeg.LoadFromMemory(garbage.data(), garbage.size()), Exception);
    std::vector<unsigned char> scrambled = bytes;
    for (std::size_t i = 200; i < scrambled.size() && i < 260; ++i)
        scrambled[i] = 0xFF;
    EXPECT_THROW(jpeg.LoadFromMemory(scrambled.data(), scrambled.size()), Exception);
    EXPECT_THROW(jpeg.LoadFromMemory(nullptr, 0), Exception);
    EXPECT_EQ(jpeg.Width(), 16);
    EXPECT_THROW(jpeg.LoadFromFile(std::string(VX_TEST_TMP) + "/no such picture.jpg"), EFOpenError);
}
