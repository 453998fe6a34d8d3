#pragma once
// The regions of a ring buffer its owner has locked, and the frames its device passed over
// inside them. While the owner holds a region the device keeps out of it (a playing buffer
// hears it as silence, a capturing one writes nothing there), so the owner never meets bytes
// that change under it. What the device passed over in that time is over for this turn: a
// capture frame it could not write is lost, a frame a sound-once buffer could not silence was
// heard as silence; so once the owner lets go, those frames read as silence, never as what
// they held a turn before.
#include "platform/kernel/Types.h"

#include <utility>
#include <vector>

class LockedRegions {
public:
    bool Empty() const { return locked_.empty(); }
    // Whether any byte of [first, end) is locked.
    bool Locked(DWORD first, DWORD end) const;
    void Lock(DWORD first, DWORD end) { locked_.emplace_back(first, end); }
    // Lets go of [first, end) and silences, in bytes, the frames passed over that no lock
    // holds any longer.
    void Unlock(DWORD first, DWORD end, std::vector<BYTE>& bytes, BYTE silence);
    // The device passed over the locked bytes [first, end).
    void Passed(DWORD first, DWORD end);
    // Bytes locked in all.
    DWORD LockedBytes() const;

private:
    std::vector<std::pair<DWORD, DWORD>> locked_;
    std::vector<std::pair<DWORD, DWORD>> passed_;
};
