#include "sound/MpgHuffman.h"

const TMpegHuffDecoder& TMpegHuffDecoder::Instance() {
    static const TMpegHuffDecoder decoder;
    return decoder;
}

TMpegHuffDecoder::TMpegHuffDecoder() {
    for (int table = 0; table < 32; ++table)
        BuildBook(MpegHuffBook(table), books_[table]);
    BuildBook(MpegQuadBookA(), quadBook_);
}

TMpegHuffDecoder::TTree TMpegHuffDecoder::BuildTree(const TMpegHuffBook& book) {
    TTree tree{0, 0}; // the root; 0 marks a child not placed yet
    const int symbols = book.size * book.size;
    for (int symbol = 0; symbol < symbols; ++symbol) {
        size_t node = 0;
        for (int bit = book.lengths[symbol] - 1; bit >= 0; --bit) {
            const size_t slot = 2 * node + ((book.codes[symbol] >> bit) & 1);
            if (bit == 0) {
                tree[slot] = int16_t(-1 - symbol);
            } else {
                if (tree[slot] == 0) {
                    tree[slot] = int16_t(tree.size() / 2);
                    tree.resize(tree.size() + 2, 0);
                }
                node = size_t(tree[slot]);
            }
        }
    }
    return tree;
}

void TMpegHuffDecoder::BuildBook(const TMpegHuffBook& book, TBook& out) {
    out.tree = BuildTree(book);
    for (int prefix = 0; prefix < (1 << kLookupBits); ++prefix) {
        size_t node = 0;
        out.lookup[prefix] = {0, 0};
        for (int used = 0; used < kLookupBits; ++used) {
            const int16_t next = out.tree[2 * node + ((prefix >> (kLookupBits - 1 - used)) & 1)];
            if (next < 0) {
                out.lookup[prefix] = {int16_t(-1 - next), uint8_t(used + 1)};
                break;
            }
            node = size_t(next);
            out.lookup[prefix].value = next;
        }
    }
}

int TMpegHuffDecoder::DecodeSymbol(const TBook& book, TMpegBitReader& bits) {
    const uint32_t window = bits.Peek32();
    const TEntry entry = book.lookup[window >> (32 - kLookupBits)];
    if (entry.length != 0) {
        bits.Skip(entry.length);
        return entry.value;
    }
    size_t node = size_t(entry.value);
    for (int used = kLookupBits; used < 32; ++used) {
        const int16_t next = book.tree[2 * node + ((window >> (31 - used)) & 1)];
        if (next < 0) {
            bits.Skip(size_t(used) + 1);
            return -1 - next;
        }
        node = size_t(next);
    }
    return 0; // every book is complete, so a walk always ends in a leaf
}

void TMpegHuffDecoder::DecodePair(int table, TMpegBitReader& bits, int& x, int& y) const {
    const TMpegHuffBook& book = MpegHuffBook(table);
    if (book.size == 0) {
        x = y = 0;
        return;
    }
    const int symbol = DecodeSymbol(books_[table & 31], bits);
    x = symbol / book.size;
    y = symbol % book.size;
    if (book.linbits != 0 && x == 15) x += int(bits.GetBits(book.linbits));
    if (x != 0 && bits.GetBit()) x = -x;
    if (book.linbits != 0 && y == 15) y += int(bits.GetBits(book.linbits));
    if (y != 0 && bits.GetBit()) y = -y;
}

void TMpegHuffDecoder::DecodeQuad(bool bookB, TMpegBitReader& bits, int out[4]) const {
    const int symbol = bookB ? int(15 - bits.GetBits(4)) : DecodeSymbol(quadBook_, bits);
    for (int i = 0; i < 4; ++i) {
        out[i] = (symbol >> (3 - i)) & 1;
        if (out[i] != 0 && bits.GetBit()) out[i] = -1;
    }
}
