// The SDL backend on SDL's own drivers: the dummy driver, the PulseAudio driver on the
// project's sound server, and the PulseAudio driver with no server behind it, where the
// default output plays silently.
#include "platform/dsound/DSound.h"
#include "tests/ScopedEnvironment.h"
#include "tests/SoundServer.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace {

enum class Driver { Dummy, PulseWithoutServer, PulseOnServer };

// Points SDL at one driver for a test's scope.
class DriverScope {
public:
    explicit DriverScope(Driver driver) {
        if (driver == Driver::Dummy) return;
        if (driver == Driver::PulseOnServer)
            server_.emplace();
        else
            deadServer_.emplace("PULSE_SERVER", "unix:/nonexistent/vortamix-no-server");
        pulse_.emplace("SDL_AUDIODRIVER", "pulseaudio");
    }
    // Why the driver cannot be had here; empty when it can.
    std::string missing() const {
        if (server_ && !server_->ready()) return server_->why();
        return {};
    }

private:
    std::optional<vx_test::ScopedSoundServer> server_;
    std::optional<ScopedEnvironment> deadServer_;
    std::optional<ScopedEnvironment> pulse_;
};

class SdlDrivers : public ::testing::TestWithParam<Driver> {};

std::string driverName(const ::testing::TestParamInfo<Driver>& param) {
    static const char* const names[] = {"Dummy", "PulseWithoutServer", "PulseOnServer"};
    return names[static_cast<int>(param.param)];
}

} // namespace

// Starting and stopping the audio library, listing its devices and opening them must not
// overlap: threads that switch players and a capture on and off at once once crashed in the
// device listing of a switch-on.
TEST_P(SdlDrivers, ThreadsSwitchingDevicesOnAndOffAtOnceNeverOverlapInTheAudioLibrary) {
    DriverScope driver(GetParam());
    if (!driver.missing().empty()) GTEST_SKIP() << driver.missing();
    constexpr int players = 4;
    constexpr int switches = 40;
    std::vector<std::thread> threads;
    for (int t = 0; t < players; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < switches; ++i) {
                IDirectSound* ds = nullptr;
                if (SUCCEEDED(DirectSoundCreate(nullptr, &ds, nullptr))) ds->Release();
            }
        });
    threads.emplace_back([] {
        for (int i = 0; i < switches; ++i) {
            IDirectSoundCapture* capture = nullptr;
            if (SUCCEEDED(DirectSoundCaptureCreate(nullptr, &capture, nullptr))) capture->Release();
        }
    });
    for (std::thread& t : threads)
        t.join();
    IDirectSound* ds = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK) << "the default output still opens";
    ds->Release();
}

INSTANTIATE_TEST_SUITE_P(Drivers, SdlDrivers,
                         ::testing::Values(Driver::Dummy, Driver::PulseWithoutServer, Driver::PulseOnServer),
                         driverName);
