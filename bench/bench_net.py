"""Online matches between two tessaron-sim peers through tessaron-relay on
the loopback, at the game's pace (40 ms a step, input delay 1), for every
round trip of 0, 60, 150 and 300 ms and loss of 0, 5 and 15 %, with jitter
of +-20 ms (none at a round trip of 0).  Each cell plays a match of
BENCH_NET_STEPS steps (3000 by default: two minutes; the cells run side by
side) with random keys on both sides and prints, over both peers: the
steps that waited for the other side, rollbacks per 100 steps with their
mean and longest depth, the bytes a second each way (UDP payload as ENet
sends it, and on the wire with IP and UDP headers), a peer's processor
time a second (all of it, and the rollbacks' share) and the desyncs.
Targets: no desync anywhere; no wait at a round trip up to 250 ms with up
to 15 % loss; at most 1.5 KB/s each way; rollbacks cost at most 0.01 s of
processor time a second.  Usage: bench_net.py BUILD_FOLDER"""

import os
import random
import re
import sys
import tempfile
import threading

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "../tools/sim"))
from net_peers import Peers, random_script, write_script  # noqa: E402

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build"
STEPS = int(os.environ.get("BENCH_NET_STEPS", "3000"))
HEADERS = 28  # IPv4 and UDP, per datagram


def script(path, seed):
    """A player's keys: moves and turns, drops held for a while, now and
    then Enter; no pause (it would stop the clock of the benchmark)."""
    return write_script(path, random_script(random.Random(seed), STEPS, enter=0.02, pauses=0, gap=(3, 25)))


def fields(line):
    return {k: float(v) for k, v in re.findall(r"(\w+)=([-\d.]+)(?=\s|$)", line)}


def cell(rtt, loss, folder, results):
    jitter = "20" if rtt else "0"
    common = ["--steps", str(STEPS), "--quiet"]
    peers = Peers(os.path.join(BUILD, "bin"), [folder, folder],
                  [["--script", script(f"{folder}/a", rtt * 7 + loss), "--seed", "11", *common],
                   ["--script", script(f"{folder}/b", rtt * 5 + loss + 1), *common]],
                  ["--rtt", str(rtt), "--jitter", jitter, "--loss", str(loss), "--seed", str(rtt + loss)], idle_exit=3)
    ((host_status, host_out, host_err), (join_status, join_out, join_err)), relay = peers.wait()
    results[(rtt, loss)] = (fields(host_out), fields(join_out), fields(relay), host_status or join_status,
                            host_err + join_err)


def main():
    cells = [(rtt, loss) for rtt in (0, 60, 150, 300) for loss in (0, 5, 15)]
    results = {}
    with tempfile.TemporaryDirectory() as tmp:
        threads = []
        for rtt, loss in cells:
            folder = os.path.join(tmp, f"{rtt}_{loss}")
            os.makedirs(folder)
            threads.append(threading.Thread(target=cell, args=(rtt, loss, folder, results)))
            threads[-1].start()
        for t in threads:
            t.join()
    print(f"bench_net: {STEPS} steps a match, input delay 1, jitter +-20 ms, both peers together")
    print(f"{'rtt ms':>6} {'loss':>5} {'waited':>7} {'rb/100':>7} {'depth':>6} {'max':>4} "
          f"{'B/s up':>7} {'down':>6} {'wire up':>8} {'down':>6} {'cpu s/s':>8} {'rb s/s':>8} {'desyncs':>7}")
    failed = []
    for rtt, loss in cells:
        h, j, r, status, err = results[(rtt, loss)]
        if status or not h or not j:
            print(f"{rtt:>6} {loss:>4}% run failed: {err.strip()[:200]}")
            failed.append((rtt, loss))
            continue
        seconds = max(h["elapsed_s"], j["elapsed_s"])
        waited = max(h["waited"] / h["ticks"], j["waited"] / j["ticks"]) * 100
        rollbacks = h["rollbacks"] + j["rollbacks"]
        per100 = rollbacks / (h["steps"] + j["steps"]) * 100
        depth = (h["rollback_depth_mean"] * h["rollbacks"] + j["rollback_depth_mean"] * j["rollbacks"]) / max(rollbacks, 1)
        deepest = max(h["rollback_depth_max"], j["rollback_depth_max"])
        up, down = j["sent_bytes"] / seconds, h["sent_bytes"] / seconds
        wire_up = (r["up_bytes"] + HEADERS * r["up_datagrams"]) / seconds
        wire_down = (r["down_bytes"] + HEADERS * r["down_datagrams"]) / seconds
        cpu = max(h["cpu_s"] / h["elapsed_s"], j["cpu_s"] / j["elapsed_s"])
        rollback_cpu = max(h["rollback_cpu_s"] / h["elapsed_s"], j["rollback_cpu_s"] / j["elapsed_s"])
        desyncs = int(h["desyncs"] + j["desyncs"])
        print(f"{rtt:>6} {loss:>4}% {waited:>6.2f}% {per100:>7.1f} {depth:>6.2f} {deepest:>4.0f} "
              f"{up:>7.0f} {down:>6.0f} {wire_up:>8.0f} {wire_down:>6.0f} {cpu:>8.4f} {rollback_cpu:>8.5f} {desyncs:>7}")
        if desyncs or (rtt <= 250 and waited > 0) or max(up, down) > 1536 or rollback_cpu > 0.01:
            failed.append((rtt, loss))
    if failed:
        print("bench_net: targets missed in", failed)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
