// The SDL backend on SDL's own drivers: the dummy driver, the PulseAudio driver on the
// project's sound server, and the PulseAudio driver without a server, which plays silently.
#include "platform/dsound/AudioBackend.h"
#include "platform/dsound/DSound.h"
#include "tests/ScopedEnvironment.h"
#include "tests/SoundServer.h"
#include "tests/platform/dsound/PcmFormat.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <thread>
#include <vector>

class SdlDrivers : public ::testing::TestWithParam<std::string> {};

// Starting and stopping the audio library, listing its devices and opening them must not
// overlap: players and a capture switched on and off on threads of their own crashed in the
// device listing of a switch-on. Under leak detection, every thread that ends has given SDL's
// data for it back.
TEST_P(SdlDrivers, ThreadsSwitchingDevicesOnAndOffAtOnceNeverOverlapInTheAudioLibrary) {
    std::optional<vx_test::ScopedSoundServer> server;
    std::optional<ScopedEnvironment> pulse, noServer;
    if (GetParam() != "Dummy") pulse.emplace("SDL_AUDIODRIVER", "pulseaudio");
    if (GetParam() == "PulseWithoutServer") noServer.emplace("PULSE_SERVER", "unix:/nonexistent/vortamix");
    if (GetParam() == "PulseOnServer") {
#if defined(VX_THREAD_SANITIZER)
        GTEST_SKIP() << "the sound server's client library is not instrumented for ThreadSanitizer";
#endif
        server.emplace();
        VX_REQUIRE_SOUND_SERVER(*server);
    }
    SetAudioBackend(nullptr);
    std::vector<std::thread> threads;
    for (bool capture : {false, false, false, false, true})
        threads.emplace_back([capture] {
            for (int i = 0; i < 40; ++i) {
                IDirectSound* ds = nullptr;
                IDirectSoundCapture* dsc = nullptr;
                if (capture ? DirectSoundCaptureCreate(nullptr, &dsc, nullptr) == DS_OK
                            : DirectSoundCreate(nullptr, &ds, nullptr) == DS_OK)
                    capture ? dsc->Release() : ds->Release();
            }
        });
    for (std::thread& t : threads)
        t.join();
    IDirectSound* ds = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK) << "the default output still opens";
    ds->Release();
}

INSTANTIATE_TEST_SUITE_P(Drivers, SdlDrivers,
                         ::testing::Values("Dummy", "PulseWithoutServer", "PulseOnServer"),
                         [](const auto& param) { return param.param; });

namespace {

// What a pactl command line counts on the server.
int countOn(const vx_test::ScopedSoundServer& server, const std::string& command) {
    std::string count;
    server.shell(command, count);
    return std::atoi(count.c_str());
}

const char* const Streams = "pactl list sink-inputs short | wc -l";
// Each connection gets the next index; the newest is the pactl asking.
const char* const NewestClient = "pactl list clients short | cut -f1 | sort -n | tail -n1";

class SdlOnSoundServer : public ::testing::Test {
protected:
    void SetUp() override {
#if defined(VX_THREAD_SANITIZER)
        GTEST_SKIP() << "the sound server's client library is not instrumented for ThreadSanitizer";
#endif
        VX_REQUIRE_SOUND_SERVER(server);
        SetAudioBackend(nullptr);
    }

    vx_test::ScopedSoundServer server;
    ScopedEnvironment pulse{"SDL_AUDIODRIVER", "pulseaudio"};
};

} // namespace

// A server that went away took its streams with it. A player switched off and on again at
// once, as at every round, plays on the server that came back, not into the lost stream;
// SDL learns of the loss on its device thread, so the player switches until it does.
TEST_F(SdlOnSoundServer, APlayerSwitchedOnAfterTheServerCameBackPlaysOnTheNewOne) {
    IDirectSound* ds = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
    ds->Release();
    ASSERT_EQ(countOn(server, Streams), 1) << "the device stays open for the next player";
    ASSERT_TRUE(server.restart()) << server.why();
    int streams = 0;
    for (int switches = 0; switches < 200 && streams == 0; ++switches) {
        ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
        streams = countOn(server, Streams);
        ds->Release();
    }
    EXPECT_EQ(streams, 1);
}

// The audio library stays started while the process uses sound: with nothing else open, a
// capture switched on connects to the server only for its own stream.
TEST_F(SdlOnSoundServer, ACaptureSwitchedOnConnectsOnlyForItsOwnStream) {
    const WAVEFORMATEX format = pcm(2, 16, 44100);
    DSCBUFFERDESC desc;
    desc.dwBufferBytes = 4 * 4096;
    desc.lpwfxFormat = &format;
    int before = 0;
    for (int switches = 0; switches <= 5; ++switches) {
        if (switches == 1) before = countOn(server, NewestClient); // the library has started
        IDirectSoundCapture* capture = nullptr;
        IDirectSoundCaptureBuffer* buffer = nullptr;
        ASSERT_EQ(DirectSoundCaptureCreate(nullptr, &capture, nullptr), DS_OK);
        ASSERT_EQ(capture->CreateCaptureBuffer(&desc, &buffer, nullptr), DS_OK);
        buffer->Release();
        capture->Release();
    }
    EXPECT_EQ(countOn(server, NewestClient) - before - 1, 5) << "connections besides the pactl asking";
}
