#include "platform/files/RegistryStore.h"

#include "platform/files/IniDocument.h"
#include "platform/files/SettingsFile.h"
#include "platform/files/UserFolders.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <utility>

#include <pwd.h>
#include <unistd.h>

// Values and sub-keys keep the order they were made in; each is also found by its name in a
// table, so that finding one costs the same in a key of any size.
struct RegistryTree::Key {
    std::string name;
    std::vector<std::pair<std::string, RegValue>> values;
    std::vector<std::unique_ptr<Key>> subKeys;
    IniNameMap<std::size_t> valueAt; // position in values
    IniNameMap<Key*> subKeyNamed;

    std::unique_ptr<Key> clone() const {
        auto copy = std::make_unique<Key>();
        copy->name = name;
        copy->values = values;
        copy->valueAt = valueAt;
        for (const auto& sub : subKeys)
            copy->adopt(sub->clone());
        return copy;
    }
    Key* child(std::string_view wanted) const {
        const auto found = subKeyNamed.find(wanted);
        return found == subKeyNamed.end() ? nullptr : found->second;
    }
    Key* childOrNew(const std::string& wanted) {
        if (Key* existing = child(wanted)) return existing;
        auto made = std::make_unique<Key>();
        made->name = wanted;
        return adopt(std::move(made));
    }
    bool removeChild(std::string_view wanted) {
        const auto found = subKeyNamed.find(wanted);
        if (found == subKeyNamed.end()) return false;
        const Key* gone = found->second;
        subKeyNamed.erase(found);
        std::erase_if(subKeys, [gone](const auto& sub) { return sub.get() == gone; });
        return true;
    }
    const RegValue* value(std::string_view wanted) const {
        const auto found = valueAt.find(wanted);
        return found == valueAt.end() ? nullptr : &values[found->second].second;
    }
    // Sets the value; a value of that name already there keeps its place, or with keepFirst
    // its data too (a file's repeated value name).
    void setValue(std::string_view valueName, RegValue data, bool keepFirst = false) {
        const auto [at, added] = valueAt.try_emplace(std::string(valueName), values.size());
        if (added)
            values.emplace_back(std::string(valueName), std::move(data));
        else if (!keepFirst)
            values[at->second].second = std::move(data);
    }
    bool removeValue(std::string_view wanted) {
        const auto found = valueAt.find(wanted);
        if (found == valueAt.end()) return false;
        const std::size_t position = found->second;
        valueAt.erase(found);
        values.erase(values.begin() + static_cast<std::ptrdiff_t>(position));
        for (std::size_t i = position; i < values.size(); ++i)
            valueAt.find(values[i].first)->second = i;
        return true;
    }

private:
    Key* adopt(std::unique_ptr<Key> sub) {
        Key* adopted = sub.get();
        subKeyNamed.emplace(sub->name, adopted);
        subKeys.push_back(std::move(sub));
        return adopted;
    }
};

namespace {

using Key = RegistryTree::Key;

bool validKeyName(std::string_view name) {
    return !name.empty() && name.size() <= kRegMaxKeyName &&
           name.find_first_of("\r\n") == std::string::npos && name.find('\0') == std::string::npos;
}

bool validPath(const std::vector<std::string>& names) {
    return names.size() <= kRegMaxDepth && std::all_of(names.begin(), names.end(), validKeyName);
}

// ---- reading a file --------------------------------------------------------------------

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void skipBlanks(std::string_view line, std::size_t& pos) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
        ++pos;
}

// A quoted text starting at pos (on the opening quote); pos ends after the closing quote.
std::optional<std::string> quoted(std::string_view line, std::size_t& pos, std::size_t limit) {
    if (pos >= line.size() || line[pos] != '"') return std::nullopt;
    std::string text;
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return text;
        }
        if (c == '\\' && pos + 1 < line.size()) {
            c = line[++pos];
            switch (c) {
            case 'n':
                c = '\n';
                break;
            case 'r':
                c = '\r';
                break;
            case 't':
                c = '\t';
                break;
            case '0':
                c = '\0';
                break;
            case 'x':
                if (pos + 2 < line.size() && hexValue(line[pos + 1]) >= 0 && hexValue(line[pos + 2]) >= 0) {
                    c = static_cast<char>(hexValue(line[pos + 1]) * 16 + hexValue(line[pos + 2]));
                    pos += 2;
                }
                break;
            default:
                break; // \\, \" and any other character stand for themselves
            }
        }
        if (text.size() >= limit) return std::nullopt;
        text += c;
    }
    return std::nullopt; // no closing quote
}

