#include "tools/datagen/HelpPage.h"

#include <string>

#include "tools/datagen/Palette.h"
#include "tools/datagen/PngWriter.h"
#include "tools/datagen/Sheets.h"

namespace datagen {
namespace {

constexpr Rgb kPage{244, 240, 230};

const char* const kBonusText[13] = {
    "Your flames reach one cell further, up to twenty.",
    "You may have one more bomb ticking at a time.",
    "For the rest of the round your bombs wait for your detonate key instead of a fuse.",
    "You walk twice as fast for the rest of the round.",
    "Your own flames no longer hurt you, for the rest of the round.",
    "You walk through your own bombs, for the rest of the round.",
    "Nothing hurts you for 15 seconds; your outline glows while it lasts.",
    "Everybody else is frozen in ice for 5 seconds.",
    "You walk through wood for 10 seconds.",
    "For 10 seconds every crate that hides a bonus blinks.",
    "For 10 seconds everybody else drops bombs wherever they stand.",
    "For 10 seconds you look like a monster: monsters leave you alone and your touch beats other players. "
    "Flames still hurt.",
    "A curse: the picture shakes for 10 seconds, worse if another skull is taken meanwhile. A skull caught "
    "in a flame lets monsters out!",
};

void writeIcon(const std::filesystem::path& path, const IndexedImage& sheet, int row) {
    const PaletteTable& palette = sharedPalette();
    const int scale = 2, size = kCell * scale;
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(size) * size * 3);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            std::uint8_t index = sheet.at(x / scale, row * kCell + y / scale);
            Rgb c = index == kKeyIndex ? kPage : palette[index];
            std::uint8_t* out = &rgb[(static_cast<std::size_t>(y) * size + x) * 3];
            out[0] = c.r, out[1] = c.g, out[2] = c.b;
        }
    writeFile(path, encodePngRgb(size, size, rgb));
}

