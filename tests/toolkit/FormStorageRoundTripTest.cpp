// A form whose components have published properties of every kind, saved by a form storage
// in one process and restored in another, through an INI file and through the registry
// stand-in: the second process must see the values the first one saved.
#include "toolkit/Placemnt.h"

#include "platform/framework/ComCtrls.h"
#include "platform/framework/ListBox.h"
#include "platform/framework/Published.h"
#include "platform/framework/StdCtrls.h"
#include "tests/platform/files/TempTree.h"
#include "tests/toolkit/GuiPump.h"
#include "tests/toolkit/PublishedGadget.h"
#include "toolkit/KXCtrls.h"
#include "toolkit/KxSpeedButton.h"
#include "toolkit/KxTimer.h"
#include "toolkit/SecretPanel.h"
#include "toolkit/WebLabel.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

enum TTripMood { tmCalm, tmBusy, tmLoud };

// Kinds the framework's controls have none of: floats, a character, a 64-bit integer, a
// variant, a collection and a sub-object of its own.
class TTripGadget : public TComponent {
    VX_CLASS(TTripGadget, TComponent)
public:
    using TComponent::TComponent;
    double Ratio() const { return ratio_; }
    void SetRatio(double value) { ratio_ = value; }
    float Scale() const { return scale_; }
    void SetScale(float value) { scale_ = value; }
    double Price() const { return price_; }
    void SetPrice(double value) { price_ = value; }
    char Grade() const { return grade_; }
    void SetGrade(char value) { grade_ = value; }
    std::int64_t Serial() const { return serial_; }
    void SetSerial(std::int64_t value) { serial_ = value; }
    Variant Note() const { return note_; }
    void SetNote(const Variant& value) { note_ = value; }
    unsigned Moods() const { return moods_; }
    void SetMoods(unsigned value) { moods_ = value; }
    TCollection* Items() const { return &items_; }
    TFont& Look() { return look_; }

private:
    double ratio_ = 0;
    float scale_ = 0;
    double price_ = 0;
    char grade_ = 'a';
    std::int64_t serial_ = 0;
    Variant note_;
    unsigned moods_ = 0;
    mutable TCollection items_{"TGadgetItem", CollectionItemsOf<TGadgetItem>()};
    TFont look_;
};

void registerTripClasses() {
    static const bool registered = [] {
        RegisterGadgets();
        const TTypeInfo& mood = EnumerationType("TTripMood", {"tmCalm", "tmBusy", "tmLoud"});
        return RegisterPublishedClass(
            "TTripGadget", "TComponent",
            {
                Property("Grade", TypeChar(), &TTripGadget::Grade, &TTripGadget::SetGrade),
                AssignedProperty("Items", ClassType("TCollection"), &TTripGadget::Items),
                SubObjectProperty("Look", ClassType("TFont"), &TTripGadget::Look),
                Property("Moods", SetType("TTripMoods", mood), &TTripGadget::Moods, &TTripGadget::SetMoods),
                Property("Note", TypeVariant(), &TTripGadget::Note, &TTripGadget::SetNote),
                Property("Price", TypeFloat(ftCurr), &TTripGadget::Price, &TTripGadget::SetPrice),
                Property("Ratio", TypeFloat(ftDouble), &TTripGadget::Ratio, &TTripGadget::SetRatio),
                Property("Scale", TypeFloat(ftSingle), &TTripGadget::Scale, &TTripGadget::SetScale),
                Property("Serial", TypeInt64(), &TTripGadget::Serial, &TTripGadget::SetSerial),
            });
    }();
    static_cast<void>(registered);
}

