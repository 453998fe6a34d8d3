#pragma once
// Published properties: the run-time type information of the program's classes. A class
// registers the properties it publishes (name, type, how to read and write them) with its
// parent class's name; an object then has the published properties of its class and of
// every registered ancestor, the ancestors' first, a property published again by a
// descendant taking the ancestor's place. An object of a class nobody registered has those
// of its nearest registered ancestor.
//
// Values go by kind: ordinal kinds (integer, character, enumeration, set, 64-bit integer)
// as a 64-bit integer (a set as a bit mask of its members' values), floats as a double,
// strings as text, objects (string lists, collections, component references and
// sub-objects such as a font) as a pointer, variants as a Variant, events as their handler.
// Each value but an event's also reads and writes as text. The framework's own classes are
// registered on first use; other layers register theirs as they start. Lookups are safe
// from any thread.
#include "platform/framework/Classes.h"
#include "platform/framework/Variants.h"

#include <any>
#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

enum TTypeKind {
    tkUnknown,
    tkInteger,
    tkChar,
    tkEnumeration,
    tkFloat,
    tkString,
    tkSet,
    tkClass,
    tkMethod,
    tkWChar,
    tkLString,
    tkWString,
    tkVariant,
    tkArray,
    tkRecord,
    tkInterface,
    tkInt64,
    tkDynArray
};
using TTypeKinds = std::uint32_t;
constexpr TTypeKinds KindBit(TTypeKind kind) {
    return 1u << kind;
}
constexpr TTypeKinds KindSet(std::initializer_list<TTypeKind> kinds) {
    TTypeKinds set = 0;
    for (TTypeKind kind : kinds)
        set |= KindBit(kind);
    return set;
}
constexpr TTypeKinds tkAny = (1u << (tkDynArray + 1)) - 1;
// Every kind that holds data: what property walks visit.
constexpr TTypeKinds tkProperties = tkAny & ~KindSet({tkUnknown, tkMethod});
constexpr TTypeKinds tkOrdinal = KindSet({tkInteger, tkChar, tkEnumeration, tkSet, tkWChar, tkInt64});
constexpr TTypeKinds tkStrings = KindSet({tkString, tkLString, tkWString});

enum TFloatType { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };

// The type of a property. Types live as long as the program; compare them by address.
class TTypeInfo {
public:
    TTypeKind Kind = tkUnknown;
    std::string Name;
    // An enumeration's member names; member i has the value MinValue + i.
    std::vector<std::string> EnumNames;
    int MinValue = 0;
    // A set's member type (an enumeration of values 0 to 31).
    const TTypeInfo* CompType = nullptr;
    TFloatType FloatType = ftDouble;
    // The class a class-kind property holds ("TStrings", "TWinControl", "TFont").
    std::string ClassName;
    // An integer type of unsigned 32-bit values (Cardinal).
    bool Unsigned = false;

    int MaxValue() const { return MinValue + static_cast<int>(EnumNames.size()) - 1; }
};

// Types of every program: Integer, Int64, Char, WideChar, String, Boolean (an enumeration
// of False and True), Single, Double, Extended, Currency, Variant, and TThreadPriority (a
// thread's priority, tpIdle to tpTimeCritical).
const TTypeInfo& TypeInteger();
const TTypeInfo& TypeInt64();
const TTypeInfo& TypeChar();
const TTypeInfo& TypeWideChar();
const TTypeInfo& TypeString();
const TTypeInfo& TypeBoolean();
const TTypeInfo& TypeFloat(TFloatType floatType);
const TTypeInfo& TypeVariant();
const TTypeInfo& TypeThreadPriority();
// A named type of its own (one object per name): an integer type such as TColor (Cardinal
// is the unsigned one), an enumeration with its members, a set of an enumeration, a class.
const TTypeInfo& IntegerType(const std::string& name);
const TTypeInfo& EnumerationType(const std::string& name, std::vector<std::string> names, int minValue = 0);
const TTypeInfo& SetType(const std::string& name, const TTypeInfo& memberType);
const TTypeInfo& ClassType(const std::string& className);

// An event's handler as a value: the event's own std::function (empty when unassigned).
using TMethod = std::any;

// An event type ("TNotifyEvent", "TMouseEvent"): a method-kind type of its own name.
const TTypeInfo& MethodType(const std::string& name);

