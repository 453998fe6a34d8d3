#include "platform/framework/Published.h"

#include "platform/framework/Bitmap.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <memory>
#include <mutex>

// Defined with the framework's registrations.
void RegisterFrameworkClasses();

namespace {

bool sameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

struct ClassEntry {
    std::string name;
    std::string parentName;
    std::vector<TPropInfo> own;
    // Own and inherited properties, built on first use.
    std::optional<std::vector<const TPropInfo*>> all;
};

class Registry {
public:
    static Registry& instance() {
        static Registry registry;
        return registry;
    }

    bool add(const std::string& name, const std::string& parentName, std::vector<TPropInfo> properties) {
        std::lock_guard guard(lock_);
        if (classes_.count(name)) return false;
        auto entry = std::make_unique<ClassEntry>();
        entry->name = name;
        entry->parentName = parentName;
        entry->own = std::move(properties);
        classes_.emplace(name, std::move(entry));
        // A new class may sit between an object's class and the ancestor it was resolved to.
        for (auto& [key, other] : classes_)
            other->all.reset();
        resolved_.clear();
        return true;
    }

    bool has(const std::string& name) {
        std::lock_guard guard(lock_);
        return classes_.count(name) != 0;
    }

    bool inheritsFrom(std::string name, const std::string& ancestor) {
        std::lock_guard guard(lock_);
        for (int depth = 0; depth < 64 && !name.empty(); ++depth) {
            if (name == ancestor) return true;
            auto it = classes_.find(name);
            if (it == classes_.end()) return false;
            name = it->second->parentName;
        }
        return false;
    }

    std::vector<const TPropInfo*> properties(const TObject& object) {
        std::lock_guard guard(lock_);
        return listOf(classOf(object));
    }

    std::vector<const TPropInfo*> properties(const std::string& className) {
        std::lock_guard guard(lock_);
        return listOf(find(className));
    }

private:
    std::vector<const TPropInfo*> listOf(ClassEntry* entry) {
        if (!entry) return {};
        if (!entry->all) entry->all = flatten(*entry);
        return *entry->all;
    }

    ClassEntry* find(const std::string& name) {
        auto it = classes_.find(name);
        return it == classes_.end() ? nullptr : it->second.get();
    }

    int depth(const ClassEntry& entry) {
        int depth = 0;
        for (const ClassEntry* e = &entry; e && depth < 64; e = find(e->parentName))
            ++depth;
        return depth;
    }

    // The object's class, or its nearest registered ancestor.
    ClassEntry* classOf(const TObject& object) {
        const std::string name = object.ClassName();
        if (ClassEntry* entry = find(name)) return entry;
        auto known = resolved_.find(name);
        if (known != resolved_.end()) return known->second;
        ClassEntry* best = find(object.ClassParentName());
        if (!best) {
            int bestDepth = 0;
            for (auto& [key, entry] : classes_) {
                if (!object.InheritsFrom(key)) continue;
                const int d = depth(*entry);
                if (d > bestDepth) {
                    best = entry.get();
                    bestDepth = d;
                }
            }
        }
        resolved_[name] = best;
        return best;
    }

    std::vector<const TPropInfo*> flatten(ClassEntry& entry) {
        std::vector<ClassEntry*> chain;
        for (ClassEntry* e = &entry; e && chain.size() < 64; e = find(e->parentName))
            chain.push_back(e);
        std::vector<const TPropInfo*> all;
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            for (const TPropInfo& prop : (*it)->own) {
                auto same = std::find_if(all.begin(), all.end(),
                                         [&](const TPropInfo* p) { return sameName(p->Name, prop.Name); });
                if (same != all.end())
                    *same = &prop;
                else
                    all.push_back(&prop);
            }
        }
        return all;
    }

    std::mutex lock_; // guards everything below
    std::map<std::string, std::unique_ptr<ClassEntry>> classes_;
    std::map<std::string, ClassEntry*> resolved_; // unregistered class name -> its nearest ancestor
};

void ensureFramework() {
    static std::once_flag once;
    std::call_once(once, [] { RegisterFrameworkClasses(); });
}

