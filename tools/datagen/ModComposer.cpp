#include "tools/datagen/ModComposer.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace datagen {

int pitch(std::string_view name) {
    if (name == "-") return 0;
    static const int semitones[] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    if (name.size() < 2 || name[0] < 'A' || name[0] > 'G') throw std::invalid_argument("bad note name");
    int semitone = semitones[name[0] - 'A'];
    std::size_t pos = 1;
    if (name[pos] == '#') ++semitone, ++pos;
    if (pos >= name.size()) throw std::invalid_argument("bad note name");
    return 12 * (name[pos] - '0' + 1) + semitone;
}

void PatternWriter::note(Channel ch, int row, Instrument instrument, int midi, int effect, int param) {
    ModNote& n = pattern_.at(static_cast<std::size_t>(row)).at(ch);
    n.sample = instrument;
    n.note = instrument >= kKick && instrument <= kOpenHat ? kDrumNote : noteOf(instrument, midi);
    n.effect = effect, n.param = param;
}

void PatternWriter::effect(Channel ch, int row, int effect, int param) {
    ModNote& n = pattern_.at(static_cast<std::size_t>(row)).at(ch);
    n.effect = effect, n.param = param;
}

void PatternWriter::global(int row, int effect, int param) {
    for (ModNote& n : pattern_.at(static_cast<std::size_t>(row)))
        if (n.effect == 0 && n.param == 0) {
            n.effect = effect, n.param = param;
            return;
        }
    throw std::logic_error("no free effect column for a song command");
}

void PatternWriter::bassBar(int bar, Chord chord, bool busy) {
    // The chord names its root in the chords' octave; the bass plays it two octaves down.
    const int base = bar * kRowsPerBar, root = chord.root - 24, fifth = root + 7, octave = root + 12;
    if (!busy) {
        for (int beat = 0; beat < 4; ++beat)
            note(kBassChannel, base + beat * 4, kBass, beat == 3 ? fifth : root);
        return;
    }
    const int line[8] = {root, root, octave, root, fifth, root, octave, fifth};
    for (int i = 0; i < 8; ++i)
        note(kBassChannel, base + i * 2, kBass, line[i]);
}

void PatternWriter::drumBar(int bar, Groove groove) {
    const int base = bar * kRowsPerBar;
    auto hat = [&](int row) { note(kDrumChannel, base + row, kHat, 0); };
    auto kick = [&](int row) { note(kDrumChannel, base + row, kKick, 0); };
    auto snare = [&](int row, int volume = 56) {
        note(kDrumChannel, base + row, kSnare, 0, kSetVolume, volume);
    };
    switch (groove) {
    case Groove::HatsOnly:
        for (int row = 0; row < 16; row += 2)
            hat(row);
        note(kDrumChannel, base + 14, kOpenHat, 0);
        break;
    case Groove::KickAndHats:
        for (int row = 0; row < 16; row += 4)
            kick(row), hat(row + 2);
        break;
    case Groove::Full:
        kick(0), hat(2), snare(4), hat(6), kick(8), kick(10), snare(12), hat(14);
        hat(15);
        effect(kDrumChannel, base + 15, kSetVolume, 20);
        break;
    case Groove::Fill:
        kick(0), hat(2), snare(4), hat(6), kick(8);
        for (int row = 10; row < 15; ++row)
            snare(row, 24 + (row - 10) * 7);
        note(kDrumChannel, base + 15, kSnare, 0, kExtended,
             kExtendedRetrigger | 3); // a roll into the next bar
        break;
    case Groove::Breakdown:
        kick(0), note(kDrumChannel, base + 8, kOpenHat, 0);
        break;
    }
}

void PatternWriter::arpeggioBar(int bar, Chord chord) {
    const int base = bar * kRowsPerBar, shape = chord.minor ? 0x37 : 0x47;
    for (int row = 0; row < kRowsPerBar; ++row) {
        if (row % 4 == 0)
            note(kChordChannel, base + row, kPluck, chord.root, kArpeggio, shape);
        else
            effect(kChordChannel, base + row, row % 4 == 3 ? kVolumeSlide : kArpeggio,
                   row % 4 == 3 ? 0x04 : shape);
    }
}

void PatternWriter::padBar(int bar, Chord chord) {
    const int base = bar * kRowsPerBar;
    note(kChordChannel, base, kPad, chord.root + 12);
    note(kChordChannel, base + 8, kPad, chord.root + (chord.minor ? 15 : 16));
}

void PatternWriter::bassDive(int bar) {
    const int base = bar * kRowsPerBar;
    for (int row = 12; row < kRowsPerBar; ++row)
        effect(kBassChannel, base + row, kPortaDown, 0x0C);
}

void PatternWriter::melody(const std::vector<MelodyNote>& notes, Instrument instrument) {
    int row = 0;
    for (const MelodyNote& m : notes) {
        const bool slide = m.name[0] == '~';
        int midi = pitch(m.name + (slide ? 1 : 0));
        if (midi == 0) {
            effect(kLeadChannel, row, kSetVolume, 0);
        } else if (slide) {
            // The sample keeps playing and glides from the previous note's pitch.
            ModNote& n = pattern_.at(static_cast<std::size_t>(row)).at(kLeadChannel);
            n.note = noteOf(instrument, midi), n.effect = kTonePorta, n.param = 0x06;
            for (int r = 1; r < std::min(m.rows, 3); ++r)
                effect(kLeadChannel, row + r, kTonePorta, 0);
        } else {
            note(kLeadChannel, row, instrument, midi);
            for (int r = 3; r < m.rows; ++r)
                effect(kLeadChannel, row + r, kVibrato, r == 3 ? 0x43 : 0);
        }
        row += m.rows;
    }
    if (row != kModRows)
        throw std::logic_error("a melody must fill the pattern: " + std::to_string(row) + " rows");
}

} // namespace datagen
