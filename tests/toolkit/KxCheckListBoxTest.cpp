#include "toolkit/KxCheckListBox.h"

#include "tests/platform/files/FileReplacements.h"
#include "tests/toolkit/ListBoxTestSupport.h"

#include <QImage>
#include <filesystem>
#include <string>
#include <vector>

using namespace listbox_test;

namespace {

class CheckListFixture : public FormFixture {
protected:
    void SetUp() override {
        FormFixture::SetUp();
        box = place<TKxCheckListBox>(8, 8, 200, 160);
        for (const char* text : {"zero", "one", "two", "three", "four"})
            box->Items()->Add(text);
        box->OnStateChange = [this](TObject*, int index) { changes.push_back(index); };
        box->OnClickCheck = [this](TObject*) { ++clickChecks; };
    }
    // A click on the check of item index (or on its text).
    void clickItem(int index, bool onCheck = true) {
        const RECT r = box->ItemRect(index);
        click(box, onCheck ? r.left + 3 : r.left + box->CheckWidth() + 10, (r.top + r.bottom) / 2);
    }
    std::vector<TCheckBoxState> states() {
        std::vector<TCheckBoxState> result;
        for (int i = 0; i < box->Items()->Count(); ++i)
            result.push_back(box->State(i));
        return result;
    }
    TKxCheckListBox* box = nullptr;
    std::vector<int> changes;
    int clickChecks = 0;
};

} // namespace

TEST(CheckImages, EighteenCellsOnAKeyColourThatIsLeftOut) {
    const TBitmap& images = CheckImages();
    ASSERT_EQ(images.Width(), 96);
    ASSERT_EQ(images.Height(), 39);
    EXPECT_EQ(images.TransparentColor(), clFuchsia);
    // The middle of each cell's mark area: black for enabled checked box and mark, white
    // inside the unchecked box, the face colour inside a disabled one.
    const auto at = [&](int cell, int x, int y) {
        return images.Pixel(cell % 6 * 16 + x, cell / 6 * 13 + y);
    };
    EXPECT_EQ(at(0, 7, 6), static_cast<TColor>(ColorToRGB(clWindow)));
    EXPECT_EQ(at(1, 6, 8), clBlack);
    EXPECT_EQ(at(3, 7, 6), static_cast<TColor>(ColorToRGB(clBtnFace)));
    EXPECT_EQ(at(4, 6, 8), static_cast<TColor>(ColorToRGB(clBtnShadow)));
    EXPECT_EQ(at(7, 7, 5), clBlack) << "the dot of a checked radio button";
    EXPECT_EQ(at(6, 7, 5), static_cast<TColor>(ColorToRGB(clWindow)));
    EXPECT_EQ(at(12, 6, 8), clFuchsia) << "an unchecked mark is nothing";
    EXPECT_EQ(at(13, 6, 8), clBlack);
}

TEST_F(CheckListFixture, ThreeClicksCycleThroughGrayedAndAFourthUnchecks) {
    box->SetAllowGrayed(true);
    std::vector<TCheckBoxState> seen;
    for (int i = 0; i < 4; ++i) {
        clickItem(1);
        seen.push_back(box->State(1));
    }
    EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbGrayed, cbChecked, cbUnchecked, cbGrayed}));
    EXPECT_EQ(changes, (std::vector<int>{1, 1, 1, 1}));
    EXPECT_EQ(clickChecks, 4);
}

TEST_F(CheckListFixture, WithoutGrayedStatesAClickTogglesAndAClickOnTheTextOnlySelects) {
    clickItem(2);
    EXPECT_TRUE(box->Checked(2));
    clickItem(2, false);
    EXPECT_TRUE(box->Checked(2));
    EXPECT_EQ(box->ItemIndex(), 2);
    clickItem(2);
    EXPECT_FALSE(box->Checked(2));
    EXPECT_EQ(clickChecks, 2);
}

