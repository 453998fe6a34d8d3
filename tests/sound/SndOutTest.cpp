#include "SoundTestKit.h"
#include "platform/dsound/ManualBackend.h"
#include "platform/framework/MessageService.h"
#include "sound/DSPlay.h"

#include <gtest/gtest.h>

namespace {

class SubPlug : public RampPlug {
    VX_CLASS(SubPlug, RampPlug)
public:
    using RampPlug::RampPlug;
};

struct Form {
    TComponent owner{nullptr};
    std::vector<std::string> log;
    TDSPlay* play = nullptr;
    template <class T, class... Args> T* add(Args&&... args) {
        return new T(&owner, std::forward<Args>(args)...);
    }
    void load() {
        play = new TDSPlay(&owner);
        owner.LoadTree();
    }
};

} // namespace

TEST(OutEngineEffects, AreSortedByIdKeepingComponentOrderForEqualIds) {
    Form form;
    auto* e4 = form.add<LogEffect>(4, &form.log);
    auto* e1 = form.add<LogEffect>(1, &form.log);
    auto* e3a = form.add<LogEffect>(3, &form.log);
    auto* e0 = form.add<LogEffect>(0, &form.log);
    auto* e3b = form.add<LogEffect>(3, &form.log);
    form.load();
    EXPECT_EQ(form.play->Effects(), (std::vector<TSndEffectBase*>{e0, e1, e3a, e3b, e4}));
    EXPECT_EQ(e4->inits, 1) << "loading hands each effect the format and initialises it";
    EXPECT_EQ(e4->Format.load(), form.play->Effects()[0]->Format.load());
}

TEST(OutEngineEffects, ChannelEffectsShareOneSplitAndRawEffectsSeeTheJoinedBlock) {
    Form form;
    auto* raw = form.add<LogEffect>(4, &form.log);
    auto* chorus = form.add<LogEffect>(1, &form.log);
    auto* fft = form.add<LogEffect>(0, &form.log);
    auto* silent = form.add<LogEffect>(3, &form.log);
    form.load();
    for (TSndEffectBase* e : {static_cast<TSndEffectBase*>(raw), static_cast<TSndEffectBase*>(chorus),
                              static_cast<TSndEffectBase*>(fft)}) {
        e->Enabled = true;
        e->SetOnChange([](TObject*) {});
    }
    silent->SetOnChange([](TObject*) {});
    form.play->SetBufferSize(16);
    std::vector<short> block(8, 1000); // 16 bytes of 16-bit stereo: 4 frames
    auto* bytes = reinterpret_cast<BYTE*>(block.data());
    form.play->EffectsProcess(bytes, 12, bytes + 12, 4);
    EXPECT_EQ(form.log, (std::vector<std::string>{"0:LR:4", "1:LR:4", "4:raw:12", "4:raw:4"}));
    EXPECT_EQ(block[0], 250) << "both channel effects halved the left channel, once each";
    EXPECT_EQ(block[1], 1000);
    EXPECT_EQ(block[6], 250) << "the second part is joined back too";
}

TEST(OutEngineEffects, AnEffectWithoutChangeHandlerLeavesTheBlockAlone) {
    Form form;
    auto* fft = form.add<LogEffect>(0, &form.log);
    form.load();
    fft->Enabled = true;
    form.play->SetBufferSize(8);
    std::vector<short> block(4, 1000);
    form.play->EffectsProcess(reinterpret_cast<BYTE*>(block.data()), 8, nullptr, 0);
    EXPECT_TRUE(form.log.empty());
    EXPECT_EQ(block[0], 1000);
}

TEST(OutEnginePlugins, OnlyDirectPlugInSubclassesAreCollectedInComponentOrder) {
    Form form;
    auto* first = form.add<RampPlug>("ramp", 100);
    form.add<SubPlug>("ramp", 100);
    auto* second = form.add<RampPlug>("ramp", 100);
    form.load();
    EXPECT_EQ(form.play->Plugins(), (std::vector<TSndPlayPlug*>{first, second}));
}

