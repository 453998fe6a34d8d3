#include "platform/dsound/Resampler.h"

#include <speex/speex_resampler.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>

namespace {

// speexdsp's qualities run from 0 to 10. At 4, the library's default, the images of a 22050 Hz
// sweep on a 48000 Hz device lie some 84 dB below it (at 2 and below, only some 59 dB), and
// the passband reaches 94 % of the source's half rate; higher qualities cost more taps.
constexpr int Quality = 4;
// Device frames made at a time, so the work buffers stay small.
constexpr DWORD Piece = 1024;

template <int SourceChannels, int DeviceChannels>
void addFrames(const float* in, DWORD frames, float gainLeft, float gainRight, float* acc) {
    for (DWORD i = 0; i < frames; ++i) {
        const float left = in[SourceChannels * i];
        const float right = SourceChannels == 2 ? in[SourceChannels * i + 1] : left;
        if constexpr (DeviceChannels == 2) {
            acc[2 * i] += left * gainLeft;
            acc[2 * i + 1] += right * gainRight;
        } else {
            acc[i] += 0.5f * (left * gainLeft + right * gainRight);
        }
    }
}

// Adds frames in the voice's channels, at its gains, to device frames.
void addFrames(const SoundVoice& v, const float* in, DWORD frames, float* acc, int deviceChannels) {
    const bool stereo = v.format.nChannels == 2;
    if (deviceChannels == 2)
        stereo ? addFrames<2, 2>(in, frames, v.gainLeft, v.gainRight, acc)
               : addFrames<1, 2>(in, frames, v.gainLeft, v.gainRight, acc);
    else
        stereo ? addFrames<2, 1>(in, frames, v.gainLeft, v.gainRight, acc)
               : addFrames<1, 1>(in, frames, v.gainLeft, v.gainRight, acc);
}

// Decodes frames from a given one into floats, interleaved.
void decode(const SoundVoice& v, DWORD frame, DWORD count, float* out) {
    const DWORD samples = count * v.format.nChannels;
    const BYTE* bytes = v.memory->bytes.data() + static_cast<std::size_t>(frame) * v.format.nBlockAlign;
    if (v.format.wBitsPerSample == 8) {
        for (DWORD i = 0; i < samples; ++i)
            out[i] = static_cast<float>((bytes[i] - 128) * 256);
    } else {
        for (DWORD i = 0; i < samples; ++i) {
            std::int16_t value;
            std::memcpy(&value, bytes + 2 * i, 2);
            out[i] = value;
        }
    }
}

// True when a frame lies in a region its owner has locked for writing: it is heard as
// silence, and not read while the owner writes there.
bool frameLocked(const SoundVoice& v, DWORD frame) {
    const DWORD first = frame * v.format.nBlockAlign;
    return v.memory->locked.Locked(first, first + v.format.nBlockAlign);
}

// Frames of a voice that sounds its writes once turn to silence once the cursor has passed
// them, from a frame on (not past the buffer's end); a frame its owner has locked turns to
// silence when the owner lets go of it.
void silencePassed(SoundVoice& v, DWORD frame, DWORD count) {
    if (!v.writesOnce) return;
    const DWORD align = v.format.nBlockAlign;
    for (DWORD f = frame; f < frame + count; ++f) {
        const DWORD first = f * align;
        if (frameLocked(v, f))
            v.memory->locked.Passed(first, first + align);
        else
            std::memset(v.memory->bytes.data() + first, v.format.wBitsPerSample == 8 ? 0x80 : 0, align);
    }
}

// Decodes count frames from `first` frames off the cursor, which may lie before it: a looping
// voice wraps round its buffer, a one-shot one is silent beyond its ends.
void decodeAround(const SoundVoice& v, long first, DWORD count, float* out) {
    const auto frames = static_cast<long>(v.frames);
    for (DWORD i = 0; i < count; ++i) {
        long at = static_cast<long>(v.frame) + first + static_cast<long>(i);
        if (v.looping) at = (at % frames + frames) % frames;
        float* frame = out + static_cast<std::size_t>(i) * v.format.nChannels;
        if (at < 0 || at >= frames || frameLocked(v, static_cast<DWORD>(at)))
            std::fill_n(frame, v.format.nChannels, 0.0f);
        else
            decode(v, static_cast<DWORD>(at), 1, frame);
    }
}

// Moves the cursor past frames it has read (not past the buffer's end); true when a one-shot
// voice ran out.
bool advance(SoundVoice& v, DWORD frames, VoiceRun& run) {
    silencePassed(v, v.frame, frames);
    run.advanced += frames;
    v.frame += frames;
    if (v.frame < v.frames) return false;
    v.frame = 0;
    ++v.turns;
    run.ended = !v.looping;
    return run.ended;
}

} // namespace

