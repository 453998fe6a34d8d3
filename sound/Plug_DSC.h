#pragma once
// TDSCapturePlug: a player plug-in that feeds an output engine with what a capture engine
// records, so recorded sound can be played (and run through the output engine's effects)
// as it arrives. It answers only to the file name "<DirectSoundCapture>".
#include "sound/DSCaptur.h"
#include "sound/PlugBase.h"

#include <atomic>
#include <cstdint>
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
    // Copies captured sound in order, starting a block behind the newest. Sound not yet
    // captured is waited for on the engine's events thread, for as long as the block lasts;
    // when it does not come the block is silence and the sound follows in the next one: the
    // output never repeats old sound nor skips new sound unless the capture wrote over it.
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
    TDSCaptureRing captureRing() const;
    std::uint64_t capturedBytes(const TDSCaptureRing& ring);
    std::uint64_t awaitCaptured(std::uint64_t wanted, TDSCaptureRing& ring);

    std::atomic<TDSCapture*> capture_{nullptr};
    mutable std::mutex linkLock_;
    std::shared_ptr<TDSCaptureLink> link_; // guarded by linkLock_
    // Where the next copy starts and how far the capture has come, in bytes of the capture
    // session's stream. Used by the output engine's events thread, or by its caller while
    // that thread is stopped.
    bool reading_ = false;
    unsigned session_ = 0;
    std::uint64_t readFrom_ = 0;
    std::uint64_t captured_ = 0;
};
