#pragma once
// The hierarchical key store that stands in for the system registry: keys named by paths of
// names separated by '\' (letter case does not matter, the first spelling is kept), each
// holding values (a string, a 32-bit integer or bytes) and sub-keys.
//
// Each root (current user, local machine, ...) is one text file in the settings folder:
//   [Software\Vortamix\Main]        a key, by its path from the root
//   "NormPos"="10,20,400,300"       a string value; \\ \" \n \r \t \xHH escape characters
//   "Flags"=dword:00000002          a 32-bit integer in hexadecimal
//   "Blob"=hex:01,0a,ff             bytes
//   @="..."                         the key's unnamed value
// Like TIniFile the store works on the file itself: every read sees what is on disk now
// (the file is parsed again only when it changed) and every change replaces the file at
// once, atomically and on the disk before it returns, under the writers' lock
// (SettingsFile.h), unless a writer gathers it with its other changes into one
// replacement. A file edited by hand or damaged is read as far as it goes: lines that make
// no sense are skipped, a repeated key adds to the first, a repeated value name keeps the
// first value; a change rewrites the whole file in the form above, without the comments
// and the lines that made no sense. Limits keep a file from growing without
// bound: 16 MiB a file, key names of 255 characters, 512 levels, value names of 16383
// characters and values of 1 MiB; a change that would pass them is refused. A longer file
// is read up to the limit and never rewritten: a change to it is refused, since writing
// what was read would lose the rest.
#include "platform/kernel/Types.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using HKEY = std::uintptr_t;
constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr HKEY HKEY_USERS = 0x80000003u;
constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;
constexpr HKEY HKEY_DYN_DATA = 0x80000006u;

constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

struct RegValue {
    DWORD type = REG_SZ;
    // The text of a string; four little-endian bytes of an integer; the bytes of binary data.
    std::string data;
    friend bool operator==(const RegValue&, const RegValue&) = default;

    static RegValue String(std::string text) { return {REG_SZ, std::move(text)}; }
    static RegValue DWord(DWORD value);
    static RegValue Binary(std::string bytes) { return {REG_BINARY, std::move(bytes)}; }
    // The integer of a REG_DWORD value (0 for data of another size).
    DWORD AsDWord() const;
};

constexpr std::size_t kRegMaxFileSize = 16u << 20;
constexpr std::size_t kRegMaxKeyName = 255;
constexpr std::size_t kRegMaxDepth = 512;
constexpr std::size_t kRegMaxValueName = 16383;
constexpr std::size_t kRegMaxValueSize = 1u << 20;

// The keys and values of one root, in memory.
class RegistryTree {
public:
    RegistryTree();
    ~RegistryTree();
    RegistryTree(const RegistryTree& other);
    RegistryTree& operator=(const RegistryTree& other);
    RegistryTree(RegistryTree&& other) noexcept;
    RegistryTree& operator=(RegistryTree&& other) noexcept;

    // Reads a file's text as far as it makes sense (see the top).
    static RegistryTree Parse(std::string_view text);
    std::string Text() const;

    bool KeyExists(std::string_view path) const;
    // Creates the key and the keys above it; false when a name or the depth is past its limit.
    bool CreateKey(std::string_view path);
    // Removes the key with everything below it; false when there is no such key (the root
    // itself cannot go).
    bool DeleteKey(std::string_view path);
    // Sub-key and value names in the order they were made; empty for a missing key.
    std::vector<std::string> SubKeyNames(std::string_view path) const;
    std::vector<std::string> ValueNames(std::string_view path) const;
    std::optional<RegValue> Value(std::string_view path, std::string_view name) const;
    // False when the key is missing or the name or data is past its limit.
    bool SetValue(std::string_view path, std::string_view name, const RegValue& value);
    bool DeleteValue(std::string_view path, std::string_view name);

    struct Key;

private:
    std::unique_ptr<Key> root_;
};

// The names of a path: '\'-separated, empty names (a leading or doubled '\') left out.
std::vector<std::string> SplitRegPath(std::string_view path);

// The folder the root files live in: a test's folder when set, else
// $XDG_CONFIG_HOME/vortamix/registry (~/.config/vortamix/registry without it).
std::string RegistryFolder();
// "" returns to the default.
void SetRegistryFolder(const std::string& folder);
// The file of a root; empty for a value that is no root.
std::string RegistryFile(HKEY root);

// One root's store on disk. Safe from any thread; every call reads or replaces the file.
class RegistryStore {
public:
    // nullptr for a value that is no root.
    static RegistryStore* ForRoot(HKEY root);

    bool KeyExists(std::string_view path);
    std::vector<std::string> SubKeyNames(std::string_view path);
    std::vector<std::string> ValueNames(std::string_view path);
    std::optional<RegValue> Value(std::string_view path, std::string_view name);
    // The changes answer false when they could not be made (a missing key, a limit, a file
    // that cannot be written); error then says why. A change is written to the file at once,
    // unless a writer gathers it: given the writer (an address that stands for it, such as
    // the object that gathers), the change is made in memory only, where every reader of this
    // process sees it, and stays the writer's own until the writer commits or discards it.
    // A change written at once that needs what only another writer's gathered changes made (a
    // value in a key not yet written) fails, naming the key, since it could not stand in
    // the file alone.
    bool CreateKey(std::string_view path, std::string& error, const void* writer = nullptr);
    bool DeleteKey(std::string_view path, std::string& error, const void* writer = nullptr);
    bool SetValue(std::string_view path, std::string_view name, const RegValue& value, std::string& error,
                  const void* writer = nullptr);
    bool DeleteValue(std::string_view path, std::string_view name, std::string& error,
                     const void* writer = nullptr);
    // Writes the changes the writer gathered, and no other writer's, in one replacement of
    // the file. A value whose key the file no longer holds (another program removed it) fails
    // the commit, naming its key and name, after the writer's other changes are written. On
    // failure the writer's changes are gone; the others' stay gathered.
    bool Commit(const void* writer, std::string& error);
    // Drops the changes the writer gathered.
    void Discard(const void* writer);

    struct Impl;
    explicit RegistryStore(HKEY root);
    ~RegistryStore();

private:
    std::unique_ptr<Impl> impl_;
};
