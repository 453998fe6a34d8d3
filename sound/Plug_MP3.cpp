#include "sound/Plug_MP3.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/files/PathResolver.h"
#include "platform/framework/MessageService.h"
#include "platform/framework/Published.h"
#include "sound/Sndutils.h"
#include "sound/WaveFile.h"

namespace {

const bool mp3Published = RegisterPublishedClass(
    "TSndMP3", "TSndPlayPlug",
    {Property("Quality", EnumerationType("TSndMP3Quality", {"smqFull", "smqHalf", "smqQuarter"}),
              &TSndMP3::Quality, &TSndMP3::SetQuality, smqFull)});

const char* const kSupportTypes = "MPEG-1 Layer 1/2/3 (32, 44, 48 kHz only)";
const char* const kRefusalCaption = "SndMP3: Fatal error";

struct TStreamPlace {
    long start = 0;
    long size = 0; // 0: the whole file
};

// Where MPEG data sits in a RIFF WAVE file; a plain stream starts at 0.
bool FindWaveData(const std::string& fileName, TStreamPlace& place) {
    HMMIO file = nullptr;
    WaveFormatBlock format;
    MMCKINFO riff, data;
    if (OpenWaveFile(fileName.c_str(), &file, &format, &riff) != 0) return false;
    const bool found = SeekWaveData(&file, &data, &riff) == 0;
    if (found) {
        place.start = long(data.dwDataOffset);
        place.size = long(data.cksize);
    }
    CloseWaveFile(&file, &format);
    return found;
}

long FileSize(std::FILE* file) {
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    return size < 0 ? 0 : size;
}

// Reads the first frame header at start, after a leading ID3v2 tag; false on a short file.
bool ReadFirstHeader(std::FILE* file, long start, uint32_t& header) {
    uint8_t head[10] = {};
    if (std::fseek(file, start, SEEK_SET) != 0) return false;
    const size_t got = std::fread(head, 1, sizeof head, file);
    const size_t tag = MpegId3v2Size(head, got);
    uint8_t bytes[4];
    if (std::fseek(file, start + long(tag), SEEK_SET) != 0 || std::fread(bytes, 1, 4, file) != 4)
        return false;
    header = uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
    return true;
}

// The refusals of a first header, in the order the player has always made them; only
// the four with a text show a message.
bool AcceptFirstHeader(uint32_t header) {
    const int layerBits = int((header >> 17) & 3);
    const int bitrateIndex = int((header >> 12) & 15);
    if (layerBits != 0 && (bitrateIndex == 0 || bitrateIndex == 15)) return false;
    if (((header >> 10) & 3) == 3) return false;
    const char* message = nullptr;
    if ((header & 0xFFF80000u) != 0xFFF80000u) {
        if ((header & 0xFFF80000u) == 0xFFF00000u)
            message = "MPEG 2.0 Audio not supported";
        else if ((header & 0xFFF80000u) == 0xFFE00000u)
            message = "MPEG 2.5 Audio not supported";
    } else if (bitrateIndex == 0) {
        message = "Free format not supported";
    } else if (layerBits == 0) {
        message = "Sorry, unknow layer type";
    } else {
        return true;
    }
    if (message) ShowMessageBox(message, kRefusalCaption, MB_OK | MB_ICONSTOP);
    return false;
}

const char* LayerText(int layer) {
    switch (layer) {
    case 1:
        return "1";
    case 2:
        return "2";
    case 3:
        return "3";
    default:
        return "Unknown";
    }
}

const char* ModeText(int mode) {
    static const char* const kModes[4] = {"Stereo", "Joint-Stereo", "Dual-Channel", "Single-Channel"};
    return kModes[mode & 3];
}

} // namespace

TSndMP3::TSndMP3(TComponent* owner) : TSndPlayPlug(owner) {}

TSndMP3::~TSndMP3() {
    Withdraw();
    Release();
}

std::string TSndMP3::GetSupportTypes() {
    return kSupportTypes;
}

void TSndMP3::SetQuality(TSndMP3Quality quality) {
    quality_.store(quality == smqHalf || quality == smqQuarter ? quality : smqFull);
}

bool TSndMP3::Init() {
    const bool loaded = !FileName.empty() && LoadFile();
    Reset();
    return loaded;
}

