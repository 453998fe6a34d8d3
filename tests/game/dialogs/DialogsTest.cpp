#include "game/About.h"
#include "game/Title.h"

#include "platform/files/FileNames.h"
#include "platform/files/Shell.h"
#include "platform/files/VersionBlock.h"
#include "platform/framework/Application.h"
#include "platform/framework/Timer.h"
#include "platform/kernel/Clock.h"
#include "tests/platform/files/ElfTestImage.h"
#include "tests/platform/files/TempTree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

// Makes the running program look like an executable with the given version strings.
class ScopedProgramVersion {
public:
    ScopedProgramVersion(const TempTree& tree, std::vector<std::pair<std::string, std::string>> strings) {
        VersionBlock block;
        block.numbers = {{2, 5, 0, 1}, {2, 5, 0, 1}, 0x0409, 1252};
        block.strings = std::move(strings);
        std::vector<unsigned char> image = MakeElfImage({{".vxversion", EncodeVersionBlock(block)}});
        std::string path = tree.Path("vortamix");
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        SetExeName(path);
    }
    ~ScopedProgramVersion() { SetExeName(""); }
    ScopedProgramVersion(const ScopedProgramVersion&) = delete;
    ScopedProgramVersion& operator=(const ScopedProgramVersion&) = delete;
};

template <class T> T* createForm() {
    T* form = new T(nullptr);
    form->LoadTree();
    form->DoCreate();
    return form;
}

// Runs the event loop until done holds (a bounded number of rounds).
bool pumpUntil(const std::function<bool()>& done) {
    for (int round = 0; round < 1000 && !done(); ++round)
        Application->ProcessMessages();
    return done();
}

struct DestroyWatch {
    explicit DestroyWatch(TForm* form) {
        form->OnDestroy = [this](TObject*) { destroyed = true; };
    }
    bool destroyed = false;
};

} // namespace

TEST(TitleDialog, ShowsVersionAndLegalNoticeOfTheProgram) {
    TempTree tree;
    ScopedProgramVersion version(tree, {{"FileVersion", "2.5 beta"}, {"LegalCopyright", "(C) testers"}});
    TTitleForm* title = createForm<TTitleForm>();

    EXPECT_EQ(title->Label1->Caption(), "Version 2.5 beta");
    EXPECT_EQ(title->Label2->Caption(), "(C) testers");
    EXPECT_EQ(title->KxLabel2->Caption(), "VORT");
    EXPECT_EQ(title->KxLabel1->Caption(), "AMIX");
    EXPECT_EQ(title->BorderStyle(), bsNone);
    EXPECT_EQ(title->ClientWidth(), 287);
    EXPECT_EQ(title->ClientHeight(), 348);
    EXPECT_LT(title->KxLabel2->Top(), title->KxLabel1->Top()) << "VORT above AMIX";
    EXPECT_LT(title->KxLabel1->Top(), title->Label1->Top());
    EXPECT_LT(title->Label1->Top(), title->Label2->Top());
    delete title;
}

TEST(TitleDialog, ProgramWithoutAVersionBlockKeepsTheDesignCaptions) {
    TempTree tree;
    SetExeName(tree.Write("plain", "no version here"));
    TTitleForm* title = createForm<TTitleForm>();
    SetExeName("");

    EXPECT_EQ(title->Label1->Caption(), "Version ");
    EXPECT_EQ(title->Label2->Caption(), DesignLegalNotice);
    delete title;
}

TEST(TitleDialog, ClosesAfterElevenSecondsAndFreesItself) {
    ScopedTestClock clock(5000);
    TTitleForm* title = createForm<TTitleForm>();
    TitleForm = title;
    DestroyWatch watch(title);
    bool openAtTheLastMillisecond = false;
    QueueOnMainThread([&] {
        clock.clock().Advance(10999);
        RunDueTimers();
        openAtTheLastMillisecond = title->Visible();
        clock.clock().Advance(1);
        RunDueTimers();
    });

    title->ShowModal();

    EXPECT_TRUE(openAtTheLastMillisecond);
    EXPECT_TRUE(pumpUntil([&] { return watch.destroyed; }));
    EXPECT_EQ(TitleForm, nullptr) << "no pointer to the freed dialog is left";
}

