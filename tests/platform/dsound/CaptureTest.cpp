#include "platform/dsound/DSound.h"
#include "platform/dsound/ManualBackend.h"
#include "tests/SoundServer.h"
#include "tests/platform/dsound/PcmFormat.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Stereo device frames whose left and right samples are both value.
std::vector<std::int16_t> frames(int count, std::int16_t value) {
    return std::vector<std::int16_t>(static_cast<std::size_t>(count) * 2, value);
}

// A capture object with one 16-bit stereo 44100 Hz buffer of blocks * blockBytes bytes and
// one event at the start of each block.
class CaptureFixture : public ::testing::Test {
protected:
    void open(int blocks, DWORD blockBytes, const GUID* device = nullptr) {
        ASSERT_EQ(DirectSoundCaptureCreate(device, &capture, nullptr), DS_OK);
        format = pcm(2, 16, 44100);
        DSCBUFFERDESC desc;
        desc.dwBufferBytes = blocks * blockBytes;
        desc.lpwfxFormat = &format;
        ASSERT_EQ(capture->CreateCaptureBuffer(&desc, &buffer, nullptr), DS_OK);
        ASSERT_EQ(buffer->QueryNotify(&notify), DS_OK);
        std::vector<DSBPOSITIONNOTIFY> table;
        for (int i = 0; i < blocks; ++i) {
            events.push_back(CreateEvent(false, false));
            table.push_back({blockBytes * i, events.back()});
        }
        ASSERT_EQ(notify->SetNotificationPositions(blocks, table.data()), DS_OK);
    }
    void TearDown() override {
        if (notify) notify->Release();
        if (buffer) buffer->Release();
        if (capture) capture->Release();
        for (HANDLE h : events)
            CloseHandle(h);
    }
    // Indexes of the events signalled since the last call, lowest first.
    std::vector<int> signalled() {
        std::vector<int> indexes;
        for (std::size_t i = 0; i < events.size(); ++i)
            if (WaitForSingleObject(events[i], 0) == WAIT_OBJECT_0) indexes.push_back(static_cast<int>(i));
        return indexes;
    }
    DWORD position() {
        DWORD capturePosition = 0;
        DWORD readPosition = 0;
        EXPECT_EQ(buffer->GetCurrentPosition(&capturePosition, &readPosition), DS_OK);
        EXPECT_EQ(capturePosition, readPosition);
        return readPosition;
    }
    std::int16_t sampleAt(DWORD offset) {
        void* p1 = nullptr;
        DWORD l1 = 0;
        EXPECT_EQ(buffer->Lock(offset, 2, &p1, &l1, nullptr, nullptr, 0), DS_OK);
        std::int16_t value = 0;
        std::memcpy(&value, p1, 2);
        buffer->Unlock(p1, l1, nullptr, 0);
        return value;
    }

    ScopedManualAudio audio;
    WAVEFORMATEX format;
    IDirectSoundCapture* capture = nullptr;
    IDirectSoundCaptureBuffer* buffer = nullptr;
    IDirectSoundNotify* notify = nullptr;
    std::vector<HANDLE> events;
};

