#include "platform/dsound/LockedRegions.h"

#include <algorithm>

bool LockedRegions::Locked(DWORD first, DWORD end) const {
    return std::any_of(locked_.begin(), locked_.end(),
                       [&](const auto& region) { return first < region.second && region.first < end; });
}

void LockedRegions::Unlock(DWORD first, DWORD end, std::vector<BYTE>& bytes, BYTE silence) {
    const auto it = std::find(locked_.begin(), locked_.end(), std::pair{first, end});
    if (it == locked_.end()) return;
    locked_.erase(it);
    std::erase_if(passed_, [&](const auto& range) {
        if (Locked(range.first, range.second)) return false;
        std::fill(bytes.begin() + range.first, bytes.begin() + range.second, silence);
        return true;
    });
}

void LockedRegions::Passed(DWORD first, DWORD end) {
    // The device moves on frame by frame: a frame joins the range it follows.
    if (!passed_.empty() && passed_.back().second == first)
        passed_.back().second = end;
    else
        passed_.emplace_back(first, end);
}

DWORD LockedRegions::LockedBytes() const {
    DWORD bytes = 0;
    for (const auto& [first, end] : locked_)
        bytes += end - first;
    return bytes;
}
