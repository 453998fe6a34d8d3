#include "toolkit/Kxprops.h"

#include "platform/files/IniFiles.h"
#include "platform/framework/Collections.h"
#include "platform/framework/Forms.h"
#include "platform/framework/Locale.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>

namespace {

// Sub-objects inside sub-objects end here: a chain of objects that leads back to itself
// would otherwise never end.
constexpr int maxObjectDepth = 8;

bool sameText(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

std::string trimmed(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return std::string(text);
}

bool isTextKind(TTypeKind kind) {
    return kind == tkString || kind == tkLString || kind == tkWString || kind == tkChar || kind == tkWChar;
}

// Written and read even when empty: texts, and pictures (an empty one is no picture).
bool keepsEmptyText(const TPropInfo& prop) {
    return isTextKind(prop.Kind()) || IsPictureProp(prop);
}

// Stored as keys of its own: every object but a picture, which is one text.
bool isObjectStored(const TPropInfo& prop) {
    return prop.Kind() == tkClass && !IsPictureProp(prop);
}

// A whole decimal number, or the profile files' hexadecimal forms; nullopt for anything else.
std::optional<std::int64_t> integerOf(const std::string& text) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    std::int64_t value = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (!digits.empty() && result.ec == std::errc() && result.ptr == digits.data() + digits.size())
        return value;
    int pattern = 0;
    if (ParseIniInteger(text, pattern)) return pattern;
    return std::nullopt;
}

// A count read back: no more than the limit; one that is no number, or negative, is none.
int countOf(const std::string& text, int whenNoNumber) {
    const std::optional<std::int64_t> count = integerOf(trimmed(text));
    if (!count) return whenNoNumber;
    return static_cast<int>(std::clamp<std::int64_t>(*count, 0, kMaxStoredCount));
}

int digitsOf(TFloatType type) {
    switch (type) {
    case ftSingle:
        return 7;
    case ftDouble:
        return 15;
    case ftCurr:
        return 19;
    default:
        return 18;
    }
}

std::string floatText(double value, TFloatType type) {
    std::string text = StoredFloatText(value, digitsOf(type));
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return c == 'e' ? 'E' : c; });
    return text;
}

std::string setText(const TTypeInfo& type, std::int64_t value) {
    std::string text = "[";
    for (int member = 0; member < 32; ++member) {
        if ((value & (std::int64_t{1} << member)) == 0) continue;
        if (text.size() > 1) text += ',';
        text += type.CompType ? GetEnumName(*type.CompType, member) : std::to_string(member);
    }
    return text + "]";
}

std::int64_t setOfText(const TTypeInfo& type, const std::string& text) {
    std::int64_t value = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = std::min(text.find_first_of(" ,[]", pos), text.size());
        const std::string word = text.substr(pos, end - pos);
        pos = end + 1;
        if (word.empty() || !type.CompType) continue;
        const int member = GetEnumValue(*type.CompType, word);
        if (member >= 0 && member <= 31) value |= std::int64_t{1} << member;
    }
    return value;
}

std::string nameOf(const TComponent* owner) {
    if (!owner->Name().empty()) return owner->Name();
    std::string name = owner->ClassName();
    if (!name.empty() && name.front() == 'T') name.erase(0, 1);
    return name;
}

} // namespace

// ---- TPropInfoList ---------------------------------------------------------------------

TPropInfoList::TPropInfoList(const TObject* object, TTypeKinds filter) {
    if (object) list_ = GetPropList(*object, filter);
}

const TPropInfo* TPropInfoList::Find(const std::string& name) const {
    for (const TPropInfo* prop : list_)
        if (sameText(prop->Name, name)) return prop;
    return nullptr;
}

bool TPropInfoList::Contains(const TPropInfo* prop) const {
    return std::any_of(list_.begin(), list_.end(), [&](const TPropInfo* own) {
        return own->PropType == prop->PropType && sameText(own->Name, prop->Name);
    });
}

void TPropInfoList::Delete(int index) {
    list_.erase(list_.begin() + index);
}

void TPropInfoList::Intersect(const TPropInfoList& other) {
    for (int i = Count() - 1; i >= 0; --i)
        if (!other.Contains(Get(i))) Delete(i);
}

// ---- TPropsStorage ---------------------------------------------------------------------

std::string TPropsStorage::ReadString(const std::string& section, const std::string& ident,
                                      const std::string& def) {
    return OnReadString ? OnReadString(section, ident, def) : std::string();
}

