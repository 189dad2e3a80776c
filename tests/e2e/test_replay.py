"""Replays end to end: a versus match against the computer is played in a
real window with keys pressed by xdotool (moves, a pause, Enter drops, an
F9 screenshot showing both boards, then hard drops until the player loses
the match) and recorded, the computer's keys with the player's; the game is
then quit mid-way through the next match.  Both matches are in replays/,
the second marked unfinished; the simulator replays the first with every
digest equal; the game plays it back in the window, retaking the F9
screenshot at the same step, which equals the live one but for the
replay's own status line."""

import os
import pathlib
import shutil
import subprocess
import time

from harness import BIN_DIR, X0, X1, Bmp, GameTestCase, board_shown, config, save_png

CONFIG = config(800, 600, extra="[Game]\nopponent = 1\ncpu_level = 1\nrounds_to_win = 1\n")
STATUS_BOX = (0, 0, 320, 40)  # the replay's time and speed line, top left


def differing_pixels(a, b):
    """Pixels of two screenshots that differ outside the status line."""
    x0, y0, x1, y1 = STATUS_BOX
    return sum(1 for y in range(a.height) for x in range(a.width)
               if not (x0 <= x < x1 and y0 <= y < y1) and a.rgb(x, y) != b.rgb(x, y))


class ReplayTest(GameTestCase):
    def replays(self):
        folder = self.folder.file("replays")
        return sorted(os.path.join(folder, n) for n in os.listdir(folder)) if os.path.isdir(folder) else []

    def test_record_then_watch(self):
        self.folder.write_config(CONFIG + "record_replays = 1\n")
        game = self.launch()
        game.find_window()
        time.sleep(3.5)  # the first round starts after three seconds
        for key in ("Left", "space", "Return", "Right", "Return"):
            game.hold(key)
        game.hold("Escape")
        time.sleep(1)
        game.hold("Escape")
        time.sleep(1)
        live = game.screenshot()
        shutil.copy(live.path, self.folder.file("live.bmp"))
        live = Bmp(self.folder.file("live.bmp"))
        self.assertTrue(board_shown(live, X0) and board_shown(live, X1), "both boards on screen")
        # Hard drops until the first match is over and its file is written.
        game.hold("Up", seconds=1, until=lambda: self.replays(), timeout=120)
        self.assertEqual(len(self.replays()), 1, game.stderr())
        time.sleep(2)
        game.hold("shift+Escape")
        self.assertEqual(game.wait(10), 0, game.stderr())
        files = self.replays()
        self.assertEqual(len(files), 2, "one file per match, the cut-short one too")
        texts = [pathlib.Path(path).read_text() for path in files]
        self.assertTrue(texts[0].endswith(" end\n") and texts[1].endswith(" unfinished\n"), texts[1][-40:])
        self.assertIn("\nfrom 1\n", texts[0])
        self.assertIn(" side1 ", texts[0], "the computer pressed no key")
        self.assertNotIn("\nfrom 1\n", texts[1])
        self.assertLess(len(texts[0]), 20000)

        # The simulator checks every digest of both.
        for path in files:
            sim = subprocess.run([os.path.join(BIN_DIR, "tessaron-sim"), "--replay", path, "--quiet"],
                                 capture_output=True, text=True, timeout=120)
            self.assertEqual(sim.returncode, 0, sim.stdout + sim.stderr)

        # The game plays the first back and takes the F9 screenshot again.
        os.remove(self.folder.file("screenshots/tessaron.bmp"))
        self.folder.write_config(CONFIG + f"replay = {files[0]}\n")
        watch = self.launch()
        watch.find_window()
        shot_path = self.folder.file("screenshots/tessaron.bmp")
        deadline = time.time() + 120
        while not os.path.exists(shot_path) and time.time() < deadline and watch.proc.poll() is None:
            time.sleep(0.05)
        time.sleep(0.5)  # F9 was held for a few steps: the last one stays
        again = Bmp(shot_path)
        save_png(again, "replay.png")
        self.assertEqual(differing_pixels(live, again), 0, "the played-back frame differs from the live one")
        self.assertIsNone(watch.proc.poll(), watch.stderr())
        # Left jumps back to the start (the screenshot came 7 s in): the
        # screenshot is taken again, the same.
        os.remove(shot_path)
        watch.hold("Left")
        deadline = time.time() + 30
        while not os.path.exists(shot_path) and time.time() < deadline and watch.proc.poll() is None:
            time.sleep(0.05)
        time.sleep(0.5)
        self.assertEqual(differing_pixels(live, Bmp(shot_path)), 0, "the frame after a jump back differs")
        # 16 times as fast to the end, where Escape leaves (before it, it
        # would pause).
        watch.hold("Up", seconds=1)
        time.sleep(8)
        watch.hold("Escape")
        self.assertEqual(watch.wait(10), 0, watch.stderr())
