#pragma once
// Variant: a value whose type is decided at run time (empty, null, boolean, integer,
// floating-point, date-time, string or an array of variants), with the framework's
// comparison. Numbers compare by value whatever their type; a string compared with a
// number is read as a number first; strings compare in the program's locale; null is
// neither less nor greater than anything and equal only to null.
#include "platform/framework/Classes.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

using TDateTime = double;

enum TVarType { varEmpty, varNull, varBoolean, varInteger, varDouble, varDate, varString, varArray };

// An operation the values' types do not allow ("Invalid variant operation") or a value that
// cannot become the type asked for.
class EVariantError : public Exception {
public:
    using Exception::Exception;
};

class Variant {
public:
    Variant() = default;
    Variant(bool value) : type_(varBoolean), value_(value) {}
    Variant(int value) : type_(varInteger), value_(std::int64_t{value}) {}
    Variant(std::int64_t value) : type_(varInteger), value_(value) {}
    Variant(double value) : type_(varDouble), value_(value) {}
    Variant(const char* value) : type_(varString), value_(std::string(value)) {}
    Variant(std::string value) : type_(varString), value_(std::move(value)) {}
    static Variant Null();
    static Variant FromDateTime(TDateTime value);
    static Variant ArrayOf(std::vector<Variant> items);

    TVarType VarType() const { return type_; }
    bool IsEmpty() const { return type_ == varEmpty; }
    bool IsNull() const { return type_ == varNull; }
    bool IsArray() const { return type_ == varArray; }

    // Conversions; EVariantError when the value has no such form.
    bool AsBoolean() const;
    std::int64_t AsInteger() const;
    double AsDouble() const;
    std::string AsString() const;
    const std::vector<Variant>& Items() const;

    friend bool operator==(const Variant& a, const Variant& b);
    friend bool operator<(const Variant& a, const Variant& b);
    friend bool operator>(const Variant& a, const Variant& b) { return b < a; }

private:
    TVarType type_ = varEmpty;
    std::variant<std::monostate, bool, std::int64_t, double, std::string, std::vector<Variant>> value_;
};

// The value as text; empty and null give an empty text.
std::string VarToStr(const Variant& value);

enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };
// How a relates to b: vrNotEqual when either is null and the other not (no order).
// Raises EVariantError for arrays or a string that is no number against a number.
TVariantRelationship VarCompareValue(const Variant& a, const Variant& b);
