// The effect commands of the module player, run for every channel on every tick.
#include <algorithm>
#include <cstdlib>

#include "sound/ModPlayer.h"
#include "sound/ModTables.h"

namespace {

constexpr int MaxVolume = 64;
constexpr int LastNote = ModNotes - 1;

enum Command {
    Arpeggio = 0,
    SlideUp = 1,
    SlideDown = 2,
    TonePortamento = 3,
    VibratoCommand = 4,
    TonePortamentoVolumeSlide = 5,
    VibratoVolumeSlide = 6,
    TremoloCommand = 7,
    SampleOffset = 9,
    VolumeSlide = 10,
    PositionJumpCommand = 11,
    SetVolume = 12,
    PatternBreakCommand = 13,
    Extended = 14,
    SetSpeed = 15,
};

// Wave value 0..255 for an oscillator position; the caller applies the sign of the position.
int WaveValue(int wave, std::int8_t position) {
    int index = (position >> 2) & 31;
    switch (wave & 3) {
    case 0:
        return ModVibratoSine[std::size_t(index)];
    case 1:
        return position < 0 ? 255 - index * 8 : index * 8;
    case 2:
        return 255;
    default:
        return 0;
    }
}

void Clear(MOD_CHANNEL& channel) {
    channel.command = channel.parameter = 0;
}

} // namespace

void TModPlayer::Effect(MOD_CHANNEL& channel) {
    const int x = channel.parameter >> 4;
    const int y = channel.parameter & 15;
    const bool arpeggioPeriodSet = RunCommand(channel, x, y);
    const int command = channel.command;
    if (command >= TonePortamento && command <= VibratoVolumeSlide) {
        channel.mixVolume = channel.baseVolume;
    } else {
        if (!arpeggioPeriodSet) channel.mixPeriod = channel.period;
        if (command != TremoloCommand) channel.mixVolume = channel.baseVolume;
    }
    UpdateIncrement(channel);
}

// Runs the channel's command for this tick. True when an arpeggio chose the mixing period: it
// sounds the chord notes without touching the period that slides work on.
bool TModPlayer::RunCommand(MOD_CHANNEL& channel, int x, int y) {
    const int p = channel.parameter;
    switch (channel.command) {
    case Arpeggio: {
        if (p == 0) return false;
        int phase = tick_ % 3;
        int note = std::min(channel.noteIndex + (phase == 1 ? x : phase == 2 ? y : 0), LastNote);
        channel.mixPeriod = FinetunePeriod(channel.finetune, note);
        return true;
    }
    case SlideUp:
        if (tick_ != 0) channel.period -= p;
        break;
    case SlideDown:
        if (tick_ != 0) channel.period += p;
        break;
    case TonePortamento:
        if (p != 0) channel.portamentoSpeed = p;
        ToneSlide(channel);
        break;
    case VibratoCommand:
        if (y != 0) channel.vibratoDepth = y;
        if (x != 0) channel.vibratoSpeed = x * 4;
        channel.parameter = 0;
        Vibrato(channel);
        break;
    case TonePortamentoVolumeSlide:
        ToneSlide(channel);
        VolSlide(channel);
        break;
    case VibratoVolumeSlide:
        Vibrato(channel);
        VolSlide(channel);
        break;
    case TremoloCommand:
        if (y != 0) channel.tremoloDepth = y;
        if (x != 0) channel.tremoloSpeed = x * 4;
        Tremolo(channel);
        channel.parameter = 0;
        break;
    case SampleOffset:
        channel.playOffset = p * 256;
        if (channel.playOffset < channel.sampleLength)
            channel.end = channel.sampleLength - channel.playOffset;
        else
            channel.playOffset = channel.end = 0;
        Clear(channel);
        break;
    case VolumeSlide:
        VolSlide(channel);
        break;
    case PositionJumpCommand:
        PositionJump(p);
        Clear(channel);
        break;
    case SetVolume:
        channel.baseVolume = std::min(p, MaxVolume);
        Clear(channel);
        break;
    case PatternBreakCommand:
        PatternBreak(x, y);
        Clear(channel);
        break;
    case Extended:
        ExEffects(channel, x, y);
        break;
    case SetSpeed:
        if (p >= 32)
            samplesPerTick_ = std::max<int>(1, int(rate_ / DWORD(p * 24 / 60)));
        else if (p != 0)
            speed_ = p;
        Clear(channel);
        break;
    default:
        break;
    }
    return false;
}

void TModPlayer::PositionJump(int order) {
    nextOrder_ = order >= module_.songLength ? 0 : order;
    nextRowPosition_ = 0;
    positionChosen_ = true;
    breakFlag_ = true;
}

