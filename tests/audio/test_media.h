// Sound files for the audio tests, written from code: PCM WAVs and a tiny
// four-channel ProTracker module that plays a rising scale of square-wave
// notes.
// Files go to a fresh folder per test program, removed at exit.
#pragma once

#include <string>
#include <vector>

namespace tessaron::test {

using Bytes = std::vector<unsigned char>;

// A WAV of a square wave at full scale minus a little headroom.
Bytes makeWav(int bits, int channels, int rate, int frames);
// The module: one pattern of eight notes, a new note every eighth row.
Bytes makeModule();

// Writes `bytes` under the test folder; returns the full path.
std::string writeFile(const std::string& name, const Bytes& bytes);
// A path in the test folder that does not exist.
std::string missingPath(const std::string& name);
// The test folder, ending in '/'.
std::string mediaFolder();

} // namespace tessaron::test