// Named types, one object per name, alive until the program ends.
class TypeTable {
public:
    static TypeTable& instance() {
        static TypeTable table;
        return table;
    }
    template <class Fill> const TTypeInfo& get(const std::string& key, Fill fill) {
        std::lock_guard guard(lock_);
        auto& slot = types_[key];
        if (!slot) {
            slot = std::make_unique<TTypeInfo>();
            fill(*slot);
        }
        return *slot;
    }

private:
    std::mutex lock_;
    std::map<std::string, std::unique_ptr<TTypeInfo>> types_;
};

const TTypeInfo& simpleType(TTypeKind kind, const std::string& name) {
    return TypeTable::instance().get(name, [&](TTypeInfo& type) {
        type.Kind = kind;
        type.Name = name;
    });
}

TPropValue read(TObject& object, const TPropInfo& prop) {
    if (!prop.Get) throw EPropertyError("Property " + prop.Name + " cannot be read");
    return prop.Get(object);
}

void write(TObject& object, const TPropInfo& prop, const TPropValue& value) {
    if (!prop.Set) throw EPropertyError("Property " + prop.Name + " is read-only");
    prop.Set(object, value);
}

template <class T> T take(const TPropValue& value, const TPropInfo& prop) {
    if (const T* typed = std::get_if<T>(&value)) return *typed;
    published::wrongKind(prop.Name);
}

[[noreturn]] void invalidText(const TPropInfo& prop, std::string_view text) {
    throw EPropertyError("Invalid property value '" + std::string(text) + "' for " + prop.Name);
}

// The bits of a set's members (0 to 31 at most).
std::int64_t memberBits(const TTypeInfo& setType) {
    const int last = setType.CompType ? std::min(setType.CompType->MaxValue(), 31) : 31;
    return (std::int64_t{1} << (last + 1)) - 1;
}

// The value as the property's type holds it; one the type cannot hold is refused.
std::int64_t ordinalOfType(const TPropInfo& prop, std::int64_t value) {
    const TTypeInfo& type = *prop.PropType;
    bool holds = true;
    if (type.Kind == tkInteger)
        holds = value >= INT32_MIN && value <= UINT32_MAX;
    else if (type.Kind == tkEnumeration)
        holds = value >= type.MinValue && value <= type.MaxValue();
    else if (type.Kind == tkSet)
        holds = (value & ~memberBits(type)) == 0;
    if (!holds) invalidText(prop, std::to_string(value));
    return type.Unsigned ? static_cast<std::uint32_t>(value) : value;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::string floatText(double value, TFloatType floatType) {
    char text[64];
    const auto result = floatType == ftSingle
                            ? std::to_chars(text, text + sizeof text, static_cast<float>(value))
                            : std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

TComponent* findComponentFor(TObject& object, std::string_view name) {
    auto* component = dynamic_cast<TComponent*>(&object);
    if (!component) return nullptr;
    const std::string wanted(name);
    for (TComponent* scope = component; scope; scope = scope->Owner()) {
        if (sameName(scope->Name(), wanted)) return scope;
        if (TComponent* found = scope->FindComponent(wanted)) return found;
    }
    return nullptr;
}

std::string pictureText(const TBitmap& picture) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (BYTE byte : picture.SaveToMemory()) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void setPicture(TObject& object, const TPropInfo& prop, std::string_view text) {
    auto refuse = [&prop] { throw EPropertyError("Invalid picture data for " + prop.Name); };
    if (text.size() % 2 != 0) refuse();
    std::vector<BYTE> bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = hexDigit(text[i]), low = hexDigit(text[i + 1]);
        if (high < 0 || low < 0) refuse();
        bytes.push_back(static_cast<BYTE>(high << 4 | low));
    }
    if (bytes.empty()) {
        SetObjectProp(object, prop, nullptr);
        return;
    }
    TBitmap picture;
    try {
        picture.LoadFromMemory(bytes.data(), bytes.size());
    } catch (const Exception&) {
        refuse();
    }
    SetObjectProp(object, prop, &picture);
}

} // namespace

