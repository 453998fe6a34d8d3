// Fuzzes the version-block parser and the ELF section reader:
//  - the input as a block, and as an ELF image whose ".vxversion" section is then parsed;
//  - the input's tail as the ".vxversion" section of a well-formed ELF image whose header
//    bytes the input's head then overwrites, so that hostile offsets, sizes and counts in
//    an otherwise valid file are reached at once.
// A block that parses must encode and parse back unchanged; an image left untouched must
// give back exactly its section.
#include "platform/files/ElfSection.h"
#include "platform/files/VersionBlock.h"
#include "tests/platform/files/ElfTestImage.h"

#include <cstdlib>

namespace {

constexpr std::size_t patchSize = 3; // offset (2 bytes), new byte
constexpr std::size_t maxPatches = 6;

void checkRoundTrip(const VersionBlock& block) {
    std::vector<unsigned char> encoded = EncodeVersionBlock(block);
    std::optional<VersionBlock> again = ParseVersionBlock(encoded);
    if (!again || again->numbers != block.numbers || again->strings != block.strings) std::abort();
}

void parseSection(std::span<const unsigned char> image) {
    if (std::optional<std::vector<unsigned char>> section = FindElfSection(image, VersionSectionName))
        if (std::optional<VersionBlock> block = ParseVersionBlock(*section)) checkRoundTrip(*block);
}

void fuzzPatchedImage(std::span<const unsigned char> bytes) {
    std::size_t patches = bytes.empty() ? 0 : bytes[0] % (maxPatches + 1);
    std::size_t head = 1 + patches * patchSize;
    if (bytes.size() < head) return;
    std::vector<unsigned char> payload(bytes.begin() + static_cast<std::ptrdiff_t>(head), bytes.end());
    std::vector<unsigned char> image = MakeElfImage({{".text", {0x90, 0x90}}, {".vxversion", payload}});
    if (patches == 0 && FindElfSection(image, VersionSectionName) != payload) std::abort();
    for (std::size_t i = 0; i < patches; ++i) {
        const unsigned char* patch = bytes.data() + 1 + i * patchSize;
        image[(patch[0] | patch[1] << 8) % image.size()] = patch[2];
    }
    parseSection(image);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    std::span<const unsigned char> bytes(data, size);
    if (std::optional<VersionBlock> block = ParseVersionBlock(bytes)) checkRoundTrip(*block);
    parseSection(bytes);
    fuzzPatchedImage(bytes);
    return 0;
}
