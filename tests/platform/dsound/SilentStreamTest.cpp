#include "platform/dsound/SilentStream.h"
#include "platform/dsound/SdlBackend.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

// Waits (bounded, real time) until the stream has asked for at least count chunks.
bool waitForChunks(const std::atomic<int>& chunks, int count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (chunks.load() < count && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return chunks.load() >= count;
}

} // namespace

TEST(SilentStream, AsksForChunksOfTheDeviceSizeUntilClosed) {
    std::atomic<int> chunks{0};
    std::atomic<int> wrongSize{0};
    DeviceFormat wanted{8000, 2, 64};
    DeviceFormat got;
    auto stream = OpenSilentOutput(wanted, got, [&](std::int16_t*, int frames) {
        if (frames != 64) ++wrongSize;
        ++chunks;
    });
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(got.rate, 8000);
    EXPECT_EQ(got.channels, 2);
    ASSERT_TRUE(waitForChunks(chunks, 3));
    stream->close();
    const int afterClose = chunks.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(chunks.load(), afterClose) << "no callback after close returns";
    EXPECT_EQ(wrongSize.load(), 0);
}

TEST(SilentStream, TheDefaultOutputFallsBackToItWhenNoDeviceOpens) {
    // A driver that does not exist: SDL can open nothing, as on a machine without sound.
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    SdlBackend backend;
    std::atomic<int> chunks{0};
    DeviceFormat got;
    auto stream =
        backend.openOutput("", DeviceFormat{22050, 2, 256}, got, [&](std::int16_t*, int) { ++chunks; });
    ASSERT_NE(stream, nullptr);
    EXPECT_TRUE(waitForChunks(chunks, 2));
    EXPECT_TRUE(stream->Lost()) << "a stand-in is never kept for the next user: it tries the device again";
    DeviceFormat named;
    EXPECT_EQ(
        backend.openOutput("a card that is not there", DeviceFormat{}, named, [](std::int16_t*, int) {}),
        nullptr)
        << "only the default output goes silent; a named device still fails";
}
