#pragma once
// Pixel work on the locked players sheet: the border colour the game reads from it, and the
// GodMode blink that swaps the border colour with the god colour in a player's rows.
#include "platform/kernel/Types.h"

struct TSheetPixels {
    BYTE* Bits = nullptr;
    int Pitch = 0; // bytes per row
    int Width = 0;
    int Height = 0;
    int BitsPerPixel = 0;
};

// The pixel at (x, y) (of a 32-bit pixel its low 24 bits); false outside the sheet or for a
// depth other than 8, 16 or 32 bits.
bool ReadSheetPixel(const TSheetPixels& sheet, int x, int y, DWORD& pixel);

// In 32 rows from firstRow, a equals b's place and b a's (32-bit pixels compared by their low
// 24 bits, written whole). False, with nothing changed, when the rows leave the sheet or the
// depth is not 8, 16 or 32 bits.
bool SwapSheetColors(const TSheetPixels& sheet, int firstRow, DWORD a, DWORD b);
