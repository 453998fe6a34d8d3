// Motifs that several sheets share: fire colours and flame fields, the bomb, block letters.
#pragma once

#include "tools/datagen/Shapes.h"

namespace datagen {

// Heat 0..1 to flame colour: transparent, deep red, orange, yellow, white-hot.
Rgba fireColour(float heat);

// Heat of a bunch of licking flames rising from a base line: `centre` is the middle of the
// base, `height` how far the tips reach, `phase` animates them, `seed` varies them.
float flameHeat(Vec2 p, Vec2 centre, float width, float height, float phase, unsigned seed);

// A round black bomb with its fuse and, when `spark` > 0, a burning spark on the fuse's end.
void paintBomb(Rgba& dst, Vec2 p, Vec2 centre, float radius, float spark, float sparkPhase);

// A bomber of the players' sheet (player 0-3, facing 0 right, 1 up, 2 left, 3 down, walk
// step 0-3) at any size: `p` is in the 32 x 32 cell's units.
Rgba paintBomberFigure(Vec2 p, int player, int facing, int step);

// The letters of "VORTAMIX" as chunky block capitals: signed distance of one letter in a
// box of `width` x `height` whose top-left corner is `origin`.
float sdBlockLetter(char letter, Vec2 p, Vec2 origin, float width, float height, float stroke);

// Signed distance of a word laid out in block letters, centred on `centre`.
float sdBlockWord(const char* word, Vec2 p, Vec2 centre, float letterWidth, float height, float gap,
                  float stroke);

} // namespace datagen
