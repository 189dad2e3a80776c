"""The shell's failures: without a display, with an impossible screen size
or with missing pictures the game stops with a message and an error code
(and with sound 0 it never opens the sound device meanwhile)."""

import os
import subprocess
import unittest

from harness import WINDOWED_CONFIG, GameTestCase, capture_env


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
        wav, env = capture_env(self.folder)
        env["PATH"] = fake_xmessage(self.folder)
        messages = self.folder.file("fakebin/messages.txt")
        self.folder.write_config(WINDOWED_CONFIG.replace("screen_width = 1024", "screen_width = 0"))
        game = self.launch(env=env)
        self.assertEqual(game.wait(timeout=10), 255)
        self.assertIn("screen size", game.stderr())
        with open(messages) as f:
            self.assertIn("screen size", f.read())
        self.folder.write_config(WINDOWED_CONFIG)
        os.remove(self.folder.file("data/gfx/blocks/block_green.bmp"))
        os.remove(self.folder.file("data/particles/testblob.bmp"))
        game = self.launch(env=env)
        self.assertNotIn(game.wait(timeout=20), (None, 0))
        for name in ("data/gfx/blocks/block_green.bmp", "data/particles/testblob.bmp"):
            self.assertIn(name, game.stderr())
        with open(messages) as f:
            self.assertIn("block_green.bmp", f.read())
        self.assertFalse(os.path.exists(wav), "sound 0 opened the sound device")


if __name__ == "__main__":
    unittest.main()
