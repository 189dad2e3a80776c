"""Online matches between two tessaron-sim peers on the loopback, through
tessaron-relay's bad network: the traces of both peers equal the offline
--opponent 2 trace of the same two scripts (shifted by the input delay)
over random scripts and line settings, with pauses, Enter drops, rounds,
draws and whole matches; leaving mid-round, paused and between rounds; and
a deliberate desync found, reported and mended.  (Refusals, connecting to
nobody and silence are the link's, in test_link.cpp.)  Steps run at 8 ms so that
the round trips cover many steps.  Run with `python3 -m unittest`;
TESSARON_BIN_DIR names the build's programs."""

import os
import random
import re
import shutil
import signal
import subprocess
import tempfile
import threading
import unittest

BIN = os.environ.get("TESSARON_BIN_DIR", os.path.join(os.path.dirname(__file__), "../../build/bin"))
SIM, RELAY = os.path.join(BIN, "tessaron-sim"), os.path.join(BIN, "tessaron-relay")
STEP_MS = "8"
NET_FIELDS = re.compile(r" (elapsed_s|steps_per_s)=\S+| side=.*")


def random_script(rng, steps, side):
    """Held keys changing every few steps: moves, turns, drops, Enter now
    and then, a pause (Escape) at most twice."""
    lines, step, pauses = [], 1, 0
    while step < steps:
        keys = rng.sample(["left", "right", "down", "up", "space"], rng.randint(0, 2))
        if rng.random() < 0.04:
            keys.append("enter")
        if pauses < 2 and rng.random() < 0.02:
            keys, pauses = ["esc"], pauses + 1
        lines.append((step, ",".join(keys) or "-"))
        step += rng.randint(2, 20)
    return lines


def write_script(folder, name, lines, shift=0):
    path = os.path.join(folder, name)
    with open(path, "w") as out:
        out.writelines(f"{step + shift} {keys}\n" for step, keys in lines)
    return path


