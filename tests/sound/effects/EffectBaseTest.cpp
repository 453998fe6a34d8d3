// The effect contract as an engine sees it: which effects it collects, and an effect that
// goes away while the engine's events thread is running it.
#include "../SoundTestKit.h"
#include "platform/dsound/ManualBackend.h"
#include "platform/framework/MessageService.h"
#include "sound/DSPlay.h"
#include "sound/Eff_Echo.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

class LouderEcho : public TSndEcho {
    VX_CLASS(LouderEcho, TSndEcho)
public:
    using TSndEcho::TSndEcho;
};

} // namespace

TEST(EffectEngine, CollectsOnlyDirectSubclassesOfTheEffectBase) {
    TComponent owner(nullptr);
    auto* echo = new TSndEcho(&owner);
    new LouderEcho(&owner);
    auto* play = new TDSPlay(&owner);
    owner.LoadTree();
    EXPECT_EQ(play->Effects(), (std::vector<TSndEffectBase*>{echo}));
    EXPECT_EQ(echo->Format.load()->nSamplesPerSec, 44100u) << "loading hands over the format";
    EXPECT_EQ(echo->InitRate(), 44100u) << "and runs Init";
}

TEST(EffectEngineThreads, AnEffectDestroyedWhileBlocksRunIsDroppedBeforeItsStateGoes) {
    ScopedManualAudio audio;
    ScopedMessageRecorder messages;
    TComponent owner(nullptr);
    new RampPlug(&owner, "ramp", 1u << 30);
    auto* echo = new TSndEcho(&owner);
    auto* play = new TDSPlay(&owner);
    play->SetBufferSize(4096);
    play->SetBuffersCount(4);
    owner.LoadTree();
    Counter blocks;
    play->SetOnProc([&](TObject*, BYTE*, DWORD) { blocks.Add(); });
    echo->SetOnChange([](TObject*) {});
    echo->Enabled = true;
    play->SetUseEffects(true);
    play->SetFileName("ramp.raw");
    play->SetActive(true);
    ASSERT_TRUE(play->Active());
    std::atomic<bool> stop{false};
    std::thread device([&] {
        while (!stop.load())
            audio.backend().Render(512);
    });
    EXPECT_TRUE(blocks.WaitFor(blocks.Value() + 4));
    delete echo;
    EXPECT_TRUE(play->Effects().empty());
    EXPECT_TRUE(blocks.WaitFor(blocks.Value() + 2)) << "the engine plays on without it";
    stop = true;
    device.join();
    play->SetActive(false);
}
