// Small motion helpers shared by the presentation objects' logic (particles,
// the pause panel).  Allegro-free; nothing can fail.
#pragma once

namespace tessaron {

// A speed slowed toward 0 by `friction` without passing it.
inline float slowTowardZero(float speed, float friction) {
    if (speed > 0) return speed - friction < 0 ? 0.0f : speed - friction;
    if (speed < 0) return speed + friction > 0 ? 0.0f : speed + friction;
    return speed;
}

} // namespace tessaron
