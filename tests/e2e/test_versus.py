"""Two players at one keyboard in a real window at 800 x 600: the left-hand
keys steer the left board, the arrows the right one; paused, once the panel
has settled, the window holds the whole frame F9 saves (frames are drawn
area by area).  (A match against the computer in a real window is the one
recorded in test_replay; one frame per logic step is counted in test_game,
and the window repainting itself while the game cannot draw is checked
with the stalled game in audio_stall.)"""

import subprocess
import time

from harness import X0, X1, GameTestCase, config, grid


def pair_columns(shot, x):
    """The columns of the upper half of a grid holding a block: at the start
    of a round, only the falling pair."""
    return {c for row in grid(shot, x)[:6] for c, on in enumerate(row) if on}


def landed(shot, x):
    """The columns of a grid's bottom row holding a block."""
    return {c for c, on in enumerate(grid(shot, x)[11]) if on}


class VersusTest(GameTestCase):
    def test_two_players_steer_from_their_own_side(self):
        self.folder.write_config(config(800, 600, extra="[Game]\nopponent = 2\n"))
        game = self.launch()
        game.find_window()
        shot = game.screenshot_until(lambda s: pair_columns(s, X0) and pair_columns(s, X1), 30)
        self.assertEqual((pair_columns(shot, X0), pair_columns(shot, X1)), ({3}, {3}), "both pairs start in column 3")
        # A held five times and W: the left pair goes to the wall and lands
        # in column 0; Right held six times and Up: the right pair lands in
        # column 7.  The walls absorb the presses a machine too busy to run
        # the game in time misses; a key that reached the other board
        # instead would leave its own pair in column 3.  (Which board each
        # key steers, and none steering both, is the key-mapping test's.)
        for key, times in (("a", 5), ("w", 1), ("Right", 6), ("Up", 1)):
            for _ in range(times):
                game.hold(key)
                time.sleep(0.25)  # released long enough for the next press to be new
        steered = lambda s: 0 in landed(s, X0) and 7 in landed(s, X1)
        shot = game.screenshot_until(steered, 15)
        self.assertTrue(steered(shot), f"each board steered by its own keys: {landed(shot, X0)} {landed(shot, X1)}")
        game.hold("Escape")
        time.sleep(2.5)
        window = subprocess.run(["import", "-window", game.window, "-depth", "8", "rgb:-"], env=self.x.env(),
                                capture_output=True, check=True).stdout
        self.assertTrue(window == game.screenshot().pixels, "the window differs from the saved frame")
