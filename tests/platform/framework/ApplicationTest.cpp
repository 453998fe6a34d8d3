#include "platform/framework/Application.h"
#include "platform/files/FileNames.h"

#include "GuiTestSupport.h"
#include "platform/framework/QtMessageService.h"
#include "platform/framework/StdCtrls.h"
#include "platform/kernel/Thread.h"

#include <QAbstractButton>
#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> journal;

class RecordingPart : public TComponent {
public:
    RecordingPart(TComponent* owner, const std::string& name) : TComponent(owner) {
        SetName(name);
        journal.push_back("create " + name);
    }

protected:
    void Loaded() override {
        TComponent::Loaded();
        journal.push_back("loaded " + Name() + (IsLoading() ? " (loading)" : ""));
    }
};

// A form whose description creates two parts; its handlers see a complete object.
class RecordingForm : public TForm {
public:
    explicit RecordingForm(TComponent* owner) : TForm(owner) {
        SetName("RecordingForm");
        journal.push_back("create form");
        new RecordingPart(this, "First");
        new RecordingPart(this, "Second");
        OnCreate = [](TObject*) {
            journal.push_back("OnCreate, main form " + Application->MainForm()->Name());
        };
        OnDestroy = [this](TObject*) { journal.push_back("OnDestroy " + marker); };
    }
    std::string marker = "still whole";

protected:
    void Loaded() override {
        TForm::Loaded();
        journal.push_back("loaded form");
    }
};

class SynchronizingWorker : public TThread {
public:
    SynchronizingWorker() : TThread(true) {}
    std::thread::id ranOn;

protected:
    void Execute() override {
        Synchronize([this] { ranOn = std::this_thread::get_id(); });
    }
};

} // namespace

TEST(ApplicationForms, CreateFormRunsTheDescriptionThenLoadedThenOnCreate) {
    vx::EnsureQtApplication();
    journal.clear();
    RecordingForm* first = nullptr;
    RecordingForm* second = nullptr;
    Application->CreateForm(first);
    Application->CreateForm(second);
    EXPECT_EQ(Application->MainForm(), first);
    const std::vector<std::string> expected = {
        "create form",
        "create First",
        "create Second",
        "loaded First (loading)",
        "loaded Second (loading)",
        "loaded form",
        "OnCreate, main form RecordingForm",
    };
    EXPECT_EQ(std::vector<std::string>(journal.begin(), journal.begin() + 7), expected);
    journal.clear();
    second->Free();
    first->Free();
    EXPECT_EQ(journal, (std::vector<std::string>{"OnDestroy still whole", "OnDestroy still whole"}));
    EXPECT_EQ(Application->MainForm(), nullptr);
}

TEST(ApplicationForms, RunEndsWhenTheMainFormClosesAndDestroysTheForms) {
    vx::EnsureQtApplication();
    journal.clear();
    RecordingForm* form = nullptr;
    Application->CreateForm(form);
    form->OnShow = [form](TObject*) { vx::PostToGuiThread([form] { form->Close(); }); };
    Application->Run();
    EXPECT_TRUE(Application->Terminated());
    EXPECT_EQ(journal.back(), "OnDestroy still whole");
    EXPECT_EQ(Application->MainForm(), nullptr);
    Application->Initialize();
    EXPECT_FALSE(Application->Terminated());
}

TEST(ApplicationExceptions, AnExceptionEscapingAClickHandlerReachesOnException) {
    vx::EnsureQtApplication();
    TForm form(nullptr);
    auto* button = new TButton(&form);
    button->SetParent(&form);
    button->OnClick = [](TObject*) { throw Exception("handler failed"); };
    std::vector<std::string> seen;
    Application->OnException = [&](TObject* sender, const Exception& error) {
        EXPECT_EQ(sender, Application);
        seen.push_back(error.Message());
    };
    static_cast<QAbstractButton*>(vx::ControlWidget(button))->click();
    Application->OnException = nullptr;
    EXPECT_EQ(seen, std::vector<std::string>{"handler failed"});
}

TEST(ApplicationExceptions, WithoutOnExceptionTheMessageIsShownUnderTheTitle) {
    vx::EnsureQtApplication();
    ScopedMessageRecorder recorder;
    Application->SetTitle("Vortamix");
    vx::Guarded([] { throw std::runtime_error("disk on fire"); });
    ASSERT_EQ(recorder.Records().size(), 1u);
    EXPECT_EQ(recorder.Records()[0].text, "disk on fire.");
    EXPECT_EQ(recorder.Records()[0].caption, "Vortamix");
    EXPECT_EQ(recorder.Records()[0].flags, MB_OK | MB_ICONSTOP);
}

