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
// With [Game] record_replays = 1 every match is written into replays/
// (session/replay_player.h: MatchRecording); with [Game] replay = FILE the
// session plays that replay back instead of a match: the watcher's Space
// pauses, Right held runs at 4x, Up held at 16x, Left jumps back 10 s,
// Escape pauses as in play (Q then quits), and the end of the replay or a
// digest that disagrees stays on screen until Escape.
//
// Failures: a refused background gives way to the folder's next picture or
// the fallback (session/background_choice.h), then to black; a missing
// sound or song leaves the game without it (silence).  A refused block,
// breaker, bomb, icon or particle picture is required data: the first tick
// then reports every such file with the reason, sets the QuitFlag and
// loadFailed() becomes true.  A replay that cannot be written or read, or
// that disagrees with this game, is named on screen and on stderr; the game
// goes on.
#pragma once

#include <allegro.h>


#include <cstdint>
#include <memory>
#include <string>

#include "net/online_play.h"
#include "render/frame_compose.h"
#include "render/frame_gate.h"
#include "session/match_state.h"
#include "session/replay_player.h"

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
    void carryOut(const StepEvents& events, bool live = true);
    void draw();
    // Playing a replay back: the state before the picks, the player after
    // the load, and one owed tick of watching.
    void startWatching();
    void finishWatching();
    void watchTick();
    void updateWatchLines();
    void reportRecording(const std::string& problem);

    MatchState state_;
    std::unique_ptr<net::OnlinePlay> online_;
    // The background and music picks draw from the match's stream, or
    // while watching from a copy of it (the recording may have drawn a
    // different number of words for them: the match's stream is then
    // brought to the recorded count).
    RandomSource pickRandom_;
    bool watching_ = false;
    std::unique_ptr<Replay> replay_;
    std::unique_ptr<ReplayPlayer> player_;
    WatchControl watch_;
    bool escapeWasDown_ = false, qWasDown_ = false;
    std::unique_ptr<MatchRecording> recording_;
    // The shell's two lines over the match (render/frame_compose.h); a
    // recording's problem shows until step statusUntil_.
    std::string status_, notice_;
    std::int64_t statusUntil_ = 0;
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
