#pragma once
// TIniFile: a settings file with the Windows profile-file rules (see IniDocument.h for the
// text rules). Like the profile functions it works on the file itself: every read sees
// what is on disk now (the file is parsed again only when it changed) and every write
// replaces the file at once, atomically (AtomicFile.h).
//
// A write that cannot be made raises EIniFileException with the message
// "Unable to write to <file> (<reason>)"; the file and what reads return stay as before
// the write. A write whose section, key or value holds a line break, whose section holds
// ']' or whose key holds '=' or is empty raises EIniFileException too, since it could not
// be read back as written.
#include "platform/files/IniDocument.h"
#include "platform/framework/Classes.h"

#include <string>
#include <sys/types.h>
#include <vector>

class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

// Integer rules of the profile files: optional sign, then decimal digits, or "$" / "0x"
// followed by up to eight hex digits (taken as a 32-bit pattern, so $FFFFFFFF is -1).
// False when text is no such number or a decimal number outside the 32-bit range.
bool ParseIniInteger(std::string_view text, int& value);

class TIniFile : public TObject {
    VX_CLASS(TIniFile, TObject)
public:
    // fileName goes through the path resolver; a missing file reads as empty.
    explicit TIniFile(const std::string& fileName);

    const std::string& FileName() const { return fileName_; }

    std::string ReadString(const std::string& section, const std::string& ident, const std::string& def);
    // The value as an integer; def when missing or not a number.
    int ReadInteger(const std::string& section, const std::string& ident, int def);
    // ReadInteger(def ? 1 : 0) != 0.
    bool ReadBool(const std::string& section, const std::string& ident, bool def);

    void WriteString(const std::string& section, const std::string& ident, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& ident, int value);
    // Written as 1 or 0.
    void WriteBool(const std::string& section, const std::string& ident, bool value);

    // Keys of the section in file order.
    std::vector<std::string> ReadSection(const std::string& section);
    // Section names in file order.
    std::vector<std::string> ReadSections();
    // "key=value" for every key of the section, values as ReadString gives them.
    std::vector<std::string> ReadSectionValues(const std::string& section);
    // True when the file has a "[section]" line.
    bool SectionExists(const std::string& section);
    bool ValueExists(const std::string& section, const std::string& ident);

    void EraseSection(const std::string& section);
    void DeleteKey(const std::string& section, const std::string& ident);

private:
    struct Stamp {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long modifiedNs = 0;
        friend bool operator==(const Stamp&, const Stamp&) = default;
    };

    Stamp currentStamp() const;
    const IniDocument& document();
    void save(IniDocument changed);

    std::string fileName_;
    std::string path_;
    IniDocument document_;
    Stamp stamp_;
    bool loaded_ = false;
};
