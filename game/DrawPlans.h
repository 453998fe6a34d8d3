#pragma once
// What the game draws, worked out apart from the surfaces that receive it: the maze tiles of
// the background, the round screen's lines, the screen glitch's band copies and the paused
// title's two stretched halves. The main form carries the plans out with its blits and
// canvases.
#include "game/Model.h"
#include "platform/kernel/Types.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

// The image sheets the background is cut from.
enum TTileSheet { tsMaps, tsMonsters, tsPlayers };

struct TTileBlit {
    TTileSheet Sheet;
    int X, Y;      // destination
    RECT Source;   // on the sheet
    bool ColorKey; // drawn with the source colour key
};

// Every blit of the background in drawing order: per cell its maze tile, its monster remains,
// then a dead player's remains on top.
std::vector<TTileBlit> BackgroundPlan(const std::vector<TMapCell>& grid, int gridWidth, int gridHeight,
                                      int themeRow);

struct TTextItem {
    int X, Y;
    std::string Text;
};

struct TInfoPlan {
    int Height = 0; // rows of the surface the frame shows
    std::vector<TTextItem> Texts;
    std::vector<std::pair<int, int>> Icons; // (player index, y) of each score-table icon at x = 20
};

// The distance of the round screen's player rows: 40 pixels, more when the line is taller
// (the fonts of the widest modes), so that the rows never overlap.
int InfoRowPitch(int lineHeight);

// The round screen: "Round n", one line per ranked player with his scores (a name too long
// for its column shortened to end in "..."), the prompt.
// textWidth measures a text in the canvas font; L and T are the line height and the width of
// "Suicide: 100".
TInfoPlan InfoPlan(int round, const std::vector<int>& ranking, const std::array<std::string, 4>& names,
                   const std::array<TPlayerRecord, 4>& records, int surfaceWidth, int lineHeight,
                   int textWidthT, const std::function<int(const std::string&)>& textWidth);

// The help and speed overlay's lines; h is the height of "A".
std::vector<TTextItem> StatsPlan(int lineHeight, const std::string& modeText, int sprites, int fps);

// Row offsets of the screen glitch: 20 * sin over a quarter turn in 256 steps.
std::array<int, 256> MakeSineTable();

struct TBandCopy {
    RECT Source; // within the back surface
    int X, Y;    // destination
};

// The band copies of the glitch for one frame.
std::vector<TBandCopy> GlitchPlan(DWORD frameTick, bool strong, int width, int height,
                                  const std::array<int, 256>& sine);

struct TStretch {
    RECT Dest, Source;
    friend bool operator==(const TStretch&, const TStretch&) = default;
};

// The paused frame's title picture, stretched over the display and scrolling to the right:
// two blits, the first empty at phase 0.
std::array<TStretch, 2> TitleScrollPlan(DWORD tick, int width, int height, int top, int titleWidth,
                                        int titleHeight);
