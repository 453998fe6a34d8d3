#include "platform/framework/Published.h"

#include "GuiTestSupport.h"
#include "platform/framework/Collections.h"
#include "platform/framework/ComCtrls.h"
#include "platform/framework/Forms.h"
#include "platform/framework/StdCtrls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace {

class TSampleItem : public TCollectionItem {
    VX_CLASS(TSampleItem, TCollectionItem)
public:
    using TCollectionItem::TCollectionItem;
    const std::string& Label() const { return label_; }
    void SetLabel(const std::string& label) { label_ = label; }
    void Assign(const TPersistent& source) override {
        if (const auto* item = dynamic_cast<const TSampleItem*>(&source))
            label_ = item->label_;
        else
            TCollectionItem::Assign(source);
    }

private:
    std::string label_;
};

// A component with the kinds the framework's controls do not publish.
class TSample : public TComponent {
    VX_CLASS(TSample, TComponent)
public:
    using TComponent::TComponent;
    double Ratio() const { return ratio_; }
    void SetRatio(double ratio) { ratio_ = ratio; }
    float Scale() const { return scale_; }
    void SetScale(float scale) { scale_ = scale; }
    char Letter() const { return letter_; }
    void SetLetter(char letter) { letter_ = letter; }
    std::int64_t Big() const { return big_; }
    void SetBig(std::int64_t big) { big_ = big; }
    Variant Value() const { return value_; }
    void SetValue(const Variant& value) { value_ = value; }
    TCollection* Items() const { return &items_; }
    int Count() const { return static_cast<int>(items_.Count()); }
    unsigned long Limit = 1024; // a Cardinal held in a wider field

private:
    double ratio_ = 0;
    float scale_ = 0;
    char letter_ = 'a';
    std::int64_t big_ = 0;
    Variant value_;
    mutable TOwnedCollection items_{this, "TSampleItem", CollectionItemsOf<TSampleItem>()};
};

// Derives from TEdit without registering anything of its own.
class TPlainEdit : public TEdit {
    VX_CLASS(TPlainEdit, TEdit)
public:
    using TEdit::TEdit;
};

void registerSamples() {
    static const bool registered = [] {
        RegisterPublishedClass(
            "TSampleItem", "TCollectionItem",
            {Property("Label", TypeString(), &TSampleItem::Label, &TSampleItem::SetLabel)});
        RegisterPublishedClass(
            "TSample", "TComponent",
            {
                Property("Big", TypeInt64(), &TSample::Big, &TSample::SetBig),
                AssignedProperty("Items", ClassType("TCollection"), &TSample::Items),
                Property("Letter", TypeChar(), &TSample::Letter, &TSample::SetLetter),
                FieldProperty("Limit", IntegerType("Cardinal"), &TSample::Limit),
                Property("Ratio", TypeFloat(ftDouble), &TSample::Ratio, &TSample::SetRatio),
                Property("Scale", TypeFloat(ftSingle), &TSample::Scale, &TSample::SetScale),
                ReadOnlyProperty("Count", TypeInteger(), &TSample::Count),
                Property("Value", TypeVariant(), &TSample::Value, &TSample::SetValue),
            });
        return true;
    }();
    static_cast<void>(registered);
}

std::vector<std::string> names(const std::vector<const TPropInfo*>& props) {
    std::vector<std::string> result;
    for (const TPropInfo* prop : props)
        result.push_back(prop->Name);
    return result;
}

const TPropInfo& prop(const TObject& object, const char* name) {
    const TPropInfo* info = GetPropInfo(object, name);
    if (!info) throw std::runtime_error(std::string("no property ") + name);
    return *info;
}

} // namespace

