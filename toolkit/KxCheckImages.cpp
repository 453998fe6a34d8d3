// The pictures of the check list box, drawn here pixel by pixel: three rows (check boxes,
// radio buttons, check marks) of six cells of 16 x 13 pixels (enabled unchecked, checked,
// grayed, then the same disabled), on a background of the key colour that the list
// replaces by its own colour.
#include "toolkit/KxCheckListBox.h"

#include <array>

namespace {

constexpr int cellWidth = 16;
constexpr int cellHeight = 13;
constexpr TColor keyColor = clFuchsia;

// A sunken 13 x 13 box: its shadow and dark edges above and left, its highlight and light
// edges below and right; 'i' is the inside.
constexpr std::array<const char*, 13> boxArt = {
    "sssssssssssss", "sdddddddddddh", "sdiiiiiiiiilh", "sdiiiiiiiiilh", "sdiiiiiiiiilh",
    "sdiiiiiiiiilh", "sdiiiiiiiiilh", "sdiiiiiiiiilh", "sdiiiiiiiiilh", "sdiiiiiiiiilh",
    "sdiiiiiiiiilh", "slllllllllllh", "hhhhhhhhhhhhh",
};

// A sunken round 12 x 12 button, lit the same way.
constexpr std::array<const char*, 12> radioArt = {
    "....ssss....", "..ssddddss..", ".sddiiiidlh.", ".sdiiiiiilh.", "sdiiiiiiiilh", "sdiiiiiiiilh",
    "sdiiiiiiiilh", "sdiiiiiiiilh", ".sdiiiiiilh.", ".slliiiillh.", "..hhllllhh..", "....hhhh....",
};

constexpr std::array<const char*, 7> checkArt = {
    "......m", ".....mm", "m...mmm", "mm.mmm.", "mmmmm..", ".mmm...", "..m....",
};

constexpr std::array<const char*, 4> dotArt = {".mm.", "mmmm", "mmmm", ".mm."};

struct CellLook {
    TColor inside; // the inside of a box or a button
    bool dithered; // the inside is a checker of white and the button face
    TColor mark;   // the check or the dot; clNone: no mark
};

// By column: unchecked, checked and grayed, enabled then disabled. A grayed item shows a
// grey mark on a dithered inside; a disabled one a button-face inside.
constexpr std::array<CellLook, 6> boxLooks = {{
    {clWindow, false, clNone},
    {clWindow, false, clWindowText},
    {clWindow, true, clBtnShadow},
    {clBtnFace, false, clNone},
    {clBtnFace, false, clBtnShadow},
    {clBtnFace, true, clBtnShadow},
}};

// A lone check mark has no inside to tell the states apart: its shade does.
constexpr std::array<TColor, 6> markShades = {
    clNone, clWindowText, clBtnShadow, clNone, static_cast<TColor>(0xA0A0A0), static_cast<TColor>(0xC8C8C8),
};

TColor artColor(char code, const CellLook& look, int x, int y) {
    switch (code) {
    case 's':
        return clBtnShadow;
    case 'd':
        return cl3DDkShadow;
    case 'l':
        return cl3DLight;
    case 'h':
        return clBtnHighlight;
    case 'i':
        return look.dithered && (x + y) % 2 == 0 ? clWindow : look.inside;
    case 'm':
        return look.mark;
    default:
        return clNone;
    }
}

template <std::size_t N>
void paintArt(TBitmap& bitmap, const std::array<const char*, N>& art, int left, int top,
              const CellLook& look) {
    for (std::size_t row = 0; row < N; ++row)
        for (int column = 0; art[row][column] != '\0'; ++column) {
            const TColor color = artColor(art[row][column], look, column, static_cast<int>(row));
            if (color != clNone) bitmap.SetPixel(left + column, top + static_cast<int>(row), color);
        }
}

void paintCell(TBitmap& bitmap, int row, int column) {
    const int left = column * cellWidth;
    const int top = row * cellHeight;
    const CellLook& look = boxLooks[static_cast<std::size_t>(column)];
    if (row == 0) {
        paintArt(bitmap, boxArt, left + 1, top, look);
        if (look.mark != clNone) paintArt(bitmap, checkArt, left + 4, top + 3, look);
    } else if (row == 1) {
        paintArt(bitmap, radioArt, left + 2, top, look);
        if (look.mark != clNone) paintArt(bitmap, dotArt, left + 6, top + 4, look);
    } else if (const TColor shade = markShades[static_cast<std::size_t>(column)]; shade != clNone) {
        paintArt(bitmap, checkArt, left + 4, top + 3, CellLook{clNone, false, shade});
    }
}

std::unique_ptr<TBitmap> drawCheckImages() {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(6 * cellWidth, 3 * cellHeight);
    bitmap->Canvas().Brush().SetColor(keyColor);
    bitmap->Canvas().FillRect({0, 0, bitmap->Width(), bitmap->Height()});
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 6; ++column)
            paintCell(*bitmap, row, column);
    return bitmap;
}

} // namespace

const TBitmap& CheckImages() {
    // Drawn once on first use, freed when the program ends.
    static const std::unique_ptr<TBitmap> images = drawCheckImages();
    return *images;
}
