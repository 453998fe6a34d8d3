#pragma once
// The version block: what a program says about itself (file and product version numbers,
// its translation, and strings such as "FileVersion" or "LegalCopyright"). The build
// embeds one in the executable as the allocated ELF section ".vxversion"; any ELF file can
// be asked for its block by path.
//
// Layout, all numbers little-endian:
//   offset  size
//        0     4  magic "VXVB"
//        4     2  format, 1
//        6     2  number of strings
//        8     4  size of the whole block in bytes
//       12     8  file version: major, minor, release, build (16 bits each)
//       20     8  product version, the same way
//       28     2  language identifier of the translation (0x0409: US English)
//       30     2  code page of the translation (1252: Windows Latin 1)
//       32        the strings, one after another: key length (2), value length (2),
//                 the key's bytes, the value's bytes (8-bit text, no terminators)
// The block ends exactly after its last string.
#include "platform/kernel/Types.h"

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

inline constexpr std::string_view VersionSectionName = ".vxversion";
inline constexpr std::size_t VersionBlockHeaderSize = 32;
inline constexpr WORD VersionBlockFormat = 1;

struct VersionNumbers {
    std::array<WORD, 4> file{};
    std::array<WORD, 4> product{};
    WORD language = 0;
    WORD codePage = 0;
    friend bool operator==(const VersionNumbers&, const VersionNumbers&) = default;
};

struct VersionString {
    std::string_view key;
    std::string_view value;
};

struct VersionBlock {
    VersionNumbers numbers;
    std::vector<std::pair<std::string, std::string>> strings;

    // The value of the first string with exactly this key, or none.
    const std::string* Find(std::string_view key) const;
};

namespace versionblock_detail {

constexpr std::size_t checkedWord(std::size_t value) {
    if (value > 0xFFFF) throw std::length_error("version block field longer than 65535");
    return value;
}

constexpr unsigned char* putWord(unsigned char* out, std::size_t value) {
    out[0] = static_cast<unsigned char>(value & 0xFF);
    out[1] = static_cast<unsigned char>((value >> 8) & 0xFF);
    return out + 2;
}

constexpr unsigned char* putLong(unsigned char* out, std::size_t value) {
    return putWord(putWord(out, value & 0xFFFF), (value >> 16) & 0xFFFF);
}

constexpr unsigned char* putText(unsigned char* out, std::string_view text) {
    for (char c : text)
        *out++ = static_cast<unsigned char>(c);
    return out;
}

} // namespace versionblock_detail

// The encoded size of a block with these strings.
constexpr std::size_t VersionBlockSize(std::span<const VersionString> strings) {
    std::size_t size = VersionBlockHeaderSize;
    versionblock_detail::checkedWord(strings.size());
    for (const VersionString& entry : strings)
        size += 4 + versionblock_detail::checkedWord(entry.key.size()) +
                versionblock_detail::checkedWord(entry.value.size());
    if (size > 0xFFFFFFFFu) throw std::length_error("version block larger than 4 GiB");
    return size;
}

// Encodes the block into out, which holds VersionBlockSize(strings) bytes.
constexpr void WriteVersionBlock(const VersionNumbers& numbers, std::span<const VersionString> strings,
                                 unsigned char* out) {
    using namespace versionblock_detail;
    out = putText(out, "VXVB");
    out = putWord(out, VersionBlockFormat);
    out = putWord(out, strings.size());
    out = putLong(out, VersionBlockSize(strings));
    for (WORD field : numbers.file)
        out = putWord(out, field);
    for (WORD field : numbers.product)
        out = putWord(out, field);
    out = putWord(out, numbers.language);
    out = putWord(out, numbers.codePage);
    for (const VersionString& entry : strings) {
        out = putWord(out, entry.key.size());
        out = putWord(out, entry.value.size());
        out = putText(putText(out, entry.key), entry.value);
    }
}

// The block as a constant, for a build-generated unit that embeds it:
//   [[gnu::section(".vxversion"), gnu::used]] constexpr auto block =
//       BuildVersionBlock<VersionBlockSize(strings)>(numbers, strings);
template <std::size_t Size>
constexpr std::array<unsigned char, Size> BuildVersionBlock(const VersionNumbers& numbers,
                                                            std::span<const VersionString> strings) {
    std::array<unsigned char, Size> block{};
    if (VersionBlockSize(strings) != Size) throw std::length_error("version block size mismatch");
    WriteVersionBlock(numbers, strings, block.data());
    return block;
}

std::vector<unsigned char> EncodeVersionBlock(const VersionBlock& block);

// The block in data, or none when data is not a well-formed block. Never reads outside data.
std::optional<VersionBlock> ParseVersionBlock(std::span<const unsigned char> data);

// The version block of an ELF file (the name goes through the path resolver); none for a
// file that cannot be read, is no ELF file, has no ".vxversion" section or a broken one.
std::optional<VersionBlock> ReadVersionBlock(const std::string& fileName);