class VoiceResampler::Filter {
public:
    Filter(int channels, DWORD from, DWORD to)
        : channels_(static_cast<spx_uint32_t>(channels)), from_(from), to_(to) {
        int error = 0;
        state_ = speex_resampler_init(static_cast<spx_uint32_t>(channels), from, to, Quality, &error);
        // With rates the buffers have checked, only memory can be missing.
        if (!state_) throw std::bad_alloc();
    }
    ~Filter() { speex_resampler_destroy(state_); }
    Filter(const Filter&) = delete;
    Filter& operator=(const Filter&) = delete;

    // The filter keeps its place and what it holds: the next frame it makes steps at the new rate.
    void SetRates(DWORD from, DWORD to) {
        if (from == from_ && to == to_) return;
        speex_resampler_set_rate(state_, from, to);
        from_ = from;
        to_ = to;
    }
    // Silence before the next frame taken, and the first frame made lies on it.
    void Restart() { speex_resampler_reset_mem(state_); }
    // Fills the filter as if it had filtered the voice all along, so the first frame it makes
    // is the one at the cursor; around(first, count, out) decodes frames from `first` off the
    // cursor. Answers how many frames past the cursor it took.
    template <class Around> DWORD TakeOver(Around around) {
        const auto half = static_cast<spx_uint32_t>(speex_resampler_get_input_latency(state_));
        speex_resampler_set_rate(state_, to_, to_);
        const auto plainHalf = static_cast<spx_uint32_t>(speex_resampler_get_input_latency(state_));
        // Stepping by half / plainHalf frames, the filter has the length it has at the voice's
        // rate and its frames land on whole source frames: the frames before the cursor go
        // through it and leave it on the cursor, holding them, with no fraction of a frame over.
        speex_resampler_reset_mem(state_);
        speex_resampler_set_rate_frac(state_, half, plainHalf, from_, to_);
        speex_resampler_skip_zeros(state_);
        spx_uint32_t num = 0;
        spx_uint32_t den = 0;
        speex_resampler_get_ratio(state_, &num, &den);
        const spx_uint32_t before = (half + num - 1) / num * num;
        spx_uint32_t taken = before + half;
        spx_uint32_t made = before / num * den + 1;
        std::vector<float> in(taken * channels_);
        std::vector<float> out(made * channels_);
        around(-static_cast<long>(before), taken, in.data());
        speex_resampler_process_interleaved_float(state_, in.data(), &taken, out.data(), &made);
        speex_resampler_set_rate(state_, from_, to_);
        return half;
    }
    // Source frames that make `made` device frames, and a frame or two the last step may want.
    DWORD SourceFor(DWORD made) const {
        return static_cast<DWORD>(static_cast<std::uint64_t>(made) * from_ / to_) + 2;
    }
    // Filters from in (null: silence) until either runs out; answers the frames taken and made.
    void Convert(const float* in, DWORD& taken, float* out, DWORD& made) {
        speex_resampler_process_interleaved_float(state_, in, &taken, out, &made);
    }

    // Where the voice's cursor stood when the filter last let go of it; none while idle.
    std::optional<DWORD> next;

private:
    SpeexResamplerState* state_;
    spx_uint32_t channels_;
    DWORD from_;
    DWORD to_;
};

VoiceResampler::VoiceResampler() = default;
VoiceResampler::~VoiceResampler() = default;

void VoiceResampler::Forget(const SoundVoice* voice) {
    filters_.erase(voice);
}

