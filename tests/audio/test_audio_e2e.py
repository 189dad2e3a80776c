"""The game's sound start and stop in a real window: with no sound device
it runs silently with nothing on the terminal; with ALSA's output captured
to a file the sound system opens it; with "sound" 0 it never does."""

import os
import time
import unittest

from harness import GameTestCase

CONFIG = "[Audio]\nsound = {sound}\n[Video]\nvid_quality = 32\nscreen_width = 640\nscreen_height = 480\nfullscreen = 0\n"

# ALSA's default device as a WAV file: a plug converting to 16-bit stereo
# at 44100 Hz, a file plugin writing a WAV, the null device behind it.
CAPTURE_CONFIG = """pcm.!default {{
  type plug
  slave {{ pcm "capture" format S16_LE channels 2 rate 44100 }}
}}
pcm.capture {{ type file slave.pcm "null" file "{wav}" format "wav" }}
pcm.null {{ type null }}
"""


class AudioStartStopTest(GameTestCase):
    def run_and_close(self, sound, env=None):
        self.folder.write_config(CONFIG.format(sound=sound))
        game = self.launch(env=env)
        game.find_window()
        time.sleep(1.0)
        self.assertIsNone(game.proc.poll(), "the game should keep running")
        game.press_close_button()
        self.assertEqual(game.wait(timeout=5), 0, game.stderr())
        return game

    def capture_env(self):
        wav = self.folder.file("mix.wav")
        conf = self.folder.file("asound.conf")
        with open(conf, "w") as out:
            out.write(CAPTURE_CONFIG.format(wav=wav))
        return wav, {"ALSA_CONFIG_PATH": conf}

    def test_no_device_runs_silently_without_messages(self):
        # An ALSA configuration with no devices at all: ALSA fails to open
        # its default device, as on a machine without a sound card.
        conf = self.folder.file("empty-asound.conf")
        with open(conf, "w") as out:
            out.write("\n")
        game = self.run_and_close(1, env={"ALSA_CONFIG_PATH": conf})
        self.assertEqual(game.stderr(), "")
        self.assertEqual(game.stdout(), "")

    def test_sound_on_opens_the_device(self):
        wav, env = self.capture_env()
        game = self.run_and_close(1, env=env)
        self.assertEqual(game.stderr(), "")
        with open(wav, "rb") as f:
            header = f.read(12)
        self.assertEqual(header[:4], b"RIFF")
        self.assertEqual(header[8:12], b"WAVE")

    def test_sound_off_never_opens_the_device(self):
        wav, env = self.capture_env()
        self.run_and_close(0, env=env)
        self.assertFalse(os.path.exists(wav))


if __name__ == "__main__":
    unittest.main()
