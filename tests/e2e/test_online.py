"""Two real game windows playing one match online, each on its own Xvfb
display, through tessaron-relay at a 150 ms round trip with 5 % loss: the
joiner, started first, keeps trying until the host is there; both show
both boards with their own on the left, the same grids (the
boards swapped) when paused, the round one of them loses; and when the
joiner leaves with Shift+Escape, the host says so and waits again."""

import os
import signal
import socket
import subprocess
import time

from harness import (BIN_DIR, X0, X1, Game, GameFolder, GameTestCase, XServer, board_shown, config, grid, icon,
                     save_png)


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class OnlineTest(GameTestCase):
    def test_two_windows_play_one_match(self):
        port, relay_port = free_port(), free_port()
        relay = subprocess.Popen([os.path.join(BIN_DIR, "tessaron-relay"), "--listen", str(relay_port), "--to",
                                  str(port), "--rtt", "150", "--jitter", "10", "--loss", "5", "--seed", "7",
                                  "--idle-exit", "30"], stdout=subprocess.DEVNULL)
        self.addCleanup(lambda: (relay.send_signal(signal.SIGTERM), relay.wait(10)))
        online = "[Game]\nopponent = 3\nrounds_to_win = 2\n[Net]\ninput_delay = 1\n"
        self.folder.write_config(config(800, 600, extra=online + f"port = {port}\n"))
        # The joiner starts first and keeps trying until the host is there.
        x2 = XServer()
        self.addCleanup(x2.close)
        folder2 = GameFolder()
        self.addCleanup(folder2.close)
        folder2.write_config(config(800, 600, extra=online + f"host = 127.0.0.1\nport = {relay_port}\n"))
        joiner = Game(x2, folder2)
        self.addCleanup(joiner.stop)
        joiner.find_window()
        self.assertIsNotNone(joiner.screenshot().bright_box(100, 28, 700, 56), "no connecting notice")
        time.sleep(2)
        host = self.launch()
        host.find_window()

        # Both show both boards once the match is on.
        both = lambda s: board_shown(s, X0) and board_shown(s, X1)
        self.assertTrue(both(host.screenshot_until(both, 60)), "the host shows no match")
        self.assertTrue(both(joiner.screenshot_until(both, 30)), "the joiner shows no match")
        time.sleep(3)  # the first round starts after three seconds

        # Once a pair has landed on the host's own board, the host pauses
        # both at one step: the grids agree, swapped.
        host.screenshot_until(lambda s: any(grid(s, X0)[11]), 30)
        host.hold("Escape")
        time.sleep(2)
        hs, js = host.screenshot(), joiner.screenshot()
        save_png(hs, "online_host.png")
        save_png(js, "online_joiner.png")
        self.assertEqual((grid(hs, X0), grid(hs, X1)), (grid(js, X1), grid(js, X0)), "the grids differ")
        self.assertTrue(any(any(row) for row in grid(hs, X0)), "the host's grid is empty")

        # The host drops its pairs at once until it loses the round: the
        # joiner's round icon shows on both screens.
        host.hold("Escape")
        host.hold("Up", seconds=1, until=lambda: icon(host.screenshot(), X1, True), timeout=90)
        hs = host.screenshot_until(lambda s: icon(s, X1, True), 10)
        js = joiner.screenshot_until(lambda s: icon(s, X0, False), 10)
        self.assertTrue(icon(hs, X1, True), "the host shows no round lost")
        self.assertTrue(icon(js, X0, False), "the joiner shows no round won")

        # Shift+Escape on the joiner: it quits at once; the host says who
        # left and waits again.
        joiner.hold("shift+Escape")
        self.assertEqual(joiner.wait(5), 0)
        deadline = time.time() + 15
        while "Opponent left the match" not in host.stderr() and time.time() < deadline:
            time.sleep(0.2)
        self.assertIn("Opponent left the match: you win the match", host.stderr())
        shot = host.screenshot_until(lambda s: not board_shown(s, X0), 15)
        self.assertFalse(board_shown(shot, X0), "the host still shows the match")
        self.assertIsNotNone(shot.bright_box(100, 28, 700, 56), "no waiting notice")
        self.assertIsNone(host.proc.poll(), "the host ended")
