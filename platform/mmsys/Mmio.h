#pragma once
// Buffered reading of RIFF files: open a file with an I/O buffer, walk its chunks, and read
// either through calls or straight out of the buffer. Read-only: nothing here writes files.
#include "platform/mmsys/MmResults.h"

using FOURCC = DWORD;
using LONG = std::int32_t;

constexpr FOURCC mmioFOURCC(char a, char b, char c, char d) {
    return DWORD(BYTE(a)) | DWORD(BYTE(b)) << 8 | DWORD(BYTE(c)) << 16 | DWORD(BYTE(d)) << 24;
}

constexpr FOURCC FOURCC_RIFF = mmioFOURCC('R', 'I', 'F', 'F');
constexpr FOURCC FOURCC_LIST = mmioFOURCC('L', 'I', 'S', 'T');

// Open flags.
constexpr DWORD MMIO_READ = 0x0000;
constexpr DWORD MMIO_ALLOCBUF = 0x00010000;
// Descend flags.
constexpr DWORD MMIO_FINDCHUNK = 0x0010;
constexpr DWORD MMIO_FINDRIFF = 0x0020;
constexpr DWORD MMIO_FINDLIST = 0x0040;

constexpr DWORD MMIO_DEFAULTBUFFER = 8192;

// Seek origins.
constexpr int MMIO_SEEK_SET = 0;
constexpr int MMIO_SEEK_CUR = 1;
constexpr int MMIO_SEEK_END = 2;

constexpr MMRESULT MMIOERR_FILENOTFOUND = 257;
constexpr MMRESULT MMIOERR_OUTOFMEMORY = 258;
constexpr MMRESULT MMIOERR_CANNOTOPEN = 259;
constexpr MMRESULT MMIOERR_CANNOTREAD = 261;
constexpr MMRESULT MMIOERR_CANNOTSEEK = 263;
constexpr MMRESULT MMIOERR_CHUNKNOTFOUND = 265;
constexpr MMRESULT MMIOERR_UNBUFFERED = 266;

struct MmioFile;
using HMMIO = MmioFile*;

// A chunk found by mmioDescend. For "RIFF" and "LIST" chunks dwDataOffset is the offset of
// the form type, and the file stands just after it.
struct MMCKINFO {
    FOURCC ckid = 0;
    DWORD cksize = 0;
    FOURCC fccType = 0;
    DWORD dwDataOffset = 0;
    DWORD dwFlags = 0;
};

// A view of the I/O buffer for reading bytes directly: bytes from pchNext up to pchEndRead are
// the file's next bytes; lBufOffset is the file offset of pchBuffer.
struct MMIOINFO {
    DWORD dwFlags = 0;
    LONG cchBuffer = 0;
    BYTE* pchBuffer = nullptr;
    BYTE* pchNext = nullptr;
    BYTE* pchEndRead = nullptr;
    LONG lBufOffset = 0;
    LONG lDiskOffset = 0;
    MMRESULT wErrorRet = 0;
    HMMIO hmmio = nullptr;
};

// Opens name (a program path: '\' separators, any letter case) for buffered reading; null
// when it cannot be opened, with the reason in info->wErrorRet when info is given.
HMMIO mmioOpenA(const char* name, MMIOINFO* info, DWORD flags);
MMRESULT mmioClose(HMMIO file, DWORD flags);
// Bytes read (0 at the end of the file), -1 on failure.
LONG mmioRead(HMMIO file, void* dest, LONG count);
// New offset from the start of the file, -1 on failure. Offsets past the end are allowed;
// reading there gives nothing.
LONG mmioSeek(HMMIO file, LONG offset, int origin);
MMRESULT mmioDescend(HMMIO file, MMCKINFO* chunk, const MMCKINFO* parent, DWORD flags);
MMRESULT mmioAscend(HMMIO file, MMCKINFO* chunk, DWORD flags);
MMRESULT mmioGetInfo(HMMIO file, MMIOINFO* info, DWORD flags);
MMRESULT mmioSetInfo(HMMIO file, const MMIOINFO* info, DWORD flags);
// Takes info's pchNext as the file position and refills the buffer from there.
MMRESULT mmioAdvance(HMMIO file, MMIOINFO* info, DWORD flags);
