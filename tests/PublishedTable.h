#pragma once
// Checks an object's published properties against a list written as the components'
// documentation gives them, entries separated by commas:
//   "Name k"                 published, of kind k
//   "Name k default"         ... with that default, which a new object also has
//   "Name k [default] =text" ... which takes the text and gives it back
//   "-Name"                  not published
// Kinds: i integer, e enumeration (Boolean too), f float, s string, c class, m event; a
// capital letter for a property that can only be read.
#include "platform/framework/Published.h"

#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <string>
#include <vector>

namespace published_table {

struct Entry {
    std::string name;
    char kind = 0;
    std::string defaultText;
    std::string sample;
};

inline std::vector<Entry> Parse(const std::string& list) {
    std::vector<Entry> entries;
    std::istringstream items(list);
    for (std::string item; std::getline(items, item, ',');) {
        std::istringstream words(item);
        Entry entry;
        words >> entry.name >> entry.kind;
        for (std::string word; words >> word;)
            (word[0] == '=' ? entry.sample : entry.defaultText) = word[0] == '=' ? word.substr(1) : word;
        entries.push_back(entry);
    }
    return entries;
}

inline TTypeKind KindOf(char letter) {
    switch (std::tolower(static_cast<unsigned char>(letter))) {
    case 'i':
        return tkInteger;
    case 'e':
        return tkEnumeration;
    case 'f':
        return tkFloat;
    case 's':
        return tkLString;
    case 'c':
        return tkClass;
    default:
        return tkMethod;
    }
}

// Every sample is written before any is read back, so two properties that reach one field
// show up.
inline void ExpectPublished(TObject& object, const std::string& list) {
    const std::vector<Entry> entries = Parse(list);
    std::vector<std::pair<const TPropInfo*, std::string>> samples;
    for (const Entry& entry : entries) {
        SCOPED_TRACE(object.ClassName() + "." + entry.name);
        const bool absent = entry.name[0] == '-';
        const TPropInfo* prop = GetPropInfo(object, absent ? entry.name.substr(1) : entry.name);
        EXPECT_EQ(prop == nullptr, absent);
        if (!prop || absent) continue;
        EXPECT_EQ(prop->Kind(), KindOf(entry.kind));
        EXPECT_EQ(!prop->Set, std::isupper(static_cast<unsigned char>(entry.kind)) != 0) << "read only";
        if (!entry.sample.empty()) samples.emplace_back(prop, entry.sample);
        if (entry.defaultText.empty()) continue;
        EXPECT_EQ(GetPropText(object, *prop), entry.defaultText);
        EXPECT_EQ(prop->Default, prop->Kind() == tkEnumeration
                                     ? GetEnumValue(*prop->PropType, entry.defaultText)
                                     : std::stoll(entry.defaultText));
    }
    for (const auto& [prop, text] : samples)
        SetPropText(object, *prop, text);
    for (const auto& [prop, text] : samples)
        EXPECT_EQ(GetPropText(object, *prop), text) << object.ClassName() << "." << prop->Name;
}

} // namespace published_table
