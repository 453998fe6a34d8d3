#include "game/Model.h"

#include <utility>

namespace {

int scoreOf(const TPlayerRecord& r) {
    return r.Wins * 10 + r.Kills - r.Suicide * 5;
}

} // namespace

std::vector<int> RankPlayers(const std::array<bool, 4>& playing,
                             const std::array<TPlayerRecord, 4>& records) {
    std::vector<int> order;
    for (int i = 0; i < 4; ++i)
        if (playing[static_cast<std::size_t>(i)]) order.push_back(i);
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (std::size_t i = 0; i + 1 < order.size(); ++i) {
            const TPlayerRecord& a = records[static_cast<std::size_t>(order[i])];
            const TPlayerRecord& b = records[static_cast<std::size_t>(order[i + 1])];
            int sa = scoreOf(a), sb = scoreOf(b);
            if (sa == sb) {
                if (a.Wins < b.Wins)
                    --sa;
                else if (b.Wins < a.Wins)
                    --sb;
            }
            if (sa < sb) {
                std::swap(order[i], order[i + 1]);
                swapped = true;
            }
        }
    }
    return order;
}
