// Helpers to write patterns bar by bar: notes by name, chords, bass lines, drum grooves.
#pragma once

#include <string_view>
#include <vector>

#include "tools/datagen/ModFormat.h"
#include "tools/datagen/ModInstruments.h"

namespace datagen {

// Channels of the tunes: the player sends 0 and 3 to one side, 1 and 2 to the other.
enum Channel : int { kBassChannel = 0, kDrumChannel = 1, kLeadChannel = 2, kChordChannel = 3 };

constexpr int kRowsPerBar = 16; // sixteenth notes, four bars a pattern

// "A4" = 69, "C#5" = 73; "-" is a rest (0). In a melody, "~C6" slides into the note.
int pitch(std::string_view name);

struct Chord {
    int root; // MIDI note
    bool minor;
};

struct MelodyNote {
    const char* name; // pitch or "-"
    int rows;
};

enum class Groove { HatsOnly, KickAndHats, Full, Fill, Breakdown };

class PatternWriter {
public:
    void note(Channel ch, int row, Instrument instrument, int midi, int effect = 0, int param = 0);
    void effect(Channel ch, int row, int effect, int param);
    // Puts a song-wide command (speed, jump) on the first channel free at that row.
    void global(int row, int effect, int param);

    void bassBar(int bar, Chord chord, bool busy);
    void drumBar(int bar, Groove groove);
    void arpeggioBar(int bar, Chord chord);
    void padBar(int bar, Chord chord);
    // The bass's last beat of the bar dives down in pitch.
    void bassDive(int bar);
    // Lays the notes from bar 0 on; long notes get vibrato, rests silence the lead.
    void melody(const std::vector<MelodyNote>& notes, Instrument instrument = kLead);

    const ModPattern& pattern() const { return pattern_; }

private:
    ModPattern pattern_{};
};

} // namespace datagen