class Peers:
    """A host and a joiner (and a relay between them when `line` is given),
    each in its own folder, started at once; `wait` collects them."""

    def __init__(self, folder, steps, scripts, delay=1, line=None, extra=((), ())):
        self.folder, self.procs = folder, []
        self.dirs = [os.path.join(folder, role) for role in ("host", "joiner")]
        for d in self.dirs:
            os.makedirs(d, exist_ok=True)
        common = ["--steps", str(steps), "--input-delay", str(delay), "--net-step-ms", STEP_MS, "--net-wait", "20"]
        host = subprocess.Popen([SIM, "--net-host", "0", "--script", scripts[0], "--trace", "trace", *common,
                                 *extra[0]], cwd=self.dirs[0], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                text=True)
        self.procs.append(host)
        self.port = port = self._port(host)
        if line is not None:
            relay = subprocess.Popen([RELAY, "--listen", "0", "--to", str(port), *line, "--idle-exit", "6"],
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
            self.relay = relay
            port = int(relay.stdout.readline().split()[1])
        self.procs.append(subprocess.Popen([SIM, "--net-join", f"127.0.0.1:{port}", "--script", scripts[1], "--trace",
                                            "trace", *common, *extra[1]], cwd=self.dirs[1], stdout=subprocess.PIPE,
                                           stderr=subprocess.PIPE, text=True))

    @staticmethod
    def _port(host):
        seen = ""
        for line in iter(host.stderr.readline, ""):
            seen += line
            match = re.search(r"listening on UDP port (\d+)", line)
            if match:
                return int(match.group(1))
        raise AssertionError("host did not listen: " + seen)

    def wait(self, timeout=120):
        """(status, summary line, stderr) of host and joiner."""
        results = []
        for p in self.procs:
            out, err = p.communicate(timeout=timeout)
            results.append((p.returncode, out.strip(), err))
        if hasattr(self, "relay"):
            self.relay.send_signal(signal.SIGTERM)
            self.relay.communicate(timeout=10)
        return results

    def trace(self, side):
        with open(os.path.join(self.dirs[side], "trace")) as f:
            return f.read()


def offline(folder, steps, scripts, extra=()):
    """The trace and summary of the same match on one machine."""
    trace = os.path.join(folder, "offline.trace")
    out = subprocess.run([SIM, "--steps", str(steps), "--opponent", "2", "--script", scripts[0], "--script2",
                          scripts[1], "--trace", trace, "--quiet", *extra], capture_output=True, text=True, check=True)
    with open(trace) as f:
        return f.read(), out.stdout.strip()


def first_difference(a, b):
    for n, (x, y) in enumerate(zip(a.splitlines(), b.splitlines()), 1):
        if x != y:
            return f"step {n}:\n  {x[:300]}\n  {y[:300]}"
    return f"lengths {len(a.splitlines())} and {len(b.splitlines())}"


class OnlineTestCase(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="tessaron-online-")
        self.addCleanup(shutil.rmtree, self.tmp, True)

    def folder(self, name):
        path = os.path.join(self.tmp, name)
        os.makedirs(path)
        return path


class CentralEquality(OnlineTestCase):
    def test_both_peers_play_the_offline_match(self):
        rng = random.Random(20)
        up = [(1, "up")]
        cases = [
            # name, steps, scripts, input delay, relay line, extra options of both runs
            ("plain", 700, None, 0, None, []),
            ("lossy line", 700, None, 1, ["--rtt", "40", "--jitter", "20", "--loss", "5", "--dup", "3",
                                          "--reorder", "3", "--seed", "1"], []),
            ("slow line", 600, None, 2, ["--rtt", "150", "--jitter", "20", "--loss", "15", "--seed", "2"], []),
            ("draws and matches", 1500, (up, [(1, "up"), (300, "-"), (320, "up")]), 1,
             ["--rtt", "60", "--jitter", "20", "--loss", "15", "--seed", "3"], ["--rounds-to-win", "2"]),
        ]
        failures = []

        def play(name, steps, scripts, delay, line, extra):
            folder = self.folder(name.replace(" ", "_"))
            given = [write_script(folder, f"s{i}", scripts[i]) for i in (0, 1)]
            shifted = [write_script(folder, f"shifted{i}", scripts[i], delay) for i in (0, 1)]
            reference, summary = offline(folder, steps, shifted, ["--seed", "77", *extra])
            peers = Peers(folder, steps, given, delay, line, (["--seed", "77", *extra], extra))
            results = peers.wait()
            for side, (status, out, err) in enumerate(results):
                if status != 0:
                    failures.append(f"{name}: side {side} ended with {status}: {err}")
                    continue
                if peers.trace(side) != reference:
                    failures.append(f"{name}: side {side} differs at {first_difference(peers.trace(side), reference)}")
                if NET_FIELDS.sub("", out) != NET_FIELDS.sub("", summary):
                    failures.append(f"{name}: side {side} summary {out} against {summary}")
            for text in ("Draw", "wins the match") if name == "draws and matches" else ():
                if text not in reference:
                    failures.append(f"{name}: the match never shows {text}")

        cases = [(name, steps, scripts or (random_script(rng, steps, 0), random_script(rng, steps, 1)), *rest)
                 for name, steps, scripts, *rest in cases]
        threads = [threading.Thread(target=play, args=c) for c in cases]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        self.assertEqual(failures, [])


class OtherScreens(OnlineTestCase):
    def test_window_sizes_need_not_agree(self):
        """Screen positions are each machine's own: no desync, one match."""
        folder = self.folder("screens")
        rng = random.Random(8)
        scripts = [write_script(folder, f"s{i}", random_script(rng, 600, i)) for i in (0, 1)]
        peers = Peers(folder, 600, scripts, extra=(["--width", "1920", "--height", "1080"],
                                                   ["--width", "800", "--height", "600"]))
        (hs, hout, herr), (js, jout, jerr) = peers.wait()
        self.assertEqual((hs, js), (0, 0), herr + jerr)
        self.assertIn("desyncs=0 ", hout)
        self.assertEqual(NET_FIELDS.sub("", hout), NET_FIELDS.sub("", jout))


class Leaving(OnlineTestCase):
    def test_at_every_phase(self):
        up = [(1, "up")]
        # phase, host script, joiner script: the joiner leaves (Shift+Escape)
        # at step 200; "between rounds" both hard-drop until a round ends
        # (step 143) and the joiner leaves in the wait before the next.
        phases = [
            ("mid-round", [(1, "left")], [(1, "right"), (200, "lshift,esc")]),
            ("paused", [(1, "-"), (120, "esc"), (125, "-")], [(1, "-"), (200, "lshift,esc")]),
            ("between rounds", up, [(1, "up"), (200, "lshift,esc")]),
        ]
        for phase, host, joiner in phases:
            folder = self.folder(phase.replace(" ", "_"))
            scripts = [write_script(folder, "h", host), write_script(folder, "j", joiner)]
            peers = Peers(folder, 1000, scripts, delay=0, extra=(["--seed", "1"], ()))
            (hs, hout, herr), (js, _, jerr) = peers.wait()
            self.assertEqual((hs, js), (6, 0), phase + herr + jerr)
            self.assertIn("Opponent left the match at step 200: the match is credited to board 1", herr, phase)
            self.assertIn("matches_won=1,0", hout, phase)
            # Up to the step it left, the host's match is the offline one,
            # in the phase named (the host may have confirmed a step or two
            # more before it heard).
            reference, _ = offline(folder, 200, scripts, ["--seed", "1"])
            host = peers.trace(0).splitlines(True)
            self.assertEqual("".join(host[:200]), reference, phase)
            last = host[198]  # the step before it left (its Escape toggles the pause)
            self.assertEqual(('"paused":1' in last, '"frozen":1' in last), (phase == "paused", phase == "between rounds"))


class Desync(OnlineTestCase):
    def test_a_corrupted_state_is_found_reported_and_mended(self):
        folder = self.folder("desync")
        rng = random.Random(5)
        scripts = [write_script(folder, f"s{i}", random_script(rng, 600, i)) for i in (0, 1)]
        peers = Peers(folder, 600, scripts, line=["--rtt", "60", "--jitter", "10", "--seed", "4"],
                      extra=((), ("--net-corrupt-at", "110")))
        results = peers.wait()
        for side, (status, out, err) in enumerate(results):
            self.assertEqual(status, 0, err)
            self.assertIn("desyncs=1 ", out)
            # Found at the first digest after the fault (one a second).
            reports = os.listdir(os.path.join(peers.dirs[side], "reports"))
            self.assertEqual(reports, [f"desync-{('host', 'joiner')[side]}-125.txt"])
            with open(os.path.join(peers.dirs[side], "reports", reports[0])) as f:
                report = f.read()
            self.assertRegex(report, r"digest here:  [0-9a-f]{16}\ndigest there: [0-9a-f]{16}\n"
                                     r"last agreed step: 100\nlast agreed state \(\d+ bytes\):\n")
        # Mended: from the host's state on, both play the same match again.
        host, joiner = peers.trace(0).splitlines(), peers.trace(1).splitlines()
        self.assertEqual(host[-300:], joiner[-300:])
        self.assertNotEqual(host[110:125], joiner[110:125])


if __name__ == "__main__":
    unittest.main()
