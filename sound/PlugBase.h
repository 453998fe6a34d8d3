#pragma once
// TSndPlayPlug: the player plug-in contract. A plug-in decodes one kind of sound file into
// PCM blocks of the output format for an output engine, which tries its plug-ins in
// component order and keeps the first whose Init accepts the file.
#include "platform/dsound/WaveFormat.h"
#include "platform/framework/Classes.h"

#include <string>

// A position travels in the plug-in's own units; the engine fills the ring fields.
struct SND_POSITION {
    DWORD dwBuffersCount = 0;
    DWORD dwBufferSize = 0;
    DWORD dwReserved1 = 0;
    DWORD dwReserved2 = 0;
    DWORD dwLength = 0;
    DWORD dwPosition = 0;
    DWORD dwUnitsPerSec = 0;
};

struct SND_FILE_INFO {
    char szTitle[256] = {};
    char szFormat[256] = {};
    char szShortFormat[64] = {};
    char szTime[16] = {};
    char szSize[16] = {};
    // The raw ID3v1 tag from the file's last 128 bytes, or all zero.
    unsigned char Tag[128] = {};
};

// Offsets of the ID3v1 fields inside SND_FILE_INFO::Tag.
namespace Id3v1 {
constexpr int Title = 3;
constexpr int Artist = 33;
constexpr int Album = 63;
constexpr int Year = 93;
constexpr int Comment = 97;
constexpr int Genre = 127;
constexpr int FieldLength = 30;
constexpr int Size = 128;
} // namespace Id3v1

class TSndPlayPlug : public TComponent {
    VX_CLASS(TSndPlayPlug, TComponent)
public:
    explicit TSndPlayPlug(TComponent* owner);

    virtual void SetChannels(unsigned short channels);
    virtual void SetBitsPerSample(unsigned short bits);
    virtual void SetSamplesPerSec(unsigned long rate);
    // One line naming the supported file types, for the engine's "not supported" message.
    virtual std::string GetSupportTypes() = 0;
    // Opens FileName and prepares decoding from the start; false: cannot play the file.
    virtual bool Init() = 0;
    // Rewinds to the start of the data.
    virtual void Reset() = 0;
    // Drops everything loaded.
    virtual void Release() = 0;
    // Fills exactly len bytes in the output format; false when the data ended inside or
    // before this block (the rest is then silence: 0x80 for 8-bit output, 0 for 16-bit).
    virtual bool Process(unsigned char* data, unsigned long len) = 0;
    virtual void GetPosition(SND_POSITION* position) = 0;
    virtual void SetPosition(SND_POSITION* position) = 0;
    // Describes any file of this plug-in's kind without disturbing playback.
    virtual bool GetFileInfo(const std::string& fileName, SND_FILE_INFO* info) = 0;

    // Reads the ID3v1 tag at the end of fileName into info->Tag and builds info->szTitle.
    bool GetMP3Info(const std::string& fileName, SND_FILE_INFO* info);
    // Terminates a tag text field of n bytes in place, trimming trailing blanks.
    static void FixTagString(char* s, int n);

    // The PCM format Process must produce; written by the engine before Init.
    WAVEFORMATEX Format;
    // The file to play; written by the engine directly before Init.
    std::string FileName;

protected:
    // The first call in the destructor of every concrete plug-in: an engine that plays it
    // drops it (switching off and waiting for a block in progress) while all of it still
    // exists, instead of from the base destructor, after the events thread may have called
    // a Process that is no longer there.
    void Withdraw() { SendFreeNotifications(); }
};
