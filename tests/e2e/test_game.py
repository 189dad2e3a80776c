"""The whole game in a real window: the board appears, the first pair falls
after the three-second wait, the keys move, turn, pause and quit, F9 saves
the frame, and the data folder's failures behave."""

import os
import shutil
import struct
import time
import unittest

from harness import WINDOWED_CONFIG, Capture, GameTestCase, capture_env

# Where the session puts board 0 on a 1024 x 768 screen, and its size.
BOARD_X, BOARD_Y, BOARD_W, BOARD_H = 1024 // 2 - 240 // 2 - 30, 768 // 2 - 360 // 2, 240, 360
# The frame colour at rest: rgb(flash, flash - 100, flash / 2) with flash 185.
FRAME_AT_REST = (185, 85, 92)
OUT_DIR = os.environ.get("TESSARON_E2E_OUT")


def write_solid_bmp(path, width, height, rgb):
    """A 24-bit BMP of one colour."""
    stride = (width * 3 + 3) & ~3
    row = bytes([rgb[2], rgb[1], rgb[0]]) * width + b"\0" * (stride - width * 3)
    header = struct.pack("<2sIHHI", b"BM", 54 + stride * height, 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, stride * height, 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + row * height)


def fake_xmessage(folder):
    """A stand-in for xmessage that records the message box and returns."""
    bin_dir = folder.file("fakebin")
    os.makedirs(bin_dir, exist_ok=True)
    script = os.path.join(bin_dir, "xmessage")
    with open(script, "w") as f:
        f.write('#!/bin/sh\necho "$@" >> "$(dirname "$0")/messages.txt"\n')
    os.chmod(script, 0o755)
    return bin_dir


