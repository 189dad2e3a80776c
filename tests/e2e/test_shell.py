"""The shell in a real window: it opens, runs, closes on the close button,
and fails cleanly without a display or with an impossible mode."""

import os
import subprocess
import time
import unittest

from harness import WINDOWED_CONFIG, GameTestCase


class ShellTest(GameTestCase):
    def test_opens_window_and_quits_on_close_button(self):
        self.folder.write_config(WINDOWED_CONFIG)
        game = self.launch()
        game.find_window()
        time.sleep(1.0)
        self.assertIsNone(game.proc.poll(), "the game should keep running")
        game.press_close_button()
        pressed = time.time()
        # Within a second; the wait allows more so that a loaded machine
        # reports the time it took rather than a timeout.
        self.assertEqual(game.wait(timeout=5), 0, game.stderr())
        self.assertLess(time.time() - pressed, 1.0)

    def test_missing_settings_file_runs_on_defaults(self):
        os.remove(self.folder.file("cfg/config.cfg"))
        game = self.launch()
        # The default is full screen at 1024 x 768: under Xvfb a screen-sized
        # window holding the 1024 x 768 picture.
        game.find_window(visible=False)
        # The titled window exists before the mode is set: wait for the mode.
        deadline = time.time() + 20
        tree = ""
        while "1024x768" not in tree and time.time() < deadline:
            time.sleep(0.2)
            tree = subprocess.run(["xwininfo", "-root", "-tree"], env=self.x.env(), capture_output=True,
                                  text=True).stdout
        self.assertIn("1024x768", tree)
        time.sleep(1.0)
        self.assertIsNone(game.proc.poll())
        game.press_close_button()
        self.assertEqual(game.wait(timeout=3), 0, game.stderr())

    def test_impossible_screen_size_ends_with_message_and_minus_one(self):
        self.folder.write_config(WINDOWED_CONFIG.replace("screen_width = 1024", "screen_width = 0"))
        # A stand-in for xmessage records the message box instead of blocking.
        bin_dir = self.folder.file("fakebin")
        os.makedirs(bin_dir)
        with open(os.path.join(bin_dir, "xmessage"), "w") as f:
            f.write('#!/bin/sh\necho "$@" >> "$(dirname "$0")/messages.txt"\n')
        os.chmod(os.path.join(bin_dir, "xmessage"), 0o755)
        game = self.launch(env={"PATH": bin_dir + ":" + os.environ["PATH"]})
        self.assertEqual(game.wait(timeout=10), 255)
        self.assertIn("screen size", game.stderr())
        with open(os.path.join(bin_dir, "messages.txt")) as f:
            self.assertIn("screen size", f.read())

    def test_no_display_ends_with_error_and_minus_one(self):
        env = dict(os.environ)
        env.pop("DISPLAY", None)
        proc = subprocess.run([self.folder.file("tessaron")], cwd=self.folder.path, env=env,
                              stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=10)
        self.assertEqual(proc.returncode, 255)
        self.assertIn("Tessaron:", proc.stderr)


if __name__ == "__main__":
    unittest.main()
