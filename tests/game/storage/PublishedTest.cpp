// The graphics and sound components publish what their documentation lists, and a form
// storage saves their properties in one process and restores them in another.
#include "graphics/DDForm.h"
#include "graphics/DDModesCombo.h"
#include "graphics/DDSprite.h"
#include "graphics/DXVersion.h"
#include "platform/ddraw/DDrawTest.h"
#include "platform/ddraw/Presenter.h"
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
#include "tests/toolkit/PublishedList.h"
#include "toolkit/Placemnt.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

class TStage : public TDDForm {
    VX_CLASS(TStage, TDDForm)
public:
    TStage() : TDDForm(nullptr) {
        DDWindowed = true;
        RunFrameThread = false;
        SetPresenter(std::make_unique<MemoryPresenter>());
    }
};

// Named after its class without the T, as the samples name the components they refer to.
template <class T> T* make(TComponent& owner) {
    auto* component = new T(&owner);
    component->SetName(std::string(T::StaticClassName).substr(1));
    return component;
}

const char* const chooser =
    "Color:i DropDownCount:i=8~12 Enabled:b=True ItemHeight:i ParentColor:b ParentFont:b TabOrder:i "
    "TabStop:b OnChange:m OnClick:m OnDblClick:m OnDropDown:m OnEnter:m OnExit:m -Items -ItemIndex -Style "
    "-Sorted -Text";

// Each class with what makes one (none for a class only its descendants show) and its list.
const struct {
    const char* name;
    std::function<TComponent*(TComponent&)> make;
    const char* properties;
} publishedClasses[] = {
    {"TWinControl", nullptr,
     "Align:e Ctl3D:b ParentCtl3D:b ParentShowHint:b PopupMenu:o ShowHint:b Visible:b"},
    {"TDDForm", make<TDDForm>,
     "DDPalFileName:s~Data/GFX/palette.bmp DDWindowed:b=False~True DDFullScreenClip:b=False~True "
     "DDActive:b=False DDWidth:i=640~800 DDHeight:i=480~600 DDBPP:i=16~32 DDColorKeyRGB:i~16711935 "
     "OnDDActiveChange:m OnDDUpdateDisplay:m OnDDChangeSize:m OnDDChangePalette:m"},
    {"TDDSurface", make<TDDSurface>,
     "FileName:s~data/gfx/title.pcx Width:i=0~64 Height:i=0~32 Locked:B AutoColorKey:b=True~False "
     "FileType:e=ddsPcx~ddsJpg OnUpdate:m OnInit:m"},
    {"TDDSprite", make<TDDSprite>,
     "Alpha:i=128~200 Visible:b=True~False AutoBounce:b=False~True PosX:i~-12 PosY:i~34 VelocityX:f~2.5 "
     "VelocityY:f~-1.5 AccelerationX:f~0.25 AccelerationY:f~-0.75 LimPosX1:i=0~1 LimPosX2:i=0~2 "
     "LimPosY1:i=0~3 LimPosY2:i=0~4 LimMovX1:i=0~5 LimMovX2:i=0~6 LimMovY1:i=0~7 LimMovY2:i=0~8 "
     "Loop:b=True~False AutoHide:b=True~False Mirror:b=False~True StartTick:i=0~3000000000 Interval:i=20~40 "
     "Start:i=0~9 Stop:i=0~10 Offset:i=0~11 FramesPerLine:i=1~12 FirstFrameX:i=0~13 FirstFrameY:i=0~14 "
     "FrameWidth:i=0~15 FrameHeight:i=0~16 ShowWidth:i=0~17 ShowHeight:i=0~18 ShowLeft:i=0~19 ShowTop:i=0~20 "
     "Frames:o~DDSurface OnCheckLimits:m OnCheckedLimits:m -UserKind -UserTick"},
    {"TDDModesCombo", make<TDDModesCombo>,
     "Show8bit:b=False~True Show15bit:b=False~True Show16bit:b=True~False Show24bit:b=False~True "
     "Show32bit:b=True~False ShowRatio4x3:b=True~False ShowMaxWidth:i=1024~1600 DDForm:o~DDForm Style:e "
     "Color:i Font:o DropDownCount:i=8 ItemHeight:i OnChange:m OnDropDown:m OnClick:m"},
    {"TDXVersion", make<TDXVersion>, "Caption:s AutoSize:b=True"},
    {"TSndEngine", nullptr,
     "Priority:e=tpIdle~tpHigher Active:b=False Channels:i=2~1 BitsPerSample:i=16~8 "
     "SamplesPerSec:i=44100~22050 BufferSize:i=32768~4096 BufferSizeMask:I BuffersCount:i=16~4 "
     "BuffersCountMask:I BuffersSize:I BuffersSizeMask:I OnBeforeStop:m OnActiveChange:m OnProc:m"},
    {"TSndOutEngine", nullptr, "UseEffects:b=False~True"},
    {"TDSPlay", make<TDSPlay>,
     "Volume:i=0~-600 Paused:b=False StopIfNoModule:b=False~True Loop:b=False~True FileName:s~a.mod"},
    {"TDSWave", make<TDSWave>, "FileName:s~data/sfx/bomb.wav Volume:i=128~200 NumBuffers:i=1~4"},
    {"TDSCapture", make<TDSCapture>, "-UseEffects"},
    {"TDSProcessor", make<TDSProcessor>,
     "BufferOffset:i~1 GetOutputBuffer:b=False~True UseWaveMapper:b=True~False CaptureChannels:i=2~1 "
     "CaptureBitsPerSample:i=16~8 CaptureSamplesPerSec:i=44100~11025 -FileName -Loop -Paused"},
    {"TSndPlayPlug", nullptr, "-FileName"},
    {"TSndWav", make<TSndWav>, ""},
    {"TSndMOD", make<TSndMOD>, ""},
    {"TSndMP3", make<TSndMP3>, "Quality:e=smqFull~smqQuarter"},
    {"TSndUser", make<TSndUser>,
     "OnGetType:m OnReset:m OnRelease:m OnInit:m OnInfo:m OnProc:m OnGetPos:m OnSetPos:m"},
    {"TDSCapturePlug", make<TDSCapturePlug>, "DSCapture:o~DSCapture"},
    {"TSndEffectBase", nullptr, "ID:I -Enabled -OnChange"},
    {"TSndChorus", make<TSndChorus>, ""},
    {"TSndEcho", make<TSndEcho>, ""},
    {"TSndEQ", make<TSndEQ>, ""},
    {"TSndFFT", make<TSndFFT>, "NumSamples:i=0~1024"},
    {"TSndControlBase", nullptr, "OnEnabledChange:m"},
    {"TSndControlChorus", make<TSndControlChorus>, "SndChorus:o~SndChorus"},
    {"TSndControlEcho", make<TSndControlEcho>, "SndEcho:o~SndEcho"},
    {"TSndControlEQ", make<TSndControlEQ>, "SndEQ:o~SndEQ"},
    {"TSndControlFFT", make<TSndControlFFT>, "SndFFT:o~SndFFT"},
    {"TSndMixer", make<TSndMixer>, "DefaultDestination:e=mdPlay~mdRecord Priority:e=tpIdle~tpLower"},
    {"TDSoundDevCombo", make<TDSoundDevCombo>, chooser},
    {"TDCaptureDevCombo", make<TDCaptureDevCombo>, chooser},
};

} // namespace