void TModPlayer::PatternBreak(int x, int y) {
    if (breakFlag_) return;
    nextOrder_ = orderIndex_ + 1 >= module_.songLength ? 0 : orderIndex_ + 1;
    nextRowPosition_ = std::min(x * 10 + y, ModRows - 1) * module_.channels;
    positionChosen_ = true;
    breakFlag_ = true;
}

void TModPlayer::PatternLoop(int y) {
    if (y == 0) {
        loopPosition_ = rowPosition_;
        return;
    }
    loopCounter_ = loopCounter_ < 1 ? y : loopCounter_ - 1;
    if (loopCounter_ == 0) return;
    if (!positionChosen_) nextOrder_ = orderIndex_;
    nextRowPosition_ = loopPosition_;
    positionChosen_ = true;
}

void TModPlayer::ExEffects(MOD_CHANNEL& channel, int x, int y) {
    switch (x) {
    case 1:
        channel.period -= y;
        Clear(channel);
        break;
    case 2:
        channel.period += y;
        Clear(channel);
        break;
    case 3:
        channel.glissando = y;
        break;
    case 4:
        channel.waveControl = (channel.waveControl & 0xF0) | y;
        break;
    case 5:
        channel.finetune = y;
        channel.period = FinetunePeriod(y, channel.noteIndex);
        Clear(channel);
        break;
    case 6:
        PatternLoop(y);
        Clear(channel);
        break;
    case 7:
        channel.waveControl = (channel.waveControl & 0x0F) | y << 4;
        break;
    case 9:
        if (y >= 1) {
            if (channel.retrigger == 0) {
                channel.position = 0;
                channel.retrigger = y;
            }
            --channel.retrigger;
        }
        break;
    case 10:
        channel.baseVolume = std::min(channel.baseVolume + y, MaxVolume);
        Clear(channel);
        break;
    case 11:
        channel.baseVolume = std::max(channel.baseVolume - y, 0);
        Clear(channel);
        break;
    case 12:
        if (tick_ >= y) {
            channel.baseVolume = 0;
            Clear(channel);
        }
        break;
    case 13:
        if (tick_ == y) {
            channel.position = 0;
            Clear(channel);
        }
        break;
    case 14:
        patternDelay_ = y;
        Clear(channel);
        break;
    default:
        break;
    }
}

void TModPlayer::Vibrato(MOD_CHANNEL& channel) {
    int delta = channel.vibratoDepth * WaveValue(channel.waveControl, channel.vibratoPosition) >> 7;
    channel.mixPeriod = channel.vibratoPosition < 0 ? channel.period - delta : channel.period + delta;
    if (tick_ != 0) channel.vibratoPosition = std::int8_t(channel.vibratoPosition + channel.vibratoSpeed);
}

void TModPlayer::Tremolo(MOD_CHANNEL& channel) {
    int delta = channel.tremoloDepth * WaveValue(channel.waveControl >> 4, channel.tremoloPosition) >> 6;
    channel.mixVolume = channel.tremoloPosition < 0 ? std::max(channel.baseVolume - delta, 0)
                                                    : std::min(channel.baseVolume + delta, MaxVolume);
    if (tick_ != 0) channel.tremoloPosition = std::int8_t(channel.tremoloPosition + channel.tremoloSpeed);
}

void TModPlayer::VolSlide(MOD_CHANNEL& channel) {
    if (tick_ == 0) return;
    int x = channel.parameter >> 4, y = channel.parameter & 15;
    channel.baseVolume = std::clamp(channel.baseVolume + x - y, 0, MaxVolume);
}

void TModPlayer::ToneSlide(MOD_CHANNEL& channel) {
    if (tick_ == 0) {
        channel.mixPeriod = channel.period;
        return;
    }
    int distance = channel.period - channel.targetPeriod;
    if (distance == 0 || std::abs(distance) < channel.portamentoSpeed)
        channel.period = channel.targetPeriod;
    else if (channel.period < channel.targetPeriod)
        channel.period += channel.portamentoSpeed;
    else
        channel.period -= channel.portamentoSpeed;
    if (!channel.glissando) {
        channel.mixPeriod = channel.period;
        return;
    }
    const auto& periods = ModFinetunePeriods[std::size_t(channel.finetune & 15)];
    auto at = std::find_if(periods.begin(), periods.end(), [&](int p) { return p <= channel.period; });
    channel.mixPeriod = at == periods.end() ? periods[LastNote] : *at;
}
