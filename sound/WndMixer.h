#pragma once
// TSndMixer: the mixer of one sound device as a control of at least 320 x 220, grown to
// hold its widest and tallest page. A strip at the top chooses the device and the
// destination (playback, recording, ...); below it one tab page per line of that destination
// shows the line's volume, bass and treble faders (vertical track bars, loudest at the top),
// its switches and list choices (check boxes) and its level meters (progress bars). Moving a
// fader or clicking a box sets the device at once; changes made elsewhere arrive as mixer
// notices and move the controls; TSndMixerThread keeps the meters of the page in view moving.
//
// Mixer failures are reported in a message box captioned with the step that failed; while
// the pages are built, a failure closes the device and leaves the pages built so far.
#include "platform/framework/Forms.h"
#include "platform/kernel/Thread.h"
#include "platform/mmsys/MixerApi.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class TComboBox;
class TPageControl;
class TPanel;
class TTabSheet;
class TSndMixerThread;

enum TSndMixerDestination { mdPlay, mdRecord, mdOther };

// How a mixer control is shown on its page; controls of other kinds are listed in the
// records but get nothing to show them and are never read or written.
enum class TSndMixerKind { None, Fader, Switch, List, Meter };

// One mixer control of the pages and the framework controls that show it: channels x items
// of them, item-major, as the values travel.
struct TSndMixerControl {
    DWORD ID = 0;
    DWORD Type = 0;
    std::vector<TControl*> Items;
    DWORD Channels = 1;      // passed in the details: 1 for a uniform control
    DWORD MultipleItems = 0; // the control's item count, 0 for a single-item control
    TSndMixerKind Kind = TSndMixerKind::None;
    LONG Minimum = 0;
    LONG Maximum = 0;
    // A meter whose reading failed is not polled again until the pages are rebuilt, so a
    // lost device shows one message, not one per poll.
    bool PollFailed = false;
};

// A windowed control that paints its own background (TCustomControl gives it its window).
class TSndMixer : public TCustomControl {
    VX_CLASS(TSndMixer, TCustomControl)
public:
    explicit TSndMixer(TComponent* owner);
    ~TSndMixer() override;

    TSndMixerDestination DefaultDestination() const { return DefaultDest; }
    // Stores the destination; with a device open, chooses it and builds its pages.
    void SetDefDest(TSndMixerDestination destination);
    TThreadPriority Priority() const { return ThreadPriority; }
    void SetPriority(TThreadPriority priority);

    // Where mixer notices arrive: a control change of the open device updates that
    // control; line changes and notices of other handles are ignored.
    void WndProc(TMessage& message);
    // The meter poll, run on the GUI thread by the update thread: reads every meter of the
    // page in view.
    void ThreadProcess();
    // Whether the poll has anything to do; read by the update thread.
    bool WantsPoll() const { return HasMeters.load(std::memory_order_acquire); }

protected:
    void Paint() override;
    void CreateWnd() override;
    void DestroyWnd() override;

    void DeviceListChange(TObject* Sender);
    void MixerComboChange(TObject* Sender);
    void MixerOpen();
    void MixerClose();
    void MixerInit();
    void MixerInitDevices();
    void MixerUpdate(DWORD id);
    void MixerClick(TObject* Sender);
    void ShowError(const std::string& step);

    TPanel* HeaderPanel;
    TComboBox* DeviceList;
    TComboBox* MixerCombo;
    TPageControl* Pages;
    std::unique_ptr<TSndMixerThread> Thread;
    TThreadPriority ThreadPriority = tpIdle;
    TSndMixerDestination DefaultDest = mdPlay;
    HMIXER Mixer = nullptr;
    MMRESULT LastResult = MMSYSERR_NOERROR;
    bool Opened = false;
    bool Updating = false;
    std::vector<TSndMixerControl> Controls; // ControlCount is its size
    MIXERCAPSA Caps;
    MIXERLINEA Line;
    MIXERCONTROLDETAILS Details;
    // Set once the pages hold a meter; guarded by being atomic (the update thread reads it).
    std::atomic<bool> HasMeters{false};

private:
    class UpdatingScope;
    bool readLine(DWORD destination, int source, const char* failure);
    bool buildLine(int page);
    void buildPage(TTabSheet* sheet, std::size_t first, const std::vector<MIXERCONTROLA>& controls);
    void fitPages(const TTabSheet* sheet);
    int placeFaders(TTabSheet* sheet, std::size_t first, const std::vector<MIXERCONTROLA>& controls);
    int placeBoxes(TTabSheet* sheet, TSndMixerControl& record, const std::vector<std::string>& captions,
                   int x0, int row);
    int placeMeter(TTabSheet* sheet, TSndMixerControl& record, const MIXERCONTROLA& control, int x0, int row);
    std::vector<std::string> listTexts(const TSndMixerControl& record);
    TSndMixerControl* recordOf(DWORD id);
    TSndMixerControl* recordHolding(const TObject* control);
    bool readValues(TSndMixerControl& record, std::vector<LONG>& values);
    void showValues(TSndMixerControl& record, const std::vector<LONG>& values);
};
