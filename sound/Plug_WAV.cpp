#include "sound/Plug_WAV.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/framework/Published.h"
#include "sound/Sndutils.h"
#include "sound/WaveFile.h"

namespace {

const bool wavPublished = RegisterPublishedClass("TSndWav", "TSndPlayPlug", {});

} // namespace

TSndWav::TSndWav(TComponent* owner) : TSndPlayPlug(owner) {
    intermediate_.nChannels = 2;
    intermediate_.wBitsPerSample = 16;
    intermediate_.nSamplesPerSec = 44100;
    UpdateWaveFormat(&intermediate_);
}

TSndWav::~TSndWav() {
    Withdraw();
    Release();
}

void TSndWav::SetChannels(unsigned short channels) {
    TSndPlayPlug::SetChannels(channels);
    Reset();
    acm_Open();
}

void TSndWav::SetBitsPerSample(unsigned short bits) {
    TSndPlayPlug::SetBitsPerSample(bits);
    Reset();
    acm_Open();
}

void TSndWav::SetSamplesPerSec(unsigned long rate) {
    TSndPlayPlug::SetSamplesPerSec(rate);
    Reset();
    acm_Open();
}

std::string TSndWav::GetSupportTypes() {
    return "WAVE (use Audio Compression Manager if necessary)";
}

bool TSndWav::Init() {
    if (FileName.empty() || !LoadFile()) return false;
    Reset();
    return acm_Open();
}

bool TSndWav::LoadFile() {
    Release();
    unsigned samples = 0;
    if (LoadWaveFile(FileName.c_str(), &dataSize_, &samples, &fileFormat_, &data_) != 0) return false;
    ACMFORMATDETAILSA details;
    details.dwFormatTag = fileFormat_.Format()->wFormatTag;
    details.pwfx = fileFormat_.Format();
    details.cbwfx = DWORD(fileFormat_.Size());
    if (acmFormatDetailsA(nullptr, &details, ACM_FORMATDETAILSF_FORMAT) != MMSYSERR_NOERROR) {
        Release();
        return false;
    }
    return true;
}

void TSndWav::Reset() {
    readPosition_ = 0;
    carryCount_ = carryOffset_ = 0;
    convertFlags_ = ACM_STREAMCONVERTF_START;
}

void TSndWav::Release() {
    acm_Close();
    fileFormat_.Clear();
    data_.clear();
    data_.shrink_to_fit();
    dataSize_ = readPosition_ = 0;
}

namespace {

bool SameFormat(const WAVEFORMATEX& a, const WAVEFORMATEX& b) {
    return a.wFormatTag == b.wFormatTag && a.nChannels == b.nChannels &&
           a.nSamplesPerSec == b.nSamplesPerSec && a.nAvgBytesPerSec == b.nAvgBytesPerSec &&
           a.nBlockAlign == b.nBlockAlign && a.wBitsPerSample == b.wBitsPerSample && a.cbSize == b.cbSize;
}

DWORD RoundDown(DWORD value, DWORD unit) {
    return unit ? value - value % unit : value;
}

void CloseStage(HACMSTREAM& stream, ACMSTREAMHEADER& header) {
    if (!stream) return;
    if (header.fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED) acmStreamUnprepareHeader(stream, &header, 0);
    acmStreamClose(stream, 0);
    header.fdwStatus = 0;
    stream = nullptr;
}

} // namespace

bool TSndWav::acm_Open() {
    acm_Close();
    if (fileFormat_.Empty()) return false;
    const WAVEFORMATEX* file = fileFormat_.Format();
    if (SameFormat(*file, Format)) return true;
    if (acmStreamOpen(nullptr, nullptr, file, &Format, nullptr, 0, 0, ACM_STREAMOPENF_QUERY) ==
        MMSYSERR_NOERROR) {
        if (acmStreamOpen(&outputStream_, nullptr, file, &Format, nullptr, 0, 0, 0) != MMSYSERR_NOERROR)
            return false;
    } else {
        intermediate_.nChannels = file->nChannels;
        intermediate_.nSamplesPerSec = file->nSamplesPerSec;
        intermediate_.wBitsPerSample = 16;
        UpdateWaveFormat(&intermediate_);
        if (acmStreamOpen(&inputStream_, nullptr, file, &intermediate_, nullptr, 0, 0, 0) != MMSYSERR_NOERROR)
            return false;
        if (acmStreamOpen(&outputStream_, nullptr, &intermediate_, &Format, nullptr, 0, 0, 0) !=
            MMSYSERR_NOERROR) {
            acmStreamClose(inputStream_, 0);
            inputStream_ = nullptr;
            return false;
        }
    }
    if (!SizeStages()) {
        acm_Close();
        return false;
    }
    return true;
}

