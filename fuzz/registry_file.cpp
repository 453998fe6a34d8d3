// Feeds arbitrary bytes to the settings store's reader as a root file, and checks that what
// it made of them is written out in a form that reads back to the same keys and values.
#include "platform/files/RegistryStore.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const RegistryTree tree =
        RegistryTree::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string text = tree.Text();
    if (RegistryTree::Parse(text).Text() != text) __builtin_trap();
    return 0;
}
