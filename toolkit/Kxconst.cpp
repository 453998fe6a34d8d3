#include "toolkit/Kxconst.h"

#include "platform/framework/Resources.h"
#include "platform/kernel/LittleEndian.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// The pictures: 'X' outline, 'o' fill, '.' transparent; 'H' is the hot spot (filled).
const char* const handPicture[] = {
    "......XX..........", ".....XHoX.........", ".....XooX.........", ".....XooX.........",
    ".....XooX.........", ".....XooXXX.......", ".....XooXooXXX....", ".....XooXooXooXX..",
    ".XX..XooXooXooXoX.", "XooX.XooooooooXooX", "XoooXXooooooooooX.", ".XooooooooooooooX.",
    "..XoooooooooooooX.", "..XooooooooooooX..", "...XoooooooooooX..", "...XooooooooooX...",
    "....XoooooooooX...", "....XoooooooooX...", "....XoooooooooX...", "....XXXXXXXXXXX...",
};

const char* const dragPicture[] = {
    "..................", "..................", "..................", "..................",
    ".....XX.XX.XX.....", "....XooXooXooXX...", "....XooXooXooXoX..", "..XXXooXooXooXooX.",
    ".XooXoooooooHoooX.", ".XoooooooooooooX..", "..XooooooooooooX..", "..XoooooooooooX...",
    "...XooooooooooX...", "...XoooooooooX....", "....XooooooooX....", "....XoooooooX.....",
    ".....XooooooX.....", ".....XXXXXXXX.....",
};

constexpr int side = 32;

// A cursor file of one 32 x 32 image at 32 bits per pixel with its mask.
template <std::size_t Rows> std::vector<BYTE> cursorFile(const char* const (&rows)[Rows]) {
    std::uint32_t pixels[side][side] = {};
    POINT hotSpot;
    for (std::size_t y = 0; y < Rows; ++y)
        for (std::size_t x = 0; rows[y][x]; ++x) {
            const char c = rows[y][x];
            if (c == 'H') hotSpot = {static_cast<int>(x), static_cast<int>(y)};
            pixels[y][x] = c == 'X' ? 0xFF000000u : c == '.' ? 0u : 0xFFFFFFFFu;
        }
    const std::uint32_t xorBytes = side * side * 4, andBytes = side * 4;
    std::vector<BYTE> file;
    AppendLE16(file, 0);
    AppendLE16(file, 2); // a cursor file
    AppendLE16(file, 1);
    file.push_back(side);
    file.push_back(side);
    AppendLE16(file, 0);
    AppendLE16(file, static_cast<unsigned>(hotSpot.x));
    AppendLE16(file, static_cast<unsigned>(hotSpot.y));
    AppendLE32(file, 40 + xorBytes + andBytes);
    AppendLE32(file, 22);
    for (std::uint32_t field : {40u, std::uint32_t{side}, std::uint32_t{side * 2}})
        AppendLE32(file, field);
    AppendLE16(file, 1);
    AppendLE16(file, 32);
    for (int i = 0; i < 6; ++i)
        AppendLE32(file, 0);
    for (int y = side - 1; y >= 0; --y)
        for (int x = 0; x < side; ++x)
            AppendLE32(file, pixels[y][x]);
    for (int y = side - 1; y >= 0; --y)
        for (int byte = 0; byte < side / 8; ++byte) {
            BYTE mask = 0;
            for (int bit = 0; bit < 8; ++bit)
                if (pixels[y][byte * 8 + bit] == 0) mask |= static_cast<BYTE>(0x80 >> bit);
            file.push_back(mask);
        }
    return file;
}

std::atomic<int> startCount{0};

} // namespace

void StartKxconst() {
    if (startCount.fetch_add(1) != 0) return;
    RegisterResource(RT_CURSOR, "KX_HANDCUR", cursorFile(handPicture));
    RegisterResource(RT_CURSOR, "KX_DRAGCUR", cursorFile(dragPicture));
    Screen->SetCursors(KX_HANDCUR, LoadCursor("KX_HANDCUR"));
    Screen->SetCursors(KX_DRAGCUR, LoadCursor("KX_DRAGCUR"));
}