// Every staging buffer holds StageSize bytes. When a stage asks for more source than that to
// fill its output, its chunk shrinks to what fits (whole blocks of its source format).
bool TSndWav::SizeStages() {
    const DWORD stageOneAlign = inputStream_ ? intermediate_.nBlockAlign : fileFormat_.Format()->nBlockAlign;
    if (acmStreamSize(outputStream_, StageSize, &sourceSize_, ACM_STREAMSIZEF_DESTINATION) !=
        MMSYSERR_NOERROR)
        return false;
    if (sourceSize_ > StageSize) sourceSize_ = RoundDown(StageSize, stageOneAlign);
    outputHeader_ = ACMSTREAMHEADER();
    outputHeader_.pbSrc = stageOneSource_.data();
    outputHeader_.cbSrcLength = sourceSize_;
    outputHeader_.pbDst = output_.data();
    outputHeader_.cbDstLength = StageSize;
    if (sourceSize_ == 0 || acmStreamPrepareHeader(outputStream_, &outputHeader_, 0) != MMSYSERR_NOERROR)
        return false;
    if (!inputStream_) return true;
    if (acmStreamSize(inputStream_, sourceSize_, &rawSize_, ACM_STREAMSIZEF_DESTINATION) != MMSYSERR_NOERROR)
        return false;
    if (rawSize_ > StageSize) rawSize_ = RoundDown(StageSize, fileFormat_.Format()->nBlockAlign);
    inputHeader_ = ACMSTREAMHEADER();
    inputHeader_.pbSrc = stageTwoSource_.data();
    inputHeader_.cbSrcLength = rawSize_;
    inputHeader_.pbDst = stageOneSource_.data();
    inputHeader_.cbDstLength = sourceSize_;
    return rawSize_ != 0 && acmStreamPrepareHeader(inputStream_, &inputHeader_, 0) == MMSYSERR_NOERROR;
}

void TSndWav::acm_Close() {
    CloseStage(inputStream_, inputHeader_);
    CloseStage(outputStream_, outputHeader_);
}

void TSndWav::FillSilence(unsigned char* data, unsigned long len) const {
    std::memset(data, Format.wBitsPerSample == 16 ? 0 : 0x80, len);
}

bool TSndWav::Process(unsigned char* data, unsigned long len) {
    if (len == 0) return true;
    return outputStream_ ? ConvertProcess(data, len) : CopyProcess(data, len);
}

bool TSndWav::CopyProcess(unsigned char* data, unsigned long len) {
    DWORD take = std::min<DWORD>(dataSize_ - std::min(readPosition_, dataSize_), DWORD(len));
    if (take) std::memcpy(data, data_.data() + readPosition_, take);
    readPosition_ += take;
    if (take == len) return true;
    FillSilence(data + take, len - take);
    return false;
}

bool TSndWav::ConvertChunk(bool& last) {
    const DWORD left = dataSize_ - std::min(readPosition_, dataSize_);
    const DWORD endFlag = ACM_STREAMCONVERTF_END;
    DWORD stageOneBytes = 0;
    if (inputStream_) {
        DWORD chunk = std::min(rawSize_, left);
        last = chunk < rawSize_;
        if (chunk == 0) return false;
        std::memcpy(stageTwoSource_.data(), data_.data() + readPosition_, chunk);
        readPosition_ += chunk;
        inputHeader_.cbSrcLength = chunk;
        MMRESULT result = acmStreamConvert(inputStream_, &inputHeader_,
                                           convertFlags_ | (last ? endFlag : ACM_STREAMCONVERTF_BLOCKALIGN));
        inputHeader_.cbSrcLength = rawSize_;
        if (result != MMSYSERR_NOERROR) return false;
        stageOneBytes = inputHeader_.cbDstLengthUsed;
    } else {
        DWORD chunk = std::min(sourceSize_, left);
        last = chunk < sourceSize_;
        if (chunk == 0) return false;
        std::memcpy(stageOneSource_.data(), data_.data() + readPosition_, chunk);
        readPosition_ += chunk;
        stageOneBytes = chunk;
    }
    outputHeader_.cbSrcLength = stageOneBytes;
    MMRESULT result = acmStreamConvert(outputStream_, &outputHeader_,
                                       convertFlags_ | (last ? endFlag : ACM_STREAMCONVERTF_BLOCKALIGN));
    outputHeader_.cbSrcLength = sourceSize_;
    convertFlags_ = 0;
    if (result != MMSYSERR_NOERROR) outputHeader_.cbDstLengthUsed = 0;
    return result == MMSYSERR_NOERROR || last;
}

// Converted bytes that do not fit in this block wait in the carry buffer for the next one, so
// block boundaries never drop or repeat audio.
bool TSndWav::ConvertProcess(unsigned char* data, unsigned long len) {
    DWORD written = std::min<DWORD>(carryCount_, DWORD(len));
    std::memcpy(data, carry_.data() + carryOffset_, written);
    carryOffset_ += written;
    carryCount_ -= written;
    if (written == len) return true;
    carryOffset_ = 0;
    for (;;) {
        bool last = false;
        if (!ConvertChunk(last)) break;
        DWORD produced = outputHeader_.cbDstLengthUsed;
        DWORD take = std::min<DWORD>(produced, DWORD(len) - written);
        std::memcpy(data + written, output_.data(), take);
        written += take;
        if (written == len) {
            carryCount_ = produced - take;
            std::memcpy(carry_.data(), output_.data() + take, carryCount_);
            return true;
        }
        if (last) break;
    }
    FillSilence(data + written, len - written);
    return false;
}

