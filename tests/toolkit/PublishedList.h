#pragma once
// Checks what an object publishes against the list its description gives.
#include "platform/framework/Published.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <regex>
#include <sstream>
#include <vector>

// Blank-separated entries "Name:k", k the kind (b Boolean, e enumeration, i integer, c char,
// f float, t set, s string, o object, v variant, m event; a capital for one only read), then,
// each optional and in this order, "=default" (registered, and what a new object has),
// "?ParentX" (the Boolean that, while true, gives the value so that it is not stored) and
// "~text" (written once all else is checked; all are read back after, so two properties that
// reach one field show up). "-Name" is published by none.
inline void ExpectPublished(TObject& object, const std::string& list) {
    const auto registeredDefault = [](const TPropInfo& prop) {
        if (!prop.Default) return std::string("(none)");
        if (prop.Kind() == tkEnumeration) return GetEnumName(*prop.PropType, static_cast<int>(*prop.Default));
        if (prop.Kind() == tkSet) return SetToString(*prop.PropType, *prop.Default);
        return std::to_string(*prop.Default);
    };
    const std::regex entry(R"((-?)(\w+)(?::(\w)(?:=([^?~]+))?(?:\?(\w+))?(?:~(.+))?)?)");
    std::vector<std::pair<const TPropInfo*, std::string>> parents, samples;
    std::istringstream words(list);
    for (std::string word; words >> word;) {
        SCOPED_TRACE(object.ClassName() + " " + word);
        std::smatch part;
        ASSERT_TRUE(std::regex_match(word, part, entry));
        const TPropInfo* prop = GetPropInfo(object, part.str(2));
        EXPECT_EQ(prop == nullptr, part.length(1) > 0);
        if (!prop || part.length(1) > 0) continue;
        const char kind = part.str(3)[0];
        EXPECT_EQ(prop->PropType == &TypeBoolean() ? 'b'
                                                   : "?icefstom?ssv"[std::min<int>(prop->Kind(), tkVariant)],
                  std::tolower(kind));
        EXPECT_EQ(!prop->Set, std::isupper(kind) != 0) << "only read";
        if (part[4].matched) {
            EXPECT_EQ(registeredDefault(*prop), part.str(4));
            EXPECT_EQ(GetPropText(object, *prop), part.str(4)) << "a new object's";
        }
        if (part[5].matched) parents.emplace_back(prop, part.str(5));
        if (part[6].matched) samples.emplace_back(prop, part.str(6));
    }
    for (const auto& [prop, parent] : parents) {
        SCOPED_TRACE(object.ClassName() + " " + prop->Name + "?" + parent);
        SetPropText(object, *GetPropInfo(object, parent), "True");
        EXPECT_FALSE(IsStoredProp(object, *prop));
        SetPropText(object, *GetPropInfo(object, parent), "False");
        EXPECT_TRUE(IsStoredProp(object, *prop));
    }
    for (const auto& [prop, text] : samples)
        SetPropText(object, *prop, text);
    for (const auto& [prop, text] : samples)
        EXPECT_EQ(GetPropText(object, *prop), text) << object.ClassName() << " " << prop->Name;
}
