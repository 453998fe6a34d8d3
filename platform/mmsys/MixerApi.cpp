#include "platform/mmsys/MixerApi.h"

#include "platform/framework/QtBridge.h"
#include "platform/mmsys/AlsaMixer.h"
#include "platform/mmsys/MixerBackend.h"

#include <QSocketNotifier>
#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

namespace {

class ChangeWatch;

} // namespace

// One open device. Lives in the service's table; callers hold only its address, which the
// service checks before every use.
struct MixerHandle {
    MixerBackend* backend = nullptr;
    UINT device = 0;
    unsigned serial = 0; // tells a notice meant for an earlier handle at the same address
    std::unique_ptr<MixerDevice> open;
    std::vector<MixerControlPlace> places;
    MixerCallback callback;
    std::unique_ptr<ChangeWatch> watch;
};

namespace {

// Recursive: a backend may call back into the service's helpers while a request runs.
struct MixerService {
    std::recursive_mutex lock;
    MixerBackend* backend = nullptr;
    std::map<MixerHandle*, std::unique_ptr<MixerHandle>> handles; // guarded by lock
    unsigned nextSerial = 1;                                      // guarded by lock
};

MixerService& service() {
    static MixerService instance;
    return instance;
}

MixerBackend& backendLocked() {
    static AlsaMixerBackend alsa;
    MixerService& s = service();
    return s.backend ? *s.backend : alsa;
}

MixerHandle* findLocked(HMIXER mixer) {
    auto& handles = service().handles;
    auto it = handles.find(mixer);
    return it == handles.end() ? nullptr : it->second.get();
}

// Hands a notice to the handle's callback on the GUI thread, unless the handle has been
// closed (or replaced) by then.
void postNotice(HMIXER mixer, unsigned serial, unsigned message, DWORD id) {
    vx::PostToGuiThread([mixer, serial, message, id] {
        MixerCallback callback;
        {
            std::lock_guard guard(service().lock);
            MixerHandle* handle = findLocked(mixer);
            if (!handle || handle->serial != serial || !handle->callback) return;
            callback = handle->callback;
        }
        vx::Guarded([&] { callback(message, mixer, id); });
    });
}

// Watches a device's descriptors on the GUI thread and turns what they report into notices.
class ChangeWatch {
public:
    ChangeWatch(MixerHandle* handle, const std::vector<int>& descriptors) {
        for (int fd : descriptors) {
            auto notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
            QObject::connect(notifier.get(), &QSocketNotifier::activated,
                             [mixer = handle, serial = handle->serial] { drain(mixer, serial); });
            notifiers_.push_back(std::move(notifier));
        }
    }

private:
    static void drain(HMIXER mixer, unsigned serial) {
        std::lock_guard guard(service().lock);
        MixerHandle* handle = findLocked(mixer);
        if (!handle || handle->serial != serial) return;
        for (const MixerChange& change : handle->open->takeChanges()) {
            if (change.control >= handle->places.size()) continue;
            const MixerControlPlace& place = handle->places[change.control];
            if (change.lineChanged)
                postNotice(mixer, serial, MM_MIXM_LINE_CHANGE, MixerLineId(place.destination, place.source));
            else
                postNotice(mixer, serial, MM_MIXM_CONTROL_CHANGE, MixerControlId(change.control));
        }
    }

