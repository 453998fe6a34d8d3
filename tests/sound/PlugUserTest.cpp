#include "sound/PlugUser.h"
#include "DuplexTestKit.h"
#include "platform/framework/MessageService.h"
#include "sound/DSPlay.h"

#include <gtest/gtest.h>

TEST(UserPlugIn, WithoutOnInitItRefusesEveryFileSoTheEngineTriesTheNextPlugIn) {
    ScopedManualAudio audio;
    ScopedMessageRecorder messages;
    TComponent owner(nullptr);
    auto* user = new TSndUser(&owner);
    auto* ramp = new RampPlug(&owner, "ramp", 1 << 20);
    auto* play = new TDSPlay(&owner);
    owner.LoadTree();
    EXPECT_FALSE(user->Init());
    play->SetFileName("ramp.raw");
    play->SetActive(true);
    EXPECT_EQ(play->ModulePlug(), ramp);
    EXPECT_TRUE(messages.Records().empty());
}

TEST(UserPlugIn, EveryOperationReachesItsEventWithTheSenderAndTheEngineArguments) {
    std::vector<std::string> calls; // outlives the plug-in, whose destructor reports a release
    TSndUser user(nullptr);
    EXPECT_EQ(user.GetSupportTypes(), "User Defined Type");
    user.SetOnGetType([&](TObject* sender, std::string& types) {
        EXPECT_EQ(sender, &user);
        types += " (tones)";
    });
    EXPECT_EQ(user.GetSupportTypes(), "User Defined Type (tones)");
    user.SetOnReset([&](TObject*) { calls.push_back("reset"); });
    user.SetOnRelease([&](TObject*) { calls.push_back("release"); });
    user.SetOnInit([&](TObject*, bool& result) {
        calls.push_back("init");
        result = user.FileName == "tone";
    });
    user.FileName = "tone";
    EXPECT_TRUE(user.Init());
    user.FileName = "noise";
    EXPECT_FALSE(user.Init());
    EXPECT_EQ(calls, (std::vector<std::string>{"init", "reset", "init", "reset"}))
        << "the handler's answer does not keep the rewind from running";

    BYTE block[8] = {};
    user.SetOnProc([&](TObject*, BYTE* data, DWORD len, bool& done) {
        EXPECT_EQ(data, block);
        EXPECT_EQ(len, 8u);
        data[0] = 42;
        done = true;
    });
    EXPECT_TRUE(user.Process(block, 8));
    EXPECT_EQ(block[0], 42);
    user.SetOnProc([](TObject*, BYTE*, DWORD, bool&) {});
    EXPECT_FALSE(user.Process(block, 8)) << "a handler that says nothing ends the data";
    EXPECT_EQ(block[0], 42) << "and the block is the handler's to fill";

    SND_POSITION position;
    user.SetOnGetPos([](TObject*, SND_POSITION* p) { p->dwPosition = 77; });
    user.SetOnSetPos(
        [&](TObject*, SND_POSITION* p) { calls.push_back("seek " + std::to_string(p->dwPosition)); });
    user.GetPosition(&position);
    EXPECT_EQ(position.dwPosition, 77u);
    user.SetPosition(&position);
    EXPECT_EQ(calls.back(), "seek 77");

    SND_FILE_INFO info;
    EXPECT_FALSE(user.GetFileInfo("x", &info));
    user.SetOnInfo([](TObject*, const std::string& name, SND_FILE_INFO* i, bool& result) {
        std::snprintf(i->szTitle, sizeof i->szTitle, "%s", name.c_str());
        result = true;
    });
    EXPECT_TRUE(user.GetFileInfo("song", &info));
    EXPECT_STREQ(info.szTitle, "song");
    calls.clear();
    user.Release();
    EXPECT_EQ(calls, std::vector<std::string>{"release"});
}

TEST(UserPlugIn, DestroyingItReleasesThroughTheEvent) {
    int releases = 0;
    {
        TSndUser user(nullptr);
        user.SetOnRelease([&](TObject*) { ++releases; });
    }
    EXPECT_EQ(releases, 1);
}

TEST(UserPlugIn, WithoutOnProcABlockIsSilenceAndTheDataEnds) {
    TSndUser user(nullptr);
    BYTE wide[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_FALSE(user.Process(wide, 6));
    EXPECT_EQ(std::vector<BYTE>(wide, wide + 6), std::vector<BYTE>(6, 0));
    user.SetBitsPerSample(8);
    BYTE narrow[4] = {1, 2, 3, 4};
    EXPECT_FALSE(user.Process(narrow, 4));
    EXPECT_EQ(std::vector<BYTE>(narrow, narrow + 4), std::vector<BYTE>(4, 0x80));
}

namespace {

// A player on the manual backend fed by a user plug-in: 4 blocks of 1024 bytes, 16-bit
// stereo, 256 frames a block.
struct UserPlayer {
    UserPlayer() {
        user = new TSndUser(&owner);
        play = new TDSPlay(&owner);
        play->SetBufferSize(1024);
        play->SetBuffersCount(4);
        owner.LoadTree();
        user->SetOnInit([](TObject*, bool& result) { result = true; });
        play->SetOnActiveChange([this](TObject*) { changes.Add(); });
    }
    ScopedManualAudio audio;
    ScopedMessageRecorder messages;
    TComponent owner{nullptr};
    TSndUser* user = nullptr;
    TDSPlay* play = nullptr;
    Counter changes;
};

} // namespace

TEST(UserPlugInEngine, APlayerPlaysWhatTheHandlerMakes) {
    UserPlayer form;
    std::int16_t next = 0;
    form.user->SetOnProc([&](TObject*, BYTE* data, DWORD len, bool& done) {
        auto* samples = reinterpret_cast<std::int16_t*>(data);
        for (DWORD i = 0; i < len / 4; ++i, ++next)
            samples[2 * i] = samples[2 * i + 1] = next;
        done = true;
    });
    form.play->SetFileName("anything");
    form.play->SetActive(true);
    const std::vector<std::int16_t> out = form.audio.backend().Render(300);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[2 * 299], 299) << "frames run on across the block boundary";
}

TEST(UserPlugInEngine, APlayerWithoutADataHandlerPlaysSilenceAndSwitchesItselfOff) {
    UserPlayer form;
    form.play->SetFileName("anything");
    form.play->SetActive(true);
    ASSERT_TRUE(form.play->Active());
    std::vector<std::int16_t> heard;
    while (form.play->Active() && heard.size() < 2u * 44100u) {
        const std::vector<std::int16_t> chunk = form.audio.backend().Render(256);
        heard.insert(heard.end(), chunk.begin(), chunk.end());
        form.changes.WaitFor(2, 5);
    }
    EXPECT_FALSE(form.play->Active()) << "the data ended at once";
    EXPECT_EQ(heard, std::vector<std::int16_t>(heard.size(), 0));
}
