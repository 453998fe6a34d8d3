#include "platform/mmsys/AcmPcm.h"

AcmPcmConverter::AcmPcmConverter(const WAVEFORMATEX& source, const WAVEFORMATEX& destination)
    : source_(source), destination_(destination) {}

void AcmPcmConverter::Reset() {
    pendingSkip_ = 0;
    phase_ = 0;
}

// Every width is brought to 16 bits: 8-bit data is unsigned, wider data keeps its top 16 bits.
int AcmPcmConverter::ReadSample(const BYTE* frame, int channel) const {
    int bytes = source_.wBitsPerSample / 8;
    const BYTE* sample = frame + channel * bytes;
    if (bytes == 1) return (sample[0] ^ 0x80) << 8;
    return int16_t(sample[bytes - 2] | sample[bytes - 1] << 8);
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
