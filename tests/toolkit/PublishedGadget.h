#pragma once
// A component that publishes a property of every kind the property storage handles:
// integers, 64-bit integers, characters, enumerations, sets, floats of each size, strings,
// variants, a string list, a collection, a sub-object and a component reference; for the
// tests and the fuzzing of stored properties.
#include "platform/framework/Collections.h"
#include "platform/framework/Graphics.h"
#include "platform/framework/Published.h"
#include "platform/framework/StringList.h"

#include <cstdint>
#include <string>

class TGadgetItem : public TCollectionItem {
    VX_CLASS(TGadgetItem, TCollectionItem)
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

enum TGadgetFlag { gfRed, gfGreen, gfBlue };

class TGadget : public TComponent {
    VX_CLASS(TGadget, TComponent)
public:
    using TComponent::TComponent;
    int Number() const { return number_; }
    void SetNumber(int value) { number_ = value; }
    double Ratio() const { return ratio_; }
    void SetRatio(double value) { ratio_ = value; }
    float Scale() const { return scale_; }
    void SetScale(float value) { scale_ = value; }
    double Money() const { return money_; }
    void SetMoney(double value) { money_ = value; }
    char Letter() const { return letter_; }
    void SetLetter(char value) { letter_ = value; }
    std::int64_t Big() const { return big_; }
    void SetBig(std::int64_t value) { big_ = value; }
    Variant Value() const { return value_; }
    void SetValue(const Variant& value) { value_ = value; }
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
    double money_ = 0;
    char letter_ = 'a';
    std::int64_t big_ = 0;
    Variant value_;
    unsigned flags_ = 0;
    int mode_ = 0;
    std::string text_;
    mutable TStringList lines_;
    mutable TCollection items_{"TGadgetItem", CollectionItemsOf<TGadgetItem>()};
    TFont look_;
    TComponent* partner_ = nullptr;
};

// Publishes the gadget and its items (once, however often it is called).
inline void RegisterGadgets() {
    static const bool registered = [] {
        RegisterPublishedClass(
            "TGadgetItem", "TCollectionItem",
            {
                Property("Label", TypeString(), &TGadgetItem::Label, &TGadgetItem::SetLabel),
                Property("Weight", TypeInteger(), &TGadgetItem::Weight, &TGadgetItem::SetWeight),
            });
        const TTypeInfo& flag = EnumerationType("TGadgetFlag", {"gfRed", "gfGreen", "gfBlue"});
        return RegisterPublishedClass(
            "TGadget", "TComponent",
            {
                Property("Big", TypeInt64(), &TGadget::Big, &TGadget::SetBig),
                Property("Flags", SetType("TGadgetFlags", flag), &TGadget::Flags, &TGadget::SetFlags),
                AssignedProperty("Items", ClassType("TCollection"), &TGadget::Items),
                Property("Letter", TypeChar(), &TGadget::Letter, &TGadget::SetLetter),
                AssignedProperty("Lines", ClassType("TStrings"), &TGadget::Lines),
                SubObjectProperty("Look", ClassType("TFont"), &TGadget::Look),
                Property("Mode", flag, &TGadget::Mode, &TGadget::SetMode),
                Property("Money", TypeFloat(ftCurr), &TGadget::Money, &TGadget::SetMoney),
                Property("Number", TypeInteger(), &TGadget::Number, &TGadget::SetNumber),
                Property("Partner", ClassType("TComponent"), &TGadget::Partner, &TGadget::SetPartner),
                Property("Ratio", TypeFloat(ftDouble), &TGadget::Ratio, &TGadget::SetRatio),
                Property("Scale", TypeFloat(ftSingle), &TGadget::Scale, &TGadget::SetScale),
                Property("Text", TypeString(), &TGadget::Text, &TGadget::SetText),
                Property("Value", TypeVariant(), &TGadget::Value, &TGadget::SetValue),
            });
    }();
    static_cast<void>(registered);
}
