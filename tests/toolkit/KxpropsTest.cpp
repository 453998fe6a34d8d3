#include "toolkit/Kxprops.h"

#include "platform/framework/Collections.h"
#include "platform/framework/ComCtrls.h"
#include "platform/framework/Forms.h"
#include "platform/framework/StdCtrls.h"
#include "tests/toolkit/GuiPump.h"
#include "tests/toolkit/PublishedGadget.h"

#include <gtest/gtest.h>

#include <clocale>
#include <map>

namespace {

// Settings held in memory: (section, key) -> value, with the calls' order kept.
struct MemorySettings {
    std::map<std::pair<std::string, std::string>, std::string> values;
    std::vector<std::string> erased;

    void connect(TPropsStorage& storage) {
        storage.OnReadString = [this](const std::string& section, const std::string& ident,
                                      const std::string& def) {
            auto it = values.find({section, ident});
            return it == values.end() ? def : it->second;
        };
        storage.OnWriteString = [this](const std::string& section, const std::string& ident,
                                       const std::string& value) {
            values[{section, ident}] = value;
        };
        storage.OnEraseSection = [this](const std::string& section) {
            erased.push_back(section);
            for (auto it = values.begin(); it != values.end();)
                it = it->first.first == section ? values.erase(it) : std::next(it);
        };
    }
    std::string at(const std::string& section, const std::string& key) const {
        auto it = values.find({section, key});
        return it == values.end() ? "<none>" : it->second;
    }
};

TStringList lines(std::initializer_list<const char*> items) {
    TStringList list;
    for (const char* item : items)
        list.Add(item);
    return list;
}

// A stored-property list resolved against owner.
TStringList storedList(TComponent& owner, std::initializer_list<const char*> items) {
    TStringList list = lines(items);
    UpdateStoredList(&owner, list, true);
    return list;
}

} // namespace

TEST(PropsStorage, KeysAreComponentUnderscorePropertyAndSubObjectsAddTheirNames) {
    StartGui();
    TForm form(nullptr);
    auto* edit = new TEdit(&form);
    edit->SetName("Edit1");
    edit->SetText("  typed  ");
    edit->Font().SetSize(12);
    edit->Font().SetStyle(fsBold);
    MemorySettings settings;
    TPropsStorage storage;
    storage.Section = "Main";
    settings.connect(storage);
    storage.StoreObjectsProps(&form,
                              storedList(form, {"Edit1.Text", "Edit1.Font", "Nobody.Text", "Edit1.NoSuch"}));
    EXPECT_EQ(settings.at("Main", "Edit1_Text"), "typed") << "values are trimmed";
    EXPECT_EQ(settings.at("Main", "Edit1_FontSize"), "12");
    EXPECT_EQ(settings.at("Main", "Edit1_FontStyle"), "[fsBold]");
    EXPECT_EQ(settings.at("Main", "Edit1_FontName"), "Arial");
    EXPECT_NE(settings.at("Main", "Edit1_FontColor"), "<none>");

    TForm other(nullptr);
    auto* fresh = new TEdit(&other);
    fresh->SetName("Edit1");
    storage.LoadObjectsProps(&other, storedList(other, {"Edit1.Text", "Edit1.Font"}));
    EXPECT_EQ(fresh->Text(), "typed");
    EXPECT_EQ(fresh->Font().Size(), 12);
    EXPECT_EQ(fresh->Font().Style(), static_cast<TFontStyles>(fsBold));
}

TEST(PropsStorage, AStringListHasASectionOfItsOwn) {
    StartGui();
    TForm form(nullptr);
    auto* combo = new TComboBox(&form);
    combo->SetName("Combo1");
    combo->Items()->SetText("first\n second ");
    MemorySettings settings;
    settings.values[{"Main.Combo1_Items", "Stale"}] = "x";
    TPropsStorage storage;
    storage.Section = "Main";
    settings.connect(storage);
    storage.StoreObjectsProps(&form, storedList(form, {"Combo1.Items"}));
    EXPECT_EQ(settings.erased, std::vector<std::string>{"Main.Combo1_Items"});
    EXPECT_EQ(settings.at("Main.Combo1_Items", "Stale"), "<none>");
    EXPECT_EQ(settings.at("Main.Combo1_Items", "Count"), "2");
    EXPECT_EQ(settings.at("Main.Combo1_Items", "Item0"), "first");
    EXPECT_EQ(settings.at("Main.Combo1_Items", "Item1"), " second ") << "items keep their blanks";

    combo->Items()->Clear();
    storage.StoreObjectsProps(&form, storedList(form, {"Combo1.Items"}));
    EXPECT_EQ(settings.at("Main.Combo1_Items", "Count"), "<none>") << "nothing is written for an empty list";
}

