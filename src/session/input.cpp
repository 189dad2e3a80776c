#include "session/input.h"

namespace tessaron {

bool StepInput::operator==(const StepInput& o) const {
    return sides[0] == o.sides[0] && sides[1] == o.sides[1] && joysticks[0] == o.joysticks[0] &&
           joysticks[1] == o.joysticks[1] && console == o.console && mouseButtons == o.mouseButtons;
}

void StepInput::encode(std::uint8_t out[Bytes]) const {
    out[0] = sides[0];
    out[1] = sides[1];
    out[2] = static_cast<std::uint8_t>(joysticks[0] & 0xff);
    out[3] = static_cast<std::uint8_t>(joysticks[0] >> 8);
    out[4] = static_cast<std::uint8_t>(joysticks[1] & 0xff);
    out[5] = static_cast<std::uint8_t>(joysticks[1] >> 8);
    out[6] = console;
    out[7] = mouseButtons;
}

bool StepInput::decode(const std::uint8_t* bytes, std::size_t size, StepInput& out, std::string* error) {
    auto refuse = [error](const char* why) {
        if (error) *error = why;
        return false;
    };
    if (!bytes || size != Bytes) return refuse("a step input is 8 bytes");
    StepInput in;
    in.sides[0] = bytes[0];
    in.sides[1] = bytes[1];
    in.joysticks[0] = static_cast<std::uint16_t>(bytes[2] | bytes[3] << 8);
    in.joysticks[1] = static_cast<std::uint16_t>(bytes[4] | bytes[5] << 8);
    in.console = bytes[6];
    in.mouseButtons = bytes[7];
    if ((in.sides[0] | in.sides[1]) & ~SideKeyBits) return refuse("unknown key bits in a step input");
    if ((in.joysticks[0] | in.joysticks[1]) & ~JoystickBits) return refuse("unknown joystick bits in a step input");
    if (in.console & ~ConsoleKeyBits) return refuse("unknown console key bits in a step input");
    if (in.mouseButtons & ~3u) return refuse("unknown mouse button bits in a step input");
    out = in;
    return true;
}

void JoystickSnapshot::bind(std::int32_t number) { joystick = number; }

bool JoystickSnapshot::active(std::uint16_t now, int input) {
    return input >= 0 && input < JoyInputs && (now >> input & 1u) != 0;
}

bool JoystickSnapshot::newlyActive(std::uint16_t now, int input) const {
    return active(now, input) && state[input] == 0;
}

void JoystickSnapshot::refresh(std::uint16_t now) {
    for (int i = 0; i < JoyInputs; ++i) state[i] = active(now, i) ? 1 : 0;
}

} // namespace tessaron