TEST(ApplicationExceptions, TheSilentExceptionPassesWithoutAMessage) {
    vx::EnsureQtApplication();
    ScopedMessageRecorder recorder;
    bool handlerRan = false;
    Application->OnException = [&](TObject*, const Exception&) { handlerRan = true; };
    vx::Guarded([] { Abort(); });
    Application->OnException = nullptr;
    vx::Guarded([] { Abort(); });
    EXPECT_FALSE(handlerRan);
    EXPECT_TRUE(recorder.Records().empty());
}

TEST(ApplicationMessages, MessageBoxGoesThroughTheInstalledService) {
    ScopedMessageRecorder recorder;
    recorder.recorder().SetAnswer(IDYES);
    EXPECT_EQ(Application->MessageBox("Select 2 players or more", "Info", MB_OK), IDYES);
    ASSERT_EQ(recorder.Records().size(), 1u);
    EXPECT_EQ(recorder.Records()[0].caption, "Info");
}

TEST(ApplicationMessages, ABoxFromAnotherThreadIsPostedAndNeverBlocksTheCaller) {
    vx::EnsureQtApplication();
    QtMessageService service;
    std::atomic<bool> callerReturned{false};
    std::vector<std::string> shown;
    std::thread::id shownOn;
    service.SetPresenter([&](const std::string& text, const std::string&, unsigned) {
        // A real box would wait for a person here; the caller has long returned.
        EXPECT_TRUE(callerReturned.load());
        shown.push_back(text);
        shownOn = std::this_thread::get_id();
        return IDNO;
    });
    int answer = 0;
    std::thread worker([&] {
        answer = service.Show("Sound device lost", "TDSPlay", MB_ICONHAND);
        callerReturned = true;
    });
    worker.join();
    EXPECT_EQ(answer, IDOK);
    EXPECT_TRUE(shown.empty());
    ASSERT_TRUE(PumpUntil([&] { return !shown.empty(); }));
    EXPECT_EQ(shown, std::vector<std::string>{"Sound device lost"});
    EXPECT_EQ(shownOn, std::this_thread::get_id());
    EXPECT_EQ(service.Show("on the GUI thread", "", MB_OK), IDNO)
        << "on the GUI thread the answer is the box's";
}

TEST(ApplicationThreads, SynchronizeRunsOnTheGuiThreadWhileItWaitsForTheWorker) {
    vx::EnsureQtApplication();
    SynchronizingWorker worker;
    worker.Resume();
    worker.WaitFor();
    EXPECT_EQ(worker.ranOn, std::this_thread::get_id());
}

TEST(ApplicationThreads, SynchronizeIsServedByTheEventLoop) {
    vx::EnsureQtApplication();
    SynchronizingWorker worker;
    worker.Resume();
    const bool served = PumpUntil([&] { return worker.Finished(); });
    worker.WaitFor();
    EXPECT_TRUE(served);
    EXPECT_EQ(worker.ranOn, std::this_thread::get_id());
}

TEST(ApplicationFacts, ExeNameIsTheRunningProgram) {
    const std::string name = Application->ExeName();
    EXPECT_NE(name.find("test_platform"), std::string::npos);
    EXPECT_EQ(name.front(), '/');
}

TEST(ApplicationFacts, ExeNameFollowsTheProgramWideOverride) {
    // The settings file and playlist are found beside ExeName: tests move it through one switch.
    SetExeName("/tmp/elsewhere/vortamix");
    EXPECT_EQ(Application->ExeName(), "/tmp/elsewhere/vortamix");
    SetExeName("");
    EXPECT_NE(Application->ExeName().find("test_platform"), std::string::npos);
}

TEST(ApplicationFacts, TheApplicationIsActiveOnlyWhileOneOfItsWindowsHasTheFocus) {
    vx::EnsureQtApplication();
    EXPECT_FALSE(Application->Active());
    auto* form = new TForm(nullptr);
    form->Show();
    vx::ControlWidget(form)->activateWindow();
    ASSERT_TRUE(PumpUntil([] { return Application->Active(); }));
    form->Free();
    EXPECT_FALSE(Application->Active()) << "the focused window is gone";
}

TEST(ApplicationThreads, QueuedCallsRunOnTheGuiThreadInOrderWithoutBlockingTheCaller) {
    vx::EnsureQtApplication();
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            QueueOnMainThread([&, i] {
                order.push_back(i);
                threads.push_back(std::this_thread::get_id());
            });
    });
    worker.join();
    EXPECT_TRUE(order.empty());
    ASSERT_TRUE(PumpUntil([&] { return order.size() == 3; }));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    for (const std::thread::id id : threads)
        EXPECT_EQ(id, std::this_thread::get_id());
}
