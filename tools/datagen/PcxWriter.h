// PCX version 5, run-length coded, one 8-bit plane followed by the 256-colour palette block.
#pragma once

#include "tools/datagen/ByteWriter.h"
#include "tools/datagen/Palette.h"
#include "tools/datagen/Raster.h"

namespace datagen {

Bytes encodePcx(const IndexedImage& image, const PaletteTable& palette);

} // namespace datagen
