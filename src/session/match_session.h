// MatchSession: the object the main loop ticks once per pass.  It loads the
// match's resources on its first tick, runs one logic step per owed tick and
// draws a frame on every pass.  Main thread only.
#pragma once

namespace tessaron {

class MatchSession {
public:
    MatchSession();
    ~MatchSession();
    MatchSession(const MatchSession&) = delete;
    MatchSession& operator=(const MatchSession&) = delete;

    // One main-loop pass; always returns true.
    bool tick();
    // True once the first tick has loaded the match's resources.
    bool loaded() const { return loaded_; }
    // Releases what load acquired; run once, after the main loop.
    void shutdown();

private:
    bool loaded_ = false;
    bool shutDown_ = false;
};

} // namespace tessaron