bool TSndMP3::LoadFile() {
    Release();
    TStreamPlace place;
    const bool wave = FindWaveData(FileName, place);
    FilePtr file = OpenRegularFile(FileName);
    if (!file) return false;
    const long fileSize = FileSize(file.get());
    if (!wave) place.size = fileSize;
    if (place.size > fileSize - place.start) return false; // a data chunk longer than its file

    uint32_t header = 0;
    if (!ReadFirstHeader(file.get(), place.start, header) || !AcceptFirstHeader(header)) return false;

    std::vector<uint8_t> data(size_t(std::max(place.size, 0L)));
    if (std::fseek(file.get(), place.start, SEEK_SET) != 0) return false;
    if (std::fread(data.data(), 1, data.size(), file.get()) != data.size()) return false;
    std::lock_guard lock(streamLock_);
    data_ = std::move(data);
    reader_.Attach(data_.data(), data_.size());
    MpegDecodeHeader(header, frame_);
    frameKnown_ = true;
    return true;
}

void TSndMP3::Reset() {
    std::lock_guard lock(streamLock_);
    sampleCount_ = 0;
    ratePhase_ = 0;
    reader_.Reset();
    decoder_.StreamJumped();
}

void TSndMP3::Release() {
    std::lock_guard lock(streamLock_);
    data_.clear();
    data_.shrink_to_fit();
    reader_.Attach(nullptr, 0);
    frameKnown_ = false;
}

unsigned TSndMP3::GetPackFrameSize() const {
    std::lock_guard lock(streamLock_);
    return FrameBytes();
}

unsigned TSndMP3::FrameBytes() const {
    return frameKnown_ ? unsigned(MpegFrameBytes(frame_)) : 1;
}

unsigned TSndMP3::GetUnpackFrameSize() const {
    std::lock_guard lock(streamLock_);
    if (!frameKnown_) return 1;
    return frame_.layer == 1 ? 1536 : frame_.layer == 2 || frame_.layer == 3 ? 4608 : 1;
}

unsigned TSndMP3::GetDataBlock(unsigned char* dest, unsigned n) {
    std::lock_guard lock(streamLock_);
    const size_t position = reader_.Position();
    const unsigned count = unsigned(std::min<size_t>(n, data_.size() - std::min(position, data_.size())));
    if (count != 0) std::memcpy(dest, data_.data() + position, count);
    reader_.SetPosition(position + count);
    return count;
}

void TSndMP3::GetPosition(SND_POSITION* position) {
    std::lock_guard lock(streamLock_);
    position->dwLength = DWORD(data_.size());
    position->dwPosition = DWORD(reader_.Position());
    position->dwUnitsPerSec = frameKnown_ ? DWORD(MpegBitrate(frame_) * 1000 / 8) : 0;
}

void TSndMP3::SetPosition(SND_POSITION* position) {
    std::lock_guard lock(streamLock_);
    const DWORD frameBytes = FrameBytes();
    reader_.SetPosition(position->dwPosition / frameBytes * frameBytes);
    decoder_.StreamJumped();
}

bool TSndMP3::ReadFrame() {
    if (!reader_.ReadFrame(frame_)) return false;
    frameKnown_ = true;
    return true;
}

void TSndMP3::FillSilence(unsigned char* dest, unsigned long len) const {
    std::memset(dest, Format.wBitsPerSample == 8 ? 0x80 : 0, len);
}

namespace {

// Writes one output frame from a decoded pair: both sides, or their mean halved toward zero
// and capped; 16-bit values as they are, 8-bit ones as the high byte made unsigned.
template <bool Sixteen, bool Stereo> unsigned char* PutFrame(unsigned char* dest, const int16_t* pair) {
    int values[2] = {pair[0], pair[1]};
    if constexpr (!Stereo) values[0] = std::min((values[0] + values[1]) / 2, 32767);
    for (int c = 0; c < (Stereo ? 2 : 1); ++c) {
        if constexpr (Sixteen) {
            const auto v = int16_t(values[c]);
            std::memcpy(dest, &v, 2);
            dest += 2;
        } else {
            *dest++ = uint8_t((values[c] >> 8) ^ 0x80);
        }
    }
    return dest;
}

// Output frame f takes the pair (phase + f * rateIn) / rateOut; the quotient is stepped
// along instead of divided out for every frame.
template <bool Sixteen, bool Stereo>
void PutFrames(unsigned char* dest, const int16_t* samples, uint64_t frames, uint64_t phase, uint64_t rateIn,
               uint64_t rateOut) {
    if (Sixteen && Stereo && rateIn == rateOut) {
        std::memcpy(dest, samples, size_t(frames) * 4);
        return;
    }
    uint64_t pair = phase / rateOut;
    uint64_t remainder = phase % rateOut;
    const uint64_t wholeStep = rateIn / rateOut;
    const uint64_t fractionStep = rateIn % rateOut;
    for (uint64_t f = 0; f < frames; ++f) {
        dest = PutFrame<Sixteen, Stereo>(dest, samples + 2 * pair);
        pair += wholeStep;
        remainder += fractionStep;
        if (remainder >= rateOut) {
            remainder -= rateOut;
            ++pair;
        }
    }
}

} // namespace

