// PCX version 5 files, run-length coded, 8 bits per plane: one plane with the palette
// block at the end, or three colour planes. Pixels are written straight into the locked
// surface, in 8, 16 or 32 bits per pixel.
#include "graphics/ImageFile.h"
#include "graphics/ImageLoaders.h"

#include "platform/ddraw/PixelOps.h"
#include "platform/files/PathResolver.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

namespace {

constexpr long kHeaderSize = 128;
constexpr long kMinFileSize = 896; // header plus palette block
constexpr std::size_t kChunk = 65520;

using File = FilePtr;

File openOrRaise(const std::string& name) {
    File file(OpenImageFile(name));
    if (!file) RaiseFileOpenError(name);
    return file;
}

long fileSize(std::FILE* f) {
    if (std::fseek(f, 0, SEEK_END) != 0) return -1;
    long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    return size;
}

struct PcxHeader {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    int planes = 0;
    int bytesPerLine = 0;
};

int word(const BYTE* p) {
    return p[0] | p[1] << 8;
}

// Reads and checks the header; false for a short file or a wrong signature.
bool readHeader(std::FILE* f, PcxHeader& header) {
    BYTE raw[kHeaderSize];
    if (std::fread(raw, 1, kHeaderSize, f) != std::size_t(kHeaderSize)) return false;
    if (raw[0] != 0x0A || raw[1] != 5 || raw[2] != 1) return false;
    header.width = word(raw + 8) - word(raw + 4) + 1;
    header.height = word(raw + 10) - word(raw + 6) + 1;
    header.bitsPerPixel = raw[3];
    header.planes = raw[65];
    header.bytesPerLine = word(raw + 66);
    return true;
}

// The run-length decoded byte stream of the image data.
class RunLengthReader {
public:
    explicit RunLengthReader(std::FILE* f) : file_(f), buffer_(kChunk) {}
    // False when the data ends.
    bool next(BYTE& value) {
        if (repeat_ > 0) {
            --repeat_;
            value = value_;
            return true;
        }
        BYTE b;
        if (!raw(b)) return false;
        if (b > 0xC0) {
            int count = b - 0xC0;
            if (!raw(value_)) return false;
            repeat_ = count - 1;
            value = value_;
            return true;
        }
        value = b;
        return true;
    }

private:
    bool raw(BYTE& b) {
        if (pos_ == filled_) {
            filled_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
            pos_ = 0;
            if (filled_ == 0) return false;
        }
        b = buffer_[pos_++];
        return true;
    }

    std::FILE* file_;
    std::vector<BYTE> buffer_;
    std::size_t filled_ = 0;
    std::size_t pos_ = 0;
    int repeat_ = 0;
    BYTE value_ = 0;
};

// The nearest-colour table of a display palette. The display's palette seldom changes, so the
// table of the last one is kept for the next picture (loads run on the GUI thread and, after
// a surface loss, on the frame thread).
std::shared_ptr<const pixelops::NearestColorTable> nearestColorsOf(const PALETTEENTRY* palette) {
    static std::mutex lock; // guards the two below
    static std::array<PALETTEENTRY, 256> lastPalette;
    static std::shared_ptr<const pixelops::NearestColorTable> lastTable;
    std::lock_guard guard(lock);
    if (!lastTable || !std::equal(palette, palette + 256, lastPalette.begin())) {
        std::copy(palette, palette + 256, lastPalette.begin());
        lastTable = std::make_shared<const pixelops::NearestColorTable>(palette);
    }
    return lastTable;
}

// Turns decoded colours into pixel values of the surface's depth. In 8 bits a colour takes
// the display palette entry nearest to it; a three-plane picture may hold millions of
// colours, so those go through a table.
class PixelPacker {
public:
    PixelPacker(int bpp, const PALETTEENTRY* displayPalette, bool manyColours) : bpp_(bpp) {
        if (!displayPalette) return;
        display_.assign(displayPalette, displayPalette + 256);
        if (manyColours) table_ = nearestColorsOf(displayPalette);
    }
    DWORD pack(BYTE r, BYTE g, BYTE b) const {
        if (bpp_ == 16) return DWORD((r & 0xF8) << 8 | (g & 0xFC) << 3 | b >> 3);
        if (bpp_ == 32) return DWORD(r) << 16 | DWORD(g) << 8 | b;
        if (table_) return table_->Nearest(r, g, b);
        return display_.empty() ? 0 : pixelops::NearestPaletteIndex(display_.data(), r, g, b);
    }

private:
    int bpp_;
    std::vector<PALETTEENTRY> display_;
    std::shared_ptr<const pixelops::NearestColorTable> table_;
};

void storePixel(BYTE* address, int bpp, DWORD value) {
    if (bpp == 8)
        *address = BYTE(value);
    else if (bpp == 16)
        *reinterpret_cast<WORD*>(address) = WORD(value);
    else
        *reinterpret_cast<DWORD*>(address) = value;
}

struct Window {
    int sourceX, sourceY, width, height, destX, destY;
};

bool decodeRows(std::FILE* f, const PcxHeader& header, const BYTE* filePalette, const DDSURFACEDESC2& desc,
                const Window& w, const PixelPacker& packer) {
    const int bpp = int(desc.ddpfPixelFormat.dwRGBBitCount);
    const int bytesPerPixel = bpp / 8;
    auto* base = static_cast<BYTE*>(desc.lpSurface);
    std::array<DWORD, 256> indexed{};
    if (header.planes == 1)
        for (int i = 0; i < 256; ++i)
            indexed[i] = packer.pack(filePalette[3 * i], filePalette[3 * i + 1], filePalette[3 * i + 2]);
    std::vector<BYTE> planeBytes(std::size_t(header.bytesPerLine) * 3);
    RunLengthReader reader(f);
    for (int r = 0; r < w.sourceY + w.height; ++r) {
        for (int p = 0; p < header.planes; ++p) {
            for (int c = 0; c < header.bytesPerLine; ++c) {
                BYTE value;
                if (!reader.next(value)) return false;
                if (header.planes == 3) planeBytes[std::size_t(p) * header.bytesPerLine + c] = value;
                bool inside = c >= w.sourceX && c < w.sourceX + w.width && r >= w.sourceY;
                if (!inside) continue;
                BYTE* address = base + std::ptrdiff_t(w.destY + r - w.sourceY) * desc.lPitch +
                                std::ptrdiff_t(w.destX + c - w.sourceX) * bytesPerPixel;
                if (header.planes == 1) {
                    storePixel(address, bpp, indexed[value]);
                } else if (p == 2) {
                    const BYTE* rgb = planeBytes.data() + c;
                    storePixel(address, bpp,
                               packer.pack(rgb[0], rgb[header.bytesPerLine], rgb[2 * header.bytesPerLine]));
                }
            }
        }
    }
    return true;
}

} // namespace

