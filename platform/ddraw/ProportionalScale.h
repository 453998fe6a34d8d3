#pragma once
// A picture scaled to a screen keeping its aspect: it fills the largest centred rectangle of
// its shape, and every screen pixel in it shows the picture pixel nearest to its centre. The
// mapping is kept in two integer tables, so that any part of the screen can be drawn again
// alone and shows exactly what a whole scaling gives it.
#include "platform/kernel/Types.h"

#include <cstdint>
#include <vector>

// Where a picture of the source's size goes when scaled into the destination keeping its
// aspect: the largest such rectangle that fits, centred.
RECT AspectFitRect(int sourceWidth, int sourceHeight, int destWidth, int destHeight);

// The source pixel (row or column) that scaled pixel `scaledIndex` shows when `sourceLength`
// pixels are scaled to `scaledLength`: the one nearest to the scaled pixel's centre.
int NearestSourceIndex(int scaledIndex, int sourceLength, int scaledLength);

class ProportionalScale {
public:
    ProportionalScale() = default;
    ProportionalScale(int sourceWidth, int sourceHeight, int destWidth, int destHeight);

    int SourceWidth() const { return sourceWidth_; }
    int SourceHeight() const { return sourceHeight_; }
    int DestWidth() const { return destWidth_; }
    int DestHeight() const { return destHeight_; }
    // Where the picture lies on the screen (AspectFitRect).
    RECT Picture() const { return picture_; }
    // The screen pixels that show pixels of the source rectangle `area`; may be empty when
    // the picture is scaled down.
    RECT DestOf(const RECT& area) const;
    // Draws the picture's pixels inside the screen rectangle screenArea, with setBits set in
    // each; dest is where the area's top left pixel goes. Pixels of the area outside the
    // picture are left alone.
    void Render(const std::uint32_t* source, int sourceStride, const RECT& screenArea, std::uint32_t* dest,
                int destStride, std::uint32_t setBits = 0) const;
    // Makes the screen black outside the picture.
    void FillBars(std::uint32_t* dest, int destStride) const;

private:
    int sourceWidth_ = 0, sourceHeight_ = 0, destWidth_ = 0, destHeight_ = 0;
    RECT picture_{};
    std::vector<int> columns_; // source column of each screen column of the picture
    std::vector<int> rows_;    // source row of each screen row of the picture
};

// The whole picture scaled to the whole destination (ProportionalScale), the bars left over black.
void ScaleKeepingAspect(const std::uint32_t* source, int sourceWidth, int sourceHeight, std::uint32_t* dest,
                        int destWidth, int destHeight);
