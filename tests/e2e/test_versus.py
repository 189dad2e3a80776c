"""A versus match against the computer in a real window at 800 x 600: both
boards on screen, the computer's pair moving, the blocks it sends shown as
"Danger" over the player's board, and the round it wins shown as an icon.
One launch checks these in turn; the player presses nothing.  Then two
players at one keyboard: the left-hand keys steer the left board, the
arrows the right one."""

import time

from harness import GameTestCase, config, save_png

GRID_W, GRID_H, GAP = 240, 360, 190
Y = 600 // 2 - GRID_H // 2
X0, X1 = 400 - GAP // 2 - GRID_W, 400 + GAP // 2
CONFIG = config(800, 600, extra="[Game]\nopponent = 1\ncpu_level = 5\nrounds_to_win = 3\n")


def red_strip(shot, x):
    """The drop strip over a grid: translucent red."""
    r, g, b = shot.rgb(x + GRID_W // 4, Y - 8)
    return r > 100 and r > 2 * g and r > 2 * b


def danger(shot, x):
    """Grey text ("Danger: n") over the red drop strip, clear of the name tag
    above it."""
    return any(min(shot.rgb(xx, yy)) > 150 for yy in range(Y - 30, Y - 4) for xx in range(x + 70, x + GRID_W - 70))


def icon(shot):
    """The first round icon of board 1: left of its grid, below the score."""
    return shot.bright_box(X1 - 20, Y + 125, X1 - 4, Y + 141, threshold=120) is not None


def pair_columns(shot, x):
    """The columns of the upper half of a grid holding a block: at the start
    of a round, only the falling pair."""
    return {c for c in range(8) for r in range(6) if max(shot.rgb(x + 30 * c + 15, Y + 30 * r + 15)) >= 120}


def landed(shot, x):
    """The columns of a grid's bottom row holding a block."""
    return {c for c in range(8) if max(shot.rgb(x + 30 * c + 15, Y + 30 * 11 + 15)) >= 120}


def grid_pixels(shot, x):
    return [shot.rgb(xx, yy) for yy in range(Y, Y + GRID_H, 3) for xx in range(x, x + GRID_W, 3)]


class VersusTest(GameTestCase):
    def test_a_match_against_the_computer(self):
        self.folder.write_config(CONFIG)
        game = self.launch()
        game.find_window()
        time.sleep(4)  # the first round starts after three seconds

        first = game.screenshot()
        self.assertEqual((first.width, first.height), (800, 600))
        self.assertTrue(red_strip(first, X0) and red_strip(first, X1), "both boards on screen")
        self.assertFalse(icon(first), "an icon before any round ended")
        # The computer steers and drops its pairs: board 1's grid changes.
        self.assertNotEqual(grid_pixels(first, X1), grid_pixels(game.screenshot(), X1), "the computer's pair stands")
        # It breaks blocks within seconds; they wait over the player's board.
        shot = game.screenshot_until(lambda s: danger(s, X0), 60)
        self.assertTrue(danger(shot, X0), "no Danger shown on the player's board")
        # A pair nobody steers lands in column 3: some block elsewhere shows
        # the computer moved its pairs.
        self.assertTrue({c for c in range(8) if c != 3 for r in range(6, 12)
                         if max(shot.rgb(X1 + 30 * c + 15, Y + 30 * r + 15)) >= 120}, "the computer never steered")
        # The idle player tops out: the computer's round shows as an icon.
        shot = game.screenshot_until(icon, 90)
        save_png(shot, "versus.png")
        self.assertTrue(icon(shot), "no round icon after the player lost")
        self.assertIsNone(game.proc.poll(), "the game ended")

    def test_two_players_steer_from_their_own_side(self):
        self.folder.write_config(config(800, 600, extra="[Game]\nopponent = 2\n"))
        game = self.launch()
        game.find_window()
        shot = game.screenshot_until(lambda s: pair_columns(s, X0) and pair_columns(s, X1), 30)
        self.assertEqual((pair_columns(shot, X0), pair_columns(shot, X1)), ({3}, {3}), "both pairs start in column 3")
        # A three times and W: the left pair lands in column 0; Right twice
        # and Up: the right pair in column 5.
        for key, times in (("a", 3), ("w", 1), ("Right", 2), ("Up", 1)):
            for _ in range(times):
                game.hold(key)
                time.sleep(0.25)  # released long enough for the next press to be new
        steered = lambda s: 0 in landed(s, X0) and 5 in landed(s, X1)
        shot = game.screenshot_until(steered, 15)
        # A pair left alone lands in column 3 on a machine too slow for the
        # keys; no pair can land in the other board's column.
        left, right = landed(shot, X0), landed(shot, X1)
        self.assertTrue(steered(shot) and 5 not in left and 0 not in right, f"each board steered by its own keys: {left} {right}")
