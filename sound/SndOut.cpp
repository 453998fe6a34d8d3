#include "sound/SndOut.h"

#include "platform/framework/MessageService.h"
#include "platform/framework/Published.h"
#include "sound/Sndutils.h"

#include <algorithm>

constexpr int WorkBufferSamples = 32768;

namespace {

// The file and how it plays are published by the player that plays files.
const bool outEnginePublished =
    RegisterPublishedClass("TSndOutEngine", "TSndEngine",
                           {Property("UseEffects", TypeBoolean(), &TSndOutEngine::UseEffects,
                                     &TSndOutEngine::SetUseEffects, false)});

} // namespace

TSndOutEngine::TSndOutEngine(TComponent* owner)
    : TSndEngine(owner), left_(WorkBufferSamples), right_(WorkBufferSamples) {}

TSndOutEngine::~TSndOutEngine() {
    SetOnBeforeStop(nullptr);
    SetOnActiveChange(nullptr);
}

void TSndOutEngine::Loaded() {
    TSndEngine::Loaded();
    TComponent* owner = Owner();
    if (!owner) return;
    for (int i = 0; i < owner->ComponentCount(); ++i)
        if (owner->Components(i)->ClassParentName() == TSndPlayPlug::StaticClassName) {
            plugins_.push_back(static_cast<TSndPlayPlug*>(owner->Components(i)));
            FreeNotification(plugins_.back());
        }
    for (int i = 0; i < owner->ComponentCount(); ++i)
        if (owner->Components(i)->ClassParentName() == TSndEffectBase::StaticClassName) {
            effects_.push_back(static_cast<TSndEffectBase*>(owner->Components(i)));
            FreeNotification(effects_.back());
        }
    EffectsSort();
    EffectsInit();
}

void TSndOutEngine::Notification(TComponent* component, TOperation operation) {
    TSndEngine::Notification(component, operation);
    if (operation != opRemove) return;
    // A plug-in or effect that goes before the engine leaves the lists; a plug-in being
    // destroyed is not released again.
    TSndControlHold hold(Control);
    // Switched off before the decode lock is taken: the switch waits for the events
    // thread, which may itself be waiting for that lock.
    if (component == modulePlug_) SwitchLocked(false);
    std::lock_guard decode(DecodeLock);
    if (component == modulePlug_) modulePlug_ = nullptr;
    plugins_.erase(std::remove(plugins_.begin(), plugins_.end(), component), plugins_.end());
    effects_.erase(std::remove(effects_.begin(), effects_.end(), component), effects_.end());
}

void TSndOutEngine::EffectsSort() {
    if (effects_.size() < 2) return;
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (std::size_t i = 0; i + 1 < effects_.size(); ++i)
            if (effects_[i]->GetID() > effects_[i + 1]->GetID()) {
                std::swap(effects_[i], effects_[i + 1]);
                swapped = true;
            }
    }
}

void TSndOutEngine::EffectsInit() {
    std::lock_guard decode(DecodeLock);
    for (TSndEffectBase* effect : effects_) {
        effect->Format = &WorkingFormat;
        effect->Init();
    }
}

void TSndOutEngine::SetModulePlug(TSndPlayPlug* plug) {
    std::lock_guard decode(DecodeLock);
    if (modulePlug_) modulePlug_->Release();
    modulePlug_ = plug;
}

bool TSndOutEngine::FindModulePlug() {
    TSndControlHold hold(Control);
    if (fileName_.empty()) {
        SetModulePlug(nullptr);
        return false;
    }
    for (TSndPlayPlug* plug : plugins_) {
        SetModulePlug(plug);
        std::lock_guard decode(DecodeLock);
        plug->FileName = fileName_;
        plug->Format = WorkingFormat;
        if (plug->Init()) {
            plug->SetSamplesPerSec(RequestedFormat.nSamplesPerSec);
            plug->SetBitsPerSample(RequestedFormat.wBitsPerSample);
            plug->SetChannels(RequestedFormat.nChannels);
            return true;
        }
    }
    SetModulePlug(nullptr);
    ShowFileError(fileName_, 0);
    return false;
}

int TSndOutEngine::ShowFileError(const std::string& name, unsigned flags) {
    std::string text =
        "File '" + name + "' not found, corrupt\nor format of file not supported. Supported file types are:";
    for (TSndPlayPlug* plug : plugins_)
        text += "\n" + plug->GetSupportTypes();
    if (plugins_.empty()) text += "\n(none)";
    return ShowMessageBox(text, "SndOutEngine: Fatal error", flags ? flags : MB_ICONERROR);
}

