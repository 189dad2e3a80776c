// Shared set-up for the drawing tests, the golden frame and the frame
// benchmark: Allegro without a display, the text layer with DejaVu Sans in
// BodyFonts and TitleFonts, stand-in pictures made in memory for the five
// bitmap banks, and one fixed, busy board scene.
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

// A w x h picture at the current depth: a two-tone pattern of `colour`
// with one magenta pixel at (1, 1).
BITMAP* makeStandIn(int w, int h, Rgb colour);

// A bitmap of the current depth filled with one colour.
BITMAP* makeFilled(int w, int h, Rgb colour);

// Channels of a pixel of `bmp`.
Rgb pixelAt(BITMAP* bmp, int x, int y);

// The fixed scene: board 0 at (362, 204) with blocks, breakers (their pulse
// phases spread), a falling pair, the next pair, 2 staging blocks, "Danger:
// 2", particles mid-burst and a "x3 Combo" message; the player's record.
// `fullRows` lowest rows are full, `breakers` of their blocks are breakers,
// the board holds `particles` live particles.
void buildScene(Board& board, int fullRows, int breakers, int particles);
// The session's messages of the scene: "Round 1" half faded in and, with
// `many`, five more.
void buildSessionMessages(FloatingMessageList& list, bool many);
// The pause panel half open, at the session's place for 1024 x 768.
void buildHalfOpenPanel(PausePanel& panel);

// A fixed dark background picture of the current depth.
BITMAP* makeBackground(int w, int h);

// A whole frame's objects: the board of buildScene, the session's messages,
// the half-open panel and a 1024 x 768 background of the current depth.
struct Scene {
    Scene(int fullRows, int breakers, int particles, bool manyMessages);
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // What the session draws for one frame, in its order: background copy,
    // board (HUD, particles, board messages), session messages, pause panel
    // and (when `pointerSprite` is given) the pointer at (600, 500) at
    // alpha 255.
    void draw(BITMAP* back, BITMAP* pointerSprite) const;

    Board board;
    FloatingMessageList messages;
    PausePanel panel;
    BITMAP* background = nullptr;
};

} // namespace tessaron::testing
