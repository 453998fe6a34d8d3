#include "sound/WndMixer.h"

#include "platform/framework/ComCtrls.h"
#include "platform/framework/ExtCtrls.h"
#include "platform/framework/MessageService.h"
#include "platform/framework/PageControl.h"
#include "platform/framework/ProgressBar.h"
#include "platform/framework/Published.h"
#include "platform/framework/StdCtrls.h"
#include "sound/ThMixer.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr DWORD FaderMask = 0xF000F00F;
constexpr DWORD SwitchMask = 0xF000F000;
constexpr int FaderWidth = 45;
constexpr int FaderTop = 20;
constexpr int FaderHeight = 128;
constexpr int RowHeight = 20;
constexpr int RowWidth = 230;
// Room for one check box without its caption: the boxes of a row's channels stand side by
// side, each reachable by the mouse.
constexpr int ChannelBoxWidth = 18;
// Room the page control takes around a page: its frame at the sides and below, its tabs and
// frame above.
constexpr int PageFrameWidth = 10;
constexpr int PageFrameHeight = 32;

// Faders are the volume, bass and treble types (their units bits masked out); other faders,
// sliders, numbers, times and custom controls get nothing drawn.
TSndMixerKind kindOf(DWORD type) {
    const DWORD fader = type & FaderMask;
    if (fader == 0x50000001 || fader == 0x50000002 || fader == 0x50000003) return TSndMixerKind::Fader;
    if ((type & SwitchMask) == MIXERCONTROL_CT_CLASS_SWITCH) return TSndMixerKind::Switch;
    if (MixerControlClass(type) == MIXERCONTROL_CT_CLASS_LIST) return TSndMixerKind::List;
    if (MixerControlClass(type) == MIXERCONTROL_CT_CLASS_METER) return TSndMixerKind::Meter;
    return TSndMixerKind::None;
}

// A fader's loudest setting is at the top, where a vertical track bar has its minimum: the
// value is mirrored within the bounds, whatever the bounds are.
int faderPosition(const TSndMixerControl& record, LONG value) {
    const std::int64_t mirrored = std::int64_t{record.Minimum} + record.Maximum - value;
    return static_cast<int>(std::clamp<std::int64_t>(mirrored, record.Minimum, record.Maximum));
}

LONG faderValue(const TSndMixerControl& record, int position) {
    return static_cast<LONG>(std::int64_t{record.Minimum} + record.Maximum - position);
}

int meterPosition(LONG value) {
    return static_cast<int>(std::min<std::int64_t>(std::llabs(value), INT32_MAX));
}

std::size_t valueCount(const TSndMixerControl& record) {
    return std::size_t{record.Channels} * std::max<DWORD>(record.MultipleItems, 1);
}

const bool mixerPublished = RegisterPublishedClass(
    "TSndMixer", "TCustomControl",
    {
        Property("DefaultDestination",
                 EnumerationType("TSndMixerDestination", {"mdPlay", "mdRecord", "mdOther"}),
                 &TSndMixer::DefaultDestination, &TSndMixer::SetDefDest, mdPlay),
        Property("Priority", TypeThreadPriority(), &TSndMixer::Priority, &TSndMixer::SetPriority, tpIdle),
    });

} // namespace

// Holds Updating set for a scope and puts back what it was: loading values into the
// controls fires their change events, which must not write the values back, also when one
// load runs inside another (building a page loads each control, then all of them).
class TSndMixer::UpdatingScope {
public:
    explicit UpdatingScope(TSndMixer& mixer) : mixer_(mixer), was_(mixer.Updating) { mixer.Updating = true; }
    ~UpdatingScope() { mixer_.Updating = was_ && mixer_.Opened; }
    UpdatingScope(const UpdatingScope&) = delete;
    UpdatingScope& operator=(const UpdatingScope&) = delete;

private:
    TSndMixer& mixer_;
    bool was_;
};

