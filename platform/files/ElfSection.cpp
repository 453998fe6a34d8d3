#include "platform/files/ElfSection.h"

#include <cstdint>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t elfHeaderSize = 64;
constexpr std::size_t sectionHeaderSize = 64;
constexpr std::uint32_t sectionNoBits = 8;
constexpr std::uint16_t extendedIndex = 0xFFFF;

// Random access to the bytes of an image; Read fails for any range outside it.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    virtual bool ReadRaw(std::uint64_t offset, unsigned char* out, std::size_t size) const = 0;

    bool Read(std::uint64_t offset, unsigned char* out, std::size_t size) const {
        std::uint64_t total = Size();
        return offset <= total && size <= total - offset && ReadRaw(offset, out, size);
    }
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::span<const unsigned char> image) : image_(image) {}
    std::uint64_t Size() const override { return image_.size(); }
    bool ReadRaw(std::uint64_t offset, unsigned char* out, std::size_t size) const override {
        if (size > 0) std::memcpy(out, image_.data() + offset, size);
        return true;
    }

private:
    std::span<const unsigned char> image_;
};

class FileSource : public ByteSource {
public:
    explicit FileSource(const std::string& path) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        struct stat info;
        if (fd_ >= 0 && fstat(fd_, &info) == 0 && S_ISREG(info.st_mode))
            size_ = static_cast<std::uint64_t>(info.st_size);
    }
    ~FileSource() override {
        if (fd_ >= 0) close(fd_);
    }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::uint64_t Size() const override { return size_; }
    bool ReadRaw(std::uint64_t offset, unsigned char* out, std::size_t size) const override {
        while (size > 0) {
            ssize_t got = pread(fd_, out, size, static_cast<off_t>(offset));
            if (got <= 0) return false;
            out += got;
            size -= static_cast<std::size_t>(got);
            offset += static_cast<std::uint64_t>(got);
        }
        return true;
    }

private:
    int fd_;
    std::uint64_t size_ = 0;
};

std::uint64_t little(const unsigned char* bytes, std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t i = count; i-- > 0;)
        value = value << 8 | bytes[i];
    return value;
}

struct SectionHeader {
    std::uint32_t name = 0;
    std::uint32_t type = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint32_t link = 0;
};

struct SectionTable {
    std::uint64_t offset = 0;
    std::uint64_t count = 0;
    std::uint64_t entrySize = 0;
    std::uint64_t namesIndex = 0;
};

bool readSectionHeader(const ByteSource& source, const SectionTable& table, std::uint64_t index,
                       SectionHeader& header) {
    unsigned char raw[sectionHeaderSize];
    if (index >= table.count || !source.Read(table.offset + index * table.entrySize, raw, sizeof raw))
        return false;
    header.name = static_cast<std::uint32_t>(little(raw, 4));
    header.type = static_cast<std::uint32_t>(little(raw + 4, 4));
    header.offset = little(raw + 24, 8);
    header.size = little(raw + 32, 8);
    header.link = static_cast<std::uint32_t>(little(raw + 40, 4));
    return true;
}

bool readSectionTable(const ByteSource& source, SectionTable& table) {
    unsigned char header[elfHeaderSize];
    if (!source.Read(0, header, sizeof header)) return false;
    if (std::memcmp(header,
                    "\x7f"
                    "ELF",
                    4) != 0 ||
        header[4] != 2 || header[5] != 1)
        return false;
    table.offset = little(header + 40, 8);
    table.entrySize = little(header + 58, 2);
    table.count = little(header + 60, 2);
    table.namesIndex = little(header + 62, 2);
    if (table.offset == 0 || table.entrySize < sectionHeaderSize) return false;
    if (table.count == 0 || table.namesIndex == extendedIndex) {
        SectionHeader first;
        SectionTable probe = table;
        probe.count = 1;
        if (!readSectionHeader(source, probe, 0, first)) return false;
        if (table.count == 0) table.count = first.size;
        if (table.namesIndex == extendedIndex) table.namesIndex = first.link;
    }
    std::uint64_t available = source.Size() - std::min(source.Size(), table.offset);
    return table.count <= available / table.entrySize && table.namesIndex < table.count;
}

bool nameMatches(const ByteSource& source, const SectionHeader& names, std::uint32_t nameOffset,
                 std::string_view wanted) {
    if (nameOffset >= names.size || wanted.size() + 1 > names.size - nameOffset) return false;
    std::vector<unsigned char> stored(wanted.size() + 1);
    if (!source.Read(names.offset + nameOffset, stored.data(), stored.size())) return false;
    return stored.back() == 0 && std::memcmp(stored.data(), wanted.data(), wanted.size()) == 0;
}

std::optional<std::vector<unsigned char>> sectionContents(const ByteSource& source,
                                                          const SectionHeader& section) {
    if (section.type == sectionNoBits || section.size > MaxElfSectionSize) return std::nullopt;
    std::vector<unsigned char> contents(static_cast<std::size_t>(section.size));
    if (!source.Read(section.offset, contents.data(), contents.size())) return std::nullopt;
    return contents;
}

std::optional<std::vector<unsigned char>> findSection(const ByteSource& source, std::string_view name) {
    SectionTable table;
    SectionHeader names;
    if (!readSectionTable(source, table) || !readSectionHeader(source, table, table.namesIndex, names))
        return std::nullopt;
    for (std::uint64_t i = 0; i < table.count; ++i) {
        SectionHeader section;
        if (!readSectionHeader(source, table, i, section)) return std::nullopt;
        if (nameMatches(source, names, section.name, name)) return sectionContents(source, section);
    }
    return std::nullopt;
}

} // namespace

std::optional<std::vector<unsigned char>> FindElfSection(std::span<const unsigned char> image,
                                                         std::string_view name) {
    return findSection(MemorySource(image), name);
}

std::optional<std::vector<unsigned char>> ReadElfSection(const std::string& path, std::string_view name) {
    FileSource source(path);
    return findSection(source, name);
}