unsigned long TSndMP3::Convert(unsigned char* dest, unsigned long wanted) {
    const bool sixteen = Format.wBitsPerSample != 8;
    const bool stereo = Format.nChannels != 1;
    const unsigned long frameBytes = (sixteen ? 2 : 1) * (stereo ? 2 : 1);
    const uint64_t rateIn = uint64_t(MpegSamplingRate(frame_));
    const uint64_t rateOut = std::max<uint64_t>(Format.nSamplesPerSec, 1);
    const uint64_t pairs = sampleCount_ / 2;
    // Output frames whose source pair is already decoded.
    const uint64_t reach = pairs * rateOut;
    const uint64_t available = reach > ratePhase_ ? (reach - ratePhase_ + rateIn - 1) / rateIn : 0;
    const uint64_t frames = std::min<uint64_t>(available, wanted / frameBytes);

    if (sixteen && stereo)
        PutFrames<true, true>(dest, samples_, frames, ratePhase_, rateIn, rateOut);
    else if (sixteen)
        PutFrames<true, false>(dest, samples_, frames, ratePhase_, rateIn, rateOut);
    else if (stereo)
        PutFrames<false, true>(dest, samples_, frames, ratePhase_, rateIn, rateOut);
    else
        PutFrames<false, false>(dest, samples_, frames, ratePhase_, rateIn, rateOut);
    const uint64_t advanced = ratePhase_ + frames * rateIn;
    const size_t used = size_t(std::min<uint64_t>(advanced / rateOut, pairs));
    ratePhase_ = advanced - uint64_t(used) * rateOut;
    std::memmove(samples_, samples_ + 2 * used, (sampleCount_ - 2 * used) * sizeof(int16_t));
    sampleCount_ -= 2 * used;
    return (unsigned long)(frames * frameBytes);
}

bool TSndMP3::Process(unsigned char* data, unsigned long len) {
    std::lock_guard lock(streamLock_);
    if (data_.empty()) {
        FillSilence(data, len);
        return true;
    }
    const unsigned long frameBytes = (Format.wBitsPerSample != 8 ? 2 : 1) * (Format.nChannels != 1 ? 2 : 1);
    const unsigned long wanted = len - len % frameBytes;
    unsigned long written = 0;
    for (;;) {
        if (frameKnown_) written += Convert(data + written, wanted - written);
        if (written >= wanted) {
            FillSilence(data + written, len - written);
            return true;
        }
        if (!ReadFrame()) {
            sampleCount_ = 0;
            FillSilence(data + written, len - written);
            return false;
        }
        decoder_.SetQuality(quality_.load());
        decoder_.DecodeFrame(frame_, reader_.Body(), reader_.BodySize(), samples_ + sampleCount_);
        sampleCount_ += size_t(MpegFramePairs(frame_)) * 2;
    }
}

bool TSndMP3::GetFileInfo(const std::string& fileName, SND_FILE_INFO* info) {
    TStreamPlace place;
    const bool wave = FindWaveData(fileName, place);
    FilePtr file = OpenRegularFile(fileName);
    if (!file) return false;
    const long fileSize = FileSize(file.get());
    nSizeToStr(info->szSize, sizeof info->szSize, int(fileSize));
    const long dataSize = wave ? place.size : fileSize;
    uint32_t header = 0;
    if (!ReadFirstHeader(file.get(), place.start, header)) return false;
    file.reset();
    if (MpegCheckHeader(header) != TMpegHeaderCheck::Ok) return false;

    TMpegFrame frame;
    MpegDecodeHeader(header, frame);
    const int bitrate = MpegBitrate(frame);
    const int64_t hundredths = int64_t(dataSize) * 100 / (int64_t(bitrate) * 1000 / 8);
    nTimeToStr(info->szTime, sizeof info->szTime, int(std::min<int64_t>(hundredths, INT32_MAX)), true);
    std::snprintf(info->szShortFormat, sizeof info->szShortFormat, "MPEG L-%s, %d Kbps, %s",
                  LayerText(frame.layer), bitrate, ModeText(frame.mode));
    std::snprintf(info->szFormat, sizeof info->szFormat, "MPEG Layer-%s, %d Hz, %d Kbits/s, %s",
                  LayerText(frame.layer), MpegSamplingRate(frame), bitrate, ModeText(frame.mode));
    GetMP3Info(fileName, info);
    return true;
}