TEST_F(CheckListFixture, InRadioModeTheCheckedItemStaysCheckedAndPlusAndMinusChangeNothing) {
    box->SetCheckKind(ckRadioButtons);
    EXPECT_EQ(box->CheckedIndex(), 0) << "with none checked the first item is";
    clickItem(3);
    EXPECT_EQ(box->CheckedIndex(), 3);
    EXPECT_FALSE(box->Checked(0));
    clickItem(3);
    EXPECT_TRUE(box->Checked(3)) << "clicking the checked radio leaves it checked";
    changes.clear();
    clickChecks = 0;
    key(box, Qt::Key_Plus, "+");
    key(box, Qt::Key_Minus, "-");
    EXPECT_EQ(states(),
              (std::vector<TCheckBoxState>{cbUnchecked, cbUnchecked, cbUnchecked, cbChecked, cbUnchecked}));
    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(clickChecks, 2) << "OnClickCheck still fires";
    box->SetCheckedIndex(-4);
    EXPECT_EQ(box->CheckedIndex(), 0);
}

TEST_F(CheckListFixture, TurningToRadioButtonsKeepsOnlyTheFirstCheckedItem) {
    box->SetChecked(2, true);
    box->SetChecked(4, true);
    EXPECT_EQ(box->CheckedIndex(), -1) << "not in radio mode";
    box->SetCheckKind(ckRadioButtons);
    EXPECT_EQ(states(),
              (std::vector<TCheckBoxState>{cbUnchecked, cbUnchecked, cbChecked, cbUnchecked, cbUnchecked}));
}

TEST_F(CheckListFixture, ARadioButtonReadsUncheckedInTheGrayedState) {
    box->SetState(1, cbGrayed);
    box->SetCheckKind(ckRadioButtons);
    EXPECT_EQ(box->State(1), cbUnchecked);
    box->SetCheckKind(ckCheckMarks);
    EXPECT_EQ(box->State(1), cbGrayed) << "the stored state is kept";
}

TEST_F(CheckListFixture, PlusAndMinusSetEveryEnabledItemAndSpaceTogglesTheCurrentOne) {
    box->SetItemEnabled(1, false);
    key(box, Qt::Key_Plus, "+");
    EXPECT_EQ(states(),
              (std::vector<TCheckBoxState>{cbChecked, cbUnchecked, cbChecked, cbChecked, cbChecked}));
    box->SetItemIndex(2);
    key(box, Qt::Key_Space, " ");
    EXPECT_FALSE(box->Checked(2));
    EXPECT_EQ(box->ItemIndex(), 2);
    box->SetItemIndex(1);
    key(box, Qt::Key_Space, " ");
    EXPECT_FALSE(box->Checked(1)) << "a disabled item does not toggle";
    clickItem(1);
    EXPECT_FALSE(box->Checked(1));
    key(box, Qt::Key_Minus, "-");
    EXPECT_EQ(states(), std::vector<TCheckBoxState>(5, cbUnchecked));
    EXPECT_EQ(clickChecks, 3);
}

TEST_F(CheckListFixture, AnUnchangedStateFiresNothing) {
    box->SetState(0, cbChecked);
    box->SetState(0, cbChecked);
    box->SetChecked(0, true);
    EXPECT_EQ(changes, std::vector<int>{0});
}

TEST_F(CheckListFixture, ChangingSortedKeepsEveryStateEnabledFlagAndDatum) {
    TObject data;
    box->Items()->SetObjects(3, &data);
    box->SetState(4, cbGrayed);
    box->SetChecked(0, true);
    box->SetItemEnabled(2, false);
    box->SetSorted(true);
    ASSERT_EQ(box->Items()->Text(), "four\none\nthree\ntwo\nzero\n");
    EXPECT_EQ(states(),
              (std::vector<TCheckBoxState>{cbGrayed, cbUnchecked, cbUnchecked, cbUnchecked, cbChecked}));
    EXPECT_FALSE(box->ItemEnabled(3));
    EXPECT_TRUE(box->ItemEnabled(4));
    EXPECT_EQ(box->Items()->Objects(2), &data);
}

