// PlayerRecord: one player's score, score display and blocks waiting to be
// dropped on the board of that side.  The match holds two, index =
// Board::side (session/match_state.h).  Nothing can fail.
#pragma once

#include <cstdint>

namespace tessaron {

struct PlayerRecord {
    static constexpr int NameSize = 32;
    char name[NameSize] = "Player";
    std::int32_t score = 0;
    std::int32_t shownScore = 0;  // the value drawn, rolling toward score
    std::int32_t scoreGlow = 180; // brightness of the drawn score, 150..255
    std::int32_t pendingDrops = 0;
    std::int32_t layout = 0;      // 0: score panel aligned left, 1: right

    // Stores the name, cut to fit.
    void setName(const char* text);
    // score += n and the display glows.
    void addScore(std::int32_t n);
    void addPendingDrops(std::int32_t n);
    // Rolls shownScore 13 toward score without passing it; dims the glow.
    void stepScoreDisplay();
};

} // namespace tessaron
