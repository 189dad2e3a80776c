// The sound seam: the rules ask for a sound by SampleBank slot, the pause
// panel for its two own samples, all through playSound.  A cue joins the
// list of the step that asked for it (board/match_context.h); the step hands
// the list back, and the game plays it, the simulator writes it into its
// trace.  Outside a step a cue is dropped.
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

// Asks for one sound.
void playSound(int cue);

} // namespace tessaron
