// Little helpers for laying out binary files in memory before they are written.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace datagen {

using Bytes = std::vector<std::uint8_t>;

inline void putU8(Bytes& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v));
}
inline void putLE16(Bytes& out, unsigned v) {
    putU8(out, v & 0xFF), putU8(out, v >> 8 & 0xFF);
}
inline void putLE32(Bytes& out, std::uint32_t v) {
    putLE16(out, v & 0xFFFF), putLE16(out, v >> 16);
}
inline void putBE16(Bytes& out, unsigned v) {
    putU8(out, v >> 8 & 0xFF), putU8(out, v & 0xFF);
}
inline void putBE32(Bytes& out, std::uint32_t v) {
    putBE16(out, v >> 16), putBE16(out, v & 0xFFFF);
}
inline void putText(Bytes& out, std::string_view text) {
    for (char c : text)
        out.push_back(static_cast<std::uint8_t>(c));
}
// Text in a fixed-size field, padded with zero bytes (and cut if longer).
inline void putField(Bytes& out, std::string_view text, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i)
        putU8(out, i < text.size() ? static_cast<unsigned char>(text[i]) : 0);
}

// Writes the bytes to the file, creating its folder; throws std::runtime_error on failure.
void writeFile(const std::filesystem::path& path, const Bytes& bytes);
void writeTextFile(const std::filesystem::path& path, const std::string& text);

} // namespace datagen
