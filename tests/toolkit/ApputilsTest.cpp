#include "toolkit/Apputils.h"
#include "toolkit/Placemnt.h"

#include "platform/files/FileNames.h"
#include "platform/framework/StdCtrls.h"
#include "platform/framework/Timer.h"
#include "tests/platform/files/ScratchRegistry.h"
#include "tests/toolkit/GuiPump.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

class TForm1 : public TForm {
    VX_CLASS(TForm1, TForm)
public:
    using TForm::TForm;
    std::intptr_t last = 0;
    void WndProc(TMessage& message) override {
        if (message.Msg == 0x8001) message.Result = ++last;
        TForm::WndProc(message);
    }
};

class TForm2 : public TForm1 {
    VX_CLASS(TForm2, TForm1)
public:
    using TForm1::TForm1;
};

// Everything a settings object is asked in the uniform layer, as text.
std::vector<std::string> exercise(TObject* ini) {
    std::vector<std::string> seen;
    IniWriteString(ini, "Main", "Plain", "value");
    IniWriteString(ini, "Main", "Single", "'a'");
    IniWriteString(ini, "Main", "Double", "\"b\"");
    IniWriteString(ini, "Main", "Inner", "say \"hi\" now");
    IniWriteInteger(ini, "Main", "Number", -42);
    IniWriteBool(ini, "Main", "Yes", true);
    IniWriteBool(ini, "Main", "No", false);
    IniWriteString(ini, "Main", "Word", "seven");
    IniWriteString(ini, "Other", "Gone", "soon");
    IniWriteString(ini, "Third", "Stays", "x");
    for (const char* key : {"Plain", "Single", "Double", "Inner", "Number", "Missing"})
        seen.push_back(IniReadString(ini, "Main", key, "<default>"));
    seen.push_back(std::to_string(IniReadInteger(ini, "Main", "Number", 0)));
    seen.push_back(std::to_string(IniReadInteger(ini, "Main", "Word", 5)));
    seen.push_back(std::to_string(IniReadInteger(ini, "Main", "Missing", 6)));
    seen.push_back(std::to_string(IniReadBool(ini, "Main", "Yes", false)));
    seen.push_back(std::to_string(IniReadBool(ini, "Main", "No", true)));
    seen.push_back(std::to_string(IniReadBool(ini, "Main", "Missing", true)));
    IniDeleteKey(ini, "Main", "Plain");
    seen.push_back(IniReadString(ini, "Main", "Plain", "<deleted>"));
    IniEraseSection(ini, "Other");
    seen.push_back(IniReadString(ini, "Other", "Gone", "<erased>"));
    TStringList sections;
    sections.Add("stale");
    IniReadSections(ini, &sections);
    seen.push_back(sections.CommaText());
    return seen;
}

} // namespace

TEST(ApputilsUniformLayer, IniFileAndRegistryGiveTheSameResults) {
    ScratchRegistry scratch;
    TIniFile file(scratch.tree.Path("settings.ini"));
    TRegIniFile registry("Software\\Test");
    const std::vector<std::string> fromFile = exercise(&file);
    const std::vector<std::string> fromRegistry = exercise(&registry);
    EXPECT_EQ(fromFile, fromRegistry);
    const std::vector<std::string> expected = {
        "value", "'a'", "\"b\"", "say \"hi\" now", "-42",      "<default>", "-42", "5", "6",
        "1",     "0",   "1",     "<deleted>",      "<erased>", "Main,Third"};
    EXPECT_EQ(fromFile, expected);
}

TEST(ApputilsUniformLayer, QuotedValuesGetOneMorePairInAnIniFileOnly) {
    ScratchRegistry scratch;
    TIniFile file(scratch.tree.Path("quoted.ini"));
    IniWriteString(&file, "S", "K", "'a'");
    EXPECT_EQ(scratch.tree.Read("quoted.ini"), "[S]\nK=\"'a'\"\n");
    TRegIniFile registry("Software\\Quoted");
    IniWriteString(&registry, "S", "K", "'a'");
    TRegistry raw;
    ASSERT_TRUE(raw.OpenKey("Software\\Quoted\\S", false));
    EXPECT_EQ(raw.ReadString("K"), "'a'");
}

