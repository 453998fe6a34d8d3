#pragma once
// The device side of the mixer service: where the lines, controls and values come from.
// The ALSA backend drives the system's sound cards and sound server; the fake backend is a
// device a test builds and changes. The service (MixerApi.cpp) never knows which one runs:
// it checks every request, numbers lines and controls, expands uniform values and delivers
// change notices, so each backend only describes its layout and moves values.
#include "platform/mmsys/MixerApi.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

struct MixerControlDesc {
    DWORD type = 0;
    DWORD flags = 0; // MIXERCONTROL_CONTROLF_*
    DWORD items = 0; // item count of a MULTIPLE control, else 0
    LONG minimum = 0;
    LONG maximum = 0;
    DWORD steps = 0;
    std::string shortName;
    std::string name;
    std::vector<std::string> itemNames; // one per item of a list control
};

struct MixerLineDesc {
    std::string shortName;
    std::string name;
    DWORD channels = 1;
    std::vector<MixerControlDesc> controls;
};

struct MixerDestinationDesc {
    MixerLineDesc line;
    std::vector<MixerLineDesc> sources;
};

// Destinations in order; controls are numbered from 0 in this order: a destination's own,
// then those of each of its sources, then the next destination's.
using MixerLayout = std::vector<MixerDestinationDesc>;

// Where a numbered control sits in a layout.
struct MixerControlPlace {
    std::size_t destination = 0;
    int source = -1; // -1: the destination line itself
    std::size_t control = 0;
};
std::vector<MixerControlPlace> PlaceControls(const MixerLayout& layout);
const MixerLineDesc& LineAt(const MixerLayout& layout, const MixerControlPlace& place);
const MixerControlDesc& ControlAt(const MixerLayout& layout, const MixerControlPlace& place);
// Channels a control's values carry: 1 for a uniform control, else its line's.
DWORD ControlChannels(const MixerLineDesc& line, const MixerControlDesc& control);
// Entries of a control's values: channels times items (items counted as 1 when single).
std::size_t ControlValueCount(const MixerLineDesc& line, const MixerControlDesc& control);

// The ids the service gives: controls from 1 in layout order; a destination's line id has
// 0xFFFF in its low half, a source's its source index.
constexpr DWORD MixerControlId(std::size_t index) {
    return static_cast<DWORD>(index + 1);
}
constexpr DWORD MixerLineId(std::size_t destination, int source) {
    return static_cast<DWORD>(destination) << 16 | (source < 0 ? 0xFFFFu : static_cast<DWORD>(source));
}

// What changed outside the service's own writes.
struct MixerChange {
    bool lineChanged = false; // the control's line changed shape (or went away)
    std::size_t control = 0;
};

// An open device. Values are full: ControlValueCount entries, item-major.
class MixerDevice {
public:
    virtual ~MixerDevice() = default;
    virtual const MixerLayout& layout() const = 0;
    virtual MMRESULT read(std::size_t control, std::vector<LONG>& values) = 0;
    virtual MMRESULT write(std::size_t control, const std::vector<LONG>& values) = 0;
    // File descriptors that become readable when something changed; the service watches
    // them on the GUI thread and then calls takeChanges, which must drain them.
    virtual std::vector<int> changeDescriptors() = 0;
    virtual std::vector<MixerChange> takeChanges() = 0;
};

struct MixerDeviceInfo {
    std::string name; // product name
    DWORD destinations = 0;
};

// The calls a test backend can make fail.
enum class MixerOp {
    GetDevCaps,
    Open,
    Close,
    GetLineInfo,
    GetLineControls,
    GetControlDetails,
    SetControlDetails
};

class MixerBackend {
public:
    virtual ~MixerBackend() = default;
    // Lists the devices afresh; the order is the order of the device ids until the next
    // listing.
    virtual std::vector<MixerDeviceInfo> listDevices() = 0;
    // The last listing (listing first when there was none).
    virtual std::vector<MixerDeviceInfo> devices() = 0;
    virtual MMRESULT open(UINT device, std::unique_ptr<MixerDevice>& opened) = 0;
    // A result the next call of op answers instead of doing its work; success for none.
    virtual MMRESULT takeFault(MixerOp op) { return MMSYSERR_NOERROR; }
};

// The backend the service uses from now on (null: ALSA's). The caller keeps ownership and
// closes every handle opened on a backend before removing it.
void SetMixerBackend(MixerBackend* backend);
MixerBackend& CurrentMixerBackend();
// Handles open now, for leak checks in tests.
std::size_t OpenMixerCount();
