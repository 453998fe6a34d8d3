#pragma once
// Saving published properties of components as text and loading them back, through the
// framework's published-property registry. TPropsStorage does no file work of its own: it
// calls OnReadString, OnWriteString and OnEraseSection, which the user (the form storage)
// connects to an INI file or the registry.
//
// Keys are Prefix + property name in Section, values trimmed text: integers in decimal,
// characters as themselves, enumerations by member name, floats in general format with "."
// (7 digits for single, 15 double, 18 extended and comp, 19 currency), sets as
// "[member,member]", variants as their text. A string list goes to its own section
// Section + "." + key ("Count", "Item0", ...), a collection's items to Section + "." + key
// with the key prefix "Item<i>_" (the count under key + ".Count"), a component reference
// as "(null)", "Name" (the storage's owner's) or "Owner.Name", a picture as its text (its
// BMP bytes in hexadecimal, "" for none) and any other object as its own properties under
// the prefix Prefix + property name. A count read back is at most
// kMaxStoredCount; a negative one counts as none.
//
// A stored-property list holds lines "Component.Property", each with its component as the
// line's object.
#include "platform/framework/Classes.h"
#include "platform/framework/Published.h"
#include "platform/framework/StringList.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

constexpr int kMaxStoredCount = 65536;

// The published properties of an object whose kind is in a set.
class TPropInfoList : public TObject {
    VX_CLASS(TPropInfoList, TObject)
public:
    // An empty list without an object.
    TPropInfoList(const TObject* object, TTypeKinds filter);
    int Count() const { return static_cast<int>(list_.size()); }
    const TPropInfo* Get(int index) const { return list_.at(static_cast<std::size_t>(index)); }
    // The property of that name (ignoring case), nullptr when none.
    const TPropInfo* Find(const std::string& name) const;
    // A property of the same type and name (ignoring case) is in the list.
    bool Contains(const TPropInfo* prop) const;
    void Delete(int index);
    // Keeps only the properties the other list contains.
    void Intersect(const TPropInfoList& other);

private:
    std::vector<const TPropInfo*> list_;
};

using TReadStrEvent = std::function<std::string(const std::string& Section, const std::string& Ident,
                                                const std::string& Default)>;
using TWriteStrEvent =
    std::function<void(const std::string& Section, const std::string& Ident, const std::string& Value)>;
using TEraseSectEvent = std::function<void(const std::string& Section)>;

class TPropsStorage : public TObject {
    VX_CLASS(TPropsStorage, TObject)
public:
    TPropsStorage() = default;

    // The object whose properties are stored and loaded.
    TObject* AObject = nullptr;
    // Component references owned by Owner are written by name alone.
    TComponent* Owner = nullptr;
    std::string Prefix;
    std::string Section;
    TReadStrEvent OnReadString;
    TWriteStrEvent OnWriteString;
    TEraseSectEvent OnEraseSection;

    void StoreAnyProperty(const TPropInfo& prop);
    // Loads one property; a text the property cannot take leaves it as it was.
    void LoadAnyProperty(const TPropInfo& prop);
    // The named properties of AObject, in list order.
    void StoreProperties(const TStrings& names);
    void LoadProperties(const TStrings& names);
    // For every line of a stored-property list: its component's property, under the
    // prefix "<component name>_".
    void StoreObjectsProps(TComponent* owner, const TStrings& storedList);
    void LoadObjectsProps(TComponent* owner, const TStrings& storedList);

protected:
    virtual std::string ReadString(const std::string& section, const std::string& ident,
                                   const std::string& def);
    virtual void WriteString(const std::string& section, const std::string& ident, const std::string& value);
    virtual void EraseSection(const std::string& section);
    virtual std::string GetItemName(const std::string& name);
    // A storage with the same handlers, section and owner.
    virtual std::unique_ptr<TPropsStorage> CreateStorage();

private:
    // The text a store writes for the property ("" for objects, which write their own keys).
    std::string valueText(const TPropInfo& prop);
    void setFromText(const TPropInfo& prop, const std::string& text);
    std::string componentText(TComponent* component) const;
    TComponent* componentFromText(const std::string& text) const;
    void storeObject(const TPropInfo& prop, TObject* value);
    void loadObject(const TPropInfo& prop, TObject* value);
    void storeStrings(const TPropInfo& prop, TStrings& list);
    void loadStrings(const TPropInfo& prop, TStrings& list);
    void storeCollection(const TPropInfo& prop, TObject& collection);
    void loadCollection(const TPropInfo& prop, TObject& collection);
    void storeAllOf(TObject& object, const std::string& prefix);
    void loadAllOf(TObject& object, const std::string& prefix);
    template <class Action> void forEachStored(TComponent* owner, const TStrings& storedList, Action action);

    int depth_ = 0; // how deep in sub-objects this storage works
};

// "Component.Property"; empty when either name is empty.
std::string CreateStoredItem(const std::string& compName, const std::string& propName);
// Splits at the first "." into two trimmed, non-empty names.
bool ParseStoredItem(const std::string& item, std::string& compName, std::string& propName);
// From the last line to the first: drops lines that do not parse. With fromForm, each
// line's object becomes the owner's component of that name (the line goes when there is
// none); without, each line is written again from its object's present name (the line
// goes when it has no object), so a renamed component keeps its lines.
void UpdateStoredList(TComponent* owner, TStrings& storedList, bool fromForm);
