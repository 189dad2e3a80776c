// Input as the logic sees it: Allegro's scancode numbers copied as
// constants, the live key and mouse state the shell copies from Allegro's
// key[] and mouse_b on every pass (the simulator fills it from its script),
// the KeySnapshot of the previous logic step, and the JoystickSnapshots with
// their read seam (the game connects it to Allegro's joy[]; unconnected, no
// joystick input is ever active).  Logic thread only; nothing can fail.
#pragma once

#include <cstdint>

namespace tessaron {

// Allegro 4 scancodes (allegro/keyboard.h: KEY_Q, KEY_F9, ...), renamed so
// that they never meet Allegro's macros of the same names.
constexpr int ScanA = 1;
constexpr int ScanD = 4;
constexpr int ScanE = 5;
constexpr int ScanQ = 17;
constexpr int ScanS = 19;
constexpr int ScanW = 23;
constexpr int ScanF9 = 55;
constexpr int ScanEsc = 59;
constexpr int ScanEnter = 67;
constexpr int ScanSpace = 75;
constexpr int ScanLeft = 82;
constexpr int ScanRight = 83;
constexpr int ScanUp = 84;
constexpr int ScanDown = 85;
constexpr int ScanLShift = 115;
constexpr int KeyCount = 256;

// What is down right now.
struct LiveInput {
    std::uint8_t keys[KeyCount] = {};
    int mouseButtons = 0;  // bit 0 left, bit 1 right
};

// Each key's state at the last refresh.
struct KeySnapshot {
    std::uint8_t keys[KeyCount] = {};

    void clear();
    // Takes the live state of every key.
    void refresh(const LiveInput& live);
    // Down now.
    static bool down(const LiveInput& live, int scancode);
    // Down now and not at the last refresh.
    bool newlyPressed(const LiveInput& live, int scancode) const;
};

// Joystick inputs: 0 left, 1 right, 2 up, 3 down, 4..9 buttons 0..5.
constexpr int JoyLeft = 0;
constexpr int JoyRight = 1;
constexpr int JoyUp = 2;
constexpr int JoyDown = 3;
constexpr int JoyButton0 = 4;
constexpr int JoyInputs = 10;

// Reads the current state of one input of one joystick (non-zero: active).
using JoystickReader = int (*)(int joystick, int input);
void setJoystickReader(JoystickReader reader);

struct JoystickSnapshot {
    std::int32_t joystick = 0;
    std::uint8_t state[JoyInputs] = {};

    void bind(std::int32_t number);
    // The current state of an input; outside 0..9 it is never active.
    bool active(int input) const;
    bool newlyActive(int input) const;
    void refresh();
};

} // namespace tessaron