using TPropValue = std::variant<std::int64_t, double, std::string, TObject*, Variant, TMethod>;

// A published property. Get and Set see the object as its registered class; Set is empty
// for a property that cannot be written (a sub-object is changed through its own
// properties).
struct TPropInfo {
    std::string Name;
    const TTypeInfo* PropType = nullptr;
    std::function<TPropValue(TObject&)> Get;
    std::function<void(TObject&, const TPropValue&)> Set;
    // The value a form description would leave out (ordinal kinds).
    std::optional<std::int64_t> Default;
    // Whether a form description writes the value at all (empty: always); a control's
    // colour, say, is left out while it takes its parent's.
    std::function<bool(TObject&)> Stored;

    TTypeKind Kind() const { return PropType->Kind; }
};

// A property value or text that the property cannot take, or a property that is not there.
class EPropertyError : public Exception {
public:
    using Exception::Exception;
};

// Registers className (a direct descendant of parentName; empty for a root) with the
// properties it publishes. A class registered before keeps its first registration: answers
// false then.
bool RegisterPublishedClass(const std::string& className, const std::string& parentName,
                            std::vector<TPropInfo> properties);
bool IsPublishedClass(const std::string& className);
// True when className is ancestor or a registered descendant of it.
bool ClassInheritsFrom(const std::string& className, const std::string& ancestor);

// className's published property of that name (its own or inherited) with another default,
// for a descendant that publishes it again so; EPropertyError when there is none.
TPropInfo InheritedProperty(const std::string& className, std::string_view name,
                            std::optional<std::int64_t> defaultValue);

// The object's published properties of the given kinds, in order (see the top).
std::vector<const TPropInfo*> GetPropList(const TObject& object, TTypeKinds kinds = tkProperties);
// The object's published property of that name (ignoring ASCII case), nullptr when none.
const TPropInfo* GetPropInfo(const TObject& object, std::string_view name, TTypeKinds kinds = tkAny);
bool IsPublishedProp(const TObject& object, std::string_view name);
bool IsStoredProp(TObject& object, const TPropInfo& prop);

// Typed access; a value of the wrong kind for the property raises EPropertyError, and so
// does an ordinal value its type cannot hold: an integer beyond 32 bits (signed or
// unsigned, as for texts), an enumeration value that is no member, a set with a bit that
// is none. A Cardinal reads as its unsigned 32 bits.
std::int64_t GetOrdProp(TObject& object, const TPropInfo& prop);
void SetOrdProp(TObject& object, const TPropInfo& prop, std::int64_t value);
double GetFloatProp(TObject& object, const TPropInfo& prop);
void SetFloatProp(TObject& object, const TPropInfo& prop, double value);
std::string GetStrProp(TObject& object, const TPropInfo& prop);
void SetStrProp(TObject& object, const TPropInfo& prop, const std::string& value);
TObject* GetObjectProp(TObject& object, const TPropInfo& prop);
// A string list or sub-object is assigned; a component reference set. An object that is
// not of the property's class raises EPropertyError.
void SetObjectProp(TObject& object, const TPropInfo& prop, TObject* value);
Variant GetVariantProp(TObject& object, const TPropInfo& prop);
void SetVariantProp(TObject& object, const TPropInfo& prop, const Variant& value);
// An event's handler, and assigning one: a handler of another type than the event's raises
// EPropertyError.
TMethod GetMethodProp(TObject& object, const TPropInfo& prop);
void SetMethodProp(TObject& object, const TPropInfo& prop, const TMethod& handler);

// A picture (a property of a TGraphic class, such as a button's glyph) reads and writes as
// the text a form description keeps picture data in: the picture's BMP bytes in
// hexadecimal, two upper-case digits a byte; "" is no picture.
bool IsPictureProp(const TPropInfo& prop);

// Enumeration and set texts. GetEnumName of a value outside the type gives the number;
// GetEnumValue compares names ignoring ASCII case and answers -1 for none (the program's
// enumerations have no negative members).
std::string GetEnumName(const TTypeInfo& type, int value);
int GetEnumValue(const TTypeInfo& type, std::string_view name);
// "[fsBold,fsItalic]" (members in value order); "[]" for none.
std::string SetToString(const TTypeInfo& setType, std::int64_t value);
// The members named between optional brackets, separated by commas and blanks; a name
// that is no member, a bracket without its partner or a comma without a name on each side
// raises EPropertyError.
std::int64_t StringToSet(const TTypeInfo& setType, std::string_view text);