TEST(ApputilsUniformLayer, AnyOtherObjectReadsDefaultsAndIgnoresWrites) {
    TStringList notSettings;
    for (TObject* ini : {static_cast<TObject*>(nullptr), static_cast<TObject*>(&notSettings)}) {
        EXPECT_EQ(IniReadString(ini, "S", "K", "d"), "d");
        EXPECT_EQ(IniReadInteger(ini, "S", "K", 3), 3);
        EXPECT_TRUE(IniReadBool(ini, "S", "K", true));
        IniWriteString(ini, "S", "K", "v");
        IniEraseSection(ini, "S");
        TStringList sections;
        sections.Add("kept");
        IniReadSections(ini, &sections);
        EXPECT_EQ(sections.Count(), 1);
    }
    EXPECT_EQ(notSettings.Count(), 0);
}

TEST(ApputilsMultiLine, LineBreaksBecomeBackslashNAndComeBackAsCrLf) {
    EXPECT_EQ(StrToIniStr("a\r\nb\n\rc\rd\ne"), "a\\nb\\nc\\nd\\ne");
    EXPECT_EQ(StrToIniStr("\n\n"), "\\n\\n");
    EXPECT_EQ(IniStrToStr("a\\nb\\"), "a\r\nb\\");
    EXPECT_EQ(IniStrToStr(StrToIniStr("one\ntwo")), "one\r\ntwo");
    const std::string longest(4096, 'x');
    EXPECT_EQ(StrToIniStr(longest), longest);
    EXPECT_THROW(StrToIniStr(longest + "x"), EConvertError);
    try {
        IniStrToStr(longest + "x");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Line too long");
    }
}

TEST(ApputilsNames, DefaultSectionsFollowFormsParentsAndOwners) {
    StartGui();
    TForm1 form(nullptr);
    auto* panel = new TGroupBox(&form);
    panel->SetName("Panel1");
    panel->SetParent(&form);
    auto* button = new TButton(&form);
    button->SetName("Button1");
    button->SetParent(panel);
    auto* timer = new TTimer(&form);
    timer->SetName("Timer1");
    TGroupBox loose(nullptr);
    loose.SetName("Box");
    TButton onLoose(nullptr);
    onLoose.SetName("Inner");
    onLoose.SetParent(&loose);

    EXPECT_EQ(GetDefaultSection(&form), "TForm1");
    EXPECT_EQ(GetDefaultSection(button), "TForm1Button1") << "its form's class, not its parent's";
    EXPECT_EQ(GetDefaultSection(timer), "TForm1.Timer1");
    EXPECT_EQ(GetDefaultSection(&onLoose), "BoxInner");
    EXPECT_EQ(GetDefaultSection(&loose), "Box");
    EXPECT_EQ(GetDefaultSection(nullptr), "");
    onLoose.SetParent(nullptr);
}

TEST(ApputilsNames, IniNameAndRegistryKeyComeFromTheProgram) {
    SetExeName("/opt/games/vortamix.bin");
    EXPECT_EQ(GetDefaultIniName(), "vortamix.INI");
    EXPECT_EQ(GetDefaultIniRegKey(), "Software\\vortamix");
    CompanyKeyName = "Maker";
    UseAppTitleForRegKey = true;
    Application->SetTitle("Vortamix Deluxe");
    EXPECT_EQ(GetDefaultIniRegKey(), "Software\\Maker\\Vortamix Deluxe");
    Application->SetTitle("");
    EXPECT_EQ(GetDefaultIniRegKey(), "Software\\Maker\\vortamix") << "an empty title falls back";
    DefaultIniNameHook = [] { return std::string("hooked.ini"); };
    EXPECT_EQ(GetDefaultIniName(), "hooked.ini");
    DefaultIniNameHook = nullptr;
    CompanyKeyName.clear();
    UseAppTitleForRegKey = false;
    SetExeName("");
}

