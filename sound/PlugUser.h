#pragma once
// TSndUser: a player plug-in that decodes nothing itself and hands every operation to an
// event of the application, so that an application can feed an output engine with sound it
// makes itself.
#include "sound/PlugBase.h"
#include "sound/SndEngin.h"

#include <functional>
#include <string>

using TSndGetTypeEvent = std::function<void(TObject* Sender, std::string& SupportTypes)>;
using TSndInitEvent = std::function<void(TObject* Sender, bool& Result)>;
using TSndInfoEvent =
    std::function<void(TObject* Sender, const std::string& FileName, SND_FILE_INFO* SndInfo, bool& Result)>;
// Done answers whether more data follows.
using TSndUserProcEvent =
    std::function<void(TObject* Sender, BYTE* lpData, DWORD dwBufferLength, bool& Done)>;
using TSndPositionEvent = std::function<void(TObject* Sender, SND_POSITION* SndPos)>;

class TSndUser : public TSndPlayPlug {
    VX_CLASS(TSndUser, TSndPlayPlug)
public:
    explicit TSndUser(TComponent* owner);
    ~TSndUser() override;

    std::string GetSupportTypes() override;
    // Refuses every file while OnInit is unassigned.
    bool Init() override;
    void Reset() override;
    void Release() override;
    // Without an OnProc handler the block is silence and the data ends.
    bool Process(unsigned char* data, unsigned long len) override;
    void GetPosition(SND_POSITION* position) override;
    void SetPosition(SND_POSITION* position) override;
    bool GetFileInfo(const std::string& fileName, SND_FILE_INFO* info) override;

    TSndGetTypeEvent OnGetType() const { return onGetType_.Get(); }
    void SetOnGetType(TSndGetTypeEvent handler) { onGetType_.Set(std::move(handler)); }
    TNotifyEvent OnReset() const { return onReset_.Get(); }
    void SetOnReset(TNotifyEvent handler) { onReset_.Set(std::move(handler)); }
    TNotifyEvent OnRelease() const { return onRelease_.Get(); }
    void SetOnRelease(TNotifyEvent handler) { onRelease_.Set(std::move(handler)); }
    TSndInitEvent OnInit() const { return onInit_.Get(); }
    void SetOnInit(TSndInitEvent handler) { onInit_.Set(std::move(handler)); }
    TSndInfoEvent OnInfo() const { return onInfo_.Get(); }
    void SetOnInfo(TSndInfoEvent handler) { onInfo_.Set(std::move(handler)); }
    TSndUserProcEvent OnProc() const { return onProc_.Get(); }
    void SetOnProc(TSndUserProcEvent handler) { onProc_.Set(std::move(handler)); }
    TSndPositionEvent OnGetPos() const { return onGetPos_.Get(); }
    void SetOnGetPos(TSndPositionEvent handler) { onGetPos_.Set(std::move(handler)); }
    TSndPositionEvent OnSetPos() const { return onSetPos_.Get(); }
    void SetOnSetPos(TSndPositionEvent handler) { onSetPos_.Set(std::move(handler)); }

private:
    TSndEventSlot<TSndGetTypeEvent> onGetType_;
    TSndEventSlot<TNotifyEvent> onReset_;
    TSndEventSlot<TNotifyEvent> onRelease_;
    TSndEventSlot<TSndInitEvent> onInit_;
    TSndEventSlot<TSndInfoEvent> onInfo_;
    TSndEventSlot<TSndUserProcEvent> onProc_;
    TSndEventSlot<TSndPositionEvent> onGetPos_;
    TSndEventSlot<TSndPositionEvent> onSetPos_;
};
