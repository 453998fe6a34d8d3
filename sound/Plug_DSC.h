#pragma once
// TDSCapturePlug: a player plug-in that feeds an output engine with what a capture engine
// records, so recorded sound can be played (and run through the output engine's effects)
// as it arrives. It answers only to the file name "<DirectSoundCapture>".
#include "sound/DSCaptur.h"
#include "sound/PlugBase.h"

#include <atomic>
#include <memory>
#include <mutex>

class TDSCapturePlug : public TSndPlayPlug {
    VX_CLASS(TDSCapturePlug, TSndPlayPlug)
public:
    static constexpr const char* CaptureFileName = "<DirectSoundCapture>";

    explicit TDSCapturePlug(TComponent* owner);
    ~TDSCapturePlug() override;

    // The capture engine to feed from; forgotten when it is destroyed first.
    TDSCapture* DSCapture() const { return capture_.load(); }
    void SetDSCapture(TDSCapture* capture);

    void SetChannels(unsigned short channels) override;
    void SetBitsPerSample(unsigned short bits) override;
    void SetSamplesPerSec(unsigned long rate) override;
    std::string GetSupportTypes() override;
    // Switches the capture engine on in this plug-in's format.
    bool Init() override;
    void Reset() override;
    void Release() override;
    // Copies the capture block completed before the last one. A block already played, or
    // none to be had, is silence: the output never repeats old sound.
    bool Process(unsigned char* data, unsigned long len) override;
    // Byte offsets in the capture ring.
    void GetPosition(SND_POSITION* position) override;
    void SetPosition(SND_POSITION* position) override;
    bool GetFileInfo(const std::string& fileName, SND_FILE_INFO* info) override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::shared_ptr<TDSCaptureLink> link() const;
    // Runs use with the capture engine while one is set and alive.
    template <class Use> bool withCapture(Use use) const {
        const std::shared_ptr<TDSCaptureLink> tie = link();
        return tie && tie->With(use);
    }
    void giveFormat(TDSCapture& capture) const;
    void silence(unsigned char* data, unsigned long len) const;

    std::atomic<TDSCapture*> capture_{nullptr};
    mutable std::mutex linkLock_;
    std::shared_ptr<TDSCaptureLink> link_; // guarded by linkLock_
    // The capture engine's block count when a block was last copied; none after a reset.
    bool served_ = false;     // events thread of the output engine, or its caller while stopped
    unsigned lastServed_ = 0; // likewise
};