TEST(PublishedProperties, AnObjectHasItsAncestorsPropertiesFirstEachOnce) {
    vx::EnsureQtApplication();
    TLabel label(nullptr);
    const std::vector<std::string> list = names(GetPropList(label));
    ASSERT_GE(list.size(), 3u);
    EXPECT_EQ(list[0], "Name");
    EXPECT_EQ(list[1], "Tag");
    EXPECT_LT(std::find(list.begin(), list.end(), "Left") - list.begin(),
              std::find(list.begin(), list.end(), "Caption") - list.begin());
    for (const std::string& name : list)
        EXPECT_EQ(std::count(list.begin(), list.end(), name), 1) << name;
    EXPECT_EQ(names(GetPropList(label, KindBit(tkClass))),
              (std::vector<std::string>{"Constraints", "Font", "PopupMenu", "FocusControl"}));
    EXPECT_EQ(GetPropInfo(label, "caption"), GetPropInfo(label, "Caption")) << "names ignore case";
    EXPECT_EQ(GetPropInfo(label, "Text"), nullptr) << "a label publishes Caption, not Text";
}

TEST(PublishedProperties, AnUnregisteredClassHasItsNearestRegisteredAncestorsProperties) {
    vx::EnsureQtApplication();
    TPlainEdit edit(nullptr);
    TEdit plain(nullptr);
    EXPECT_EQ(names(GetPropList(edit)), names(GetPropList(plain)));
    EXPECT_TRUE(ClassInheritsFrom("TEdit", "TWinControl"));
    EXPECT_TRUE(ClassInheritsFrom("TForm", "TComponent"));
    EXPECT_FALSE(ClassInheritsFrom("TStrings", "TComponent"));
    EXPECT_FALSE(ClassInheritsFrom("TNoSuchClass", "TObject"));
}

TEST(PublishedProperties, OrdinalEnumerationAndStringValuesReachTheControl) {
    vx::EnsureQtApplication();
    TEdit edit(nullptr);
    SetOrdProp(edit, prop(edit, "Width"), 140);
    SetOrdProp(edit, prop(edit, "Align"), alClient);
    SetOrdProp(edit, prop(edit, "ReadOnly"), 1);
    SetStrProp(edit, prop(edit, "Text"), "typed");
    EXPECT_EQ(edit.Width(), 140);
    EXPECT_EQ(edit.Align(), alClient);
    EXPECT_TRUE(edit.ReadOnly());
    EXPECT_EQ(edit.Text(), "typed");
    EXPECT_EQ(GetOrdProp(edit, prop(edit, "Width")), 140);
    EXPECT_EQ(GetPropText(edit, prop(edit, "Align")), "alClient");
    EXPECT_EQ(GetPropText(edit, prop(edit, "ReadOnly")), "True");
    EXPECT_THROW(GetFloatProp(edit, prop(edit, "Width")), EPropertyError) << "a value of another kind";
}

TEST(PublishedProperties, TextsConvertByKindAndBadTextsOrValuesOutsideTheTypeLeaveTheValue) {
    vx::EnsureQtApplication();
    TEdit edit(nullptr);
    SetPropText(edit, prop(edit, "Align"), "ALRIGHT");
    EXPECT_EQ(edit.Align(), alRight);
    SetPropText(edit, prop(edit, "Width"), " 77 ");
    EXPECT_EQ(edit.Width(), 77);
    SetPropText(edit, prop(edit, "Anchors"), "[akLeft, akTop]");
    for (const char* bad : {"", "7x", "99999999999", "1.5"})
        EXPECT_THROW(SetPropText(edit, prop(edit, "Width"), bad), EPropertyError) << bad;
    for (const char* bad : {"[akLeft,", "akLeft]", "[akLeft,]", "[,akLeft]", "[akLeft,,akTop]", "["})
        EXPECT_THROW(SetPropText(edit, prop(edit, "Anchors"), bad), EPropertyError) << bad;
    const std::pair<const char*, std::int64_t> outside[] = {
        {"Align", alClient + 1}, {"Align", -1}, {"Anchors", 16}, {"Width", 1LL << 32}};
    for (const auto& [name, value] : outside)
        EXPECT_THROW(SetOrdProp(edit, prop(edit, name), value), EPropertyError) << name << " " << value;
    EXPECT_THROW(SetPropText(edit, prop(edit, "Align"), "alMiddle"), EPropertyError);
    EXPECT_EQ(edit.Width(), 77);
    EXPECT_EQ(edit.Align(), alRight);
    EXPECT_EQ(edit.Anchors(), static_cast<TAnchors>(akLeft | akTop));
}