bool startsWithWord(std::string_view text, std::size_t pos, std::string_view word) {
    return text.size() - pos >= word.size() && SameIniName(text.substr(pos, word.size()), word);
}

std::optional<RegValue> valueData(std::string_view line, std::size_t pos) {
    RegValue value;
    if (pos < line.size() && line[pos] == '"') {
        auto text = quoted(line, pos, kRegMaxValueSize);
        if (!text) return std::nullopt;
        value = RegValue::String(std::move(*text));
    } else if (startsWithWord(line, pos, "dword:")) {
        pos += 6;
        DWORD number = 0;
        std::size_t digits = 0;
        for (; pos < line.size() && hexValue(line[pos]) >= 0; ++pos, ++digits)
            number = number * 16 + static_cast<DWORD>(hexValue(line[pos]));
        if (digits == 0 || digits > 8) return std::nullopt;
        value = RegValue::DWord(number);
    } else if (startsWithWord(line, pos, "hex:")) {
        pos += 4;
        std::string bytes;
        for (;;) {
            skipBlanks(line, pos);
            if (pos + 1 >= line.size() || hexValue(line[pos]) < 0 || hexValue(line[pos + 1]) < 0) break;
            if (bytes.size() >= kRegMaxValueSize) return std::nullopt;
            bytes += static_cast<char>(hexValue(line[pos]) * 16 + hexValue(line[pos + 1]));
            pos += 2;
            skipBlanks(line, pos);
            if (pos < line.size() && line[pos] == ',') ++pos;
        }
        value = RegValue::Binary(std::move(bytes));
    } else {
        return std::nullopt;
    }
    skipBlanks(line, pos);
    if (pos != line.size()) return std::nullopt;
    return value;
}

// A value line: "name"=data or @=data.
std::optional<std::pair<std::string, RegValue>> valueLine(std::string_view line) {
    std::size_t pos = 0;
    std::string name;
    if (line.front() == '@') {
        pos = 1;
    } else {
        auto quotedName = quoted(line, pos, kRegMaxValueName);
        if (!quotedName) return std::nullopt;
        name = std::move(*quotedName);
    }
    skipBlanks(line, pos);
    if (pos >= line.size() || line[pos] != '=') return std::nullopt;
    ++pos;
    skipBlanks(line, pos);
    auto value = valueData(line, pos);
    if (!value) return std::nullopt;
    return std::make_pair(std::move(name), std::move(*value));
}

std::string_view trimmedLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
        line.remove_prefix(1);
    return line;
}

// ---- writing a file --------------------------------------------------------------------

void appendQuoted(std::string& out, std::string_view text) {
    static const char digits[] = "0123456789abcdef";
    out += '"';
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            out += "\\x";
            out += digits[byte >> 4];
            out += digits[byte & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

void appendValue(std::string& out, const std::string& name, const RegValue& value) {
    static const char digits[] = "0123456789abcdef";
    if (name.empty())
        out += '@';
    else
        appendQuoted(out, name);
    out += '=';
    if (value.type == REG_DWORD) {
        const DWORD number = value.AsDWord();
        out += "dword:";
        for (int shift = 28; shift >= 0; shift -= 4)
            out += digits[(number >> shift) & 15];
    } else if (value.type == REG_BINARY) {
        out += "hex:";
        for (std::size_t i = 0; i < value.data.size(); ++i) {
            const auto byte = static_cast<unsigned char>(value.data[i]);
            if (i > 0) out += ',';
            out += digits[byte >> 4];
            out += digits[byte & 15];
        }
    } else {
        appendQuoted(out, value.data);
    }
    out += '\n';
}

void appendKey(std::string& out, const Key& key, const std::string& path) {
    if (!path.empty() || !key.values.empty()) {
        if (!out.empty()) out += '\n';
        out += '[' + path + "]\n";
        for (const auto& [name, value] : key.values)
            appendValue(out, name, value);
    }
    for (const auto& sub : key.subKeys)
        appendKey(out, *sub, path.empty() ? sub->name : path + '\\' + sub->name);
}

} // namespace

RegValue RegValue::DWord(DWORD value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return {REG_DWORD, bytes};
}

DWORD RegValue::AsDWord() const {
    if (data.size() != 4) return 0;
    DWORD value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
    return value;
}

std::vector<std::string> SplitRegPath(std::string_view path) {
    std::vector<std::string> names;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t end = path.find('\\', pos);
        if (end == std::string_view::npos) end = path.size();
        if (end > pos) names.emplace_back(path.substr(pos, end - pos));
        pos = end + 1;
    }
    return names;
}

