#include "sound/MpgHuffman.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Writes codes and raw bits into a byte string, most significant bit first.
struct TBits {
    std::vector<uint8_t> bytes;
    size_t used = 0;
    void Put(uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i, ++used) {
            if (used % 8 == 0) bytes.push_back(0);
            if ((value >> i) & 1) bytes.back() |= uint8_t(0x80 >> (used % 8));
        }
    }
};

void PutValue(TBits& bits, const TMpegHuffBook& book, int magnitude, bool negative, bool escaped) {
    if (escaped) bits.Put(uint32_t(magnitude - 15), book.linbits);
    if (magnitude != 0) bits.Put(negative ? 1 : 0, 1);
}

TEST(MpegHuffmanBooks, EveryBookIsACompletePrefixCode) {
    for (int table = 0; table < 32; ++table) {
        const TMpegHuffBook& book = MpegHuffBook(table);
        const int symbols = book.size * book.size;
        double kraft = 0;
        for (int a = 0; a < symbols; ++a) {
            kraft += std::ldexp(1.0, -book.lengths[a]);
            for (int b = 0; b < symbols; ++b) {
                if (a == b || book.lengths[b] < book.lengths[a]) continue;
                const uint32_t prefix = book.codes[b] >> (book.lengths[b] - book.lengths[a]);
                EXPECT_NE(prefix, book.codes[a])
                    << "book " << table << ": code " << a << " starts code " << b;
            }
        }
        if (symbols != 0) {
            EXPECT_DOUBLE_EQ(kraft, 1.0) << "book " << table;
        }
    }
    const TMpegHuffBook& quad = MpegQuadBookA();
    double kraft = 0;
    for (int a = 0; a < 16; ++a)
        kraft += std::ldexp(1.0, -quad.lengths[a]);
    EXPECT_DOUBLE_EQ(kraft, 1.0);
}

TEST(MpegHuffmanBooks, BooksWithoutCodesAndTheLinbitsOfTheSharedBooks) {
    for (int table : {0, 4, 14})
        EXPECT_EQ(MpegHuffBook(table).size, 0) << table;
    const int linbits[32] = {0, 0, 0, 0, 0, 0, 0,  0,  0, 0, 0, 0, 0, 0, 0,  0,
                             1, 2, 3, 4, 6, 8, 10, 13, 4, 5, 6, 7, 8, 9, 11, 13};
    for (int table = 0; table < 32; ++table)
        EXPECT_EQ(MpegHuffBook(table).linbits, linbits[table]) << table;
    EXPECT_EQ(MpegHuffBook(23).codes, MpegHuffBook(16).codes);
    EXPECT_EQ(MpegHuffBook(31).codes, MpegHuffBook(24).codes);
}

TEST(MpegHuffmanDecode, PairsWithEscapesAndSignsComeBackAsWritten) {
    std::mt19937 random(5);
    for (int table : {1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 16, 19, 23, 24, 27, 31}) {
        const TMpegHuffBook& book = MpegHuffBook(table);
        TBits bits;
        std::vector<std::pair<int, int>> written;
        for (int n = 0; n < 300; ++n) {
            const int symbol = int(random() % unsigned(book.size * book.size));
            int x = symbol / book.size, y = symbol % book.size;
            const bool escX = book.linbits && x == 15, escY = book.linbits && y == 15;
            if (escX) x += int(random() % (1u << book.linbits));
            if (escY) y += int(random() % (1u << book.linbits));
            const bool negX = random() & 1, negY = random() & 1;
            bits.Put(book.codes[symbol], book.lengths[symbol]);
            PutValue(bits, book, x, negX, escX);
            PutValue(bits, book, y, negY, escY);
            written.emplace_back(negX ? -x : x, negY ? -y : y);
        }
        TMpegBitWindow reader(bits.bytes.data(), bits.bytes.size(), 0);
        for (const auto& [x, y] : written) {
            int gotX = 0, gotY = 0;
            reader.Refill();
            TMpegHuffDecoder::Instance().DecodePair(table, reader, gotX, gotY);
            ASSERT_EQ(gotX, x) << "book " << table;
            ASSERT_EQ(gotY, y) << "book " << table;
        }
        EXPECT_EQ(reader.Position(), bits.used) << "book " << table;
    }
}

TEST(MpegHuffmanDecode, QuadruplesOfBothBooks) {
    TBits bits;
    const TMpegHuffBook& quad = MpegQuadBookA();
    for (int symbol = 0; symbol < 16; ++symbol) {
        bits.Put(quad.codes[symbol], quad.lengths[symbol]);
        for (int i = 0; i < 4; ++i)
            if ((symbol >> (3 - i)) & 1) bits.Put(i & 1, 1); // odd positions negative
        bits.Put(uint32_t(15 - symbol), 4);                  // book B
        for (int i = 0; i < 4; ++i)
            if ((symbol >> (3 - i)) & 1) bits.Put(1, 1);
    }
    TMpegBitWindow reader(bits.bytes.data(), bits.bytes.size(), 0);
    for (int symbol = 0; symbol < 16; ++symbol) {
        int a[4], b[4];
        reader.Refill();
        TMpegHuffDecoder::Instance().DecodeQuad(false, reader, a);
        reader.Refill();
        TMpegHuffDecoder::Instance().DecodeQuad(true, reader, b);
        for (int i = 0; i < 4; ++i) {
            const int bit = (symbol >> (3 - i)) & 1;
            EXPECT_EQ(a[i], (i & 1) ? -bit : bit) << symbol;
            EXPECT_EQ(b[i], -bit) << symbol;
        }
    }
}

TEST(MpegBitWindow, ReadsPastTheEndAsZeroBitsAndRefillsWhereItStands) {
    const uint8_t bytes[10] = {0xAB, 0xCD, 0xEF, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE};
    TMpegBitWindow window(bytes, 10, 4);
    EXPECT_EQ(window.Get(12), 0xBCDu);
    EXPECT_EQ(window.Peek(32), 0xEF123456u);
    window.Skip(40);
    window.Refill();
    EXPECT_EQ(window.Position(), 56u);
    EXPECT_EQ(window.Get(20), 0x9ABCDu);
    EXPECT_EQ(window.Get(4), 0xEu);
    EXPECT_EQ(window.Get(32), 0u);
}

TEST(MpegBitReader, ReadsPastTheEndAsZeroBits) {
    const uint8_t bytes[3] = {0xAB, 0xCD, 0xEF};
    TMpegBitReader reader(bytes, 3);
    EXPECT_EQ(reader.GetBits(4), 0xAu);
    EXPECT_EQ(reader.GetBits(16), 0xBCDEu);
    EXPECT_EQ(reader.GetBits(8), 0xF0u);
    EXPECT_EQ(reader.GetBits(25), 0u);
    EXPECT_EQ(reader.GetBits(0), 0u);
    EXPECT_EQ(reader.Position(), 53u);
}

} // namespace
