#include "platform/framework/Variants.h"

#include "platform/framework/Locale.h"

namespace {

const char* typeName(TVarType type) {
    static const char* const names[] = {"Empty",  "Null", "Boolean", "Int64",
                                        "Double", "Date", "String",  "Array"};
    return names[type];
}

[[noreturn]] void cannotConvert(TVarType from, const char* to) {
    throw EVariantError(std::string("Could not convert variant of type (") + typeName(from) +
                        ") into type (" + to + ")");
}

bool isNumeric(TVarType type) {
    return type == varBoolean || type == varInteger || type == varDouble || type == varDate ||
           type == varEmpty;
}

// A string read as a number: blanks around it allowed, nothing else.
bool parseNumber(const std::string& text, double& value) {
    std::size_t begin = text.find_first_not_of(' ');
    std::size_t end = text.find_last_not_of(' ');
    if (begin == std::string::npos) return false;
    return ParseStoredFloat(std::string_view(text).substr(begin, end + 1 - begin), value);
}

template <class T> int threeWay(T a, T b) {
    return a < b ? -1 : b < a ? 1 : 0;
}

} // namespace

Variant Variant::Null() {
    Variant v;
    v.type_ = varNull;
    return v;
}

Variant Variant::FromDateTime(TDateTime value) {
    Variant v(value);
    v.type_ = varDate;
    return v;
}

Variant Variant::ArrayOf(std::vector<Variant> items) {
    Variant v;
    v.type_ = varArray;
    v.value_ = std::move(items);
    return v;
}

bool Variant::AsBoolean() const {
    if (type_ == varBoolean) return std::get<bool>(value_);
    if (type_ == varString) {
        const std::string& text = std::get<std::string>(value_);
        if (CompareLocaleText(text, "True", true) == 0) return true;
        if (CompareLocaleText(text, "False", true) == 0) return false;
    }
    return AsDouble() != 0;
}

std::int64_t Variant::AsInteger() const {
    switch (type_) {
    case varEmpty:
        return 0;
    case varBoolean:
        return std::get<bool>(value_) ? -1 : 0;
    case varInteger:
        return std::get<std::int64_t>(value_);
    case varDouble:
    case varDate:
    case varString: {
        const double value = AsDouble();
        if (!(value >= -9.2233720368547758e18 && value < 9.2233720368547758e18))
            cannotConvert(type_, "Int64");
        return static_cast<std::int64_t>(value < 0 ? value - 0.5 : value + 0.5);
    }
    default:
        cannotConvert(type_, "Int64");
    }
}

double Variant::AsDouble() const {
    switch (type_) {
    case varEmpty:
        return 0;
    case varBoolean:
        return std::get<bool>(value_) ? -1 : 0;
    case varInteger:
        return static_cast<double>(std::get<std::int64_t>(value_));
    case varDouble:
    case varDate:
        return std::get<double>(value_);
    case varString: {
        double value = 0;
        if (!parseNumber(std::get<std::string>(value_), value)) cannotConvert(type_, "Double");
        return value;
    }
    default:
        cannotConvert(type_, "Double");
    }
}

std::string Variant::AsString() const {
    switch (type_) {
    case varEmpty:
        return {};
    case varBoolean:
        return std::get<bool>(value_) ? "True" : "False";
    case varInteger:
        return std::to_string(std::get<std::int64_t>(value_));
    case varDouble:
    case varDate:
        return StoredFloatText(std::get<double>(value_), 15);
    case varString:
        return std::get<std::string>(value_);
    default:
        cannotConvert(type_, "String");
    }
}

const std::vector<Variant>& Variant::Items() const {
    if (type_ != varArray) throw EVariantError("Variant is not an array");
    return std::get<std::vector<Variant>>(value_);
}

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b) {
    if (a.IsArray() || b.IsArray()) throw EVariantError("Invalid variant operation");
    if (a.IsNull() || b.IsNull()) return a.IsNull() && b.IsNull() ? vrEqual : vrNotEqual;
    int order = 0;
    const bool textA = a.VarType() == varString || a.IsEmpty();
    const bool textB = b.VarType() == varString || b.IsEmpty();
    if (textA && textB && !(a.IsEmpty() && b.IsEmpty()))
        order = CompareLocaleText(a.AsString(), b.AsString(), false);
    else if (a.VarType() == varInteger && b.VarType() == varInteger)
        order = threeWay(a.AsInteger(), b.AsInteger());
    else if (isNumeric(a.VarType()) || isNumeric(b.VarType()))
        order = threeWay(a.AsDouble(), b.AsDouble());
    return order < 0 ? vrLessThan : order > 0 ? vrGreaterThan : vrEqual;
}

bool operator==(const Variant& a, const Variant& b) {
    return VarCompareValue(a, b) == vrEqual;
}

bool operator<(const Variant& a, const Variant& b) {
    return VarCompareValue(a, b) == vrLessThan;
}

std::string VarToStr(const Variant& value) {
    return value.IsNull() ? std::string() : value.AsString();
}