class GameTest(GameTestCase):
    def setUp(self):
        super().setUp()
        self.folder.write_config(WINDOWED_CONFIG)

    def start(self, env=None):
        """Starts the game and waits for its window."""
        game = self.launch(env=env)
        game.find_window()
        self.started = time.time()
        return game

    def wait_until(self, seconds_after_start):
        delay = self.started + seconds_after_start - time.time()
        if delay > 0:
            time.sleep(delay)

    def pair_box(self, shot):
        """Where the bright blocks of the falling pair are inside the grid."""
        return shot.bright_box(BOARD_X, BOARD_Y, BOARD_X + BOARD_W, BOARD_Y + BOARD_H)

    def screenshot_until(self, game, check, timeout=10):
        """Takes screenshots until `check(shot)` is true or the time is up (a
        busy machine may run the game late); returns the last shot and what
        the check gave."""
        deadline = time.time() + timeout
        while True:
            shot = game.screenshot()
            result = check(shot)
            if result or time.time() > deadline:
                return shot, result

    def first_pair_box(self, game):
        """The falling pair once it is inside the grid."""
        shot, box = self.screenshot_until(game, self.pair_box)
        self.assertIsNotNone(box, "no pair in the grid after the wait")
        return box

    def test_board_appears_then_first_pair_falls(self):
        game = self.start()
        # Well before the round starts at three seconds (the game's clock
        # starts just after its window appears, never earlier).
        self.wait_until(1.5)
        before = game.screenshot()
        self.assertEqual((before.width, before.height), (1024, 768))
        # The frame around grid and drop strip, at its place.
        self.assertEqual(before.rgb(BOARD_X - 1, BOARD_Y + 200), FRAME_AT_REST)
        self.assertEqual(before.rgb(BOARD_X + BOARD_W, BOARD_Y + 300), FRAME_AT_REST)
        self.assertEqual(before.rgb(BOARD_X + 100, BOARD_Y - 41), FRAME_AT_REST)
        # Before the round starts the grid holds no pair ("Round 1" sits
        # over its middle, so look above and below the text).
        self.assertIsNone(before.bright_box(BOARD_X, BOARD_Y, BOARD_X + BOARD_W, BOARD_Y + 70))
        self.assertIsNone(before.bright_box(BOARD_X, BOARD_Y + 180, BOARD_X + BOARD_W, BOARD_Y + BOARD_H))

        self.wait_until(5.0)
        box1 = self.first_pair_box(game)
        time.sleep(1.0)
        box2 = self.pair_box(game.screenshot())
        self.assertGreater(box2[1], box1[1] + 20, "the pair should be falling")

    def test_dropped_pairs_stack_up_in_the_grid(self):
        game = self.start()
        self.wait_until(4.0)
        # Hard-drop five pairs spread over the grid (a new pair starts in
        # column 3), turning every other one, so that none can top out.
        for moves in (["Left"] * 3, ["Right"] * 3, ["Left"], [], ["Right"]):
            for move in moves:
                game.hold(move)
                game.release_gap()
            if len(moves) % 2:
                game.hold("space")
            game.hold("Up", seconds=0.5)
            time.sleep(0.8)
        shot = game.screenshot()
        if OUT_DIR:
            os.makedirs(OUT_DIR, exist_ok=True)
            shot.save_png(os.path.join(OUT_DIR, "match.png"))
        # The bottom rows of the grid hold blocks now.
        bottom = shot.bright_box(BOARD_X, BOARD_Y + BOARD_H - 60, BOARD_X + BOARD_W, BOARD_Y + BOARD_H)
        self.assertIsNotNone(bottom, "no block reached the bottom row")

    def test_arrows_and_space_move_and_turn_the_pair(self):
        game = self.start()
        self.wait_until(5.0)
        start = self.first_pair_box(game)
        game.hold("Left")
        left = self.pair_box(game.screenshot())
        self.assertAlmostEqual((left[0] + left[2]) / 2, (start[0] + start[2]) / 2 - 30, delta=4)
        game.hold("Right")
        game.release_gap()
        game.hold("Right")
        right = self.pair_box(game.screenshot())
        self.assertAlmostEqual((right[0] + right[2]) / 2, (start[0] + start[2]) / 2 + 30, delta=4)
        # A new pair stands upright (satellite above the pivot); a turn lays
        # it on its side.
        self.assertGreater(right[3] - right[1], right[2] - right[0])
        game.hold("space")
        turned = self.pair_box(game.screenshot())
        self.assertGreater(turned[2] - turned[0], turned[3] - turned[1])

    def test_escape_opens_the_panel_and_q_quits(self):
        game = self.start()
        self.wait_until(4.0)
        game.hold("Escape")
        time.sleep(1.2)
        # The panel opened at (W/2 - 300, H/2 - 50), slid right by the kick
        # (209 pixels) and grew to 200 x 80 in its colour (25, 75, 100).
        px, py = 1024 // 2 - 300 + 209, 768 // 2 - 50

        def panel_colour(shot):
            r, g, b = shot.rgb(px + 150, py + 65)
            return r < 60 and 45 <= g <= 110 and 60 <= b <= 130 and b > g > r

        shot, shown = self.screenshot_until(game, panel_colour, timeout=5)
        self.assertTrue(shown, shot.rgb(px + 150, py + 65))
        game.hold("q")
        self.assertEqual(game.wait(timeout=3), 0, game.stderr())

    def test_q_without_pause_does_nothing_and_shift_escape_quits(self):
        game = self.start()
        self.wait_until(1.0)
        game.hold("q")
        time.sleep(0.5)
        self.assertIsNone(game.proc.poll())
        game.hold("shift+Escape")
        self.assertEqual(game.wait(timeout=3), 0, game.stderr())

    def test_close_button_quits_a_running_match(self):
        game = self.start()
        self.wait_until(4.0)
        game.press_close_button()
        self.assertEqual(game.wait(timeout=3), 0, game.stderr())

    def test_missing_block_picture_is_named_and_stops_the_game(self):
        os.remove(self.folder.file("data/gfx/blocks/block_green.bmp"))
        os.remove(self.folder.file("data/particles/testblob.bmp"))
        bin_dir = fake_xmessage(self.folder)
        game = self.launch(env={"PATH": bin_dir + ":" + os.environ["PATH"]})
        code = game.wait(timeout=20)
        self.assertNotIn(code, (None, 0))
        for name in ("data/gfx/blocks/block_green.bmp", "data/particles/testblob.bmp"):
            self.assertIn(name, game.stderr())
        with open(os.path.join(bin_dir, "messages.txt")) as f:
            self.assertIn("block_green.bmp", f.read())

    def test_empty_backgrounds_folder_falls_back_to_bg1(self):
        backgrounds = self.folder.file("data/backgrounds")
        shutil.rmtree(backgrounds)
        os.makedirs(backgrounds)
        write_solid_bmp(self.folder.file("data/bg1.bmp"), 1024, 768, (10, 60, 30))
        game = self.start()
        self.wait_until(1.0)
        shot = game.screenshot()
        self.assertEqual(shot.rgb(20, 700), (10, 60, 30))

    def test_missing_background_and_empty_music_folder_still_play(self):
        shutil.rmtree(self.folder.file("data/backgrounds"))
        os.remove(self.folder.file("data/bg1.bmp"))
        music = self.folder.file("data/music/mod")
        shutil.rmtree(music)
        os.makedirs(music)
        self.folder.write_config(WINDOWED_CONFIG.replace("sound = 0", "sound = 1"))
        # Sound is on and its output captured: nothing is heard, since no
        # music loaded and no key made a sound.
        wav, env = capture_env(self.folder)
        game = self.start(env=env)
        self.wait_until(4.0)
        shot = game.screenshot()
        self.assertEqual(shot.rgb(20, 700), (0, 0, 0))
        game.press_close_button()
        self.assertEqual(game.wait(timeout=3), 0, game.stderr())
        capture = Capture(wav)
        self.assertGreater(len(capture.left), 0, "the sound device was never written")
        self.assertEqual(capture.peak(), 0, "something played without music or a key")

    def test_folders_of_garbage_files_past_the_scan_limit_still_play(self):
        # More files than a directory scan keeps (256), none of them a
        # picture or a module: the picked background fails to load (black)
        # and the picked song fails to load (silence), and the game plays on.
        for folder, pattern in (("data/backgrounds", "junk{:03}.bmp"), ("data/music/mod", "junk{:03}.mod")):
            path = self.folder.file(folder)
            shutil.rmtree(path)
            os.makedirs(path)
            for i in range(300):
                with open(os.path.join(path, pattern.format(i)), "wb") as f:
                    f.write(bytes((i * 37 + k) % 256 for k in range(i % 64)))
        self.folder.write_config(WINDOWED_CONFIG.replace("sound = 0", "sound = 1"))
        wav, env = capture_env(self.folder)
        game = self.start(env=env)
        self.wait_until(4.0)
        shot = game.screenshot()
        self.assertEqual(shot.rgb(20, 700), (0, 0, 0))
        game.press_close_button()
        self.assertEqual(game.wait(timeout=3), 0, game.stderr())
        self.assertEqual(Capture(wav).peak(), 0, "something played without music or a key")


if __name__ == "__main__":
    unittest.main()
