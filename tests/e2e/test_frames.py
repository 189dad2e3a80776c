"""Frames drawn area by area still leave the whole frame on screen: the
paused window, once its panel has settled, equals the frame F9 saves.  (One
frame per logic step is counted over the whole match in test_game; the
window repainted by itself while the game cannot draw is checked with the
stalled game in audio_stall.)"""

import subprocess
import time

from harness import GameTestCase, config


class FramesTest(GameTestCase):
    def test_the_window_holds_the_whole_frame(self):
        self.folder.write_config(config(640, 480))
        game = self.launch()
        game.find_window()
        time.sleep(3.0)
        game.hold("Escape")
        time.sleep(2.5)
        window = subprocess.run(["import", "-window", game.window, "-depth", "8", "rgb:-"], env=self.x.env(),
                                capture_output=True, check=True).stdout
        shot = game.screenshot()
        self.assertEqual((shot.width, shot.height), (640, 480))
        self.assertTrue(window == shot.pixels, "the window differs from the saved frame")
