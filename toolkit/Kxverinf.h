#pragma once
// TVersionInfo: reads the version block of an executable or library (the block our build
// embeds, see platform/files/VersionBlock.h) and answers questions about it: the fixed
// file and product version numbers, the translation (language and code page) and the
// string values such as "FileVersion" or "LegalCopyright".
#include "platform/files/VersionBlock.h"
#include "platform/framework/Classes.h"
#include "platform/kernel/Types.h"

#include <memory>
#include <optional>
#include <string>

using TDateTime = double;

// A 64-bit version a.b.c.d as two words, most significant first: MS = a·65536+b,
// LS = c·65536+d.
struct TLongVersion {
    DWORD MS = 0;
    DWORD LS = 0;
    friend bool operator==(const TLongVersion&, const TLongVersion&) = default;
};

// The fixed numbers of a block, as version resources lay them out.
struct TVSFixedFileInfo {
    DWORD dwFileVersionMS = 0;
    DWORD dwFileVersionLS = 0;
    DWORD dwProductVersionMS = 0;
    DWORD dwProductVersionLS = 0;
};

struct TVersionTranslation {
    WORD Language = 0;
    WORD CharSet = 0;
};

enum TVersionLanguage {
    vlArabic,
    vlBulgarian,
    vlCatalan,
    vlTraditionalChinese,
    vlCzech,
    vlDanish,
    vlGerman,
    vlGreek,
    vlUSEnglish,
    vlCastilianSpanish,
    vlFinnish,
    vlFrench,
    vlHebrew,
    vlHungarian,
    vlIcelandic,
    vlItalian,
    vlJapanese,
    vlKorean,
    vlDutch,
    vlNorwegianBokmel,
    vlPolish,
    vlBrazilianPortuguese,
    vlRhaetoRomanic,
    vlRomanian,
    vlRussian,
    vlCroatoSerbian,
    vlSlovak,
    vlAlbanian,
    vlSwedish,
    vlThai,
    vlTurkish,
    vlUrdu,
    vlBahasa,
    vlSimplifiedChinese,
    vlSwissGerman,
    vlUKEnglish,
    vlMexicanSpanish,
    vlBelgianFrench,
    vlSwissItalian,
    vlBelgianDutch,
    vlNorwegianNynorsk,
    vlPortuguese,
    vlSerboCroatian,
    vlCanadianFrench,
    vlSwissFrench,
    vlUnknown
};

enum TVersionCharSet {
    vcsASCII,
    vcsJapan,
    vcsKorea,
    vcsTaiwan,
    vcsUnicode,
    vcsEasternEuropean,
    vcsCyrillic,
    vcsMultilingual,
    vcsGreek,
    vcsTurkish,
    vcsHebrew,
    vcsArabic,
    vcsUnknown
};

// The language identifier each TVersionLanguage stands for (vlUnknown: 0).
WORD VersionLanguageId(TVersionLanguage language);
// The code page each TVersionCharSet stands for (vcsUnknown has none: 0xFFFF).
WORD VersionCharSetCodePage(TVersionCharSet charSet);

class TVersionInfo : public TObject {
    VX_CLASS(TVersionInfo, TObject)
public:
    // Reads the block of fileName (through the path resolver).
    explicit TVersionInfo(const std::string& fileName);

    // Reads the block of the current file again. A file without a readable, well-formed
    // block leaves the object not Valid with nothing of an earlier file kept.
    void ReadVersionInfo();
    const std::string& GetFileName() const { return fileName_; }
    void SetFileName(const std::string& fileName);
    bool Valid() const { return block_.has_value(); }

    // The first translation, or nullptr when not Valid.
    const TVersionTranslation* GetTranslation() const;
    // The translation as eight upper-case hex digits, language first ("040904E4").
    std::string GetTranslationString() const;
    TVersionLanguage GetVersionLanguage() const;
    TVersionCharSet GetVersionCharSet() const;

    // The fixed numbers, or nullptr when not Valid.
    const TVSFixedFileInfo* GetFixedFileInfo() const;
    // 0.0.0.0 when not Valid.
    TLongVersion GetFileLongVersion() const;
    TLongVersion GetProductLongVersion() const;
    // The file version's MS word; 0 when not Valid.
    DWORD GetVersionNum() const;

    // The string value of key in the first translation; empty when missing, when not
    // Valid, or when the key makes a query path longer than 255 characters.
    std::string GetVerValue(const std::string& key) const;
    std::string GetComments() const { return GetVerValue("Comments"); }
    std::string GetCompanyName() const { return GetVerValue("CompanyName"); }
    std::string GetFileDescription() const { return GetVerValue("FileDescription"); }
    std::string GetInternalName() const { return GetVerValue("InternalName"); }
    std::string GetLegalCopyright() const { return GetVerValue("LegalCopyright"); }
    std::string GetLegalTrademarks() const { return GetVerValue("LegalTrademarks"); }
    std::string GetOriginalFilename() const { return GetVerValue("OriginalFilename"); }
    std::string GetProductName() const { return GetVerValue("ProductName"); }
    std::string GetSpecialBuild() const { return GetVerValue("SpecialBuild"); }
    std::string GetPrivateBuild() const { return GetVerValue("PrivateBuild"); }
    // The "FileVersion" string; when empty and Valid, the fixed file version as text.
    std::string GetFileVersion() const;
    // The "ProductVersion" string; when empty and Valid, the fixed product version.
    std::string GetProductVersion() const;
    // The file's modification time as a date-time (days since 1899-12-30, local time);
    // 0.0 when the file does not exist.
    TDateTime GetVerFileDate() const;

private:
    std::string fileName_;
    std::optional<VersionBlock> block_;
    TVSFixedFileInfo fixed_;
    TVersionTranslation translation_;
};

// "a.b.c.d" of the four 16-bit numbers.
std::string LongVersionToString(const TLongVersion& version);
// Reads "a.b.c.d" (or with ',' between the numbers). Missing fields and empty fields are
// 0; a field that is not a decimal integer, or that lies outside 0..65535, raises an
// Exception naming it.
TLongVersion StringToLongVersion(const std::string& text);
// The running program's file name.
std::string AppFileName();
// A reader for AppFileName(), owned by the caller.
std::unique_ptr<TVersionInfo> AppVerInfo();
// True when fileName has no version block, or when newVersion is greater (as signed 32-bit
// numbers) than its GetVersionNum.
bool OkToWriteModule(const std::string& fileName, int newVersion);