TEST(PropsStorage, ListCountsReadBackAreCappedAndNegativeOnesLeaveTheList) {
    StartGui();
    TForm form(nullptr);
    auto* combo = new TComboBox(&form);
    combo->SetName("Combo1");
    combo->Items()->SetText("kept");
    MemorySettings settings;
    TPropsStorage storage;
    storage.Section = "Main";
    settings.connect(storage);
    for (const char* count : {"-3", "0", "lots", ""}) {
        settings.values[{"Main.Combo1_Items", "Count"}] = count;
        storage.LoadObjectsProps(&form, storedList(form, {"Combo1.Items"}));
        EXPECT_EQ(combo->Items()->Text(), "kept\n") << "Count " << count;
    }
    settings.values[{"Main.Combo1_Items", "Count"}] = "2147483647";
    settings.values[{"Main.Combo1_Items", "Item1"}] = "second";
    storage.LoadObjectsProps(&form, storedList(form, {"Combo1.Items"}));
    ASSERT_EQ(combo->Items()->Count(), kMaxStoredCount);
    EXPECT_EQ(combo->Items()->Strings(0), "") << "a missing item reads as empty";
    EXPECT_EQ(combo->Items()->Strings(1), "second");
}

TEST(PropsStorage, ValuesOfEveryKindGoAsText) {
    RegisterGadgets();
    TComponent owner(nullptr);
    auto* gadget = new TGadget(&owner);
    gadget->SetName("G");
    gadget->SetRatio(0.5);
    gadget->SetScale(0.1f);
    gadget->SetMoney(1234.5);
    gadget->SetLetter('Q');
    gadget->SetBig(-9000000000LL);
    gadget->SetValue(Variant(std::string("var text")));
    gadget->SetFlags(0);
    MemorySettings settings;
    TPropsStorage storage;
    storage.Section = "S";
    settings.connect(storage);
    storage.StoreObjectsProps(&owner, storedList(owner, {"G.Ratio", "G.Scale", "G.Money", "G.Letter", "G.Big",
                                                         "G.Value", "G.Flags"}));
    EXPECT_EQ(settings.at("S", "G_Ratio"), "0.5");
    EXPECT_EQ(settings.at("S", "G_Scale"), "0.1") << "seven digits for a single";
    EXPECT_EQ(settings.at("S", "G_Money"), "1234.5");
    EXPECT_EQ(settings.at("S", "G_Letter"), "Q");
    EXPECT_EQ(settings.at("S", "G_Big"), "-9000000000");
    EXPECT_EQ(settings.at("S", "G_Value"), "var text");
    EXPECT_EQ(settings.at("S", "G_Flags"), "[]");

    settings.values[{"S", "G_Ratio"}] = "1E+20";
    settings.values[{"S", "G_Letter"}] = "xyz";
    settings.values[{"S", "G_Flags"}] = " [ GFBLUE, gfNone ,gfRed]";
    settings.values[{"S", "G_Big"}] = "12";
    storage.LoadObjectsProps(&owner,
                             storedList(owner, {"G.Ratio", "G.Letter", "G.Flags", "G.Big", "G.Value"}));
    EXPECT_DOUBLE_EQ(gadget->Ratio(), 1e20);
    EXPECT_EQ(gadget->Letter(), 'x');
    EXPECT_EQ(gadget->Flags(), (1u << gfBlue) | (1u << gfRed)) << "names that are no member are skipped";
    EXPECT_EQ(gadget->Big(), 12);
    EXPECT_EQ(gadget->Value().AsString(), "var text");
}

