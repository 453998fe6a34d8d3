#include "platform/framework/StringList.h"
#include "platform/files/PathResolver.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

namespace {

bool needsQuotes(const std::string& text) {
    if (text.empty()) return false;
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == ',' || c == '"'; });
}

} // namespace

int CompareText(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

void TStrings::IndexError(int index) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

int TStrings::CompareStrings(const std::string& a, const std::string& b) const {
    if (!caseSensitive_) return CompareText(a, b);
    const int order = a.compare(b);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

int TStrings::Add(const std::string& text) {
    const int index = Count();
    Insert(index, text);
    return index;
}

int TStrings::AddObject(const std::string& text, TObject* object) {
    const int index = Add(text);
    PutObject(index, object);
    return index;
}

void TStrings::InsertObject(int index, const std::string& text, TObject* object) {
    Insert(index, text);
    PutObject(index, object);
}

void TStrings::Put(int index, const std::string& text) {
    TObject* object = GetObject(index);
    Delete(index);
    InsertObject(index, text, object);
}

TObject* TStrings::GetObject(int) const {
    return nullptr;
}

void TStrings::PutObject(int, TObject*) {}

void TStrings::SetUpdateState(bool) {}

void TStrings::BeginUpdate() {
    if (updateCount_++ == 0) SetUpdateState(true);
}

void TStrings::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) SetUpdateState(false);
}

void TStrings::Exchange(int index1, int index2) {
    BeginUpdate();
    const std::string text1 = Get(index1), text2 = Get(index2);
    TObject* object1 = GetObject(index1);
    TObject* object2 = GetObject(index2);
    Put(index1, text2);
    PutObject(index1, object2);
    Put(index2, text1);
    PutObject(index2, object1);
    EndUpdate();
}

void TStrings::Move(int currentIndex, int newIndex) {
    if (currentIndex == newIndex) return;
    BeginUpdate();
    const std::string text = Get(currentIndex);
    TObject* object = GetObject(currentIndex);
    Delete(currentIndex);
    InsertObject(newIndex, text, object);
    EndUpdate();
}

void TStrings::Assign(const TStrings& source) {
    if (&source == this) return;
    BeginUpdate();
    Clear();
    AddStrings(source);
    EndUpdate();
}

void TStrings::AddStrings(const TStrings& source) {
    BeginUpdate();
    for (int i = 0; i < source.Count(); ++i)
        AddObject(source.Strings(i), source.Objects(i));
    EndUpdate();
}

int TStrings::IndexOf(const std::string& text) const {
    for (int i = 0; i < Count(); ++i)
        if (CompareStrings(Get(i), text) == 0) return i;
    return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
    for (int i = 0; i < Count(); ++i)
        if (GetObject(i) == object) return i;
    return -1;
}

int TStrings::IndexOfName(const std::string& name) const {
    for (int i = 0; i < Count(); ++i) {
        const std::string line = Get(i);
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos && CompareStrings(line.substr(0, equals), name) == 0) return i;
    }
    return -1;
}

std::string TStrings::Names(int index) const {
    const std::string line = Get(index);
    const std::size_t equals = line.find('=');
    return equals == std::string::npos ? std::string() : line.substr(0, equals);
}

std::string TStrings::Values(const std::string& name) const {
    const int index = IndexOfName(name);
    if (index < 0) return {};
    const std::string line = Get(index);
    return line.substr(line.find('=') + 1);
}

void TStrings::SetValue(const std::string& name, const std::string& value) {
    const int index = IndexOfName(name);
    if (value.empty()) {
        if (index >= 0) Delete(index);
    } else if (index >= 0) {
        Put(index, name + "=" + value);
    } else {
        Add(name + "=" + value);
    }
}

std::string TStrings::Text() const {
    std::string text;
    for (int i = 0; i < Count(); ++i) {
        text += Get(i);
        text += '\n';
    }
    return text;
}

void TStrings::SetText(const std::string& text) {
    BeginUpdate();
    Clear();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            Add(text.substr(start));
            break;
        }
        Add(text.substr(start, end - start));
        start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    EndUpdate();
}

std::string TStrings::CommaText() const {
    std::string text;
    for (int i = 0; i < Count(); ++i) {
        if (i > 0) text += ',';
        const std::string item = Get(i);
        if (!needsQuotes(item)) {
            text += item;
            continue;
        }
        text += '"';
        for (char c : item) {
            if (c == '"') text += '"';
            text += c;
        }
        text += '"';
    }
    return text;
}

