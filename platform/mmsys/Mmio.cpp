#include "platform/mmsys/Mmio.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/files/PathResolver.h"

struct MmioFile {
    std::FILE* stream = nullptr;
    std::vector<BYTE> buffer;
    long bufferOffset = 0; // file offset of buffer[0]
    std::size_t next = 0;  // index of the next byte to hand out
    std::size_t filled = 0;

    long Position() const { return bufferOffset + long(next); }

    // Refills the buffer from the file offset position; false when the file cannot be read.
    bool FillAt(long position) {
        next = 0;
        filled = 0;
        bufferOffset = position;
        if (std::fseek(stream, position, SEEK_SET) != 0) return false;
        filled = std::fread(buffer.data(), 1, buffer.size(), stream);
        return !std::ferror(stream);
    }

    long Size() const {
        long here = std::ftell(stream);
        std::fseek(stream, 0, SEEK_END);
        long size = std::ftell(stream);
        std::fseek(stream, here, SEEK_SET);
        return size;
    }
};

HMMIO mmioOpenA(const char* name, MMIOINFO* info, DWORD flags) {
    auto fail = [info](MMRESULT code) -> HMMIO {
        if (info) info->wErrorRet = code;
        return nullptr;
    };
    if (!name || !*name) return fail(MMIOERR_FILENOTFOUND);
    std::FILE* stream = OpenRegularFile(name).release();
    if (!stream) return fail(MMIOERR_CANNOTOPEN);
    std::unique_ptr<MmioFile> file;
    try {
        file = std::make_unique<MmioFile>();
        file->buffer.resize(MMIO_DEFAULTBUFFER);
    } catch (const std::bad_alloc&) {
        std::fclose(stream);
        return fail(MMIOERR_OUTOFMEMORY);
    }
    file->stream = stream;
    if (info) info->wErrorRet = MMSYSERR_NOERROR;
    return file.release();
}

MMRESULT mmioClose(HMMIO file, DWORD) {
    if (!file) return MMSYSERR_INVALPARAM;
    std::unique_ptr<MmioFile> owned(file);
    std::fclose(owned->stream);
    return MMSYSERR_NOERROR;
}

LONG mmioRead(HMMIO file, void* dest, LONG count) {
    if (!file || count < 0) return -1;
    auto* out = static_cast<BYTE*>(dest);
    LONG done = 0;
    while (done < count) {
        if (file->next == file->filled) {
            if (!file->FillAt(file->Position())) return -1;
            if (file->filled == 0) break;
        }
        std::size_t take = std::min<std::size_t>(file->filled - file->next, std::size_t(count - done));
        std::copy_n(file->buffer.data() + file->next, take, out + done);
        file->next += take;
        done += LONG(take);
    }
    return done;
}

LONG mmioSeek(HMMIO file, LONG offset, int origin) {
    if (!file) return -1;
    long base = 0;
    if (origin == MMIO_SEEK_CUR)
        base = file->Position();
    else if (origin == MMIO_SEEK_END)
        base = file->Size();
    else if (origin != MMIO_SEEK_SET)
        return -1;
    long long target = (long long)base + offset;
    if (target < 0 || target > 0x7FFFFFFF) return -1;
    if (target >= file->bufferOffset && target <= file->bufferOffset + long(file->filled)) {
        file->next = std::size_t(target - file->bufferOffset);
    } else {
        file->bufferOffset = long(target);
        file->next = file->filled = 0;
    }
    return LONG(target);
}