TEST(PropsStorage, FloatsUnderACommaLocaleGoWithAPointAndReadBackEitherWay) {
    // What the GUI library does at start with LC_ALL=de_DE.UTF-8.
    const std::string before = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no de_DE.UTF-8: see tools/install-deps.sh";
    RegisterGadgets();
    TComponent owner(nullptr);
    auto* gadget = new TGadget(&owner);
    gadget->SetName("G");
    gadget->SetRatio(0.5);
    gadget->SetValue(Variant(0.25));
    MemorySettings settings;
    TPropsStorage storage;
    storage.Section = "S";
    settings.connect(storage);
    storage.StoreObjectsProps(&owner, storedList(owner, {"G.Ratio", "G.Value"}));
    EXPECT_EQ(settings.at("S", "G_Ratio"), "0.5");
    EXPECT_EQ(settings.at("S", "G_Value"), "0.25") << "a variant as text";
    settings.values[{"S", "G_Ratio"}] = "2,5";
    storage.LoadObjectsProps(&owner, storedList(owner, {"G.Ratio"}));
    EXPECT_DOUBLE_EQ(gadget->Ratio(), 2.5) << "a file written under the comma locale";
    std::setlocale(LC_ALL, before.c_str());
}

TEST(PropsStorage, TextThePropertyCannotTakeLeavesItAndMissingKeysChangeNothing) {
    RegisterGadgets();
    StartGui();
    TForm form(nullptr);
    auto* edit = new TEdit(&form);
    edit->SetName("Edit1");
    edit->SetAlign(alTop);
    edit->SetText("before");
    auto* gadget = new TGadget(&form);
    gadget->SetName("G");
    gadget->SetRatio(2.5);
    MemorySettings settings;
    TPropsStorage storage;
    storage.Section = "S";
    settings.connect(storage);
    const TStringList list = storedList(form, {"Edit1.Align", "Edit1.Text", "G.Ratio", "Edit1.Width"});
    storage.LoadObjectsProps(&form, list);
    EXPECT_EQ(edit->Align(), alTop);
    EXPECT_EQ(edit->Text(), "before");
    EXPECT_DOUBLE_EQ(gadget->Ratio(), 2.5);

    settings.values[{"S", "Edit1_Align"}] = "alSideways";
    settings.values[{"S", "G_Ratio"}] = "2,5";
    settings.values[{"S", "Edit1_Width"}] = "wide";
    storage.LoadObjectsProps(&form, list);
    EXPECT_EQ(edit->Align(), alTop);
    EXPECT_DOUBLE_EQ(gadget->Ratio(), 2.5);
    EXPECT_EQ(edit->Width(), 0) << "an integer that is no number reads as 0";
    settings.values[{"S", "Edit1_Align"}] = "ALCLIENT";
    storage.LoadObjectsProps(&form, list);
    EXPECT_EQ(edit->Align(), alClient);
}

TEST(PropsStorage, CollectionsKeepTheirCountAndEachItemsProperties) {
    RegisterGadgets();
    TComponent owner(nullptr);
    auto* gadget = new TGadget(&owner);
    gadget->SetName("G");
    for (const char* label : {"one", "two"})
        static_cast<TGadgetItem*>(gadget->Items()->Add())->SetLabel(label);
    MemorySettings settings;
    TPropsStorage storage;
    storage.Section = "S";
    settings.connect(storage);
    const TStringList list = storedList(owner, {"G.Items"});
    storage.StoreObjectsProps(&owner, list);
    EXPECT_EQ(settings.at("S", "G_Items.Count"), "2");
    EXPECT_EQ(settings.at("S.G_Items", "Item1_Label"), "two");

    gadget->Items()->Clear();
    gadget->Items()->Add();
    storage.LoadObjectsProps(&owner, list);
    ASSERT_EQ(gadget->Items()->Count(), 2);
    EXPECT_EQ(static_cast<TGadgetItem*>(gadget->Items()->Items(1))->Label(), "two");

    settings.values[{"S", "G_Items.Count"}] = "-7";
    storage.LoadObjectsProps(&owner, list);
    EXPECT_EQ(gadget->Items()->Count(), 0) << "a negative count is none";
    settings.values[{"S", "G_Items.Count"}] = "99999999999";
    storage.LoadObjectsProps(&owner, list);
    EXPECT_EQ(gadget->Items()->Count(), kMaxStoredCount);
}

