// 8-bit Windows bitmap with a 40-byte information header and a 256-entry colour table.
#pragma once

#include "tools/datagen/ByteWriter.h"
#include "tools/datagen/Palette.h"
#include "tools/datagen/Raster.h"

namespace datagen {

Bytes encodeBmp8(const IndexedImage& image, const PaletteTable& palette);

} // namespace datagen
