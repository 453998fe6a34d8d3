// Feeds arbitrary bytes to the version-block parser, both as a block and as an ELF image
// whose ".vxversion" section is then parsed, and checks that a parsed block survives
// being encoded and parsed again unchanged.
#include "platform/files/ElfSection.h"
#include "platform/files/VersionBlock.h"

#include <cstdlib>

namespace {

void checkRoundTrip(const VersionBlock& block) {
    std::vector<unsigned char> encoded = EncodeVersionBlock(block);
    std::optional<VersionBlock> again = ParseVersionBlock(encoded);
    if (!again || again->numbers != block.numbers || again->strings != block.strings) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    std::span<const unsigned char> bytes(data, size);
    if (std::optional<VersionBlock> block = ParseVersionBlock(bytes)) checkRoundTrip(*block);
    if (std::optional<std::vector<unsigned char>> section = FindElfSection(bytes, VersionSectionName))
        if (std::optional<VersionBlock> block = ParseVersionBlock(*section)) checkRoundTrip(*block);
    return 0;
}