TEST(PropsStorage, ComponentReferencesByNameOwnerAndNull) {
    RegisterGadgets();
    StartGui();
    TForm form(nullptr);
    form.SetName("MainForm");
    auto* gadget = new TGadget(&form);
    gadget->SetName("G");
    auto* mine = new TEdit(&form);
    mine->SetName("Mine");
    TForm unnamed(nullptr);
    auto* foreign = new TEdit(&unnamed);
    foreign->SetName("Foreign");
    MemorySettings settings;
    TPropsStorage storage;
    storage.Section = "S";
    settings.connect(storage);
    const TStringList list = storedList(form, {"G.Partner"});

    for (auto [partner, text] : {std::pair<TComponent*, const char*>{nullptr, "(null)"},
                                 {mine, "Mine"},
                                 {foreign, "Form.Foreign"}}) {
        gadget->SetPartner(partner);
        storage.StoreObjectsProps(&form, list);
        EXPECT_EQ(settings.at("S", "G_Partner"), text);
        gadget->SetPartner(gadget);
        storage.LoadObjectsProps(&form, list);
        EXPECT_EQ(gadget->Partner(), partner) << text;
    }
    settings.values[{"S", "G_Partner"}] = "Gone";
    storage.LoadObjectsProps(&form, list);
    EXPECT_EQ(gadget->Partner(), nullptr) << "the owner has no such component";
    gadget->SetPartner(mine);
    settings.values[{"S", "G_Partner"}] = "NoForm.Mine";
    storage.LoadObjectsProps(&form, list);
    EXPECT_EQ(gadget->Partner(), mine) << "an owner that is not there changes nothing";
}

TEST(StoredPropertyLists, ItemsParseAtTheFirstPointAndFollowRenames) {
    std::string comp, prop;
    EXPECT_TRUE(ParseStoredItem(" Edit1 . Font.Size ", comp, prop));
    EXPECT_EQ(comp, "Edit1");
    EXPECT_EQ(prop, "Font.Size");
    EXPECT_FALSE(ParseStoredItem("Edit1.", comp, prop));
    EXPECT_FALSE(ParseStoredItem("NoPoint", comp, prop));
    EXPECT_EQ(CreateStoredItem("Edit1", "Text"), "Edit1.Text");
    EXPECT_EQ(CreateStoredItem("", "Text"), "");

    StartGui();
    TForm form(nullptr);
    auto* edit = new TEdit(&form);
    edit->SetName("Edit1");
    TStringList list = lines({"Edit1.Text", "garbage", "Ghost.Text", "edit1.Width"});
    UpdateStoredList(&form, list, true);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Objects(0), edit);
    EXPECT_EQ(list.Objects(1), edit);
    edit->SetName("Renamed");
    UpdateStoredList(&form, list, false);
    EXPECT_EQ(list.Strings(0), "Renamed.Text");
    EXPECT_EQ(list.Strings(1), "Renamed.Width");
}

TEST(StoredPropertyLists, PropInfoListsFindAndIntersect) {
    StartGui();
    TEdit edit(nullptr);
    TCheckBox check(nullptr);
    TPropInfoList editProps(&edit, tkProperties);
    TPropInfoList checkProps(&check, tkProperties);
    ASSERT_NE(editProps.Find("text"), nullptr);
    EXPECT_TRUE(checkProps.Contains(editProps.Find("Left")));
    EXPECT_FALSE(checkProps.Contains(editProps.Find("Text")));
    editProps.Intersect(checkProps);
    EXPECT_EQ(editProps.Find("Text"), nullptr);
    EXPECT_NE(editProps.Find("Width"), nullptr);
    EXPECT_EQ(TPropInfoList(nullptr, tkAny).Count(), 0);
}

TEST(PropsStorage, AVariantThatStartsEmptyIsReadBack) {
    RegisterGadgets();
    TComponent owner(nullptr);
    auto* gadget = new TGadget(&owner);
    gadget->SetName("G");
    MemorySettings settings;
    settings.values[{"S", "G_Value"}] = "saved earlier";
    TPropsStorage storage;
    storage.Section = "S";
    settings.connect(storage);
    storage.LoadObjectsProps(&owner, storedList(owner, {"G.Value"}));
    EXPECT_EQ(gadget->Value().AsString(), "saved earlier");
}