TEST(OutEnginePlugins, TheFirstPlugInThatAcceptsTheFileWinsAndGetsTheRequestedFormat) {
    ScopedMessageRecorder messages;
    Form form;
    auto* other = form.add<RampPlug>("other", 100);
    auto* first = form.add<RampPlug>("ramp", 100);
    auto* second = form.add<RampPlug>("ramp", 100);
    form.load();
    form.play->SetSamplesPerSec(22050);
    form.play->SetFileName("ramp.raw");
    ASSERT_TRUE(form.play->FindModulePlug());
    EXPECT_EQ(form.play->ModulePlug(), first);
    EXPECT_EQ(other->releases, 1) << "the plug-in tried before is released";
    EXPECT_EQ(second->inits, 0);
    EXPECT_EQ(first->Format.nSamplesPerSec, 22050u);
    EXPECT_EQ(first->FileName, "ramp.raw");
    EXPECT_TRUE(messages.Records().empty());
}

TEST(OutEnginePlugins, AFileNoPlugInTakesListsTheSupportedTypes) {
    ScopedMessageRecorder messages;
    Form form;
    form.add<RampPlug>("ramp", 100);
    form.add<RampPlug>("tone", 100);
    form.load();
    form.play->SetFileName("song.xyz");
    EXPECT_FALSE(form.play->FindModulePlug());
    EXPECT_EQ(form.play->ModulePlug(), nullptr);
    ASSERT_EQ(messages.Records().size(), 1u);
    const auto box = messages.Records()[0];
    EXPECT_EQ(box.text, "File 'song.xyz' not found, corrupt\nor format of file not supported. Supported file "
                        "types are:\nRamp files (ramp*)\nRamp files (tone*)");
    EXPECT_EQ(box.caption, "SndOutEngine: Fatal error");
    EXPECT_EQ(box.flags, 16u);
}

TEST(OutEnginePlugins, WithoutPlugInsTheErrorTextEndsWithNone) {
    ScopedMessageRecorder messages;
    Form form;
    form.load();
    form.play->SetFileName("x.mod");
    EXPECT_FALSE(form.play->FindModulePlug());
    ASSERT_EQ(messages.Records().size(), 1u);
    EXPECT_EQ(messages.Records()[0].text.substr(messages.Records()[0].text.size() - 7), "\n(none)");
    form.play->SetFileName("");
    EXPECT_FALSE(form.play->FindModulePlug());
    EXPECT_EQ(messages.Records().size(), 1u) << "an empty name fails silently";
}

TEST(OutEngineFormat, ChangingTheRateOfAnInactiveEngineStoresItWithoutSwitchingOn) {
    Form form;
    form.load();
    form.play->SetSamplesPerSec(11025);
    form.play->SetBitsPerSample(8);
    form.play->SetChannels(1);
    EXPECT_FALSE(form.play->Active());
    EXPECT_EQ(form.play->SamplesPerSec(), 11025u);
    EXPECT_EQ(form.play->BitsPerSample(), 8);
    EXPECT_EQ(form.play->Channels(), 1);
}

TEST(OutEnginePlugins, APlugInDestroyedBeforeTheEngineLeavesItsLists) {
    ScopedManualAudio audio;
    Form form;
    auto* first = form.add<RampPlug>("ramp", 1 << 20);
    auto* second = form.add<RampPlug>("ramp", 1 << 20);
    auto* effect = form.add<LogEffect>(1, &form.log);
    form.load();
    form.play->SetFileName("ramp.raw");
    form.play->SetActive(true);
    ASSERT_EQ(form.play->ModulePlug(), first);
    delete first;
    delete effect;
    EXPECT_FALSE(form.play->Active()) << "the engine stopped decoding the plug-in that went";
    EXPECT_EQ(form.play->ModulePlug(), nullptr);
    EXPECT_EQ(form.play->Plugins(), (std::vector<TSndPlayPlug*>{second}));
    EXPECT_TRUE(form.play->Effects().empty());
    form.play->SetActive(true);
    EXPECT_EQ(form.play->ModulePlug(), second);
}