namespace published {

void wrongKind(const std::string& property) {
    throw EPropertyError("Invalid property value for " + property);
}

void wrongClass(const std::string& property) {
    throw EPropertyError("Invalid property value for " + property + ": an object of another class");
}

} // namespace published

const TTypeInfo& TypeInteger() {
    return simpleType(tkInteger, "Integer");
}

const TTypeInfo& TypeInt64() {
    return simpleType(tkInt64, "Int64");
}

const TTypeInfo& TypeChar() {
    return simpleType(tkChar, "Char");
}

const TTypeInfo& TypeWideChar() {
    return simpleType(tkWChar, "WideChar");
}

const TTypeInfo& TypeString() {
    return simpleType(tkLString, "String");
}

const TTypeInfo& TypeBoolean() {
    return EnumerationType("Boolean", {"False", "True"});
}

const TTypeInfo& TypeFloat(TFloatType floatType) {
    static const char* const names[] = {"Single", "Double", "Extended", "Comp", "Currency"};
    return TypeTable::instance().get(names[floatType], [&](TTypeInfo& type) {
        type.Kind = tkFloat;
        type.Name = names[floatType];
        type.FloatType = floatType;
    });
}

const TTypeInfo& TypeVariant() {
    return simpleType(tkVariant, "Variant");
}

const TTypeInfo& TypeThreadPriority() {
    return EnumerationType("TThreadPriority", {"tpIdle", "tpLowest", "tpLower", "tpNormal", "tpHigher",
                                               "tpHighest", "tpTimeCritical"});
}

const TTypeInfo& IntegerType(const std::string& name) {
    return TypeTable::instance().get(name, [&](TTypeInfo& type) {
        type.Kind = tkInteger;
        type.Name = name;
        type.Unsigned = name == "Cardinal";
    });
}

const TTypeInfo& EnumerationType(const std::string& name, std::vector<std::string> names, int minValue) {
    return TypeTable::instance().get(name, [&](TTypeInfo& type) {
        type.Kind = tkEnumeration;
        type.Name = name;
        type.EnumNames = std::move(names);
        type.MinValue = minValue;
    });
}

const TTypeInfo& SetType(const std::string& name, const TTypeInfo& memberType) {
    return TypeTable::instance().get(name, [&](TTypeInfo& type) {
        type.Kind = tkSet;
        type.Name = name;
        type.CompType = &memberType;
    });
}

const TTypeInfo& MethodType(const std::string& name) {
    return simpleType(tkMethod, name);
}

const TTypeInfo& ClassType(const std::string& className) {
    return TypeTable::instance().get(className, [&](TTypeInfo& type) {
        type.Kind = tkClass;
        type.Name = className;
        type.ClassName = className;
    });
}

bool RegisterPublishedClass(const std::string& className, const std::string& parentName,
                            std::vector<TPropInfo> properties) {
    return Registry::instance().add(className, parentName, std::move(properties));
}

bool IsPublishedClass(const std::string& className) {
    ensureFramework();
    return Registry::instance().has(className);
}

bool ClassInheritsFrom(const std::string& className, const std::string& ancestor) {
    ensureFramework();
    return Registry::instance().inheritsFrom(className, ancestor);
}

TPropInfo InheritedProperty(const std::string& className, std::string_view name,
                            std::optional<std::int64_t> defaultValue) {
    ensureFramework();
    for (const TPropInfo* prop : Registry::instance().properties(className)) {
        if (!sameName(prop->Name, name)) continue;
        TPropInfo copy = *prop;
        copy.Default = defaultValue;
        return copy;
    }
    throw EPropertyError(className + " publishes no " + std::string(name));
}

std::vector<const TPropInfo*> GetPropList(const TObject& object, TTypeKinds kinds) {
    ensureFramework();
    std::vector<const TPropInfo*> list = Registry::instance().properties(object);
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&](const TPropInfo* prop) { return (kinds & KindBit(prop->Kind())) == 0; }),
               list.end());
    return list;
}

