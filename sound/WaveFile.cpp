#include "sound/WaveFile.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr FOURCC FourccWave = mmioFOURCC('W', 'A', 'V', 'E');
constexpr FOURCC FourccFmt = mmioFOURCC('f', 'm', 't', ' ');
constexpr FOURCC FourccData = mmioFOURCC('d', 'a', 't', 'a');
constexpr DWORD PlainFormatBytes = 16;

WORD Word(const BYTE* p) {
    return WORD(p[0] | p[1] << 8);
}
DWORD Dword(const BYTE* p) {
    return DWORD(Word(p)) | DWORD(Word(p + 2)) << 16;
}

// Reads the "fmt " chunk the file stands in. A chunk of just the 16 plain bytes carries no
// extra bytes, whatever its format; extra bytes must lie inside the chunk.
int ReadFormat(HMMIO file, const MMCKINFO& chunk, WaveFormatBlock* format) {
    if (chunk.cksize < PlainFormatBytes) return ER_NOTWAVEFILE;
    BYTE plain[PlainFormatBytes];
    if (mmioRead(file, plain, LONG(sizeof plain)) != LONG(sizeof plain)) return ER_CANNOTREAD;
    WAVEFORMATEX record;
    record.wFormatTag = Word(plain);
    record.nChannels = Word(plain + 2);
    record.nSamplesPerSec = Dword(plain + 4);
    record.nAvgBytesPerSec = Dword(plain + 8);
    record.nBlockAlign = Word(plain + 12);
    record.wBitsPerSample = Word(plain + 14);
    if (record.nSamplesPerSec == 0 || record.nAvgBytesPerSec == 0 || record.nBlockAlign == 0)
        return ER_NOTWAVEFILE;
    WORD extraSize = 0;
    if (record.wFormatTag != WAVE_FORMAT_PCM && chunk.cksize >= PlainFormatBytes + 2) {
        BYTE size[2];
        if (mmioRead(file, size, 2) != 2) return ER_CANNOTREAD;
        extraSize = Word(size);
        if (extraSize > chunk.cksize - PlainFormatBytes - 2) return ER_NOTWAVEFILE;
    }
    try {
        *format = WaveFormatBlock(extraSize);
    } catch (const std::bad_alloc&) {
        return ER_MEM;
    }
    record.cbSize = extraSize;
    *format->Format() = record;
    if (extraSize != 0 && mmioRead(file, format->Extra(), extraSize) != extraSize) return ER_NOTWAVEFILE;
    return 0;
}

} // namespace

int OpenWaveFile(const char* name, HMMIO* file, WaveFormatBlock* format, MMCKINFO* riff) {
    format->Clear();
    *file = mmioOpenA(name, nullptr, MMIO_ALLOCBUF | MMIO_READ);
    if (!*file) return ER_CANNOTOPEN;
    int result = int(mmioDescend(*file, riff, nullptr, 0));
    if (result == 0 && (riff->ckid != FOURCC_RIFF || riff->fccType != FourccWave)) result = ER_NOTWAVEFILE;
    MMCKINFO chunk;
    if (result == 0) {
        chunk.ckid = FourccFmt;
        result = int(mmioDescend(*file, &chunk, riff, MMIO_FINDCHUNK));
    }
    if (result == 0) result = ReadFormat(*file, chunk, format);
    if (result == 0) result = int(mmioAscend(*file, &chunk, 0));
    if (result != 0) CloseWaveFile(file, format);
    return result;
}

int SeekWaveData(HMMIO* file, MMCKINFO* data, MMCKINFO* riff) {
    if (mmioSeek(*file, LONG(riff->dwDataOffset + 4), MMIO_SEEK_SET) < 0) return ER_CANNOTREAD;
    data->ckid = FourccData;
    if (mmioDescend(*file, data, riff, MMIO_FINDCHUNK) != 0) return ER_NOTWAVEFILE;
    return 0;
}

int ReadWaveData(HMMIO file, unsigned count, unsigned char* dest, MMCKINFO* data, unsigned* read) {
    *read = 0;
    MMIOINFO info;
    if (int result = int(mmioGetInfo(file, &info, 0)); result != 0) return result;
    count = std::min<unsigned>(count, data->cksize);
    data->cksize -= count;
    unsigned done = 0;
    while (done < count) {
        if (info.pchNext == info.pchEndRead) {
            if (int result = int(mmioAdvance(file, &info, MMIO_READ)); result != 0) return result;
            if (info.pchNext == info.pchEndRead) return ER_CORRUPTWAVEFILE;
        }
        unsigned run = std::min<unsigned>(count - done, unsigned(info.pchEndRead - info.pchNext));
        std::memcpy(dest + done, info.pchNext, run);
        info.pchNext += run;
        done += run;
    }
    if (int result = int(mmioSetInfo(file, &info, 0)); result != 0) return result;
    *read = count;
    return 0;
}

void CloseWaveFile(HMMIO* file, WaveFormatBlock* format) {
    format->Clear();
    if (*file) mmioClose(*file, 0);
    *file = nullptr;
}

int LoadWaveFile(const char* name, unsigned* size, unsigned* samples, WaveFormatBlock* format,
                 std::vector<BYTE>* data) {
    *size = 0;
    *samples = 0;
    data->clear();
    HMMIO file = nullptr;
    MMCKINFO riff;
    MMCKINFO chunk;
    int result = OpenWaveFile(name, &file, format, &riff);
    if (result != 0) return result;
    result = SeekWaveData(&file, &chunk, &riff);
    if (result == 0) {
        // A chunk that claims more bytes than the file holds is corrupt: refuse it before
        // allocating what it claims.
        LONG here = mmioSeek(file, 0, MMIO_SEEK_CUR);
        LONG end = mmioSeek(file, 0, MMIO_SEEK_END);
        if (here < 0 || end < 0 || mmioSeek(file, here, MMIO_SEEK_SET) < 0)
            result = ER_CANNOTREAD;
        else if (chunk.cksize > DWORD(end - here))
            result = ER_CORRUPTWAVEFILE;
    }
    if (result == 0) {
        try {
            data->resize(chunk.cksize);
        } catch (const std::bad_alloc&) {
            result = ER_MEM;
        }
    }
    if (result == 0) result = ReadWaveData(file, chunk.cksize, data->data(), &chunk, size);
    if (result != 0) {
        data->clear();
        data->shrink_to_fit();
        CloseWaveFile(&file, format);
        *size = 0;
        return result;
    }
    mmioClose(file, 0);
    return 0;
}
