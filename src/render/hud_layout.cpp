#include "render/hud_layout.h"

#include <string>

#include "render/draw_common.h"

namespace tessaron {
namespace {

constexpr int NameTagAbove = 65;      // the name's top above the grid's
constexpr int LabelAbove = 20;        // "Next" and "Score" above their box
constexpr int DangerAbove = 30;
constexpr int ScorePanelBelow = 100;  // the score box's top below the grid's
constexpr int SideGap = 5;            // from the grid to the score box and the icons on the right
constexpr int RoundIconsLeft = 20;    // the first icon's left edge left of the grid, HUD on the left
constexpr int RoundIconBelow = 125;
constexpr int RoundIconStep = 18;
constexpr int PreviewHeight = 63;
constexpr int TallyBelow = 150;       // the tally's top below the grid's, under the icons
                                      // (the versus pause panel opens below it)

TextAlign outward(const Board& b) { return b.hudLeft ? TextAlign::Right : TextAlign::Left; }

} // namespace

HudBox gridFrame(const Board& b) {
    return {b.x - 1, b.y - DropStripHeight - 1, b.width + 2, b.height + DropStripHeight + 2};
}

PlacedText nameTag(const Board& b, const PlayerRecord& player) {
    return {fontAt(BodyFonts, FontIndex24), b.hudLeft ? b.x + b.width : b.x, b.y - NameTagAbove, outward(b),
            player.name};
}

HudBox roundIcon(const Board& b, int i) {
    const int left = b.hudLeft ? b.x - RoundIconsLeft - RoundIconStep * i : b.x + b.width + SideGap + RoundIconStep * i;
    return {left, b.y + RoundIconBelow, 0, 0};
}

// The preview box's outline is a pixel wider on the left.
HudBox nextBox(const Board& b) {
    return b.hudLeft ? HudBox{b.x - 34, b.y, 34, PreviewHeight} : HudBox{b.x + b.width, b.y, 33, PreviewHeight};
}

PlacedText nextLabel(const Board& b) {
    return {fontAt(BodyFonts, FontIndex18), b.hudLeft ? b.x - 2 : b.x + b.width + 2, b.y - LabelAbove, outward(b),
            "Next"};
}

HudBox scorePanel(const Board& b) {
    const int left = b.hudLeft ? b.x - SideGap - ScorePanelWidth : b.x + b.width + SideGap;
    return {left, b.y + ScorePanelBelow, ScorePanelWidth, ScorePanelHeight};
}

PlacedText scoreLabel(const PlayerRecord& player, int x, int y) {
    return {fontAt(BodyFonts, FontIndex18), player.layout ? x + ScorePanelWidth : x, y - LabelAbove,
            player.layout ? TextAlign::Right : TextAlign::Left, "Score"};
}

PlacedText scoreText(const PlayerRecord& player, int x, int y) {
    return {fontAt(BodyFonts, FontIndex18), player.layout ? x + ScorePanelWidth - 1 : x + 1, y + 1,
            player.layout ? TextAlign::Right : TextAlign::Left, std::to_string(player.shownScore)};
}

PlacedText dangerWarning(const Board& b) {
    return {fontAt(TitleFonts, FontIndex24), b.x + b.width / 2, b.y - DangerAbove, TextAlign::Centre,
            "Danger: " + std::to_string(b.danger)};
}

PlacedText matchTally(const Board& left, const Board& right, const std::int32_t matchesWon[2]) {
    const std::string text = "Matches " + std::to_string(matchesWon[left.side ? 1 : 0]) + " - " +
                             std::to_string(matchesWon[right.side ? 1 : 0]);
    return {fontAt(BodyFonts, FontIndex18), (left.x + left.width + right.x) / 2, left.y + TallyBelow,
            TextAlign::Centre, text};
}

} // namespace tessaron