RegistryTree::RegistryTree() : root_(std::make_unique<Key>()) {}
RegistryTree::~RegistryTree() = default;
RegistryTree::RegistryTree(const RegistryTree& other) : root_(other.root_->clone()) {}
RegistryTree::RegistryTree(RegistryTree&& other) noexcept = default;
RegistryTree& RegistryTree::operator=(RegistryTree&& other) noexcept = default;

RegistryTree& RegistryTree::operator=(const RegistryTree& other) {
    if (this != &other) root_ = other.root_->clone();
    return *this;
}

RegistryTree RegistryTree::Parse(std::string_view text) {
    RegistryTree tree;
    Key* current = tree.root_.get();
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = trimmedLine(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            const std::vector<std::string> names = close == std::string_view::npos
                                                       ? std::vector<std::string>()
                                                       : SplitRegPath(line.substr(1, close - 1));
            current = close != std::string_view::npos && validPath(names) ? tree.root_.get() : nullptr;
            for (std::size_t i = 0; current && i < names.size(); ++i)
                current = current->childOrNew(names[i]);
            continue;
        }
        if (!current) continue;
        auto entry = valueLine(line);
        if (entry) current->setValue(entry->first, std::move(entry->second), true);
    }
    return tree;
}

std::string RegistryTree::Text() const {
    std::string out;
    appendKey(out, *root_, "");
    return out;
}

namespace {

Key* findKey(Key* root, std::string_view path) {
    Key* key = root;
    for (const std::string& name : SplitRegPath(path)) {
        key = key->child(name);
        if (!key) return nullptr;
    }
    return key;
}

} // namespace

bool RegistryTree::KeyExists(std::string_view path) const {
    return findKey(root_.get(), path) != nullptr;
}

bool RegistryTree::CreateKey(std::string_view path) {
    const std::vector<std::string> names = SplitRegPath(path);
    if (!validPath(names)) return false;
    Key* key = root_.get();
    for (const std::string& name : names)
        key = key->childOrNew(name);
    return true;
}

bool RegistryTree::DeleteKey(std::string_view path) {
    std::vector<std::string> names = SplitRegPath(path);
    if (names.empty()) return false;
    const std::string last = names.back();
    names.pop_back();
    Key* parent = root_.get();
    for (const std::string& name : names)
        if (!(parent = parent->child(name))) return false;
    return parent->removeChild(last);
}

std::vector<std::string> RegistryTree::SubKeyNames(std::string_view path) const {
    std::vector<std::string> names;
    if (const Key* key = findKey(root_.get(), path))
        for (const auto& sub : key->subKeys)
            names.push_back(sub->name);
    return names;
}

std::vector<std::string> RegistryTree::ValueNames(std::string_view path) const {
    std::vector<std::string> names;
    if (const Key* key = findKey(root_.get(), path))
        for (const auto& entry : key->values)
            names.push_back(entry.first);
    return names;
}

std::optional<RegValue> RegistryTree::Value(std::string_view path, std::string_view name) const {
    const Key* key = findKey(root_.get(), path);
    const RegValue* value = key ? key->value(name) : nullptr;
    if (!value) return std::nullopt;
    return *value;
}

bool RegistryTree::SetValue(std::string_view path, std::string_view name, const RegValue& value) {
    Key* key = findKey(root_.get(), path);
    if (!key || name.size() > kRegMaxValueName || value.data.size() > kRegMaxValueSize) return false;
    key->setValue(name, value);
    return true;
}

bool RegistryTree::DeleteValue(std::string_view path, std::string_view name) {
    Key* key = findKey(root_.get(), path);
    return key && key->removeValue(name);
}

// ---- the folder and the stores ---------------------------------------------------------

namespace {

std::mutex folderLock;
std::string folderOverride; // guarded by folderLock

std::string defaultFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* user = getpwuid(getuid());
            home = user ? user->pw_dir : "/tmp";
        }
        base = std::string(home) + "/.config";
    }
    return base + "/vortamix/registry";
}

} // namespace

std::string RegistryFolder() {
    std::lock_guard guard(folderLock);
    return folderOverride.empty() ? defaultFolder() : folderOverride;
}

void SetRegistryFolder(const std::string& folder) {
    std::lock_guard guard(folderLock);
    folderOverride = folder;
}

