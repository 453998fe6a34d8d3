#include "platform/mmsys/Acm.h"

#include <cstdio>
#include <memory>
#include <new>

#include "platform/mmsys/AcmCodec.h"
#include "platform/mmsys/AcmFormats.h"
#include "platform/mmsys/AcmPcm.h"

// A stream is one stage: PCM to PCM through the converter, or compressed data to 16-bit PCM
// at the same rate and channel count through the decoder.
struct AcmStream {
    std::unique_ptr<AcmPcmConverter> converter;
    std::unique_ptr<AcmCodecDecoder> decoder;
};

namespace {

// The record and its extra bytes, when it claims some. Callers of the stream functions hand
// formats that are followed by their cbSize bytes.
WaveFormatBlock CopyFormat(const WAVEFORMATEX& format) {
    const auto* extra = reinterpret_cast<const BYTE*>(&format) + WAVEFORMATEX_SIZE;
    return format.wFormatTag == WAVE_FORMAT_PCM ? WaveFormatBlock(format) : WaveFormatBlock(format, extra);
}

std::size_t RecordSize(const WAVEFORMATEX& format) {
    return format.wFormatTag == WAVE_FORMAT_PCM ? WAVEFORMATEX_SIZE : WAVEFORMATEX_SIZE + format.cbSize;
}

bool IsDecoderOutput(const WAVEFORMATEX& source, const WAVEFORMATEX& destination) {
    return IsPcmOutput(destination) && destination.wBitsPerSample == 16 &&
           destination.nChannels == source.nChannels && destination.nSamplesPerSec == source.nSamplesPerSec;
}

MMRESULT MakeStream(const WAVEFORMATEX& source, const WAVEFORMATEX& destination,
                    std::unique_ptr<AcmStream>& out) {
    auto stream = std::make_unique<AcmStream>();
    const SampleLayout layout = LinearSampleLayout(source, RecordSize(source));
    if (layout.coding != SampleCoding::None && IsPcmOutput(destination)) {
        stream->converter = std::make_unique<AcmPcmConverter>(source, layout, destination);
    } else if (layout.coding == SampleCoding::None && IsDecoderOutput(source, destination)) {
        WaveFormatBlock format = CopyFormat(source);
        if (DecodableLayout(*format.Format(), format.Size()).blockBytes == 0) return ACMERR_NOTPOSSIBLE;
        stream->decoder = std::make_unique<AcmCodecDecoder>(format);
        if (!stream->decoder->Usable()) return ACMERR_NOTPOSSIBLE;
    } else {
        return ACMERR_NOTPOSSIBLE;
    }
    out = std::move(stream);
    return MMSYSERR_NOERROR;
}

void CopyText(char* out, std::size_t size, const char* text) {
    std::snprintf(out, size, "%s", text);
}

} // namespace

