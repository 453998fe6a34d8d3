#include "sound/Plug_MOD.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "platform/files/PathResolver.h"
#include "platform/framework/Published.h"
#include "sound/Sndutils.h"

namespace {

const bool modPublished = RegisterPublishedClass("TSndMOD", "TSndPlayPlug", {});

// Hundredths of a second one order entry lasts at speed 6 and 50 ticks a second.
constexpr int HundredthsPerOrder = 38400 / 50;

// The whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& name, std::vector<BYTE>& bytes) {
    FilePtr file = OpenRegularFile(name);
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) return false;
    long size = std::ftell(file.get());
    if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) return false;
    try {
        bytes.resize(std::size_t(size));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return std::fread(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
}

void Silence(unsigned char* data, unsigned long len, WORD bits) {
    std::memset(data, bits == 8 ? 0x80 : 0, len);
}

} // namespace

TSndMOD::TSndMOD(TComponent* owner) : TSndPlayPlug(owner) {}

TSndMOD::~TSndMOD() {
    Withdraw();
    Release();
}

void TSndMOD::SetSamplesPerSec(unsigned long rate) {
    TSndPlayPlug::SetSamplesPerSec(rate);
    player_.InitFreq(Format.nSamplesPerSec);
}

std::string TSndMOD::GetSupportTypes() {
    return "Amiga MOD 15-instrument/Pro/Star/FastTracker";
}

bool TSndMOD::Init() {
    bool result = !FileName.empty() && LoadFile();
    Reset();
    return result;
}

bool TSndMOD::LoadFile() {
    Release();
    std::vector<BYTE> bytes;
    if (!ReadWholeFile(FileName, bytes)) return false;
    loaded_ = ModLoad(bytes.data(), bytes.size(), module_);
    return loaded_;
}

void TSndMOD::Reset() {
    player_.InitFreq(Format.nSamplesPerSec);
    if (loaded_) player_.Reset();
}

void TSndMOD::Release() {
    if (loaded_) module_ = TModModule();
    loaded_ = false;
}

bool TSndMOD::Process(unsigned char* data, unsigned long len) {
    if (!loaded_) {
        Silence(data, len, Format.wBitsPerSample);
        return true;
    }
    return player_.Render(data, DWORD(len), Format.wBitsPerSample, Format.nChannels);
}

void TSndMOD::GetPosition(SND_POSITION* position) {
    if (!loaded_) {
        position->dwLength = position->dwPosition = 0;
        position->dwUnitsPerSec = 1;
        return;
    }
    position->dwLength = player_.Length();
    position->dwPosition = player_.Position();
    position->dwUnitsPerSec = player_.RowsPerSecond();
}

void TSndMOD::SetPosition(SND_POSITION* position) {
    if (loaded_) player_.SetPosition(position->dwPosition);
}

bool TSndMOD::GetFileInfo(const std::string& fileName, SND_FILE_INFO* info) {
    FilePtr file = OpenRegularFile(fileName);
    if (!file) return false;
    std::fseek(file.get(), 0, SEEK_END);
    long size = std::ftell(file.get());
    std::fseek(file.get(), 0, SEEK_SET);
    nSizeToStr(info->szSize, sizeof info->szSize, int(size));
    std::array<BYTE, ModHeaderSize> header;
    if (std::fread(header.data(), 1, header.size(), file.get()) != header.size()) return false;
    file.reset();
    ModLayout layout;
    if (!ModReadLayout(header, layout)) return false;
    int samples = 0;
    for (int s = 0; s < ModSamples; ++s)
        samples += (header[std::size_t(20 + s * 30 + 22)] | header[std::size_t(20 + s * 30 + 23)]) != 0;
    int songLength = std::min<int>(header[950], ModOrders);
    if (samples == 0 || songLength == 0) return false;
    std::snprintf(info->szShortFormat, sizeof info->szShortFormat, "%s MOD, %d channels", layout.typeName,
                  layout.channels);
    std::snprintf(info->szFormat, sizeof info->szFormat, "%s MOD, %d channels, %d samples", layout.typeName,
                  layout.channels, samples);
    std::snprintf(info->szTitle, sizeof info->szTitle, "%.20s", reinterpret_cast<const char*>(header.data()));
    nTimeToStr(info->szTime, sizeof info->szTime, songLength * HundredthsPerOrder, true);
    return true;
}