std::string RegistryFile(HKEY root) {
    static const std::map<HKEY, const char*> names = {
        {HKEY_CLASSES_ROOT, "classes-root"},     {HKEY_CURRENT_USER, "current-user"},
        {HKEY_LOCAL_MACHINE, "local-machine"},   {HKEY_USERS, "users"},
        {HKEY_CURRENT_CONFIG, "current-config"}, {HKEY_DYN_DATA, "dyn-data"},
    };
    auto it = names.find(root);
    return it == names.end() ? std::string() : RegistryFolder() + "/" + it->second + ".conf";
}

struct RegistryStore::Impl {
    // One change, kept until it is in the file; false when it cannot be made.
    using Edit = std::function<bool(RegistryTree&)>;
    // What a change is about: a key, or a value of it, and whether the change sets the
    // value. A value set that the file can no longer take is lost; a deletion that it can no
    // longer take loses nothing, since what it deletes is gone already.
    struct Subject {
        std::string key;
        std::optional<std::string> value = {};
        bool sets = false;
    };
    struct Gathered {
        const void* writer;
        Edit edit;
        Subject subject;
    };

    HKEY root;
    std::mutex lock; // guards everything below
    std::unique_ptr<SettingsFile> file;
    RegistryTree fileTree; // the file as last read or written
    std::string fileText;  // its text
    bool exists = false;
    bool whole = true; // the file was read whole
    std::vector<Gathered> gathered;
    // While anything is gathered: the file with every writer's gathered changes, which is what
    // this process reads.
    std::optional<RegistryTree> withGathered;

    RegistryTree& seen() { return withGathered ? *withGathered : fileTree; }

    void gatherAgain() {
        withGathered.reset();
        if (gathered.empty()) return;
        withGathered = fileTree;
        for (const Gathered& change : gathered)
            change.edit(*withGathered);
    }

    // Reads the file again when it is no longer the one last read or written.
    void refresh() {
        const std::string now = RegistryFile(root);
        if (!file || file->Path() != now) file = std::make_unique<SettingsFile>(now);
        if (file->Changed()) reload();
    }

    void reload() {
        SettingsFile::Contents contents = file->Read(kRegMaxFileSize);
        fileText = std::move(contents.text);
        exists = contents.exists;
        whole = contents.whole;
        fileTree = RegistryTree::Parse(fileText);
        gatherAgain();
    }

    bool refuseUnread(std::string& error) const {
        if (whole) return false;
        error = "the settings file " + file->Path() + " is unreadable or larger than " +
                std::to_string(kRegMaxFileSize >> 20) + " MiB; it was not read whole and is not rewritten";
        return true;
    }

    static bool refuseEdit(std::string& error) {
        error = "no such key, or a name or value past its limit";
        return false;
    }

    // The values set whose keys the file does not hold, by key: "<file> has no key 'K' for
    // 'a', 'b'; no key ...".
    std::string lostValues(const std::vector<Subject>& lost) const {
        std::string text = file->Path() + " has no key";
        for (std::size_t i = 0; i < lost.size(); ++i) {
            if (i > 0 && lost[i].key == lost[i - 1].key)
                text += ", '";
            else
                text += (i > 0 ? "; no key '" : " '") + lost[i].key + "' for '";
            text += lost[i].value.value_or("") + "'";
        }
        return text;
    }

    // Why a change written at once cannot stand in the file alone.
    std::string notYetWritten(const Subject& subject) const {
        const std::string what = subject.value && !subject.sets
                                     ? "the value '" + *subject.value + "' of the key '" + subject.key + "'"
                                     : "the key '" + subject.key + "'";
        return file->Path() + " does not hold " + what +
               ": another writer of this program has yet to write it";
    }

    bool change(Edit edit, Subject subject, const void* writer, std::string& error) {
        std::lock_guard guard(lock);
        refresh();
        if (refuseUnread(error)) return false;
        if (!withGathered && writer) withGathered = fileTree;
        if (!edit(seen())) {
            if (gathered.empty()) withGathered.reset();
            return refuseEdit(error);
        }
        if (writer) {
            gathered.push_back({writer, std::move(edit), std::move(subject)});
            return true;
        }
        return writeAtOnce(edit, subject, error);
    }

    // Writes a change that this process sees made onto the file as the writers' lock finds it.
    bool writeAtOnce(const Edit& edit, const Subject& subject, std::string& error) {
        MakeFolders(RegistryFolder(), 0700);
        SettingsWriteLock writers(RegistryFile(root));
        if (file->Changed()) { // another writer's file: the change is made on it again
            reload();
            if (refuseUnread(error)) return false;
            if (!edit(seen())) return refuseEdit(error);
        }
        // What this process sees may hold a key or a value that only a gathered change made.
        if (withGathered && !edit(fileTree)) {
            gatherAgain();
            error = notYetWritten(subject);
            return false;
        }
        return writeOut(error);
    }

