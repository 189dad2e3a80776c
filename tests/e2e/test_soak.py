"""Instrumented runs of the real game: random key presses against the
AddressSanitizer/UBSan build with sound on but no sound device, which must
stay silent on the terminal, and with folders of garbage backgrounds and
music (more files than a folder scan keeps): every background the scan kept
is named on one line of its own and the fallback picture shown, the game
plays on; and a short match under valgrind's leak
checker with its music playing from the start, quit with Q from the
pause."""

import os
import random
import re
import time

from harness import CAPTURE_RATE, Bmp, Capture, GameTestCase, capture_env, config

# Every key the game reads, minus the two ways to quit.
KEYS = ["Left", "Right", "Up", "Down", "space", "Return", "Escape", "F9", "a", "shift"]


class RandomKeysTest(GameTestCase):
    """Run against the sanitizer build's staged game."""

    def test_random_keys_end_cleanly(self):
        seconds = float(os.environ.get("TESSARON_SOAK_SECONDS", "60"))
        self.folder.write_config(config(sound=1))
        # An ALSA configuration without devices, as on a machine without a
        # sound card: the game runs silently and says nothing about it.
        conf = self.folder.file("empty-asound.conf")
        open(conf, "w").close()
        self.folder.empty("data/backgrounds", junk="junk{:03}.bmp")
        self.folder.empty("data/music/mod", junk="junk{:03}.mod")
        game = self.launch(env={"ALSA_CONFIG_PATH": conf, "ASAN_OPTIONS": "detect_leaks=0",
                                "UBSAN_OPTIONS": "print_stacktrace=1"})
        game.find_window(timeout=60)
        rng = random.Random(20261206)
        deadline = time.time() + seconds
        while time.time() < deadline:
            self.assertIsNone(game.proc.poll(), game.stderr()[-3000:])
            game.hold(rng.choice(KEYS), seconds=rng.uniform(0.03, 0.3))
        self.assertEqual(game.screenshot().rgb(20, 700), Bmp(self.folder.file("data/bg1.bmp")).rgb(20, 700))
        game.press_close_button()
        self.assertEqual(game.wait(timeout=30), 0, game.stderr()[-3000:])
        said = re.findall(r"^Tessaron: data/backgrounds/junk\d{3}\.bmp: .+\n", game.stderr(), re.M)
        self.assertEqual((len(set(said)), "".join(said), os.path.getsize(game.stdout_path)), (256, game.stderr(), 0))


class LeakTest(GameTestCase):
    """A short match under valgrind: no definite leak from the game's code."""

    def test_no_definite_leak_from_our_code(self):
        self.folder.write_config(config(sound=1))
        wav, env = capture_env(self.folder)
        log = self.folder.file("valgrind.txt")
        game = self.launch(env=env, command=["valgrind", "--leak-check=full", "--show-leak-kinds=definite",
                                             "--num-callers=30", f"--log-file={log}", "./tessaron"])
        game.find_window(timeout=120)
        time.sleep(6)
        for key in ("Left", "space", "Down"):
            game.hold(key, seconds=0.3)
        # Under valgrind on a busy machine a pass can outlast a short press:
        # pause and Q again until the game ends (a missed Escape leaves it
        # playing, and the next one pauses it).
        for _ in range(4):
            game.hold("Escape", seconds=0.6)
            time.sleep(2)
            game.hold("q", seconds=1.0)
            if game.wait(timeout=30) is not None:
                break
        self.assertEqual(game.wait(timeout=60), 0, game.stderr())
        # Before the first round starts no event makes a sound: what is
        # heard is the music, from the start.
        self.assertGreater(Capture(wav).peak(), 1000, "the music is silent")
        self.assertGreater(len(list(Capture(wav).blocks())), CAPTURE_RATE // Capture.BLOCK, "the music stopped")
        with open(log) as f:
            report = f.read()
        self.assertIn("LEAK SUMMARY", report, "valgrind did not finish its report")
        # Allegro's ALSA driver loses a few bytes inside its own
        # install_sound, whatever its caller does: not ours.
        ours = [block for block in re.split(r"\n==\d+== \n", report) if "definitely lost" in block
                and re.search(r"tessaron::|/src/", block) and "install_sound" not in block]
        self.assertEqual(ours, [], "\n\n".join(ours))