VoiceRun VoiceResampler::Mix(SoundVoice& voice, float* acc, int frames, const DeviceFormat& device) {
    if (Filter* filter = filterFor(voice, static_cast<DWORD>(device.rate)))
        return mixFiltered(voice, *filter, acc, static_cast<DWORD>(frames), device.channels);
    return mixStraight(voice, acc, static_cast<DWORD>(frames), device.channels);
}

VoiceResampler::Filter* VoiceResampler::filterFor(const SoundVoice& voice, DWORD deviceRate) {
    const auto found = filters_.find(&voice);
    Filter* filter = found == filters_.end() ? nullptr : found->second.get();
    // A cursor that is not where the filter left it was set anew: the filter starts afresh.
    if (filter && filter->next != voice.frame) filter->next.reset();
    if (!filter || !filter->next) {
        // Once filtered, a voice stays filtered while it plays on, even back at the device's
        // rate: leaving the filter would skip what it still holds.
        if (voice.frequency == deviceRate) return nullptr;
        if (!filter)
            filter = (filters_[&voice] =
                          std::make_unique<Filter>(voice.format.nChannels, voice.frequency, deviceRate))
                         .get();
    }
    filter->SetRates(voice.frequency, deviceRate);
    return filter;
}

VoiceRun VoiceResampler::mixStraight(SoundVoice& voice, float* acc, DWORD frames, int deviceChannels) {
    VoiceRun run;
    for (DWORD done = 0; done < frames;) {
        const DWORD count = std::min({frames - done, voice.frames - voice.frame, Piece});
        read(voice, count);
        addFrames(voice, source_.data(), count, acc + done * deviceChannels, deviceChannels);
        done += count;
        if (advance(voice, count, run)) break;
    }
    voice.straightTo = run.ended ? std::nullopt : std::optional<DWORD>(voice.frame);
    return run;
}

void VoiceResampler::begin(SoundVoice& voice, Filter& filter, VoiceRun& run) {
    if (voice.straightTo != voice.frame) {
        filter.Restart();
        return;
    }
    const DWORD ahead = filter.TakeOver(
        [&voice](long first, DWORD count, float* out) { decodeAround(voice, first, count, out); });
    // The cursor moves past the frames the filter took ahead, a turn of the ring at a time.
    for (DWORD left = ahead; left > 0 && !run.ended;) {
        const DWORD step = std::min(left, voice.frames - voice.frame);
        advance(voice, step, run);
        left -= step;
    }
}

VoiceRun VoiceResampler::mixFiltered(SoundVoice& voice, Filter& filter, float* acc, DWORD frames,
                                     int deviceChannels) {
    VoiceRun run;
    if (!filter.next) begin(voice, filter, run);
    voice.straightTo.reset();
    filtered_.resize(Piece * voice.format.nChannels);
    for (DWORD done = 0; done < frames;) {
        DWORD made = std::min(frames - done, Piece);
        DWORD taken = filter.SourceFor(made);
        if (run.ended) {
            // After a one-shot end the filter gives out what it still holds.
            filter.Convert(nullptr, taken, filtered_.data(), made);
        } else {
            taken = std::min(taken, voice.frames - voice.frame);
            read(voice, taken);
            filter.Convert(source_.data(), taken, filtered_.data(), made);
            advance(voice, taken, run);
        }
        addFrames(voice, filtered_.data(), made, acc + done * deviceChannels, deviceChannels);
        done += made;
    }
    filter.next = run.ended ? std::nullopt : std::optional<DWORD>(voice.frame);
    return run;
}

void VoiceResampler::read(const SoundVoice& voice, DWORD count) {
    const std::size_t channels = voice.format.nChannels;
    source_.assign(count * channels, 0.0f);
    // Regions are locked only for the moments an owner writes, so the check is rarely paid.
    if (voice.memory->locked.Empty()) {
        decode(voice, voice.frame, count, source_.data());
        return;
    }
    for (DWORD i = 0; i < count; ++i)
        if (!frameLocked(voice, voice.frame + i)) decode(voice, voice.frame + i, 1, &source_[i * channels]);
}
