"""The game's sound in a real window, heard through ALSA's file plugin: with
no sound device it runs silently with nothing on the terminal; with "sound"
0 it never opens the device; the music module plays from the start; and the
game's events play their own samples, each replaced here by a tone of its
own pitch so that the mix tells which sample sounded."""

import os
import shutil
import time
import unittest

from harness import Capture, GameTestCase, capture_env, write_tone_wav

CONFIG = "[Audio]\nsound = {sound}\n[Video]\nvid_quality = 32\nscreen_width = 640\nscreen_height = 480\nfullscreen = 0\n"

# The sample files and the tone each is replaced by (600 Hz apart).
SAMPLE_FILES = [
    "data/sound/energy_explosion.wav",      # slot 0: never played
    "data/sound/rotate.wav",                # 1
    "data/sound/clink.wav",                 # 2
    "data/sound/explode_big.wav",           # 3 to 6: breakers, by chain
    "data/sound/energy_disintegrate4.wav",
    "data/sound/energy_disintegrate5.wav",
    "data/sound/energy_huge.wav",
    "data/sound/lightning.wav",             # 7 and 8: topping out
    "data/sound/glassbreak.wav",
    "data/sound/common/menu_wake.wav",      # the pause panel
    "data/sound/common/menu_back.wav",
]
TONES = {name: 700 + 600 * i for i, name in enumerate(SAMPLE_FILES)}


class AudioTest(GameTestCase):
    def start(self, sound, env=None):
        self.folder.write_config(CONFIG.format(sound=sound))
        game = self.launch(env=env)
        game.find_window()
        self.started = time.time()
        return game

    def close(self, game):
        game.press_close_button()
        self.assertEqual(game.wait(timeout=10), 0, game.stderr())

    def run_and_close(self, sound, env=None):
        game = self.start(sound, env)
        time.sleep(1.0)
        self.assertIsNone(game.proc.poll(), "the game should keep running")
        self.close(game)
        return game

    def test_no_device_runs_silently_without_messages(self):
        # An ALSA configuration with no devices at all: ALSA fails to open
        # its default device, as on a machine without a sound card.
        conf = self.folder.file("empty-asound.conf")
        with open(conf, "w") as out:
            out.write("\n")
        game = self.run_and_close(1, env={"ALSA_CONFIG_PATH": conf})
        self.assertEqual(game.stderr(), "")
        self.assertEqual(game.stdout(), "")

    def test_sound_off_never_opens_the_device(self):
        wav, env = capture_env(self.folder)
        self.run_and_close(0, env=env)
        self.assertFalse(os.path.exists(wav))

    def test_music_plays_from_the_start(self):
        wav, env = capture_env(self.folder)
        game = self.start(1, env)
        # Before the first round starts (three seconds) no event makes a
        # sound: whatever is heard is the music.
        time.sleep(2.0)
        self.close(game)
        self.assertEqual(game.stderr(), "")
        capture = Capture(wav)
        self.assertGreater(capture.peak(), 1000, "the music is silent")
        self.assertGreater(capture.sounding_seconds(), 1.0, "the music stopped")

    def press_until_heard(self, game, key, wav, name, attempts=5):
        """Presses the key until its sample is heard.  A press the game did
        play is in the mix well within two seconds; only a press a busy
        machine missed is repeated."""
        tone = TONES[name]
        for _ in range(attempts):
            game.hold(key)
            deadline = time.time() + 2.0
            while time.time() < deadline:
                if tone in Capture(wav).tones([tone]):
                    return
                time.sleep(0.2)
        self.fail(f"{key} never played {name}")

    def test_events_play_their_own_samples(self):
        for name, frequency in TONES.items():
            write_tone_wav(self.folder.file(name), frequency)
        # No music, so that only the effects sound.
        music = self.folder.file("data/music/mod")
        shutil.rmtree(music)
        os.makedirs(music)
        wav, env = capture_env(self.folder)
        game = self.start(1, env)

        # The first pair enters the grid about four seconds after the start;
        # Space turns it.  Escape pauses, and again resumes.
        time.sleep(4.0)
        self.press_until_heard(game, "space", wav, "data/sound/rotate.wav")
        self.press_until_heard(game, "Escape", wav, "data/sound/common/menu_wake.wav")
        self.press_until_heard(game, "Escape", wav, "data/sound/common/menu_back.wav")
        # Hard-drop pairs into the middle column until the board tops out
        # (lightning and glass): twelve rows hold six upright pairs, more
        # when breakers clear some.
        glass = TONES["data/sound/glassbreak.wav"]
        for drop in range(30):
            game.hold("Up", seconds=0.5)
            game.release_gap(0.6)
            if drop >= 5 and glass in Capture(wav).tones([glass]):
                break
        self.close(game)

        heard = Capture(wav).tones(list(TONES.values()))
        for name in ("data/sound/rotate.wav", "data/sound/clink.wav", "data/sound/lightning.wav",
                     "data/sound/glassbreak.wav", "data/sound/common/menu_wake.wav",
                     "data/sound/common/menu_back.wav"):
            self.assertIn(TONES[name], heard, f"{name} was never heard")
        self.assertNotIn(TONES["data/sound/energy_explosion.wav"], heard, "slot 0 is never played")

if __name__ == "__main__":
    unittest.main()
