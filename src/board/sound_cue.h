// The sound seam: the rules ask for a sound by SampleBank slot, the pause
// panel for its two own samples, all through playSound.  The game connects
// the seam to its audio layer, the simulator records the cues for its trace;
// unconnected, a cue is dropped.  Logic thread only.
#pragma once

namespace tessaron {

// SampleBank slots the rules play.
constexpr int SoundRotate = 1;
constexpr int SoundClink = 2;
constexpr int SoundBreakSmall = 3;  // chain below 2
constexpr int SoundBreakChain2 = 4;
constexpr int SoundBreakChain3 = 5;
constexpr int SoundBreakHuge = 6;   // chain 4 and more
constexpr int SoundLightning = 7;
constexpr int SoundGlassBreak = 8;
// The pause panel's own samples, outside the bank.
constexpr int SoundPanelWake = 1000;
constexpr int SoundPanelBack = 1001;

using SoundCueHandler = void (*)(int cue);

// Connects the seam (nullptr disconnects it).
void setSoundCueHandler(SoundCueHandler handler);
// Asks for one sound.
void playSound(int cue);

} // namespace tessaron
