#include "sound/PlugBase.h"
#include "DuplexTestKit.h"
#include "platform/framework/MessageService.h"
#include "sound/DSPlay.h"
#include "sound/PlugUser.h"
#include "sound/Plug_DSC.h"
#include "sound/Plug_MOD.h"
#include "sound/Plug_MP3.h"
#include "sound/Plug_WAV.h"
#include "tests/sound/mod/ModBuilder.h"
#include "tests/sound/mp3/MpegTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <thread>

namespace {

class TestPlug : public TSndPlayPlug {
    VX_CLASS(TestPlug, TSndPlayPlug)
public:
    using TSndPlayPlug::TSndPlayPlug;
    std::string GetSupportTypes() override { return "Test files (*.tst)"; }
    bool Init() override { return true; }
    void Reset() override {}
    void Release() override {}
    bool Process(unsigned char*, unsigned long) override { return false; }
    void GetPosition(SND_POSITION*) override {}
    void SetPosition(SND_POSITION*) override {}
    bool GetFileInfo(const std::string&, SND_FILE_INFO*) override { return false; }
};

struct TagFields {
    std::string title, artist, album, year, comment;
    unsigned char yearFirst = 0; // used instead of year[0] when not 0
};

std::string writeTagged(const std::string& name, const TagFields& fields, int audioBytes = 200) {
    std::string path = std::string(VX_TEST_TMP) + "/" + name;
    std::string bytes(static_cast<std::size_t>(audioBytes), '\x55');
    std::string tag(128, '\0');
    tag.replace(0, 3, "TAG");
    auto put = [&](int offset, const std::string& text) { tag.replace(offset, text.size(), text); };
    put(Id3v1::Title, fields.title);
    put(Id3v1::Artist, fields.artist);
    put(Id3v1::Album, fields.album);
    put(Id3v1::Year, fields.year);
    put(Id3v1::Comment, fields.comment);
    if (fields.yearFirst) tag[Id3v1::Year] = static_cast<char>(fields.yearFirst);
    std::ofstream(path, std::ios::binary) << bytes << tag;
    return path;
}

std::string titleOf(const std::string& path, bool* found = nullptr) {
    TestPlug plug(nullptr);
    SND_FILE_INFO info;
    const bool ok = plug.GetMP3Info(path, &info);
    if (found) *found = ok;
    return info.szTitle;
}

} // namespace

TEST(PlugBase, StartsWithStereo16Bit44100FormatAndFollowsSetters) {
    TestPlug plug(nullptr);
    EXPECT_EQ(plug.Format.nChannels, 2);
    EXPECT_EQ(plug.Format.nBlockAlign, 4);
    EXPECT_EQ(plug.Format.nAvgBytesPerSec, 176400u);
    plug.SetSamplesPerSec(22050);
    plug.SetBitsPerSample(8);
    plug.SetChannels(1);
    EXPECT_EQ(plug.Format.nBlockAlign, 1);
    EXPECT_EQ(plug.Format.nAvgBytesPerSec, 22050u);
    EXPECT_EQ(plug.ClassParentName(), "TSndPlayPlug");
}

TEST(TagStringFix, KeepsAtMostTwentyNineCharactersAndTrimsTrailingBlanks) {
    char field[30];
    std::memset(field, 'x', sizeof field);
    TSndPlayPlug::FixTagString(field, 30);
    EXPECT_EQ(std::strlen(field), 29u);

    char spaced[30] = "a b  \x01  ";
    std::memset(spaced + 9, ' ', 21);
    TSndPlayPlug::FixTagString(spaced, 30);
    EXPECT_STREQ(spaced, "a b");

    char high[4] = {'\xC4', ' ', 'z', 0};
    TSndPlayPlug::FixTagString(high, 4);
    EXPECT_STREQ(high, "\xC4 z");
}