// The value as text: integers in decimal, a character as itself, an enumeration member's
// name, a set as SetToString, a float in the shortest form that reads back the same (with
// "."), a variant as its text, a component reference as the component's name, a picture as
// above, other objects as their class name.
std::string GetPropText(TObject& object, const TPropInfo& prop);
// The inverse; a component reference is found by name among the object's components and
// its owner's ("" names none). Text the property cannot take raises EPropertyError.
void SetPropText(TObject& object, const TPropInfo& prop, std::string_view text);

// Building property records from member functions, as the registrations do.
namespace published {

template <class T> TPropValue toValue(T&& value) {
    using V = std::decay_t<T>;
    if constexpr (std::is_same_v<V, std::string> || std::is_same_v<V, Variant>)
        return TPropValue(std::forward<T>(value));
    else if constexpr (std::is_floating_point_v<V>)
        return TPropValue(static_cast<double>(value));
    else if constexpr (std::is_pointer_v<V>)
        return TPropValue(
            static_cast<TObject*>(const_cast<std::remove_const_t<std::remove_pointer_t<V>>*>(value)));
    else
        return TPropValue(static_cast<std::int64_t>(value));
}

[[noreturn]] void wrongKind(const std::string& property);
[[noreturn]] void wrongClass(const std::string& property);

template <class V> V fromValue(const TPropValue& value, const std::string& property) {
    using D = std::decay_t<V>;
    if constexpr (std::is_same_v<D, std::string>) {
        if (const auto* text = std::get_if<std::string>(&value)) return *text;
    } else if constexpr (std::is_same_v<D, Variant>) {
        if (const auto* variant = std::get_if<Variant>(&value)) return *variant;
    } else if constexpr (std::is_floating_point_v<D>) {
        if (const auto* number = std::get_if<double>(&value)) return static_cast<D>(*number);
    } else if constexpr (std::is_pointer_v<D>) {
        if (const auto* object = std::get_if<TObject*>(&value)) {
            if (!*object) return nullptr;
            if (auto* typed = dynamic_cast<D>(*object)) return typed;
            wrongClass(property);
        }
    } else {
        if (const auto* number = std::get_if<std::int64_t>(&value)) return static_cast<D>(*number);
    }
    wrongKind(property);
}

template <class C> C& as(TObject& object) {
    return dynamic_cast<C&>(object);
}

// The value type of a data member: an atomic member holds its value type.
template <class T> struct MemberValue { using type = T; };
template <class T> struct MemberValue<std::atomic<T>> { using type = T; };

template <class E> const E& handlerOf(const TPropValue& value, const std::string& property) {
    const auto* handler = std::get_if<TMethod>(&value);
    const E* typed = handler ? std::any_cast<E>(handler) : nullptr;
    if (!typed) wrongKind(property);
    return *typed;
}

// The handler an event field holds: the field itself (a std::function), or a copy of what a
// slot that guards its handler gives by Get.
template <class F> auto handlerIn(const F& field) {
    if constexpr (requires { field.Get(); })
        return field.Get();
    else
        return field;
}

} // namespace published

// A property read and written through member functions of C.
template <class C, class R, class V>
TPropInfo Property(std::string name, const TTypeInfo& type, R (C::*get)() const, void (C::*set)(V),
                   std::optional<std::int64_t> defaultValue = std::nullopt) {
    TPropInfo info;
    info.Name = std::move(name);
    info.PropType = &type;
    info.Get = [get](TObject& object) { return published::toValue((published::as<C>(object).*get)()); };
    info.Set = [set, property = info.Name](TObject& object, const TPropValue& value) {
        (published::as<C>(object).*set)(published::fromValue<V>(value, property));
    };
    info.Default = defaultValue;
    return info;
}