namespace {

bool ReadDword(HMMIO file, DWORD& value) {
    BYTE bytes[4];
    if (mmioRead(file, bytes, 4) != 4) return false;
    value = DWORD(bytes[0]) | DWORD(bytes[1]) << 8 | DWORD(bytes[2]) << 16 | DWORD(bytes[3]) << 24;
    return true;
}

bool Matches(const MMCKINFO& found, const MMCKINFO& wanted, DWORD flags) {
    if (flags & MMIO_FINDCHUNK) return found.ckid == wanted.ckid;
    if (flags & MMIO_FINDRIFF) return found.ckid == FOURCC_RIFF && found.fccType == wanted.fccType;
    if (flags & MMIO_FINDLIST) return found.ckid == FOURCC_LIST && found.fccType == wanted.fccType;
    return true;
}

long long ChunkEnd(const MMCKINFO& chunk) {
    return (long long)chunk.dwDataOffset + chunk.cksize + (chunk.cksize & 1);
}

} // namespace

MMRESULT mmioDescend(HMMIO file, MMCKINFO* chunk, const MMCKINFO* parent, DWORD flags) {
    if (!file || !chunk) return MMSYSERR_INVALPARAM;
    long long limit = parent ? (long long)parent->dwDataOffset + parent->cksize : 0x7FFFFFFF;
    for (;;) {
        long long start = file->Position();
        if (start + 8 > limit) return MMIOERR_CHUNKNOTFOUND;
        MMCKINFO found;
        if (!ReadDword(file, found.ckid) || !ReadDword(file, found.cksize)) return MMIOERR_CHUNKNOTFOUND;
        found.dwDataOffset = DWORD(start + 8);
        bool hasType = found.ckid == FOURCC_RIFF || found.ckid == FOURCC_LIST;
        if (hasType && !ReadDword(file, found.fccType)) return MMIOERR_CHUNKNOTFOUND;
        if (Matches(found, *chunk, flags)) {
            *chunk = found;
            return MMSYSERR_NOERROR;
        }
        long long next = ChunkEnd(found);
        if (next > 0x7FFFFFFF || mmioSeek(file, LONG(next), MMIO_SEEK_SET) < 0) return MMIOERR_CHUNKNOTFOUND;
    }
}

MMRESULT mmioAscend(HMMIO file, MMCKINFO* chunk, DWORD) {
    if (!file || !chunk) return MMSYSERR_INVALPARAM;
    long long end = ChunkEnd(*chunk);
    if (end > 0x7FFFFFFF || mmioSeek(file, LONG(end), MMIO_SEEK_SET) < 0) return MMIOERR_CANNOTSEEK;
    return MMSYSERR_NOERROR;
}

MMRESULT mmioGetInfo(HMMIO file, MMIOINFO* info, DWORD) {
    if (!file || !info) return MMSYSERR_INVALPARAM;
    info->dwFlags = MMIO_ALLOCBUF;
    info->cchBuffer = LONG(file->buffer.size());
    info->pchBuffer = file->buffer.data();
    info->pchNext = file->buffer.data() + file->next;
    info->pchEndRead = file->buffer.data() + file->filled;
    info->lBufOffset = LONG(file->bufferOffset);
    info->lDiskOffset = LONG(file->bufferOffset + long(file->filled));
    info->wErrorRet = MMSYSERR_NOERROR;
    info->hmmio = file;
    return MMSYSERR_NOERROR;
}

MMRESULT mmioSetInfo(HMMIO file, const MMIOINFO* info, DWORD) {
    if (!file || !info || info->pchNext < file->buffer.data() ||
        info->pchNext > file->buffer.data() + file->filled)
        return MMSYSERR_INVALPARAM;
    file->next = std::size_t(info->pchNext - file->buffer.data());
    return MMSYSERR_NOERROR;
}

MMRESULT mmioAdvance(HMMIO file, MMIOINFO* info, DWORD) {
    if (!file) return MMSYSERR_INVALPARAM;
    if (info && mmioSetInfo(file, info, 0) != MMSYSERR_NOERROR) return MMSYSERR_INVALPARAM;
    if (!file->FillAt(file->Position())) return MMIOERR_CANNOTREAD;
    if (info) mmioGetInfo(file, info, 0);
    return MMSYSERR_NOERROR;
}