bool ReadPcxPalette(const std::string& name, BYTE palette[768]) {
    File file = openOrRaise(name);
    long size = fileSize(file.get());
    if (size <= kMinFileSize || std::fseek(file.get(), size - 769, SEEK_SET) != 0) return false;
    int marker = std::fgetc(file.get());
    return marker == 0x0C && std::fread(palette, 1, 768, file.get()) == 768;
}

bool DecodePcxImage(IDirectDrawSurface7* surface, int destX, int destY, const std::string& name, int sourceX,
                    int sourceY, int width, int height) {
    if (!surface) return false;
    File file = openOrRaise(name);
    PcxHeader header;
    if (fileSize(file.get()) < kMinFileSize || !readHeader(file.get(), header)) return false;
    if (header.width < 1 || header.height < 1 || sourceX < 0 || sourceY < 0 || destX < 0 || destY < 0)
        return false;
    if (width < 1 || sourceX + width > header.width) width = header.width - sourceX;
    if (height < 1 || sourceY + height > header.height) height = header.height - sourceY;
    if (header.bitsPerPixel != 8 || (header.planes != 1 && header.planes != 3)) return false;
    BYTE filePalette[768] = {};
    if (header.planes == 1 && !ReadPcxPalette(name, filePalette)) return false;
    DDSURFACEDESC2 desc;
    if (FAILED(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr))) return false;
    const int bpp = int(desc.ddpfPixelFormat.dwRGBBitCount);
    width = std::min(width, int(desc.dwWidth) - destX);
    height = std::min(height, int(desc.dwHeight) - destY);
    // Columns past the end of a plane line never hold pixels.
    width = std::min(width, header.bytesPerLine - sourceX);
    bool drawn = true;
    if (width > 0 && height > 0 && (bpp == 8 || bpp == 16 || bpp == 32)) {
        PALETTEENTRY display[256];
        bool indexed = bpp == 8 && SUCCEEDED(surface->GetDisplayPalette(display));
        PixelPacker packer(bpp, indexed ? display : nullptr, header.planes == 3);
        std::fseek(file.get(), kHeaderSize, SEEK_SET);
        drawn = decodeRows(file.get(), header, filePalette, desc,
                           Window{sourceX, sourceY, width, height, destX, destY}, packer);
    }
    surface->Unlock(nullptr);
    return drawn;
}

IDirectDrawSurface7* LoadPcxSurface(IDirectDraw7* directDraw, const std::string& name, int width,
                                    int height) {
    if (!directDraw) return nullptr;
    if (width == 0 || height == 0) {
        File file = openOrRaise(name);
        PcxHeader header;
        if (fileSize(file.get()) < kMinFileSize || !readHeader(file.get(), header)) return nullptr;
        if (width == 0) width = header.width;
        if (height == 0) height = header.height;
    }
    if (width < 1 || height < 1) return nullptr;
    DDSURFACEDESC2 desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    desc.dwWidth = DWORD(width);
    desc.dwHeight = DWORD(height);
    IDirectDrawSurface7* surface = nullptr;
    if (FAILED(directDraw->CreateSurface(&desc, &surface, nullptr))) return nullptr;
    DecodePcxImage(surface, 0, 0, name, 0, 0, 0, 0);
    return surface;
}

bool ReloadPcxSurface(IDirectDrawSurface7* surface, const std::string& name) {
    return DecodePcxImage(surface, 0, 0, name, 0, 0, 0, 0);
}
