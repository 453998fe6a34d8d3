#include "platform/mmsys/AcmPcm.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

AcmPcmConverter::AcmPcmConverter(const WAVEFORMATEX& source, SampleLayout layout,
                                 const WAVEFORMATEX& destination)
    : source_(source), layout_(layout), destination_(destination) {}

void AcmPcmConverter::Reset() {
    pendingSkip_ = 0;
    phase_ = 0;
}

namespace {

// Drops the low bits of a wider integer sample, rounding half a step up, and keeps the
// result within 16 bits (only the top of the range can round past it).
int RoundedToSixteen(std::int64_t value, int dropBits) {
    const std::int64_t rounded = (value + (std::int64_t{1} << (dropBits - 1))) >> dropBits;
    return int(std::min<std::int64_t>(rounded, 32767));
}

// Full scale 1.0 is 32768 steps; nearer values round to the nearest step (ties to even) and
// louder ones clip. A value that is not a number is silence.
int FloatToSixteen(double value) {
    if (std::isnan(value)) return 0;
    return int(std::lrint(std::clamp(value * 32768.0, -32768.0, 32767.0)));
}

} // namespace

// Every coding is brought to 16 bits: 8-bit data is unsigned, wider integers and floats are
// rounded and clipped.
int AcmPcmConverter::ReadSample(const BYTE* frame, int channel) const {
    const BYTE* s = frame + channel * layout_.bytes;
    switch (layout_.coding) {
    case SampleCoding::Unsigned8:
        return (s[0] ^ 0x80) << 8;
    case SampleCoding::Float:
        if (layout_.bytes == 4) {
            float value;
            std::memcpy(&value, s, 4);
            return FloatToSixteen(value);
        } else {
            double value;
            std::memcpy(&value, s, 8);
            return FloatToSixteen(value);
        }
    default:
        break;
    }
    if (layout_.bytes == 2) return std::int16_t(s[0] | s[1] << 8);
    if (layout_.bytes == 3) {
        const auto value =
            std::int32_t(std::uint32_t(s[0]) << 8 | std::uint32_t(s[1]) << 16 | std::uint32_t(s[2]) << 24);
        return RoundedToSixteen(value >> 8, 8);
    }
    std::int32_t value;
    std::memcpy(&value, s, 4);
    return RoundedToSixteen(value, 16);
}

// Mono from stereo is the mean of both sides, halved toward zero; 8-bit output keeps the high
// byte, as the engines do it.
void AcmPcmConverter::WriteFrame(BYTE* out, int left, int right) const {
    int values[2] = {left, right};
    if (destination_.nChannels == 1) values[0] = (left + right) / 2;
    for (int c = 0; c < destination_.nChannels; ++c) {
        if (destination_.wBitsPerSample == 8) {
            out[c] = BYTE(((values[c] >> 8) & 0xFF) ^ 0x80);
        } else {
            out[2 * c] = BYTE(values[c] & 0xFF);
            out[2 * c + 1] = BYTE((values[c] >> 8) & 0xFF);
        }
    }
}

AcmPcmConverter::Result AcmPcmConverter::Convert(const BYTE* source, std::size_t sourceBytes,
                                                 BYTE* destination, std::size_t destinationBytes) {
    const std::size_t inFrames = sourceBytes / source_.nBlockAlign;
    const std::size_t outCapacity = destinationBytes / destination_.nBlockAlign;
    const DWORD inRate = source_.nSamplesPerSec;
    const DWORD outRate = destination_.nSamplesPerSec;
    const std::size_t wholeStep = inRate / outRate;
    const DWORD fractionStep = inRate % outRate;
    const bool stereoSource = source_.nChannels == 2;

    std::size_t next = pendingSkip_;
    std::size_t written = 0;
    while (next < inFrames && written < outCapacity) {
        const BYTE* frame = source + next * source_.nBlockAlign;
        int left = ReadSample(frame, 0);
        int right = stereoSource ? ReadSample(frame, 1) : left;
        WriteFrame(destination + written * destination_.nBlockAlign, left, right);
        ++written;
        next += wholeStep;
        phase_ += fractionStep;
        if (phase_ >= outRate) {
            phase_ -= outRate;
            ++next;
        }
    }
    Result result;
    result.destinationUsed = written * destination_.nBlockAlign;
    if (next >= inFrames) {
        pendingSkip_ = next - inFrames;
        result.sourceUsed = inFrames * source_.nBlockAlign;
    } else {
        pendingSkip_ = 0;
        result.sourceUsed = next * source_.nBlockAlign;
    }
    return result;
}

std::size_t AcmPcmConverter::DestinationSize(std::size_t sourceBytes) const {
    unsigned long long frames = sourceBytes / source_.nBlockAlign;
    unsigned long long out =
        (frames * destination_.nSamplesPerSec + source_.nSamplesPerSec - 1) / source_.nSamplesPerSec;
    return std::size_t(out * destination_.nBlockAlign);
}

std::size_t AcmPcmConverter::SourceSize(std::size_t destinationBytes) const {
    unsigned long long frames = destinationBytes / destination_.nBlockAlign;
    unsigned long long in = frames * source_.nSamplesPerSec / destination_.nSamplesPerSec;
    return std::size_t(in * source_.nBlockAlign);
}
