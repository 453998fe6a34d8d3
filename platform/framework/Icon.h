#pragma once
// TIcon: a small picture with a transparency of its own (each pixel has an alpha value),
// loaded from an icon file (.ico, also a cursor file's picture) or an icon resource.
// Drawing it on a canvas blends it over what is there.
#include "platform/framework/Canvas.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// An icon resource holds a whole icon file.
constexpr const char* RT_ICON = "ICON";

class TIcon : public TGraphic {
    VX_CLASS(TIcon, TGraphic)
public:
    // Raises Exception when the file is missing or no icon.
    void LoadFromFile(const std::string& fileName) override;
    // Raises EResNotFound when there is no such resource.
    void LoadFromResourceName(const std::string& name);
    void LoadFromMemory(const void* data, std::size_t size);
    // The icon becomes these 0xAARRGGBB pixels, rows top to bottom.
    void SetArgbPixels(int width, int height, const std::vector<std::uint32_t>& pixels);
    // The pixels with their alpha, 0xAARRGGBB; empty for an empty icon.
    std::vector<std::uint32_t> ArgbPixels() const;
};
