#include "platform/mmsys/AcmCodec.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

void PutWord(std::vector<BYTE>& out, DWORD value) {
    out.push_back(BYTE(value));
    out.push_back(BYTE(value >> 8));
}

void PutDword(std::vector<BYTE>& out, DWORD value) {
    PutWord(out, value & 0xFFFF);
    PutWord(out, value >> 16);
}

void PutTag(std::vector<BYTE>& out, const char* tag) {
    out.insert(out.end(), tag, tag + 4);
}

// The decoder library reads files, so the codec stage presents it a file: a RIFF WAVE header
// with the format and an endless data chunk, followed by the bytes of the chunks handed in.
// Half a gigabyte: large enough for any wave file held in memory, small enough that the
// library's frame count of a 4-bit codec stays within 32 bits.
constexpr DWORD EndlessData = 0x20000000;

std::vector<BYTE> MakeHeader(const WaveFormatBlock& format) {
    std::vector<BYTE> header;
    DWORD fmtSize = DWORD(18 + format.Format()->cbSize);
    PutTag(header, "RIFF");
    PutDword(header, 4 + 8 + fmtSize + (fmtSize & 1) + 8 + EndlessData);
    PutTag(header, "WAVE");
    PutTag(header, "fmt ");
    PutDword(header, fmtSize);
    const WAVEFORMATEX& f = *format.Format();
    PutWord(header, f.wFormatTag);
    PutWord(header, f.nChannels);
    PutDword(header, f.nSamplesPerSec);
    PutDword(header, f.nAvgBytesPerSec);
    PutWord(header, f.nBlockAlign);
    PutWord(header, f.wBitsPerSample);
    PutWord(header, f.cbSize);
    header.insert(header.end(), format.Extra(), format.Extra() + f.cbSize);
    if (fmtSize & 1) header.push_back(0);
    PutTag(header, "data");
    PutDword(header, EndlessData);
    return header;
}

} // namespace

// The virtual file: header bytes, then the data queued so far. Bytes already decoded are
// dropped; the library never reads back into them once the header is parsed.
struct AcmCodecDecoder::Stream {
    std::vector<BYTE> header;
    std::vector<BYTE> queue;
    sf_count_t queueBase = 0; // file offset of queue[0]
    sf_count_t position = 0;
    SNDFILE* file = nullptr;
    std::vector<short> samples;

    ~Stream() { Close(); }

    void Close() {
        if (file) sf_close(file);
        file = nullptr;
        queue.clear();
        queueBase = sf_count_t(header.size());
        position = 0;
    }

    void DropConsumed() {
        sf_count_t consumed = std::clamp<sf_count_t>(position - queueBase, 0, sf_count_t(queue.size()));
        queue.erase(queue.begin(), queue.begin() + consumed);
        queueBase += consumed;
    }

    static sf_count_t Length(void* user) {
        return sf_count_t(static_cast<Stream*>(user)->header.size()) + EndlessData;
    }

    static sf_count_t Seek(sf_count_t offset, int whence, void* user) {
        auto* self = static_cast<Stream*>(user);
        sf_count_t base = whence == SEEK_CUR ? self->position : whence == SEEK_END ? Length(user) : 0;
        self->position = std::max<sf_count_t>(0, base + offset);
        return self->position;
    }

    static sf_count_t Read(void* out, sf_count_t count, void* user) {
        auto* self = static_cast<Stream*>(user);
        auto* bytes = static_cast<BYTE*>(out);
        sf_count_t done = 0;
        while (done < count) {
            sf_count_t at = self->position;
            sf_count_t available = 0;
            const BYTE* from = nullptr;
            if (at < sf_count_t(self->header.size())) {
                from = self->header.data() + at;
                available = sf_count_t(self->header.size()) - at;
            } else if (at >= self->queueBase && at < self->queueBase + sf_count_t(self->queue.size())) {
                from = self->queue.data() + (at - self->queueBase);
                available = self->queueBase + sf_count_t(self->queue.size()) - at;
            }
            if (available == 0) break;
            sf_count_t take = std::min(available, count - done);
            std::memcpy(bytes + done, from, std::size_t(take));
            done += take;
            self->position += take;
        }
        return done;
    }

    static sf_count_t Write(const void*, sf_count_t, void*) { return 0; }
    static sf_count_t Tell(void* user) { return static_cast<Stream*>(user)->position; }

    bool Open() {
        static SF_VIRTUAL_IO io = {&Length, &Seek, &Read, &Write, &Tell};
        SF_INFO info{};
        position = 0;
        file = sf_open_virtual(&io, SFM_READ, &info, this);
        return file != nullptr;
    }
};

AcmCodecDecoder::AcmCodecDecoder(const WaveFormatBlock& format)
    : format_(format), layout_(DecodableLayout(*format.Format(), format.Size())),
      stream_(std::make_unique<Stream>()) {
    if (layout_.blockBytes == 0) return;
    stream_->header = MakeHeader(format_);
    stream_->Close();
    // A block of zeros is valid in every codec: decoding one proves the library takes the format.
    std::vector<BYTE> block(layout_.blockBytes, 0);
    std::vector<BYTE> pcm(layout_.samplesPerBlock * format.Format()->nChannels * 2);
    usable_ = true;
    usable_ = !Decode(block.data(), block.size(), pcm.data(), pcm.size()).failed;
    Reset();
}

AcmCodecDecoder::~AcmCodecDecoder() = default;

void AcmCodecDecoder::Reset() {
    stream_->Close();
}

AcmCodecDecoder::Result AcmCodecDecoder::Decode(const BYTE* source, std::size_t sourceBytes,
                                                BYTE* destination, std::size_t destinationBytes) {
    Result result;
    if (!usable_) return {0, 0, true};
    const std::size_t channels = format_.Format()->nChannels;
    const std::size_t blockOutput = layout_.samplesPerBlock * channels * 2;
    std::size_t blocks = std::min(sourceBytes / layout_.blockBytes, destinationBytes / blockOutput);
    if (blocks == 0) return result;
    Stream& stream = *stream_;
    stream.queue.insert(stream.queue.end(), source, source + blocks * layout_.blockBytes);
    if (!stream.file && !stream.Open()) {
        stream.Close();
        return {0, 0, true};
    }
    sf_count_t frames = sf_count_t(blocks * layout_.samplesPerBlock);
    stream.samples.resize(std::size_t(frames) * channels);
    sf_count_t got = sf_readf_short(stream.file, stream.samples.data(), frames);
    stream.DropConsumed();
    if (got != frames) return {0, 0, true};
    std::memcpy(destination, stream.samples.data(), std::size_t(got) * channels * 2);
    result.sourceUsed = blocks * layout_.blockBytes;
    result.destinationUsed = std::size_t(got) * channels * 2;
    return result;
}

std::size_t AcmCodecDecoder::DestinationSize(std::size_t sourceBytes) const {
    return sourceBytes / layout_.blockBytes * layout_.samplesPerBlock * format_.Format()->nChannels * 2;
}

std::size_t AcmCodecDecoder::SourceSize(std::size_t destinationBytes) const {
    std::size_t blockOutput = layout_.samplesPerBlock * format_.Format()->nChannels * 2;
    return destinationBytes / blockOutput * layout_.blockBytes;
}