// A property that is a plain data member of C, read and written as a whole.
template <class C, class T>
TPropInfo FieldProperty(std::string name, const TTypeInfo& type, T C::*field,
                        std::optional<std::int64_t> defaultValue = std::nullopt) {
    using V = typename published::MemberValue<T>::type;
    TPropInfo info;
    info.Name = std::move(name);
    info.PropType = &type;
    info.Get = [field](TObject& object) { return published::toValue(V(published::as<C>(object).*field)); };
    info.Set = [field, property = info.Name](TObject& object, const TPropValue& value) {
        published::as<C>(object).*field = published::fromValue<V>(value, property);
    };
    info.Default = defaultValue;
    return info;
}

// A property that can only be read.
template <class C, class R>
TPropInfo ReadOnlyProperty(std::string name, const TTypeInfo& type, R (C::*get)() const) {
    TPropInfo info;
    info.Name = std::move(name);
    info.PropType = &type;
    info.Get = [get](TObject& object) { return published::toValue((published::as<C>(object).*get)()); };
    return info;
}

// A sub-object held by reference (a control's font): writing the property assigns the new
// value into it.
template <class C, class R>
TPropInfo SubObjectProperty(std::string name, const TTypeInfo& type, R& (C::*get)()) {
    TPropInfo info;
    info.Name = std::move(name);
    info.PropType = &type;
    info.Get = [get](TObject& owner) { return published::toValue(&(published::as<C>(owner).*get)()); };
    info.Set = [get, property = info.Name](TObject& owner, const TPropValue& value) {
        if (R* source = published::fromValue<R*>(value, property))
            (published::as<C>(owner).*get)().Assign(*source);
    };
    return info;
}

// An object held by pointer (a combo box's items): writing the property assigns the new
// value into it.
template <class C, class R>
TPropInfo AssignedProperty(std::string name, const TTypeInfo& type, R* (C::*get)() const) {
    TPropInfo info;
    info.Name = std::move(name);
    info.PropType = &type;
    info.Get = [get](TObject& owner) { return published::toValue((published::as<C>(owner).*get)()); };
    info.Set = [get, property = info.Name](TObject& owner, const TPropValue& value) {
        if (R* source = published::fromValue<R*>(value, property))
            (published::as<C>(owner).*get)()->Assign(*source);
    };
    return info;
}

// The property, written to a form description only while stored(object as a C) holds.
template <class C, class P> TPropInfo StoredWhen(TPropInfo info, P stored) {
    info.Stored = [stored](TObject& object) { return stored(published::as<C>(object)); };
    return info;
}

// An event: a field of C holding the handler (see handlerIn), read and assigned as a TMethod.
template <class C, class F> TPropInfo EventProperty(std::string name, const TTypeInfo& type, F C::*field) {
    using E = decltype(published::handlerIn(std::declval<const F&>()));
    TPropInfo info;
    info.Name = std::move(name);
    info.PropType = &type;
    info.Get = [field](TObject& object) {
        return TPropValue(TMethod(published::handlerIn(published::as<C>(object).*field)));
    };
    info.Set = [field, property = info.Name](TObject& object, const TPropValue& value) {
        published::as<C>(object).*field = published::handlerOf<E>(value, property);
    };
    return info;
}

// An event read and assigned through member functions of C.
template <class C, class R, class V>
TPropInfo EventProperty(std::string name, const TTypeInfo& type, R (C::*get)() const, void (C::*set)(V)) {
    using E = std::decay_t<V>;
    TPropInfo info;
    info.Name = std::move(name);
    info.PropType = &type;
    info.Get = [get](TObject& object) { return TPropValue(TMethod(E((published::as<C>(object).*get)()))); };
    info.Set = [set, property = info.Name](TObject& object, const TPropValue& value) {
        (published::as<C>(object).*set)(published::handlerOf<E>(value, property));
    };
    return info;
}

// A picture held by the object and replaced through a setter that copies the picture given
// (nullptr: none).
template <class C, class P>
TPropInfo PictureProperty(std::string name, const TTypeInfo& type, const P& (C::*get)() const,
                          void (C::*set)(const P*)) {
    TPropInfo info;
    info.Name = std::move(name);
    info.PropType = &type;
    info.Get = [get](TObject& object) { return published::toValue(&(published::as<C>(object).*get)()); };
    info.Set = [set, property = info.Name](TObject& object, const TPropValue& value) {
        (published::as<C>(object).*set)(published::fromValue<const P*>(value, property));
    };
    return info;
}
