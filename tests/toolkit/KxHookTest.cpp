#include "toolkit/KxHook.h"

#include "platform/framework/StdCtrls.h"
#include "tests/toolkit/GuiPump.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A shown form whose resizes, seen by the form itself, are logged.
struct WatchedForm {
    WatchedForm() {
        StartGui();
        form.SetBounds(40, 40, 300, 200);
        form.OnResize = [this](TObject*) { log.push_back("form"); };
        form.Show();
        PumpUntil([this] { return form.Showing(); });
        log.clear();
    }
    ~WatchedForm() { form.Hide(); }
    // Resizes the form and lets the queued work settle.
    void resize(int width) {
        form.SetBounds(form.Left(), form.Top(), width, 200);
        Application->ProcessMessages();
    }
    TKxWindowHook* watcher(const std::string& name, bool handles = false) {
        auto* hook = new TKxWindowHook(&form);
        hook->BeforeMessage = [this, name, handles](TObject*, TMessage& msg, bool& handled) {
            if (msg.Msg != WM_SIZE) return;
            log.push_back(name + " before");
            handled = handles;
        };
        hook->AfterMessage = [this, name](TObject*, TMessage& msg, bool&) {
            if (msg.Msg == WM_SIZE) log.push_back(name + " after");
            if (msg.Msg == WM_DESTROY) log.push_back(name + " destroy");
        };
        hook->SetWinControl(&form);
        return hook;
    }
    TForm form{nullptr};
    std::vector<std::string> log;
};

using Log = std::vector<std::string>;

} // namespace

TEST(KxHook, WatchersSeeMessagesLastAddedFirstBeforeAndAfterTheControl) {
    WatchedForm f;
    f.watcher("first");
    f.watcher("second");
    f.resize(320);
    EXPECT_EQ(f.log, (Log{"second before", "first before", "form", "second after", "first after"}));
}

TEST(KxHook, AHandledMessageReachesNeitherEarlierWatchersNorTheControl) {
    WatchedForm f;
    f.watcher("first");
    f.watcher("second", true);
    f.resize(330);
    EXPECT_EQ(f.log, (Log{"second before"}));
}

TEST(KxHook, SwitchingActiveOffAndOnTakesTheFilterOffAndPutsItBack) {
    WatchedForm f;
    TKxWindowHook* hook = f.watcher("only");
    ASSERT_NE(MessageFilterOf(&f.form), nullptr);
    hook->SetActive(false);
    EXPECT_EQ(MessageFilterOf(&f.form), nullptr);
    f.resize(340);
    EXPECT_EQ(f.log, (Log{"form"}));
    hook->SetActive(true);
    EXPECT_NE(MessageFilterOf(&f.form), nullptr);
    f.log.clear();
    f.resize(350);
    EXPECT_EQ(f.log, (Log{"only before", "form", "only after"}));
}

TEST(KxHook, ControlsShareOneHookAndEachKeepsItsOwn) {
    WatchedForm f;
    TEdit edit(nullptr);
    TKxWindowHook* formHook = f.watcher("form watcher");
    TKxWindowHook* editHook = f.watcher("edit watcher");
    editHook->SetWinControl(&edit);
    EXPECT_EQ(editHook->WinControl(), &edit);
    EXPECT_NE(MessageFilterOf(&edit), MessageFilterOf(&f.form));
    f.resize(360);
    EXPECT_EQ(f.log, (Log{"form watcher before", "form", "form watcher after"}));
    EXPECT_TRUE(editHook->NotIsForm());
    EXPECT_FALSE(formHook->NotIsForm());
    EXPECT_TRUE(formHook->IsForm()) << "it watches its own owner, a form";
}

TEST(KxHookLifetime, EveryWatcherForgetsAFreedControlWhateverTheOrderOfNotification) {
    // The hook list asks to hear of the control after the first watcher, so later watchers
    // hear of the freeing after the shared hook has already let the control go.
    for (int watchers : {1, 2, 3}) {
        WatchedForm f;
        auto* edit = new TEdit(nullptr);
        std::vector<TKxWindowHook*> hooks;
        for (int i = 0; i < watchers; ++i) {
            hooks.push_back(f.watcher("w"));
            hooks.back()->SetWinControl(edit);
        }
        edit->Free();
        for (TKxWindowHook* hook : hooks)
            EXPECT_EQ(hook->WinControl(), nullptr) << watchers << " watchers";
        Application->ProcessMessages(); // the deferred free of the unused hook
        for (TKxWindowHook* hook : hooks) {
            hook->SetActive(false);
            hook->SetActive(true);
            EXPECT_EQ(hook->WinControl(), nullptr) << watchers << " watchers, active again";
        }
        hooks.back()->SetWinControl(&f.form);
        f.resize(360 + watchers);
        EXPECT_EQ(f.log, (Log{"w before", "form", "w after"})) << watchers << " watchers";
    }
}

TEST(KxHook, AfterItsWindowWentAwayTheControlIsHookedAgainLater) {
    WatchedForm f;
    f.watcher("w");
    TMessageFilter* hook = MessageFilterOf(&f.form);
    ASSERT_NE(hook, nullptr);
    // What the form's filter hears when its window goes away (a new one comes when shown).
    TMessage destroy{WM_DESTROY, 0, 0, 0};
    hook->FilterAfter(destroy);
    EXPECT_EQ(f.log, (Log{"w destroy"}));
    EXPECT_EQ(MessageFilterOf(&f.form), nullptr) << "not inside the message: later";
    Application->ProcessMessages();
    EXPECT_EQ(MessageFilterOf(&f.form), hook);
    f.log.clear();
    f.resize(380);
    EXPECT_EQ(f.log, (Log{"w before", "form", "w after"}));
}

TEST(KxHook, ALeftHookIsFreedOnlyAfterTheMessageInProgress) {
    WatchedForm f;
    TKxWindowHook* hook = f.watcher("w");
    // The watcher leaves while its own handler runs: the shared hook must outlive the message.
    hook->BeforeMessage = [](TObject* sender, TMessage& msg, bool&) {
        if (msg.Msg == WM_SIZE) static_cast<TKxWindowHook*>(sender)->SetActive(false);
    };
    f.resize(390);
    EXPECT_EQ(f.log, (Log{"form"}));
    EXPECT_EQ(MessageFilterOf(&f.form), nullptr);
    Application->ProcessMessages();
    hook->SetActive(true);
    EXPECT_NE(MessageFilterOf(&f.form), nullptr);
}

TEST(KxHook, SizeLimitsLeftByAWatcherApplyToTheForm) {
    WatchedForm f;
    TKxWindowHook* hook = f.watcher("w");
    hook->AfterMessage = [](TObject*, TMessage& msg, bool&) {
        if (msg.Msg != WM_GETMINMAXINFO) return;
        auto* info = reinterpret_cast<MINMAXINFO*>(msg.LParam);
        info->ptMinTrackSize = POINT{250, 150};
        info->ptMaxTrackSize = POINT{400, 300};
    };
    RequestMinMaxInfo(&f.form);
    f.resize(100);
    EXPECT_EQ(f.form.Width(), 250);
    f.resize(900);
    EXPECT_EQ(f.form.Width(), 400);
    hook->SetActive(false);
    f.resize(900);
    EXPECT_EQ(f.form.Width(), 900) << "without the watcher the form's own limits hold";
}
