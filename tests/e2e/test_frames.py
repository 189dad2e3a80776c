"""Passes that change nothing draw nothing, and frames drawn area by area
still leave the whole frame on screen: one launch checks one frame per logic
step (and the first) while the mouse rests, and that the paused window, once
its panel has settled, equals the frame F9 saves.  (The window repainted by
itself while the game cannot draw is checked with the stalled game in
audio_stall.)"""

import os
import shutil
import subprocess
import time
import unittest

from harness import GameTestCase

CONFIG = "[Audio]\nsound = 0\n[Video]\nvid_quality = 32\nscreen_width = 640\nscreen_height = 480\nfullscreen = 0\n"
BIN_DIR = os.environ.get("TESSARON_BIN_DIR", os.path.join(os.path.dirname(__file__), "../../build/bin"))


class FramesTest(GameTestCase):
    def test_one_frame_per_step_and_the_window_holds_the_whole_frame(self):
        self.folder.write_config(CONFIG)
        program = self.folder.file("tessaron-framestats")
        shutil.copy(os.path.join(BIN_DIR, "tessaron-framestats"), program)
        game = self.launch(command=[program])
        game.find_window()
        time.sleep(3.0)
        game.hold("Escape")
        time.sleep(2.5)
        window = subprocess.run(["import", "-window", game.window, "-depth", "8", "rgb:-"], env=self.x.env(),
                                capture_output=True, check=True).stdout
        shot = game.screenshot()
        self.assertEqual((shot.width, shot.height), (640, 480))
        saved = bytes(v for y in range(shot.height) for x in range(shot.width) for v in shot.rgb(x, y))
        self.assertTrue(window == saved, "the window differs from the saved frame")
        game.press_close_button()
        self.assertEqual(game.wait(timeout=10), 0)
        stats = dict(item.split("=") for item in game.stderr().split("framestats:")[1].split())
        frames, steps = int(stats["frames"]), int(stats["steps"])
        self.assertGreater(steps, 25)
        self.assertGreaterEqual(frames, steps)
        self.assertLessEqual(frames, steps + 2)


if __name__ == "__main__":
    unittest.main()
