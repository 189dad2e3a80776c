// Frame composition: the session's frame (background, boards, messages,
// pause panel, pointer) drawn into a back buffer and shown on the screen,
// touching only the parts that can have changed.
//
// Everything but the background is drawn inside areas known before drawing
// (frameAreas): a board with its HUD, each particle, each message, the panel
// and the pointer.  A pixel outside the areas of the last frame and of this
// one is background in both; so FrameComposer puts the background back over
// those areas only, draws everything, and copies those areas only to the
// screen.  The back buffer and the screen then hold exactly what a full
// redraw would.  Main thread, once per frame; nothing can fail.
#pragma once

#include <allegro.h>

#include <vector>

#include "board/board.h"
#include "board/player_record.h"
#include "render/messages.h"
#include "render/pause_panel.h"
#include "render/pointer.h"

namespace tessaron {

struct FrameArea {
    int x = 0, y = 0, w = 0, h = 0;
};

// What one frame is drawn from.
struct FrameParts {
    BITMAP* background = nullptr;  // null: black
    const Board* boards[2] = {nullptr, nullptr};
    const PlayerRecord* players = nullptr;  // both records, index = Board::side
    const std::int32_t* matchesWon = nullptr;  // versus: both sides' matches, index = Board::side
    const FloatingMessageList* messages = nullptr;
    const PausePanel* panel = nullptr;
    const MousePointer* pointer = nullptr;
    BITMAP* pointerSprite = nullptr;  // null: no pointer
    int pointerX = 0, pointerY = 0;
    // Lines of the shell's own, over the match, at the top of the screen: a
    // status at the left (a replay's time and speed, a recording's failure)
    // and a notice centred below it (the end of a replay).  Null or empty:
    // none.
    const char* status = nullptr;
    const char* notice = nullptr;
};

// The whole frame into `back`: the background (black around one smaller
// than `back`), then everything else.
void composeFrame(const FrameParts& parts, BITMAP* back);

// Appends areas that together hold every pixel composeFrame draws after the
// background (generous: text gets half its height spare all round).
void frameAreas(const FrameParts& parts, std::vector<FrameArea>& out);

class FrameComposer {
public:
    // Composes `parts` into `back` and shows it on `screenBitmap` (same
    // size), which must still show the last frame shown; the first frame
    // is composed and copied whole.
    void show(const FrameParts& parts, BITMAP* back, BITMAP* screenBitmap);

private:
    bool composed_ = false;
    std::vector<FrameArea> last_, now_, changed_;
};

} // namespace tessaron
