"""Long and instrumented runs of the real game: a stream of random key
presses against the AddressSanitizer/UBSan build, and a short run under
valgrind's leak checker."""

import os
import random
import re
import time
import unittest

from harness import WINDOWED_CONFIG, GameTestCase

# Every key the game reads, minus the two ways to quit.
KEYS = ["Left", "Right", "Up", "Down", "space", "Return", "Escape", "F9", "a", "shift"]


class RandomKeysTest(GameTestCase):
    """Run against the sanitizer build's staged game."""

    def test_random_keys_for_minutes_end_cleanly(self):
        seconds = float(os.environ.get("TESSARON_SOAK_SECONDS", "150"))
        self.folder.write_config(WINDOWED_CONFIG)
        game = self.launch(env={"ASAN_OPTIONS": "detect_leaks=0", "UBSAN_OPTIONS": "print_stacktrace=1"})
        game.find_window(timeout=60)
        rng = random.Random(20261206)
        deadline = time.time() + seconds
        presses = 0
        while time.time() < deadline:
            self.assertIsNone(game.proc.poll(), game.stderr()[-3000:])
            game.hold(rng.choice(KEYS), seconds=rng.uniform(0.03, 0.3))
            presses += 1
        game.press_close_button()
        code = game.wait(timeout=30)
        err = game.stderr()
        self.assertEqual(code, 0, err[-3000:])
        self.assertNotIn("AddressSanitizer", err)
        self.assertNotIn("runtime error", err)
        print(f"{presses} key presses in {seconds:.0f} s")


class LeakTest(GameTestCase):
    """A short match under valgrind: no definite leak from the game's code."""

    def test_no_definite_leak_from_our_code(self):
        self.folder.write_config(WINDOWED_CONFIG)
        log = self.folder.file("valgrind.txt")
        game = self.launch(command=["valgrind", "--leak-check=full", "--show-leak-kinds=definite",
                                    "--num-callers=30", f"--log-file={log}", "./tessaron"])
        game.find_window(timeout=120)
        time.sleep(6)
        for key in ("Left", "space", "Escape", "Escape", "Down"):
            game.hold(key, seconds=0.3)
        time.sleep(4)
        game.press_close_button()
        self.assertEqual(game.wait(timeout=120), 0, game.stderr())
        with open(log) as f:
            report = f.read()
        self.assertIn("LEAK SUMMARY", report, "valgrind did not finish its report")
        ours = [block for block in re.split(r"\n==\d+== \n", report)
                if "definitely lost" in block and re.search(r"tessaron::|/src/", block)]
        self.assertEqual(ours, [], "\n\n".join(ours))


if __name__ == "__main__":
    unittest.main()
