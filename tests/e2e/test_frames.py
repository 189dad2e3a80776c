"""Passes that change nothing draw nothing: one frame per logic step while
the mouse rests, and a window unmapped and mapped again while the main
thread is stalled (so the game cannot draw) repainted by Allegro's X11
driver by itself."""

import os
import shutil
import subprocess
import time
import unittest

from harness import GameTestCase, stall_main_thread

CONFIG = "[Audio]\nsound = 0\n[Video]\nvid_quality = 32\nscreen_width = 640\nscreen_height = 480\nfullscreen = 0\n"
BIN_DIR = os.environ.get("TESSARON_BIN_DIR", os.path.join(os.path.dirname(__file__), "../../build/bin"))


class FramesTest(GameTestCase):
    def start(self, program, env=None):
        self.folder.write_config(CONFIG)
        path = self.folder.file(program)
        shutil.copy(os.path.join(BIN_DIR, program), path)
        game = self.launch(env=env, command=[path])
        game.find_window()
        return game

    def window_rgb(self, game):
        """The window's pixels as the X server shows them (raw RGB)."""
        return subprocess.run(["import", "-window", game.window, "-depth", "8", "rgb:-"], env=self.x.env(),
                              capture_output=True, check=True).stdout

    def test_one_frame_per_logic_step(self):
        game = self.start("tessaron-framestats")
        time.sleep(3.0)
        game.press_close_button()
        self.assertEqual(game.wait(timeout=10), 0)
        stats = dict(item.split("=") for item in game.stderr().split("framestats:")[1].split())
        frames, steps = int(stats["frames"]), int(stats["steps"])
        self.assertGreater(steps, 25)
        # A frame after every step (and the first), and no more.
        self.assertGreaterEqual(frames, steps)
        self.assertLessEqual(frames, steps + 2)

    def test_window_holds_the_saved_frame_after_frames_drawn_in_part(self):
        # Frames are put together area by area; once the paused panel has
        # settled, the window shows exactly the whole frame that F9 saves.
        game = self.start("tessaron-framestats")
        time.sleep(3.0)
        game.hold("Escape")
        time.sleep(2.5)
        window = self.window_rgb(game)
        shot = game.screenshot()
        saved = bytes(v for y in range(shot.height) for x in range(shot.width) for v in shot.rgb(x, y))
        self.assertEqual((shot.width, shot.height), (640, 480))
        self.assertTrue(window == saved, "the window differs from the saved frame")

    def test_window_mapped_again_is_repainted_while_the_game_is_stalled(self):
        game = self.start("tessaron-stall", env={"TESSARON_STALL_MS": "4000"})
        time.sleep(2.0)
        stall_main_thread(game.proc.pid)
        time.sleep(0.5)
        before = self.window_rgb(game)
        env = self.x.env()
        subprocess.run(["xdotool", "windowunmap", "--sync", game.window], env=env, check=True)
        subprocess.run(["xdotool", "windowmap", "--sync", game.window], env=env, check=True)
        time.sleep(0.5)
        after = self.window_rgb(game)
        self.assertNotIn("the main thread slept", game.stderr(), "the stall ended too early")
        self.assertGreater(len(set(before)), 10, "the window showed no frame")
        self.assertEqual(before, after, "the window was not repainted")
        time.sleep(3.5)
        self.assertIn("the main thread slept", game.stderr())


if __name__ == "__main__":
    unittest.main()
