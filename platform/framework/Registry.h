#pragma once
// TRegistry: reads and writes the keys and values of the settings store (RegistryStore.h)
// under one root, through a current key. TRegIniFile: the same store seen as an INI file:
// the object's key stands for the file, its sub-keys for the sections, their values for the
// keys; numbers and booleans are written as strings, as in an INI file, and read from
// either strings or integers.
//
// A key opened for reading only (Access KEY_READ) is never created, and writing through it
// raises ERegistryException. A write that cannot be made raises ERegistryException "Failed
// to set data for '<name>'" and changes nothing.
#include "platform/files/RegistryStore.h"
#include "platform/framework/Classes.h"

#include <string>
#include <vector>

constexpr DWORD KEY_QUERY_VALUE = 0x0001;
constexpr DWORD KEY_SET_VALUE = 0x0002;
constexpr DWORD KEY_CREATE_SUB_KEY = 0x0004;
constexpr DWORD KEY_READ = 0x20019;
constexpr DWORD KEY_WRITE = 0x20006;
constexpr DWORD KEY_ALL_ACCESS = 0xF003F;

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

class TRegistry : public TObject {
    VX_CLASS(TRegistry, TObject)
public:
    explicit TRegistry(DWORD access = KEY_ALL_ACCESS);
    // Writes what an unfinished update gathered.
    ~TRegistry() override;

    HKEY RootKey() const { return root_; }
    // Closes the current key. A value that is no root raises ERegistryException.
    void SetRootKey(HKEY root);
    DWORD Access() const { return access_; }
    void SetAccess(DWORD access) { access_ = access; }
    // The current key's path from the root; empty with no key open.
    const std::string& CurrentPath() const { return path_; }
    bool HasCurrentKey() const { return open_; }

    // Makes key the current key: a path from the root when it starts with '\', else below
    // the current key. With canCreate (and access that may create) a missing key is made.
    bool OpenKey(const std::string& key, bool canCreate);
    bool OpenKeyReadOnly(const std::string& key);
    void CloseKey();

    bool KeyExists(const std::string& key) const;
    bool CreateKey(const std::string& key);
    // Removes the key and everything below it.
    bool DeleteKey(const std::string& key);
    std::vector<std::string> GetKeyNames() const;
    bool HasSubKeys() const { return !GetKeyNames().empty(); }

    // Values of the current key.
    std::vector<std::string> GetValueNames() const;
    bool ValueExists(const std::string& name) const;
    bool DeleteValue(const std::string& name);
    TRegDataType GetDataType(const std::string& name) const;
    // Bytes of the value's data; -1 when there is no such value.
    int GetDataSize(const std::string& name) const;

    // A missing value reads as empty; a value of another type raises ERegistryException
    // "Invalid data type for '<name>'".
    std::string ReadString(const std::string& name) const;
    void WriteString(const std::string& name, const std::string& value);
    // A missing value raises ERegistryException "Failed to get data for '<name>'".
    int ReadInteger(const std::string& name) const;
    void WriteInteger(const std::string& name, int value);
    bool ReadBool(const std::string& name) const { return ReadInteger(name) != 0; }
    void WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }
    // Copies up to size bytes of binary data; answers the number of bytes of the value.
    int ReadBinaryData(const std::string& name, void* buffer, int size) const;
    void WriteBinaryData(const std::string& name, const void* buffer, int size);

    // Between BeginUpdate and the matching EndUpdate (updates nest) the changes are gathered
    // and written in one replacement of the store's file; this process sees each at once.
    // They are this object's own: another object's write neither writes nor, by failing,
    // drops them. EndUpdate raises ERegistryException when the file cannot be written, or
    // when a value's key is gone from it (another program removed it), naming the key; the
    // update's other changes are then written.
    void BeginUpdate() { ++updates_; }
    void EndUpdate();

protected:
    // What this object's changes are gathered under in the store.
    const void* writer() const { return this; }
    // The same within an update; none outside, where each change is written at once.
    const void* gatherer() const { return updates_ > 0 ? writer() : nullptr; }
    // The path a key name means from the current key.
    std::string resolve(const std::string& key) const;
    bool mayWrite() const { return (access_ & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) != 0; }
    RegistryStore& store() const;
    void writeValue(const std::string& name, const RegValue& value);

private:
    HKEY root_ = HKEY_CURRENT_USER;
    DWORD access_;
    std::string path_;
    bool open_ = false;
    int updates_ = 0;
};

class TRegIniFile : public TRegistry {
    VX_CLASS(TRegIniFile, TRegistry)
public:
    // Opens fileName (a key path) under the current user's root; with an access that may
    // write, the key is created when missing. Sections are read below fileName even when it
    // could not be opened (they are then missing).
    explicit TRegIniFile(const std::string& fileName, DWORD access = KEY_ALL_ACCESS);

    const std::string& FileName() const { return fileName_; }

    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& def) const;
    void WriteString(const std::string& section, const std::string& ident, const std::string& value);
    // A string that is no integer reads as def.
    int ReadInteger(const std::string& section, const std::string& ident, int def) const;
    void WriteInteger(const std::string& section, const std::string& ident, int value);
    bool ReadBool(const std::string& section, const std::string& ident, bool def) const;
    void WriteBool(const std::string& section, const std::string& ident, bool value);

    // Value names of the section; sections (sub-keys) of the file; "name=value" lines.
    std::vector<std::string> ReadSection(const std::string& section) const;
    std::vector<std::string> ReadSections() const;
    std::vector<std::string> ReadSectionValues(const std::string& section) const;
    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& ident) const;
    void EraseSection(const std::string& section);
    void DeleteKey(const std::string& section, const std::string& ident);

    using TRegistry::DeleteKey;
    using TRegistry::ReadBool;
    using TRegistry::ReadInteger;
    using TRegistry::ReadString;
    using TRegistry::ValueExists;
    using TRegistry::WriteBool;
    using TRegistry::WriteInteger;
    using TRegistry::WriteString;

private:
    std::string basePath() const;
    std::string sectionPath(const std::string& section) const;
    std::optional<RegValue> value(const std::string& section, const std::string& ident) const;

    std::string fileName_;
};
