// The update thread polls on the GUI thread, rests between polls and stays away while
// there are no meters. Run under ThreadSanitizer too.
#include "MixerTestKit.h"

using namespace mixer_fixtures;

using SndMixerThread = MixerOnForm;

TEST_F(SndMixerThread, KeepsTheMetersOfThePageInViewMovingOnItsOwn) {
    AddStudio();
    Make();
    const DWORD output = Id("Speakers", "Output Level");
    fake.backend().SetMeter(0, output, {-1234, 5678});
    ASSERT_TRUE(PumpUntil([&] { return mixer->Item<TProgressBar>(output, 1)->Position() == 5678; }));
    EXPECT_EQ(mixer->Item<TProgressBar>(output, 0)->Position(), 1234);
    fake.backend().SetMeter(0, output, {0, 99});
    EXPECT_TRUE(PumpUntil([&] { return mixer->Item<TProgressBar>(output, 1)->Position() == 99; }));
}

TEST_F(SndMixerThread, RestsBetweenPollsInsteadOfKeepingACoreBusy) {
    AddStudio();
    Make();
    const unsigned before = mixer->Thread->Polls();
    const auto start = std::chrono::steady_clock::now();
    PumpUntil([] { return false; }, 500);
    const auto spent =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    const unsigned polls = mixer->Thread->Polls() - before;
    EXPECT_GE(polls, 1u);
    EXPECT_LE(polls, spent.count() / MixerPollInterval + 2) << "one poll per rest at most";
}

TEST_F(SndMixerThread, AsksNothingOfTheGuiThreadWhileThereAreNoMeters) {
    MixerDestinationDesc quiet;
    quiet.line =
        line("Out", "Line Out", 2, {control(MIXERCONTROL_CONTROLTYPE_VOLUME, "Volume", "Volume", 0, 100)});
    fake.backend().AddDevice("No Meters", {quiet});
    Make();
    EXPECT_FALSE(mixer->WantsPoll());
    EXPECT_FALSE(mixer->Thread->Suspended());
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(mixer->Thread->Polls(), 0u);
}

TEST_F(SndMixerThread, EndsWhenTheControlGoesWhileAPollWaitsForTheGuiThread) {
    AddStudio();
    Make();
    ASSERT_TRUE(PumpUntil([&] { return mixer->Thread->Polls() >= 2; }));
    // Without pumping, the next poll waits in Synchronize; destruction must run it or
    // let it go, never deadlock.
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * MixerPollInterval));
    form->Free();
    form = nullptr;
    EXPECT_EQ(OpenMixerCount(), 0u);
}
