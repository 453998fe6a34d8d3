#include "platform/ddraw/DDrawTest.h"

#include "platform/ddraw/DDraw.h"
#include "platform/ddraw/DDrawCore.h"

#include <algorithm>

namespace DDrawTest {

using ddcore::env;
using ddcore::Environment;

void FailNext(DDOperation operation, int count, HRESULT result) {
    std::lock_guard guard(env().lock);
    Environment::Fault& fault = env().faults[std::size_t(operation)];
    env().armedFaults.fetch_add(std::max(count, 0) - std::max(fault.remaining, 0));
    fault = {count, result};
}

int CallCount(DDOperation operation) {
    return env().calls[std::size_t(operation)].load();
}

void LoseAllSurfaces(bool causeLasts) {
    env().lossCause.store(causeLasts);
    env().lossEpoch.fetch_add(1);
}

void EndLossCause() {
    env().lossCause.store(false);
}

void SetPitchPadding(int bytes) {
    env().pitchPadding.store(bytes < 0 ? 0 : bytes);
}

void SetVerticalBlankWait(bool wait) {
    env().verticalBlankWait.store(wait);
}

void SetLibraryMissing(bool missing) {
    env().libraryMissing.store(missing);
}

void SetEntryMissing(bool missing) {
    env().entryMissing.store(missing);
}

void SetDesktopMode(int width, int height, int bpp) {
    std::lock_guard guard(env().lock);
    env().desktopPinned = true;
    env().desktopWidth = width;
    env().desktopHeight = height;
    env().desktopBpp = bpp;
}

void Reset() {
    {
        std::lock_guard guard(env().lock);
        env().faults = {};
        env().armedFaults.store(0);
        for (std::atomic<int>& count : env().calls)
            count.store(0);
        env().desktopPinned = false;
        env().desktopWidth = 1920;
        env().desktopHeight = 1080;
        env().desktopBpp = 32;
    }
    env().lossCause.store(false);
    env().pitchPadding.store(0);
    env().verticalBlankWait.store(true);
    env().libraryMissing.store(false);
    env().entryMissing.store(false);
}

} // namespace DDrawTest

ScopedDDrawTest::ScopedDDrawTest() {
    DDrawTest::Reset();
    DDrawTest::SetDesktopMode(1920, 1080, 32);
    DDrawTest::SetVerticalBlankWait(false);
}

ScopedDDrawTest::~ScopedDDrawTest() {
    DDrawTest::Reset();
}

IDirectDraw7* CreateDirectDraw7() {
    auto create = GetDDrawProcAddress(LoadDDrawLibrary("DDRAW.DLL"), "DirectDrawCreate");
    IDirectDraw* dd = nullptr;
    if (!create || FAILED(create(nullptr, &dd, nullptr)) || !dd) return nullptr;
    IDirectDraw7* device = nullptr;
    dd->QueryInterface(IID_IDirectDraw7, reinterpret_cast<void**>(&device));
    dd->Release();
    return device;
}
