#pragma once
// Inner state shared by the stand-in's objects (not for callers outside platform/ddraw).
#include "platform/ddraw/DDraw.h"
#include "platform/ddraw/DDrawTest.h"
#include "platform/ddraw/PixelOps.h"

#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

namespace ddcore {

// Process-wide test hooks and the emulated desktop.
struct Environment {
    struct Fault {
        int remaining = 0;
        HRESULT result = DD_OK;
    };
    std::mutex lock; // guards faults and the desktop fields below
    std::array<Fault, std::size_t(DDOperation::Count)> faults{};
    // Counted without the lock: every blit passes here, hundreds of times a frame.
    std::array<std::atomic<int>, std::size_t(DDOperation::Count)> calls{};
    // Faults waiting to be answered; while 0 no call needs the lock.
    std::atomic<int> armedFaults{0};
    std::atomic<unsigned> lossEpoch{0};
    std::atomic<bool> lossCause{false};
    std::atomic<int> pitchPadding{0};
    std::atomic<bool> verticalBlankWait{true};
    std::atomic<bool> libraryMissing{false};
    std::atomic<bool> entryMissing{false};
    // The desktop a windowed device draws on: the real screen's size unless a test pinned it.
    bool desktopPinned = false;
    int desktopWidth = 1920;
    int desktopHeight = 1080;
    int desktopBpp = 32;
};
Environment& env();

// Counts the call and answers the injected failure, or DD_OK.
HRESULT Injected(DDOperation operation);

// A value never handed out before in this process: surfaces and palettes take one at every
// change of what they hold, so equal values mean equal contents.
DWORD NewContentSerial();

struct Mode {
    int width = 0;
    int height = 0;
    int bpp = 0;
};

class Surface;

// State of one device, shared with the surfaces it made so they outlive its release safely.
struct DeviceCore {
    std::recursive_mutex lock; // guards every surface of the device and the fields below
    DWORD cooperativeFlags = DDSCL_NORMAL;
    DDWindow* window = nullptr;
    bool modeSet = false;
    Mode mode;               // the display: the desktop, or the mode set in exclusive mode
    unsigned modeSerial = 0; // surfaces of an earlier mode can never be restored
    Surface* primary = nullptr;
    std::chrono::steady_clock::time_point nextVerticalBlank{};
    std::vector<std::uint32_t> presentBuffer;

    bool exclusive() const { return (cooperativeFlags & DDSCL_EXCLUSIVE) != 0; }
    // Waits until the next simulated vertical blank at 60 Hz (when the hook allows).
    void waitForVerticalBlank();
};

class Palette : public IDirectDrawPalette {
public:
    explicit Palette(const PALETTEENTRY* entries);
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetCaps(DWORD* caps) override;
    HRESULT GetEntries(DWORD flags, DWORD base, DWORD count, PALETTEENTRY* entries) override;
    HRESULT SetEntries(DWORD flags, DWORD base, DWORD count, const PALETTEENTRY* entries) override;
    std::array<PALETTEENTRY, 256> Entries() const;
    DWORD Serial() const { return serial_.load(); }

private:
    std::atomic<ULONG> refs_{1};
    std::atomic<DWORD> serial_{NewContentSerial()};
    mutable std::mutex lock_;
    std::array<PALETTEENTRY, 256> entries_{};
};

class Clipper : public IDirectDrawClipper {
public:
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT SetHWnd(DWORD flags, DDWindow* window) override;
    HRESULT GetHWnd(DDWindow** window) override;
    DDWindow* Window() const { return window_.load(); }

private:
    std::atomic<ULONG> refs_{1};
    std::atomic<DDWindow*> window_{nullptr};
};

} // namespace ddcore
