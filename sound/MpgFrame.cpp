#include "sound/MpgFrame.h"

#include <algorithm>
#include <cstring>

#include "sound/MpgTables.h"

namespace {

constexpr uint32_t kSyncMask = 0xFFE00000u;
// Sync, version, layer and sampling index: what every frame of a stream shares.
constexpr uint32_t kStreamMask = 0xFFFE0C00u;

} // namespace

TMpegHeaderCheck MpegCheckHeader(uint32_t header) {
    if ((header & kSyncMask) != kSyncMask) return TMpegHeaderCheck::NotMpeg;
    const uint32_t version = (header >> 19) & 3;
    if (version == 2) return TMpegHeaderCheck::Mpeg2;
    if (version == 0) return TMpegHeaderCheck::Mpeg25;
    if (version != 3) return TMpegHeaderCheck::NotMpeg;
    if (((header >> 17) & 3) == 0) return TMpegHeaderCheck::BadLayer;
    const uint32_t bitrate = (header >> 12) & 15;
    if (bitrate == 0) return TMpegHeaderCheck::FreeFormat;
    if (bitrate == 15) return TMpegHeaderCheck::BadBitrate;
    if (((header >> 10) & 3) == 3) return TMpegHeaderCheck::BadRate;
    return TMpegHeaderCheck::Ok;
}

void MpegDecodeHeader(uint32_t header, TMpegFrame& frame) {
    frame.layer = 4 - int((header >> 17) & 3);
    frame.protection = ((header >> 16) & 1) == 0 ? 1 : 0;
    frame.bitrateIndex = int((header >> 12) & 15);
    frame.samplingIndex = int((header >> 10) & 3);
    frame.padding = int((header >> 9) & 1);
    frame.privateBit = int((header >> 8) & 1);
    frame.mode = int((header >> 6) & 3);
    frame.modeExt = int((header >> 4) & 3);
    frame.copyright = int((header >> 3) & 1);
    frame.original = int((header >> 2) & 1);
    frame.emphasis = int(header & 3);
    frame.channels = frame.mode == kMpegModeSingle ? 1 : 2;
    const bool joint = frame.mode == kMpegModeJoint;
    if (frame.layer == 2) {
        frame.allocTable =
            &MpegAllocTable(MpegSelectAllocTable(frame.samplingIndex, frame.channels, frame.bitrateIndex));
        frame.sblimit = frame.allocTable->sblimit;
        frame.jsBound = joint ? std::min(frame.modeExt * 4 + 4, frame.sblimit) : frame.sblimit;
    } else {
        frame.allocTable = nullptr;
        frame.sblimit = 32;
        frame.jsBound = joint ? frame.modeExt * 4 + 4 : 32;
    }
}

int MpegBitrate(const TMpegFrame& frame) {
    return kMpegBitrates[(frame.layer - 1) % 3][frame.bitrateIndex & 15];
}

int MpegSamplingRate(const TMpegFrame& frame) {
    return kMpegSamplingRates[frame.samplingIndex & 3];
}

size_t MpegFrameBytes(const TMpegFrame& frame) {
    const size_t bitrate = size_t(MpegBitrate(frame));
    const size_t rate = size_t(MpegSamplingRate(frame));
    if (frame.layer == 1) return (12000 * bitrate / rate + size_t(frame.padding)) * 4;
    return 144000 * bitrate / rate + size_t(frame.padding);
}

int MpegFramePairs(const TMpegFrame& frame) {
    return frame.layer == 1 ? 384 : 1152;
}

size_t MpegId3v2Size(const uint8_t* data, size_t size) {
    if (size < 10 || std::memcmp(data, "ID3", 3) != 0) return 0;
    size_t body = 0;
    for (int i = 6; i < 10; ++i) {
        if (data[i] & 0x80) return 0;
        body = (body << 7) | data[i];
    }
    const size_t footer = (data[5] & 0x10) ? 10 : 0;
    return 10 + body + footer;
}

void TMpegFrameReader::Attach(const uint8_t* data, size_t size) {
    data_ = data;
    size_ = data ? size : 0;
    start_ = std::min(size_, MpegId3v2Size(data_, size_));
    Reset();
}

void TMpegFrameReader::Reset() {
    position_ = start_;
    firstHeader_ = 0;
    bodySize_ = 0;
}

uint32_t TMpegFrameReader::HeaderAt(size_t position) const {
    return uint32_t(data_[position]) << 24 | uint32_t(data_[position + 1]) << 16 |
           uint32_t(data_[position + 2]) << 8 | data_[position + 3];
}

bool TMpegFrameReader::Matches(uint32_t header) const {
    if (MpegCheckHeader(header) != TMpegHeaderCheck::Ok) return false;
    return firstHeader_ == 0 || (header & kStreamMask) == (firstHeader_ & kStreamMask);
}

bool TMpegFrameReader::Resynchronise() {
    const size_t limit = std::min(size_, position_ + kResyncLimit);
    for (size_t p = position_ + 1; p + 4 <= limit; ++p) {
        if (Matches(HeaderAt(p))) {
            position_ = p;
            return true;
        }
    }
    position_ = limit;
    return false;
}

bool TMpegFrameReader::ReadFrame(TMpegFrame& frame) {
    if (position_ + 4 > size_) return false;
    uint32_t header = HeaderAt(position_);
    if (!Matches(header)) {
        if (firstHeader_ == 0 || !Resynchronise()) return false;
        header = HeaderAt(position_);
    }
    if (firstHeader_ == 0) firstHeader_ = header;
    MpegDecodeHeader(header, frame);

    const size_t bytes = MpegFrameBytes(frame);
    bodySize_ = std::min(bytes - 4, kMaxBody);
    const size_t available = std::min(bodySize_, size_ - position_ - 4);
    std::memcpy(body_, data_ + position_ + 4, available);
    std::memset(body_ + available, 0, sizeof(body_) - available);
    position_ += std::min(bytes, size_ - position_);
    return true;
}