TSndMixer::TSndMixer(TComponent* owner) : TCustomControl(owner) {
    SetBounds(Left(), Top(), 320, 220);
    HeaderPanel = new TPanel(this);
    Pages = new TPageControl(this);
    DeviceList = new TComboBox(HeaderPanel);
    DeviceList->SetStyle(csDropDownList);
    MixerCombo = new TComboBox(HeaderPanel);
    MixerCombo->SetStyle(csDropDownList);
    Thread = std::make_unique<TSndMixerThread>(this);
    Thread->SetPriority(ThreadPriority);
}

TSndMixer::~TSndMixer() {
    Thread.reset();
    // A mixer deleted without Free never ran DestroyWnd: its device must not outlive it.
    if (Opened) mixerClose(Mixer);
}

void TSndMixer::Paint() {
    Canvas().Brush().SetColor(Color());
    Canvas().FillRect(ClientRect());
}

void TSndMixer::CreateWnd() {
    TCustomControl::CreateWnd();
    Pages->SetAlign(alClient);
    Pages->SetParent(this);
    HeaderPanel->SetAlign(alTop);
    HeaderPanel->SetHeight(24);
    HeaderPanel->SetCaption("");
    HeaderPanel->SetBevelOuter(bvNone);
    HeaderPanel->SetParent(this);
    DeviceList->SetBounds(4, 4, 150, DeviceList->Height());
    DeviceList->OnChange = [this](TObject* sender) { DeviceListChange(sender); };
    DeviceList->SetParent(HeaderPanel);
    MixerCombo->SetBounds(160, 4, 150, MixerCombo->Height());
    MixerCombo->OnChange = [this](TObject* sender) { MixerComboChange(sender); };
    MixerCombo->SetParent(HeaderPanel);
    const UINT devices = mixerGetNumDevs();
    if (devices == 0) {
        ShowMessageBox("Mixer device not present", "TSndMixer", MB_OK | MB_ICONERROR);
        return;
    }
    for (UINT i = 0; i < devices; ++i) {
        LastResult = mixerGetDevCapsA(i, &Caps, sizeof(Caps));
        if (LastResult != MMSYSERR_NOERROR) {
            ShowError("Init mixer device");
            break;
        }
        DeviceList->Items()->Add(Caps.szPname);
    }
    DeviceList->SetItemIndex(0);
    Opened = false;
    Controls.clear();
    MixerInit();
    Thread->Resume();
}

void TSndMixer::DestroyWnd() {
    MixerClose();
    TCustomControl::DestroyWnd();
}

void TSndMixer::SetPriority(TThreadPriority priority) {
    ThreadPriority = priority;
    Thread->SetPriority(priority);
}

void TSndMixer::SetDefDest(TSndMixerDestination destination) {
    DefaultDest = destination;
    if (!Opened) return;
    MixerCombo->SetItemIndex(destination == mdPlay ? 0 : destination == mdRecord ? 1 : 2);
    MixerComboChange(MixerCombo);
}

void TSndMixer::DeviceListChange(TObject*) {
    if (DeviceList->ItemIndex() < 0) DeviceList->SetItemIndex(0);
    MixerInit();
}

void TSndMixer::MixerComboChange(TObject*) {
    if (MixerCombo->ItemIndex() < 0) MixerCombo->SetItemIndex(0);
    MixerInitDevices();
}

void TSndMixer::MixerOpen() {
    if (Opened) MixerClose();
    auto notice = [this](unsigned message, HMIXER mixer, DWORD id) {
        TMessage m;
        m.Msg = message;
        m.WParam = reinterpret_cast<std::uintptr_t>(mixer);
        m.LParam = static_cast<std::intptr_t>(id);
        WndProc(m);
    };
    LastResult = mixerOpen(&Mixer, static_cast<UINT>(DeviceList->ItemIndex()), notice, CALLBACK_WINDOW);
    if (LastResult == MMSYSERR_NOERROR)
        Opened = true;
    else
        ShowError("Open mixer");
}

void TSndMixer::MixerClose() {
    if (!Opened) return;
    HasMeters.store(false, std::memory_order_release);
    LastResult = mixerClose(Mixer);
    Mixer = nullptr;
    Opened = false;
    Updating = false;
    if (LastResult != MMSYSERR_NOERROR) ShowError("Close input mixer");
}

