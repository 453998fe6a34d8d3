#include "platform/dsound/DSound.h"
#include "platform/dsound/KeptOutput.h"
#include "platform/dsound/ManualBackend.h"
#include "tests/platform/dsound/PcmFormat.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <numbers>
#include <vector>

namespace {

constexpr double Pi = std::numbers::pi;
constexpr DWORD AllControls = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY |
                              DSBCAPS_CTRLPOSITIONNOTIFY | DSBCAPS_GETCURRENTPOSITION2;

class DSoundFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
        ASSERT_EQ(ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
    }
    void TearDown() override {
        for (IDirectSoundBuffer* b : buffers)
            b->Release();
        if (ds) ds->Release();
    }
    IDirectSoundBuffer* make(const WAVEFORMATEX& format, DWORD bytes, DWORD flags = AllControls) {
        DSBUFFERDESC desc;
        desc.dwFlags = flags;
        desc.dwBufferBytes = bytes;
        desc.lpwfxFormat = &format;
        IDirectSoundBuffer* b = nullptr;
        EXPECT_EQ(ds->CreateSoundBuffer(&desc, &b, nullptr), DS_OK);
        if (b) buffers.push_back(b);
        return b;
    }
    static void fill(IDirectSoundBuffer* b, const void* data, DWORD bytes) {
        void* p1;
        DWORD l1;
        void* p2;
        DWORD l2;
        ASSERT_EQ(b->Lock(0, bytes, &p1, &l1, &p2, &l2, 0), DS_OK);
        std::memcpy(p1, data, l1);
        ASSERT_EQ(b->Unlock(p1, l1, p2, l2), DS_OK);
    }
    static DWORD playCursor(IDirectSoundBuffer* b) {
        DWORD play = 0;
        EXPECT_EQ(b->GetCurrentPosition(&play, nullptr), DS_OK);
        return play;
    }

    ScopedManualAudio audio;
    IDirectSound* ds = nullptr;
    std::vector<IDirectSoundBuffer*> buffers;
};

bool enumerateInto(const GUID* guid, const char* description, const char*, void* context) {
    auto* list = static_cast<std::vector<std::pair<bool, std::string>>*>(context);
    list->push_back({guid != nullptr, description});
    return true;
}

std::vector<GUID> guids;
bool collectGuid(const GUID* guid, const char*, const char*, void*) {
    if (guid) guids.push_back(*guid);
    return true;
}

} // namespace

TEST(DSoundDevices, EnumerationListsTheDefaultDeviceFirstThenEachDevice) {
    ScopedManualAudio audio;
    audio.backend().SetOutputDevices({{"a", "Card A"}, {"b", "Card B"}});
    std::vector<std::pair<bool, std::string>> list;
    ASSERT_EQ(DirectSoundEnumerate(enumerateInto, &list), DS_OK);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_FALSE(list[0].first);
    EXPECT_EQ(list[1], (std::pair<bool, std::string>{true, "Card A"}));
    EXPECT_EQ(list[2].second, "Card B");
    list.clear();
    ASSERT_EQ(DirectSoundCaptureEnumerate(enumerateInto, &list), DS_OK);
    EXPECT_EQ(list.size(), 2u);
}

