"""The real game under Xvfb, its match in play for 15 s in a 1024 x 768
window at 32 bits: processor seconds used per second of play (every thread
of the process, read from /proc over the 15 s) and frames composed per
logic step (tessaron-framestats).  With BENCH_BEFORE naming the build folder
of another commit, that build is measured too, side by side.

    python3 bench/bench_game.py BUILD_DIR"""

import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "../tests/e2e"))
from harness import Game, GameFolder, XServer  # noqa: E402

SETTLE_S = 3.0  # the load and the first frames, left out
PLAY_S = 15.0
CONFIG = "[Audio]\nsound = 1\n[Video]\nvid_quality = 32\nscreen_width = 1024\nscreen_height = 768\nfullscreen = 0\n"


def cpu_seconds(stat_path):
    try:
        with open(stat_path) as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except OSError:  # a thread that has ended
        return 0.0
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def thread_seconds(pid):
    """Processor seconds per thread id, the main thread's id being pid."""
    return {int(tid): cpu_seconds(f"/proc/{pid}/task/{tid}/stat") for tid in os.listdir(f"/proc/{pid}/task")}


def measure(build):
    folder = GameFolder.__new__(GameFolder)
    folder.path = tempfile.mkdtemp(prefix="tessaron-bench-")
    shutil.copytree(os.path.join(build, "game"), folder.path, dirs_exist_ok=True)
    shutil.copy(os.path.join(build, "bin", "tessaron-framestats"), folder.file("tessaron-framestats"))
    folder.write_config(CONFIG)
    xserver = XServer(1024, 768, 24)
    try:
        game = Game(xserver, folder, command=[folder.file("tessaron-framestats")])
        game.find_window()
        time.sleep(SETTLE_S)
        pid = game.proc.pid
        cpu0, threads0, wall0 = cpu_seconds(f"/proc/{pid}/stat"), thread_seconds(pid), time.monotonic()
        time.sleep(PLAY_S)
        cpu1, threads1, wall1 = cpu_seconds(f"/proc/{pid}/stat"), thread_seconds(pid), time.monotonic()
        # The main thread first, then the others (Allegro's and ours) by cost.
        others = sorted((threads1[t] - threads0.get(t, 0.0) for t in threads1 if t != pid), reverse=True)
        split = [threads1[pid] - threads0[pid]] + others
        game.press_close_button()
        game.wait(timeout=10)
        game.stop()
        stats = dict(item.split("=") for item in game.stderr().split("framestats:")[1].split())
        frames, steps, wall = int(stats["frames"]), int(stats["steps"]), float(stats["wall_s"])
        return {"cpu_per_s": (cpu1 - cpu0) / (wall1 - wall0), "frames_per_step": frames / max(steps, 1),
                "steps": steps, "steps_per_s": steps / wall,
                "threads": [t / (wall1 - wall0) for t in split]}
    finally:
        xserver.close()
        folder.close()


def main():
    builds = [("after", sys.argv[1] if len(sys.argv) > 1 else "build")]
    if os.environ.get("BENCH_BEFORE"):
        builds.insert(0, ("before", os.environ["BENCH_BEFORE"]))
    results = {}
    for name, build in builds:
        r = results[name] = measure(build)
        print(f"game {name}: cpu_per_s={r['cpu_per_s']:.4f} frames_per_step={r['frames_per_step']:.2f} "
              f"steps={r['steps']} steps_per_s={r['steps_per_s']:.2f} (25 is on time, load included)")
        print(f"game {name}: cpu_per_s by thread, main first: " + " ".join(f"{t:.4f}" for t in r["threads"]))
    if "before" in results:
        print(f"game: cpu ratio after/before={results['after']['cpu_per_s'] / results['before']['cpu_per_s']:.3f}")


if __name__ == "__main__":
    main()