void TPropsStorage::WriteString(const std::string& section, const std::string& ident,
                                const std::string& value) {
    if (OnWriteString) OnWriteString(section, ident, value);
}

void TPropsStorage::EraseSection(const std::string& section) {
    if (OnEraseSection) OnEraseSection(section);
}

std::string TPropsStorage::GetItemName(const std::string& name) {
    return Prefix + name;
}

std::unique_ptr<TPropsStorage> TPropsStorage::CreateStorage() {
    auto storage = std::make_unique<TPropsStorage>();
    storage->Owner = Owner;
    storage->Section = Section;
    storage->OnReadString = OnReadString;
    storage->OnWriteString = OnWriteString;
    storage->OnEraseSection = OnEraseSection;
    return storage;
}

std::string TPropsStorage::valueText(const TPropInfo& prop) {
    const TTypeInfo& type = *prop.PropType;
    switch (type.Kind) {
    case tkInteger:
    case tkInt64:
        return std::to_string(GetOrdProp(*AObject, prop));
    case tkChar:
    case tkWChar:
        return std::string(1, static_cast<char>(GetOrdProp(*AObject, prop)));
    case tkEnumeration:
        return GetEnumName(type, static_cast<int>(GetOrdProp(*AObject, prop)));
    case tkFloat:
        return floatText(GetFloatProp(*AObject, prop), type.FloatType);
    case tkString:
    case tkLString:
    case tkWString:
        return GetStrProp(*AObject, prop);
    case tkSet:
        return setText(type, GetOrdProp(*AObject, prop));
    case tkVariant:
        return VarToStr(GetVariantProp(*AObject, prop));
    case tkClass:
        return GetPropText(*AObject, prop); // a picture
    default:
        return {};
    }
}

void TPropsStorage::setFromText(const TPropInfo& prop, const std::string& text) {
    const TTypeInfo& type = *prop.PropType;
    switch (type.Kind) {
    case tkInteger:
    case tkInt64:
        SetOrdProp(*AObject, prop, integerOf(text).value_or(0));
        break;
    case tkChar:
    case tkWChar:
        if (!text.empty()) SetOrdProp(*AObject, prop, static_cast<unsigned char>(text.front()));
        break;
    case tkEnumeration:
        if (const int value = GetEnumValue(type, text); value >= 0) SetOrdProp(*AObject, prop, value);
        break;
    case tkFloat: {
        double value = 0;
        if (!ParseStoredFloat(text, value))
            throw EConvertError("'" + text + "' is not a valid floating point value");
        SetFloatProp(*AObject, prop, value);
        break;
    }
    case tkString:
    case tkLString:
    case tkWString:
        SetStrProp(*AObject, prop, text);
        break;
    case tkSet:
        SetOrdProp(*AObject, prop, setOfText(type, text));
        break;
    case tkVariant:
        SetVariantProp(*AObject, prop, Variant(text));
        break;
    case tkClass:
        SetPropText(*AObject, prop, text); // a picture
        break;
    default:
        break;
    }
}

void TPropsStorage::StoreAnyProperty(const TPropInfo& prop) {
    if (!AObject) return;
    if (isObjectStored(prop)) {
        storeObject(prop, GetObjectProp(*AObject, prop));
        return;
    }
    const std::string text = trimmed(valueText(prop));
    if (!text.empty() || keepsEmptyText(prop)) WriteString(Section, GetItemName(prop.Name), text);
}

void TPropsStorage::LoadAnyProperty(const TPropInfo& prop) {
    if (!AObject) return;
    try {
        if (isObjectStored(prop)) {
            loadObject(prop, GetObjectProp(*AObject, prop));
            return;
        }
        const std::string def = trimmed(valueText(prop));
        // A variant that starts empty is read too, or a saved one would never come back.
        if (def.empty() && !keepsEmptyText(prop) && prop.Kind() != tkVariant) return;
        setFromText(prop, trimmed(ReadString(Section, GetItemName(prop.Name), def)));
    } catch (const std::exception&) {
        // A value the property cannot take leaves it as it was.
    }
}

std::string TPropsStorage::componentText(TComponent* component) const {
    if (!component) return "(null)";
    const TComponent* owner = component->Owner();
    if (!owner || owner == Owner) return component->Name();
    return nameOf(owner) + "." + component->Name();
}

