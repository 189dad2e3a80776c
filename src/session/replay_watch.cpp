#include "session/replay_watch.h"

namespace tessaron {

WatchCommand WatchControl::tick(const WatchKeys& keys) {
    WatchCommand command;
    if (keys.pause && !last_.pause) paused_ = !paused_;
    command.jumpBack = keys.back && !last_.back;
    last_ = keys;
    speed_ = paused_ ? 0 : keys.faster ? 16 : keys.fast ? 4 : 1;
    command.steps = speed_;
    return command;
}

} // namespace tessaron
