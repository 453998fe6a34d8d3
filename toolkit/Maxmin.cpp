#include "toolkit/Maxmin.h"

#include <utility>

namespace {

// The first element, replaced by every later one that comes strictly before it in the
// given order: ties keep the earlier element.
template <class T, class Before> T pick(std::span<const T> values, Before before) {
    if (values.empty()) throw EListError("Cannot take the largest or smallest of an empty list");
    T result = values.front();
    for (const T& value : values)
        if (before(value, result)) result = value;
    return result;
}

template <class T> T largest(std::span<const T> values) {
    return pick(values, [](const T& value, const T& result) { return value > result; });
}

template <class T> T smallest(std::span<const T> values) {
    return pick(values, [](const T& value, const T& result) { return value < result; });
}

} // namespace

void SwapInt(int& a, int& b) {
    std::swap(a, b);
}

void SwapLong(std::int32_t& a, std::int32_t& b) {
    std::swap(a, b);
}

void SwapInt64(std::int64_t& a, std::int64_t& b) {
    std::swap(a, b);
}

int Max(int a, int b) {
    return a > b ? a : b;
}

int Min(int a, int b) {
    return a < b ? a : b;
}

int MaxInteger(std::span<const int> values) {
    return largest(values);
}

int MinInteger(std::span<const int> values) {
    return smallest(values);
}

std::int64_t MaxInt64(std::span<const std::int64_t> values) {
    return largest(values);
}

std::int64_t MinInt64(std::span<const std::int64_t> values) {
    return smallest(values);
}

long double MaxFloat(std::span<const long double> values) {
    return largest(values);
}

long double MinFloat(std::span<const long double> values) {
    return smallest(values);
}

TDateTime MaxDateTime(std::span<const TDateTime> values) {
    return largest(values);
}

TDateTime MinDateTime(std::span<const TDateTime> values) {
    return smallest(values);
}

Variant MaxOf(std::span<const Variant> values) {
    return largest(values);
}

Variant MinOf(std::span<const Variant> values) {
    return smallest(values);
}
