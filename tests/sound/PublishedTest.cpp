// The sound library's components publish what their documentation lists, with its kinds
// and defaults, and every published property reaches the component.
#include "platform/dsound/ManualBackend.h"
#include "platform/framework/MessageService.h"
#include "platform/mmsys/FakeMixer.h"
#include "sound/CtrlChor.h"
#include "sound/CtrlEQ.h"
#include "sound/CtrlEcho.h"
#include "sound/CtrlFFT.h"
#include "sound/DSPlay.h"
#include "sound/DSProc.h"
#include "sound/DSWave.h"
#include "sound/DevCmbDC.h"
#include "sound/PlugUser.h"
#include "sound/Plug_DSC.h"
#include "sound/Plug_MOD.h"
#include "sound/Plug_MP3.h"
#include "sound/Plug_WAV.h"
#include "sound/WndMixer.h"
#include "tests/PublishedTable.h"

namespace {

struct PublishedClass {
    const char* name;
    // Null for a class that only its descendants show.
    TComponent* (*make)(TComponent& owner);
    const char* properties;
};

template <class T> TComponent* make(TComponent& owner) {
    auto* component = new T(&owner);
    // The names the class-kind samples below look for.
    component->SetName(std::string(T::StaticClassName).substr(1));
    return component;
}

// What every windowed control of the library publishes through the framework.
constexpr const char* windowed =
    "Align e, Ctl3D e, ParentCtl3D e, ParentShowHint e, PopupMenu c, ShowHint e, Visible e";
constexpr const char* chooser =
    "Color i, DropDownCount i 8 =12, Enabled e True, ItemHeight i, ParentColor e, "
    "ParentFont e, TabOrder i, TabStop e, OnChange m, OnClick m, OnDblClick m, "
    "OnDropDown m, OnEnter m, OnExit m, -Items, -ItemIndex, -Style, -Sorted, -Text";

const PublishedClass soundClasses[] = {
    {"TSndEngine", nullptr,
     "Priority e tpIdle =tpHigher, Active e False, Channels i 2 =1, BitsPerSample i 16 =8, "
     "SamplesPerSec i 44100 =22050, BufferSize i 32768 =4096, BufferSizeMask I, BuffersCount i 16 =4, "
     "BuffersCountMask I, BuffersSize I, BuffersSizeMask I, OnBeforeStop m, OnActiveChange m, OnProc m"},
    {"TSndOutEngine", nullptr, "UseEffects e False =True"},
    {"TDSPlay", make<TDSPlay>,
     "Volume i 0 =-600, Paused e False, StopIfNoModule e False =True, Loop e False =True, FileName s "
     "=tune.mod"},
    {"TDSWave", make<TDSWave>, "FileName s =data/sfx/bomb.wav, Volume i 128 =200, NumBuffers i 1 =4"},
    {"TDSCapture", make<TDSCapture>, "-UseEffects"},
    {"TDSProcessor", make<TDSProcessor>,
     "BufferOffset i =1, GetOutputBuffer e False =True, UseWaveMapper e True =False, CaptureChannels i 2 =1, "
     "CaptureBitsPerSample i 16 =8, CaptureSamplesPerSec i 44100 =11025, -FileName, -Loop, -StopIfNoModule, "
     "-Paused"},
    {"TSndPlayPlug", nullptr, "-FileName"},
    {"TSndWav", make<TSndWav>, ""},
    {"TSndMOD", make<TSndMOD>, ""},
    {"TSndMP3", make<TSndMP3>, "Quality e smqFull =smqQuarter"},
    {"TSndUser", make<TSndUser>,
     "OnGetType m, OnReset m, OnRelease m, OnInit m, OnInfo m, OnProc m, OnGetPos m, OnSetPos m"},
    {"TDSCapturePlug", make<TDSCapturePlug>, "DSCapture c =DSCapture"},
    {"TSndEffectBase", nullptr, "ID I, -Enabled, -OnChange"},
    {"TSndChorus", make<TSndChorus>, ""},
    {"TSndEcho", make<TSndEcho>, ""},
    {"TSndEQ", make<TSndEQ>, ""},
    {"TSndFFT", make<TSndFFT>, "NumSamples i 0 =1024"},
    {"TSndControlBase", nullptr, "OnEnabledChange m"},
    {"TSndControlChorus", make<TSndControlChorus>, "SndChorus c =SndChorus"},
    {"TSndControlEcho", make<TSndControlEcho>, "SndEcho c =SndEcho"},
    {"TSndControlEQ", make<TSndControlEQ>, "SndEQ c =SndEQ"},
    {"TSndControlFFT", make<TSndControlFFT>, "SndFFT c =SndFFT"},
    {"TSndMixer", make<TSndMixer>, "DefaultDestination e mdPlay =mdRecord, Priority e tpIdle =tpLower"},
    {"TDSoundDevCombo", make<TDSoundDevCombo>, chooser},
    {"TDCaptureDevCombo", make<TDCaptureDevCombo>, chooser},
};

} // namespace

TEST(SoundPublished, EveryComponentPublishesItsListAndEachPropertyReachesIt) {
    ScopedManualAudio audio;
    ScopedFakeMixer mixers;
    ScopedMessageRecorder boxes;
    TComponent owner(nullptr);
    for (const PublishedClass& published : soundClasses) {
        SCOPED_TRACE(published.name);
        EXPECT_TRUE(IsPublishedClass(published.name));
        if (!published.make) continue;
        TComponent* component = published.make(owner);
        for (const PublishedClass& level : soundClasses)
            if (component->InheritsFrom(level.name))
                published_table::ExpectPublished(*component, level.properties);
        if (dynamic_cast<TWinControl*>(component)) published_table::ExpectPublished(*component, windowed);
    }
    TSndUser user(nullptr);
    SetMethodProp(user, *GetPropInfo(user, "OnInit"),
                  TSndInitEvent([](TObject*, bool& accepted) { accepted = true; }));
    EXPECT_TRUE(user.Init()) << "an event set by name is the plug-in's";
}
