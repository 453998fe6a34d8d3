#pragma once
// MPEG-1 audio frame headers and the frame reader that cuts a stream held in memory
// into frames, resynchronising over damaged data.
#include <cstddef>
#include <cstdint>

struct TMpegAllocTable;

// The fields of one frame header, as the layer decoders read them.
struct TMpegFrame {
    const TMpegAllocTable* allocTable = nullptr; // layer II only
    int channels = 2;                            // 1 for single-channel mode
    int jsBound = 32;                            // first subband coded jointly
    int sblimit = 32;                            // layer II: subbands with an allocation
    int layer = 0;                               // 1..3
    int protection = 0;                          // 1 when a 16-bit check word follows the header
    int bitrateIndex = 0;
    int samplingIndex = 0;
    int padding = 0;
    int privateBit = 0;
    int mode = 0; // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
    int modeExt = 0;
    int copyright = 0;
    int original = 0;
    int emphasis = 0;
};

enum { kMpegModeStereo = 0, kMpegModeJoint = 1, kMpegModeDual = 2, kMpegModeSingle = 3 };

// Why a header cannot start a stream we decode.
enum class TMpegHeaderCheck { Ok, NotMpeg, Mpeg2, Mpeg25, FreeFormat, BadBitrate, BadRate, BadLayer };
TMpegHeaderCheck MpegCheckHeader(uint32_t header);

// Fills the frame's fields from a header that passed MpegCheckHeader.
void MpegDecodeHeader(uint32_t header, TMpegFrame& frame);
// Total bytes of the frame, header included.
size_t MpegFrameBytes(const TMpegFrame& frame);
// Bitrate in kbit/s and sampling rate in Hz of a frame.
int MpegBitrate(const TMpegFrame& frame);
int MpegSamplingRate(const TMpegFrame& frame);
// Stereo pairs a frame decodes to: 384 (layer I) or 1152.
int MpegFramePairs(const TMpegFrame& frame);

// Bytes of a leading ID3v2 tag (header, body and footer) as its header states them, 0 when
// there is none. Only the first 10 bytes are read.
size_t MpegId3v2Size(const uint8_t* data, size_t size);

// Cuts frames out of a stream in memory. Each frame's bitrate and padding come from its
// own header (variable bitrate); a damaged stream is resynchronised on a header that
// agrees with the first one on version, layer and sampling rate.
class TMpegFrameReader {
public:
    static constexpr size_t kMaxBody = 1792;
    static constexpr size_t kResyncLimit = 32768;

    void Attach(const uint8_t* data, size_t size);
    // Back to the first frame (after a leading ID3v2 tag); the headers are forgotten.
    void Reset();

    // Reads the next frame's header and body; false at the end of the data or when no
    // header matches within the resynchronisation limit.
    bool ReadFrame(TMpegFrame& frame);

    // The last frame's body (everything after the 4 header bytes), zero-padded when the
    // data ended inside it.
    const uint8_t* Body() const { return body_; }
    size_t BodySize() const { return bodySize_; }

    size_t Position() const { return position_; }
    void SetPosition(size_t position) { position_ = position < size_ ? position : size_; }
    size_t DataStart() const { return start_; }

private:
    bool Matches(uint32_t header) const;
    uint32_t HeaderAt(size_t position) const;
    bool Resynchronise();

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t start_ = 0;
    size_t position_ = 0;
    uint32_t firstHeader_ = 0;
    uint8_t body_[kMaxBody + 8] = {};
    size_t bodySize_ = 0;
};
