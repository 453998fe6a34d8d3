#include "game/PlayerColors.h"

#include <cstring>

namespace {

bool usableDepth(int bpp) {
    return bpp == 8 || bpp == 16 || bpp == 32;
}

template <class T> void swapRow(BYTE* row, int width, DWORD a, DWORD b, DWORD mask) {
    for (int x = 0; x < width; ++x) {
        T v;
        std::memcpy(&v, row + x * sizeof(T), sizeof(T));
        DWORD key = static_cast<DWORD>(v) & mask;
        if (key == (a & mask))
            v = static_cast<T>(b);
        else if (key == (b & mask))
            v = static_cast<T>(a);
        std::memcpy(row + x * sizeof(T), &v, sizeof(T));
    }
}

} // namespace

bool ReadSheetPixel(const TSheetPixels& sheet, int x, int y, DWORD& pixel) {
    if (!sheet.Bits || !usableDepth(sheet.BitsPerPixel) || x < 0 || y < 0 || x >= sheet.Width ||
        y >= sheet.Height)
        return false;
    const BYTE* p = sheet.Bits + static_cast<std::ptrdiff_t>(y) * sheet.Pitch + x * (sheet.BitsPerPixel / 8);
    switch (sheet.BitsPerPixel) {
    case 8:
        pixel = *p;
        break;
    case 16: {
        WORD w;
        std::memcpy(&w, p, 2);
        pixel = w;
        break;
    }
    default: {
        DWORD d;
        std::memcpy(&d, p, 4);
        pixel = d & 0xFFFFFFu;
        break;
    }
    }
    return true;
}

bool SwapSheetColors(const TSheetPixels& sheet, int firstRow, DWORD a, DWORD b) {
    if (!sheet.Bits || !usableDepth(sheet.BitsPerPixel) || firstRow < 0 || firstRow + 32 > sheet.Height)
        return false;
    for (int y = firstRow; y < firstRow + 32; ++y) {
        BYTE* row = sheet.Bits + static_cast<std::ptrdiff_t>(y) * sheet.Pitch;
        switch (sheet.BitsPerPixel) {
        case 8:
            swapRow<BYTE>(row, sheet.Width, a, b, 0xFF);
            break;
        case 16:
            swapRow<WORD>(row, sheet.Width, a, b, 0xFFFF);
            break;
        default:
            swapRow<DWORD>(row, sheet.Width, a, b, 0xFFFFFF);
            break;
        }
    }
    return true;
}
