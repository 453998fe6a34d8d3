#pragma once
// Exchange, minimum and maximum of integers, 64-bit integers, floating-point values,
// date-times and variants. The list forms keep the earlier of equal elements; a list must
// hold at least one element (an empty one raises EListError).
#include "platform/framework/Variants.h"

#include <cstdint>
#include <initializer_list>
#include <span>

void SwapInt(int& a, int& b);
void SwapLong(std::int32_t& a, std::int32_t& b);
void SwapInt64(std::int64_t& a, std::int64_t& b);

// Either one when equal.
int Max(int a, int b);
int Min(int a, int b);

int MaxInteger(std::span<const int> values);
int MinInteger(std::span<const int> values);
std::int64_t MaxInt64(std::span<const std::int64_t> values);
std::int64_t MinInt64(std::span<const std::int64_t> values);
long double MaxFloat(std::span<const long double> values);
long double MinFloat(std::span<const long double> values);
TDateTime MaxDateTime(std::span<const TDateTime> values);
TDateTime MinDateTime(std::span<const TDateTime> values);
// A copy of the largest / smallest by the framework's variant comparison (which raises for
// values that cannot be compared).
Variant MaxOf(std::span<const Variant> values);
Variant MinOf(std::span<const Variant> values);

// The same for lists written in place: MaxInteger({3, 7, 7, 1}).
inline int MaxInteger(std::initializer_list<int> values) {
    return MaxInteger(std::span<const int>(values.begin(), values.size()));
}
inline int MinInteger(std::initializer_list<int> values) {
    return MinInteger(std::span<const int>(values.begin(), values.size()));
}
inline std::int64_t MaxInt64(std::initializer_list<std::int64_t> values) {
    return MaxInt64(std::span<const std::int64_t>(values.begin(), values.size()));
}
inline std::int64_t MinInt64(std::initializer_list<std::int64_t> values) {
    return MinInt64(std::span<const std::int64_t>(values.begin(), values.size()));
}
inline long double MaxFloat(std::initializer_list<long double> values) {
    return MaxFloat(std::span<const long double>(values.begin(), values.size()));
}
inline long double MinFloat(std::initializer_list<long double> values) {
    return MinFloat(std::span<const long double>(values.begin(), values.size()));
}
inline TDateTime MaxDateTime(std::initializer_list<TDateTime> values) {
    return MaxDateTime(std::span<const TDateTime>(values.begin(), values.size()));
}
inline TDateTime MinDateTime(std::initializer_list<TDateTime> values) {
    return MinDateTime(std::span<const TDateTime>(values.begin(), values.size()));
}
inline Variant MaxOf(std::initializer_list<Variant> values) {
    return MaxOf(std::span<const Variant>(values.begin(), values.size()));
}
inline Variant MinOf(std::initializer_list<Variant> values) {
    return MinOf(std::span<const Variant>(values.begin(), values.size()));
}