class TTripForm : public TForm {
    VX_CLASS(TTripForm, TForm)
public:
    TTripForm(const std::string& store, const std::string& folder) : TForm(nullptr) {
        storage = new TFormStorage(this);
        storage->SetIniSection("Trip");
        if (store == "registry") {
            storage->SetUseRegistry(true);
            storage->SetIniFileName("Software\\RoundTrip");
        } else {
            storage->SetIniFileName(folder + "/roundtrip.ini");
        }
        edit = add<TEdit>("Edit1");
        counter = add<TEdit>("Edit2");
        check = add<TCheckBox>("Check1");
        combo = add<TComboBox>("Combo1");
        track = add<TTrackBar>("Track1");
        updown = add<TUpDown>("UpDown1");
        list = add<TListBox>("List1");
        timer = add<TKxTimer>("Timer1");
        gadget = add<TTripGadget>("Gadget1");
        button = add<TKxSpeedButton>("Button1");
        panel = add<TSecretPanel>("Panel1");
        label = add<TKxLabel>("Label1");
        link = add<TWebLabel>("Link1");
        // Every published property of every component but its name.
        for (int i = 0; i < ComponentCount(); ++i) {
            TComponent* component = Components(i);
            if (component == storage) continue;
            for (const TPropInfo* prop : GetPropList(*component))
                if (prop->Name != "Name") storage->StoredProps()->Add(component->Name() + "." + prop->Name);
        }
    }

    // Non-default values everywhere.
    void change() {
        edit->SetBounds(11, 12, 113, 24);
        edit->SetText("typed text");
        edit->SetHint("a hint");
        edit->SetShowHint(true);
        edit->SetMaxLength(40);
        edit->Font().SetName("Liberation Serif");
        edit->Font().SetSize(14);
        edit->Font().SetStyle(fsBold | fsUnderline);
        edit->Font().SetColor(clNavy);
        edit->SetTag(77);
        check->SetChecked(true);
        check->SetAlignment(taLeftJustify);
        check->SetCaption("Check me");
        check->SetEnabled(false);
        combo->Items()->SetText("alpha\nbeta\ngamma");
        combo->SetStyle(csSimple);
        combo->SetItemIndex(1);
        combo->SetDropDownCount(5);
        track->SetMax(40);
        track->SetPosition(33);
        track->SetOrientation(trVertical);
        track->SetTickStyle(tsManual);
        updown->SetAssociate(counter);
        updown->SetMax(500);
        list->Items()->SetText("one\ntwo");
        list->SetMultiSelect(true);
        list->SetColumns(2);
        timer->SetEnabled(false);
        timer->SetInterval(250);
        timer->SetThreadPriority(tpLower);
        timer->SetSyncEvent(false);
        gadget->SetRatio(0.1);
        gadget->SetScale(2.5f);
        gadget->SetPrice(19.99);
        gadget->SetGrade('B');
        gadget->SetSerial(1234567890123LL);
        gadget->SetNote(Variant(std::string("a note")));
        gadget->SetMoods((1u << tmBusy) | (1u << tmLoud));
        for (auto [label, weight] : {std::pair{"light", 1}, std::pair{"heavy", 9}}) {
            auto* item = static_cast<TGadgetItem*>(gadget->Items()->Add());
            item->SetLabel(label);
            item->SetWeight(weight);
        }
        gadget->Look().SetStyle(fsItalic);
        TBitmap glyph;
        glyph.SetSize(3, 2);
        glyph.SetPixel(1, 0, clRed);
        button->SetGlyph(&glyph);
        glyph.SetPixelFormat(pf4bit);
        panel->SetGlyph(&glyph);
        label->SetShadowSize(3);
        label->SetShadowPos(spRightBottom);
        link->SetFile("https://vortamix.example/rules");
    }

    TFormStorage* storage;
    TEdit* edit;
    TEdit* counter;
    TCheckBox* check;
    TComboBox* combo;
    TTrackBar* track;
    TUpDown* updown;
    TListBox* list;
    TKxTimer* timer;
    TTripGadget* gadget;
    TKxSpeedButton* button;
    TSecretPanel* panel;
    TKxLabel* label;
    TWebLabel* link;

private:
    template <class T> T* add(const char* name) {
        auto* component = new T(this);
        component->SetName(name);
        if (auto* control = dynamic_cast<TControl*>(static_cast<TComponent*>(component)))
            control->SetParent(this);
        return component;
    }
};

