// Feeds arbitrary bytes, read as a settings file, to the loading of stored properties: a
// component with properties of every kind (numbers, characters, enumerations, sets, floats,
// strings, variants, a string list, a collection, a sub-object and a component reference)
// and stored-property lists taken from the same text. Counts must stay within their cap.
#include "platform/files/IniDocument.h"
#include "platform/framework/Collections.h"
#include "platform/framework/Graphics.h"
#include "toolkit/Kxprops.h"

#include <cstdint>
#include <string_view>

namespace {

class TFuzzItem : public TCollectionItem {
    VX_CLASS(TFuzzItem, TCollectionItem)
public:
    using TCollectionItem::TCollectionItem;
    const std::string& Label() const { return label_; }
    void SetLabel(const std::string& label) { label_ = label; }
    int Weight() const { return weight_; }
    void SetWeight(int weight) { weight_ = weight; }

private:
    std::string label_;
    int weight_ = 0;
};

class TFuzzGadget : public TComponent {
    VX_CLASS(TFuzzGadget, TComponent)
public:
    using TComponent::TComponent;
    int Number() const { return number_; }
    void SetNumber(int value) { number_ = value; }
    double Ratio() const { return ratio_; }
    void SetRatio(double value) { ratio_ = value; }
    float Scale() const { return scale_; }
    void SetScale(float value) { scale_ = value; }
    char Letter() const { return letter_; }
    void SetLetter(char value) { letter_ = value; }
    std::int64_t Big() const { return big_; }
    void SetBig(std::int64_t value) { big_ = value; }
    Variant Note() const { return note_; }
    void SetNote(const Variant& value) { note_ = value; }
    unsigned Flags() const { return flags_; }
    void SetFlags(unsigned value) { flags_ = value; }
    int Mode() const { return mode_; }
    void SetMode(int value) { mode_ = value; }
    const std::string& Text() const { return text_; }
    void SetText(const std::string& value) { text_ = value; }
    TStrings* Lines() const { return &lines_; }
    TCollection* Items() const { return &items_; }
    TFont& Look() { return look_; }
    TComponent* Partner() const { return partner_; }
    void SetPartner(TComponent* partner) { partner_ = partner; }

private:
    int number_ = 0;
    double ratio_ = 0;
    float scale_ = 0;
    char letter_ = 'a';
    std::int64_t big_ = 0;
    Variant note_;
    unsigned flags_ = 0;
    int mode_ = 0;
    std::string text_;
    mutable TStringList lines_;
    mutable TCollection items_{"TFuzzItem", CollectionItemsOf<TFuzzItem>()};
    TFont look_;
    TComponent* partner_ = nullptr;
};

const bool registered = [] {
    RegisterPublishedClass("TFuzzItem", "TCollectionItem",
                           {
                               Property("Label", TypeString(), &TFuzzItem::Label, &TFuzzItem::SetLabel),
                               Property("Weight", TypeInteger(), &TFuzzItem::Weight, &TFuzzItem::SetWeight),
                           });
    const TTypeInfo& mode = EnumerationType("TFuzzMode", {"fmOne", "fmTwo", "fmThree"});
    return RegisterPublishedClass(
        "TFuzzGadget", "TComponent",
        {
            Property("Big", TypeInt64(), &TFuzzGadget::Big, &TFuzzGadget::SetBig),
            Property("Flags", SetType("TFuzzModes", mode), &TFuzzGadget::Flags, &TFuzzGadget::SetFlags),
            AssignedProperty("Items", ClassType("TCollection"), &TFuzzGadget::Items),
            Property("Letter", TypeChar(), &TFuzzGadget::Letter, &TFuzzGadget::SetLetter),
            AssignedProperty("Lines", ClassType("TStrings"), &TFuzzGadget::Lines),
            SubObjectProperty("Look", ClassType("TFont"), &TFuzzGadget::Look),
            Property("Mode", mode, &TFuzzGadget::Mode, &TFuzzGadget::SetMode),
            Property("Note", TypeVariant(), &TFuzzGadget::Note, &TFuzzGadget::SetNote),
            Property("Number", TypeInteger(), &TFuzzGadget::Number, &TFuzzGadget::SetNumber),
            Property("Partner", ClassType("TComponent"), &TFuzzGadget::Partner, &TFuzzGadget::SetPartner),
            Property("Ratio", TypeFloat(ftDouble), &TFuzzGadget::Ratio, &TFuzzGadget::SetRatio),
            Property("Scale", TypeFloat(ftSingle), &TFuzzGadget::Scale, &TFuzzGadget::SetScale),
            Property("Text", TypeString(), &TFuzzGadget::Text, &TFuzzGadget::SetText),
        });
}();

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const IniDocument settings(std::string_view(reinterpret_cast<const char*>(data), size));
    TComponent owner(nullptr);
    auto* gadget = new TFuzzGadget(&owner);
    gadget->SetName("G");
    TStringList stored;
    for (const char* prop : {"Big", "Flags", "Items", "Letter", "Lines", "Look", "Mode", "Note", "Number",
                             "Partner", "Ratio", "Scale", "Text"})
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
    static_cast<void>(registered);
    return 0;
}
