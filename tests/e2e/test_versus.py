"""A versus match against the computer in a real window at 800 x 600: both
boards on screen, the computer's pair moving, the blocks it sends shown as
"Danger" over the player's board, and the round it wins shown as an icon.
One launch checks these in turn; the player presses nothing."""

import os
import time

from harness import GameTestCase

WIDTH, HEIGHT = 800, 600
GRID_W, GRID_H, GAP = 240, 360, 190
Y = HEIGHT // 2 - GRID_H // 2
X0 = WIDTH // 2 - GAP // 2 - GRID_W
X1 = WIDTH // 2 + GAP // 2
CONFIG = ("[Audio]\nsound = 0\n[Video]\nvid_quality = 32\nscreen_width = 800\nscreen_height = 600\n"
          "fullscreen = 0\n[Game]\nopponent = 1\ncpu_level = 5\nrounds_to_win = 3\n")
OUT_DIR = os.environ.get("TESSARON_E2E_OUT")


def red_strip(shot, x):
    """The drop strip over a grid: translucent red."""
    r, g, b = shot.rgb(x + GRID_W // 4, Y - 8)
    return r > 100 and r > 2 * g and r > 2 * b


def grey_text_in_strip(shot, x):
    """Grey text ("Danger: n") over the red drop strip, clear of the name
    tag above it."""
    for yy in range(Y - 30, Y - 4):
        for xx in range(x + 70, x + GRID_W - 70):
            r, g, b = shot.rgb(xx, yy)
            if min(r, g, b) > 150:
                return True
    return False


def icon_beside(shot):
    """The first round icon of board 1: left of its grid, below the score."""
    return shot.bright_box(X1 - 20, Y + 125, X1 - 4, Y + 141, threshold=120) is not None


def block_columns(shot, x):
    """Columns of the lower half of a grid that hold a block (bright cell
    centres)."""
    return {c for c in range(8) for r in range(6, 12) if max(shot.rgb(x + 30 * c + 15, Y + 30 * r + 15)) >= 120}


def grid_pixels(shot, x):
    return [shot.rgb(xx, yy) for yy in range(Y, Y + GRID_H, 3) for xx in range(x, x + GRID_W, 3)]


class VersusTest(GameTestCase):
    def test_a_match_against_the_computer(self):
        self.folder.write_config(CONFIG)
        game = self.launch()
        game.find_window()
        time.sleep(4)  # the first round starts after three seconds

        first = game.screenshot()
        self.assertEqual((first.width, first.height), (WIDTH, HEIGHT))
        self.assertTrue(red_strip(first, X0) and red_strip(first, X1), "both boards on screen")
        self.assertFalse(icon_beside(first), "an icon before any round ended")

        # The computer steers and drops its pairs: board 1's grid changes.
        second = game.screenshot()
        self.assertNotEqual(grid_pixels(first, X1), grid_pixels(second, X1), "the computer's pair does not move")

        # It breaks blocks within seconds; they wait over the player's board.
        deadline = time.time() + 60
        shot = second
        while not grey_text_in_strip(shot, X0) and time.time() < deadline:
            shot = game.screenshot()
        self.assertTrue(grey_text_in_strip(shot, X0), "no Danger shown on the player's board")
        # A pair nobody steers lands in column 3: the computer moved its pairs.
        self.assertTrue(block_columns(shot, X1) - {3}, "the computer never steered a pair")

        # The idle player tops out: the computer's round shows as an icon.
        deadline = time.time() + 90
        while not icon_beside(shot) and time.time() < deadline:
            time.sleep(1)
            shot = game.screenshot()
        if OUT_DIR:
            os.makedirs(OUT_DIR, exist_ok=True)
            shot.save_png(os.path.join(OUT_DIR, "versus.png"))
        self.assertTrue(icon_beside(shot), "no round icon after the player lost")
        self.assertIsNone(game.proc.poll(), "the game ended")
