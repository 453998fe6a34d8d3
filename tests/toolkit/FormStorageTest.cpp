#include "toolkit/Placemnt.h"

#include "platform/framework/StdCtrls.h"
#include "tests/platform/files/FileReplacements.h"
#include "tests/platform/files/TempTree.h"
#include "tests/toolkit/GuiPump.h"
#include "toolkit/Kxstrutils.h"

#include <gtest/gtest.h>

namespace {

class TSettingsForm : public TForm {
    VX_CLASS(TSettingsForm, TForm)
public:
    TSettingsForm(TComponent* owner, const std::string& iniName) : TForm(owner) {
        storage = new TFormStorage(this);
        storage->SetIniFileName(iniName);
        storage->SetIniSection("Settings");
        edit = new TEdit(this);
        edit->SetName("Edit1");
        check = new TCheckBox(this);
        check->SetName("Check1");
        TStringList props;
        props.Add("Edit1.Text");
        props.Add("Check1.Checked");
        props.Add("Edit1.Font");
        storage->StoredProps()->Assign(props);
    }
    TFormStorage* storage;
    TEdit* edit;
    TCheckBox* check;
};

struct Scratch {
    Scratch() { StartGui(); }
    TSettingsForm* makeForm() const {
        auto* form = new TSettingsForm(nullptr, tree.Path("storage.ini"));
        form->LoadTree();
        return form;
    }
    TempTree tree;
};

} // namespace

TEST(FormStorage, SavesInOneReplacementAndRestoresStoredPropertiesAndValuesWithThePlacement) {
    Scratch scratch;
    TSettingsForm* form = scratch.makeForm();
    form->Show();
    form->edit->SetText("remembered");
    form->check->SetChecked(true);
    form->edit->Font().SetStyle(fsItalic);
    form->storage->SetStoredValue("Counter", Variant(41));
    form->storage->SetStoredValue("Broken", Variant(std::string("two\nlines")));
    form->storage->SetStoredValue("After", Variant(7));
    std::string reported;
    Application->OnException = [&](TObject*, const Exception& error) { reported = error.Message(); };
    FileReplacements replacements(scratch.tree.Path("storage.ini"));
    form->Close();
    Application->OnException = nullptr;
    form->Free();

    EXPECT_EQ(replacements.Count(), 1) << "the whole form in one replacement of the file";
    EXPECT_EQ(reported, "Invalid name or value for [Settings] Broken");
    TIniFile ini(scratch.tree.Path("storage.ini"));
    EXPECT_EQ(ini.ReadString("Settings", "After", ""), "7") << "a value after the one not stored";
    EXPECT_EQ(ini.ReadString("Settings", "Edit1_Text", ""), "remembered");
    EXPECT_EQ(ini.ReadString("Settings", "Check1_Checked", ""), "True");
    EXPECT_EQ(ini.ReadString("Settings", "Edit1_FontStyle", ""), "[fsItalic]");
    EXPECT_EQ(ini.ReadString("Settings", "Counter", ""), "41");

    TSettingsForm* again = scratch.makeForm();
    again->storage->SetStoredValue("Counter", Variant(0));
    again->Show();
    EXPECT_EQ(again->edit->Text(), "remembered");
    EXPECT_TRUE(again->check->Checked());
    EXPECT_EQ(again->edit->Font().Style(), static_cast<TFontStyles>(fsItalic));
    EXPECT_EQ(again->storage->GetStoredValue("counter").AsString(), "41") << "a value comes back as text";
    again->Free();
}

TEST(FormStorage, AValueWithAKeyIsScrambledAndComesBackTheSame) {
    Scratch scratch;
    TSettingsForm* form = scratch.makeForm();
    auto* secret = static_cast<TStoredValue*>(form->storage->StoredValues()->Add());
    secret->SetName("Password");
    secret->SetKeyString("k3y");
    secret->SetValue(Variant(std::string("open sesame")));
    form->Show();
    form->Close();
    form->Free();

    TIniFile ini(scratch.tree.Path("storage.ini"));
    const std::string stored = ini.ReadString("Settings", "Password", "");
    EXPECT_NE(stored, "open sesame");
    EXPECT_EQ(stored, XorEncode("k3y", "open sesame"));

    TSettingsForm* again = scratch.makeForm();
    auto* back = static_cast<TStoredValue*>(again->storage->StoredValues()->Add());
    back->SetName("Password");
    back->SetKeyString("k3y");
    std::string restoredInHandler;
    back->OnRestore = [&](TStoredValue*, Variant& value) { restoredInHandler = value.AsString(); };
    again->Show();
    EXPECT_EQ(back->Value().AsString(), "open sesame");
    EXPECT_EQ(restoredInHandler, "open sesame");
    again->Free();
}

TEST(FormStorage, StoredValuesAreFoundByNameAndNamesAreUnique) {
    Scratch scratch;
    TSettingsForm* form = scratch.makeForm();
    TStoredValues& values = *form->storage->StoredValues();
    EXPECT_TRUE(values.GetStoredValue("Missing").IsNull());
    values.SetStoredValue("Width", Variant(3));
    ASSERT_EQ(values.Count(), 1);
    EXPECT_EQ(values.IndexOf("WIDTH"), 0);
    auto* other = static_cast<TStoredValue*>(values.Add());
    EXPECT_THROW(other->SetName("width"), EListError);
    other->SetName("Height");
    EXPECT_NO_THROW(other->SetName("HEIGHT")) << "its own name in another case";
    EXPECT_EQ(other->DisplayName(), "HEIGHT");
    TStoredValue copy(nullptr);
    copy.Assign(*values.Items(0));
    EXPECT_EQ(copy.Name(), "Width");
    EXPECT_EQ(copy.Value().AsInteger(), 3);
    form->Free();
}

TEST(FormStorage, DeletingAComponentRemovesItsLines) {
    Scratch scratch;
    TSettingsForm* form = scratch.makeForm();
    ASSERT_EQ(form->storage->StoredProps()->Count(), 3);
    form->edit->Free();
    ASSERT_EQ(form->storage->StoredProps()->Count(), 1);
    EXPECT_EQ(form->storage->StoredProps()->Strings(0), "Check1.Checked");
    form->Free();
}

TEST(FormStorage, LinesNamingNoComponentGoWhenTheFormIsLoaded) {
    Scratch scratch;
    auto* form = new TSettingsForm(nullptr, scratch.tree.Path("storage.ini"));
    form->storage->StoredProps()->Add("Ghost.Text");
    form->storage->StoredProps()->Add("not a line");
    form->LoadTree();
    EXPECT_EQ(form->storage->StoredProps()->Count(), 3);
    form->check->SetName("Renamed");
    form->storage->UpdateStoredNames();
    EXPECT_EQ(form->storage->StoredProps()->Strings(1), "Renamed.Checked");
    form->Free();
}

TEST(FormStorage, AStoredValueThePropertyCannotTakeDoesNotStopTheRestore) {
    Scratch scratch;
    {
        TIniFile ini(scratch.tree.Path("storage.ini"));
        ini.WriteString("Settings", "Check1_Checked", "Perhaps");
        ini.WriteString("Settings", "Edit1_Text", "still read");
    }
    TSettingsForm* form = scratch.makeForm();
    form->Show();
    EXPECT_FALSE(form->check->Checked());
    EXPECT_EQ(form->edit->Text(), "still read");
    form->Free();
}
