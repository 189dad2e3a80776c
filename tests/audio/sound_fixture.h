// The fixture of the audio tests: Allegro with the capture driver and the
// sound library started on it, as the game starts it.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "audio/audio_system.h"
#include "capture_output.h"
#include "test_media.h"

namespace tessaron::test {

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        startAllegro(true);
        ASSERT_EQ(startAudio(), 1);
    }
    void TearDown() override {
        closeAudio();
        stopAllegro();
    }
};

// A file a test writes from its bytes, or, when `make` is empty, one that
// does not exist.  Rows of the bad-file tables.
struct TestFile {
    const char* name;
    std::function<Bytes()> make;
};

// Writes the file (or names a missing one) as `filename` in the test folder.
inline std::string placeFile(const TestFile& file, const std::string& filename) {
    return file.make ? writeFile(filename, file.make()) : missingPath(filename);
}

// Test names from the rows' descriptions.
inline std::string rowName(const ::testing::TestParamInfo<TestFile>& row) {
    std::string name = row.param.name;
    for (char& c : name)
        if (c == ' ') c = '_';
    return name;
}

// Writes the test module and loads it into the player's slot 0.
inline bool loadTestSong(MusicPlayer& player) {
    return player.loadSong(0, writeFile("song.mod", makeModule()).c_str());
}

// Waits until the music feeder has made a whole pass begun after the call;
// false when it makes none within two seconds.
inline bool waitForFeeder() {
    std::int64_t start = fsound_feeder_passes();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (fsound_feeder_passes() < start + 2) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Mix of a quarter second: long enough for a sample or a stretch of music.
constexpr int QuarterSecond = CaptureRate / 4;

} // namespace tessaron::test