void TStrings::SetCommaText(const std::string& text) {
    BeginUpdate();
    Clear();
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ')
            ++i;
    };
    skipBlanks();
    while (i < text.size()) {
        std::string item;
        if (text[i] == '"') {
            ++i;
            while (i < text.size()) {
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        item += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            while (i < text.size() && text[i] != ',' && static_cast<unsigned char>(text[i]) > ' ')
                item += text[i++];
        }
        Add(item);
        skipBlanks();
        if (i < text.size() && text[i] == ',') {
            ++i;
            skipBlanks();
            if (i == text.size()) Add("");
        }
    }
    EndUpdate();
}

void TStrings::LoadFromFile(const std::string& fileName) {
    std::ifstream file(ResolvePath(fileName), std::ios::binary);
    if (!file) throw EFOpenError("Cannot open file \"" + fileName + "\"");
    std::ostringstream content;
    content << file.rdbuf();
    SetText(content.str());
}

void TStrings::SaveToFile(const std::string& fileName) const {
    std::ofstream file(ResolvePath(fileName), std::ios::binary | std::ios::trunc);
    if (!file) throw EFCreateError("Cannot create file \"" + fileName + "\"");
    const std::string text = Text();
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!file.flush()) throw EFCreateError("Cannot write file \"" + fileName + "\"");
}

void TStringList::checkIndex(int index) const {
    if (index < 0 || index >= Count()) IndexError(index);
}

void TStringList::changing() {
    if (!updating_ && OnChanging) OnChanging(this);
}

void TStringList::changed() {
    if (!updating_ && OnChange) OnChange(this);
}

void TStringList::SetUpdateState(bool updating) {
    updating_ = updating;
    if (updating)
        changing();
    else
        changed();
}

std::string TStringList::Get(int index) const {
    checkIndex(index);
    return items_[static_cast<std::size_t>(index)].text;
}

TObject* TStringList::GetObject(int index) const {
    checkIndex(index);
    return items_[static_cast<std::size_t>(index)].object;
}

void TStringList::Put(int index, const std::string& text) {
    if (sorted_) throw EListError("Operation not allowed on sorted list");
    checkIndex(index);
    changing();
    items_[static_cast<std::size_t>(index)].text = text;
    changed();
}

void TStringList::PutObject(int index, TObject* object) {
    checkIndex(index);
    changing();
    items_[static_cast<std::size_t>(index)].object = object;
    changed();
}

int TStringList::Add(const std::string& text) {
    return AddObject(text, nullptr);
}

int TStringList::AddObject(const std::string& text, TObject* object) {
    int index = Count();
    if (sorted_ && Find(text, index)) {
        if (duplicates_ == dupIgnore) return index;
        if (duplicates_ == dupError) throw EListError("String list does not allow duplicates");
    }
    insertItem(index, text, object);
    return index;
}

void TStringList::Insert(int index, const std::string& text) {
    if (sorted_) throw EListError("Operation not allowed on sorted list");
    if (index < 0 || index > Count()) IndexError(index);
    insertItem(index, text, nullptr);
}

void TStringList::insertItem(int index, const std::string& text, TObject* object) {
    changing();
    items_.insert(items_.begin() + index, Item{text, object});
    changed();
}

void TStringList::Delete(int index) {
    checkIndex(index);
    changing();
    items_.erase(items_.begin() + index);
    changed();
}

void TStringList::Clear() {
    if (items_.empty()) return;
    changing();
    items_.clear();
    changed();
}

int TStringList::IndexOf(const std::string& text) const {
    if (!sorted_) return TStrings::IndexOf(text);
    int index = 0;
    return Find(text, index) ? index : -1;
}

bool TStringList::Find(const std::string& text, int& index) const {
    int low = 0, high = Count() - 1;
    bool found = false;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const int order = CompareStrings(items_[static_cast<std::size_t>(middle)].text, text);
        if (order < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (order == 0) {
                found = true;
                // dupAccept may hold equal strings: the first of them is the answer.
                if (duplicates_ != dupAccept) low = middle;
            }
        }
    }
    index = low;
    return found;
}

void TStringList::Sort() {
    changing();
    std::stable_sort(items_.begin(), items_.end(),
                     [this](const Item& a, const Item& b) { return CompareStrings(a.text, b.text) < 0; });
    changed();
}

void TStringList::SetSorted(bool sorted) {
    if (sorted == sorted_) return;
    if (sorted) Sort();
    sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool caseSensitive) {
    if (caseSensitive == CaseSensitive()) return;
    TStrings::SetCaseSensitive(caseSensitive);
    if (sorted_) Sort();
}
