// Feeds arbitrary bytes to the cursor and icon file reader (.cur, .ico, animated .ani) and to
// the icon picture that uses it.
#include <cstddef>
#include <cstdint>

#include "platform/framework/CursorFile.h"
#include "platform/framework/Icon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TCursorPicture picture;
    if (DecodeAnyCursorFile(data, size, picture) && picture.Png.empty()) {
        // A decoded picture holds exactly one pixel per point.
        if (picture.Pixels.size() != static_cast<std::size_t>(picture.Width) * picture.Height)
            __builtin_trap();
    }
    TIcon icon;
    try {
        icon.LoadFromMemory(data, size);
    } catch (const Exception&) {
    }
    return 0;
}