TEST(ApputilsNames, AControlsSettingsGoWhereItsFormsPlacementSaves) {
    StartGui();
    SetExeName("/opt/games/vortamix");
    TForm1 form(nullptr);
    auto* button = new TButton(&form);
    button->SetName("Button1");
    button->SetParent(&form);
    std::string file, section;
    GetDefaultIniData(button, file, section, false);
    EXPECT_EQ(file, "vortamix.INI");
    EXPECT_EQ(section, "TForm1Button1");
    GetDefaultIniData(button, file, section, true);
    EXPECT_EQ(file, "Software\\vortamix");
    auto* placement = new TFormPlacement(&form);
    placement->SetIniFileName("chosen.ini");
    GetDefaultIniData(button, file, section, true);
    EXPECT_EQ(file, "chosen.ini");
    SetExeName("");
}

TEST(ApputilsForms, FindShowAndInstantiateForms) {
    StartGui();
    EXPECT_EQ(FindForm<TForm1>(), nullptr);
    auto* second = new TForm2(nullptr);
    second->SetCaption("second");
    EXPECT_EQ(FindForm<TForm1>(), second) << "a descendant counts";
    TForm1* shown = FindShowForm<TForm1>("first");
    ASSERT_NE(shown, second) << "a caption that no form has makes a new form";
    EXPECT_EQ(shown->Caption(), "first");
    EXPECT_TRUE(shown->Visible());
    EXPECT_EQ(FindShowForm<TForm1>("second"), second);
    EXPECT_EQ(FindShowForm<TForm1>(""), second) << "any caption: the first";

    TForm2* reference = nullptr;
    TForm2* made = InstantiateForm(reference);
    EXPECT_EQ(made, reference);
    EXPECT_EQ(InstantiateForm(reference), made) << "made once";

    EXPECT_EQ(AppBroadcast(0x8001, 0, 0), 1) << "every form answers; the last one's answer";
    EXPECT_EQ(second->last, 1);
    EXPECT_EQ(shown->last, 1);
    for (TForm* form : {static_cast<TForm*>(second), static_cast<TForm*>(shown), static_cast<TForm*>(made)})
        form->Free();
    EXPECT_EQ(FindForm<TForm1>(), nullptr);
}

TEST(ApputilsForms, ShowDialogIsTrueForOkAndYesOnly) {
    StartGui();
    for (auto [result, expected] :
         {std::pair{mrOk, true}, std::pair{mrYes, true}, std::pair{mrCancel, false}}) {
        const TModalResult answer = result;
        QueueOnMainThread([answer] { FindForm<TForm2>()->SetModalResult(answer); });
        EXPECT_EQ(ShowDialog<TForm2>(), expected) << result;
        EXPECT_EQ(FindForm<TForm2>(), nullptr) << "the dialog is freed";
    }
}

TEST(ApputilsFiles, AUniqueNameTakesTheFirstFreeNumber) {
    TempTree tree;
    const std::string dir = tree.Root().string();
    tree.Write("shot0.png", "x");
    tree.Write("shot1.png", "x");
    std::filesystem::create_directories(tree.Path("shot2.png"));
    EXPECT_EQ(GetUniqueFileNameInDir(dir, "shot%d.png"), dir + "/shot3.png");
    EXPECT_EQ(GetUniqueFileNameInDir(dir, "log%03d.txt"), dir + "/log000.txt");
    EXPECT_EQ(GetUniqueFileNameInDir(dir, "100%%-%x.txt"), dir + "/100%-0.txt");
    EXPECT_EQ(GetUniqueFileNameInDir(dir, "fixed.txt"), dir + "/fixed.txt");
    tree.Write("fixed.txt", "x");
    EXPECT_EQ(GetUniqueFileNameInDir(dir, "fixed.txt"), "") << "one name, taken: no endless retries";
    EXPECT_THROW(GetUniqueFileNameInDir(dir, "name%s.txt"), EConvertError) << "no text conversions";
    EXPECT_THROW(GetUniqueFileNameInDir(dir, "name%n.txt"), EConvertError);
}
