#pragma once
// TSndWav: the player plug-in for RIFF WAVE files. The whole data chunk is held in memory and
// handed out as it is when it already has the output format, else converted by the
// compression manager: in one stage when a converter does it directly, otherwise through
// 16-bit PCM at the file's own rate and channel count.
#include <array>
#include <string>
#include <vector>

#include "platform/mmsys/Acm.h"
#include "sound/PlugBase.h"

class TSndWav : public TSndPlayPlug {
    VX_CLASS(TSndWav, TSndPlayPlug)
public:
    explicit TSndWav(TComponent* owner);
    ~TSndWav() override;

    // A format change restarts the file from its beginning with a conversion to the new format.
    void SetChannels(unsigned short channels) override;
    void SetBitsPerSample(unsigned short bits) override;
    void SetSamplesPerSec(unsigned long rate) override;
    std::string GetSupportTypes() override;
    bool Init() override;
    void Reset() override;
    void Release() override;
    bool Process(unsigned char* data, unsigned long len) override;
    // Positions count bytes of the data chunk.
    void GetPosition(SND_POSITION* position) override;
    void SetPosition(SND_POSITION* position) override;
    bool GetFileInfo(const std::string& fileName, SND_FILE_INFO* info) override;

    bool LoadFile();
    bool acm_Open();
    void acm_Close();

    static constexpr DWORD StageSize = 32768;

private:
    using Stage = std::array<BYTE, StageSize>;

    bool CopyProcess(unsigned char* data, unsigned long len);
    bool ConvertProcess(unsigned char* data, unsigned long len);
    // Converts the next chunk of the file; false when no data is left. last: the file's
    // final chunk was converted.
    bool ConvertChunk(bool& last);
    void FillSilence(unsigned char* data, unsigned long len) const;
    bool SizeStages();

    WaveFormatBlock fileFormat_;
    WAVEFORMATEX intermediate_;
    std::vector<BYTE> data_;
    DWORD dataSize_ = 0;
    DWORD readPosition_ = 0;
    DWORD convertFlags_ = 0;
    ACMSTREAMHEADER outputHeader_;
    ACMSTREAMHEADER inputHeader_;
    DWORD sourceSize_ = 0; // stage-one source bytes per conversion
    DWORD rawSize_ = 0;    // stage-two source bytes per conversion
    Stage output_{};
    Stage stageOneSource_{};
    Stage stageTwoSource_{};
    Stage carry_{};
    DWORD carryOffset_ = 0;
    DWORD carryCount_ = 0;
    HACMSTREAM outputStream_ = nullptr;
    HACMSTREAM inputStream_ = nullptr;
};
