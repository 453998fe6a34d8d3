#include "sound/ModPlayer.h"

#include <algorithm>
#include <cstring>

#include "sound/ModTables.h"

namespace {

constexpr DWORD AmigaClock = 3579545;
constexpr int TicksPerSecond = 50;
constexpr int NoEffect = 8;
constexpr int ResetPeriod = 1000;

void FillSilence(BYTE* data, DWORD len, WORD bits) {
    std::memset(data, bits == 8 ? 0x80 : 0, len);
}

} // namespace

void TModPlayer::InitFreq(DWORD rate) {
    rate_ = rate;
    samplesPerTick_ = std::max<int>(1, int(rate / TicksPerSecond));
    sampleCounter_ = samplesPerTick_;
    step_ = rate ? AmigaClock / rate : 0;
    for (int c = 0; c < module_.channels; ++c)
        UpdateIncrement(channel_[c]);
}

void TModPlayer::Reset() {
    InitFreq(rate_);
    orderIndex_ = rowPosition_ = loopPosition_ = loopCounter_ = patternDelay_ = 0;
    breakFlag_ = positionChosen_ = rowPlayed_ = songEnded_ = false;
    speed_ = 6;
    tick_ = speed_;
    for (MOD_CHANNEL& channel : channel_) {
        channel.end = channel.loopLength = channel.sampleNumber = 0;
        channel.mixVolume = channel.baseVolume = 0;
        channel.position = 0;
        channel.noteIndex = channel.parameter = channel.retrigger = channel.glissando = channel.waveControl =
            0;
        channel.mixPeriod = channel.period = ResetPeriod;
        channel.command = NoEffect;
        UpdateIncrement(channel);
    }
}

DWORD TModPlayer::Position() const {
    if (songEnded_) return Length() - 1;
    return DWORD(orderIndex_) * ModRows + DWORD(rowPosition_ / module_.channels);
}

DWORD TModPlayer::RowsPerSecond() const {
    DWORD frameRow = DWORD(samplesPerTick_) * DWORD(speed_);
    return std::max<DWORD>(1, (rate_ + frameRow / 2) / frameRow);
}

void TModPlayer::SetPosition(DWORD position) {
    nextOrder_ = int(std::min<DWORD>(position / ModRows, ModOrders));
    nextRowPosition_ = int(position % ModRows) * module_.channels;
    positionChosen_ = true;
    songEnded_ = false;
}

void TModPlayer::UpdateIncrement(MOD_CHANNEL& channel) const {
    // Slides and vibrato may take the period to 0 or below; the lowest period stands for them.
    std::int32_t period = std::max<std::int32_t>(channel.mixPeriod, 1);
    channel.increment = (std::uint64_t(step_) << 16) / std::uint64_t(period);
}

int TModPlayer::FinetunePeriod(int finetune, int note) const {
    return ModFinetunePeriods[finetune & 15][note];
}

void TModPlayer::PlayNote(const MOD_NOTE& note, MOD_CHANNEL& channel) {
    channel.command = note.command;
    channel.parameter = note.parameter;
    if (note.sample >= 1 && note.sample <= ModSamples && module_.samples[note.sample - 1].length != 0) {
        const MOD_SAMPLE& sample = module_.samples[note.sample - 1];
        channel.sampleNumber = note.sample - 1;
        channel.sampleData = module_.sampleData[note.sample - 1].data();
        channel.baseVolume = sample.volume;
        channel.finetune = sample.finetune;
        channel.loopStart = sample.loopStart;
        channel.loopLength = sample.loopLength;
        channel.sampleLength = channel.end = sample.length;
        channel.playOffset = 0;
        channel.position = 0;
    }
    if (note.note != 0) {
        channel.noteIndex = note.note - 1;
        channel.targetPeriod = FinetunePeriod(channel.finetune, channel.noteIndex);
        if (note.command != 3 && note.command != 5) {
            channel.period = channel.targetPeriod;
            channel.position = 0;
        }
        if (!(channel.waveControl & 0x80)) channel.tremoloPosition = 0;
        if (!(channel.waveControl & 0x08)) channel.vibratoPosition = 0;
    }
}

