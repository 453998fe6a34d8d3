#pragma once
// The mixer service: the faders, switches, selection lists and level meters of the sound
// devices. A device has destinations (where sound goes: playback, recording), each a line
// with controls of its own and source lines that feed it, each with controls. A control has
// a type (its class in the top four bits), a value per channel (one for a uniform control)
// and per item (list controls), and bounds.
//
// Values travel as 4-byte entries, item-major: all channels of item 0, then of item 1, ...
// A request for one channel of a control that has more reads the first channel and writes
// every channel. Switch values are 0 or 1. A single-select list keeps exactly one item set
// per channel: a write that sets several keeps the one that was not set before, a write that
// sets none keeps the selection.
//
// Every open handle with a callback hears of changes on the GUI thread: a control changed
// by anybody (this program included) arrives as MM_MIXM_CONTROL_CHANGE with the control's
// id, a line whose shape changed as MM_MIXM_LINE_CHANGE with the line's id. Opening with a
// callback must happen on the GUI thread.
//
// The devices come from a backend: ALSA's mixer interface unless a test installs its own.
#include "platform/mmsys/MmResults.h"

#include <cstdint>
#include <functional>

using UINT = unsigned int;
using LONG = std::int32_t;

struct MixerHandle;
using HMIXER = MixerHandle*;

constexpr MMRESULT MIXERR_INVALLINE = 1024;
constexpr MMRESULT MIXERR_INVALCONTROL = 1025;
constexpr MMRESULT MIXERR_INVALVALUE = 1026;

constexpr unsigned MM_MIXM_LINE_CHANGE = 0x3D0;
constexpr unsigned MM_MIXM_CONTROL_CHANGE = 0x3D1;

constexpr int MAXPNAMELEN = 32;
constexpr int MIXER_SHORT_NAME_CHARS = 16;
constexpr int MIXER_LONG_NAME_CHARS = 64;

// mixerOpen: no notifications, or notifications through the callback on the GUI thread.
constexpr DWORD CALLBACK_NULL = 0x00000000;
constexpr DWORD CALLBACK_WINDOW = 0x00010000;

constexpr DWORD MIXER_GETLINEINFOF_DESTINATION = 0x00000000;
constexpr DWORD MIXER_GETLINEINFOF_SOURCE = 0x00000001;
constexpr DWORD MIXER_GETLINECONTROLSF_ALL = 0x00000000;
constexpr DWORD MIXER_GETCONTROLDETAILSF_VALUE = 0x00000000;
constexpr DWORD MIXER_GETCONTROLDETAILSF_LISTTEXT = 0x00000001;
constexpr DWORD MIXER_SETCONTROLDETAILSF_VALUE = 0x00000000;

constexpr DWORD MIXERCONTROL_CONTROLF_UNIFORM = 0x00000001;
constexpr DWORD MIXERCONTROL_CONTROLF_MULTIPLE = 0x00000002;
constexpr DWORD MIXERCONTROL_CONTROLF_DISABLED = 0x80000000;

// Control classes (type & MIXERCONTROL_CT_CLASS_MASK).
constexpr DWORD MIXERCONTROL_CT_CLASS_MASK = 0xF0000000;
constexpr DWORD MIXERCONTROL_CT_CLASS_CUSTOM = 0x00000000;
constexpr DWORD MIXERCONTROL_CT_CLASS_METER = 0x10000000;
constexpr DWORD MIXERCONTROL_CT_CLASS_SWITCH = 0x20000000;
constexpr DWORD MIXERCONTROL_CT_CLASS_NUMBER = 0x30000000;
constexpr DWORD MIXERCONTROL_CT_CLASS_SLIDER = 0x40000000;
constexpr DWORD MIXERCONTROL_CT_CLASS_FADER = 0x50000000;
constexpr DWORD MIXERCONTROL_CT_CLASS_TIME = 0x60000000;
constexpr DWORD MIXERCONTROL_CT_CLASS_LIST = 0x70000000;
// Lists whose items may be set together, as against one item at a time.
constexpr DWORD MIXERCONTROL_CT_SC_LIST_MULTIPLE = 0x01000000;

