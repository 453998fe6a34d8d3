#include "platform/ddraw/ProportionalScale.h"

#include "platform/ddraw/ScaledRow.h"

#include <algorithm>
#include <cstring>

RECT AspectFitRect(int sourceWidth, int sourceHeight, int destWidth, int destHeight) {
    if (sourceWidth <= 0 || sourceHeight <= 0 || destWidth <= 0 || destHeight <= 0) return RECT{};
    int w = destWidth, h = int(std::int64_t(destWidth) * sourceHeight / sourceWidth);
    if (h > destHeight) {
        h = destHeight;
        w = int(std::int64_t(destHeight) * sourceWidth / sourceHeight);
    }
    const int left = (destWidth - w) / 2, top = (destHeight - h) / 2;
    return RECT{left, top, left + w, top + h};
}

int NearestSourceIndex(int scaledIndex, int sourceLength, int scaledLength) {
    // 16.16 fixed point: the step is one scaled pixel in source pixels.
    const std::int64_t step = (std::int64_t(sourceLength) << 16) / scaledLength;
    return int((scaledIndex * step + step / 2) >> 16);
}

ProportionalScale::ProportionalScale(int sourceWidth, int sourceHeight, int destWidth, int destHeight)
    : sourceWidth_(sourceWidth), sourceHeight_(sourceHeight), destWidth_(destWidth), destHeight_(destHeight),
      picture_(AspectFitRect(sourceWidth, sourceHeight, destWidth, destHeight)) {
    const int w = picture_.right - picture_.left, h = picture_.bottom - picture_.top;
    columns_.resize(std::size_t(std::max(w, 0)));
    rows_.resize(std::size_t(std::max(h, 0)));
    for (int x = 0; x < w; ++x)
        columns_[std::size_t(x)] = NearestSourceIndex(x, sourceWidth, w);
    for (int y = 0; y < h; ++y)
        rows_[std::size_t(y)] = NearestSourceIndex(y, sourceHeight, h);
}

namespace {

// The scaled span [first, last) whose entries of the ascending table lie in [from, to).
std::pair<int, int> spanOf(const std::vector<int>& table, int from, int to) {
    const auto first = std::lower_bound(table.begin(), table.end(), from);
    const auto last = std::lower_bound(first, table.end(), to);
    return {int(first - table.begin()), int(last - table.begin())};
}

} // namespace

RECT ProportionalScale::DestOf(const RECT& area) const {
    const auto [left, right] = spanOf(columns_, area.left, area.right);
    const auto [top, bottom] = spanOf(rows_, area.top, area.bottom);
    if (left >= right || top >= bottom) return RECT{};
    return RECT{picture_.left + left, picture_.top + top, picture_.left + right, picture_.top + bottom};
}

void ProportionalScale::Render(const std::uint32_t* source, int sourceStride, const RECT& screenArea,
                               std::uint32_t* dest, int destStride, std::uint32_t setBits) const {
    const int left = std::max(screenArea.left, picture_.left),
              right = std::min(screenArea.right, picture_.right);
    const int top = std::max(screenArea.top, picture_.top),
              bottom = std::min(screenArea.bottom, picture_.bottom);
    const int width = right - left;
    if (width <= 0) return;
    const int* column = columns_.data() + (left - picture_.left);
    const bool unscaled = picture_.right - picture_.left == sourceWidth_;
    const pixelops::ScaledRowFill fillRow = pixelops::BestScaledRow();
    int previousRow = -1;
    for (int y = top; y < bottom; ++y) {
        const int row = rows_[std::size_t(y - picture_.top)];
        std::uint32_t* out =
            dest + std::ptrdiff_t(y - screenArea.top) * destStride + (left - screenArea.left);
        // Screen rows that show the same picture row repeat the one above.
        if (row == previousRow) {
            std::memcpy(out, out - destStride, std::size_t(width) * sizeof *out);
            continue;
        }
        const std::uint32_t* in = source + std::ptrdiff_t(row) * sourceStride;
        if (unscaled) {
            in += left - picture_.left;
            for (int x = 0; x < width; ++x)
                out[x] = in[x] | setBits;
        } else {
            fillRow(out, in, sourceWidth_, column, width, setBits);
        }
        previousRow = row;
    }
}

void ProportionalScale::FillBars(std::uint32_t* dest, int destStride) const {
    const RECT& p = picture_;
    if (p.right <= p.left || p.bottom <= p.top) {
        for (int y = 0; y < destHeight_; ++y)
            std::fill_n(dest + std::ptrdiff_t(y) * destStride, destWidth_, 0u);
        return;
    }
    for (int y = 0; y < destHeight_; ++y) {
        std::uint32_t* line = dest + std::ptrdiff_t(y) * destStride;
        if (y < p.top || y >= p.bottom) {
            std::fill_n(line, destWidth_, 0u);
        } else {
            std::fill(line, line + p.left, 0u);
            std::fill(line + p.right, line + destWidth_, 0u);
        }
    }
}

void ScaleKeepingAspect(const std::uint32_t* source, int sourceWidth, int sourceHeight, std::uint32_t* dest,
                        int destWidth, int destHeight) {
    if (destWidth <= 0 || destHeight <= 0) return;
    const ProportionalScale scale(sourceWidth, sourceHeight, destWidth, destHeight);
    scale.FillBars(dest, destWidth);
    scale.Render(source, sourceWidth, RECT{0, 0, destWidth, destHeight}, dest, destWidth);
}
