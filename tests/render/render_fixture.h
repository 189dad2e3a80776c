// Shared set-up for the drawing tests, the golden frames and the frame
// benchmark: Allegro without a display, the text layer with DejaVu Sans in
// BodyFonts and DejaVu Sans Bold in TitleFonts, stand-in pictures made in
// memory for the five bitmap banks, and one fixed, busy board scene.
#pragma once

#include <allegro.h>

#include "board/board.h"
#include "board/rgb.h"
#include "render/messages.h"
#include "render/pause_panel.h"

namespace tessaron::testing {

// Allegro (SYSTEM_NONE), the text layer and the two font sets; once per
// process, later calls do nothing.  False when a font cannot be opened.
bool startRenderFixture();

// Sets the colour depth and fills the five banks with stand-in pictures of
// that depth (blocks and breakers 32 x 32 per colour, bomb, icon, eleven
// particles), each with a mask-colour pixel at (1, 1); connects the
// particle size lookup.
void useDepth(int depth);

// A w x h picture at the current depth: `colour` with a light top and left
// edge, a dark bottom and right edge and one magenta pixel at (1, 1).
BITMAP* makeStandIn(int w, int h, Rgb colour);
// A bitmap of the current depth filled with one colour.
BITMAP* makeFilled(int w, int h, Rgb colour);
// A w x h banded background picture at the current depth.
BITMAP* makeBackground(int w, int h);

// The fixed scene: board 0 at (362, 204) with `fullRows` full rows of
// which `breakers` cells are breakers (their pulse phases spread), a
// falling pair, the next pair (placed by the board's own step), 2 staging
// blocks, "Danger: 2", `particles` particles mid-burst in every draw mode
// and a "x3 Combo" message; the player's record.
void buildScene(Board& board, int fullRows, int breakers, int particles);

// A whole frame's objects: the board of buildScene, the session's messages
// ("Round 1" half faded in and, with `manyMessages`, five more), the pause
// panel half open and a 1024 x 768 background of the current depth.
struct Scene {
    Scene(int fullRows, int breakers, int particles, bool manyMessages);
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // What the session draws for one frame, in its order: background copy,
    // board (HUD, particles, board messages), session messages, pause panel
    // and (when `pointerSprite` is given) the pointer at (600, 500) with
    // alpha `pointerAlpha`.
    void draw(BITMAP* back, BITMAP* pointerSprite, float pointerAlpha = 255) const;

    Board board;
    FloatingMessageList messages;
    PausePanel panel;
    BITMAP* background = nullptr;
};

} // namespace tessaron::testing
