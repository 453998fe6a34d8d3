#pragma once
// TDSDeviceSteps: what the DirectSound engines (TDSPlay, TDSCapture, TDSProcessor) do alike
// on their devices. It keeps the result of the call that failed last, which every error the
// engine shows names after its text, has the engine free all it holds when a step fails,
// and owns the notification that signals a block's event as the device's cursor reaches
// the block. The engine holds its Control lock around every call.
#include "platform/dsound/DSound.h"
#include "sound/SndEngin.h"

#include <functional>
#include <optional>
#include <string>

class TDSDeviceSteps {
public:
    // engine shows the errors and lends its ring and block events; release frees all the
    // engine holds on its devices.
    TDSDeviceSteps(TSndEngine& engine, std::function<void()> release);
    TDSDeviceSteps(const TDSDeviceSteps&) = delete;
    TDSDeviceSteps& operator=(const TDSDeviceSteps&) = delete;

    HRESULT LastResult() const { return lastResult_; }
    void SetLastResult(HRESULT result) { lastResult_ = result; }
    // Shows text with the last result's own text after it, unless that result is DS_OK.
    void ShowMessage(const char* text) const;
    // Keeps result and has the engine show text; false, for a step that stops there.
    bool Report(const char* text, HRESULT result);
    // Report, then release: for a step that fails once the engine holds something.
    bool Fail(const char* text, HRESULT result);

    // Points the notification of each block at its start, with the block's event; the
    // engine's InitBuffer calls it once the events are made.
    void MapBlockEvents();
    // Opens the output device (the default one without device) at priority level;
    // createText is the error when the object cannot be made.
    bool OpenDirectSound(const std::optional<GUID>& device, IDirectSound** ds, const char* createText);
    bool SetPrimaryFormat(IDirectSound* ds, const WAVEFORMATEX& format);
    // The looping buffer of the engine's whole ring, in format.
    bool CreateSecondary(IDirectSound* ds, const WAVEFORMATEX& format, IDirectSoundBuffer** buffer);
    // Has buffer signal the block events; queryText is the error when it cannot notify.
    template <class Buffer> bool NotifyBlocks(Buffer* buffer, const char* queryText) {
        if (const HRESULT hr = buffer->QueryNotify(&notify_); FAILED(hr)) return Fail(queryText, hr);
        return setNotificationPositions();
    }
    void ReleaseNotify();

private:
    bool setNotificationPositions();

    TSndEngine& engine_;
    std::function<void()> release_;
    HRESULT lastResult_ = DS_OK;
    // The events thread waits on the events while the notification lives; both change only
    // while it is stopped.
    IDirectSoundNotify* notify_ = nullptr;
    DSBPOSITIONNOTIFY notifyTable_[SndMaxBuffers];
};
