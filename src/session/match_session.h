// MatchSession: the object the main loop ticks once per pass.  It loads the
// match's resources on its first tick (background, pictures, sounds, music),
// runs at most one logic step per pass while the TickCounter owes one (the
// match is a MatchState, shared with tessaron-sim: the session fills its
// step input from the keyboard, mouse and joysticks and carries out the
// events the step hands back), and draws a
// frame into its back buffer and onto the screen on every pass after which
// the frame can differ from the one shown (render/frame_gate.h).
// Online ([Game] opponent = 3) the match is played over the network
// (net/online_play.h): the session draws its latest step, or only the
// background while it waits, with its status line and notice over it.
// Depends on Allegro, the render and audio layers.  Main thread only.
//
// Failures: a missing background, sound or song leaves the game without it
// (black background, silence).  A missing or unreadable block, breaker, bomb,
// icon or particle picture is required data: the first tick then reports
// every such file, sets the QuitFlag and loadFailed() becomes true.
#pragma once

#include <allegro.h>


#include <memory>
#include <string>

#include "net/online_play.h"
#include "render/frame_compose.h"
#include "render/frame_gate.h"
#include "session/match_state.h"

namespace tessaron {

class MatchSession {
public:
    // Constructs the logic for the current screen size; loads nothing.
    MatchSession();
    ~MatchSession();
    MatchSession(const MatchSession&) = delete;
    MatchSession& operator=(const MatchSession&) = delete;

    // One main-loop pass; always returns true.
    bool tick();
    // True once the first tick has run the load.
    bool loaded() const { return loaded_; }
    // True when the load found required data missing.
    bool loadFailed() const { return loadFailed_; }
    // Releases what load acquired; run once, after the main loop.
    void shutdown();

    const MatchState& state() const { return state_; }
    BITMAP* backBuffer() const { return backBuffer_; }

private:
    void load();
    void loadBackground();
    void loadMusic();
    void runLogicStep();
    void runOnlineStep();
    void carryOut(const StepEvents& events);
    void draw();

    MatchState state_;
    std::unique_ptr<net::OnlinePlay> online_;
    BITMAP* backBuffer_ = nullptr;
    BITMAP* background_ = nullptr;
    bool loaded_ = false;
    bool loadFailed_ = false;
    bool shutDown_ = false;
    FrameGate frameGate_;
    FrameComposer composer_;
};

// Fills `list` with the names of the files matching `pattern` (Allegro's
// directory scan; directories and names beginning with "." are left out).
class FileList;
void scanFileList(FileList& list, const char* pattern);

} // namespace tessaron
