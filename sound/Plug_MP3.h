#pragma once
// TSndMP3: the player plug-in for MPEG-1 audio layers I-III at 32, 44.1 and 48 kHz, from a
// plain file or from the "data" chunk of a RIFF WAVE file. The whole stream is held in
// memory, cut into frames, decoded to 16-bit stereo at the stream's rate and converted to
// the output format (rate by index stepping, stereo or mono, 16 or 8 bits).
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "sound/MpgDecoder.h"
#include "sound/MpgFrame.h"
#include "sound/PlugBase.h"

class TSndMP3 : public TSndPlayPlug {
    VX_CLASS(TSndMP3, TSndPlayPlug)
public:
    explicit TSndMP3(TComponent* owner);
    ~TSndMP3() override;

    std::string GetSupportTypes() override;
    bool Init() override;
    void Reset() override;
    void Release() override;
    bool Process(unsigned char* data, unsigned long len) override;
    void GetPosition(SND_POSITION* position) override;
    void SetPosition(SND_POSITION* position) override;
    bool GetFileInfo(const std::string& fileName, SND_FILE_INFO* info) override;

    // Published: how much of the synthesis is computed. Set from the settings dialog while
    // the engine's thread decodes; it takes effect with the next frame.
    TSndMP3Quality Quality() const { return quality_.load(); }
    void SetQuality(TSndMP3Quality quality);

    // Bytes of the current frame, header included.
    unsigned GetPackFrameSize() const;
    // Decoded bytes per frame: 1536 for layer I, 4608 for layers II and III, else 1.
    unsigned GetUnpackFrameSize() const;
    // Copies up to n bytes of the stream from the read position and advances it.
    unsigned GetDataBlock(unsigned char* dest, unsigned n);

private:
    static constexpr size_t kSampleValues = 9216;

    bool LoadFile();
    unsigned FrameBytes() const;
    bool ReadFrame();
    // Converts decoded pairs to the output format; answers the bytes written.
    unsigned long Convert(unsigned char* dest, unsigned long wanted);
    void FillSilence(unsigned char* dest, unsigned long len) const;

    std::vector<uint8_t> data_;
    // Guards the stream state below against position calls made while the engine's thread
    // is inside Process.
    mutable std::mutex streamLock_;
    TMpegFrameReader reader_;
    TMpegDecoder decoder_;
    TMpegFrame frame_;
    bool frameKnown_ = false;
    int16_t samples_[kSampleValues] = {};
    size_t sampleCount_ = 0; // decoded values at the start of samples_ not yet delivered
    uint64_t ratePhase_ = 0; // position between two source pairs, in 1/output-rate units
    std::atomic<TSndMP3Quality> quality_{smqFull};
};