const TPropInfo* GetPropInfo(const TObject& object, std::string_view name, TTypeKinds kinds) {
    for (const TPropInfo* prop : GetPropList(object, kinds))
        if (sameName(prop->Name, name)) return prop;
    return nullptr;
}

bool IsPublishedProp(const TObject& object, std::string_view name) {
    return GetPropInfo(object, name) != nullptr;
}

bool IsStoredProp(TObject& object, const TPropInfo& prop) {
    return !prop.Stored || prop.Stored(object);
}

std::int64_t GetOrdProp(TObject& object, const TPropInfo& prop) {
    const std::int64_t value = take<std::int64_t>(read(object, prop), prop);
    // A Cardinal kept in a wider field reads as the 32 bits it stands for.
    return prop.PropType->Unsigned ? static_cast<std::uint32_t>(value) : value;
}

void SetOrdProp(TObject& object, const TPropInfo& prop, std::int64_t value) {
    write(object, prop, ordinalOfType(prop, value));
}

double GetFloatProp(TObject& object, const TPropInfo& prop) {
    return take<double>(read(object, prop), prop);
}

void SetFloatProp(TObject& object, const TPropInfo& prop, double value) {
    write(object, prop, value);
}

std::string GetStrProp(TObject& object, const TPropInfo& prop) {
    return take<std::string>(read(object, prop), prop);
}

void SetStrProp(TObject& object, const TPropInfo& prop, const std::string& value) {
    write(object, prop, value);
}

TObject* GetObjectProp(TObject& object, const TPropInfo& prop) {
    return take<TObject*>(read(object, prop), prop);
}

void SetObjectProp(TObject& object, const TPropInfo& prop, TObject* value) {
    write(object, prop, value);
}

Variant GetVariantProp(TObject& object, const TPropInfo& prop) {
    return take<Variant>(read(object, prop), prop);
}

void SetVariantProp(TObject& object, const TPropInfo& prop, const Variant& value) {
    write(object, prop, value);
}

TMethod GetMethodProp(TObject& object, const TPropInfo& prop) {
    return take<TMethod>(read(object, prop), prop);
}

void SetMethodProp(TObject& object, const TPropInfo& prop, const TMethod& handler) {
    write(object, prop, handler);
}

bool IsPictureProp(const TPropInfo& prop) {
    return prop.Kind() == tkClass && ClassInheritsFrom(prop.PropType->ClassName, "TGraphic");
}

std::string GetEnumName(const TTypeInfo& type, int value) {
    const long index = static_cast<long>(value) - type.MinValue;
    if (index < 0 || index >= static_cast<long>(type.EnumNames.size())) return std::to_string(value);
    return type.EnumNames[static_cast<std::size_t>(index)];
}

int GetEnumValue(const TTypeInfo& type, std::string_view name) {
    for (std::size_t i = 0; i < type.EnumNames.size(); ++i)
        if (sameName(type.EnumNames[i], name)) return type.MinValue + static_cast<int>(i);
    return -1;
}

std::string SetToString(const TTypeInfo& setType, std::int64_t value) {
    std::string text = "[";
    for (int member = 0; member < 32; ++member) {
        if ((value & (std::int64_t{1} << member)) == 0) continue;
        if (text.size() > 1) text += ',';
        text += setType.CompType ? GetEnumName(*setType.CompType, member) : std::to_string(member);
    }
    return text + "]";
}

namespace {

// The members named by blank-separated words.
std::int64_t setMembers(const TTypeInfo& setType, std::string_view words) {
    std::int64_t value = 0;
    std::size_t pos = 0;
    while (pos < words.size()) {
        const std::size_t end = std::min(words.find_first_of(" \t", pos), words.size());
        const std::string_view word = words.substr(pos, end - pos);
        pos = end + 1;
        if (word.empty()) continue;
        const int member = setType.CompType ? GetEnumValue(*setType.CompType, word) : -1;
        if (member < 0 || member > 31)
            throw EPropertyError("Invalid set member '" + std::string(word) + "' for " + setType.Name);
        value |= std::int64_t{1} << member;
    }
    return value;
}

} // namespace