// Control types: class, subclass, units and an index within the class.
constexpr DWORD MIXERCONTROL_CONTROLTYPE_CUSTOM = 0x00000000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_BOOLEANMETER = 0x10010000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_SIGNEDMETER = 0x10020000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_PEAKMETER = 0x10020001;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_UNSIGNEDMETER = 0x10030000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_ONOFF = 0x20010001;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_MUTE = 0x20010002;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_LOUDNESS = 0x20010004;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_SIGNED = 0x30020000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_DECIBELS = 0x30040000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_PAN = 0x40020001;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_FADER = 0x50030000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_VOLUME = 0x50030001;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_BASS = 0x50030002;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_TREBLE = 0x50030003;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_EQUALIZER = 0x50030004;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_MILLITIME = 0x61030000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_SINGLESELECT = 0x70010000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_MUX = 0x70010001;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT = 0x71010000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_MIXER = 0x71010001;

struct MIXERCAPSA {
    char szPname[MAXPNAMELEN] = {}; // product name
    DWORD cDestinations = 0;
};

struct MIXERLINEA {
    DWORD cbStruct = sizeof(MIXERLINEA);
    DWORD dwDestination = 0; // in: the destination asked for (also for a source)
    DWORD dwSource = 0;      // in: the source asked for
    DWORD dwLineID = 0;
    DWORD cChannels = 0;
    DWORD cConnections = 0; // a destination's source count; 0 for a source
    DWORD cControls = 0;
    char szShortName[MIXER_SHORT_NAME_CHARS] = {};
    char szName[MIXER_LONG_NAME_CHARS] = {};
};

struct MIXERCONTROLA {
    DWORD cbStruct = sizeof(MIXERCONTROLA);
    DWORD dwControlID = 0;
    DWORD dwControlType = 0;
    DWORD fdwControl = 0;
    DWORD cMultipleItems = 0; // items of a MULTIPLE control, else 0
    char szShortName[MIXER_SHORT_NAME_CHARS] = {};
    char szName[MIXER_LONG_NAME_CHARS] = {};
    struct {
        LONG lMinimum = 0;
        LONG lMaximum = 0;
    } Bounds;
    struct {
        DWORD cSteps = 0;
    } Metrics;
};

// All controls of one line: cControls and the array must hold exactly the line's count.
struct MIXERLINECONTROLSA {
    DWORD cbStruct = sizeof(MIXERLINECONTROLSA);
    DWORD dwLineID = 0;
    DWORD cControls = 0;
    DWORD cbmxctrl = sizeof(MIXERCONTROLA);
    MIXERCONTROLA* pamxctrl = nullptr;
};

// cChannels: 1 or the control's channel count; cMultipleItems: the control's item count
// for a MULTIPLE control, else 0; cbDetails: the size of one entry.
struct MIXERCONTROLDETAILS {
    DWORD cbStruct = sizeof(MIXERCONTROLDETAILS);
    DWORD dwControlID = 0;
    DWORD cChannels = 0;
    DWORD cMultipleItems = 0;
    DWORD cbDetails = 0;
    void* paDetails = nullptr;
};

struct MIXERCONTROLDETAILS_SIGNED {
    LONG lValue = 0;
};
struct MIXERCONTROLDETAILS_UNSIGNED {
    DWORD dwValue = 0;
};
struct MIXERCONTROLDETAILS_BOOLEAN {
    LONG fValue = 0;
};
// The name of one item of a list control (one entry per item, not per channel).
struct MIXERCONTROLDETAILS_LISTTEXTA {
    char szName[MIXER_LONG_NAME_CHARS] = {};
};

// message is MM_MIXM_LINE_CHANGE or MM_MIXM_CONTROL_CHANGE; id the line's or the control's.
using MixerCallback = std::function<void(unsigned message, HMIXER mixer, DWORD id)>;

UINT mixerGetNumDevs();
MMRESULT mixerGetDevCapsA(UINT deviceId, MIXERCAPSA* caps, UINT size);
MMRESULT mixerOpen(HMIXER* mixer, UINT deviceId, MixerCallback callback, DWORD flags);
MMRESULT mixerClose(HMIXER mixer);
MMRESULT mixerGetLineInfoA(HMIXER mixer, MIXERLINEA* line, DWORD flags);
MMRESULT mixerGetLineControlsA(HMIXER mixer, MIXERLINECONTROLSA* controls, DWORD flags);
MMRESULT mixerGetControlDetailsA(HMIXER mixer, MIXERCONTROLDETAILS* details, DWORD flags);
MMRESULT mixerSetControlDetails(HMIXER mixer, const MIXERCONTROLDETAILS* details, DWORD flags);

// The class of a control type.
constexpr DWORD MixerControlClass(DWORD type) {
    return type & MIXERCONTROL_CT_CLASS_MASK;
}
