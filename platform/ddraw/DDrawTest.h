#pragma once
// Test hooks of the DirectDraw stand-in: make calls fail, lose surfaces, pad pitches,
// switch off the vertical-blank wait, make the run-time library missing. They act on every
// device of the process; Reset puts everything back.
#include "platform/kernel/Types.h"

enum class DDOperation {
    DirectDrawCreate,
    QueryInterface,
    SetCooperativeLevel,
    SetDisplayMode,
    CreateSurface,
    CreateClipper,
    CreatePalette,
    GetAttachedSurface,
    GetSurfaceDesc,
    Blt,
    BltFast,
    Flip,
    Lock,
    GetDC,
    Restore,
    SetColorKey,
    SetPalette,
    SetClipper,
    Count
};

namespace DDrawTest {

// The next count calls of operation answer result instead of doing their work.
void FailNext(DDOperation operation, int count, HRESULT result);
// Calls of operation made since the last Reset (failed ones included).
int CallCount(DDOperation operation);
// Every existing surface becomes lost. While the cause lasts, Restore fails.
void LoseAllSurfaces(bool causeLasts);
void EndLossCause();
// Extra bytes at the end of every row of surfaces created from now on (rounded to 4).
void SetPitchPadding(int bytes);
// Flips and presents to the primary wait for the simulated vertical blank (default on).
void SetVerticalBlankWait(bool wait);
// Loading the library fails, or its entry is missing.
void SetLibraryMissing(bool missing);
void SetEntryMissing(bool missing);
// Pins the desktop a windowed device draws on (otherwise the size of the screen its window
// is on, at 32 bits per pixel). A test scope pins 1920 x 1080 x 32.
void SetDesktopMode(int width, int height, int bpp);
void Reset();

} // namespace DDrawTest

class IDirectDraw7;
// A device as the program gets one (library entry, then the DirectDraw 7 interface), for
// benchmarks and fuzz targets; null when the entry is missing. The caller releases it.
IDirectDraw7* CreateDirectDraw7();

// Restores the hooks when a test scope ends.
class ScopedDDrawTest {
public:
    ScopedDDrawTest();
    ~ScopedDDrawTest();
    ScopedDDrawTest(const ScopedDDrawTest&) = delete;
    ScopedDDrawTest& operator=(const ScopedDDrawTest&) = delete;
};