TEST(TitleDialog, AClickOnAnyPartOrAKeyClosesItAtOnce) {
    ScopedTestClock clock;
    const std::vector<std::function<void(TTitleForm*)>> inputs = {
        [](TTitleForm* form) { form->KxLabel1->Click(); },
        [](TTitleForm* form) { form->Image1->Click(); },
        [](TTitleForm* form) { form->Panel1->Click(); },
        [](TTitleForm* form) { form->Label2->Click(); },
        [](TTitleForm* form) {
            WORD key = VK_SPACE;
            form->OnKeyDown(form, key, 0);
        },
        [](TTitleForm* form) { form->OnMouseDown(form, mbLeft, ssLeft, 3, 3); },
    };
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        TTitleForm* title = createForm<TTitleForm>();
        DestroyWatch watch(title);
        QueueOnMainThread([&] { inputs[i](title); });
        title->ShowModal();
        EXPECT_TRUE(pumpUntil([&] { return watch.destroyed; })) << "input " << i;
    }
}

TEST(AboutDialog, ShowsDescriptionAndLegalNoticeOfTheProgram) {
    TempTree tree;
    ScopedProgramVersion version(tree,
                                 {{"FileDescription", "Vortamix deluxe"}, {"LegalCopyright", "(C) us"}});
    TAboutForm* about = createForm<TAboutForm>();

    EXPECT_EQ(about->Label1->Caption(), "Vortamix deluxe");
    EXPECT_EQ(about->Label2->Caption(), "(C) us");
    EXPECT_EQ(about->Caption(), "About...");
    EXPECT_EQ(about->BorderStyle(), bsDialog);
    EXPECT_EQ(about->ClientWidth(), 242);
    EXPECT_EQ(about->ClientHeight(), 333);
    EXPECT_FALSE(about->WinVerLabel1->Caption().empty());
    EXPECT_NE(about->DXVersion1->Caption().find("DirectX"), std::string::npos)
        << "set once the form is loaded";
    delete about;
}

TEST(AboutDialog, ProgramWithoutAVersionBlockKeepsTheDesignCaptions) {
    TempTree tree;
    SetExeName(tree.Write("plain", "no version here"));
    TAboutForm* about = createForm<TAboutForm>();
    SetExeName("");

    EXPECT_EQ(about->Label1->Caption(), "Vortamix");
    EXPECT_EQ(about->Label2->Caption(), DesignLegalNotice);
    delete about;
}

TEST(AboutDialog, OkClosesWithOkAndTheDialogCanBeShownAgain) {
    TAboutForm* about = createForm<TAboutForm>();
    for (int time = 0; time < 2; ++time) {
        QueueOnMainThread([&] { about->AboutCloseButton->Click(); });
        EXPECT_EQ(about->ShowModal(), mrOk);
        EXPECT_FALSE(about->Visible());
    }
    EXPECT_TRUE(about->AboutCloseButton->Default());
    EXPECT_TRUE(about->AboutCloseButton->Cancel());
    delete about;
}

TEST(AboutDialog, ShowingCentresItOnTheScreen) {
    TAboutForm* about = createForm<TAboutForm>();
    int left = -1;
    int top = -1;
    QueueOnMainThread([&] {
        left = about->Left();
        top = about->Top();
        about->Close();
    });
    about->ShowModal();
    EXPECT_EQ(left, (Screen->Width() - about->Width()) / 2);
    EXPECT_EQ(top, (Screen->Height() - about->Height()) / 2);
    delete about;
}

TEST(AboutDialog, LinksHandTheirTargetsToTheDesktop) {
    ScopedShellRecorder shell;
    TAboutForm* about = createForm<TAboutForm>();
    about->WebLabel2->Click();
    ASSERT_EQ(shell.Targets().size(), 1u);
    EXPECT_EQ(shell.Targets()[0], about->WebLabel2->File());
    EXPECT_EQ(about->WebLabel2->File().rfind("mailto:", 0), 0u);
    delete about;
}

// The help link's tip names the page as this system writes it: a full path with "/", not the
// program's own relative name with "\".
TEST(AboutDialog, TheHelpLinksTipShowsTheFullPathOfThePage) {
    TempTree tree;
    tree.Write("Help/index.htm", "<html></html>");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(tree.Path(""));
    TAboutForm* about = createForm<TAboutForm>();
    std::filesystem::current_path(previous);
    const std::string hint = about->WebLabel1->Hint();
    EXPECT_EQ(hint,
              (std::filesystem::path(tree.Path("")) / "Help" / "index.htm").lexically_normal().string());
    EXPECT_EQ(about->WebLabel2->Hint(), "mailto:developers@vortamix.example");
    delete about;
}

// The last line of the title keeps clear of the frame around the picture.
TEST(TitleDialog, TheLegalNoticeKeepsClearOfTheFrame) {
    TTitleForm* title = createForm<TTitleForm>();
    TCanvas measure;
    measure.Font().Assign(title->Label2->Font());
    const int gap = title->Panel1->Height() - (title->Label2->Top() + measure.TextHeight("(C)"));
    EXPECT_GE(gap, 4) << "rows between the text's lowest row and the panel's edge";
    delete title;
}