TEST(PublishedProperties, SubObjectsAndSetsGoThroughTheirOwnProperties) {
    vx::EnsureQtApplication();
    TEdit edit(nullptr);
    auto* font = static_cast<TFont*>(GetObjectProp(edit, prop(edit, "Font")));
    ASSERT_EQ(font, &edit.Font());
    SetPropText(*font, prop(*font, "Style"), "[fsItalic, FSBOLD]");
    EXPECT_EQ(edit.Font().Style(), static_cast<TFontStyles>(fsBold | fsItalic));
    EXPECT_EQ(GetPropText(*font, prop(*font, "Style")), "[fsBold,fsItalic]");
    SetPropText(*font, prop(*font, "Style"), "[]");
    EXPECT_EQ(edit.Font().Style(), 0u);
    EXPECT_THROW(SetPropText(*font, prop(*font, "Style"), "[fsBold,fsWide]"), EPropertyError);

    TFont other;
    other.SetName("Courier New");
    SetObjectProp(edit, prop(edit, "Font"), &other);
    EXPECT_EQ(edit.Font().Name(), "Courier New") << "a sub-object is assigned, not replaced";
    EXPECT_EQ(&edit.Font(), font);
}

TEST(PublishedProperties, ComponentReferencesByValueAndByName) {
    vx::EnsureQtApplication();
    TForm form(nullptr);
    auto* edit = new TEdit(&form);
    edit->SetName("Edit1");
    auto* updown = new TUpDown(&form);
    updown->SetName("UpDown1");
    auto* button = new TButton(&form);
    button->SetName("Button1");

    SetPropText(*updown, prop(*updown, "Associate"), "edit1");
    EXPECT_EQ(updown->Associate(), edit) << "found among the owner's components";
    EXPECT_EQ(GetPropText(*updown, prop(*updown, "Associate")), "Edit1");
    EXPECT_THROW(SetObjectProp(*updown, prop(*updown, "Associate"), button), EPropertyError)
        << "a button is no edit";
    EXPECT_EQ(updown->Associate(), edit);
    SetPropText(form, prop(form, "ActiveControl"), "Button1");
    EXPECT_EQ(form.ActiveControl(), button);
    SetPropText(*updown, prop(*updown, "Associate"), "");
    EXPECT_EQ(updown->Associate(), nullptr);
    EXPECT_THROW(SetPropText(form, prop(form, "ActiveControl"), "Nobody"), EPropertyError);
}

TEST(PublishedProperties, StringListsAreAssigned) {
    vx::EnsureQtApplication();
    TComboBox combo(nullptr);
    TStringList lines;
    lines.SetText("one\ntwo");
    SetObjectProp(combo, prop(combo, "Items"), &lines);
    EXPECT_EQ(combo.Items()->Text(), lines.Text());
    EXPECT_EQ(GetObjectProp(combo, prop(combo, "Items")), combo.Items());
}

TEST(PublishedProperties, FloatCharInt64CardinalVariantAndReadOnlyKinds) {
    registerSamples();
    TSample sample(nullptr);
    SetPropText(sample, prop(sample, "Ratio"), "0.1");
    EXPECT_DOUBLE_EQ(sample.Ratio(), 0.1);
    EXPECT_EQ(GetPropText(sample, prop(sample, "Ratio")), "0.1") << "the shortest text that reads back";
    SetFloatProp(sample, prop(sample, "Scale"), 0.3);
    EXPECT_EQ(GetPropText(sample, prop(sample, "Scale")), "0.3") << "a single keeps single digits";
    SetPropText(sample, prop(sample, "Letter"), "Q");
    EXPECT_EQ(sample.Letter(), 'Q');
    EXPECT_THROW(SetPropText(sample, prop(sample, "Letter"), "QQ"), EPropertyError);
    SetPropText(sample, prop(sample, "Big"), "-9000000000");
    EXPECT_EQ(sample.Big(), -9000000000LL);
    SetPropText(sample, prop(sample, "Limit"), "-1");
    EXPECT_EQ(GetPropText(sample, prop(sample, "Limit")), "4294967295") << "a Cardinal reads unsigned";
    SetPropText(sample, prop(sample, "Value"), "any text");
    EXPECT_EQ(GetVariantProp(sample, prop(sample, "Value")).AsString(), "any text");
    EXPECT_THROW(SetOrdProp(sample, prop(sample, "Count"), 3), EPropertyError);
    EXPECT_EQ(prop(sample, "Items").Kind(), tkClass);
}

