#include "toolkit/Placemnt.h"

#include "platform/framework/MessageService.h"
#include "platform/framework/QtBridge.h"
#include "platform/framework/StdCtrls.h"
#include "tests/platform/files/ScratchRegistry.h"
#include "tests/toolkit/GuiPump.h"
#include "toolkit/Apputils.h"

#include <QWidget>
#include <gtest/gtest.h>

#include <filesystem>

namespace {

class TMainForm : public TForm {
    VX_CLASS(TMainForm, TForm)
public:
    explicit TMainForm(TComponent* owner) : TForm(owner) {
        placement = new TFormPlacement(this);
        edit = new TEdit(this);
        edit->SetName("Edit1");
        edit->SetParent(this);
        SetBounds(10, 20, 300, 200);
    }
    TFormPlacement* placement;
    TEdit* edit;
};

class ScratchSettings : public ScratchRegistry {
public:
    ScratchSettings() { StartGui(); }
    std::string ini() const { return tree.Path("settings.ini"); }
    // A form as its description makes it: components first, then their Loaded.
    TMainForm* makeForm(const std::function<void(TMainForm&)>& setUp = nullptr) const {
        auto* form = new TMainForm(nullptr);
        form->placement->SetIniFileName(ini());
        if (setUp) setUp(*form);
        form->LoadTree();
        return form;
    }
};

RECT boundsOf(const TForm& form) {
    return RECT{form.Left(), form.Top(), form.Left() + form.Width(), form.Top() + form.Height()};
}

} // namespace

TEST(FormPlacement, ShowingRestoresAndClosingSaves) {
    ScratchSettings scratch;
    TMainForm* form = scratch.makeForm();
    form->Show();
    form->SetBounds(60, 70, 320, 210);
    form->Close();
    TIniFile ini(scratch.ini());
    EXPECT_EQ(ini.ReadString("TMainForm", "FormVersion", ""), "0");
    EXPECT_EQ(ini.ReadString("TMainForm", "NormPos", ""), "60,70,380,280");
    EXPECT_EQ(ini.ReadString("TMainForm", "Visible", ""), "0");
    form->Free();

    TMainForm* again = scratch.makeForm();
    again->Show();
    EXPECT_EQ(boundsOf(*again), (RECT{60, 70, 380, 280}));
    again->Free();
}

TEST(FormPlacement, TheFormsOwnHandlersStillRunAroundItsOwn) {
    ScratchSettings scratch;
    std::vector<std::string> order;
    TMainForm* form = scratch.makeForm([&](TMainForm& f) {
        f.OnShow = [&](TObject*) { order.push_back("show"); };
        f.OnCloseQuery = [&](TObject*, bool&) { order.push_back("close query"); };
        f.OnDestroy = [&](TObject*) { order.push_back("destroy"); };
    });
    form->placement->OnRestorePlacement = [&](TObject*) { order.push_back("restore"); };
    form->placement->OnSavePlacement = [&](TObject*) { order.push_back("save"); };
    form->Show();
    form->Close();
    form->Free();
    EXPECT_EQ(order, (std::vector<std::string>{"restore", "show", "close query", "save", "destroy"}));
}

TEST(FormPlacement, AFormNeverRestoredDoesNotOverwriteWhatIsStored) {
    ScratchSettings scratch;
    {
        TIniFile ini(scratch.ini());
        ini.WriteString("TMainForm", "NormPos", "1,2,3,4");
    }
    TMainForm* form = scratch.makeForm();
    form->placement->SaveFormPlacement();
    form->Free(); // destruction would save too, had it been restored
    TIniFile ini(scratch.ini());
    EXPECT_EQ(ini.ReadSection("TMainForm"), std::vector<std::string>{"NormPos"});
}

TEST(FormPlacement, DestructionSavesWithVisibleWhenNotSavedSinceRestoring) {
    ScratchSettings scratch;
    TMainForm* form = scratch.makeForm();
    form->Show();
    form->SetBounds(15, 25, 300, 200);
    form->Free();
    TIniFile ini(scratch.ini());
    EXPECT_EQ(ini.ReadString("TMainForm", "Visible", ""), "1");
    EXPECT_EQ(ini.ReadString("TMainForm", "NormPos", ""), "15,25,315,225");
}