// Every property of the object as "name=text" lines, objects by their contents.
void dump(std::ostream& out, TObject& object, const std::string& prefix) {
    for (const TPropInfo* prop : GetPropList(object)) {
        const std::string name = prefix + prop->Name;
        if (prop->Kind() != tkClass || IsPictureProp(*prop)) {
            out << name << '=' << GetPropText(object, *prop) << '\n';
            continue;
        }
        TObject* value = GetObjectProp(object, *prop);
        if (auto* strings = dynamic_cast<TStrings*>(value)) {
            out << name << '=' << strings->CommaText() << '\n';
        } else if (auto* collection = dynamic_cast<TCollection*>(value)) {
            out << name << ".Count=" << collection->Count() << '\n';
            for (int i = 0; i < collection->Count(); ++i)
                dump(out, *collection->Items(i), name + "[" + std::to_string(i) + "].");
        } else if (!value || dynamic_cast<TComponent*>(value)) {
            out << name << '=' << GetPropText(object, *prop) << '\n';
        } else {
            dump(out, *value, name + ".");
        }
    }
}

std::string dumpForm(TTripForm& form) {
    std::ostringstream out;
    for (int i = 0; i < form.ComponentCount(); ++i)
        if (form.Components(i) != form.storage)
            dump(out, *form.Components(i), form.Components(i)->Name() + ".");
    return out.str();
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool runStep(const std::string& step, const std::string& store, const std::string& folder) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string command = "VX_TRIP_STEP=" + step + " VX_TRIP_STORE=" + store + " VX_TRIP_DIR=\"" +
                                folder + "\" \"" + self +
                                "\" --gtest_also_run_disabled_tests "
                                "--gtest_filter=FormStorageTrip.DISABLED_Step >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

} // namespace

// Run by the case below in processes of their own, never by ctest directly.
TEST(FormStorageTrip, DISABLED_Step) {
    const char* step = std::getenv("VX_TRIP_STEP");
    const char* store = std::getenv("VX_TRIP_STORE");
    const char* folder = std::getenv("VX_TRIP_DIR");
    ASSERT_TRUE(step && store && folder);
    StartGui();
    registerTripClasses();
    SetRegistryFolder(std::string(folder) + "/registry");
    TTripForm form(store, folder);
    form.LoadTree();
    const std::string name = step;
    if (name == "defaults") {
        std::ofstream(std::string(folder) + "/defaults.txt") << dumpForm(form);
        return;
    }
    form.Show();
    if (name == "save") {
        form.change();
        std::ofstream(std::string(folder) + "/saved.txt") << dumpForm(form);
        form.Close();
    } else {
        std::ofstream(std::string(folder) + "/restored.txt") << dumpForm(form);
    }
}

class FormStorageRoundTrip : public testing::TestWithParam<const char*> {};

TEST_P(FormStorageRoundTrip, ANewProcessRestoresEveryValueSaved) {
    TempTree tree;
    const std::string folder = tree.Root().string();
    ASSERT_TRUE(runStep("defaults", GetParam(), folder));
    ASSERT_TRUE(runStep("save", GetParam(), folder));
    ASSERT_TRUE(runStep("restore", GetParam(), folder));
    const std::string defaults = readFile(folder + "/defaults.txt");
    const std::string saved = readFile(folder + "/saved.txt");
    const std::string restored = readFile(folder + "/restored.txt");
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(restored, saved);
    EXPECT_NE(saved, defaults);
    for (const char* line : {"Edit1.Font.Style=[fsBold,fsUnderline]\n", "Combo1.Items=alpha,beta,gamma\n",
                             "UpDown1.Associate=Edit2\n", "Edit1.Text=typed text\n", "Gadget1.Note=a note\n",
                             "Gadget1.Items[1].Label=heavy\n", "Gadget1.Ratio=0.1\n", "Gadget1.Grade=B\n",
                             "Timer1.ThreadPriority=tpLower\n", "Button1.Glyph=424D", "Panel1.Glyph=424D",
                             "Label1.ShadowSize=3\n", "Link1.File=https://vortamix.example/rules\n"})
        EXPECT_NE(restored.find(line), std::string::npos) << line;
}

INSTANTIATE_TEST_SUITE_P(Stores, FormStorageRoundTrip, testing::Values("ini", "registry"));
