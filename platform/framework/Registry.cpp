#include "platform/framework/Registry.h"

#include "platform/files/IniFiles.h"

#include <cstring>

namespace {

std::string joined(const std::vector<std::string>& names) {
    std::string path;
    for (const std::string& name : names) {
        if (!path.empty()) path += '\\';
        path += name;
    }
    return path;
}

[[noreturn]] void writeFailed(const std::string& name, const std::string& reason) {
    throw ERegistryException("Failed to set data for '" + name + "'" +
                             (reason.empty() ? "" : " (" + reason + ")"));
}

} // namespace

TRegistry::TRegistry(DWORD access) : access_(access) {}

TRegistry::~TRegistry() {
    std::string error;
    if (updates_ > 0) store().Commit(writer(), error); // on the way out of a failure already raised
}

void TRegistry::EndUpdate() {
    std::string error;
    if (updates_ > 0 && --updates_ == 0 && !store().Commit(writer(), error))
        throw ERegistryException("Failed to write the settings (" + error + ")");
}

RegistryStore& TRegistry::store() const {
    return *RegistryStore::ForRoot(root_);
}

void TRegistry::SetRootKey(HKEY root) {
    if (!RegistryStore::ForRoot(root)) throw ERegistryException("Invalid root key");
    CloseKey();
    root_ = root;
}

std::string TRegistry::resolve(const std::string& key) const {
    const bool absolute = !key.empty() && key.front() == '\\';
    std::vector<std::string> names = absolute || !open_ ? std::vector<std::string>() : SplitRegPath(path_);
    for (std::string& name : SplitRegPath(key))
        names.push_back(std::move(name));
    return joined(names);
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    const std::string path = resolve(key);
    if (!store().KeyExists(path)) {
        std::string error;
        if (!canCreate || (access_ & KEY_CREATE_SUB_KEY) == 0 || !store().CreateKey(path, error, gatherer()))
            return false;
    }
    path_ = path;
    open_ = true;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
    access_ = KEY_READ;
    return OpenKey(key, false);
}

void TRegistry::CloseKey() {
    path_.clear();
    open_ = false;
}

bool TRegistry::KeyExists(const std::string& key) const {
    return store().KeyExists(resolve(key));
}

bool TRegistry::CreateKey(const std::string& key) {
    std::string error;
    return (access_ & KEY_CREATE_SUB_KEY) != 0 && store().CreateKey(resolve(key), error, gatherer());
}

bool TRegistry::DeleteKey(const std::string& key) {
    std::string error;
    return mayWrite() && store().DeleteKey(resolve(key), error, gatherer());
}

std::vector<std::string> TRegistry::GetKeyNames() const {
    return store().SubKeyNames(path_);
}

std::vector<std::string> TRegistry::GetValueNames() const {
    return store().ValueNames(path_);
}

bool TRegistry::ValueExists(const std::string& name) const {
    return store().Value(path_, name).has_value();
}

bool TRegistry::DeleteValue(const std::string& name) {
    std::string error;
    return mayWrite() && store().DeleteValue(path_, name, error, gatherer());
}

TRegDataType TRegistry::GetDataType(const std::string& name) const {
    const auto value = store().Value(path_, name);
    if (!value) return rdUnknown;
    switch (value->type) {
    case REG_SZ:
        return rdString;
    case REG_DWORD:
        return rdInteger;
    case REG_BINARY:
        return rdBinary;
    default:
        return rdUnknown;
    }
}

int TRegistry::GetDataSize(const std::string& name) const {
    const auto value = store().Value(path_, name);
    return value ? static_cast<int>(value->data.size()) : -1;
}

std::string TRegistry::ReadString(const std::string& name) const {
    const auto value = store().Value(path_, name);
    if (!value) return {};
    if (value->type != REG_SZ) throw ERegistryException("Invalid data type for '" + name + "'");
    return value->data;
}

void TRegistry::writeValue(const std::string& name, const RegValue& value) {
    if (!mayWrite()) writeFailed(name, "the key is open for reading only");
    std::string error;
    if (!store().SetValue(path_, name, value, error, gatherer())) writeFailed(name, error);
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    writeValue(name, RegValue::String(value));
}

int TRegistry::ReadInteger(const std::string& name) const {
    const auto value = store().Value(path_, name);
    if (!value) throw ERegistryException("Failed to get data for '" + name + "'");
    if (value->type != REG_DWORD || value->data.size() != 4)
        throw ERegistryException("Invalid data type for '" + name + "'");
    return static_cast<int>(value->AsDWord());
}

