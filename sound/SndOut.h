#pragma once
// TSndOutEngine: the engine that produces sound. It finds the player plug-in that decodes
// FileName, keeps the owner's effects in ID order and runs the enabled ones over every
// block, and holds the 16-bit work buffers in which channel effects see the block.
#include "sound/Eff_Base.h"
#include "sound/PlugBase.h"
#include "sound/SndEngin.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

class TSndOutEngine : public TSndEngine {
    VX_CLASS(TSndOutEngine, TSndEngine)
public:
    explicit TSndOutEngine(TComponent* owner);
    ~TSndOutEngine() override;

    bool UseEffects() const { return useEffects_.load(); }
    void SetUseEffects(bool use) { useEffects_.store(use); }
    std::string FileName() const {
        TSndControlHold hold(Control);
        return fileName_;
    }
    // Switches the engine off and forgets the current plug-in; the caller switches it on again.
    void SetFileName(const std::string& name);
    bool StopIfNoModule() const { return stopIfNoModule_.load(); }
    void SetStopIfNoModule(bool stop) { stopIfNoModule_.store(stop); }
    bool Loop() const { return loop_.load(); }
    void SetLoop(bool loop) { loop_.store(loop); }
    bool Paused() const { return paused_.load(); }

    void SetChannels(unsigned short channels) override;
    void SetBitsPerSample(unsigned short bits) override;
    void SetSamplesPerSec(unsigned long rate) override;

    virtual void SetPaused(bool paused) = 0;
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual void Release() = 0;
    virtual void GetPosition(SND_POSITION* position) = 0;

    // Seeks the current plug-in while active and restarts the stream there.
    void SetPosition(SND_POSITION* position);

    void EffectsSort();
    void EffectsInit();
    void SetModulePlug(TSndPlayPlug* plug);
    bool FindModulePlug();
    int ShowFileError(const std::string& name, unsigned flags);

    void GetBuffer(const BYTE* first, DWORD firstLen, const BYTE* second, DWORD secondLen);
    void PutBuffer(BYTE* first, DWORD firstLen, BYTE* second, DWORD secondLen);
    // Runs the enabled effects in order over one locked block (events thread).
    void EffectsProcess(BYTE* first, DWORD firstLen, BYTE* second, DWORD secondLen);

    TSndPlayPlug* ModulePlug() const { return modulePlug_; }
    const std::vector<TSndPlayPlug*>& Plugins() const { return plugins_; }
    const std::vector<TSndEffectBase*>& Effects() const { return effects_; }

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    // Switches an active engine off, applies a change of the requested format (which also
    // tells the current plug-in), re-initialises the effects and switches back on.
    void ChangeFormat(const std::function<void()>& apply);
    void SetPausedFlag(bool paused) { paused_.store(paused); }

    // Held while a plug-in decodes or an effect runs, so no plug-in is ever driven from
    // two threads at once (the events thread and a caller seeking or asking the position).
    std::recursive_mutex DecodeLock;
    std::atomic<int> CurrentBlock{-1};
    std::atomic<int> PlayedBlock{0};

private:
    std::atomic<bool> useEffects_{false};
    std::string fileName_; // guarded by Control
    std::atomic<bool> stopIfNoModule_{false};
    std::atomic<bool> loop_{false};
    std::atomic<bool> paused_{false};
    TSndPlayPlug* modulePlug_ = nullptr; // changes only while the events thread is stopped
    std::vector<TSndEffectBase*> effects_;
    std::vector<TSndPlayPlug*> plugins_;
    std::vector<short> left_;
    std::vector<short> right_;
};