// A class's list holds for every object of it.
TEST(Published, TheGraphicsAndSoundComponentsPublishTheirListAndEachPropertyReachesTheComponent) {
    ScopedDDrawTest hooks;
    ScopedManualAudio audio;
    ScopedFakeMixer mixers;
    ScopedMessageRecorder boxes;
    TStage stage;
    for (const auto& published : publishedClasses) {
        SCOPED_TRACE(published.name);
        EXPECT_TRUE(IsPublishedClass(published.name));
        TComponent* component = published.make ? published.make(stage) : nullptr;
        for (const auto& level : publishedClasses)
            if (component && component->InheritsFrom(level.name))
                ExpectPublished(*component, level.properties);
    }
    int frames = 0;
    SetMethodProp(stage, *GetPropInfo(stage, "OnDDUpdateDisplay"), TNotifyEvent([&](TObject*) { ++frames; }));
    stage.OnDDUpdateDisplay(&stage);
    EXPECT_EQ(frames, 1);
    auto* user = make<TSndUser>(stage);
    SetMethodProp(*user, *GetPropInfo(*user, "OnInit"),
                  TSndInitEvent([](TObject*, bool& take) { take = true; }));
    EXPECT_TRUE(user->Init());
}

// Run by the case below in processes of their own, never by ctest directly.
TEST(PublishedStageTrip, DISABLED_Step) {
    const std::string step = std::getenv("VX_STAGE_STEP"), folder = std::getenv("VX_STAGE_DIR");
    ScopedDDrawTest hooks;
    TStage stage;
    auto* storage = new TFormStorage(&stage);
    storage->SetIniFileName(folder + "/trip.ini");
    auto* play = make<TDSPlay>(stage);
    auto* mp3 = make<TSndMP3>(stage);
    auto* sheet = make<TDDSurface>(stage);
    auto* sprite = make<TDDSprite>(stage);
    std::vector<std::pair<TComponent*, const TPropInfo*>> stored;
    for (TComponent* component : std::initializer_list<TComponent*>{play, mp3, sheet, sprite})
        for (const TPropInfo* prop : GetPropList(*component)) {
            stored.emplace_back(component, prop);
            storage->StoredProps()->Add(component->Name() + "." + prop->Name);
        }
    stage.LoadTree();
    stage.Show();
    if (step == "save") {
        play->SetVolume(-1200);
        mp3->SetQuality(smqHalf);
        sprite->Frames = sheet;
        sprite->StartTick = 3000000000u;
        sprite->SetVelocityX(12.5);
    }
    std::ofstream dump(folder + "/" + step + ".txt");
    for (const auto& [component, prop] : stored)
        dump << component->Name() << '.' << prop->Name << '=' << GetPropText(*component, *prop) << '\n';
    stage.Close();
}

TEST(PublishedStageRoundTrip, ANewProcessRestoresTheSoundAndGraphicsPropertiesSaved) {
    const std::string folder = std::string(VX_TEST_TMP) + "/published-stage";
    std::filesystem::create_directories(folder);
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string run =
        " VX_STAGE_DIR=\"" + folder + "\" \"" + self +
        "\" --gtest_also_run_disabled_tests --gtest_filter=PublishedStageTrip.DISABLED_Step "
        ">/dev/null 2>&1";
    for (const std::string step : {"save", "restore"})
        ASSERT_EQ(std::system(("VX_STAGE_STEP=" + step + run).c_str()), 0);
    auto read = [&](const std::string& step) {
        std::ifstream in(folder + "/" + step + ".txt");
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(read("restore"), read("save"));
    for (const char* line :
         {"DSPlay.Volume=-1200\n", "SndMP3.Quality=smqHalf\n", "DDSprite.Frames=DDSurface\n",
          "DDSprite.StartTick=3000000000\n", "DDSprite.VelocityX=12.5\n"})
        EXPECT_NE(read("save").find(line), std::string::npos) << line;
}