TEST(FormPlacement, AnOlderFormVersionSkipsTheWholeRestore) {
    ScratchSettings scratch;
    {
        TIniFile ini(scratch.ini());
        ini.WriteInteger("TMainForm", "FormVersion", 1);
        ini.WriteString("TMainForm", "NormPos", "100,100,400,300");
    }
    int loads = 0;
    TIniLink link;
    link.OnLoad = [&](TObject*) { ++loads; };
    TMainForm* form = scratch.makeForm([&](TMainForm& f) { f.placement->SetVersion(2); });
    link.SetStorage(form->placement);
    form->Show();
    EXPECT_EQ(boundsOf(*form), (RECT{10, 20, 310, 220}));
    EXPECT_EQ(loads, 0);
    form->Close();
    form->Free();
    EXPECT_EQ(link.Storage(), nullptr) << "the placement's links forget it when it goes";
    TIniFile ini(scratch.ini());
    EXPECT_EQ(ini.ReadInteger("TMainForm", "FormVersion", 0), 2)
        << "the new version discards the old settings";
}

TEST(FormPlacement, LinksSaveAndLoadWhileTheSettingsAreOpen) {
    ScratchSettings scratch;
    TIniLink link;
    std::vector<std::string> seen;
    link.OnSave = [&](TObject*) {
        IniWriteString(link.IniObject(), link.RootSection() + "Grid", "Width", "42");
        seen.push_back("save");
    };
    link.OnLoad = [&](TObject*) {
        seen.push_back("load " +
                       IniReadString(link.IniObject(), link.RootSection() + "Grid", "Width", "none"));
    };
    TMainForm* form = scratch.makeForm([&](TMainForm& f) { f.placement->SetIniSection("Main"); });
    link.SetStorage(form->placement);
    EXPECT_EQ(link.RootSection(), "Main\\");
    EXPECT_EQ(link.IniObject(), nullptr) << "open only during a save or restore";
    form->Show();
    form->Close();
    form->Show();
    form->Close();
    form->Free();
    EXPECT_EQ(seen, (std::vector<std::string>{"load none", "save", "load 42", "save"}));
}

TEST(FormPlacement, TheActiveControlComesBackByName) {
    ScratchSettings scratch;
    TMainForm* form = scratch.makeForm([](TMainForm& f) {
        f.placement->SetOptions(PlacementOptions({fpPosition, fpActiveControl}));
        auto* second = new TEdit(&f);
        second->SetName("Edit2");
        second->SetParent(&f);
    });
    form->Show();
    form->SetActiveControl(static_cast<TWinControl*>(form->FindComponent("Edit2")));
    form->Close();
    form->Free();
    TMainForm* again = scratch.makeForm([](TMainForm& f) {
        f.placement->SetOptions(PlacementOptions({fpPosition, fpActiveControl}));
        auto* second = new TEdit(&f);
        second->SetName("Edit2");
        second->SetParent(&f);
    });
    again->Show();
    ASSERT_NE(again->ActiveControl(), nullptr);
    EXPECT_EQ(again->ActiveControl()->Name(), "Edit2");
    again->Free();
}

TEST(FormPlacement, EraseSectionsTakesTheSectionAndItsSubSectionsOnly) {
    ScratchSettings scratch;
    {
        TIniFile ini(scratch.ini());
        for (const char* section : {"Main", "Main.Grid", "Main\\Sub", "MainForm", "main.lower"})
            ini.WriteString(section, "k", "v");
    }
    TMainForm* form = scratch.makeForm([](TMainForm& f) { f.placement->SetIniSection("Main"); });
    form->placement->EraseSections();
    TIniFile ini(scratch.ini());
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"MainForm", "main.lower"}))
        << "the match is case-sensitive";
    form->Free();
}

