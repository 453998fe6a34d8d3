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

    // Decodes one pair with its escapes and signs. Books without codes give 0, 0.
    void DecodePair(int table, TMpegBitReader& bits, int& x, int& y) const;
    // Decodes one quadruple (v w x y, signs included) with book A or B.
    void DecodeQuad(bool bookB, TMpegBitReader& bits, int out[4]) const;

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
    struct TBook {
        TTree tree;
        TEntry lookup[1 << kLookupBits];
    };

    static TTree BuildTree(const TMpegHuffBook& book);
    static void BuildBook(const TMpegHuffBook& book, TBook& out);
    static int DecodeSymbol(const TBook& book, TMpegBitReader& bits);

    TBook books_[32];
    TBook quadBook_;
};
