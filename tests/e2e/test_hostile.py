"""Hostile files in the running game, in one launch: named pipes where a
background, the song and a sound effect should be, a disk with no room for a
screenshot, then a pipe in the screenshot's place.  The game starts, keeps
the earlier screenshot whole, leaves no partial file behind, and
Shift+Escape still ends it within a second."""

import os
import resource
import shutil
import stat
import time
import unittest

from harness import WINDOWED_CONFIG, GameTestCase

# The disk is "full" through the file-size limit: a write past it fails
# (EFBIG) as on a full disk.  The limit (ulimit -f blocks) is far below a
# screenshot's 2.3 MB; it is a soft one, so the test can lift it later.
FULL_DISK_COMMAND = ["sh", "-c", "trap '' XFSZ; ulimit -S -f 100; exec ./tessaron"]
EARLIER = b"BM an earlier screenshot " * 64


class HostileFilesTest(GameTestCase):
    def test_pipes_and_a_full_disk_leave_the_game_responsive(self):
        file = self.folder.file
        for folder in ("data/backgrounds", "data/music/mod"):
            shutil.rmtree(file(folder))
            os.makedirs(file(folder))
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
        self.folder.write_config(WINDOWED_CONFIG.replace("sound = 0", "sound = 1"))

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


if __name__ == "__main__":
    unittest.main()
