#include "tools/datagen/ModSong.h"

#include <array>

#include "tools/datagen/ModComposer.h"

namespace datagen {
namespace {

using Progression = std::array<Chord, 4>;

// Chord roots sit in the chords' octave (around A3).
const Chord Am{57, true}, F{53, false}, C{60, false}, G{55, false}, Em{52, true};
const Chord Dm{62, true}, Bb{58, false}, Gm{55, true}, A{57, false};

struct Section {
    Progression chords;
    Groove groove[4];
    bool busyBass;
    bool pad;
};

PatternWriter section(const Section& s) {
    PatternWriter w;
    for (int bar = 0; bar < 4; ++bar) {
        w.bassBar(bar, s.chords[bar], s.busyBass);
        w.drumBar(bar, s.groove[bar]);
        if (s.pad)
            w.padBar(bar, s.chords[bar]);
        else
            w.arpeggioBar(bar, s.chords[bar]);
    }
    return w;
}

constexpr Groove kVerse[4] = {Groove::Full, Groove::Full, Groove::Full, Groove::Fill};

} // namespace

Module composeBombRun() {
    const Progression verse{Am, F, C, G}, bridge{F, G, Em, Am};
    Module m;
    m.title = "Vortamix: Bomb Run";
    m.samples = synthesiseInstruments();

    // 0: intro, hats and bass, then the kick and the chords come in.
    PatternWriter intro;
    for (int bar = 0; bar < 4; ++bar) {
        intro.bassBar(bar, verse[bar], bar >= 2);
        intro.drumBar(bar, bar < 2 ? Groove::HatsOnly : bar == 2 ? Groove::KickAndHats : Groove::Fill);
        if (bar >= 2) intro.arpeggioBar(bar, verse[bar]);
    }
    intro.global(0, kSetSpeed, 6);
    intro.global(0, kSetSpeed, 140); // 32 and above set the tempo in beats a minute
    m.patterns.push_back(intro.pattern());

    // 1, 2: the verse and its answer.
    PatternWriter verse1 = section({verse, {kVerse[0], kVerse[1], kVerse[2], kVerse[3]}, true, false});
    verse1.melody({{"E5", 4},
                   {"A5", 2},
                   {"C6", 2},
                   {"B5", 2},
                   {"A5", 2},
                   {"E5", 4},
                   {"F5", 4},
                   {"A5", 2},
                   {"C6", 2},
                   {"D6", 4},
                   {"C6", 4},
                   {"E6", 6},
                   {"D6", 2},
                   {"C6", 4},
                   {"G5", 4},
                   {"B5", 6},
                   {"D6", 2},
                   {"G5", 6},
                   {"-", 2}});
    m.patterns.push_back(verse1.pattern());
    PatternWriter verse2 = section({verse, {kVerse[0], kVerse[1], kVerse[2], kVerse[3]}, true, false});
    verse2.melody({{"E5", 4}, {"A5", 2}, {"C6", 2}, {"B5", 2}, {"A5", 2}, {"E5", 4}, {"F5", 4},
                   {"A5", 2}, {"C6", 2}, {"F6", 4}, {"E6", 4}, {"E6", 4}, {"D6", 2}, {"E6", 2},
                   {"G6", 4}, {"E6", 4}, {"D6", 6}, {"B5", 2}, {"G5", 4}, {"-", 4}});
    m.patterns.push_back(verse2.pattern());

    // 3: the bridge climbs and runs back up into the verse.
    PatternWriter climb = section({bridge, {kVerse[0], kVerse[1], kVerse[2], kVerse[3]}, true, false});
    climb.melody({{"A5", 2}, {"C6", 2}, {"F6", 4}, {"E6", 2}, {"D6", 2}, {"C6", 4}, {"B5", 2}, {"D6", 2},
                  {"G6", 4}, {"D6", 2}, {"B5", 2}, {"G5", 4}, {"G5", 2}, {"B5", 2}, {"E6", 4}, {"D6", 2},
                  {"B5", 2}, {"G5", 2}, {"E5", 2}, {"A5", 8}, {"G5", 2}, {"A5", 2}, {"B5", 2}, {"~C6", 2}});
    m.patterns.push_back(climb.pattern());

    // 4: breakdown: pad, bells and a lone kick.
    PatternWriter breakdown = section(
        {verse, {Groove::Breakdown, Groove::Breakdown, Groove::Breakdown, Groove::Fill}, false, true});
    breakdown.melody({{"A5", 6},
                      {"E6", 6},
                      {"-", 4},
                      {"F5", 6},
                      {"C6", 6},
                      {"-", 4},
                      {"G5", 6},
                      {"E6", 6},
                      {"-", 4},
                      {"D6", 6},
                      {"B5", 6},
                      {"-", 4}},
                     kBell);
    breakdown.bassDive(3);
    m.patterns.push_back(breakdown.pattern());

    // 5: the last verse, which hands back to the first.
    PatternWriter last = section({verse, {kVerse[0], kVerse[1], kVerse[2], kVerse[3]}, true, false});
    last.melody({{"A5", 2},  {"C6", 2}, {"E6", 4}, {"D6", 2}, {"C6", 2}, {"B5", 4}, {"C6", 2},
                 {"A5", 2},  {"F5", 4}, {"A5", 2}, {"C6", 2}, {"F6", 4}, {"E6", 6}, {"G6", 2},
                 {"~E6", 4}, {"C6", 4}, {"D6", 4}, {"B5", 4}, {"G5", 4}, {"B5", 4}});
    last.global(63, kPositionJump, 1);
    m.patterns.push_back(last.pattern());

    m.order = {0, 1, 2, 3, 4, 1, 3, 5};
    return m;
}

Module composeNightShift() {
    const Progression verse{Dm, Bb, F, C}, bridge{Gm, Dm, A, A};
    Module m;
    m.title = "Vortamix: Night Shift";
    m.samples = synthesiseInstruments();

    PatternWriter intro;
    for (int bar = 0; bar < 4; ++bar) {
        intro.bassBar(bar, verse[bar], false);
        intro.drumBar(bar, bar < 3 ? Groove::HatsOnly : Groove::Fill);
        intro.padBar(bar, verse[bar]);
    }
    intro.global(0, kSetSpeed, 6);
    intro.global(0, kSetSpeed, 110);
    m.patterns.push_back(intro.pattern());

    const std::vector<MelodyNote> theme = {{"D5", 4}, {"F5", 4}, {"A5", 6},  {"G5", 2}, {"F5", 4},
                                           {"D5", 4}, {"F5", 4}, {"A#5", 4}, {"A5", 8}, {"C6", 4},
                                           {"A5", 4}, {"G5", 8}, {"E5", 4},  {"-", 4}};
    PatternWriter verse1 = section(
        {verse, {Groove::KickAndHats, Groove::KickAndHats, Groove::KickAndHats, Groove::Fill}, false, false});
    verse1.melody(theme);
    m.patterns.push_back(verse1.pattern());

    PatternWriter turn =
        section({bridge, {Groove::Full, Groove::Full, Groove::Full, Groove::Fill}, true, true});
    turn.melody({{"G5", 4},
                 {"A#5", 4},
                 {"D6", 6},
                 {"C6", 2},
                 {"A5", 4},
                 {"F5", 4},
                 {"D5", 8},
                 {"E5", 4},
                 {"A5", 4},
                 {"C#6", 8},
                 {"E6", 8},
                 {"C#6", 4},
                 {"~A5", 4}});
    m.patterns.push_back(turn.pattern());

    PatternWriter verse2 =
        section({verse, {Groove::Full, Groove::Full, Groove::Full, Groove::Fill}, true, false});
    verse2.melody(theme, kBell);
    verse2.global(63, kPositionJump, 1);
    m.patterns.push_back(verse2.pattern());

    m.order = {0, 1, 2, 1, 3};
    return m;
}

} // namespace datagen