std::int64_t StringToSet(const TTypeInfo& setType, std::string_view text) {
    const auto malformed = [&] {
        throw EPropertyError("Invalid set text '" + std::string(text) + "' for " + setType.Name);
    };
    std::string_view members = trimmed(text);
    const bool opened = !members.empty() && members.front() == '[';
    // A lone "[" is no pair of brackets.
    const bool closed = members.size() > (opened ? 1u : 0u) && members.back() == ']';
    if (opened != closed) malformed();
    if (opened) members = members.substr(1, members.size() - 2);
    if (trimmed(members).empty()) return 0;
    std::int64_t value = 0;
    for (std::size_t pos = 0;;) {
        const std::size_t comma = std::min(members.find(',', pos), members.size());
        const std::string_view item = members.substr(pos, comma - pos);
        if (trimmed(item).empty()) malformed();
        value |= setMembers(setType, item);
        if (comma == members.size()) return value;
        pos = comma + 1;
    }
}

std::string GetPropText(TObject& object, const TPropInfo& prop) {
    const TTypeInfo& type = *prop.PropType;
    switch (type.Kind) {
    case tkInteger:
    case tkInt64:
        return std::to_string(GetOrdProp(object, prop));
    case tkChar:
    case tkWChar:
        return std::string(1, static_cast<char>(GetOrdProp(object, prop)));
    case tkEnumeration:
        return GetEnumName(type, static_cast<int>(GetOrdProp(object, prop)));
    case tkSet:
        return SetToString(type, GetOrdProp(object, prop));
    case tkFloat:
        return floatText(GetFloatProp(object, prop), type.FloatType);
    case tkString:
    case tkLString:
    case tkWString:
        return GetStrProp(object, prop);
    case tkVariant:
        return VarToStr(GetVariantProp(object, prop));
    case tkClass: {
        TObject* value = GetObjectProp(object, prop);
        if (!value) return {};
        if (auto* picture = dynamic_cast<TBitmap*>(value)) return pictureText(*picture);
        if (auto* component = dynamic_cast<TComponent*>(value)) return component->Name();
        return value->ClassName();
    }
    default:
        throw EPropertyError("Property " + prop.Name + " has no text");
    }
}

namespace {

// A 32-bit integer type is signed or unsigned (Cardinal): its text is either, as
// SetOrdProp takes it.
std::int64_t integerText(const TPropInfo& prop, std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    std::int64_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() || text.empty())
        invalidText(prop, text);
    return value;
}

double floatValue(const TPropInfo& prop, std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() || text.empty())
        invalidText(prop, text);
    return value;
}

} // namespace

void SetPropText(TObject& object, const TPropInfo& prop, std::string_view text) {
    const TTypeInfo& type = *prop.PropType;
    switch (type.Kind) {
    case tkInteger:
    case tkInt64:
        SetOrdProp(object, prop, integerText(prop, text));
        return;
    case tkChar:
    case tkWChar:
        if (text.size() != 1) invalidText(prop, text);
        SetOrdProp(object, prop, static_cast<unsigned char>(text.front()));
        return;
    case tkEnumeration: {
        const int value = GetEnumValue(type, trimmed(text));
        if (value < 0) invalidText(prop, text);
        SetOrdProp(object, prop, value);
        return;
    }
    case tkSet:
        SetOrdProp(object, prop, StringToSet(type, text));
        return;
    case tkFloat:
        SetFloatProp(object, prop, floatValue(prop, text));
        return;
    case tkString:
    case tkLString:
    case tkWString:
        SetStrProp(object, prop, std::string(text));
        return;
    case tkVariant:
        SetVariantProp(object, prop, Variant(std::string(text)));
        return;
    case tkClass: {
        if (IsPictureProp(prop)) {
            setPicture(object, prop, trimmed(text));
            return;
        }
        if (trimmed(text).empty()) {
            SetObjectProp(object, prop, nullptr);
            return;
        }
        TComponent* component = findComponentFor(object, trimmed(text));
        if (!component) invalidText(prop, text);
        SetObjectProp(object, prop, component);
        return;
    }
    default:
        throw EPropertyError("Property " + prop.Name + " has no text");
    }
}
