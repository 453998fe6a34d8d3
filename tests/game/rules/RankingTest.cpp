#include "game/Model.h"

#include <gtest/gtest.h>

namespace {

TPlayerRecord score(int wins, int kills, int suicide) {
    TPlayerRecord r;
    r.Wins = wins;
    r.Kills = kills;
    r.Suicide = suicide;
    return r;
}

} // namespace

TEST(RoundScreenRanking, OrdersByScoreWithMoreWinsFirstOnTies) {
    struct Case {
        std::array<bool, 4> playing;
        std::array<TPlayerRecord, 4> records;
        std::vector<int> order;
    };
    const Case cases[] = {
        // 2 wins 0 kills and 1 win 10 kills both score 20: two wins first.
        {{true, true, false, false}, {score(1, 10, 0), score(2, 0, 0), {}, {}}, {1, 0}},
        {{true, true, true, true},
         {score(0, 0, 0), score(0, 3, 0), score(1, 0, 1), score(0, 0, 0)},
         {2, 1, 0, 3}},
        {{false, true, false, true}, {score(9, 9, 0), score(0, 0, 1), {}, score(0, 0, 0)}, {3, 1}},
        {{true, false, true, false}, {score(1, 1, 1), {}, score(1, 1, 1), {}}, {0, 2}},
        {{false, false, false, false}, {}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RankPlayers(c.playing, c.records), c.order);
}
