// Input as the logic sees it.  A logic step reads everything from outside
// through one small value, the StepInput: each side's held keys as bits,
// each side's joystick as bits, the machine's own keys (Q, left Shift, F9)
// and the mouse buttons.  The game fills it once per step from Allegro's
// key[], joy[] and mouse_b, the simulator from its scripts, the computer
// player from its plans; it encodes to eight bytes for files and peers.
// The KeySnapshot holds the previous step's input, the JoystickSnapshots
// the previous state of each side's joystick: "newly pressed" is judged
// against them.  Allegro's scancode numbers are copied here as constants
// for the keyboard's mapping onto the bits.  Nothing can fail; a decoded
// input with bits outside their sets is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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
constexpr int ScanTab = 64;
constexpr int ScanEnter = 67;
constexpr int ScanSpace = 75;
constexpr int ScanLeft = 82;
constexpr int ScanRight = 83;
constexpr int ScanUp = 84;
constexpr int ScanDown = 85;
constexpr int ScanLShift = 115;
constexpr int KeyCount = 256;

// Bits of StepInput::sides[side]: what one player holds.
enum SideKey : std::uint8_t {
    SideLeft = 1,
    SideRight = 2,
    SideSoftDrop = 4,
    SideHardDrop = 8,
    SideRotate = 16,
    SideDrop = 32,   // Enter: blocks dropped on the side's own board
    SidePause = 64,  // Escape: opens or closes the pause of the whole match
};
constexpr std::uint8_t SideKeyBits = 127;
// The five steering keys.
constexpr std::uint8_t SideSteerBits = SideLeft | SideRight | SideSoftDrop | SideHardDrop | SideRotate;

// Bits of StepInput::console: the keys of the machine the game runs on.
enum ConsoleKey : std::uint8_t {
    ConsoleQuit = 1,        // Q: quits while the panel is open
    ConsoleShift = 2,       // left Shift: with Escape, quits at once
    ConsoleScreenshot = 4,  // F9
};
constexpr std::uint8_t ConsoleKeyBits = 7;

// Joystick inputs: 0 left, 1 right, 2 up, 3 down, 4..9 buttons 0..5; bit i
// of a StepInput joystick word is input i.
constexpr int JoyLeft = 0;
constexpr int JoyRight = 1;
constexpr int JoyUp = 2;
constexpr int JoyDown = 3;
constexpr int JoyButton0 = 4;
constexpr int JoyInputs = 10;
constexpr std::uint16_t JoystickBits = (1u << JoyInputs) - 1;

struct StepInput {
    static constexpr std::size_t Bytes = 8;

    std::uint8_t sides[2] = {0, 0};
    std::uint16_t joysticks[2] = {0, 0};
    std::uint8_t console = 0;
    std::uint8_t mouseButtons = 0;  // bit 0 left, bit 1 right

    bool held(int side, std::uint8_t key) const { return (sides[side] & key) != 0; }
    bool operator==(const StepInput& o) const;
    bool operator!=(const StepInput& o) const { return !(*this == o); }

    // Eight bytes: both sides, both joysticks (little-endian), console, mouse.
    void encode(std::uint8_t out[Bytes]) const;
    // Refuses a wrong size and bits outside their sets, with the reason.
    static bool decode(const std::uint8_t* bytes, std::size_t size, StepInput& out, std::string* error);
};

// What the machine's keyboard and mouse hold right now: the game copies it
// from Allegro on every pass and maps it onto a StepInput for the step.
struct LiveInput {
    std::uint8_t keys[KeyCount] = {};
    int mouseButtons = 0;  // bit 0 left, bit 1 right
};

// The input of the previous step.
struct KeySnapshot {
    StepInput keys;

    void clear() { keys = StepInput(); }
    // Takes the step's input.
    void refresh(const StepInput& now) { keys = now; }
    // Held by a side now.
    static bool down(const StepInput& now, int side, std::uint8_t key) { return now.held(side, key); }
    // Held by a side now and not at the last refresh.
    bool newlyPressed(const StepInput& now, int side, std::uint8_t key) const {
        return now.held(side, key) && !keys.held(side, key);
    }
    bool consoleNewlyPressed(const StepInput& now, std::uint8_t key) const {
        return (now.console & key) && !(keys.console & key);
    }
};

// One side's joystick: which of Allegro's joysticks it reads (the game reads
// that one into the side's StepInput word), and its inputs at the last
// refresh.
struct JoystickSnapshot {
    std::int32_t joystick = 0;
    std::uint8_t state[JoyInputs] = {};

    void bind(std::int32_t number);
    // An input in a side's word now; outside 0..9 it is never active.
    static bool active(std::uint16_t now, int input);
    bool newlyActive(std::uint16_t now, int input) const;
    void refresh(std::uint16_t now);
};

} // namespace tessaron
