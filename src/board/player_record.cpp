#include "board/player_record.h"

#include <cstdio>

namespace tessaron {
namespace {
constexpr std::int32_t ScoreRollStep = 13;
constexpr std::int32_t GlowFloor = 150;
constexpr std::int32_t GlowFull = 255;
} // namespace

void PlayerRecord::setName(const char* text) { std::snprintf(name, sizeof name, "%s", text ? text : ""); }

void PlayerRecord::addScore(std::int32_t n) {
    score += n;
    scoreGlow = GlowFull;
}

void PlayerRecord::addPendingDrops(std::int32_t n) { pendingDrops += n; }

void PlayerRecord::stepScoreDisplay() {
    if (shownScore < score) {
        shownScore = score - shownScore > ScoreRollStep ? shownScore + ScoreRollStep : score;
    } else if (shownScore > score) {
        shownScore = shownScore - score > ScoreRollStep ? shownScore - ScoreRollStep : score;
    }
    if (scoreGlow > GlowFloor) scoreGlow -= 1;
}

} // namespace tessaron
