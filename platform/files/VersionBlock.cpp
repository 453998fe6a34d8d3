#include "platform/files/VersionBlock.h"

#include "platform/files/ElfSection.h"
#include "platform/files/PathResolver.h"

namespace {

// Reads little-endian fields from a span, failing instead of reading past its end.
class Reader {
public:
    explicit Reader(std::span<const unsigned char> data) : data_(data) {}

    bool Word(WORD& value) {
        if (data_.size() - position_ < 2) return false;
        value = static_cast<WORD>(data_[position_] | data_[position_ + 1] << 8);
        position_ += 2;
        return true;
    }
    bool Long(DWORD& value) {
        WORD low = 0;
        WORD high = 0;
        if (!Word(low) || !Word(high)) return false;
        value = static_cast<DWORD>(high) << 16 | low;
        return true;
    }
    bool Text(std::size_t length, std::string& text) {
        if (data_.size() - position_ < length) return false;
        text.assign(reinterpret_cast<const char*>(data_.data() + position_), length);
        position_ += length;
        return true;
    }
    // Ends the data at size bytes from its start; size must not be less than the position.
    void Limit(std::size_t size) { data_ = data_.first(size); }
    bool AtEnd() const { return position_ == data_.size(); }

private:
    std::span<const unsigned char> data_;
    std::size_t position_ = 0;
};

bool readFields(Reader& reader, std::array<WORD, 4>& fields) {
    for (WORD& field : fields)
        if (!reader.Word(field)) return false;
    return true;
}

bool readStrings(Reader& reader, WORD count, VersionBlock& block) {
    for (WORD i = 0; i < count; ++i) {
        WORD keyLength = 0;
        WORD valueLength = 0;
        std::string key;
        std::string value;
        if (!reader.Word(keyLength) || !reader.Word(valueLength) || !reader.Text(keyLength, key) ||
            !reader.Text(valueLength, value))
            return false;
        block.strings.emplace_back(std::move(key), std::move(value));
    }
    return true;
}

} // namespace

const std::string* VersionBlock::Find(std::string_view key) const {
    for (const auto& [name, value] : strings)
        if (name == key) return &value;
    return nullptr;
}

std::vector<unsigned char> EncodeVersionBlock(const VersionBlock& block) {
    std::vector<VersionString> views;
    views.reserve(block.strings.size());
    for (const auto& [key, value] : block.strings)
        views.push_back({key, value});
    std::vector<unsigned char> data(VersionBlockSize(views));
    WriteVersionBlock(block.numbers, views, data.data());
    return data;
}

std::optional<VersionBlock> ParseVersionBlock(std::span<const unsigned char> data) {
    Reader reader(data);
    std::string magic;
    WORD format = 0;
    WORD count = 0;
    DWORD size = 0;
    if (!reader.Text(4, magic) || magic != "VXVB" || !reader.Word(format) || format != VersionBlockFormat ||
        !reader.Word(count) || !reader.Long(size) || size < VersionBlockHeaderSize || size > data.size())
        return std::nullopt;
    reader.Limit(size);
    VersionBlock block;
    if (!readFields(reader, block.numbers.file) || !readFields(reader, block.numbers.product) ||
        !reader.Word(block.numbers.language) || !reader.Word(block.numbers.codePage) ||
        !readStrings(reader, count, block) || !reader.AtEnd())
        return std::nullopt;
    return block;
}

std::optional<VersionBlock> ReadVersionBlock(const std::string& fileName) {
    std::optional<std::vector<unsigned char>> section =
        ReadElfSection(ResolvePath(fileName), VersionSectionName);
    if (!section) return std::nullopt;
    return ParseVersionBlock(*section);
}