// A row plays where the previous row's jump, break or loop chose, else after the previous row.
// Choosing during the row being played keeps a break on the last row of a pattern (or of the
// song) from acting on the row after it.
void TModPlayer::NewRow() {
    breakFlag_ = false;
    if (positionChosen_) {
        orderIndex_ = nextOrder_;
        rowPosition_ = nextRowPosition_;
        positionChosen_ = false;
    } else if (rowPlayed_) {
        rowPosition_ += module_.channels;
        if (rowPosition_ >= ModRows * module_.channels) {
            rowPosition_ = 0;
            ++orderIndex_;
        }
    }
    rowPlayed_ = true;
    if (orderIndex_ >= module_.songLength) {
        songEnded_ = true;
        return;
    }
    const auto& pattern = module_.patterns[module_.Order(orderIndex_)];
    for (int c = 0; c < module_.channels; ++c)
        PlayNote(pattern[std::size_t(rowPosition_ + c)], channel_[c]);
}

void TModPlayer::AdvanceFrame() {
    if (++sampleCounter_ < samplesPerTick_) return;
    sampleCounter_ = 0;
    if (++tick_ >= speed_) {
        tick_ = 0;
        if (patternDelay_ == 0)
            NewRow();
        else
            --patternDelay_;
        if (songEnded_) return;
    }
    for (int c = 0; c < module_.channels; ++c)
        Effect(channel_[c]);
}

int TModPlayer::FramesToTick() const {
    return std::min(RunFrames, std::max(1, samplesPerTick_ - sampleCounter_));
}

// Mixes one channel over frames that hold no tick. A sample that runs out restarts at its loop
// with the first loop byte sounding for two frames, or falls silent without a loop.
void TModPlayer::MixChannelRun(MOD_CHANNEL& channel, int* side, int frames) {
    int i = 0;
    while (i < frames) {
        if (std::int64_t(channel.position >> 16) >= channel.end) {
            if (channel.loopLength <= 2) return;
            channel.playOffset = channel.loopStart;
            channel.end = channel.loopLength;
            if (channel.playOffset >= channel.sampleLength)
                channel.playOffset = channel.end = 0;
            else if (channel.playOffset + channel.end > channel.sampleLength)
                channel.end = channel.sampleLength - channel.playOffset;
            channel.position = 0;
            side[i++] += (channel.sampleData[channel.playOffset] - 128) * channel.mixVolume;
            continue;
        }
        const BYTE* base = channel.sampleData + channel.playOffset;
        const std::uint64_t increment = channel.increment;
        const std::uint64_t end = std::uint64_t(channel.end);
        const int volume = channel.mixVolume;
        std::uint64_t position = channel.position;
        while (i < frames && (position >> 16) < end) {
            side[i++] += (base[position >> 16] - 128) * volume;
            position += increment;
        }
        channel.position = position;
    }
}

void TModPlayer::MixRun(int frames) {
    std::fill_n(side0_.begin(), frames, 0);
    std::fill_n(side1_.begin(), frames, 0);
    for (int c = 0; c < module_.channels; ++c)
        MixChannelRun(channel_[c], ModChannelSide[c] ? side1_.data() : side0_.data(), frames);
}

bool TModPlayer::Render(BYTE* data, DWORD len, WORD bits, WORD channels) {
    if (rate_ == 0 || songEnded_) {
        FillSilence(data, len, bits);
        return rate_ == 0;
    }
    const bool wide = bits == 16;
    const DWORD values = wide ? len / 2 : len;
    const int count = module_.channels;
    DWORD written = 0;
    auto put = [&](int value) {
        if (written >= values) return;
        if (wide) {
            data[2 * written] = BYTE(value & 0xFF);
            data[2 * written + 1] = BYTE((value >> 8) & 0xFF);
        } else {
            data[written] = BYTE(((value >> 8) & 0xFF) ^ 0x80);
        }
        ++written;
    };
    while (written < values) {
        AdvanceFrame();
        if (songEnded_) {
            DWORD used = wide ? written * 2 : written;
            FillSilence(data + used, len - used, bits);
            return false;
        }
        // The first frame of the run is the one AdvanceFrame counted; the others hold no tick.
        const DWORD framesWanted = (values - written + channels - 1) / channels;
        const int frames = int(std::min<DWORD>(DWORD(FramesToTick()), framesWanted));
        sampleCounter_ += frames - 1;
        MixRun(frames);
        for (int f = 0; f < frames; ++f) {
            if (channels == 2) {
                put(side1_[std::size_t(f)] * 8 / count);
                put(side0_[std::size_t(f)] * 8 / count);
            } else {
                put((side0_[std::size_t(f)] + side1_[std::size_t(f)]) * 4 / count);
            }
        }
    }
    if (wide && (len & 1)) data[len - 1] = 0;
    return true;
}