// The component a reference text names. Unchanged (an exception) when the owner it names
// is not there; none when the owner has no component of that name.
TComponent* TPropsStorage::componentFromText(const std::string& text) const {
    if (sameText(text, "(null)")) return nullptr;
    const std::size_t dot = text.find('.');
    const TComponent* owner = Owner;
    std::string name = text;
    if (dot != std::string::npos) {
        const std::string ownerName = trimmed(text.substr(0, dot));
        name = trimmed(text.substr(dot + 1));
        owner = nullptr;
        for (int i = 0; i < Screen->FormCount() && !owner; ++i)
            if (sameText(nameOf(Screen->Forms(i)), ownerName)) owner = Screen->Forms(i);
    }
    if (!owner) throw EConvertError("No owner for the reference '" + text + "'");
    return owner->FindComponent(name);
}

void TPropsStorage::storeObject(const TPropInfo& prop, TObject* value) {
    if (ClassInheritsFrom(prop.PropType->ClassName, "TComponent")) {
        WriteString(Section, GetItemName(prop.Name), componentText(dynamic_cast<TComponent*>(value)));
    } else if (auto* list = dynamic_cast<TStrings*>(value)) {
        storeStrings(prop, *list);
    } else if (dynamic_cast<TCollection*>(value)) {
        storeCollection(prop, *value);
    } else if (value && depth_ < maxObjectDepth) {
        storeAllOf(*value, GetItemName(prop.Name));
    }
}

void TPropsStorage::loadObject(const TPropInfo& prop, TObject* value) {
    if (ClassInheritsFrom(prop.PropType->ClassName, "TComponent")) {
        const std::string text = trimmed(
            ReadString(Section, GetItemName(prop.Name), componentText(dynamic_cast<TComponent*>(value))));
        SetObjectProp(*AObject, prop, componentFromText(text));
    } else if (auto* list = dynamic_cast<TStrings*>(value)) {
        loadStrings(prop, *list);
    } else if (dynamic_cast<TCollection*>(value)) {
        loadCollection(prop, *value);
    } else if (value && depth_ < maxObjectDepth) {
        loadAllOf(*value, GetItemName(prop.Name));
    }
}

void TPropsStorage::storeStrings(const TPropInfo& prop, TStrings& list) {
    const std::string section = Section + "." + GetItemName(prop.Name);
    EraseSection(section);
    if (list.Count() == 0) return;
    WriteString(section, "Count", std::to_string(list.Count()));
    for (int i = 0; i < list.Count(); ++i)
        WriteString(section, "Item" + std::to_string(i), list.Strings(i));
}

void TPropsStorage::loadStrings(const TPropInfo& prop, TStrings& list) {
    const std::string section = Section + "." + GetItemName(prop.Name);
    const int count = countOf(ReadString(section, "Count", "0"), 0);
    if (count <= 0) return;
    list.BeginUpdate();
    try {
        list.Clear();
        for (int i = 0; i < count; ++i)
            list.Add(ReadString(section, "Item" + std::to_string(i), ""));
    } catch (...) {
        list.EndUpdate();
        throw;
    }
    list.EndUpdate();
}

void TPropsStorage::storeCollection(const TPropInfo& prop, TObject& object) {
    auto& collection = static_cast<TCollection&>(object);
    const std::string section = Section + "." + GetItemName(prop.Name);
    EraseSection(section);
    WriteString(Section, GetItemName(prop.Name) + ".Count", std::to_string(collection.Count()));
    for (int i = 0; i < collection.Count(); ++i) {
        std::unique_ptr<TPropsStorage> item = CreateStorage();
        item->Section = section;
        item->depth_ = depth_ + 1;
        item->storeAllOf(*collection.Items(i), "Item" + std::to_string(i) + "_");
    }
}

void TPropsStorage::loadCollection(const TPropInfo& prop, TObject& object) {
    auto& collection = static_cast<TCollection&>(object);
    const std::string section = Section + "." + GetItemName(prop.Name);
    collection.BeginUpdate();
    try {
        const int count = countOf(
            ReadString(Section, GetItemName(prop.Name) + ".Count", std::to_string(collection.Count())),
            collection.Count());
        if (count != collection.Count()) {
            collection.Clear();
            for (int i = 0; i < count; ++i)
                collection.Add();
        }
        for (int i = 0; i < collection.Count(); ++i) {
            std::unique_ptr<TPropsStorage> item = CreateStorage();
            item->Section = section;
            item->depth_ = depth_ + 1;
            item->loadAllOf(*collection.Items(i), "Item" + std::to_string(i) + "_");
        }
    } catch (...) {
        collection.EndUpdate();
        throw;
    }
    collection.EndUpdate();
}