void TSndOutEngine::SetFileName(const std::string& name) {
    if (HandedOff([this, name] { SetFileName(name); })) return;
    TSndControlHold hold(Control);
    SwitchLocked(false);
    SetModulePlug(nullptr);
    fileName_ = name;
}

void TSndOutEngine::ChangeFormat(const std::function<void()>& apply) {
    Restart([&] {
        {
            std::lock_guard decode(DecodeLock);
            apply();
        }
        EffectsInit();
    });
}

void TSndOutEngine::SetChannels(unsigned short channels) {
    if (HandedOff([this, channels] { SetChannels(channels); })) return;
    ChangeFormat([&] {
        RequestedFormat.nChannels = channels;
        UpdateWaveFormat(&RequestedFormat);
        if (modulePlug_) modulePlug_->SetChannels(channels);
    });
}

void TSndOutEngine::SetBitsPerSample(unsigned short bits) {
    if (HandedOff([this, bits] { SetBitsPerSample(bits); })) return;
    ChangeFormat([&] {
        RequestedFormat.wBitsPerSample = bits;
        UpdateWaveFormat(&RequestedFormat);
        if (modulePlug_) modulePlug_->SetBitsPerSample(bits);
    });
}

void TSndOutEngine::SetSamplesPerSec(unsigned long rate) {
    if (HandedOff([this, rate] { SetSamplesPerSec(rate); })) return;
    ChangeFormat([&] {
        RequestedFormat.nSamplesPerSec = static_cast<DWORD>(rate);
        UpdateWaveFormat(&RequestedFormat);
        if (modulePlug_) modulePlug_->SetSamplesPerSec(rate);
    });
}

void TSndOutEngine::SetPosition(SND_POSITION* position) {
    if (!position) return;
    if (HandedOff([this, copy = *position]() mutable { SetPosition(&copy); })) return;
    TSndControlHold hold(Control);
    if (!Active()) return;
    Stop();
    {
        std::lock_guard decode(DecodeLock);
        if (modulePlug_) modulePlug_->SetPosition(position);
    }
    Start();
}

// The block is read and written in the format the buffers were built in, which is the
// requested one for a player but the capture format for a processor.
void TSndOutEngine::GetBuffer(const BYTE* first, DWORD firstLen, const BYTE* second, DWORD secondLen) {
    const bool wide = WorkingFormat.wBitsPerSample == 16;
    const bool stereo = WorkingFormat.nChannels == 2;
    if (wide && stereo)
        GetBuf16Stereo(left_.data(), right_.data(), first, firstLen, second, secondLen);
    else if (wide)
        GetBuf16Mono(left_.data(), first, firstLen, second, secondLen);
    else if (stereo)
        GetBuf8Stereo(left_.data(), right_.data(), first, firstLen, second, secondLen);
    else
        GetBuf8Mono(left_.data(), first, firstLen, second, secondLen);
}

void TSndOutEngine::PutBuffer(BYTE* first, DWORD firstLen, BYTE* second, DWORD secondLen) {
    const bool wide = WorkingFormat.wBitsPerSample == 16;
    const bool stereo = WorkingFormat.nChannels == 2;
    if (wide && stereo)
        PutBuf16Stereo(left_.data(), right_.data(), first, firstLen, second, secondLen);
    else if (wide)
        PutBuf16Mono(left_.data(), first, firstLen, second, secondLen);
    else if (stereo)
        PutBuf8Stereo(left_.data(), right_.data(), first, firstLen, second, secondLen);
    else
        PutBuf8Mono(left_.data(), first, firstLen, second, secondLen);
}

void TSndOutEngine::EffectsProcess(BYTE* first, DWORD firstLen, BYTE* second, DWORD secondLen) {
    std::lock_guard decode(DecodeLock);
    const int align = WorkingFormat.nBlockAlign ? WorkingFormat.nBlockAlign : 1;
    const int count = BufferSize() / align;
    bool split = false;
    for (TSndEffectBase* effect : effects_) {
        if (!effect->Enabled.load()) continue;
        if (effect->GetID() < 4) {
            if (!split) {
                GetBuffer(first, firstLen, second, secondLen);
                split = true;
            }
            effect->Process(left_.data(), WorkingFormat.nChannels == 2 ? right_.data() : nullptr, count);
        } else {
            if (split) {
                PutBuffer(first, firstLen, second, secondLen);
                split = false;
            }
            effect->Process(reinterpret_cast<short*>(first), nullptr, static_cast<int>(firstLen));
            effect->Process(reinterpret_cast<short*>(second), nullptr, static_cast<int>(secondLen));
        }
    }
    if (split) PutBuffer(first, firstLen, second, secondLen);
}
