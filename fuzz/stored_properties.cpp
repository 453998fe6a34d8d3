// Feeds arbitrary bytes, read as a settings file, to the loading of stored properties: a
// component with properties of every kind (numbers, characters, enumerations, sets, floats,
// strings, variants, a string list, a collection, a sub-object and a component reference)
// and stored-property lists taken from the same text. Counts must stay within their cap.
#include "platform/files/IniDocument.h"
#include "tests/toolkit/PublishedGadget.h"
#include "toolkit/Kxprops.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RegisterGadgets();
    const IniDocument settings(std::string_view(reinterpret_cast<const char*>(data), size));
    TComponent owner(nullptr);
    auto* gadget = new TGadget(&owner);
    gadget->SetName("G");
    TStringList stored;
    for (const char* prop : {"Big", "Flags", "Items", "Letter", "Lines", "Look", "Mode", "Money", "Number",
                             "Partner", "Ratio", "Scale", "Text", "Value"})
        stored.Add(std::string("G.") + prop);
    // The settings' own keys of the section "List" as further lines of the stored list.
    for (const std::string& key : settings.Keys("List"))
        stored.Add(key);
    UpdateStoredList(&owner, stored, true);

    TPropsStorage storage;
    storage.Section = "Main";
    storage.OnReadString = [&](const std::string& section, const std::string& ident, const std::string& def) {
        return settings.Value(section, ident).value_or(def);
    };
    storage.LoadObjectsProps(&owner, stored);
    if (gadget->Lines()->Count() > kMaxStoredCount || gadget->Items()->Count() > kMaxStoredCount)
        __builtin_trap();
    return 0;
}
