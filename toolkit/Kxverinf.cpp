#include "toolkit/Kxverinf.h"

#include "platform/files/FileNames.h"
#include "platform/files/PathResolver.h"
#include "toolkit/FileUtil.h"

#include <cstdio>
#include <iterator>

namespace {

constexpr WORD languageIds[] = {
    0x0401, 0x0402, 0x0403, 0x0404, 0x0405, 0x0406, 0x0407, 0x0408, 0x0409, 0x040A, 0x040B, 0x040C,
    0x040D, 0x040E, 0x040F, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418,
    0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0804, 0x0807, 0x0809,
    0x080A, 0x080C, 0x0810, 0x0813, 0x0814, 0x0816, 0x081A, 0x0C0C, 0x100C, 0x0000};
static_assert(std::size(languageIds) == vlUnknown + 1);

constexpr WORD noCodePage = 0xFFFF;
constexpr WORD codePages[] = {0, 932, 949, 950, 1200, 1250, 1251, 1252, 1253, 1254, 1255, 1256, noCodePage};
static_assert(std::size(codePages) == vcsUnknown + 1);

constexpr std::size_t queryPathLimit = 255;

DWORD highLow(WORD high, WORD low) {
    return static_cast<DWORD>(high) << 16 | low;
}

WORD parseVersionField(const std::string& field) {
    std::size_t begin = field.find_first_not_of(" \t");
    std::size_t end = field.find_last_not_of(" \t");
    if (begin == std::string::npos) return 0;
    std::string digits = field.substr(begin, end - begin + 1);
    unsigned long value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') throw Exception("'" + field + "' is not a valid integer value");
        value = value * 10 + static_cast<unsigned long>(c - '0');
        if (value > 0xFFFF) throw Exception("Version field '" + field + "' is out of range (0..65535)");
    }
    return static_cast<WORD>(value);
}

// Takes the next field off text: up to the first '.', else up to the first ',', else all.
std::string takeField(std::string& text) {
    std::size_t separator = text.find('.');
    if (separator == std::string::npos) separator = text.find(',');
    std::string field = text.substr(0, separator);
    text = separator == std::string::npos ? std::string() : text.substr(separator + 1);
    return field;
}

} // namespace

WORD VersionLanguageId(TVersionLanguage language) {
    return languageIds[language];
}

WORD VersionCharSetCodePage(TVersionCharSet charSet) {
    return codePages[charSet];
}

TVersionInfo::TVersionInfo(const std::string& fileName) : fileName_(fileName) {
    ReadVersionInfo();
}

void TVersionInfo::ReadVersionInfo() {
    block_.reset();
    fixed_ = {};
    translation_ = {};
    std::optional<VersionBlock> block = ReadVersionBlock(fileName_);
    if (!block) return;
    const VersionNumbers& numbers = block->numbers;
    fixed_ = {highLow(numbers.file[0], numbers.file[1]), highLow(numbers.file[2], numbers.file[3]),
              highLow(numbers.product[0], numbers.product[1]),
              highLow(numbers.product[2], numbers.product[3])};
    translation_ = {numbers.language, numbers.codePage};
    block_ = std::move(block);
}

void TVersionInfo::SetFileName(const std::string& fileName) {
    fileName_ = fileName;
    ReadVersionInfo();
}

const TVersionTranslation* TVersionInfo::GetTranslation() const {
    return Valid() ? &translation_ : nullptr;
}

std::string TVersionInfo::GetTranslationString() const {
    const TVersionTranslation* translation = GetTranslation();
    if (!translation) return {};
    char text[9];
    std::snprintf(text, sizeof text, "%04X%04X", static_cast<unsigned>(translation->Language),
                  static_cast<unsigned>(translation->CharSet));
    return text;
}

TVersionLanguage TVersionInfo::GetVersionLanguage() const {
    const TVersionTranslation* translation = GetTranslation();
    if (!translation) return vlUnknown;
    for (int i = vlArabic; i <= vlUnknown; ++i)
        if (languageIds[i] == translation->Language) return static_cast<TVersionLanguage>(i);
    return vlUnknown;
}

TVersionCharSet TVersionInfo::GetVersionCharSet() const {
    const TVersionTranslation* translation = GetTranslation();
    if (!translation) return vcsUnknown;
    for (int i = vcsASCII; i < vcsUnknown; ++i)
        if (codePages[i] == translation->CharSet) return static_cast<TVersionCharSet>(i);
    return vcsUnknown;
}

const TVSFixedFileInfo* TVersionInfo::GetFixedFileInfo() const {
    return Valid() ? &fixed_ : nullptr;
}

TLongVersion TVersionInfo::GetFileLongVersion() const {
    return {fixed_.dwFileVersionMS, fixed_.dwFileVersionLS};
}

TLongVersion TVersionInfo::GetProductLongVersion() const {
    return {fixed_.dwProductVersionMS, fixed_.dwProductVersionLS};
}

DWORD TVersionInfo::GetVersionNum() const {
    return fixed_.dwFileVersionMS;
}

std::string TVersionInfo::GetVerValue(const std::string& key) const {
    if (!Valid()) return {};
    std::string path = "\\StringFileInfo\\";
    path.append(GetTranslationString()).append("\\").append(key);
    if (path.size() > queryPathLimit) return {};
    const std::string* value = block_->Find(key);
    return value ? *value : std::string();
}

std::string TVersionInfo::GetFileVersion() const {
    std::string text = GetVerValue("FileVersion");
    return text.empty() && Valid() ? LongVersionToString(GetFileLongVersion()) : text;
}

std::string TVersionInfo::GetProductVersion() const {
    std::string text = GetVerValue("ProductVersion");
    return text.empty() && Valid() ? LongVersionToString(GetProductLongVersion()) : text;
}

TDateTime TVersionInfo::GetVerFileDate() const {
    return FileExists(fileName_) ? FileDateTime(fileName_) : 0.0;
}

std::string LongVersionToString(const TLongVersion& version) {
    return std::to_string(version.MS >> 16) + "." + std::to_string(version.MS & 0xFFFF) + "." +
           std::to_string(version.LS >> 16) + "." + std::to_string(version.LS & 0xFFFF);
}

TLongVersion StringToLongVersion(const std::string& text) {
    std::string rest = text;
    WORD fields[4];
    for (WORD& field : fields)
        field = parseVersionField(takeField(rest));
    return {highLow(fields[0], fields[1]), highLow(fields[2], fields[3])};
}

std::string AppFileName() {
    return ExeName();
}

std::unique_ptr<TVersionInfo> AppVerInfo() {
    return std::make_unique<TVersionInfo>(AppFileName());
}

bool OkToWriteModule(const std::string& fileName, int newVersion) {
    TVersionInfo info(fileName);
    return !info.Valid() || newVersion > static_cast<int>(info.GetVersionNum());
}