TEST_F(CheckListFixture, ExchangingMovingAndRetextingKeepTheStateWithTheItem) {
    box->SetChecked(0, true);
    box->SetItemEnabled(1, false);
    box->Items()->Exchange(0, 1);
    EXPECT_EQ(box->Items()->Strings(0), "one");
    EXPECT_FALSE(box->Checked(0));
    EXPECT_FALSE(box->ItemEnabled(0));
    EXPECT_TRUE(box->Checked(1));
    EXPECT_TRUE(box->ItemEnabled(1));
    box->Items()->Move(1, 4);
    EXPECT_EQ(box->Items()->Strings(4), "zero");
    EXPECT_TRUE(box->Checked(4));
    box->Items()->SetStrings(4, "renamed");
    EXPECT_TRUE(box->Checked(4));
}

TEST_F(CheckListFixture, DeletingAnItemTakesItsStateAlong) {
    box->SetChecked(1, true);
    box->SetChecked(3, true);
    box->Items()->Delete(1);
    EXPECT_EQ(states(), (std::vector<TCheckBoxState>{cbUnchecked, cbUnchecked, cbChecked, cbUnchecked}));
    box->Clear();
    box->Items()->Add("again");
    EXPECT_EQ(box->State(0), cbUnchecked);
}

TEST_F(CheckListFixture, TheUsersDataIsNeverTakenForARecord) {
    auto* data = reinterpret_cast<TObject*>(std::intptr_t{0x1234});
    box->Items()->AddObject("with data", data);
    EXPECT_EQ(box->Items()->Objects(5), data);
    EXPECT_EQ(box->State(5), cbUnchecked);
    box->SetChecked(5, true);
    EXPECT_EQ(box->Items()->Objects(5), data);
    EXPECT_EQ(box->Items()->Objects(0), nullptr);
}

TEST_F(CheckListFixture, AssigningAnotherCheckListsItemsCopiesTheirStates) {
    box->SetChecked(1, true);
    box->SetState(2, cbGrayed);
    box->SetItemEnabled(3, false);
    auto* copy = place<TKxCheckListBox>(220, 8, 90, 90);
    copy->SetItems(*box->Items());
    EXPECT_EQ(copy->Items()->Count(), 5);
    EXPECT_TRUE(copy->Checked(1));
    EXPECT_EQ(copy->State(2), cbGrayed);
    EXPECT_FALSE(copy->ItemEnabled(3));
}

TEST_F(CheckListFixture, ItemsAreAsHighAsTheTextOrTheCheckAndAsWideAsTextAndCheck) {
    TCanvas measure;
    measure.Font().Assign(box->Font());
    const int height = box->ItemRect(1).bottom - box->ItemRect(1).top;
    EXPECT_EQ(height, std::max({measure.TextHeight("Wg"), box->CheckHeight(), box->ItemHeight()}));
    box->Font().SetHeight(-30);
    measure.Font().Assign(box->Font());
    EXPECT_EQ(box->ItemRect(1).bottom - box->ItemRect(1).top, measure.TextHeight("Wg"));
    box->Items()->Add(std::string(60, 'M'));
    EXPECT_EQ(box->HorizontalExtent(), measure.TextWidth(std::string(60, 'M') + "x") + box->CheckWidth());
}

TEST_F(CheckListFixture, EachItemShowsTheCheckCellOfItsKindStateAndEnabledFlag) {
    box->SetChecked(1, true);
    box->SetItemEnabled(2, false);
    box->SetChecked(2, true);
    form->Show();
    const QImage shot = vx::ControlWidget(box)->grab().toImage();
    const QPoint origin = viewportOf(box)->pos();
    const TBitmap& images = CheckImages();
    const auto cellMatches = [&](int item, int cell) {
        const RECT r = box->ItemRect(item);
        const int left = origin.x() + r.left + 1, top = origin.y() + r.top + (r.bottom - r.top - 13) / 2;
        for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 16; ++x) {
                const TColor want = images.Pixel(cell % 6 * 16 + x, cell / 6 * 13 + y);
                const QRgb got = shot.pixel(left + x, top + y);
                const DWORD rgb = want == clFuchsia ? ColorToRGB(box->Color()) : static_cast<DWORD>(want);
                if (qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)) != (got | 0xFF000000u)) return false;
            }
        return true;
    };
    EXPECT_TRUE(cellMatches(0, 0));
    EXPECT_TRUE(cellMatches(1, 1));
    EXPECT_TRUE(cellMatches(2, 4));
}

