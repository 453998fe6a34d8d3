// The one 256-colour palette shared by every sheet, the title and palette.bmp.
#pragma once

#include <array>
#include <cstdint>

namespace datagen {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

// Entry 0 is the colour key (black). The player outline and the GodMode blink colour are
// reserved: the quantiser never picks them, so they appear only where written on purpose.
constexpr int kKeyIndex = 0;
constexpr int kOutlineIndex = 1;
constexpr int kGodIndex = 2;

// The GodMode blink colour as the settings file stores it (red | green << 8 | blue << 16).
constexpr std::uint32_t kGodColorRef = 0xF0 | 0x40 << 8;

using PaletteTable = std::array<Rgb, 256>;

// Built once; throws std::logic_error if two entries would share a 5-6-5 pixel value,
// which would let the 16-bit loader confuse them (or an opaque colour with the key).
const PaletteTable& sharedPalette();

std::uint16_t pack565(Rgb c);

} // namespace datagen
