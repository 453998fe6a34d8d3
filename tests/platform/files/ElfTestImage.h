#pragma once
// Builds small 64-bit little-endian ELF images with chosen sections, for tests of the
// section reader and of everything that reads version blocks from files.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

struct ElfTestSection {
    std::string name;
    std::vector<unsigned char> data;
    std::uint32_t type = 1; // SHT_PROGBITS; 8 is SHT_NOBITS
};

namespace elftest_detail {

inline void put(std::vector<unsigned char>& out, std::size_t at, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
}

inline void putSectionHeader(std::vector<unsigned char>& out, std::size_t at, std::uint32_t name,
                             std::uint32_t type, std::uint64_t offset, std::uint64_t size) {
    put(out, at, name, 4);
    put(out, at + 4, type, 4);
    put(out, at + 24, offset, 8);
    put(out, at + 32, size, 8);
}

} // namespace elftest_detail

// Layout: ELF header, each section's data, the section-name table, the section headers
// (the null section, the given sections in order, the name table last).
inline std::vector<unsigned char> MakeElfImage(const std::vector<ElfTestSection>& sections) {
    using namespace elftest_detail;
    std::vector<unsigned char> image(64, 0);
    std::vector<std::uint64_t> offsets;
    for (const ElfTestSection& section : sections) {
        offsets.push_back(image.size());
        if (section.type != 8) image.insert(image.end(), section.data.begin(), section.data.end());
    }
    std::string names(1, '\0');
    std::vector<std::uint32_t> nameOffsets;
    for (const ElfTestSection& section : sections) {
        nameOffsets.push_back(static_cast<std::uint32_t>(names.size()));
        names += section.name + '\0';
    }
    std::uint32_t tableName = static_cast<std::uint32_t>(names.size());
    names += std::string(".shstrtab") + '\0';
    std::uint64_t namesOffset = image.size();
    image.insert(image.end(), names.begin(), names.end());

    std::uint64_t headersOffset = image.size();
    std::size_t count = sections.size() + 2;
    image.resize(image.size() + count * 64, 0);
    for (std::size_t i = 0; i < sections.size(); ++i)
        putSectionHeader(image, headersOffset + (i + 1) * 64, nameOffsets[i], sections[i].type, offsets[i],
                         sections[i].data.size());
    putSectionHeader(image, headersOffset + (count - 1) * 64, tableName, 3, namesOffset, names.size());

    const unsigned char ident[] = {0x7f, 'E', 'L', 'F', 2, 1, 1};
    std::copy(std::begin(ident), std::end(ident), image.begin());
    put(image, 16, 2, 2);  // executable
    put(image, 18, 62, 2); // x86-64
    put(image, 20, 1, 4);
    put(image, 40, headersOffset, 8);
    put(image, 52, 64, 2);
    put(image, 58, 64, 2);
    put(image, 60, count, 2);
    put(image, 62, count - 1, 2);
    return image;
}