TEST(TagStringFix, ChangesOnlyTheLastByteWhenShorterThanTwo) {
    char one[2] = {'q', 'r'};
    TSndPlayPlug::FixTagString(one, 1);
    EXPECT_EQ(one[0], 0);
    EXPECT_EQ(one[1], 'r');
}

TEST(Id3Title, JoinsSetFieldsWithSeparators) {
    EXPECT_EQ(titleOf(writeTagged("t1.mp3", {"Song", "", "Album", "", ""})), "Song - Album");
    EXPECT_EQ(titleOf(writeTagged("t2.mp3", {"", "Artist", "", "", ""})), " - Artist");
    EXPECT_EQ(titleOf(writeTagged("t3.mp3", {"Song", "Band", "Disc", "", "Note"})),
              "Song - Band - Disc - Note");
}

TEST(Id3Title, AppendsAPrintableYearAndClearsTheCommentInTheTag) {
    const std::string path = writeTagged("t4.mp3", {"Song", "", "", "1999", "Note"});
    TestPlug plug(nullptr);
    SND_FILE_INFO info;
    ASSERT_TRUE(plug.GetMP3Info(path, &info));
    EXPECT_STREQ(info.szTitle, "Song - Note - 1999");
    EXPECT_EQ(info.Tag[Id3v1::Comment], 0);
}

TEST(Id3Title, LeavesYearsStartingWithBlankZeroOrHighBytesOut) {
    for (unsigned char first : {static_cast<unsigned char>(' '), static_cast<unsigned char>(0xB0)}) {
        const std::string path = writeTagged("t5.mp3", {"Song", "", "", "x999", "Note", first});
        TestPlug plug(nullptr);
        SND_FILE_INFO info;
        ASSERT_TRUE(plug.GetMP3Info(path, &info));
        EXPECT_STREQ(info.szTitle, "Song - Note");
        EXPECT_EQ(info.Tag[Id3v1::Comment], 'N');
    }
    EXPECT_EQ(titleOf(writeTagged("t6.mp3", {"Song", "", "", "", "Note"})), "Song - Note");
}

TEST(Id3Title, ThirtyCharacterTitleLosesItsLastCharacter) {
    const std::string title = "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234";
    EXPECT_EQ(titleOf(writeTagged("t7.mp3", {title, "", "", "", ""})), title.substr(0, 29));
}

TEST(Id3Title, FileWithoutTagOrTooShortClearsTagAndTitle) {
    const std::string shortPath = std::string(VX_TEST_TMP) + "/short.mp3";
    std::ofstream(shortPath, std::ios::binary) << "TAG tiny";
    TestPlug plug(nullptr);
    SND_FILE_INFO info;
    std::strcpy(info.szTitle, "old");
    info.Tag[5] = 7;
    EXPECT_FALSE(plug.GetMP3Info(shortPath, &info));
    EXPECT_STREQ(info.szTitle, "");
    EXPECT_EQ(info.Tag[5], 0);

    const std::string untagged = writeTagged("t8.mp3", {"x", "", "", "", ""});
    std::fstream patch(untagged, std::ios::in | std::ios::out | std::ios::binary);
    patch.seekp(200);
    patch.write("XYZ", 3);
    patch.close();
    EXPECT_FALSE(plug.GetMP3Info(untagged, &info));
}

TEST(Id3Title, MissingFileLeavesTheRecordUntouched) {
    TestPlug plug(nullptr);
    SND_FILE_INFO info;
    std::strcpy(info.szTitle, "kept");
    info.Tag[0] = 'Q';
    EXPECT_FALSE(plug.GetMP3Info(std::string(VX_TEST_TMP) + "/no-such.mp3", &info));
    EXPECT_STREQ(info.szTitle, "kept");
    EXPECT_EQ(info.Tag[0], 'Q');
}