TEST_F(CheckListFixture, ADisabledListDrawsGreyTextAndDisabledChecks) {
    box->SetChecked(1, true);
    box->SetItemIndex(1);
    std::vector<std::pair<TColor, TColor>> seen; // font and brush of each item drawn
    box->SetStyle(lbOwnerDrawFixed);
    box->SetOnDrawItem([&](TWinControl*, int, RECT, TOwnerDrawState) {
        seen.emplace_back(box->Canvas().Font().Color(), box->Canvas().Brush().Color());
    });
    box->SetEnabled(false);
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return viewportOf(box)->isVisible(); }));
    viewportOf(box)->repaint();
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[0].first, clGrayText);
    EXPECT_EQ(seen[1], std::make_pair(clGrayText, clBtnFace)) << "no live highlight on a dead list";
    const QImage shot = vx::ControlWidget(box)->grab().toImage();
    const QPoint origin = viewportOf(box)->pos();
    const RECT r = box->ItemRect(1);
    int black = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.left + box->CheckWidth(); ++x)
            black += (shot.pixel(origin.x() + x, origin.y() + y) & 0xFFFFFFu) == 0;
    EXPECT_EQ(black, 0) << "the check is drawn disabled";
}

namespace {

// A form class of its own, so the settings section has a known name.
class TStatesForm : public TForm {
    VX_CLASS(TStatesForm, TForm)
public:
    using TForm::TForm;
};

class CheckListStatesFixture : public ::testing::Test {
protected:
    void SetUp() override {
        vx::EnsureQtApplication();
        // An empty registry for each test, so that every save changes the file.
        std::filesystem::remove_all(std::string(VX_TEST_TMP) + "/registry");
        SetRegistryFolder(std::string(VX_TEST_TMP) + "/registry");
        form = new TStatesForm(nullptr);
        box = new TKxCheckListBox(form);
        box->SetParent(form);
        box->SetName("Choices");
        for (const char* text : {"a", "b", "c", "d"})
            box->Items()->Add(text);
    }
    void TearDown() override {
        form->Free();
        SetRegistryFolder("");
    }
    // A file of each test's own.
    std::string iniPath() const {
        return std::string(VX_TEST_TMP) + "/" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini";
    }
    TStatesForm* form = nullptr;
    TKxCheckListBox* box = nullptr;
};

} // namespace

TEST_F(CheckListStatesFixture, StatesGoToTheControlsSectionAndComeBack) {
    box->SetState(1, cbChecked);
    box->SetState(3, cbGrayed);
    TIniFile ini(iniPath());
    ini.WriteString("TStatesFormChoices", "Stale", "x");
    FileReplacements replacements(iniPath());
    box->SaveStates(ini);
    EXPECT_EQ(replacements.Count(), 1) << "one replacement of the file";
    EXPECT_EQ(ini.ReadSection("TStatesFormChoices"),
              (std::vector<std::string>{"Count", "Item0", "Item1", "Item2", "Item3"}))
        << "the section is erased first";
    EXPECT_EQ(ini.ReadInteger("TStatesFormChoices", "Item3", -1), cbGrayed);
    box->ApplyState(cbUnchecked, false);
    box->RestoreStates(ini);
    EXPECT_EQ(box->State(1), cbChecked);
    EXPECT_EQ(box->State(3), cbGrayed);
}

