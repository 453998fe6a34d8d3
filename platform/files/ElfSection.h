#pragma once
// Reads one section of a 64-bit little-endian ELF file by name. Every offset and size is
// checked against the file before it is used, so a truncated or hostile file answers
// "no section" and is never read outside its bounds.
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Sections larger than this are not read: the sections asked for here are small.
inline constexpr std::size_t MaxElfSectionSize = 1 << 20;

// The contents of the first section called name in an ELF image held in memory.
std::optional<std::vector<unsigned char>> FindElfSection(std::span<const unsigned char> image,
                                                         std::string_view name);
// The same for the file at path (used as given, not resolved).
std::optional<std::vector<unsigned char>> ReadElfSection(const std::string& path, std::string_view name);
