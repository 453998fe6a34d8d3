#pragma once
// Test doubles for the engine tests: a plug-in that plays a counted ramp, an effect that
// logs its calls, and an event a test waits on instead of sleeping.
#include "platform/dsound/ManualBackend.h"
#include "platform/kernel/Events.h"
#include "sound/Eff_Base.h"
#include "sound/PlugBase.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Plays totalBytes bytes of a ramp (byte i is i mod 251, never the silence value) for any
// file whose name starts with its prefix.
class RampPlug : public TSndPlayPlug {
    VX_CLASS(RampPlug, TSndPlayPlug)
public:
    RampPlug(TComponent* owner, std::string prefix, DWORD totalBytes)
        : TSndPlayPlug(owner), prefix_(std::move(prefix)), total_(totalBytes) {}
    std::string GetSupportTypes() override { return "Ramp files (" + prefix_ + "*)"; }
    bool Init() override {
        ++inits;
        position_ = 0;
        return FileName.rfind(prefix_, 0) == 0;
    }
    void Reset() override {
        ++resets;
        position_ = 0;
    }
    void Release() override { ++releases; }
    bool Process(unsigned char* data, unsigned long len) override {
        if (busy_.exchange(true)) overlapped = true;
        if (onProcess) onProcess();
        const BYTE silence = Format.wBitsPerSample == 8 ? 0x80 : 0;
        bool more = true;
        for (unsigned long i = 0; i < len; ++i) {
            if (position_ < total_) {
                data[i] = static_cast<BYTE>(1 + position_ % 251);
                ++position_;
            } else {
                data[i] = silence;
                more = false;
            }
        }
        if (position_ >= total_) more = false;
        processed += len;
        busy_ = false;
        return more;
    }
    void GetPosition(SND_POSITION* p) override {
        p->dwLength = total_;
        p->dwPosition = position_;
        p->dwUnitsPerSec = Format.nAvgBytesPerSec * unitsPerByte;
    }
    void SetPosition(SND_POSITION* p) override { position_ = p->dwPosition; }
    bool GetFileInfo(const std::string&, SND_FILE_INFO*) override { return false; }

    std::atomic<int> inits{0}, resets{0}, releases{0};
    std::atomic<unsigned long> processed{0};
    std::atomic<bool> overlapped{false};
    // Positions count units of 1/unitsPerByte byte, to give the units a rate of their own.
    DWORD unitsPerByte = 1;
    // Runs at the start of every Process call, on whichever thread decodes; set it before
    // the engine plays.
    std::function<void()> onProcess;

private:
    std::string prefix_;
    DWORD total_;
    std::atomic<DWORD> position_{0};
    std::atomic<bool> busy_{false};
};

// Logs "id:kind:n" for each Process call; kind is L (left only), LR or raw.
class LogEffect : public TSndEffectBase {
    VX_CLASS(LogEffect, TSndEffectBase)
public:
    LogEffect(TComponent* owner, std::int8_t id, std::vector<std::string>* log)
        : TSndEffectBase(owner), id_(id), log_(log) {}
    std::int8_t GetID() const override { return id_; }
    void Init() override {
        ++inits;
        FireChange();
    }
    void Process(short* L, short* R, int n) override {
        if (!Ready()) return;
        const char* kind = id_ >= 4 ? "raw" : R ? "LR" : "L";
        log_->push_back(std::to_string(id_) + ":" + kind + ":" + std::to_string(n));
        if (id_ < 4 && L)
            for (int i = 0; i < n; ++i)
                L[i] = static_cast<short>(L[i] / 2);
    }
    int inits = 0;

private:
    std::int8_t id_;
    std::vector<std::string>* log_;
};

// Counts calls from any thread; a test waits until the count reaches a number.
class Counter {
public:
    void Add() {
        count_.fetch_add(1);
        SetEvent(event_);
    }
    int Value() const { return count_.load(); }
    bool WaitFor(int target, DWORD ms = 5000) {
        while (count_.load() < target)
            if (WaitForSingleObject(event_, ms) != WAIT_OBJECT_0) return count_.load() >= target;
        return true;
    }
    Counter() : event_(CreateEvent(false, false)) {}
    ~Counter() { CloseHandle(event_); }

private:
    std::atomic<int> count_{0};
    HANDLE event_;
};

// An auto-reset event a test waits on with a generous bound; never a sleep.
class Signal {
public:
    Signal() : event_(CreateEvent(false, false)) {}
    ~Signal() { CloseHandle(event_); }
    void Set() { SetEvent(event_); }
    bool Wait(DWORD ms = 5000) { return WaitForSingleObject(event_, ms) == WAIT_OBJECT_0; }

private:
    HANDLE event_;
};

// Plays frames of the default device one at a time while another thread shows what plays
// all along, as a level meter does; answers what the device played.
inline std::vector<std::int16_t> RenderWhileShowing(ManualBackend& backend, int frames,
                                                    const std::function<void()>& show) {
    std::atomic<bool> done{false};
    Signal showing;
    std::thread shower([&] {
        while (!done.load()) {
            show();
            showing.Set();
        }
    });
    std::vector<std::int16_t> played;
    if (showing.Wait())
        for (int frame = 0; frame < frames; ++frame) {
            const std::vector<std::int16_t> samples = backend.Render(1);
            played.insert(played.end(), samples.begin(), samples.end());
        }
    done = true;
    shower.join();
    return played;
}

// Runs work on its own thread. A call that has not returned within the bound is a
// deadlock: the test fails and the process ends, as a thread stuck in a lock cannot be
// taken back.
inline void FinishesWithin(DWORD ms, const std::function<void()>& work, const char* what) {
    Signal done;
    std::thread worker([&] {
        work();
        done.Set();
    });
    if (!done.Wait(ms)) {
        std::fprintf(stderr, "deadlock: %s did not return within %u ms\n", what, unsigned(ms));
        std::fflush(stderr);
        std::_Exit(1);
    }
    worker.join();
}
