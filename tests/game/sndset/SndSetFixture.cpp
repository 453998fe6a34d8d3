#include "SndSetFixture.h"

#include <cstring>
#include <mutex>

namespace sndset_test {

namespace {

void put16(std::vector<BYTE>& out, unsigned v) {
    out.push_back(static_cast<BYTE>(v));
    out.push_back(static_cast<BYTE>(v >> 8));
}

void put32(std::vector<BYTE>& out, DWORD v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A RIFF WAVE image of a mono 16-bit rising tone at 44100 Hz.
std::vector<BYTE> toneImage(std::int16_t first, int frames) {
    std::vector<BYTE> data;
    for (int i = 0; i < frames; ++i)
        put16(data, static_cast<std::uint16_t>(first + i));
    std::vector<BYTE> riff{'R', 'I', 'F', 'F'};
    put32(riff, static_cast<DWORD>(4 + 8 + 16 + 8 + data.size()));
    riff.insert(riff.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(riff, 16);
    put16(riff, WAVE_FORMAT_PCM);
    put16(riff, 1);
    put32(riff, 44100);
    put32(riff, 44100 * 2);
    put16(riff, 2);
    put16(riff, 16);
    riff.insert(riff.end(), {'d', 'a', 't', 'a'});
    put32(riff, static_cast<DWORD>(data.size()));
    riff.insert(riff.end(), data.begin(), data.end());
    return riff;
}

std::string effectName(std::size_t i) {
    return "sndset-effect-" + std::to_string(i);
}

// Built-in effects the waves load by name; registered once, alive for the run.
void registerEffects() {
    static std::vector<std::vector<BYTE>> images;
    static std::once_flag once;
    std::call_once(once, [] {
        for (std::size_t i = 0; i < SoundCueCount; ++i)
            images.push_back(toneImage(EffectTone(i), 8000));
        for (std::size_t i = 0; i < SoundCueCount; ++i)
            RegisterWaveResource(effectName(i), images[i].data(), images[i].size());
    });
}

} // namespace

SndSetFixture::SndSetFixture() {
    audio.backend().SetOutputDevices({{"hw:0", "Onboard audio"}, {"hw:1", "USB headset"}});
}

void SndSetFixture::SetUp() {
    registerEffects();
    plug = new RampPlug(&owner, "ramp", 1u << 24);
    mp3 = new TSndMP3(&owner);
    for (std::size_t i = 0; i < waves.size(); ++i) {
        waves[i] = new TDSWave(&owner);
        waves[i]->SetNumBuffers(2);
        waves[i]->SetVolume(128);
        waves[i]->SetFileName(effectName(i));
    }
    player = new TDSPlay(&owner);
    player->SetChannels(2);
    player->SetBitsPerSample(16);
    player->SetSamplesPerSec(44100);
    player->SetBufferSize(32768);
    player->SetBuffersCount(4);
    player->SetVolume(128);
    player->SetFileName("ramp-title");
    owner.LoadTree();
    player->SetOnActiveChange([this](TObject*) { ++switches; });
    makeForm();
}

void SndSetFixture::makeForm() {
    delete form;
    form = new TSndSetForm(nullptr);
    form->LoadTree();
    form->DoCreate();
    form->Connect({player, mp3, waves, &game, [this] { playRandomTrack(); }});
}

void SndSetFixture::TearDown() {
    delete form;
    player->SetActive(false);
}

void SndSetFixture::playRandomTrack() {
    std::string name;
    {
        std::lock_guard lock(game.GameLock());
        if (!game.Options.MusicEnabled || playlist.empty()) return;
        name = playlist[static_cast<std::size_t>(picks++) % playlist.size()];
    }
    player->SetFileName(name);
    player->SetActive(true);
}

void SndSetFixture::choose(TComboBox* box, int index) {
    box->SetItemIndex(index);
    box->OnChange(box);
}

BufferInfo SndSetFixture::stream() {
    for (const BufferInfo& info : audio.backend().Buffers())
        if (!info.primary && info.size == static_cast<DWORD>(player->BuffersSize())) return info;
    return {};
}

std::vector<BufferInfo> SndSetFixture::soundingEffects() {
    std::vector<BufferInfo> sounding;
    for (const BufferInfo& info : audio.backend().Buffers())
        if (!info.primary && info.size != static_cast<DWORD>(player->BuffersSize()) && info.playing)
            sounding.push_back(info);
    return sounding;
}

bool SndSetFixture::musicMirror() {
    std::lock_guard lock(game.GameLock());
    return game.Options.MusicEnabled;
}

bool SndSetFixture::effectsMirror() {
    std::lock_guard lock(game.GameLock());
    return game.Options.SFXEnabled;
}

} // namespace sndset_test
