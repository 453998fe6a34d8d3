#pragma once
// How the mixer hears each voice at the device's rate. A voice at the device's rate is read
// straight from its samples. Any other voice goes through its own band-limited resampler
// (speexdsp's windowed-sinc filter), so a 22050 Hz sound on a 48000 Hz device brings no
// images of itself above 11 kHz. The resampler steps through the source by an exact integer
// ratio, so the play cursor moves by the same whole frames on every run and in any chunk
// sizes; a new rate holds from the next mix on; what is heard lags the cursor by half the
// filter's length. A voice read straight until then is taken over where it stands: the filter
// is filled with the frames around the cursor, so the sound goes on without a gap. A voice
// whose writes sound once (SoundWritesOnce) is left silent wherever its cursor has passed.
//
// Everything here runs under the mixer lock.
#include "platform/dsound/Mixer.h"

#include <memory>
#include <unordered_map>
#include <vector>

// How a voice's cursor moved in one mix.
struct VoiceRun {
    DWORD advanced = 0; // frames the cursor moved
    bool ended = false; // a one-shot voice reached its end
};

class VoiceResampler {
public:
    VoiceResampler();
    ~VoiceResampler();
    VoiceResampler(const VoiceResampler&) = delete;
    VoiceResampler& operator=(const VoiceResampler&) = delete;

    // Adds frames of a playing voice to acc (interleaved in the device's channels) and moves
    // its cursor.
    VoiceRun Mix(SoundVoice& voice, float* acc, int frames, const DeviceFormat& device);
    // Drops the filter of a voice that leaves the mixer.
    void Forget(const SoundVoice* voice);

private:
    class Filter;
    Filter* filterFor(const SoundVoice& voice, DWORD deviceRate);
    VoiceRun mixStraight(SoundVoice& voice, float* acc, DWORD frames, int deviceChannels);
    VoiceRun mixFiltered(SoundVoice& voice, Filter& filter, float* acc, DWORD frames, int deviceChannels);
    // Starts a filter on a voice: from silence, or where the straight path left it.
    void begin(SoundVoice& voice, Filter& filter, VoiceRun& run);
    // Decodes count frames from the cursor (not past the buffer's end) into source_; a
    // frame its owner has locked is silence.
    void read(const SoundVoice& voice, DWORD count);

    std::unordered_map<const SoundVoice*, std::unique_ptr<Filter>> filters_;
    std::vector<float> source_;   // decoded source frames, interleaved
    std::vector<float> filtered_; // source frames at the device's rate, interleaved
};
