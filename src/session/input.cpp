#include "session/input.h"

#include <cstring>

namespace tessaron {
namespace {
JoystickReader Reader = nullptr;
} // namespace

void KeySnapshot::clear() { std::memset(keys, 0, sizeof keys); }

void KeySnapshot::refresh(const LiveInput& live) {
    for (int i = 0; i < KeyCount; ++i) keys[i] = live.keys[i] ? 1 : 0;
}

bool KeySnapshot::down(const LiveInput& live, int scancode) {
    return scancode >= 0 && scancode < KeyCount && live.keys[scancode] != 0;
}

bool KeySnapshot::newlyPressed(const LiveInput& live, int scancode) const {
    return down(live, scancode) && keys[scancode] == 0;
}

void setJoystickReader(JoystickReader reader) { Reader = reader; }

void JoystickSnapshot::bind(std::int32_t number) { joystick = number; }

bool JoystickSnapshot::active(int input) const {
    if (input < 0 || input >= JoyInputs || !Reader) return false;
    return Reader(joystick, input) != 0;
}

bool JoystickSnapshot::newlyActive(int input) const { return active(input) && state[input] == 0; }

void JoystickSnapshot::refresh() {
    for (int i = 0; i < JoyInputs; ++i) state[i] = active(i) ? 1 : 0;
}

} // namespace tessaron