void TSndMixer::MixerInit() {
    MixerOpen();
    if (!Opened) return;
    MixerCombo->Items()->Clear();
    LastResult = mixerGetDevCapsA(static_cast<UINT>(DeviceList->ItemIndex()), &Caps, sizeof(Caps));
    if (LastResult != MMSYSERR_NOERROR) {
        ShowError("Input mixer get device caps");
        MixerClose();
        return;
    }
    for (DWORD d = 0; d < Caps.cDestinations; ++d) {
        if (!readLine(d, -1, "Input mixer get line info (destination)")) return;
        MixerCombo->Items()->Add(Line.szShortName);
    }
    SetDefDest(DefaultDest);
}

// Reads a destination (source < 0) or one of its sources into Line; a failure is shown
// with the step's text and closes the device.
bool TSndMixer::readLine(DWORD destination, int source, const char* failure) {
    Line = MIXERLINEA{};
    Line.dwDestination = destination;
    Line.dwSource = source < 0 ? 0 : static_cast<DWORD>(source);
    LastResult = mixerGetLineInfoA(Mixer, &Line,
                                   source < 0 ? MIXER_GETLINEINFOF_DESTINATION : MIXER_GETLINEINFOF_SOURCE);
    if (LastResult == MMSYSERR_NOERROR) return true;
    ShowError(failure);
    MixerClose();
    return false;
}

void TSndMixer::MixerInitDevices() {
    if (!Opened) return;
    UpdatingScope loading(*this);
    HasMeters.store(false, std::memory_order_release);
    while (Pages->PageCount() > 0)
        Pages->Pages(Pages->PageCount() - 1)->Free();
    Controls.clear();
    const auto destination = static_cast<DWORD>(MixerCombo->ItemIndex());
    if (!readLine(destination, -1, "Mixer get line info (MixerLines)")) return;
    const DWORD sources = Line.cConnections;
    std::size_t records = Line.cControls;
    for (DWORD s = 0; s < sources; ++s) {
        if (!readLine(destination, static_cast<int>(s), "Mixer get line info (MixerControls)")) return;
        records += Line.cControls;
    }
    Controls.reserve(records);
    for (DWORD page = 0; page <= sources; ++page)
        if (!buildLine(static_cast<int>(page))) return;
    for (std::size_t i = 0; i < Controls.size(); ++i)
        MixerUpdate(Controls[i].ID);
}