    std::vector<std::unique_ptr<QSocketNotifier>> notifiers_;
};

// Copies a name into a fixed field, cut short at a character boundary, always terminated.
template <std::size_t N> void copyName(char (&field)[N], const std::string& text) {
    std::size_t length = std::min(text.size(), N - 1);
    if (length < text.size())
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

const MixerLineDesc* lineById(const MixerLayout& layout, DWORD id) {
    for (std::size_t d = 0; d < layout.size(); ++d) {
        if (MixerLineId(d, -1) == id) return &layout[d].line;
        for (std::size_t s = 0; s < layout[d].sources.size(); ++s)
            if (MixerLineId(d, static_cast<int>(s)) == id) return &layout[d].sources[s];
    }
    return nullptr;
}

void fillControl(MIXERCONTROLA& out, const MixerControlDesc& control, DWORD id) {
    out = MIXERCONTROLA{};
    out.dwControlID = id;
    out.dwControlType = control.type;
    out.fdwControl = control.flags;
    out.cMultipleItems = (control.flags & MIXERCONTROL_CONTROLF_MULTIPLE) ? control.items : 0;
    copyName(out.szShortName, control.shortName);
    copyName(out.szName, control.name);
    out.Bounds.lMinimum = control.minimum;
    out.Bounds.lMaximum = control.maximum;
    out.Metrics.cSteps = control.steps;
}

struct ControlRef {
    MixerHandle* handle = nullptr;
    std::size_t index = 0;
    const MixerLineDesc* line = nullptr;
    const MixerControlDesc* control = nullptr;
};

// Checks the parts of a details record that reading and writing share.
MMRESULT checkDetails(MixerHandle* handle, const MIXERCONTROLDETAILS* details, ControlRef& ref) {
    if (!details || details->cbStruct != sizeof(MIXERCONTROLDETAILS)) return MMSYSERR_INVALPARAM;
    const std::size_t index = details->dwControlID - 1;
    if (details->dwControlID == 0 || index >= handle->places.size()) return MIXERR_INVALCONTROL;
    const MixerLayout& layout = handle->open->layout();
    ref = {handle, index, &LineAt(layout, handle->places[index]), &ControlAt(layout, handle->places[index])};
    const DWORD channels = ControlChannels(*ref.line, *ref.control);
    if (details->cChannels != 1 && details->cChannels != channels) return MMSYSERR_INVALPARAM;
    const bool multiple = (ref.control->flags & MIXERCONTROL_CONTROLF_MULTIPLE) != 0;
    if (details->cMultipleItems != (multiple ? ref.control->items : 0)) return MMSYSERR_INVALPARAM;
    if (!details->paDetails) return MMSYSERR_INVALPARAM;
    return MMSYSERR_NOERROR;
}

std::size_t itemCount(const MixerControlDesc& control) {
    return (control.flags & MIXERCONTROL_CONTROLF_MULTIPLE) ? std::max<DWORD>(control.items, 1) : 1;
}

MMRESULT readValues(const ControlRef& ref, const MIXERCONTROLDETAILS& details) {
    if (details.cbDetails != sizeof(LONG)) return MMSYSERR_INVALPARAM;
    std::vector<LONG> values;
    const MMRESULT result = ref.handle->open->read(ref.index, values);
    if (result != MMSYSERR_NOERROR) return result;
    const std::size_t channels = ControlChannels(*ref.line, *ref.control);
    const std::size_t items = itemCount(*ref.control);
    if (values.size() != channels * items) return MMSYSERR_ERROR;
    auto* out = static_cast<LONG*>(details.paDetails);
    for (std::size_t item = 0; item < items; ++item)
        for (std::size_t c = 0; c < details.cChannels; ++c)
            out[item * details.cChannels + c] = values[item * channels + c];
    return MMSYSERR_NOERROR;
}

MMRESULT readListTexts(const ControlRef& ref, const MIXERCONTROLDETAILS& details) {
    if (MixerControlClass(ref.control->type) != MIXERCONTROL_CT_CLASS_LIST ||
        !(ref.control->flags & MIXERCONTROL_CONTROLF_MULTIPLE))
        return MMSYSERR_INVALPARAM;
    if (details.cbDetails != sizeof(MIXERCONTROLDETAILS_LISTTEXTA)) return MMSYSERR_INVALPARAM;
    auto* out = static_cast<MIXERCONTROLDETAILS_LISTTEXTA*>(details.paDetails);
    for (std::size_t item = 0; item < ref.control->items; ++item)
        copyName(out[item].szName, item < ref.control->itemNames.size() ? ref.control->itemNames[item] : "");
    return MMSYSERR_NOERROR;
}

bool singleSelect(const MixerControlDesc& control) {
    return MixerControlClass(control.type) == MIXERCONTROL_CT_CLASS_LIST &&
           !(control.type & MIXERCONTROL_CT_SC_LIST_MULTIPLE);
}

// Keeps exactly one item per channel of a single-select list: the newly set one wins, and
// clearing every item leaves the selection as it was.
MMRESULT keepOneSelected(const ControlRef& ref, std::vector<LONG>& values, std::size_t channels) {
    std::vector<LONG> current;
    const MMRESULT result = ref.handle->open->read(ref.index, current);
    if (result != MMSYSERR_NOERROR) return result;
    if (current.size() != values.size()) return MMSYSERR_ERROR;
    const std::size_t items = values.size() / channels;
    for (std::size_t c = 0; c < channels; ++c) {
        std::size_t chosen = items;
        for (std::size_t item = 0; item < items; ++item) {
            const std::size_t at = item * channels + c;
            if (values[at] && (chosen == items || !current[at])) chosen = item;
            if (values[at] && !current[at]) break;
        }
        for (std::size_t item = 0; item < items; ++item) {
            const std::size_t at = item * channels + c;
            values[at] = chosen == items ? current[at] : (item == chosen ? 1 : 0);
        }
    }
    return MMSYSERR_NOERROR;
}

// Expands a write to every channel and item and brings the values into the control's terms.
MMRESULT fullValues(const ControlRef& ref, const MIXERCONTROLDETAILS& details, std::vector<LONG>& values) {
    if (details.cbDetails != sizeof(LONG)) return MMSYSERR_INVALPARAM;
    const DWORD kind = MixerControlClass(ref.control->type);
    if (kind == MIXERCONTROL_CT_CLASS_METER) return MMSYSERR_NOTSUPPORTED;
    const std::size_t channels = ControlChannels(*ref.line, *ref.control);
    const std::size_t items = itemCount(*ref.control);
    const auto* in = static_cast<const LONG*>(details.paDetails);
    values.assign(channels * items, 0);
    for (std::size_t item = 0; item < items; ++item)
        for (std::size_t c = 0; c < channels; ++c)
            values[item * channels + c] = in[item * details.cChannels + (details.cChannels == 1 ? 0 : c)];
    if (kind == MIXERCONTROL_CT_CLASS_SWITCH || kind == MIXERCONTROL_CT_CLASS_LIST) {
        for (LONG& value : values)
            value = value != 0;
        return singleSelect(*ref.control) ? keepOneSelected(ref, values, channels) : MMSYSERR_NOERROR;
    }
    for (LONG value : values)
        if (value < ref.control->minimum || value > ref.control->maximum) return MIXERR_INVALVALUE;
    return MMSYSERR_NOERROR;
}

void noticeEveryHandleOf(const MixerHandle& writer, std::size_t control) {
    for (auto& [address, handle] : service().handles)
        if (handle->backend == writer.backend && handle->device == writer.device && handle->callback)
            postNotice(address, handle->serial, MM_MIXM_CONTROL_CHANGE, MixerControlId(control));
}

} // namespace

std::vector<MixerControlPlace> PlaceControls(const MixerLayout& layout) {
    std::vector<MixerControlPlace> places;
    for (std::size_t d = 0; d < layout.size(); ++d) {
        for (std::size_t c = 0; c < layout[d].line.controls.size(); ++c)
            places.push_back({d, -1, c});
        for (std::size_t s = 0; s < layout[d].sources.size(); ++s)
            for (std::size_t c = 0; c < layout[d].sources[s].controls.size(); ++c)
                places.push_back({d, static_cast<int>(s), c});
    }
    return places;
}

const MixerLineDesc& LineAt(const MixerLayout& layout, const MixerControlPlace& place) {
    const MixerDestinationDesc& destination = layout.at(place.destination);
    return place.source < 0 ? destination.line
                            : destination.sources.at(static_cast<std::size_t>(place.source));
}

const MixerControlDesc& ControlAt(const MixerLayout& layout, const MixerControlPlace& place) {
    return LineAt(layout, place).controls.at(place.control);
}

DWORD ControlChannels(const MixerLineDesc& line, const MixerControlDesc& control) {
    return (control.flags & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : std::max<DWORD>(line.channels, 1);
}

std::size_t ControlValueCount(const MixerLineDesc& line, const MixerControlDesc& control) {
    return ControlChannels(line, control) * itemCount(control);
}

void SetMixerBackend(MixerBackend* backend) {
    std::lock_guard guard(service().lock);
    service().backend = backend;
}

MixerBackend& CurrentMixerBackend() {
    std::lock_guard guard(service().lock);
    return backendLocked();
}

std::size_t OpenMixerCount() {
    std::lock_guard guard(service().lock);
    return service().handles.size();
}

UINT mixerGetNumDevs() {
    std::lock_guard guard(service().lock);
    return static_cast<UINT>(backendLocked().listDevices().size());
}

MMRESULT mixerGetDevCapsA(UINT deviceId, MIXERCAPSA* caps, UINT size) {
    std::lock_guard guard(service().lock);
    MixerBackend& backend = backendLocked();
    if (!caps || size < sizeof(MIXERCAPSA)) return MMSYSERR_INVALPARAM;
    if (MMRESULT fault = backend.takeFault(MixerOp::GetDevCaps)) return fault;
    const std::vector<MixerDeviceInfo> devices = backend.devices();
    if (deviceId >= devices.size()) return MMSYSERR_BADDEVICEID;
    *caps = MIXERCAPSA{};
    copyName(caps->szPname, devices[deviceId].name);
    caps->cDestinations = devices[deviceId].destinations;
    return MMSYSERR_NOERROR;
}

MMRESULT mixerOpen(HMIXER* mixer, UINT deviceId, MixerCallback callback, DWORD flags) {
    std::lock_guard guard(service().lock);
    MixerBackend& backend = backendLocked();
    if (!mixer) return MMSYSERR_INVALPARAM;
    *mixer = nullptr;
    if (flags != CALLBACK_NULL && flags != CALLBACK_WINDOW) return MMSYSERR_INVALFLAG;
    if (MMRESULT fault = backend.takeFault(MixerOp::Open)) return fault;
    if (deviceId >= backend.devices().size()) return MMSYSERR_BADDEVICEID;
    auto handle = std::make_unique<MixerHandle>();
    if (MMRESULT result = backend.open(deviceId, handle->open)) return result;
    if (!handle->open) return MMSYSERR_ERROR;
    handle->backend = &backend;
    handle->device = deviceId;
    handle->serial = service().nextSerial++;
    handle->places = PlaceControls(handle->open->layout());
    if (flags == CALLBACK_WINDOW && callback) {
        vx::EnsureQtApplication();
        handle->callback = std::move(callback);
        handle->watch = std::make_unique<ChangeWatch>(handle.get(), handle->open->changeDescriptors());
    }
    *mixer = handle.get();
    service().handles.emplace(handle.get(), std::move(handle));
    return MMSYSERR_NOERROR;
}

MMRESULT mixerClose(HMIXER mixer) {
    std::unique_ptr<MixerHandle> closing;
    MMRESULT result = MMSYSERR_NOERROR;
    {
        std::lock_guard guard(service().lock);
        auto it = service().handles.find(mixer);
        if (it == service().handles.end()) return MMSYSERR_INVALHANDLE;
        // A close that reports a failure has still let the device go.
        result = it->second->backend->takeFault(MixerOp::Close);
        closing = std::move(it->second);
        service().handles.erase(it);
    }
    return result;
}

MMRESULT mixerGetLineInfoA(HMIXER mixer, MIXERLINEA* line, DWORD flags) {
    std::lock_guard guard(service().lock);
    MixerHandle* handle = findLocked(mixer);
    if (!handle) return MMSYSERR_INVALHANDLE;
    if (!line || line->cbStruct != sizeof(MIXERLINEA)) return MMSYSERR_INVALPARAM;
    if (flags != MIXER_GETLINEINFOF_DESTINATION && flags != MIXER_GETLINEINFOF_SOURCE)
        return MMSYSERR_INVALFLAG;
    if (MMRESULT fault = handle->backend->takeFault(MixerOp::GetLineInfo)) return fault;
    const MixerLayout& layout = handle->open->layout();
    if (line->dwDestination >= layout.size()) return MIXERR_INVALLINE;
    const MixerDestinationDesc& destination = layout[line->dwDestination];
    const bool source = flags == MIXER_GETLINEINFOF_SOURCE;
    if (source && line->dwSource >= destination.sources.size()) return MIXERR_INVALLINE;
    const MixerLineDesc& desc = source ? destination.sources[line->dwSource] : destination.line;
    line->dwSource = source ? line->dwSource : 0;
    line->dwLineID = MixerLineId(line->dwDestination, source ? static_cast<int>(line->dwSource) : -1);
    line->cChannels = std::max<DWORD>(desc.channels, 1);
    line->cConnections = source ? 0 : static_cast<DWORD>(destination.sources.size());
    line->cControls = static_cast<DWORD>(desc.controls.size());
    copyName(line->szShortName, desc.shortName);
    copyName(line->szName, desc.name);
    return MMSYSERR_NOERROR;
}

MMRESULT mixerGetLineControlsA(HMIXER mixer, MIXERLINECONTROLSA* controls, DWORD flags) {
    std::lock_guard guard(service().lock);
    MixerHandle* handle = findLocked(mixer);
    if (!handle) return MMSYSERR_INVALHANDLE;
    if (!controls || controls->cbStruct != sizeof(MIXERLINECONTROLSA)) return MMSYSERR_INVALPARAM;
    if (flags != MIXER_GETLINECONTROLSF_ALL) return MMSYSERR_INVALFLAG;
    if (MMRESULT fault = handle->backend->takeFault(MixerOp::GetLineControls)) return fault;
    const MixerLayout& layout = handle->open->layout();
    const MixerLineDesc* line = lineById(layout, controls->dwLineID);
    if (!line) return MIXERR_INVALLINE;
    if (controls->cControls != line->controls.size()) return MMSYSERR_INVALPARAM;
    if (controls->cControls == 0) return MMSYSERR_NOERROR;
    if (controls->cbmxctrl != sizeof(MIXERCONTROLA) || !controls->pamxctrl) return MMSYSERR_INVALPARAM;
    DWORD filled = 0;
    for (std::size_t i = 0; i < handle->places.size(); ++i)
        if (&LineAt(layout, handle->places[i]) == line)
            fillControl(controls->pamxctrl[filled++], ControlAt(layout, handle->places[i]),
                        MixerControlId(i));
    return MMSYSERR_NOERROR;
}

MMRESULT mixerGetControlDetailsA(HMIXER mixer, MIXERCONTROLDETAILS* details, DWORD flags) {
    std::lock_guard guard(service().lock);
    MixerHandle* handle = findLocked(mixer);
    if (!handle) return MMSYSERR_INVALHANDLE;
    if (flags != MIXER_GETCONTROLDETAILSF_VALUE && flags != MIXER_GETCONTROLDETAILSF_LISTTEXT)
        return MMSYSERR_INVALFLAG;
    ControlRef ref;
    if (MMRESULT result = checkDetails(handle, details, ref)) return result;
    if (MMRESULT fault = handle->backend->takeFault(MixerOp::GetControlDetails)) return fault;
    return flags == MIXER_GETCONTROLDETAILSF_VALUE ? readValues(ref, *details) : readListTexts(ref, *details);
}

MMRESULT mixerSetControlDetails(HMIXER mixer, const MIXERCONTROLDETAILS* details, DWORD flags) {
    std::lock_guard guard(service().lock);
    MixerHandle* handle = findLocked(mixer);
    if (!handle) return MMSYSERR_INVALHANDLE;
    if (flags != MIXER_SETCONTROLDETAILSF_VALUE) return MMSYSERR_INVALFLAG;
    ControlRef ref;
    if (MMRESULT result = checkDetails(handle, details, ref)) return result;
    if (MMRESULT fault = handle->backend->takeFault(MixerOp::SetControlDetails)) return fault;
    std::vector<LONG> values;
    if (MMRESULT result = fullValues(ref, *details, values)) return result;
    if (MMRESULT result = handle->open->write(ref.index, values)) return result;
    noticeEveryHandleOf(*handle, ref.index);
    return MMSYSERR_NOERROR;
}