TEST(FormPlacement, ReadingFromAnotherRegistryRootNeverCreatesTheKey) {
    ScratchSettings scratch;
    TMainForm* form = scratch.makeForm([](TMainForm& f) {
        f.placement->SetUseRegistry(true);
        f.placement->SetIniFileName("Software\\Vortamix");
        f.placement->SetRegistryRoot(prLocalMachine);
    });
    form->Show();
    EXPECT_FALSE(std::filesystem::exists(RegistryFile(HKEY_LOCAL_MACHINE)));
    EXPECT_FALSE(std::filesystem::exists(RegistryFile(HKEY_CURRENT_USER)));
    form->SetBounds(33, 44, 300, 200);
    form->Close();
    TRegIniFile machine("Software\\Vortamix", KEY_READ);
    machine.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(machine.OpenKey("Software\\Vortamix", false));
    EXPECT_EQ(machine.ReadString("TMainForm", "NormPos", ""), "33,44,333,244");
    EXPECT_FALSE(std::filesystem::exists(RegistryFile(HKEY_CURRENT_USER)))
        << "nothing under the current user";
    form->Free();
}

TEST(FormPlacement, ReadAndWriteOpenTheSettingsJustForTheCall) {
    ScratchSettings scratch;
    TMainForm* form = scratch.makeForm([](TMainForm& f) { f.placement->SetIniSection("Values"); });
    form->placement->WriteInteger("Count", 5);
    form->placement->WriteString("Name", "x");
    EXPECT_EQ(form->placement->ReadInteger("Count", 0), 5);
    EXPECT_EQ(form->placement->ReadString("Name", ""), "x");
    EXPECT_EQ(form->placement->ReadInteger("Name", 7), 7);
    EXPECT_EQ(form->placement->IniObject(), nullptr);
    form->Free();
}

TEST(FormPlacement, ASaveThatFailsGoesToTheApplicationAndTheFormStillCloses) {
    ScratchSettings scratch;
    std::filesystem::create_directories(scratch.tree.Path("a folder"));
    ScopedMessageRecorder boxes;
    bool ownQuery = false;
    TMainForm* form = scratch.makeForm([&](TMainForm& f) {
        f.placement->SetIniFileName(scratch.tree.Path("a folder"));
        f.OnCloseQuery = [&](TObject*, bool&) { ownQuery = true; };
    });
    form->Show();
    form->Close();
    EXPECT_TRUE(ownQuery);
    ASSERT_EQ(boxes.Records().size(), 1u);
    EXPECT_NE(boxes.Records()[0].text.find("Unable to write"), std::string::npos);
    EXPECT_FALSE(form->Visible());
    form->placement->SetActive(false); // no second try at destruction
    form->Free();
}

TEST(FormPlacement, PreventResizeFixesTheSizeTheFormHasAndTakesAwayTheMaximiseButton) {
    ScratchSettings scratch;
    TMainForm* form = scratch.makeForm();
    form->Show();
    PumpUntil([&] { return form->Showing(); });
    MINMAXINFO seen{};
    TKxWindowHook watcher(nullptr);
    watcher.AfterMessage = [&](TObject*, TMessage& msg, bool&) {
        if (msg.Msg == WM_GETMINMAXINFO) seen = *reinterpret_cast<MINMAXINFO*>(msg.LParam);
    };
    watcher.SetWinControl(form);
    // Maximisable as the form's icons say and as its window shows.
    const auto maximisable = [&] {
        return bool(form->BorderIcons() & biMaximize) +
               bool(vx::FormWidget(form)->windowFlags() & Qt::WindowMaximizeButtonHint);
    };
    form->placement->SetPreventResize(true); // the placement's watcher comes last, so it answers first
    EXPECT_EQ(seen.ptMinTrackSize, (POINT{300, 200}));
    EXPECT_EQ(seen.ptMaxTrackSize, (POINT{300, 200}));
    EXPECT_EQ(maximisable(), 0);
    form->placement->SetPreventResize(false);
    EXPECT_EQ(maximisable(), 2);
    form->placement->MinMaxInfo().SetMinTrackWidth(250);
    form->SetBounds(10, 20, 100, 200);
    Application->ProcessMessages();
    EXPECT_EQ(form->Width(), 250) << "the minimum width holds";
    form->SetBorderStyle(bsDialog);
    form->placement->SetPreventResize(true);
    form->placement->SetPreventResize(false);
    EXPECT_EQ(maximisable(), 0) << "a dialog has none";
    watcher.SetWinControl(nullptr);
    form->Free();
}