// Opens the default output device and loops one period of a 441 Hz square wave on it,
// 16-bit stereo at 44.1 kHz, at a quarter of full scale.
void PlaySquareWave(IDirectSound** ds, IDirectSoundBuffer** tone) {
    ASSERT_EQ(DirectSoundCreate(nullptr, ds, nullptr), DS_OK);
    ASSERT_EQ((*ds)->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
    const WAVEFORMATEX format = pcm(2, 16, 44100);
    DSBUFFERDESC play;
    play.dwFlags = DSBCAPS_GETCURRENTPOSITION2;
    play.dwBufferBytes = 4 * 100;
    play.lpwfxFormat = &format;
    ASSERT_EQ((*ds)->CreateSoundBuffer(&play, tone, nullptr), DS_OK);
    void* p1 = nullptr;
    DWORD l1 = 0;
    ASSERT_EQ((*tone)->Lock(0, play.dwBufferBytes, &p1, &l1, nullptr, nullptr, 0), DS_OK);
    auto* samples = static_cast<std::int16_t*>(p1);
    for (int i = 0; i < 100; ++i)
        samples[2 * i] = samples[2 * i + 1] = static_cast<std::int16_t>(i < 50 ? 8000 : -8000);
    (*tone)->Unlock(p1, l1, nullptr, 0);
    ASSERT_EQ((*tone)->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
}

} // namespace

TEST_F(CaptureFixture, EachBlockEventFiresWhenTheCursorReachesItsBlockAndBlockZeroAtTheWrap) {
    open(4, 400); // 100 frames a block
    ASSERT_EQ(buffer->Start(DSCBSTART_LOOPING), DS_OK);
    EXPECT_TRUE(signalled().empty()) << "starting reaches nothing";
    audio.backend().FeedCapture(frames(99, 1));
    EXPECT_TRUE(signalled().empty()) << "block 0 is not complete yet";
    audio.backend().FeedCapture(frames(1, 1));
    EXPECT_EQ(signalled(), std::vector<int>{1});
    audio.backend().FeedCapture(frames(200, 1));
    EXPECT_EQ(signalled(), (std::vector<int>{2, 3}));
    audio.backend().FeedCapture(frames(100, 1));
    EXPECT_EQ(signalled(), std::vector<int>{0}) << "the last block is complete when the cursor wraps";
    EXPECT_EQ(position(), 0u);
    audio.backend().FeedCapture(frames(100, 1));
    EXPECT_EQ(signalled(), std::vector<int>{1});
}

TEST_F(CaptureFixture, FramesLandInOrderAndTheCursorWrapsRoundTheRing) {
    open(2, 400);
    ASSERT_EQ(buffer->Start(DSCBSTART_LOOPING), DS_OK);
    std::vector<std::int16_t> ramp;
    for (int i = 0; i < 250; ++i) {
        ramp.push_back(static_cast<std::int16_t>(i));
        ramp.push_back(static_cast<std::int16_t>(-i));
    }
    audio.backend().FeedCapture(ramp);
    EXPECT_EQ(position(), 50u * 4u);
    EXPECT_EQ(sampleAt(0), 200) << "frame 200 overwrote frame 0";
    EXPECT_EQ(sampleAt(2), -200);
    EXPECT_EQ(sampleAt(49 * 4), 249);
    EXPECT_EQ(sampleAt(50 * 4), 50) << "beyond the cursor the previous round remains";
}

TEST_F(CaptureFixture, ALockRunningPastTheEndContinuesAtTheStartAsASecondPart) {
    open(4, 400);
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD l1 = 0;
    DWORD l2 = 0;
    ASSERT_EQ(buffer->Lock(1500, 400, &p1, &l1, &p2, &l2, 0), DS_OK);
    EXPECT_EQ(l1, 100u);
    EXPECT_EQ(l2, 300u);
    void* ring = nullptr;
    DWORD whole = 0;
    ASSERT_EQ(buffer->Unlock(p1, l1, p2, l2), DS_OK);
    ASSERT_EQ(buffer->Lock(0, 0, &ring, &whole, nullptr, nullptr, DSCBLOCK_ENTIREBUFFER), DS_OK);
    EXPECT_EQ(whole, 1600u);
    EXPECT_EQ(p2, ring) << "the second part starts the ring";
    EXPECT_EQ(static_cast<BYTE*>(p1), static_cast<BYTE*>(ring) + 1500);
    ASSERT_EQ(buffer->Unlock(ring, whole, nullptr, 0), DS_OK);

    EXPECT_EQ(buffer->Lock(1500, 400, &p1, &l1, nullptr, nullptr, 0), DSERR_INVALIDPARAM)
        << "a wrapping region needs somewhere to put its second part";
    EXPECT_EQ(buffer->Lock(1600, 4, &p1, &l1, &p2, &l2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Lock(0, 1604, &p1, &l1, &p2, &l2, 0), DSERR_INVALIDPARAM);
    int outside = 0;
    EXPECT_EQ(buffer->Unlock(&outside, 4, nullptr, 0), DSERR_INVALIDPARAM);
}

TEST_F(CaptureFixture, TheDeviceLeavesARegionAReaderHoldsLockedAloneAndItsLostFramesReadAsSilence) {
    open(2, 400);
    ASSERT_EQ(buffer->Start(DSCBSTART_LOOPING), DS_OK);
    audio.backend().FeedCapture(frames(200, 5)); // a whole turn
    void* p1 = nullptr;
    DWORD l1 = 0;
    ASSERT_EQ(buffer->Lock(0, 400, &p1, &l1, nullptr, nullptr, 0), DS_OK);
    audio.backend().FeedCapture(frames(150, 7));
    std::int16_t held = 0;
    std::memcpy(&held, p1, 2);
    EXPECT_EQ(held, 5) << "frames meant for a locked region are dropped";
    EXPECT_EQ(position(), 600u) << "the cursor still moves";
    std::uint64_t captured = 0;
    EXPECT_EQ(GetCaptureCount(buffer, &captured), DS_OK);
    EXPECT_EQ(captured, 800u + 600u) << "counted on past the turn";
    ASSERT_EQ(buffer->Unlock(p1, l1, nullptr, 0), DS_OK);
    EXPECT_EQ(sampleAt(0), 0) << "dropped frames are lost: silence, not the turn before";
    EXPECT_EQ(sampleAt(100 * 4), 7) << "outside the region the frames land";
    audio.backend().FeedCapture(frames(150, 9));
    EXPECT_EQ(sampleAt(0), 9) << "once unlocked the next round lands again";
}

TEST_F(CaptureFixture, AOneShotBufferStopsAtItsEndAndSignalsItsStopEvent) {
    open(2, 400);
    HANDLE stopped = CreateEvent(false, false);
    events.push_back(stopped);
    const DSBPOSITIONNOTIFY table[2] = {{400, events[1]}, {DSBPN_OFFSETSTOP, stopped}};
    ASSERT_EQ(notify->SetNotificationPositions(2, table), DS_OK);
    ASSERT_EQ(buffer->Start(0), DS_OK);
    audio.backend().FeedCapture(frames(300, 3));
    DWORD status = 1;
    ASSERT_EQ(buffer->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(WaitForSingleObject(stopped, 0), WAIT_OBJECT_0);
    EXPECT_EQ(sampleAt(0), 3);
    audio.backend().FeedCapture(frames(50, 5));
    EXPECT_EQ(sampleAt(0), 3) << "a stopped buffer takes nothing more";
}

TEST_F(CaptureFixture, PositionsCannotChangeWhileCapturingNorLieOutsideTheBuffer) {
    open(2, 400);
    const DSBPOSITIONNOTIFY beyond[1] = {{800, events[0]}};
    EXPECT_EQ(notify->SetNotificationPositions(1, beyond), DSERR_INVALIDPARAM);
    ASSERT_EQ(buffer->Start(DSCBSTART_LOOPING), DS_OK);
    DWORD status = 0;
    ASSERT_EQ(buffer->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, DSCBSTATUS_CAPTURING | DSCBSTATUS_LOOPING);
    const DSBPOSITIONNOTIFY inside[1] = {{0, events[0]}};
    EXPECT_EQ(notify->SetNotificationPositions(1, inside), DSERR_INVALIDCALL);
    ASSERT_EQ(buffer->Stop(), DS_OK);
    EXPECT_EQ(notify->SetNotificationPositions(1, inside), DS_OK);
}

TEST_F(CaptureFixture, BuffersTakeTheDeviceFramesInTheirOwnRateWidthAndChannels) {
    open(2, 400);
    WAVEFORMATEX narrow = pcm(1, 8, 22050);
    DSCBUFFERDESC desc;
    desc.dwFlags = DSCBCAPS_WAVEMAPPED;
    desc.dwBufferBytes = 64;
    desc.lpwfxFormat = &narrow;
    IDirectSoundCaptureBuffer* small = nullptr;
    ASSERT_EQ(capture->CreateCaptureBuffer(&desc, &small, nullptr), DS_OK);
    ASSERT_EQ(small->Start(DSCBSTART_LOOPING), DS_OK);
    ASSERT_EQ(buffer->Start(DSCBSTART_LOOPING), DS_OK);
    // Left 512 * i, right 256 * i: the mono buffer keeps every second frame's mean.
    std::vector<std::int16_t> in;
    for (int i = 0; i < 8; ++i) {
        in.push_back(static_cast<std::int16_t>(512 * i));
        in.push_back(static_cast<std::int16_t>(256 * i));
    }
    audio.backend().FeedCapture(in);
    void* p1 = nullptr;
    DWORD l1 = 0;
    ASSERT_EQ(small->Lock(0, 4, &p1, &l1, nullptr, nullptr, 0), DS_OK);
    const auto* bytes = static_cast<const BYTE*>(p1);
    EXPECT_EQ(bytes[0], 128 + 1); // (512 + 256) / 2 >> 8 of frame 1
    EXPECT_EQ(bytes[1], 128 + 4); // frame 3: 1152 >> 8
    small->Unlock(p1, l1, nullptr, 0);
    EXPECT_EQ(sampleAt(7 * 4), 512 * 7) << "the full-rate buffer on the same device took every frame";
    EXPECT_EQ(sampleAt(7 * 4 + 2), 256 * 7);

    const std::vector<CaptureBufferInfo> infos = audio.backend().CaptureBuffers();
    ASSERT_EQ(infos.size(), 2u);
    int mapped = 0;
    for (const CaptureBufferInfo& info : infos)
        mapped += info.flags == DSCBCAPS_WAVEMAPPED;
    EXPECT_EQ(mapped, 1);
    small->Release();
}

TEST_F(CaptureFixture, FormatsADeviceCannotTakeAreRefused) {
    open(2, 400);
    for (WAVEFORMATEX bad : {pcm(2, 24, 44100), pcm(3, 16, 44100), pcm(2, 16, 50), pcm(0, 8, 8000)}) {
        DSCBUFFERDESC desc;
        desc.dwBufferBytes = 1200;
        desc.lpwfxFormat = &bad;
        IDirectSoundCaptureBuffer* refused = nullptr;
        EXPECT_EQ(capture->CreateCaptureBuffer(&desc, &refused, nullptr), DSERR_BADFORMAT);
        EXPECT_EQ(refused, nullptr);
    }
}

TEST_F(CaptureFixture, EveryStepAnswersAnInjectedFailure) {
    struct Step {
        DsOp op;
        std::function<HRESULT()> call;
    };
    open(2, 400);
    DSCBUFFERDESC desc;
    desc.dwBufferBytes = 800;
    desc.lpwfxFormat = &format;
    IDirectSoundCapture* other = nullptr;
    IDirectSoundCaptureBuffer* second = nullptr;
    IDirectSoundNotify* secondNotify = nullptr;
    void* p1 = nullptr;
    DWORD l1 = 0;
    const Step steps[] = {
        {DsOp::CaptureCreate, [&] { return DirectSoundCaptureCreate(nullptr, &other, nullptr); }},
        {DsOp::CreateCaptureBuffer, [&] { return capture->CreateCaptureBuffer(&desc, &second, nullptr); }},
        {DsOp::QueryNotify, [&] { return buffer->QueryNotify(&secondNotify); }},
        {DsOp::SetNotificationPositions, [&] { return notify->SetNotificationPositions(0, nullptr); }},
        {DsOp::CaptureStart, [&] { return buffer->Start(DSCBSTART_LOOPING); }},
        {DsOp::CaptureLock, [&] { return buffer->Lock(0, 4, &p1, &l1, nullptr, nullptr, 0); }},
        {DsOp::GetCurrentPosition, [&] { return buffer->GetCurrentPosition(&l1, nullptr); }},
    };
    for (const Step& step : steps) {
        audio.backend().FailNext(step.op, DSERR_NODRIVER);
        EXPECT_EQ(step.call(), DSERR_NODRIVER) << static_cast<int>(step.op);
    }
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(audio.backend().LiveCaptureObjects(), 1);
}

TEST(CaptureDevices, TheDefaultComesFirstAndAVanishedDeviceLeavesTheListAndGoesSilent) {
    ScopedManualAudio audio;
    audio.backend().SetCaptureDevices({{"mic", "Microphone"}, {"line", "Line in"}});
    struct Entry {
        bool hasGuid;
        std::string description;
        GUID guid;
    };
    std::vector<Entry> list;
    auto collect = [](const GUID* guid, const char* description, const char*, void* context) {
        static_cast<std::vector<Entry>*>(context)->push_back(
            {guid != nullptr, description, guid ? *guid : GUID{}});
        return true;
    };
    ASSERT_EQ(DirectSoundCaptureEnumerate(collect, &list), DS_OK);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_FALSE(list[0].hasGuid);
    EXPECT_EQ(list[1].description, "Microphone");
    EXPECT_EQ(list[2].description, "Line in");

    IDirectSoundCapture* mic = nullptr;
    ASSERT_EQ(DirectSoundCaptureCreate(&list[1].guid, &mic, nullptr), DS_OK);
    WAVEFORMATEX format = pcm(2, 16, 44100);
    DSCBUFFERDESC desc;
    desc.dwBufferBytes = 400;
    desc.lpwfxFormat = &format;
    IDirectSoundCaptureBuffer* buffer = nullptr;
    ASSERT_EQ(mic->CreateCaptureBuffer(&desc, &buffer, nullptr), DS_OK);
    ASSERT_EQ(buffer->Start(DSCBSTART_LOOPING), DS_OK);
    audio.backend().FeedCapture(frames(10, 1000), "mic");
    audio.backend().VanishCaptureDevice("mic");
    audio.backend().FeedCapture(frames(10, 1000), "mic");
    void* p1 = nullptr;
    DWORD l1 = 0;
    ASSERT_EQ(buffer->Lock(0, 80, &p1, &l1, nullptr, nullptr, 0), DS_OK);
    std::int16_t first = 0;
    std::int16_t last = 0;
    std::memcpy(&first, p1, 2);
    std::memcpy(&last, static_cast<BYTE*>(p1) + 76, 2);
    buffer->Unlock(p1, l1, nullptr, 0);
    EXPECT_EQ(first, 1000);
    EXPECT_EQ(last, 0) << "after unplugging the device delivers silence";

    list.clear();
    DirectSoundCaptureEnumerate(collect, &list);
    EXPECT_EQ(list.size(), 2u);
    buffer->Release();
    mic->Release();
    IDirectSoundCapture* again = nullptr;
    EXPECT_EQ(DirectSoundCaptureCreate(&list.back().guid, &again, nullptr), DS_OK) << "the line input stays";
    again->Release();
    GUID gone = DeviceGuid("mic", true);
    EXPECT_EQ(DirectSoundCaptureCreate(&gone, &again, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(audio.backend().LiveCaptureObjects(), 0);
}

// The real server: what a looping buffer plays into the sink comes back through a capture
// buffer on the default source, the sink's monitor (SDL lists no monitors by name, so the
// default device is the way to them).
TEST(CaptureOnSoundServer, WhatTheSinkPlaysComesBackFromItsMonitorThroughSdl) {
    vx_test::ScopedSoundServer server;
    VX_REQUIRE_SOUND_SERVER(server);
    ::setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    SetAudioBackend(nullptr);
    std::vector<std::string> names;
    auto collect = [](const GUID* guid, const char* description, const char*, void* context) {
        static_cast<std::vector<std::string>*>(context)->push_back(guid ? description : "(default)");
        return true;
    };
    ASSERT_EQ(DirectSoundCaptureEnumerate(collect, &names), DS_OK);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names[0], "(default)");

    IDirectSound* ds = nullptr;
    IDirectSoundBuffer* tone = nullptr;
    ASSERT_NO_FATAL_FAILURE(PlaySquareWave(&ds, &tone));
    const WAVEFORMATEX format = pcm(2, 16, 44100);
    void* p1 = nullptr;
    DWORD l1 = 0;

    IDirectSoundCapture* capture = nullptr;
    ASSERT_EQ(DirectSoundCaptureCreate(nullptr, &capture, nullptr), DS_OK);
    DSCBUFFERDESC desc;
    desc.dwBufferBytes = 4 * 44100; // one second
    desc.lpwfxFormat = &format;
    IDirectSoundCaptureBuffer* buffer = nullptr;
    ASSERT_EQ(capture->CreateCaptureBuffer(&desc, &buffer, nullptr), DS_OK);
    IDirectSoundNotify* notify = nullptr;
    ASSERT_EQ(buffer->QueryNotify(&notify), DS_OK);
    HANDLE full = CreateEvent(false, false);
    const DSBPOSITIONNOTIFY at[1] = {{2 * 4 * 44100 / 4, full}}; // half a second in
    ASSERT_EQ(notify->SetNotificationPositions(1, at), DS_OK);
    ASSERT_EQ(buffer->Start(0), DS_OK);
    ASSERT_EQ(WaitForSingleObject(full, 5000), WAIT_OBJECT_0) << "capture advances on the server's clock";
    ASSERT_EQ(buffer->Lock(0, 4 * 22050, &p1, &l1, nullptr, nullptr, 0), DS_OK);
    const auto* captured = static_cast<const std::int16_t*>(p1);
    int loud = 0;
    for (DWORD i = 0; i < l1 / 2; ++i)
        loud += std::abs(captured[i]) > 4000;
    buffer->Unlock(p1, l1, nullptr, 0);
    EXPECT_GT(loud, static_cast<int>(l1 / 2 / 4)) << "the square wave came back";

    notify->Release();
    buffer->Release();
    capture->Release();
    tone->Release();
    ds->Release();
    CloseHandle(full);
}

// Every capture device opened on the server delivers: SDL's PulseAudio driver leaves now and
// then a device that never does (it drains what the source sent before it was unpaused for
// as long as the source keeps sending), which the backend opens again.
TEST(CaptureOnSoundServer, EveryCaptureOpenedWhileTheSinkPlaysDelivers) {
    vx_test::ScopedSoundServer server;
    VX_REQUIRE_SOUND_SERVER(server);
    ::setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    SetAudioBackend(nullptr);
    IDirectSound* ds = nullptr;
    IDirectSoundBuffer* tone = nullptr;
    ASSERT_NO_FATAL_FAILURE(PlaySquareWave(&ds, &tone));
    const WAVEFORMATEX format = pcm(2, 16, 44100);
    HANDLE reached = CreateEvent(false, false);
    // About one open in thirty used to stay silent: sixty of them mostly meet one.
    for (int open = 0; open < 60; ++open) {
        IDirectSoundCapture* capture = nullptr;
        ASSERT_EQ(DirectSoundCaptureCreate(nullptr, &capture, nullptr), DS_OK);
        DSCBUFFERDESC desc;
        desc.dwBufferBytes = 4 * 4096;
        desc.lpwfxFormat = &format;
        IDirectSoundCaptureBuffer* buffer = nullptr;
        ASSERT_EQ(capture->CreateCaptureBuffer(&desc, &buffer, nullptr), DS_OK);
        IDirectSoundNotify* notify = nullptr;
        ASSERT_EQ(buffer->QueryNotify(&notify), DS_OK);
        const DSBPOSITIONNOTIFY at[1] = {{4 * 256, reached}};
        ASSERT_EQ(notify->SetNotificationPositions(1, at), DS_OK);
        ASSERT_EQ(buffer->Start(DSCBSTART_LOOPING), DS_OK);
        EXPECT_EQ(WaitForSingleObject(reached, 3000), WAIT_OBJECT_0)
            << "capture " << open << " delivered nothing";
        notify->Release();
        buffer->Release();
        capture->Release();
    }
    CloseHandle(reached);
    tone->Release();
    ds->Release();
}