void TSndWav::GetPosition(SND_POSITION* position) {
    if (fileFormat_.Empty()) {
        position->dwLength = position->dwPosition = 0;
        position->dwUnitsPerSec = 1;
        return;
    }
    position->dwLength = dataSize_;
    position->dwPosition = readPosition_;
    position->dwUnitsPerSec = fileFormat_.Format()->nAvgBytesPerSec;
}

// A position lands on a whole block of the file's format, so a conversion always starts on a
// frame (or a codec block) boundary.
void TSndWav::SetPosition(SND_POSITION* position) {
    if (fileFormat_.Empty()) return;
    readPosition_ = std::min(RoundDown(position->dwPosition, fileFormat_.Format()->nBlockAlign), dataSize_);
}

namespace {

constexpr const char* InfoIds[] = {"DISP", "ICMT", "ISBJ", "IART", "INAM", "ICOP", "IENG",
                                   "IGNR", "IKEY", "IMED", "ISRC", "ISRF", "ITCH"};
constexpr DWORD MaxInfoText = 255;

std::string Trimmed(const std::string& text) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    auto first = std::find_if_not(text.begin(), text.end(), blank);
    auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
    return first < last ? std::string(first, last) : std::string();
}

// The text of one INFO item inside list, empty when the list has none.
std::string InfoText(HMMIO file, MMCKINFO& list, const char* id) {
    if (mmioSeek(file, LONG(list.dwDataOffset + 4), MMIO_SEEK_SET) < 0) return {};
    MMCKINFO item;
    item.ckid = mmioFOURCC(id[0], id[1], id[2], id[3]);
    if (mmioDescend(file, &item, &list, MMIO_FINDCHUNK) != 0) return {};
    char buffer[MaxInfoText + 1] = {};
    LONG got = mmioRead(file, buffer, LONG(std::min(item.cksize, MaxInfoText)));
    if (got <= 0) return {};
    std::string text(buffer, strnlen(buffer, std::size_t(got)));
    // A display item starts with the four-byte clipboard format of its text.
    if (std::strcmp(id, "DISP") == 0)
        text = got > 4 ? std::string(buffer + 4, strnlen(buffer + 4, std::size_t(got - 4))) : std::string();
    return Trimmed(text);
}

// The INFO texts joined in the fixed id order; false when the file has no INFO list.
bool InfoTitle(HMMIO file, std::string& title) {
    if (mmioSeek(file, 12, MMIO_SEEK_SET) < 0) return false;
    MMCKINFO list;
    list.fccType = mmioFOURCC('I', 'N', 'F', 'O');
    if (mmioDescend(file, &list, nullptr, MMIO_FINDLIST) != 0) return false;
    title.clear();
    for (const char* id : InfoIds) {
        std::string text = InfoText(file, list, id);
        if (text.empty()) continue;
        if (!title.empty()) title += ", ";
        title += text;
    }
    return true;
}

} // namespace

bool TSndWav::GetFileInfo(const std::string& fileName, SND_FILE_INFO* info) {
    HMMIO file = nullptr;
    WaveFormatBlock format;
    MMCKINFO riff, data;
    if (OpenWaveFile(fileName.c_str(), &file, &format, &riff) != 0) return false;
    if (SeekWaveData(&file, &data, &riff) != 0) {
        CloseWaveFile(&file, &format);
        return false;
    }
    const WAVEFORMATEX& f = *format.Format();
    nSizeToStr(info->szSize, sizeof info->szSize, int(data.cksize));
    std::uint64_t hundredths = std::uint64_t(data.cksize) * 100 / f.nAvgBytesPerSec;
    nTimeToStr(info->szTime, sizeof info->szTime, int(std::min<std::uint64_t>(hundredths, INT32_MAX)), true);
    ACMFORMATTAGDETAILSA tag;
    tag.dwFormatTag = f.wFormatTag;
    ACMFORMATDETAILSA details;
    details.dwFormatTag = f.wFormatTag;
    details.pwfx = &f;
    details.cbwfx = DWORD(format.Size());
    if (acmFormatTagDetailsA(nullptr, &tag, ACM_FORMATTAGDETAILSF_FORMATTAG) != MMSYSERR_NOERROR ||
        acmFormatDetailsA(nullptr, &details, ACM_FORMATDETAILSF_FORMAT) != MMSYSERR_NOERROR) {
        CloseWaveFile(&file, &format);
        return false;
    }
    std::snprintf(info->szFormat, sizeof info->szFormat, "WAVE %s, %s", tag.szFormatTag, details.szFormat);
    std::snprintf(info->szShortFormat, sizeof info->szShortFormat, "%s, %s", tag.szFormatTag,
                  details.szFormat);
    info->szTitle[0] = 0;
    GetMP3Info(fileName, info);
    std::string title;
    if (InfoTitle(file, title)) std::snprintf(info->szTitle, sizeof info->szTitle, "%.255s", title.c_str());
    CloseWaveFile(&file, &format);
    return true;
}
