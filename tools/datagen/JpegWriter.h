// Baseline JPEG through libjpeg-turbo, for the pictures of the title and about dialogs.
#pragma once

#include "tools/datagen/ByteWriter.h"
#include "tools/datagen/Raster.h"

namespace datagen {

// The picture is taken as opaque (coverage is ignored).
Bytes encodeJpeg(const Picture& picture, int quality);

} // namespace datagen
