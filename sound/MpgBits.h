#pragma once
// Bit reader over one frame's bytes. Reads past the end give zero bits, so damaged
// side information or Huffman data can never read outside the buffer.
#include <cstddef>
#include <cstdint>
#include <cstring>

class TMpegBitReader {
public:
    TMpegBitReader() = default;
    TMpegBitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    // The next 32 bits without consuming them.
    uint32_t Peek32() const {
        const size_t byte = pos_ >> 3;
        uint64_t window = 0;
        if (byte + 8 <= size_) {
            std::memcpy(&window, data_ + byte, 8);
            window = __builtin_bswap64(window);
        } else {
            for (size_t i = 0; i < 8; ++i)
                window = (window << 8) | (byte + i < size_ ? data_[byte + i] : 0u);
        }
        return uint32_t((window << (pos_ & 7)) >> 32);
    }

    // n from 0 to 25 bits, most significant first.
    uint32_t GetBits(int n) {
        if (n == 0) return 0;
        const uint32_t value = Peek32() >> (32 - n);
        pos_ += size_t(n);
        return value;
    }
    uint32_t GetBit() { return GetBits(1); }
    void Skip(size_t bits) { pos_ += bits; }

    size_t Position() const { return pos_; }
    void SetPosition(size_t bits) { pos_ = bits; }
    const uint8_t* Data() const { return data_; }
    size_t Size() const { return size_; }

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
};

// A bit reader for the Huffman loops: the next bits wait in a register, and memory is read
// only when the caller refills. After Refill at least kRefilled bits can be peeked or
// skipped; reads past the end give zero bits, as with TMpegBitReader.
class TMpegBitWindow {
public:
    static constexpr int kRefilled = 57;

    TMpegBitWindow(const uint8_t* data, size_t size, size_t position)
        : data_(data), size_(size), pos_(position) {
        Refill();
    }

    void Refill() {
        const size_t byte = pos_ >> 3;
        uint64_t window = 0;
        if (byte + 8 <= size_) {
            std::memcpy(&window, data_ + byte, 8);
            window = __builtin_bswap64(window);
        } else {
            for (size_t i = 0; i < 8; ++i)
                window = (window << 8) | (byte + i < size_ ? data_[byte + i] : 0u);
        }
        window_ = window << (pos_ & 7);
    }

    // n from 1 to 32 bits, most significant first.
    uint32_t Peek(int n) const { return uint32_t(window_ >> (64 - n)); }
    void Skip(int n) {
        window_ <<= n;
        pos_ += size_t(n);
    }
    uint32_t Get(int n) {
        const uint32_t value = Peek(n);
        Skip(n);
        return value;
    }

    size_t Position() const { return pos_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_;
    uint64_t window_ = 0;
};
