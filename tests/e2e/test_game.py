"""One scripted match in a real window, checked step by step by the game's
own F9 screenshots and by its sound, captured through ALSA's file plugin
with every effect replaced by a tone of its own pitch.  With no settings
file the game runs on its defaults (full screen 1024 x 768, sound on); with
an empty backgrounds folder it shows the fallback picture (as ImageMagick
writes a BMP today, with a V5 header); nothing sounds
while the only music files are garbage; the first pair falls after the
three-second wait; the keys move, turn and pause; each event plays its own
sample; the dropped pairs stack up until the board tops out; the close
button ends the game within a second; and over the whole match a frame is
composed only for a logic step (and the first), passes that change nothing
draw nothing (the game runs as tessaron-framestats, which counts both)."""

import os
import re
import subprocess
import time

from harness import Bmp, Capture, GameTestCase, capture_env, save_png, write_tone_wav

# Where the session puts board 0 on a 1024 x 768 screen, and its size.
BOARD_X, BOARD_Y, BOARD_W, BOARD_H = 1024 // 2 - 240 // 2 - 30, 768 // 2 - 360 // 2, 240, 360

# The effect files (slot 0 never played; 3 to 6 breakers by chain; 7 and 8
# topping out; then the pause panel's) and the tone each is replaced by.
SAMPLE_FILES = ["energy_explosion", "rotate", "clink", "explode_big", "energy_disintegrate4", "energy_disintegrate5",
                "energy_huge", "lightning", "glassbreak", "common/menu_wake", "common/menu_back"]
TONES = {f"data/sound/{name}.wav": 700 + 600 * i for i, name in enumerate(SAMPLE_FILES)}


class MatchTest(GameTestCase):
    def pair_box(self, shot):
        """Where the bright blocks of the falling pair are inside the grid."""
        return shot.bright_box(BOARD_X, BOARD_Y, BOARD_X + BOARD_W, BOARD_Y + BOARD_H)

    def press_until_heard(self, key, name, attempts=5):
        """Presses the key until its sample is heard.  A press the game did
        play is in the mix well within three seconds; only a press a busy
        machine missed is repeated."""
        for _ in range(attempts):
            self.game.hold(key)
            deadline = time.time() + 3.0
            while time.time() < deadline:
                if TONES[name] in Capture(self.wav).tones([TONES[name]]):
                    return
                time.sleep(0.2)
        self.fail(f"{key} never played {name}")

    def test_a_whole_match(self):
        # No settings file, tones for the effects, garbage files for music,
        # no backgrounds but the fallback (here one of them as ImageMagick
        # writes it by default: a V5 header, which Allegro alone cannot read).
        os.remove(self.folder.file("cfg/config.cfg"))
        for name, frequency in TONES.items():
            write_tone_wav(self.folder.file(name), frequency)
        self.folder.empty("data/music/mod", junk="junk{:03}.mod")
        subprocess.run(["convert", "data/backgrounds/nebula.bmp", "data/bg1.bmp"], cwd=self.folder.path, check=True)
        self.folder.empty("data/backgrounds")
        self.wav, env = capture_env(self.folder)
        game = self.game = self.launch(env=env, command=[self.folder.program("tessaron-framestats")])
        # Full screen under Xvfb: a screen-sized window shows the picture and
        # the titled window, which takes the keys, stays hidden.
        game.find_window(visible=False)
        started = time.time()

        # Before the round starts at three seconds: the full-screen picture
        # on the fallback background, no pair in the grid ("Round 1" sits
        # over its middle, so look above and below it), and silence.
        shot = game.screenshot()
        self.assertEqual((shot.width, shot.height), (1024, 768))
        self.assertEqual(shot.rgb(20, 700), Bmp(self.folder.file("data/bg1.bmp")).rgb(20, 700))
        self.assertIsNone(shot.bright_box(BOARD_X, BOARD_Y, BOARD_X + BOARD_W, BOARD_Y + 70))
        self.assertIsNone(shot.bright_box(BOARD_X, BOARD_Y + 180, BOARD_X + BOARD_W, BOARD_Y + BOARD_H))
        game.hold("q")  # without the pause, Q does nothing
        self.assertEqual(Capture(self.wav).peak(), 0, "something sounded without music or an event")
        self.assertIsNone(game.proc.poll())

        # The first pair falls (once "Round 1" has faded from the grid); Left
        # moves it a column, Space turns it from upright onto its side.
        time.sleep(max(0.0, started + 5.0 - time.time()))
        start = self.pair_box(game.screenshot_until(self.pair_box))
        self.assertIsNotNone(start, "no pair in the grid after the wait")
        game.hold("Left")
        left = self.pair_box(game.screenshot())
        self.assertAlmostEqual((left[0] + left[2]) / 2, (start[0] + start[2]) / 2 - 30, delta=4)
        self.assertGreater(left[3] - left[1], left[2] - left[0])
        self.press_until_heard("space", "data/sound/rotate.wav")
        turned = self.pair_box(game.screenshot())
        self.assertGreater(turned[2] - turned[0], turned[3] - turned[1])

        # Escape opens the panel at (W/2 - 300, H/2 - 50), slid right by the
        # kick (209 pixels), grown to 200 x 80 in its colour (25, 75, 100);
        # Escape again closes it.
        self.press_until_heard("Escape", "data/sound/common/menu_wake.wav")
        px, py = 1024 // 2 - 300 + 209, 768 // 2 - 50

        def panel_shown(shot):
            r, g, b = shot.rgb(px + 150, py + 65)
            return r < 60 and 45 <= g <= 110 and 60 <= b <= 130 and b > g > r

        shot = game.screenshot_until(panel_shown, timeout=5)
        self.assertTrue(panel_shown(shot), shot.rgb(px + 150, py + 65))
        self.press_until_heard("Escape", "data/sound/common/menu_back.wav")

        # Hard drops into the middle column until the board tops out
        # (lightning and glass); match.png shows the stack on its way up.
        glass = TONES["data/sound/glassbreak.wav"]
        for drop in range(30):
            game.hold("Up", seconds=0.5)
            time.sleep(0.6)
            if drop == 3:  # the stack grows from the bottom row (a busy machine runs the game late)
                def bottom(shot):
                    return shot.bright_box(BOARD_X, BOARD_Y + BOARD_H - 60, BOARD_X + BOARD_W, BOARD_Y + BOARD_H)
                shot = game.screenshot_until(lambda shot: bottom(shot) is not None)
                self.assertIsNotNone(bottom(shot), "no block reached the bottom row")
                save_png(shot, "match.png")
            if glass in Capture(self.wav).tones([glass]):
                break
        heard = Capture(self.wav).tones(list(TONES.values()))
        for name in ("data/sound/clink.wav", "data/sound/lightning.wav", "data/sound/glassbreak.wav"):
            self.assertIn(TONES[name], heard, f"{name} was never heard")
        self.assertNotIn(TONES["data/sound/energy_explosion.wav"], heard, "slot 0 is never played")

        # The close button ends the game within a second (the wait allows
        # more, so that a loaded machine reports the time it took), with
        # nothing on the terminal but the frame count.
        game.press_close_button()
        pressed = time.time()
        self.assertEqual(game.wait(timeout=5), 0, game.stderr())
        self.assertLess(time.time() - pressed, 1.0)
        stats = re.fullmatch(r"framestats: frames=(\d+) steps=(\d+) [^\n]*\n", game.stderr())
        self.assertIsNotNone(stats, game.stderr())
        frames, steps = int(stats[1]), int(stats[2])
        self.assertGreater(steps, 250)
        self.assertTrue(steps <= frames <= steps + 2, (frames, steps))
