#pragma once
// The frames on their way to the screen. Each frame received is compared with the one before
// in square tiles, and only the tiles that changed are kept and handed on; a frame equal to
// the one before changes nothing. A game frame mostly differs from the last one only where
// sprites moved, and only those parts are drawn on the screen again: unscaled in a window,
// scaled keeping the aspect in full screen (ProportionalScale).
//
// Two sides: Receive keeps the newest frame; Update brings the shown frame up to date with it
// and Draw draws parts of the screen from the shown frame. A presenter calls Receive and
// Update under one lock; the shown frame changes only in Update, so the thread that calls
// Update may call Draw without the lock.
#include "platform/ddraw/ProportionalScale.h"

#include <cstdint>
#include <vector>

class ScreenPicture {
public:
    static constexpr int kTile = 32;

    // Takes a frame of width x height pixels whose rows lie stride values apart; answers
    // whether it differs from the frame before (in size, in screen mode or in any pixel).
    bool Receive(const std::uint32_t* pixels, int width, int height, int stride, bool fullScreen);

    // Brings the shown frame up to date with the newest one, on a screen of the given size
    // (a window's screen is the frame's own area from (0, 0)). Answers the screen rectangles
    // that show something else now.
    std::vector<RECT> Update(int screenWidth, int screenHeight);
    // Where the shown frame lies on the screen; the rest of the screen is black.
    RECT Shown() const;
    // Draws the screen rectangle area (inside Shown()) into dest, where the area's top left
    // pixel goes, with setBits set in every pixel.
    void Draw(const RECT& area, std::uint32_t* dest, int destStride, std::uint32_t setBits) const;

private:
    int tileColumns() const { return (width_ + kTile - 1) / kTile; }
    std::vector<RECT> changedAreas();
    bool receiveChanges(const std::uint32_t* pixels, int stride);
    bool receiveAfterSwap(const std::uint32_t* pixels, int stride);
    void takeChangedAreas(const std::vector<RECT>& areas);

    // The newest frame; after an exchange (frameBehind_) the shown frame is the newest and
    // this one is older.
    std::vector<std::uint32_t> frame_;
    int width_ = 0;
    int height_ = 0;
    bool fullScreen_ = false;
    std::vector<std::uint8_t> changedTiles_; // 1: the tile changed since the last Update
    bool replaced_ = false;                  // the size or the screen mode changed
    bool frameBehind_ = false;               // the newest frame was taken by exchange

    // The shown frame and where it goes.
    std::vector<std::uint32_t> shown_;
    int shownWidth_ = 0;
    int shownHeight_ = 0;
    bool shownFullScreen_ = false;
    ProportionalScale scale_; // full screen: the shown frame onto the screen
};
