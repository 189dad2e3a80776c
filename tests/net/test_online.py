"""Online matches between two tessaron-sim peers on the loopback, through
tessaron-relay's bad network: the traces of both peers equal the offline
--opponent 2 trace of the same two scripts (shifted by the input delay)
over random scripts, line settings and input delays that differ between
the sides, with pauses, Enter drops, rounds, draws and whole matches;
leaving mid-round, paused and between rounds; and a deliberate desync
found, reported and mended.  (Refusals, connecting to
nobody and silence are the link's, in test_link.cpp; that the match digest
is the same whatever the window's size is test_match_state.cpp's.)  Run
with `python3 -m unittest`; TESSARON_BIN_DIR names the build's programs."""

import os
import pathlib
import random
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import unittest

BIN = os.environ.get("TESSARON_BIN_DIR", os.path.join(os.path.dirname(__file__), "../../build/bin"))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "../../tools/sim"))
from net_peers import Peers, random_script, write_script  # noqa: E402

NET_FIELDS = re.compile(r" (elapsed_s|steps_per_s)=\S+| side=.*")


def play(folder, steps, scripts, delays=(1, 1), line=None, extra=((), ())):
    """Host and joiner of one match, each with its input delay, steps of
    8 ms (so that the round trips cover many steps), in folder/host and
    folder/joiner, each writing its trace there: [(status, summary line,
    stderr)] of both, their traces and their folders."""
    dirs = [os.path.join(folder, role) for role in ("host", "joiner")]
    common = ["--steps", str(steps), "--net-step-ms", "8", "--net-wait", "20"]
    for d in dirs:
        os.makedirs(d)
    results, _ = Peers(BIN, dirs, [["--script", scripts[i], "--trace", "trace", "--input-delay", str(delays[i]),
                                    *common, *extra[i]] for i in (0, 1)], line).wait(120)
    traces = [path.read_text() if path.exists() else "" for path in (pathlib.Path(d, "trace") for d in dirs)]
    return results, traces, dirs


def offline(folder, steps, scripts, extra=()):
    """The trace and summary of the same match on one machine."""
    trace = os.path.join(folder, "offline.trace")
    out = subprocess.run([os.path.join(BIN, "tessaron-sim"), "--steps", str(steps), "--opponent", "2", "--script",
                          scripts[0], "--script2", scripts[1], "--trace", trace, "--quiet", *extra],
                         capture_output=True, text=True, check=True)
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
            # name, steps, scripts, each side's input delay, relay line, extra options of both runs
            ("plain", 700, None, (0, 0), None, []),
            ("lossy line", 700, None, (1, 1), ["--rtt", "40", "--jitter", "20", "--loss", "5", "--dup", "3",
                                               "--reorder", "3", "--seed", "1"], []),
            ("slow line", 600, None, (0, 4), ["--rtt", "150", "--jitter", "20", "--loss", "15", "--seed", "2"], []),
            ("draws and matches", 1500, (up, [(1, "up"), (300, "-"), (320, "up")]), (2, 1),
             ["--rtt", "60", "--jitter", "20", "--loss", "30", "--seed", "3"], ["--rounds-to-win", "2"]),
        ]
        failures = []

        def match(name, steps, scripts, delays, line, extra):
            folder = self.folder(name.replace(" ", "_"))
            given = [write_script(f"{folder}/s{i}", scripts[i]) for i in (0, 1)]
            shifted = [write_script(f"{folder}/shifted{i}", scripts[i], delays[i]) for i in (0, 1)]
            reference, summary = offline(folder, steps, shifted, ["--seed", "77", *extra])
            # The joiner takes the seed and the rounds to win from the host.
            results, traces, _ = play(folder, steps, given, delays, line, (["--seed", "77", *extra], ()))
            for side, (status, out, err) in enumerate(results):
                if status != 0:
                    failures.append(f"{name}: side {side} ended with {status}: {err}")
                    continue
                if traces[side] != reference:
                    failures.append(f"{name}: side {side} differs at {first_difference(traces[side], reference)}")
                if NET_FIELDS.sub("", out) != NET_FIELDS.sub("", summary):
                    failures.append(f"{name}: side {side} summary {out} against {summary}")
            for text in ("Draw", "wins the match") if name == "draws and matches" else ():
                if text not in reference:
                    failures.append(f"{name}: the match never shows {text}")

        cases = [(name, steps, scripts or (random_script(rng, steps), random_script(rng, steps)), *rest)
                 for name, steps, scripts, *rest in cases]
        threads = [threading.Thread(target=match, args=c) for c in cases]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        self.assertEqual(failures, [])


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
            scripts = [write_script(f"{folder}/h", host), write_script(f"{folder}/j", joiner)]
            ((hs, hout, herr), (js, _, jerr)), traces, _ = play(folder, 1000, scripts, (0, 0), extra=(["--seed", "1"], ()))
            self.assertEqual((hs, js), (6, 0), phase + herr + jerr)
            self.assertIn("Opponent left the match at step 200: the match is credited to board 1", herr, phase)
            self.assertIn("matches_won=1,0", hout, phase)
            # Up to the step it left, the host's match is the offline one,
            # in the phase named (the host may have confirmed a step or two
            # more before it heard).
            reference, _ = offline(folder, 200, scripts, ["--seed", "1"])
            host = traces[0].splitlines(True)
            self.assertEqual("".join(host[:200]), reference, phase)
            last = host[198]  # the step before it left (its Escape toggles the pause)
            self.assertEqual(('"paused":1' in last, '"frozen":1' in last), (phase == "paused", phase == "between rounds"))


class Desync(OnlineTestCase):
    def test_a_corrupted_state_is_found_reported_and_mended(self):
        folder = self.folder("desync")
        rng = random.Random(5)
        scripts = [write_script(f"{folder}/s{i}", random_script(rng, 600)) for i in (0, 1)]
        results, traces, dirs = play(folder, 600, scripts, line=["--rtt", "60", "--jitter", "10", "--seed", "4"],
                                     extra=((), ("--net-corrupt-at", "110")))
        for side, (status, out, err) in enumerate(results):
            self.assertEqual(status, 0, err)
            self.assertIn("desyncs=1 ", out)
            # Found at the first digest after the fault (one a second).
            reports = os.listdir(os.path.join(dirs[side], "reports"))
            self.assertEqual(reports, [f"desync-{('host', 'joiner')[side]}-125.txt"])
            with open(os.path.join(dirs[side], "reports", reports[0])) as f:
                report = f.read()
            self.assertRegex(report, r"digest here:  [0-9a-f]{16}\ndigest there: [0-9a-f]{16}\n"
                                     r"last agreed step: 100\nlast agreed state \(\d+ bytes\):\n(.*\n)*"
                                     r"inputs since \(step, keys of board 1, keys of board 2\):\n101 [0-9a-f]{2} ")
        # Mended: from the host's state on, both play the same match again.
        host, joiner = traces[0].splitlines(), traces[1].splitlines()
        self.assertEqual(host[-300:], joiner[-300:])
        self.assertNotEqual(host[110:125], joiner[110:125])


if __name__ == "__main__":
    unittest.main()
