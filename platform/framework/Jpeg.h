#pragma once
// TJPEGImage: a JPEG picture decoded with libjpeg-turbo into 32-bit colours. A damaged or
// truncated file raises an Exception naming the problem; nothing is kept from it.
#include "platform/framework/Canvas.h"

#include <cstddef>
#include <string>

class TJPEGImage : public TGraphic {
    VX_CLASS(TJPEGImage, TGraphic)
public:
    void LoadFromFile(const std::string& fileName) override;
    void LoadFromMemory(const void* data, std::size_t size);
};