void TPropsStorage::storeAllOf(TObject& object, const std::string& prefix) {
    std::unique_ptr<TPropsStorage> storage = CreateStorage();
    storage->AObject = &object;
    storage->Prefix = prefix;
    storage->depth_ = depth_ + 1;
    for (const TPropInfo* prop : GetPropList(object, tkProperties))
        storage->StoreAnyProperty(*prop);
}

void TPropsStorage::loadAllOf(TObject& object, const std::string& prefix) {
    std::unique_ptr<TPropsStorage> storage = CreateStorage();
    storage->AObject = &object;
    storage->Prefix = prefix;
    storage->depth_ = depth_ + 1;
    for (const TPropInfo* prop : GetPropList(object, tkProperties))
        storage->LoadAnyProperty(*prop);
}

void TPropsStorage::StoreProperties(const TStrings& names) {
    if (!AObject) return;
    const TPropInfoList props(AObject, tkProperties);
    for (int i = 0; i < names.Count(); ++i)
        if (const TPropInfo* prop = props.Find(names.Strings(i))) StoreAnyProperty(*prop);
}

void TPropsStorage::LoadProperties(const TStrings& names) {
    if (!AObject) return;
    const TPropInfoList props(AObject, tkProperties);
    for (int i = 0; i < names.Count(); ++i)
        if (const TPropInfo* prop = props.Find(names.Strings(i))) LoadAnyProperty(*prop);
}

template <class Action>
void TPropsStorage::forEachStored(TComponent* owner, const TStrings& storedList, Action action) {
    TObject* const savedObject = AObject;
    TComponent* const savedOwner = Owner;
    const std::string savedPrefix = Prefix;
    Owner = owner;
    std::map<const TObject*, std::unique_ptr<TPropInfoList>> infoLists; // one per component, this call only
    for (int i = 0; i < storedList.Count(); ++i) {
        std::string compName, propName;
        auto* component = dynamic_cast<TComponent*>(storedList.Objects(i));
        if (!component || !ParseStoredItem(storedList.Strings(i), compName, propName)) continue;
        auto& info = infoLists[component];
        if (!info) info = std::make_unique<TPropInfoList>(component, tkProperties);
        const TPropInfo* prop = info->Find(propName);
        if (!prop) continue;
        AObject = component;
        Prefix = component->Name() + "_";
        action(*prop);
    }
    AObject = savedObject;
    Owner = savedOwner;
    Prefix = savedPrefix;
}

void TPropsStorage::StoreObjectsProps(TComponent* owner, const TStrings& storedList) {
    forEachStored(owner, storedList, [this](const TPropInfo& prop) { StoreAnyProperty(prop); });
}

void TPropsStorage::LoadObjectsProps(TComponent* owner, const TStrings& storedList) {
    forEachStored(owner, storedList, [this](const TPropInfo& prop) { LoadAnyProperty(prop); });
}

std::string CreateStoredItem(const std::string& compName, const std::string& propName) {
    if (compName.empty() || propName.empty()) return {};
    return compName + "." + propName;
}

bool ParseStoredItem(const std::string& item, std::string& compName, std::string& propName) {
    const std::size_t dot = item.find('.');
    if (dot == std::string::npos) return false;
    compName = trimmed(std::string_view(item).substr(0, dot));
    propName = trimmed(std::string_view(item).substr(dot + 1));
    return !compName.empty() && !propName.empty();
}

void UpdateStoredList(TComponent* owner, TStrings& storedList, bool fromForm) {
    for (int i = storedList.Count() - 1; i >= 0; --i) {
        std::string compName, propName;
        if (!ParseStoredItem(storedList.Strings(i), compName, propName)) {
            storedList.Delete(i);
            continue;
        }
        if (fromForm) {
            TComponent* component = owner ? owner->FindComponent(compName) : nullptr;
            if (component)
                storedList.SetObjects(i, component);
            else
                storedList.Delete(i);
        } else {
            auto* component = dynamic_cast<TComponent*>(storedList.Objects(i));
            if (component)
                storedList.SetStrings(i, CreateStoredItem(component->Name(), propName));
            else
                storedList.Delete(i);
        }
    }
}