TEST(Id3Title, FindsTheTagThroughAWindowsStyleName) {
    const std::string path = writeTagged("Mixed_Case.MP3", {"Song", "", "", "", ""});
    std::string windowsName =
        path.substr(0, path.size() - std::string("Mixed_Case.MP3").size()) + "mixed_case.mp3";
    for (char& c : windowsName)
        if (c == '/') c = '\\';
    TestPlug plug(nullptr);
    SND_FILE_INFO info;
    ASSERT_TRUE(plug.GetMP3Info(windowsName, &info));
    EXPECT_STREQ(info.szTitle, "Song");
}

namespace {

// Told before the engine that a plug-in goes away; holds its destruction there until the
// engine has asked it for two more blocks.
struct TeardownWitness : TComponent {
    TeardownWitness(TComponent* watched, Counter& played) : TComponent(nullptr), blocks(played) {
        FreeNotification(watched);
    }
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        const int before = blocks.Value();
        blocks.WaitFor(before + 2, 500);
        blocksWhileGoing = blocks.Value() - before;
    }
    Counter& blocks;
    std::atomic<int> blocksWhileGoing{-1};
};

template <class Plug> TSndPlayPlug* Make(TComponent* form) {
    return new Plug(form);
}

} // namespace

// Dropped only from the base destructor, a plug-in had its Process called by the events
// thread after its own destructor ran (the sanitizers report it, a plain build may crash).
TEST(PlugBaseEngine, EveryKindOfPlugInDeletedWhilePlayingLeavesItsEngineWhileStillWhole) {
    ScopedManualAudio audio;
    ScopedMessageRecorder messages;
    const std::string wav = mp3test::TempFile("gone.wav"), mod = mp3test::TempFile("gone.mod"),
                      mp3 = mp3test::TempFile("gone.mp3");
    mp3test::WriteWav(wav, std::vector<std::int16_t>(8 * 44100, 1000), 2, 44100);
    mod_test::ModBuilder song;
    song.samples[0] = mod_test::TestSample::Looped(64, 64);
    song.orders = {0, 0, 0, 0};
    mp3test::WriteBytes(mod, song.Build());
    mp3test::WriteBytes(mp3, mp3test::EncodeLame("-b 128", 44100, 2, 4.0));
    const struct {
        std::string file;
        TSndPlayPlug* (*make)(TComponent*);
    } kinds[] = {{wav, Make<TSndWav>},
                 {mod, Make<TSndMOD>},
                 {mp3, Make<TSndMP3>},
                 {"made up", Make<TSndUser>},
                 {TDSCapturePlug::CaptureFileName, Make<TDSCapturePlug>}};
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.file);
        TComponent form(nullptr);
        TSndPlayPlug* plug = kind.make(&form);
        if (auto* user = dynamic_cast<TSndUser*>(plug)) {
            user->SetOnInit([](TObject*, bool& result) { result = true; });
            user->SetOnProc([](TObject*, BYTE*, DWORD, bool& more) { more = true; });
        }
        if (auto* relay = dynamic_cast<TDSCapturePlug*>(plug)) relay->SetDSCapture(new TDSCapture(&form));
        Counter blocks;
        TeardownWitness witness(plug, blocks);
        auto* play = new TDSPlay(&form);
        play->SetBufferSize(4096);
        form.LoadTree();
        play->SetOnProc([&](TObject*, BYTE*, DWORD) { blocks.Add(); });
        play->SetFileName(kind.file);
        play->SetActive(true);
        ASSERT_TRUE(play->Active());
        std::atomic<bool> running{true};
        std::thread device([&] {
            for (; running; audio.backend().Render(441))
                audio.backend().FeedCapture(DeviceFrames(441, 5, 5));
        });
        ASSERT_TRUE(blocks.WaitFor(blocks.Value() + 2));
        delete plug;
        running = false;
        device.join();
        EXPECT_GE(witness.blocksWhileGoing.load(), 2) << "the plug-in played on while whole";
        EXPECT_EQ(play->ModulePlug(), nullptr) << "its engine let it go";
    }
}