MMRESULT acmStreamOpen(HACMSTREAM* stream, HACMDRIVER, const WAVEFORMATEX* source,
                       const WAVEFORMATEX* destination, void*, DWORD_PTR, DWORD_PTR, DWORD flags) {
    if (!source || !destination || (!stream && !(flags & ACM_STREAMOPENF_QUERY))) return MMSYSERR_INVALPARAM;
    if (stream) *stream = nullptr;
    std::unique_ptr<AcmStream> made;
    try {
        MMRESULT result = MakeStream(*source, *destination, made);
        if (result != MMSYSERR_NOERROR || (flags & ACM_STREAMOPENF_QUERY)) return result;
    } catch (const std::bad_alloc&) {
        return MMSYSERR_NOMEM;
    }
    *stream = made.release();
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamClose(HACMSTREAM stream, DWORD) {
    if (!stream) return MMSYSERR_INVALHANDLE;
    std::unique_ptr<AcmStream> owned(stream);
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamSize(HACMSTREAM stream, DWORD input, DWORD* output, DWORD flags) {
    if (!stream) return MMSYSERR_INVALHANDLE;
    if (!output || flags > ACM_STREAMSIZEF_DESTINATION) return MMSYSERR_INVALPARAM;
    bool toSource = flags == ACM_STREAMSIZEF_DESTINATION;
    unsigned long long size = 0;
    if (stream->converter)
        size = toSource ? stream->converter->SourceSize(input) : stream->converter->DestinationSize(input);
    else
        size = toSource ? stream->decoder->SourceSize(input) : stream->decoder->DestinationSize(input);
    if (size == 0 || size > 0xFFFFFFFFull) return ACMERR_NOTPOSSIBLE;
    *output = DWORD(size);
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamPrepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header, DWORD) {
    if (!stream) return MMSYSERR_INVALHANDLE;
    if (!header || !header->pbSrc || !header->pbDst) return MMSYSERR_INVALPARAM;
    header->fdwStatus |= ACMSTREAMHEADER_STATUSF_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamUnprepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header, DWORD) {
    if (!stream) return MMSYSERR_INVALHANDLE;
    if (!header) return MMSYSERR_INVALPARAM;
    if (!(header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED)) return ACMERR_UNPREPARED;
    header->fdwStatus &= ~(ACMSTREAMHEADER_STATUSF_PREPARED | ACMSTREAMHEADER_STATUSF_DONE);
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamConvert(HACMSTREAM stream, ACMSTREAMHEADER* header, DWORD flags) {
    if (!stream) return MMSYSERR_INVALHANDLE;
    if (!header) return MMSYSERR_INVALPARAM;
    if (!(header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED)) return ACMERR_UNPREPARED;
    header->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_DONE;
    if (stream->converter) {
        if (flags & ACM_STREAMCONVERTF_START) stream->converter->Reset();
        auto result = stream->converter->Convert(header->pbSrc, header->cbSrcLength, header->pbDst,
                                                 header->cbDstLength);
        header->cbSrcLengthUsed = DWORD(result.sourceUsed);
        header->cbDstLengthUsed = DWORD(result.destinationUsed);
    } else {
        if (flags & ACM_STREAMCONVERTF_START) stream->decoder->Reset();
        auto result =
            stream->decoder->Decode(header->pbSrc, header->cbSrcLength, header->pbDst, header->cbDstLength);
        header->cbSrcLengthUsed = DWORD(result.sourceUsed);
        header->cbDstLengthUsed = DWORD(result.destinationUsed);
        if (result.failed) return MMSYSERR_ERROR;
    }
    header->fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
    return MMSYSERR_NOERROR;
}

MMRESULT acmFormatDetailsA(HACMDRIVER, ACMFORMATDETAILSA* details, DWORD flags) {
    if (!details || !details->pwfx || flags != ACM_FORMATDETAILSF_FORMAT || details->cbwfx < 16)
        return MMSYSERR_INVALPARAM;
    const WAVEFORMATEX& format = *details->pwfx;
    const bool readable = LinearSampleLayout(format, details->cbwfx).coding != SampleCoding::None ||
                          DecodableLayout(format, details->cbwfx).blockBytes != 0;
    if (!readable) return ACMERR_NOTPOSSIBLE;
    details->dwFormatTag = format.wFormatTag;
    CopyText(details->szFormat, sizeof details->szFormat, DescribeWaveFormat(format).c_str());
    return MMSYSERR_NOERROR;
}

MMRESULT acmFormatTagDetailsA(HACMDRIVER, ACMFORMATTAGDETAILSA* details, DWORD flags) {
    if (!details || flags != ACM_FORMATTAGDETAILSF_FORMATTAG) return MMSYSERR_INVALPARAM;
    const char* name = AcmFormatTagName(WORD(details->dwFormatTag));
    if (!name) return ACMERR_NOTPOSSIBLE;
    CopyText(details->szFormatTag, sizeof details->szFormatTag, name);
    return MMSYSERR_NOERROR;
}
