// Fuzz target of the MPEG frame reader and decoder: the first input byte picks the first
// frame's layer, rate, mode and the synthesis quality, so that the stream always starts
// with a frame; everything after it is the fuzzer's, resynchronisation included.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sound/MpgDecoder.h"
#include "sound/MpgFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint8_t choice = data[0];
    const uint32_t layerBits = 1 + choice % 3; // layer III, II or I
    const uint32_t sampling = (choice >> 2) % 3;
    const uint32_t mode = (choice >> 4) & 3;
    const uint32_t bitrate = 1 + data[1] % 14;
    const uint32_t header = 0xFFF80000u | layerBits << 17 | (choice & 0x40 ? 0u : 0x10000u) | bitrate << 12 |
                            sampling << 10 | mode << 6 | uint32_t(data[1] >> 4 & 3) << 4;
    std::vector<uint8_t> stream = {uint8_t(header >> 24), uint8_t(header >> 16), uint8_t(header >> 8),
                                   uint8_t(header)};
    stream.insert(stream.end(), data + 2, data + size);

    TMpegFrameReader reader;
    reader.Attach(stream.data(), stream.size());
    TMpegDecoder decoder;
    decoder.SetQuality(TSndMP3Quality((choice >> 6) % 3));
    TMpegFrame frame;
    static int16_t out[TMpegDecoder::kMaxPairs * 2];
    for (int frames = 0; frames < 16 && reader.ReadFrame(frame); ++frames)
        decoder.DecodeFrame(frame, reader.Body(), reader.BodySize(), out);
    return 0;
}
