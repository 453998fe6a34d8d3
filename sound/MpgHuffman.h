#pragma once
// Huffman decoding of the layer III spectrum: the big-value pair books and the
// count-1 quadruple books.
#include <cstdint>
#include <vector>

#include "sound/MpgBits.h"

struct TMpegHuffBook {
    int size;    // values per axis; 0 for the books that code nothing (0, 4, 14)
    int linbits; // extra bits of an escaped 15
    const uint16_t* codes;
    const uint8_t* lengths;
};

// Book of a table number 0..31.
const TMpegHuffBook& MpegHuffBook(int table);
// Count-1 book A (book B is the plain 4-bit code, inverted).
const TMpegHuffBook& MpegQuadBookA();

// Decoding trees of every book, built once from the code lists.
class TMpegHuffDecoder {
public:
    static const TMpegHuffDecoder& Instance();

    // A pair takes at most this many bits (a 19-bit code, two escapes of 13 and two signs),
    // a quadruple at most 10: the window must hold them, refilled before each call.
    static constexpr int kPairBits = 47;
    static constexpr int kQuadBits = 10;

    // Decodes one pair with its escapes and signs. Books without codes give 0, 0.
    void DecodePair(int table, TMpegBitWindow& bits, int& x, int& y) const;
    // Decodes one quadruple (v w x y, signs included) with book A or B.
    void DecodeQuad(bool bookB, TMpegBitWindow& bits, int out[4]) const;

private:
    TMpegHuffDecoder();
    // Flat binary tree: children of node n at 2n and 2n+1; negative = leaf -1-symbol.
    using TTree = std::vector<int16_t>;
    // The first 8 bits of a code at once: a symbol with its length, or (length 0) the
    // tree node those bits lead to.
    struct TEntry {
        int16_t value;
        uint8_t length;
    };
    static constexpr int kLookupBits = 8;
    // Symbols are kept as x << 4 | y, so that no division takes a pair apart.
    struct TBook {
        int linbits = 0;
        bool coded = false;
        TTree tree;
        TEntry lookup[1 << kLookupBits];
    };

    static TTree BuildTree(const TMpegHuffBook& book);
    static void BuildBook(const TMpegHuffBook& book, TBook& out);
    static int DecodeSymbol(const TBook& book, TMpegBitWindow& bits);

    TBook books_[32];
    TBook quadBook_;
};

// The decoding steps are inline: the spectrum loop calls them for every pair and keeps
// the bit window in registers.
inline int TMpegHuffDecoder::DecodeSymbol(const TBook& book, TMpegBitWindow& bits) {
    const TEntry entry = book.lookup[bits.Peek(kLookupBits)];
    if (entry.length != 0) {
        bits.Skip(entry.length);
        return entry.value;
    }
    const uint32_t window = bits.Peek(32);
    size_t node = size_t(entry.value);
    for (int used = kLookupBits; used < 32; ++used) {
        const int16_t next = book.tree[2 * node + ((window >> (31 - used)) & 1)];
        if (next < 0) {
            bits.Skip(used + 1);
            return -1 - next;
        }
        node = size_t(next);
    }
    return 0; // every book is complete, so a walk always ends in a leaf
}

// An escaped 15 takes its linbits; a value other than 0 then takes its sign bit (without a
// branch: signs come at random).
inline int MpegEscapedSigned(int value, int linbits, TMpegBitWindow& bits) {
    if (linbits != 0 && value == 15) value += int(bits.Get(linbits));
    const int signed_ = value != 0 ? 1 : 0;
    const int negative = -int(bits.Peek(1) & unsigned(signed_));
    bits.Skip(signed_);
    return (value ^ negative) - negative;
}

inline void TMpegHuffDecoder::DecodePair(int table, TMpegBitWindow& bits, int& x, int& y) const {
    const TBook& book = books_[table & 31];
    if (!book.coded) {
        x = y = 0;
        return;
    }
    const int symbol = DecodeSymbol(book, bits);
    x = MpegEscapedSigned(symbol >> 4, book.linbits, bits);
    y = MpegEscapedSigned(symbol & 15, book.linbits, bits);
}

inline void TMpegHuffDecoder::DecodeQuad(bool bookB, TMpegBitWindow& bits, int out[4]) const {
    // Book A's 16 symbols are packed as x << 4 | y of a 4 x 4 book: back to 0..15.
    const int packed = bookB ? 0 : DecodeSymbol(quadBook_, bits);
    const int symbol = bookB ? int(15 - bits.Get(4)) : (packed >> 4) * 4 + (packed & 15);
    for (int i = 0; i < 4; ++i) {
        const int one = (symbol >> (3 - i)) & 1;
        const int negative = -int(bits.Peek(1) & unsigned(one));
        bits.Skip(one);
        out[i] = (one ^ negative) - negative;
    }
}
