#pragma once
// TIniFile: a settings file with the Windows profile-file rules (see IniDocument.h for the
// text rules). Like the profile functions it works on the file itself: every read sees
// what is on disk now (the file is parsed again only when it changed) and every write
// replaces the file at once, atomically and on the disk before it returns, under the
// writers' lock (SettingsFile.h), so that writers in other processes lose nothing of each
// other's. Between BeginUpdate and EndUpdate the writes are gathered and the file is
// replaced once with all of them: a caller that stores many values gathers them, since
// each replacement waits for the disk.
//
// A write that cannot be made raises EIniFileException with the message
// "Unable to write to <file> (<reason>)"; the file and what reads return stay as before
// the write. A file that is no regular file (a FIFO, a device) reads as empty and is never
// written. A write whose section, key or value holds a line break, whose section holds
// ']' or whose key holds '=' or is empty raises EIniFileException "Invalid name or value
// for [<section>] <key>", since it could not be read back as written; within an update it
// is left out, the others are saved, and EndUpdate raises the exception for all left out.
#include "platform/files/IniDocument.h"
#include "platform/files/SettingsFile.h"
#include "platform/framework/Classes.h"

#include <functional>
#include <string>
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
    // Writes what an unfinished update gathered.
    ~TIniFile() override;

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

    // Updates nest; the outermost EndUpdate replaces the file (when anything changed).
    void BeginUpdate() { ++updates_; }
    void EndUpdate();

private:
    // One write, kept until it is in the file; answers whether it changed the text.
    using Edit = std::function<bool(IniDocument&)>;

    const IniDocument& document();
    void change(Edit edit);
    void commit();

    std::string fileName_;
    SettingsFile file_;
    IniDocument document_; // the file as last read, with the pending edits
    bool exists_ = false;
    bool whole_ = true; // the file was read whole, so it may be written
    std::vector<Edit> pending_;
    bool dirty_ = false; // the pending edits changed the text
    std::vector<std::string> refused_;
    int updates_ = 0;
};