TEST(PublishedProperties, EventsTakeAHandlerOfTheirOwnTypeAndInheritedValuesAreNotStored) {
    vx::EnsureQtApplication();
    TForm form(nullptr);
    auto* label = new TLabel(&form);
    label->SetParent(&form);
    const TPropInfo& onClick = prop(*label, "OnClick");
    EXPECT_EQ(GetPropInfo(*label, "OnClick", tkProperties), nullptr) << "property walks pass events by";
    int clicks = 0;
    SetMethodProp(*label, onClick, TNotifyEvent([&](TObject*) { ++clicks; }));
    label->Click();
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(std::any_cast<TNotifyEvent>(GetMethodProp(*label, onClick)));
    EXPECT_THROW(SetMethodProp(*label, prop(*label, "OnMouseDown"), TNotifyEvent()), EPropertyError);
    EXPECT_THROW(GetPropText(*label, onClick), EPropertyError) << "an event has no text";
    for (const char* name : {"Color", "Font", "ShowHint"}) {
        EXPECT_FALSE(IsStoredProp(*label, prop(*label, name))) << "taken from the form: " << name;
        SetPropText(*label, prop(*label, (std::string("Parent") + name).c_str()), "False");
        EXPECT_TRUE(IsStoredProp(*label, prop(*label, name))) << name;
    }
}

TEST(Collections, ItemsAreMadeByTheCollectionAndLeaveItWhenFreed) {
    TCollection items("TSampleItem", CollectionItemsOf<TSampleItem>());
    int updates = 0;
    items.OnUpdate = [&](TCollection*, TCollectionItem*) { ++updates; };
    items.BeginUpdate();
    for (const char* label : {"a", "b", "c"})
        static_cast<TSampleItem*>(items.Add())->SetLabel(label);
    items.EndUpdate();
    EXPECT_EQ(updates, 1) << "one report for the whole update";
    ASSERT_EQ(items.Count(), 3);
    EXPECT_EQ(items.Items(1)->Index(), 1);
    delete items.Items(1);
    ASSERT_EQ(items.Count(), 2);
    EXPECT_EQ(static_cast<TSampleItem*>(items.Items(1))->Label(), "c");
    items.Items(1)->SetIndex(0);
    EXPECT_EQ(static_cast<TSampleItem*>(items.Items(0))->Label(), "c");
    EXPECT_THROW(items.Items(2), EListError);

    TCollection copy("TSampleItem", CollectionItemsOf<TSampleItem>());
    copy.Add();
    copy.Assign(items);
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_EQ(static_cast<TSampleItem*>(copy.Items(1))->Label(), "a");
    EXPECT_THROW(copy.Items(0)->Assign(copy), EConvertError);
    copy.Clear();
    EXPECT_EQ(copy.Count(), 0);
}

// Lookups from several threads at once while classes still register: ThreadSanitizer
// checks the registry's lock.
TEST(PublishedConcurrency, LookupsFromSeveralThreads) {
    registerSamples();
    std::vector<std::thread> threads;
    std::atomic<int> found{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            TSample sample(nullptr);
            RegisterPublishedClass("TLateClass" + std::to_string(t), "TSample", {});
            for (int i = 0; i < 200; ++i)
                if (GetPropInfo(sample, "Ratio")) ++found;
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(found.load(), 800);
}