TEST(DSoundDevices, ObjectsOnOneDeviceShareItsMixerAndUnknownDevicesAreRefused) {
    ScopedManualAudio audio;
    audio.backend().SetOutputDevices({{"a", "Card A"}});
    guids.clear();
    DirectSoundEnumerate(collectGuid, nullptr);
    ASSERT_EQ(guids.size(), 1u);
    IDirectSound* first = nullptr;
    IDirectSound* second = nullptr;
    ASSERT_EQ(DirectSoundCreate(&guids[0], &first, nullptr), DS_OK);
    ASSERT_EQ(DirectSoundCreate(&guids[0], &second, nullptr), DS_OK);
    EXPECT_TRUE(audio.backend().OutputOpen("a"));
    EXPECT_FALSE(audio.backend().OutputOpen(""));
    first->Release();
    second->Release();
    CloseKeptOutputs();
    EXPECT_FALSE(audio.backend().OutputOpen("a"));

    GUID unknown;
    unknown.Data1 = 42;
    IDirectSound* none = nullptr;
    EXPECT_EQ(DirectSoundCreate(&unknown, &none, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(none, nullptr);
    audio.backend().SetOpenFails(true);
    EXPECT_EQ(DirectSoundCreate(nullptr, &none, nullptr), DSERR_NODRIVER);
}

// Engines switch off and on at every change of file, so a device waits a while for the next.
TEST(DSoundDevices, ADeviceLetGoStaysOpenAndSilentForTheNextObjectUntilItHasLingered) {
    using Clock = std::chrono::steady_clock;
    ScopedManualAudio audio;
    Clock::time_point letGo;
    for (int round = 0; round < 2; ++round) {
        IDirectSound* ds = nullptr;
        ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK) << "the kept device is taken back";
        const Clock::time_point before = Clock::now();
        ds->Release();
        letGo = Clock::now();
        EXPECT_EQ(audio.backend().Render(10), std::vector<std::int16_t>(20, 0));
        CloseLingeringOutputs(before + KeptOutputLinger - std::chrono::milliseconds(1));
        EXPECT_TRUE(audio.backend().OutputOpen());
    }
    CloseLingeringOutputs(letGo + KeptOutputLinger);
    EXPECT_FALSE(audio.backend().OutputOpen());
}

// A sound server that goes away takes its streams with it: an object made afterwards opens
// the device afresh instead of mixing into the lost stream, however soon it comes.
TEST_F(DSoundFixture, ALostDeviceIsNeverTakenBackAndTheNextObjectOpensItAfresh) {
    ds->Release();
    audio.backend().LoseOutputDevice();
    ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
    ASSERT_EQ(ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
    const std::vector<std::int16_t> tone(2 * 441, 1000);
    IDirectSoundBuffer* b = make(pcm(2, 16, 44100), 441 * 4);
    fill(b, tone.data(), 441 * 4);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(audio.backend().Render(441), tone);
}

// The sound server keeps the close of a stream it has only just opened waiting for up to a
// couple of seconds; a program ending right after it opened a device leaves that close to
// the end of the process instead of waiting for it.
TEST(DSoundDevices, TheProcessEndsWithoutClosingTheDevicesItKept) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ScopedManualAudio audio;
            audio.backend().SetOnClose([] { std::_Exit(1); });
            IDirectSound* kept = nullptr;
            if (DirectSoundCreate(nullptr, &kept, nullptr) == DS_OK) kept->Release();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(DSoundFixture, PrimaryBufferRecordsAValidFormatOnlyWithPriorityLevel) {
    DSBUFFERDESC desc;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    IDirectSoundBuffer* primary = nullptr;
    ASSERT_EQ(ds->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
    WAVEFORMATEX wanted = pcm(2, 8, 22050);
    EXPECT_EQ(primary->SetFormat(&wanted), DS_OK);
    WAVEFORMATEX got;
    primary->GetFormat(&got);
    EXPECT_EQ(got, wanted);
    WAVEFORMATEX bad = pcm(2, 12, 22050);
    EXPECT_EQ(primary->SetFormat(&bad), DSERR_BADFORMAT);
    ds->SetCooperativeLevel(nullptr, DSSCL_NORMAL);
    EXPECT_EQ(primary->SetFormat(&wanted), DSERR_PRIOLEVELNEEDED);
    primary->Release();

    desc.dwBufferBytes = 100;
    EXPECT_EQ(ds->CreateSoundBuffer(&desc, &primary, nullptr), DSERR_INVALIDPARAM);
}

TEST_F(DSoundFixture, ThePrimaryFormatAndTheLevelStayWithTheObjectAfterThePrimaryBufferGoes) {
    DSBUFFERDESC desc;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    IDirectSoundBuffer* primary = nullptr;
    ASSERT_EQ(ds->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
    const WAVEFORMATEX wanted = pcm(1, 16, 11025);
    ASSERT_EQ(primary->SetFormat(&wanted), DS_OK);
    primary->Release();
    const std::vector<DirectSoundInfo> objects = audio.backend().DirectSoundObjects();
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].cooperativeLevel, DSSCL_PRIORITY);
    EXPECT_TRUE(objects[0].primaryFormatSet);
    EXPECT_EQ(objects[0].primaryFormat, wanted);
    ASSERT_EQ(ds->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
    WAVEFORMATEX got;
    primary->GetFormat(&got);
    EXPECT_EQ(got, wanted) << "a new primary buffer shows the format set before";
    primary->Release();
}

TEST_F(DSoundFixture, ControlsAreRefusedWithoutTheirFlagAndOutOfRangeValuesAreRefused) {
    IDirectSoundBuffer* bare = make(pcm(1, 16, 44100), 1000, 0);
    EXPECT_EQ(bare->SetVolume(-100), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(bare->SetPan(100), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(bare->SetFrequency(22050), DSERR_CONTROLUNAVAIL);
    IDirectSoundNotify* notify = nullptr;
    EXPECT_EQ(bare->QueryNotify(&notify), DSERR_NOINTERFACE);

    IDirectSoundBuffer* full = make(pcm(1, 16, 44100), 1000);
    EXPECT_EQ(full->SetVolume(1), DSERR_INVALIDPARAM);
    EXPECT_EQ(full->SetVolume(-10001), DSERR_INVALIDPARAM);
    EXPECT_EQ(full->SetVolume(-3072), DS_OK);
    LONG volume = 0;
    full->GetVolume(&volume);
    EXPECT_EQ(volume, -3072);
    EXPECT_EQ(full->SetPan(10001), DSERR_INVALIDPARAM);
    EXPECT_EQ(full->SetFrequency(99), DSERR_INVALIDPARAM);
    EXPECT_EQ(full->SetFrequency(DSBFREQUENCY_ORIGINAL), DS_OK);
    DWORD frequency = 0;
    full->GetFrequency(&frequency);
    EXPECT_EQ(frequency, 44100u);

    WAVEFORMATEX odd = pcm(3, 16, 44100);
    DSBUFFERDESC desc;
    desc.dwBufferBytes = 600;
    desc.lpwfxFormat = &odd;
    IDirectSoundBuffer* refused = nullptr;
    EXPECT_EQ(ds->CreateSoundBuffer(&desc, &refused, nullptr), DSERR_BADFORMAT);
}

TEST_F(DSoundFixture, LockRunningPastTheEndWrapsIntoASecondPart) {
    IDirectSoundBuffer* b = make(pcm(2, 16, 44100), 4096);
    void* p1;
    DWORD l1;
    void* p2;
    DWORD l2;
    ASSERT_EQ(b->Lock(3072, 2048, &p1, &l1, &p2, &l2, 0), DS_OK);
    EXPECT_EQ(l1, 1024u);
    EXPECT_EQ(l2, 1024u);
    EXPECT_EQ(static_cast<BYTE*>(p1) - static_cast<BYTE*>(p2), 3072);
    ASSERT_EQ(b->Lock(0, 1024, &p1, &l1, &p2, &l2, 0), DS_OK);
    EXPECT_EQ(p2, nullptr);
    EXPECT_EQ(l2, 0u);
    EXPECT_EQ(b->Lock(4096, 4, &p1, &l1, &p2, &l2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Lock(0, 4097, &p1, &l1, &p2, &l2, 0), DSERR_INVALIDPARAM);
}

TEST_F(DSoundFixture, SameRateSixteenBitSourceAtFullVolumeReachesTheDeviceUnchanged) {
    std::vector<std::int16_t> source(882);
    for (std::size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<std::int16_t>((i * 7919) % 65536 - 32768);
    IDirectSoundBuffer* b = make(pcm(2, 16, 44100), 882 * 2);
    fill(b, source.data(), 882 * 2);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    const std::vector<std::int16_t> out = audio.backend().Render(441);
    EXPECT_EQ(out, source);
    DWORD status = 1;
    b->GetStatus(&status);
    EXPECT_EQ(status, 0u) << "a finished one-shot buffer stops";
    EXPECT_EQ(playCursor(b), 0u) << "and rewinds";
}

TEST_F(DSoundFixture, EightBitMonoSourceIsCentredScaledAndSentToBothChannels) {
    const BYTE source[4] = {0x80, 0xFF, 0x00, 0x90};
    IDirectSoundBuffer* b = make(pcm(1, 8, 44100), 4);
    fill(b, source, 4);
    b->Play(0, 0, DSBPLAY_LOOPING);
    const std::vector<std::int16_t> out = audio.backend().Render(4);
    EXPECT_EQ(out, (std::vector<std::int16_t>{0, 0, 32512, 32512, -32768, -32768, 4096, 4096}));
}

TEST_F(DSoundFixture, HalfRateSourceMovesTheCursorExactlyAndSoundsAtHalfTheSpeed) {
    std::vector<std::int16_t> source(2000);
    for (std::size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<std::int16_t>(i * 10);
    IDirectSoundBuffer* b = make(pcm(1, 16, 22050), 4000);
    fill(b, source.data(), 4000);
    b->Play(0, 0, DSBPLAY_LOOPING);
    const std::vector<std::int16_t> out = audio.backend().Render(441);
    EXPECT_EQ(playCursor(b), 220u * 2);
    for (std::size_t frame = 200; frame < 440; ++frame)
        ASSERT_NEAR(out[2 * frame + 2] - out[2 * frame], 5, 1)
            << "a ramp of 10 a source frame rises 5 a device frame";
    audio.backend().Render(441 * 99);
    EXPECT_EQ(playCursor(b), (22050u % 2000u) * 2) << "one second of output is 22050 source frames";
}

TEST_F(DSoundFixture, ResamplingIsRepeatableAcrossRunsAndChunkSizes) {
    std::vector<std::int16_t> source(1500);
    for (std::size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<std::int16_t>(std::sin(i * 0.05) * 20000);
    IDirectSoundBuffer* b = make(pcm(1, 16, 31000), 3000);
    fill(b, source.data(), 3000);
    b->Play(0, 0, DSBPLAY_LOOPING);
    const std::vector<std::int16_t> whole = audio.backend().Render(3000);
    const DWORD cursor = playCursor(b);
    b->Stop();
    b->SetCurrentPosition(0);
    b->Play(0, 0, DSBPLAY_LOOPING);
    std::vector<std::int16_t> pieces;
    for (int n : {1, 7, 992, 2000}) {
        auto piece = audio.backend().Render(n);
        pieces.insert(pieces.end(), piece.begin(), piece.end());
    }
    EXPECT_EQ(pieces, whole);
    EXPECT_EQ(playCursor(b), cursor);
}

TEST_F(DSoundFixture, VolumeAndPanScaleTheChannelsAndLoudVoicesClip) {
    std::vector<std::int16_t> loud(400, 30000);
    IDirectSoundBuffer* a = make(pcm(1, 16, 44100), 800);
    IDirectSoundBuffer* b = make(pcm(1, 16, 44100), 800);
    fill(a, loud.data(), 800);
    fill(b, loud.data(), 800);
    a->SetVolume(-600);
    a->SetPan(DSBPAN_RIGHT);
    a->Play(0, 0, DSBPLAY_LOOPING);
    std::vector<std::int16_t> out = audio.backend().Render(10);
    EXPECT_EQ(out[0], 0) << "full right silences the left channel";
    EXPECT_NEAR(out[1], 30000 * std::pow(10.0, -600 / 2000.0), 1.0);
    b->Play(0, 0, DSBPLAY_LOOPING);
    a->SetVolume(0);
    out = audio.backend().Render(10);
    EXPECT_EQ(out[1], 32767);
    EXPECT_EQ(out[0], 30000);
}

TEST_F(DSoundFixture, NotificationsFireWhenTheCursorCrossesTheirOffsets) {
    IDirectSoundBuffer* b = make(pcm(2, 16, 44100), 4 * 1764);
    HANDLE events[4];
    DSBPOSITIONNOTIFY table[4];
    for (int i = 0; i < 4; ++i) {
        events[i] = CreateEvent(false, false);
        table[i] = {static_cast<DWORD>(1764 * i), events[i]};
    }
    IDirectSoundNotify* notify = nullptr;
    ASSERT_EQ(b->QueryNotify(&notify), DS_OK);
    ASSERT_EQ(notify->SetNotificationPositions(4, table), DS_OK);
    b->Play(0, 0, DSBPLAY_LOOPING);
    EXPECT_EQ(notify->SetNotificationPositions(4, table), DSERR_INVALIDCALL) << "not while playing";
    audio.backend().Render(440);
    EXPECT_EQ(WaitForMultipleObjects(4, events, false, 0), WAIT_TIMEOUT) << "offset 0 does not fire at start";
    audio.backend().Render(2);
    EXPECT_EQ(WaitForMultipleObjects(4, events, false, 0), WAIT_OBJECT_0 + 1);
    audio.backend().Render(441 * 3);
    EXPECT_EQ(WaitForSingleObject(events[2], 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(events[3], 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(events[0], 0), WAIT_OBJECT_0) << "wrapping reaches offset 0";
    notify->Release();
    for (HANDLE h : events)
        CloseHandle(h);
}

TEST_F(DSoundFixture, OneShotEndSignalsTheStopNotificationAtTheDeviceRateAndThroughTheResampler) {
    for (DWORD rate : {44100, 22050}) {
        IDirectSoundBuffer* b = make(pcm(1, 8, rate), 100);
        HANDLE stopped = CreateEvent(false, false);
        HANDLE start = CreateEvent(false, false);
        DSBPOSITIONNOTIFY table[2] = {{DSBPN_OFFSETSTOP, stopped}, {0, start}};
        IDirectSoundNotify* notify = nullptr;
        b->QueryNotify(&notify);
        notify->SetNotificationPositions(2, table);
        b->Play(0, 0, 0);
        audio.backend().Render(99 * 44100 / rate);
        EXPECT_EQ(WaitForSingleObject(stopped, 0), WAIT_TIMEOUT) << rate << " Hz: one frame to go";
        audio.backend().Render(50);
        EXPECT_EQ(WaitForSingleObject(stopped, 0), WAIT_OBJECT_0) << rate;
        EXPECT_EQ(WaitForSingleObject(start, 0), WAIT_TIMEOUT)
            << "a one-shot end does not reach offset 0 again";
        EXPECT_EQ(playCursor(b), 0u);
        notify->Release();
        CloseHandle(stopped);
        CloseHandle(start);
    }
}

TEST_F(DSoundFixture, DuplicatesShareSampleMemoryButPlayOnTheirOwn) {
    IDirectSoundBuffer* original = make(pcm(1, 16, 44100), 200, DSBCAPS_STATIC | DSBCAPS_CTRLVOLUME);
    IDirectSoundBuffer* copy = nullptr;
    ASSERT_EQ(ds->DuplicateSoundBuffer(original, &copy), DS_OK);
    buffers.push_back(copy);
    std::vector<std::int16_t> data(100, 1234);
    fill(original, data.data(), 200);
    copy->Play(0, 0, 0);
    EXPECT_EQ(audio.backend().Render(1)[0], 1234);
    DWORD status = 0;
    original->GetStatus(&status);
    EXPECT_EQ(status, 0u);
    const auto infos = audio.backend().Buffers();
    ASSERT_EQ(infos.size(), 2u);
    EXPECT_EQ(infos[0].memory, infos[1].memory);
    EXPECT_EQ(infos[1].flags, DSBCAPS_STATIC | DSBCAPS_CTRLVOLUME);
}

TEST_F(DSoundFixture, LostBuffersRefuseLockAndPlayUntilRestoredEmpty) {
    IDirectSoundBuffer* b = make(pcm(1, 16, 44100), 200);
    std::vector<std::int16_t> data(100, 999);
    fill(b, data.data(), 200);
    b->Play(0, 0, DSBPLAY_LOOPING);
    audio.backend().LoseAllBuffers();
    DWORD status = 0;
    b->GetStatus(&status);
    EXPECT_EQ(status, DSBSTATUS_BUFFERLOST);
    void* p1;
    DWORD l1;
    EXPECT_EQ(b->Lock(0, 200, &p1, &l1, nullptr, nullptr, 0), DSERR_BUFFERLOST);
    EXPECT_EQ(b->Play(0, 0, 0), DSERR_BUFFERLOST);
    EXPECT_EQ(audio.backend().Render(1)[0], 0);
    ASSERT_EQ(b->Restore(), DS_OK);
    ASSERT_EQ(b->Lock(0, 200, &p1, &l1, nullptr, nullptr, 0), DS_OK);
    EXPECT_EQ(static_cast<std::int16_t*>(p1)[0], 0) << "restored memory must be refilled";
}

TEST_F(DSoundFixture, ARegionLockedForWritingPlaysAsSilenceUntilUnlocked) {
    std::vector<std::int16_t> data(100, 700);
    IDirectSoundBuffer* b = make(pcm(1, 16, 44100), 200);
    fill(b, data.data(), 200);
    void* p1;
    DWORD l1;
    void* p2;
    DWORD l2;
    ASSERT_EQ(b->Lock(100, 200, &p1, &l1, &p2, &l2, 0), DS_OK); // bytes 100..199 and 0..99
    b->Play(0, 0, DSBPLAY_LOOPING);
    EXPECT_EQ(audio.backend().Render(1)[0], 0);
    ASSERT_EQ(b->Unlock(p1, l1, p2, l2), DS_OK);
    EXPECT_EQ(audio.backend().Render(1)[0], 700);
}

// In a buffer whose writes sound once, a frame the cursor passes while its owner holds it
// locked sounds as silence and stays so: what the owner wrote there came too late for that
// turn. Reading what the buffer sounds locks nothing.
TEST_F(DSoundFixture, AFramePassedWhileLockedStaysSilentAndReadingWhatSoundsLocksNothing) {
    IDirectSoundBuffer* b = make(pcm(1, 16, 44100), 200);
    SoundWritesOnce(b);
    b->Play(0, 0, DSBPLAY_LOOPING);
    void* p1;
    DWORD l1;
    ASSERT_EQ(b->Lock(0, 8, &p1, &l1, nullptr, nullptr, 0), DS_OK);
    EXPECT_EQ(audio.backend().Render(1)[0], 0);
    std::vector<std::int16_t> written(4, 900), read(4, 1);
    std::memcpy(p1, written.data(), 8);
    ASSERT_EQ(ReadSoundBuffer(b, 0, 8, read.data()), DS_OK);
    EXPECT_EQ(read, std::vector<std::int16_t>(4, 0)) << "a locked frame reads as the silence it sounds";
    ASSERT_EQ(b->Unlock(p1, l1, nullptr, 0), DS_OK);
    ASSERT_EQ(ReadSoundBuffer(b, 0, 8, read.data()), DS_OK);
    EXPECT_EQ(read, (std::vector<std::int16_t>{0, 900, 900, 900}));
    EXPECT_FALSE(audio.backend().Buffers()[0].locked);
    EXPECT_EQ(audio.backend().Render(1)[0], 900);
    audio.backend().Render(99);
    std::uint64_t played = 0;
    ASSERT_EQ(GetPlayCount(b, &played), DS_OK);
    EXPECT_EQ(played, 202u) << "a turn and a frame, counted without wrapping";
}

TEST_F(DSoundFixture, AnInjectedFailureHitsOnlyTheNextCall) {
    IDirectSoundBuffer* b = make(pcm(1, 16, 44100), 200);
    audio.backend().FailNext(DsOp::Play, DSERR_GENERIC);
    EXPECT_EQ(b->Play(0, 0, 0), DSERR_GENERIC);
    EXPECT_EQ(b->Play(0, 0, 0), DS_OK);
    audio.backend().FailNext(DsOp::Create, DSERR_ALLOCATED);
    IDirectSound* other = nullptr;
    EXPECT_EQ(DirectSoundCreate(nullptr, &other, nullptr), DSERR_ALLOCATED);
}

TEST_F(DSoundFixture, WriteCursorRunsAheadOfThePlayCursorWhilePlaying) {
    IDirectSoundBuffer* b = make(pcm(2, 16, 44100), 65536);
    DWORD play = 0, write = 0;
    b->GetCurrentPosition(&play, &write);
    EXPECT_EQ(write, play);
    b->Play(0, 0, DSBPLAY_LOOPING);
    audio.backend().Render(100);
    b->GetCurrentPosition(&play, &write);
    EXPECT_EQ(play, 400u);
    EXPECT_EQ(write, 400u + 441u * 4);
}

namespace {

// The fixture on a 48000 Hz device, where 22050 Hz sound goes through the resampler.
class MixerAt48000 : public DSoundFixture {
protected:
    // Loops two seconds of a 22050 Hz 16-bit wave, a function of the time in seconds.
    IDirectSoundBuffer* play(const std::function<double(double)>& wave) {
        std::vector<std::int16_t> samples(2 * 22050);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<std::int16_t>(std::lround(wave(static_cast<double>(i) / 22050)));
        IDirectSoundBuffer* b = make(pcm(1, 16, 22050), 4 * 22050);
        fill(b, samples.data(), 4 * 22050);
        b->Play(0, 0, DSBPLAY_LOOPING);
        return b;
    }
    std::vector<double> renderLeft(int frames) {
        const std::vector<std::int16_t> out = device48000.backend().Render(frames);
        std::vector<double> left(static_cast<std::size_t>(frames));
        for (std::size_t i = 0; i < left.size(); ++i)
            left[i] = out[2 * i];
        return left;
    }

    ScopedManualAudio device48000{{48000, 2, 480}};
};

// The power of Hann-windowed 48000 Hz samples below and above a frequency.
std::pair<double, double> powerBelowAndAbove(std::vector<double> samples, double split) {
    const auto n = static_cast<double>(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] *= 1 - std::cos(2 * Pi * static_cast<double>(i) / n);
    std::pair<double, double> power{};
    for (double bin = 1; bin < n / 2; ++bin) {
        const auto step = std::polar(1.0, -2 * Pi * bin / n);
        std::complex<double> turn = 1, sum = 0;
        for (std::size_t i = 0; i < samples.size(); ++i, turn *= step)
            sum += samples[i] * turn;
        (bin * 48000 / n < split ? power.first : power.second) += std::norm(sum);
    }
    return power;
}

} // namespace

TEST_F(MixerAt48000, ASweepReachesTheDeviceWithItsImagesSixtyDecibelsDown) {
    // 100 Hz rising to 10 kHz: every tone lies below 11025 Hz, every image (22050 Hz less the
    // tone, and up) above.
    play([](double t) {
        return 16000 * std::sin(2 * Pi * 100 * 2 / std::log(100.0) * (std::pow(100.0, t / 2) - 1));
    });
    renderLeft(1024); // the start
    double worst = -300;
    for (int window = 2; window < 186; ++window) { // up to 9.6 kHz, before the loop turns
        const auto [signal, images] = powerBelowAndAbove(renderLeft(512), 11025);
        worst = std::max(worst, 10 * std::log10(images / signal));
    }
    EXPECT_LT(worst, -60.0) << "dB of the images against the signal, in the worst window";
}

TEST_F(MixerAt48000, ANewRateIsHeardFromTheNextChunkOn) {
    IDirectSoundBuffer* voice = play([](double t) { return 10000 * std::sin(2 * Pi * 1000 * t); });
    const auto crossingsInSecondHalf = [](const std::vector<double>& chunk) {
        int count = 0;
        for (std::size_t i = chunk.size() / 2 + 1; i < chunk.size(); ++i)
            count += (chunk[i - 1] < 0) != (chunk[i] < 0);
        return count;
    };
    EXPECT_NEAR(crossingsInSecondHalf(renderLeft(4800)), 100, 2) << "1 kHz";
    const DWORD before = playCursor(voice);
    voice->SetFrequency(11025);
    EXPECT_NEAR(crossingsInSecondHalf(renderLeft(4800)), 50, 2) << "half the rate, half the pitch";
    EXPECT_NEAR((playCursor(voice) - before) / 2.0, 4800 * 11025 / 48000.0, 1)
        << "the cursor at the new rate";
}

TEST(DSoundCapture, FedFramesLandInTheBufferInItsFormatAndSignalNotifications) {
    ScopedManualAudio audio;
    IDirectSoundCapture* capture = nullptr;
    ASSERT_EQ(DirectSoundCaptureCreate(nullptr, &capture, nullptr), DS_OK);
    WAVEFORMATEX format = pcm(1, 8, 22050);
    DSCBUFFERDESC desc;
    desc.dwFlags = DSCBCAPS_WAVEMAPPED;
    desc.dwBufferBytes = 8;
    desc.lpwfxFormat = &format;
    IDirectSoundCaptureBuffer* buffer = nullptr;
    ASSERT_EQ(capture->CreateCaptureBuffer(&desc, &buffer, nullptr), DS_OK);
    HANDLE half = CreateEvent(false, false);
    DSBPOSITIONNOTIFY table[1] = {{4, half}};
    IDirectSoundNotify* notify = nullptr;
    ASSERT_EQ(buffer->QueryNotify(&notify), DS_OK);
    notify->SetNotificationPositions(1, table);
    ASSERT_EQ(buffer->Start(DSCBSTART_LOOPING), DS_OK);
    // Ten stereo device frames at twice the buffer's rate: every second frame is kept.
    std::vector<std::int16_t> in;
    for (int i = 0; i < 10; ++i) {
        in.push_back(static_cast<std::int16_t>(i * 256));
        in.push_back(static_cast<std::int16_t>(i * 256));
    }
    audio.backend().FeedCapture(in);
    DWORD position = 0;
    buffer->GetCurrentPosition(&position, nullptr);
    EXPECT_EQ(position, 5u);
    EXPECT_EQ(WaitForSingleObject(half, 0), WAIT_OBJECT_0);
    void* p1;
    DWORD l1;
    ASSERT_EQ(buffer->Lock(0, 5, &p1, &l1, nullptr, nullptr, 0), DS_OK);
    const BYTE* bytes = static_cast<BYTE*>(p1);
    EXPECT_EQ(bytes[0], 0x81);
    EXPECT_EQ(bytes[4], 0x89);
    notify->Release();
    buffer->Release();
    capture->Release();
    CloseHandle(half);
}

// A sine read straight at the device's rate, then at another: the resampler takes it over where
// it stands, and the sine runs on at its new speed with no gap and no step back.
TEST_F(DSoundFixture, ANewRateTakesAVoiceOverFromTheStraightPathWithoutAGap) {
    auto sine = [](double frame) { return 10000 * std::sin(2 * Pi * frame / 100); };
    std::vector<std::int16_t> source(4400);
    for (std::size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<std::int16_t>(std::lround(sine(static_cast<double>(i))));
    for (const double rate : {11025, 33075, 48000, 88200}) {
        IDirectSoundBuffer* b = make(pcm(1, 16, 44100), 8800);
        fill(b, source.data(), 8800);
        b->Play(0, 0, DSBPLAY_LOOPING);
        audio.backend().Render(1000);
        b->SetFrequency(static_cast<DWORD>(rate));
        const std::vector<std::int16_t> out = audio.backend().Render(300);
        for (int i = 0; i < 300; ++i)
            ASSERT_NEAR(out[2 * i], sine(1000 + i * rate / 44100), 10) << rate << " Hz, frame " << i;
        b->Stop();
    }
}