const char* const kHead = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Vortamix - Help</title>
<style>
body { font-family: "Liberation Sans", Arial, sans-serif; background: #f4f1ea; color: #222; max-width: 54em; margin: 2em auto; padding: 0 1em; line-height: 1.45; }
h1 { color: #b8321a; letter-spacing: 0.08em; }
h2 { border-bottom: 2px solid #e0a040; padding-bottom: 0.2em; margin-top: 1.6em; }
table { border-collapse: collapse; margin: 0.6em 0; }
th, td { border: 1px solid #c8c0b0; padding: 0.35em 0.7em; text-align: left; vertical-align: middle; }
th { background: #e8e0cc; }
kbd { background: #fff; border: 1px solid #999; border-radius: 3px; padding: 0 0.35em; font-family: "Liberation Mono", monospace; }
td.icon { width: 64px; padding: 2px; }
</style>
</head>
<body>
<h1>VORTAMIX</h1>
<p>Vortamix is a maze game for two to four players at one keyboard (one of them may use a joystick).
Walk the maze, drop bombs, burn the wooden crates to find bonuses, keep away from the flames and the
monsters, and be the last one standing.</p>

<h2>Starting a match</h2>
<p>Choose the players, their names, the monsters, the bonuses and the maze theme under
<b>Setup - Options</b> (<kbd>F5</kbd>), then start with <b>Game - Start</b> (<kbd>F9</kbd>). At least two
players must take part. A match goes on round after round until you stop it with <b>Game - Restart</b>
(<kbd>F9</kbd>) or leave with <b>Game - Exit</b> (<kbd>F12</kbd>).</p>

<h2>Controls</h2>
<table>
<tr><th>Player</th><th>Walk</th><th>Drop a bomb</th><th>Set off trigger bombs</th></tr>
<tr><td>Player 1</td><td><kbd>&larr;</kbd> <kbd>&rarr;</kbd> <kbd>&uarr;</kbd> <kbd>&darr;</kbd></td><td><kbd>Insert</kbd></td><td><kbd>Delete</kbd></td></tr>
<tr><td>Player 2</td><td><kbd>A</kbd> <kbd>D</kbd> <kbd>W</kbd> <kbd>S</kbd></td><td><kbd>Left Shift</kbd></td><td><kbd>Left Ctrl</kbd></td></tr>
<tr><td>Player 3</td><td><kbd>J</kbd> <kbd>L</kbd> <kbd>I</kbd> <kbd>K</kbd></td><td><kbd>Space</kbd></td><td><kbd>B</kbd></td></tr>
<tr><td>Player 4</td><td>keypad <kbd>4</kbd> <kbd>6</kbd> <kbd>8</kbd> <kbd>5</kbd></td><td>keypad <kbd>0</kbd></td><td>keypad <kbd>1</kbd></td></tr>
<tr><td>Joystick</td><td>the stick</td><td>button 1</td><td>button 2 (also closes the round screen)</td></tr>
</table>
<p>The joystick plays for the player chosen in the options. Holding the bomb key drops bombs as fast as
you are allowed to.</p>
<table>
<tr><th>Key</th><th>What it does</th></tr>
<tr><td><kbd>Enter</kbd></td><td>closes the round screen and lets the round begin</td></tr>
<tr><td><kbd>F1</kbd></td><td>shows or hides the key help with the display mode and the speed</td></tr>
<tr><td><kbd>F2</kbd></td><td>shows or hides the scores</td></tr>
<tr><td><kbd>Pause</kbd></td><td>pauses and resumes the match</td></tr>
<tr><td><kbd>Esc</kbd></td><td>gives up the round and starts the next one</td></tr>
<tr><td><kbd>Alt</kbd>+<kbd>Enter</kbd></td><td>switches between a window and the full screen</td></tr>
<tr><td><kbd>F5</kbd> / <kbd>F6</kbd></td><td>options / sound settings (music, effects, volumes, output)</td></tr>
</table>

<h2>Rules</h2>
<ul>
<li>Every round is played in a fresh maze of stone blocks and wooden crates. Each player starts in a corner.</li>
<li>A bomb goes off three and a half seconds after it was dropped. Its flames run along the row and the
column, one cell further for every Power bonus you have taken. Blocks stop them; a crate catches fire and
stops them too.</li>
<li>Flames hit players and monsters, burn the bonuses lying in the open and set off the bombs they reach.
Burnt crates may leave a bonus behind: walk over it to take it.</li>
<li>You cannot walk through blocks, crates or bombs, but you can always step off the bomb you just dropped.</li>
<li>Monsters wander in the parts of the maze no player can reach at first. They are let out as the crates
burn. Touching one is fatal; a flame finishes it.</li>
<li>When only one player is left (or none), the round ends as soon as the last bomb has gone off.</li>
<li>Scores: every round survived counts 10, every player or monster beaten 1, and being hit by your own
flames costs 5.</li>
</ul>

<h2>Bonuses</h2>
<table>
)";

const char* const kTail = R"(</table>
<p>How many of each bonus hide in the crates is set in the options.</p>
</body>
</html>
)";

} // namespace

void writeHelpPage(const std::filesystem::path& helpDir) {
    const IndexedImage bonus = drawBonusSheet();
    std::string html = kHead;
    for (int kind = 0; kind < 13; ++kind) {
        std::string icon = std::string("bonus-") + kBonusNames[kind] + ".png";
        writeIcon(helpDir / icon, bonus, kind);
        html += "<tr><td class=\"icon\"><img src=\"" + icon + "\" width=\"64\" height=\"64\" alt=\"" +
                kBonusNames[kind] + "\"></td><td><b>" + kBonusNames[kind] + "</b></td><td>" +
                kBonusText[kind] + "</td></tr>\n";
    }
    html += kTail;
    writeTextFile(helpDir / "Index.htm", html);
}

} // namespace datagen
