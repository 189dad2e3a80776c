"""Hostile files and a hostile environment.  In one launch: named pipes
where a background, the song and a sound effect should be, a disk with no
room for a screenshot, then a pipe in the screenshot's place; the game
starts, keeps the earlier screenshot whole, leaves no partial file behind,
and Shift+Escape still ends it within a second.  Then the shell's failures:
without a display, with an impossible screen size or with missing or
unusable pictures the game stops with a message naming each with its
reason and an error code (and with sound 0 it never opens the sound device
meanwhile); a versus match on a screen too small for two boards is refused
with a message."""

import os
import resource
import stat
import subprocess
import time

from harness import GameTestCase, capture_env, config

# The disk is "full" through the file-size limit: a write past it fails
# (EFBIG) as on a full disk.  The limit (ulimit -f blocks) is far below a
# screenshot's 2.3 MB; it is a soft one, so the test can lift it later.
FULL_DISK_COMMAND = ["sh", "-c", "trap '' XFSZ; ulimit -S -f 100; exec ./tessaron"]
EARLIER = b"BM an earlier screenshot " * 64


class HostileFilesTest(GameTestCase):
    def test_pipes_and_a_full_disk_leave_the_game_responsive(self):
        file = self.folder.file
        self.folder.empty("data/backgrounds")
        self.folder.empty("data/music/mod")
        os.remove(file("data/sound/rotate.wav"))
        for pipe in ("data/backgrounds/pipe.bmp", "data/music/mod/pipe.mod", "data/sound/rotate.wav"):
            os.mkfifo(file(pipe))
        os.makedirs(file("screenshots"))
        shot = file("screenshots/tessaron.bmp")
        with open(shot, "wb") as out:
            out.write(EARLIER)
        # Sound on, through ALSA's null device, so that the song and the
        # effects are loaded.
        with open(file("asound.conf"), "w") as out:
            out.write("pcm.!default { type null }\n")
        self.folder.write_config(config(sound=1))

        game = self.launch(env={"ALSA_CONFIG_PATH": file("asound.conf")}, command=FULL_DISK_COMMAND)
        game.find_window()
        time.sleep(1.0)
        game.hold("F9", seconds=1.0)  # a save per logic step, each failing
        with open(shot, "rb") as f:
            self.assertEqual(f.read(), EARLIER, "the earlier screenshot changed")
        # A save may still be under way when the key is seen released.
        deadline = time.time() + 3
        while os.listdir(file("screenshots")) != ["tessaron.bmp"] and time.time() < deadline:
            time.sleep(0.05)
        self.assertEqual(os.listdir(file("screenshots")), ["tessaron.bmp"], "a partial file was left")

        # Room again, and a pipe in the screenshot's place: a save must
        # neither block on it nor replace it.
        resource.prlimit(game.proc.pid, resource.RLIMIT_FSIZE, (resource.RLIM_INFINITY, resource.RLIM_INFINITY))
        os.remove(shot)
        os.mkfifo(shot)
        game.hold("F9", seconds=0.5)
        self.assertTrue(stat.S_ISFIFO(os.stat(shot).st_mode), "the pipe was replaced")
        self.assertEqual(os.listdir(file("screenshots")), ["tessaron.bmp"], "a partial file was left")
        self.assertIsNone(game.proc.poll(), game.stderr())
        pressed = time.time()
        game.hold("shift+Escape", seconds=0.15)
        # Within a second; the wait allows more so that a loaded machine
        # reports the time it took rather than a timeout.
        self.assertEqual(game.wait(timeout=5), 0, game.stderr())
        self.assertLess(time.time() - pressed, 1.0)
        self.assertIn("Tessaron: data/backgrounds/pipe.bmp: not a regular file\n", game.stderr())

    def test_failures_stop_with_a_message_and_an_error_code(self):
        # No display at all: no window, exit -1 (255) with a line on stderr.
        env = dict(os.environ)
        env.pop("DISPLAY", None)
        proc = subprocess.run([self.folder.file("tessaron")], cwd=self.folder.path, env=env,
                              stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=10)
        self.assertEqual(proc.returncode, 255)
        self.assertIn("Tessaron:", proc.stderr)
        # An impossible screen size, and missing pictures: the message on
        # stderr and in a message box, which a stand-in for xmessage records.
        wav, env = capture_env(self.folder)
        env["PATH"] = self.folder.path + ":" + os.environ["PATH"]
        messages = self.folder.file("messages.txt")
        with open(self.folder.file("xmessage"), "w") as f:
            f.write(f'#!/bin/sh\necho "$@" >> {messages}\n')
        os.chmod(self.folder.file("xmessage"), 0o755)
        # Two boards do not fit under 800 x 600: refused, with a message box.
        # (A refused option's line, usage and status are the command line
        # test's.)
        game = self.launch(env=env, command=[self.folder.file("tessaron"), "--versus", "human", "--size", "799x600"])
        self.assertEqual(game.wait(timeout=10), 2)
        with open(messages) as f:  # and on stderr, as every start-up failure
            self.assertIn("needs a screen of at least 800 x 600, not 799 x 600", f.read())
        self.folder.write_config(config(width=0))
        game = self.launch(env=env)
        self.assertEqual(game.wait(timeout=10), 255)
        self.assertIn("screen size", game.stderr())
        with open(messages) as f:
            self.assertIn("screen size", f.read())
        self.folder.write_config(config())
        os.remove(self.folder.file("data/gfx/blocks/block_green.bmp"))
        os.replace(self.folder.file("data/sound/rotate.wav"), self.folder.file("data/particles/testblob.bmp"))
        game = self.launch(env=env)
        self.assertNotIn(game.wait(timeout=20), (None, 0))
        for line in ("/block_green.bmp: missing\n", "/testblob.bmp: not a BMP file\n"):
            self.assertIn(line, game.stderr() + "\n")
        with open(messages) as f:
            self.assertIn("block_green.bmp", f.read())
        self.assertFalse(os.path.exists(wav), "sound 0 opened the sound device")

