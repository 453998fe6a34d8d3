#include "game/DrawPlans.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

RECT tile(int column, int row) {
    return {column * CellSize, row * CellSize, column * CellSize + CellSize, row * CellSize + CellSize};
}

int mazeColumn(int kind) {
    switch (kind) {
    case ckSolid:
        return 0;
    case ckWood:
        return 1;
    case ckScorched1:
        return 11;
    case ckScorched2:
        return 12;
    default:
        return 10;
    }
}

std::string format(const char* pattern, int value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

// The name whole when it fits in room, else its first characters (never part of one) and
// "...".
std::string fitName(std::string name, int room, const std::function<int(const std::string&)>& textWidth) {
    if (textWidth(name) <= room) return name;
    while (!name.empty()) {
        unsigned char last;
        do {
            last = static_cast<unsigned char>(name.back());
            name.pop_back();
        } while (!name.empty() && (last & 0xC0) == 0x80);
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        if (textWidth(name + "...") <= room) break;
    }
    return name + "...";
}

} // namespace

std::vector<TTileBlit> BackgroundPlan(const std::vector<TMapCell>& grid, int gridWidth, int gridHeight,
                                      int themeRow) {
    std::vector<TTileBlit> plan;
    for (int y = 0; y < gridHeight; ++y) {
        for (int x = 0; x < gridWidth; ++x) {
            std::size_t index = static_cast<std::size_t>(y * gridWidth + x);
            if (index >= grid.size()) return plan;
            const TMapCell& cell = grid[index];
            int px = x * CellSize, py = y * CellSize;
            plan.push_back({tsMaps, px, py, tile(mazeColumn(cell.Kind), themeRow), false});
            for (int type : cell.Remains) {
                if (type == -1) break;
                plan.push_back({tsMonsters, px, py, tile(11, type), true});
            }
            if (cell.DeadPlayer >= 0) plan.push_back({tsPlayers, px, py, tile(20, cell.DeadPlayer), true});
        }
    }
    return plan;
}

int InfoRowPitch(int lineHeight) {
    return std::max(40, lineHeight + 6);
}

TInfoPlan InfoPlan(int round, const std::vector<int>& ranking, const std::array<std::string, 4>& names,
                   const std::array<TPlayerRecord, 4>& records, int surfaceWidth, int lineHeight,
                   int textWidthT, const std::function<int(const std::string&)>& textWidth) {
    TInfoPlan plan;
    int n = static_cast<int>(ranking.size());
    const int pitch = InfoRowPitch(lineHeight);
    plan.Height = (lineHeight + 10) * 2 + n * pitch + 10;
    plan.Texts.push_back({(surfaceWidth - textWidth("Round 100")) / 2, 10, format("Round %d", round)});
    for (int i = 0; i < n; ++i) {
        int player = ranking[static_cast<std::size_t>(i)];
        const TPlayerRecord& r = records[static_cast<std::size_t>(player)];
        int y = lineHeight + i * pitch + 25;
        // A long name stops two blanks short of the "Wins" column.
        plan.Texts.push_back(
            {70, y,
             fitName(names[static_cast<std::size_t>(player)], textWidthT - textWidth("  "), textWidth)});
        plan.Texts.push_back({textWidthT + 70, y, format("Wins: %d", r.Wins)});
        plan.Texts.push_back({2 * textWidthT + 70, y, format("Kills: %d", r.Kills)});
        plan.Texts.push_back({3 * textWidthT + 70, y, format("Suicide: %d", r.Suicide)});
        plan.Icons.emplace_back(player, lineHeight + i * pitch + 20);
    }
    const std::string prompt = "Press ENTER to continue";
    plan.Texts.push_back({(surfaceWidth - textWidth(prompt)) / 2, lineHeight + n * pitch + 20, prompt});
    return plan;
}

std::vector<TTextItem> StatsPlan(int h, const std::string& modeText, int sprites, int fps) {
    char speed[64];
    std::snprintf(speed, sizeof speed, "%d sprites: %d fps", sprites, fps);
    return {{10, 10, "F1  - show this help"},  {10, h + 10, "F2  - show statistic"},
            {10, 2 * h + 10, "PAUSE - pause"}, {10, 3 * h + 10, "ESC - next round"},
            {10, 5 * h + 10, modeText},        {10, 6 * h + 10, speed}};
}

std::array<int, 256> MakeSineTable() {
    std::array<int, 256> table{};
    double x = 0.0;
    for (int& entry : table) {
        entry = static_cast<int>(20.0 * std::sin(x));
        x += 0.024543692;
    }
    return table;
}

std::vector<TBandCopy> GlitchPlan(DWORD frameTick, bool strong, int width, int height,
                                  const std::array<int, 256>& sine) {
    std::vector<TBandCopy> plan;
    unsigned step = strong ? 10 : 3;
    unsigned phase = frameTick / 5 * (strong ? 2 : 1);
    for (int y = 0; y < height; y += 2) {
        phase &= 0xFF;
        int v = sine[phase];
        if (v < 0)
            plan.push_back({{0, y, width + v, y + 2}, -v, y});
        else if (v > 0)
            plan.push_back({{v, y, width, y + 2}, 0, y});
        phase += step;
    }
    return plan;
}

std::array<TStretch, 2> TitleScrollPlan(DWORD tick, int width, int height, int top, int titleWidth,
                                        int titleHeight) {
    long long phase = tick & 0x7FFF;
    int b = static_cast<int>(titleWidth * phase >> 15);
    // The seam follows the title's own columns: both parts keep one scale, and the picture
    // changes only when the title has moved a column.
    int a = titleWidth > 0 ? static_cast<int>(static_cast<long long>(width) * b / titleWidth) : 0;
    return {TStretch{{0, top, a, height}, {titleWidth - b, 0, titleWidth, titleHeight}},
            TStretch{{a, top, width, height}, {0, 0, titleWidth - b, titleHeight}}};
}
