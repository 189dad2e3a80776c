#include "session/match_session.h"

#include "shell/globals.h"

namespace tessaron {

MatchSession::MatchSession() = default;
MatchSession::~MatchSession() = default;

// Until the match is built the session only keeps the tick discipline, so the
// "Loading" screen stays up and the loop stays responsive.
bool MatchSession::tick() {
    if (!loaded_) loaded_ = true;
    if (TickCounter.load() > 0) TickCounter.fetch_sub(1);
    return true;
}

void MatchSession::shutdown() { shutDown_ = true; }

} // namespace tessaron