    // Writes the writer's gathered changes onto the file as it is now, and drops them
    // from what is gathered whether that succeeds or not. A value whose key the file no
    // longer holds fails the commit, after the others are written.
    bool commit(const void* writer, std::string& error) {
        const auto mine = [writer](const Gathered& change) { return change.writer == writer; };
        if (std::none_of(gathered.begin(), gathered.end(), mine)) return true;
        MakeFolders(RegistryFolder(), 0700);
        SettingsWriteLock writers(RegistryFile(root));
        refresh(); // another process's file is read again
        std::vector<Subject> lost;
        const bool readWhole = !refuseUnread(error);
        for (const Gathered& change : gathered)
            if (readWhole && mine(change) && !change.edit(fileTree) && change.subject.sets)
                lost.push_back(change.subject);
        std::erase_if(gathered, mine);
        const bool written = readWhole && writeOut(error);
        gatherAgain();
        if (written && !lost.empty()) error = lostValues(lost);
        return written && lost.empty();
    }

    // Replaces the file with fileTree's text. On failure the file is read again at the next
    // call, so that fileTree is the file's once more.
    bool writeOut(std::string& error) {
        std::string text = fileTree.Text();
        if (exists && text == fileText) return true;
        const bool fits = text.size() <= kRegMaxFileSize;
        if (fits && file->Replace(text, error)) {
            fileText = std::move(text);
            exists = true;
            return true;
        }
        error = fits ? file->Path() + ": " + error : "the settings store is full";
        file->Forget();
        return false;
    }

    template <class Read> auto read(Read reader) {
        std::lock_guard guard(lock);
        refresh();
        return reader(std::as_const(seen()));
    }
};

RegistryStore::RegistryStore(HKEY root) : impl_(std::make_unique<Impl>()) {
    impl_->root = root;
}

RegistryStore::~RegistryStore() = default;

RegistryStore* RegistryStore::ForRoot(HKEY root) {
    static std::mutex lock;
    static std::map<HKEY, std::unique_ptr<RegistryStore>> stores;
    if (RegistryFile(root).empty()) return nullptr;
    std::lock_guard guard(lock);
    auto& store = stores[root];
    if (!store) store = std::make_unique<RegistryStore>(root);
    return store.get();
}

bool RegistryStore::KeyExists(std::string_view path) {
    return impl_->read([&](const RegistryTree& tree) { return tree.KeyExists(path); });
}

std::vector<std::string> RegistryStore::SubKeyNames(std::string_view path) {
    return impl_->read([&](const RegistryTree& tree) { return tree.SubKeyNames(path); });
}

std::vector<std::string> RegistryStore::ValueNames(std::string_view path) {
    return impl_->read([&](const RegistryTree& tree) { return tree.ValueNames(path); });
}

std::optional<RegValue> RegistryStore::Value(std::string_view path, std::string_view name) {
    return impl_->read([&](const RegistryTree& tree) { return tree.Value(path, name); });
}

bool RegistryStore::CreateKey(std::string_view path, std::string& error, const void* writer) {
    return impl_->change([path = std::string(path)](RegistryTree& tree) { return tree.CreateKey(path); },
                         {std::string(path)}, writer, error);
}

bool RegistryStore::DeleteKey(std::string_view path, std::string& error, const void* writer) {
    return impl_->change([path = std::string(path)](RegistryTree& tree) { return tree.DeleteKey(path); },
                         {std::string(path)}, writer, error);
}

bool RegistryStore::SetValue(std::string_view path, std::string_view name, const RegValue& value,
                             std::string& error, const void* writer) {
    return impl_->change([path = std::string(path), name = std::string(name),
                          value](RegistryTree& tree) { return tree.SetValue(path, name, value); },
                         {std::string(path), std::string(name), true}, writer, error);
}

bool RegistryStore::DeleteValue(std::string_view path, std::string_view name, std::string& error,
                                const void* writer) {
    return impl_->change([path = std::string(path), name = std::string(name)](
                             RegistryTree& tree) { return tree.DeleteValue(path, name); },
                         {std::string(path), std::string(name)}, writer, error);
}

bool RegistryStore::Commit(const void* writer, std::string& error) {
    std::lock_guard guard(impl_->lock);
    return impl_->commit(writer, error);
}

void RegistryStore::Discard(const void* writer) {
    std::lock_guard guard(impl_->lock);
    if (std::erase_if(impl_->gathered,
                      [writer](const Impl::Gathered& change) { return change.writer == writer; }))
        impl_->gatherAgain();
}
