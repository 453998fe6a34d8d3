#pragma once
// The compression manager: describes the wave formats it knows and converts wave data between
// them in chunks. It converts PCM to PCM (sample width, channel count and rate) and decodes
// A-law, u-law, IMA ADPCM, ADPCM and GSM 6.10 to 16-bit PCM at the data's own rate and channel
// count. MPEG data is not among its formats; the MPEG player decodes that itself.
#include "platform/mmsys/Mmio.h"
#include "platform/mmsys/WaveFormat.h"

struct AcmStream;
using HACMSTREAM = AcmStream*;
using HACMDRIVER = void*;
using DWORD_PTR = std::uintptr_t;

constexpr MMRESULT ACMERR_NOTPOSSIBLE = 512;
constexpr MMRESULT ACMERR_UNPREPARED = 514;

constexpr DWORD ACM_STREAMOPENF_QUERY = 0x00000001;
constexpr DWORD ACM_STREAMSIZEF_SOURCE = 0x00000000;
constexpr DWORD ACM_STREAMSIZEF_DESTINATION = 0x00000001;
constexpr DWORD ACM_STREAMCONVERTF_BLOCKALIGN = 0x00000004;
constexpr DWORD ACM_STREAMCONVERTF_START = 0x00000010;
constexpr DWORD ACM_STREAMCONVERTF_END = 0x00000020;
constexpr DWORD ACMSTREAMHEADER_STATUSF_DONE = 0x00010000;
constexpr DWORD ACMSTREAMHEADER_STATUSF_PREPARED = 0x00020000;
constexpr DWORD ACM_FORMATDETAILSF_FORMAT = 0x00000001;
constexpr DWORD ACM_FORMATTAGDETAILSF_FORMATTAG = 0x00000001;

constexpr int ACMFORMATDETAILS_FORMAT_CHARS = 128;
constexpr int ACMFORMATTAGDETAILS_FORMATTAG_CHARS = 48;

// One conversion: the caller fills the source and destination; the stream reports how much
// of each it used.
struct ACMSTREAMHEADER {
    DWORD cbStruct = sizeof(ACMSTREAMHEADER);
    DWORD fdwStatus = 0;
    BYTE* pbSrc = nullptr;
    DWORD cbSrcLength = 0;
    DWORD cbSrcLengthUsed = 0;
    BYTE* pbDst = nullptr;
    DWORD cbDstLength = 0;
    DWORD cbDstLengthUsed = 0;
};

struct ACMFORMATDETAILSA {
    DWORD cbStruct = sizeof(ACMFORMATDETAILSA);
    DWORD dwFormatIndex = 0;
    DWORD dwFormatTag = 0;
    DWORD fdwSupport = 0;
    const WAVEFORMATEX* pwfx = nullptr; // the record, followed by its cbSize extra bytes
    DWORD cbwfx = 0;
    char szFormat[ACMFORMATDETAILS_FORMAT_CHARS] = {};
};

struct ACMFORMATTAGDETAILSA {
    DWORD cbStruct = sizeof(ACMFORMATTAGDETAILSA);
    DWORD dwFormatTagIndex = 0;
    DWORD dwFormatTag = 0;
    DWORD cbFormatSize = 0;
    DWORD fdwSupport = 0;
    DWORD cStandardFormats = 0;
    char szFormatTag[ACMFORMATTAGDETAILS_FORMATTAG_CHARS] = {};
};

// Opens a stream from source to destination (each a record followed by its extra bytes).
// With ACM_STREAMOPENF_QUERY only answers whether the conversion is possible (stream may be
// null). ACMERR_NOTPOSSIBLE when no converter does it in one stage.
MMRESULT acmStreamOpen(HACMSTREAM* stream, HACMDRIVER driver, const WAVEFORMATEX* source,
                       const WAVEFORMATEX* destination, void* filter, DWORD_PTR callback, DWORD_PTR instance,
                       DWORD flags);
MMRESULT acmStreamClose(HACMSTREAM stream, DWORD flags);
// ACM_STREAMSIZEF_SOURCE: the destination bytes that input bytes can fill at most.
// ACM_STREAMSIZEF_DESTINATION: the source bytes whose conversion fits in input bytes.
MMRESULT acmStreamSize(HACMSTREAM stream, DWORD input, DWORD* output, DWORD flags);
MMRESULT acmStreamPrepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header, DWORD flags);
MMRESULT acmStreamUnprepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header, DWORD flags);
// Converts the header's source into its destination. START drops what the stream carried from
// earlier chunks; BLOCKALIGN (and END) convert whole source blocks only.
MMRESULT acmStreamConvert(HACMSTREAM stream, ACMSTREAMHEADER* header, DWORD flags);
// The description of a format ("22050 Hz, 16 Bit, Stereo"); fails for a format no converter
// reads.
MMRESULT acmFormatDetailsA(HACMDRIVER driver, ACMFORMATDETAILSA* details, DWORD flags);
// The name of a format tag ("IMA ADPCM").
MMRESULT acmFormatTagDetailsA(HACMDRIVER driver, ACMFORMATTAGDETAILSA* details, DWORD flags);
