"""The shell in a real window: with no settings file it runs on its
defaults (full screen, sound on), plays its music from the start, shows
the fallback picture when the backgrounds folder is empty and quits within
a second of the close button; without a display, with an impossible screen size or with missing
pictures it stops with a message and an error code."""

import os
import shutil
import struct
import subprocess
import time
import unittest

from harness import WINDOWED_CONFIG, Capture, GameTestCase, capture_env


def write_solid_bmp(path, width, height, rgb):
    """A 24-bit BMP of one colour."""
    stride = (width * 3 + 3) & ~3
    row = bytes([rgb[2], rgb[1], rgb[0]]) * width + b"\0" * (stride - width * 3)
    header = struct.pack("<2sIHHI", b"BM", 54 + stride * height, 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, stride * height, 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + row * height)


def fake_xmessage(folder):
    """A stand-in for xmessage that records the message box and returns;
    the PATH that finds it."""
    bin_dir = folder.file("fakebin")
    os.makedirs(bin_dir, exist_ok=True)
    with open(os.path.join(bin_dir, "xmessage"), "w") as f:
        f.write('#!/bin/sh\necho "$@" >> "$(dirname "$0")/messages.txt"\n')
    os.chmod(os.path.join(bin_dir, "xmessage"), 0o755)
    return bin_dir + ":" + os.environ["PATH"]


class ShellTest(GameTestCase):
    def test_defaults_music_and_close_button(self):
        os.remove(self.folder.file("cfg/config.cfg"))
        shutil.rmtree(self.folder.file("data/backgrounds"))
        os.makedirs(self.folder.file("data/backgrounds"))
        write_solid_bmp(self.folder.file("data/bg1.bmp"), 1024, 768, (10, 60, 30))
        wav, env = capture_env(self.folder)
        game = self.launch(env=env)
        # Full screen under Xvfb is a screen-sized window holding the
        # 1024 x 768 picture, the titled window stays hidden; it exists
        # before the mode is set, so wait for the mode.
        game.find_window(visible=False)
        deadline = time.time() + 20
        tree = ""
        while "1024x768" not in tree and time.time() < deadline:
            time.sleep(0.2)
            tree = subprocess.run(["xwininfo", "-root", "-tree"], env=self.x.env(), capture_output=True,
                                  text=True).stdout
        self.assertIn("1024x768", tree)
        self.assertEqual(game.screenshot().rgb(20, 700), (10, 60, 30))
        # Before the first round starts no event makes a sound: whatever
        # is heard is the music.
        time.sleep(1.5)
        self.assertIsNone(game.proc.poll(), "the game should keep running")
        game.press_close_button()
        pressed = time.time()
        # Within a second; the wait allows more so that a loaded machine
        # reports the time it took rather than a timeout.
        self.assertEqual(game.wait(timeout=5), 0, game.stderr())
        self.assertLess(time.time() - pressed, 1.0)
        self.assertEqual(game.stderr(), "")
        capture = Capture(wav)
        self.assertGreater(capture.peak(), 1000, "the music is silent")
        self.assertGreater(capture.sounding_seconds(), 1.0, "the music stopped")

    def test_failures_stop_with_a_message_and_an_error_code(self):
        # No display at all: no window, exit -1 (255) with a line on stderr.
        env = dict(os.environ)
        env.pop("DISPLAY", None)
        proc = subprocess.run([self.folder.file("tessaron")], cwd=self.folder.path, env=env,
                              stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=10)
        self.assertEqual(proc.returncode, 255)
        self.assertIn("Tessaron:", proc.stderr)
        # An impossible screen size, and missing pictures: the message on
        # stderr and in a message box, which a stand-in records.
        path = fake_xmessage(self.folder)
        messages = self.folder.file("fakebin/messages.txt")
        self.folder.write_config(WINDOWED_CONFIG.replace("screen_width = 1024", "screen_width = 0"))
        game = self.launch(env={"PATH": path})
        self.assertEqual(game.wait(timeout=10), 255)
        self.assertIn("screen size", game.stderr())
        with open(messages) as f:
            self.assertIn("screen size", f.read())
        self.folder.write_config(WINDOWED_CONFIG)
        os.remove(self.folder.file("data/gfx/blocks/block_green.bmp"))
        os.remove(self.folder.file("data/particles/testblob.bmp"))
        game = self.launch(env={"PATH": path})
        self.assertNotIn(game.wait(timeout=20), (None, 0))
        for name in ("data/gfx/blocks/block_green.bmp", "data/particles/testblob.bmp"):
            self.assertIn(name, game.stderr())
        with open(messages) as f:
            self.assertIn("block_green.bmp", f.read())


if __name__ == "__main__":
    unittest.main()