// Reads line page (0: the destination, n: its source n - 1), adds its tab sheet and its
// records, and builds the page. False when a mixer call failed (the device is then closed).
bool TSndMixer::buildLine(int page) {
    const auto destination = static_cast<DWORD>(MixerCombo->ItemIndex());
    const bool ok = page == 0 ? readLine(destination, -1, "Mixer get line info (destination)")
                              : readLine(destination, page - 1, "Mixer get line info (source)");
    if (!ok) return false;
    auto* sheet = new TTabSheet(Pages);
    sheet->SetCaption(Line.szName);
    sheet->SetPageControl(Pages);
    std::vector<MIXERCONTROLA> controls(Line.cControls);
    MIXERLINECONTROLSA request;
    request.dwLineID = Line.dwLineID;
    request.cControls = Line.cControls;
    request.pamxctrl = controls.data();
    LastResult = mixerGetLineControlsA(Mixer, &request, MIXER_GETLINECONTROLSF_ALL);
    if (LastResult != MMSYSERR_NOERROR) {
        ShowError("Mixer get line controls");
        MixerClose();
        return false;
    }
    const std::size_t first = Controls.size();
    for (const MIXERCONTROLA& control : controls) {
        TSndMixerControl record;
        record.ID = control.dwControlID;
        record.Type = control.dwControlType;
        record.Channels = (control.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : Line.cChannels;
        record.MultipleItems =
            (control.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) ? control.cMultipleItems : 0;
        record.Minimum = control.Bounds.lMinimum;
        record.Maximum = control.Bounds.lMaximum;
        Controls.push_back(std::move(record));
    }
    buildPage(sheet, first, controls);
    return Opened;
}

// Each kind in its own pass: faders from the left, then rows of switches, lists and
// meters to their right.
void TSndMixer::buildPage(TTabSheet* sheet, std::size_t first, const std::vector<MIXERCONTROLA>& controls) {
    const int x0 = FaderWidth * placeFaders(sheet, first, controls) + 15;
    int row = 0;
    for (std::size_t i = 0; i < controls.size() && Opened; ++i) {
        if (kindOf(controls[i].dwControlType) != TSndMixerKind::Switch) continue;
        const std::size_t items = std::max<DWORD>(Controls[first + i].MultipleItems, 1);
        row = placeBoxes(sheet, Controls[first + i], std::vector<std::string>(items, controls[i].szName), x0,
                         row);
        MixerUpdate(Controls[first + i].ID);
    }
    for (std::size_t i = 0; i < controls.size() && Opened; ++i) {
        if (kindOf(controls[i].dwControlType) != TSndMixerKind::List) continue;
        row = placeBoxes(sheet, Controls[first + i], listTexts(Controls[first + i]), x0, row);
        MixerUpdate(Controls[first + i].ID);
    }
    for (std::size_t i = 0; i < controls.size() && Opened; ++i) {
        if (kindOf(controls[i].dwControlType) != TSndMixerKind::Meter) continue;
        row = placeMeter(sheet, Controls[first + i], controls[i], x0, row);
    }
    fitPages(sheet);
}

// The page control grows, never shrinks, until the page's controls fit in it whole: a page
// shows all its faders and rows at once, without scrolling. The page control fills the
// mixer below the header, so it is the mixer that grows.
void TSndMixer::fitPages(const TTabSheet* sheet) {
    int right = 0, bottom = 0;
    for (int i = 0; i < sheet->ControlCount(); ++i) {
        const RECT bounds = sheet->Controls(i)->BoundsRect();
        right = std::max(right, static_cast<int>(bounds.right));
        bottom = std::max(bottom, static_cast<int>(bounds.bottom));
    }
    SetBounds(Left(), Top(), std::max(Width(), right + PageFrameWidth),
              std::max(Height(), HeaderPanel->Height() + bottom + PageFrameHeight));
}

// Answers the number of fader track bars placed.
int TSndMixer::placeFaders(TTabSheet* sheet, std::size_t first, const std::vector<MIXERCONTROLA>& controls) {
    int placed = 0;
    for (std::size_t i = 0; i < controls.size() && Opened; ++i) {
        const MIXERCONTROLA& control = controls[i];
        if (kindOf(control.dwControlType) != TSndMixerKind::Fader) continue;
        TSndMixerControl& record = Controls[first + i];
        record.Kind = TSndMixerKind::Fader;
        // The name stands over the control's own bars: a long one is cut there rather than
        // run over the rows to the right.
        auto* label = new TLabel(sheet);
        label->SetAutoSize(false);
        label->SetBounds(FaderWidth * placed + 5, 0, FaderWidth * static_cast<int>(record.Channels) - 5,
                         RowHeight);
        label->SetCaption(control.szShortName);
        label->SetParent(sheet);
        const std::int64_t range = std::int64_t{record.Maximum} - record.Minimum;
        for (DWORD channel = 0; channel < record.Channels; ++channel) {
            auto* bar = new TTrackBar(sheet);
            record.Items.push_back(bar);
            bar->OnChange = [this](TObject* sender) { MixerClick(sender); };
            bar->SetOrientation(trVertical);
            bar->SetBounds(FaderWidth * placed, FaderTop, FaderWidth, FaderHeight);
            bar->SetTickMarks(tmBoth);
            bar->SetMin(record.Minimum);
            bar->SetMax(record.Maximum);
            bar->SetFrequency(static_cast<int>(range / 10));
            bar->SetPageSize(static_cast<int>(std::max<std::int64_t>(range / 10, 1)));
            bar->SetLineSize(static_cast<int>(std::max<std::int64_t>(range / 100, 1)));
            bar->SetParent(sheet);
            ++placed;
        }
        MixerUpdate(record.ID);
    }
    return placed;
}

// One row per caption, each holding a check box per channel; the last channel's box
// carries the caption. Answers the next free row.
int TSndMixer::placeBoxes(TTabSheet* sheet, TSndMixerControl& record,
                          const std::vector<std::string>& captions, int x0, int row) {
    record.Kind = kindOf(record.Type);
    for (const std::string& caption : captions) {
        for (DWORD channel = 0; channel < record.Channels; ++channel) {
            const bool last = channel + 1 == record.Channels;
            auto* box = new TCheckBox(sheet);
            record.Items.push_back(box);
            box->OnClick = [this](TObject* sender) { MixerClick(sender); };
            const int left = x0 + ChannelBoxWidth * static_cast<int>(channel);
            box->SetBounds(left, RowHeight * row, last ? RowWidth : ChannelBoxWidth, box->Height());
            box->SetCaption(last ? caption : "");
            box->SetParent(sheet);
        }
        ++row;
    }
    return row;
}

// A label with the meter's name, then a bar per channel, each on a row of its own.
int TSndMixer::placeMeter(TTabSheet* sheet, TSndMixerControl& record, const MIXERCONTROLA& control, int x0,
                          int row) {
    record.Kind = TSndMixerKind::Meter;
    auto* label = new TLabel(sheet);
    label->SetCaption(control.szName);
    label->SetLeft(x0);
    label->SetTop(RowHeight * row++);
    label->SetParent(sheet);
    const std::int64_t reach = std::max(std::llabs(record.Minimum), std::llabs(record.Maximum));
    const int top = static_cast<int>(std::min<std::int64_t>(reach, INT32_MAX));
    for (DWORD channel = 0; channel < record.Channels; ++channel) {
        auto* bar = new TProgressBar(sheet);
        bar->SetBounds(x0, RowHeight * row++, RowWidth, bar->Height());
        bar->SetMin(0);
        bar->SetMax(top);
        bar->SetParent(sheet);
        record.Items.push_back(bar);
    }
    HasMeters.store(true, std::memory_order_release);
    return row;
}

// The item names of a list; empty names when they cannot be read (building goes on).
std::vector<std::string> TSndMixer::listTexts(const TSndMixerControl& record) {
    const std::size_t items = std::max<DWORD>(record.MultipleItems, 1);
    std::vector<MIXERCONTROLDETAILS_LISTTEXTA> texts(items);
    Details = MIXERCONTROLDETAILS{};
    Details.dwControlID = record.ID;
    Details.cChannels = record.Channels;
    Details.cMultipleItems = record.MultipleItems;
    Details.cbDetails = sizeof(MIXERCONTROLDETAILS_LISTTEXTA);
    Details.paDetails = texts.data();
    LastResult = mixerGetControlDetailsA(Mixer, &Details, MIXER_GETCONTROLDETAILSF_LISTTEXT);
    std::vector<std::string> names(items);
    if (LastResult != MMSYSERR_NOERROR)
        ShowError("Mixer get list control details");
    else
        for (std::size_t i = 0; i < items; ++i)
            names[i] = texts[i].szName;
    return names;
}

TSndMixerControl* TSndMixer::recordOf(DWORD id) {
    for (TSndMixerControl& record : Controls)
        if (record.ID == id) return &record;
    return nullptr;
}

TSndMixerControl* TSndMixer::recordHolding(const TObject* control) {
    for (TSndMixerControl& record : Controls)
        if (std::find(record.Items.begin(), record.Items.end(), control) != record.Items.end())
            return &record;
    return nullptr;
}

bool TSndMixer::readValues(TSndMixerControl& record, std::vector<LONG>& values) {
    values.assign(valueCount(record), 0);
    Details = MIXERCONTROLDETAILS{};
    Details.dwControlID = record.ID;
    Details.cChannels = record.Channels;
    Details.cMultipleItems = record.MultipleItems;
    Details.cbDetails = sizeof(LONG);
    Details.paDetails = values.data();
    LastResult = mixerGetControlDetailsA(Mixer, &Details, MIXER_GETCONTROLDETAILSF_VALUE);
    return LastResult == MMSYSERR_NOERROR;
}

void TSndMixer::showValues(TSndMixerControl& record, const std::vector<LONG>& values) {
    const std::size_t count = std::min(values.size(), record.Items.size());
    for (std::size_t i = 0; i < count; ++i) {
        switch (record.Kind) {
        case TSndMixerKind::Switch:
        case TSndMixerKind::List:
            static_cast<TCheckBox*>(record.Items[i])->SetChecked(values[i] != 0);
            break;
        case TSndMixerKind::Meter:
            static_cast<TProgressBar*>(record.Items[i])->SetPosition(meterPosition(values[i]));
            break;
        case TSndMixerKind::Fader:
            static_cast<TTrackBar*>(record.Items[i])->SetPosition(faderPosition(record, values[i]));
            break;
        case TSndMixerKind::None:
            break;
        }
    }
}

void TSndMixer::MixerUpdate(DWORD id) {
    if (!Opened) return;
    UpdatingScope loading(*this);
    TSndMixerControl* record = recordOf(id);
    if (!record || record->Items.empty() || !record->Items.front()->Enabled()) return;
    if (record->Kind == TSndMixerKind::Meter &&
        (record->PollFailed || Pages->ActivePage() != record->Items.front()->Parent()))
        return;
    std::vector<LONG> values;
    if (readValues(*record, values)) {
        showValues(*record, values);
        return;
    }
    switch (record->Kind) {
    case TSndMixerKind::Meter:
        record->PollFailed = true;
        ShowError("Input mixer get meter control details");
        break;
    case TSndMixerKind::Fader:
        ShowError("Input mixer get fader control details");
        break;
    default:
        ShowError("Input mixer get boolean control details");
        break;
    }
}

void TSndMixer::MixerClick(TObject* Sender) {
    if (Updating || !Opened) return;
    TSndMixerControl* record = recordHolding(Sender);
    if (!record || (record->Kind != TSndMixerKind::Fader && record->Kind != TSndMixerKind::Switch &&
                    record->Kind != TSndMixerKind::List))
        return;
    std::vector<LONG> values(valueCount(*record), 0);
    for (std::size_t i = 0; i < std::min(values.size(), record->Items.size()); ++i) {
        if (record->Kind == TSndMixerKind::Fader)
            values[i] = faderValue(*record, static_cast<TTrackBar*>(record->Items[i])->Position());
        else
            values[i] = static_cast<TCheckBox*>(record->Items[i])->Checked() ? 1 : 0;
    }
    Details = MIXERCONTROLDETAILS{};
    Details.dwControlID = record->ID;
    Details.cChannels = record->Channels;
    Details.cMultipleItems = record->MultipleItems;
    Details.cbDetails = sizeof(LONG);
    Details.paDetails = values.data();
    LastResult = mixerSetControlDetails(Mixer, &Details, MIXER_SETCONTROLDETAILSF_VALUE);
    if (LastResult != MMSYSERR_NOERROR)
        ShowError(record->Kind == TSndMixerKind::Fader ? "Input mixer set fader control details"
                                                       : "Input mixer set boolean control details");
}

void TSndMixer::ThreadProcess() {
    for (std::size_t i = 0; i < Controls.size(); ++i)
        if (Controls[i].Kind == TSndMixerKind::Meter) MixerUpdate(Controls[i].ID);
}

void TSndMixer::WndProc(TMessage& message) {
    if (message.Msg == MM_MIXM_CONTROL_CHANGE && Opened && reinterpret_cast<HMIXER>(message.WParam) == Mixer)
        MixerUpdate(static_cast<DWORD>(message.LParam));
}

void TSndMixer::ShowError(const std::string& step) {
    std::string text;
    if (LastResult == MIXERR_INVALVALUE) {
        text = "Incorrect size of the required data (error 402h)";
    } else {
        char buffer[48];
        std::snprintf(buffer, sizeof buffer, "Unknow error %Xh", static_cast<unsigned>(LastResult));
        text = buffer;
    }
    ShowMessageBox(text, step, MB_OK | MB_ICONWARNING);
}