TEST_F(CheckListStatesFixture, TheRegistryKeepsThemTheSameWay) {
    box->SetChecked(2, true);
    {
        TRegIniFile registry("Software\\Vortamix Tests");
        FileReplacements replacements(RegistryFile(HKEY_CURRENT_USER));
        box->SaveStatesReg(registry);
        EXPECT_EQ(replacements.Count(), 1) << "one replacement of the file";
    }
    box->SetChecked(2, false);
    TRegIniFile registry("Software\\Vortamix Tests", KEY_READ);
    box->RestoreStatesReg(registry);
    EXPECT_TRUE(box->Checked(2));
}

TEST_F(CheckListStatesFixture, ASectionWithMoreItemsAppliesOnlyTheListsItems) {
    TIniFile ini(iniPath());
    ini.WriteInteger("Saved", "Count", 9);
    for (int i = 0; i < 9; ++i)
        ini.WriteInteger("Saved", "Item" + std::to_string(i), 1);
    box->RestoreStatesFrom(&ini, "Saved");
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(box->Checked(i));
}

TEST_F(CheckListStatesFixture, RadioButtonsStopAtTheFirstItemThatComesBackChecked) {
    box->SetCheckKind(ckRadioButtons);
    TIniFile ini(iniPath());
    ini.WriteInteger("Saved", "Count", 4);
    ini.WriteInteger("Saved", "Item1", 1);
    ini.WriteInteger("Saved", "Item3", 1);
    box->RestoreStatesFrom(&ini, "Saved");
    EXPECT_EQ(box->CheckedIndex(), 1);
}

TEST_F(CheckListStatesFixture, DamagedStatesReadAsUncheckedAndANegativeCountAsNone) {
    TIniFile ini(iniPath());
    ini.WriteInteger("Saved", "Count", 4);
    ini.WriteInteger("Saved", "Item0", 7);
    ini.WriteInteger("Saved", "Item1", -3);
    ini.WriteInteger("Saved", "Item2", 2);
    box->SetChecked(0, true);
    box->RestoreStatesFrom(&ini, "Saved");
    EXPECT_EQ(box->State(0), cbUnchecked);
    EXPECT_EQ(box->State(1), cbUnchecked);
    EXPECT_EQ(box->State(2), cbGrayed);
    ini.WriteInteger("Other", "Count", -5);
    ini.WriteInteger("Other", "Item0", 1);
    box->RestoreStatesFrom(&ini, "Other");
    EXPECT_EQ(box->State(0), cbUnchecked);
}

TEST_F(CheckListStatesFixture, TheFormsPlacementSavesAndRestoresTheStatesWithIt) {
    auto* placement = new TFormPlacement(form);
    placement->SetIniFileName(iniPath());
    placement->SetActive(false);
    box->SetIniStorage(placement);
    box->SetState(0, cbGrayed);
    box->SetChecked(3, true);
    placement->SaveFormPlacement();
    TIniFile ini(iniPath());
    EXPECT_EQ(ini.ReadInteger("TStatesFormChoices", "Count", -1), 4);
    EXPECT_EQ(ini.ReadInteger("TStatesFormChoices", "Item3", -1), cbChecked);
    box->ApplyState(cbUnchecked, false);
    placement->RestoreFormPlacement();
    EXPECT_EQ(box->State(0), cbGrayed);
    EXPECT_TRUE(box->Checked(3));

    placement->SetIniSection("Dialog");
    box->SetChecked(1, true);
    placement->SaveFormPlacement();
    EXPECT_EQ(ini.ReadInteger("Dialog\\TStatesFormChoices", "Item1", -1), cbChecked)
        << "below its own section";
    box->SetName("");
    box->SetChecked(2, true);
    placement->SaveFormPlacement();
    EXPECT_EQ(ini.ReadInteger("Dialog\\TStatesFormChoices", "Item2", -1), cbUnchecked)
        << "a control without a name keeps nothing";
    placement->Free();
    EXPECT_EQ(box->IniStorage(), nullptr);
}
