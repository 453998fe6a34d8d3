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
        const int packed = (symbol / book.size) << 4 | symbol % book.size;
        for (int bit = book.lengths[symbol] - 1; bit >= 0; --bit) {
            const size_t slot = 2 * node + ((book.codes[symbol] >> bit) & 1);
            if (bit == 0) {
                tree[slot] = int16_t(-1 - packed);
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
    out.linbits = book.linbits;
    out.coded = book.size != 0;
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