void TRegistry::WriteInteger(const std::string& name, int value) {
    writeValue(name, RegValue::DWord(static_cast<DWORD>(value)));
}

int TRegistry::ReadBinaryData(const std::string& name, void* buffer, int size) const {
    const auto value = store().Value(path_, name);
    if (!value) throw ERegistryException("Failed to get data for '" + name + "'");
    if (value->type != REG_BINARY) throw ERegistryException("Invalid data type for '" + name + "'");
    const std::size_t copied = std::min(value->data.size(), static_cast<std::size_t>(std::max(size, 0)));
    if (copied > 0) std::memcpy(buffer, value->data.data(), copied);
    return static_cast<int>(value->data.size());
}

void TRegistry::WriteBinaryData(const std::string& name, const void* buffer, int size) {
    writeValue(name, RegValue::Binary(
                         std::string(static_cast<const char*>(buffer), static_cast<std::size_t>(size))));
}

TRegIniFile::TRegIniFile(const std::string& fileName, DWORD access) : TRegistry(access), fileName_(fileName) {
    OpenKey(fileName, true);
}

// The file's key, also while it is not open (a file read before anything was written).
std::string TRegIniFile::basePath() const {
    return HasCurrentKey() ? CurrentPath() : joined(SplitRegPath(fileName_));
}

std::string TRegIniFile::sectionPath(const std::string& section) const {
    std::vector<std::string> names = SplitRegPath(basePath());
    for (std::string& name : SplitRegPath(section))
        names.push_back(std::move(name));
    return joined(names);
}

std::optional<RegValue> TRegIniFile::value(const std::string& section, const std::string& ident) const {
    return store().Value(sectionPath(section), ident);
}

std::string TRegIniFile::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& def) const {
    const auto stored = value(section, ident);
    if (!stored) return def;
    if (stored->type == REG_DWORD) return std::to_string(static_cast<int>(stored->AsDWord()));
    if (stored->type != REG_SZ) throw ERegistryException("Invalid data type for '" + ident + "'");
    return stored->data;
}

void TRegIniFile::WriteString(const std::string& section, const std::string& ident,
                              const std::string& value) {
    if (!mayWrite()) writeFailed(ident, "the key is open for reading only");
    std::string error;
    const std::string path = sectionPath(section);
    // The section's key and the value reach the file together, in one replacement.
    if (store().CreateKey(path, error, writer()) &&
        store().SetValue(path, ident, RegValue::String(value), error, writer()) &&
        (gatherer() || store().Commit(writer(), error)))
        return;
    if (!gatherer()) store().Discard(writer());
    writeFailed(ident, error);
}

int TRegIniFile::ReadInteger(const std::string& section, const std::string& ident, int def) const {
    const auto stored = value(section, ident);
    if (!stored) return def;
    if (stored->type == REG_DWORD && stored->data.size() == 4) return static_cast<int>(stored->AsDWord());
    int number = 0;
    return stored->type == REG_SZ && ParseIniInteger(stored->data, number) ? number : def;
}

void TRegIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
    WriteString(section, ident, std::to_string(value));
}

bool TRegIniFile::ReadBool(const std::string& section, const std::string& ident, bool def) const {
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TRegIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

std::vector<std::string> TRegIniFile::ReadSection(const std::string& section) const {
    return store().ValueNames(sectionPath(section));
}

std::vector<std::string> TRegIniFile::ReadSections() const {
    return store().SubKeyNames(basePath());
}

std::vector<std::string> TRegIniFile::ReadSectionValues(const std::string& section) const {
    std::vector<std::string> lines;
    for (const std::string& ident : ReadSection(section))
        lines.push_back(ident + "=" + ReadString(section, ident, ""));
    return lines;
}

bool TRegIniFile::SectionExists(const std::string& section) const {
    return !section.empty() && store().KeyExists(sectionPath(section));
}

bool TRegIniFile::ValueExists(const std::string& section, const std::string& ident) const {
    return value(section, ident).has_value();
}

void TRegIniFile::EraseSection(const std::string& section) {
    std::string error;
    if (mayWrite() && !SplitRegPath(section).empty())
        store().DeleteKey(sectionPath(section), error, gatherer());
}

void TRegIniFile::DeleteKey(const std::string& section, const std::string& ident) {
    std::string error;
    if (mayWrite()) store().DeleteValue(sectionPath(section), ident, error, gatherer());
}
