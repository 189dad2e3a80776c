"""One online match between two tessaron-sim peers on the loopback: the
host, the joiner and, when a line is asked for, tessaron-relay between
them; and random keys for their scripts.  The network tests and
bench/bench_net.py play their matches through this."""

import os
import re
import signal
import subprocess


def random_script(rng, steps, enter=0.04, pauses=2, gap=(2, 20)):
    """(step, keys) lines of held keys changing every few steps: moves,
    turns and drops, Enter now and then, a pause (Escape) at most `pauses`
    times."""
    lines, step = [], 1
    while step < steps:
        keys = rng.sample(["left", "right", "down", "up", "space"], rng.randint(0, 2))
        if rng.random() < enter:
            keys.append("enter")
        if pauses and rng.random() < 0.02:
            keys, pauses = ["esc"], pauses - 1
        lines.append((step, ",".join(keys) or "-"))
        step += rng.randint(*gap)
    return lines


def write_script(path, lines, shift=0):
    """The script file of (step, keys) lines, each `shift` steps later."""
    with open(path, "w") as out:
        out.writelines(f"{step + shift} {keys}\n" for step, keys in lines)
    return path


class Peers:
    """The host and the joiner started at once, each in its own folder with
    its own options, and the relay between them with `line`'s options."""

    def __init__(self, bin_dir, folders, options, line=None, idle_exit=6):
        bin_dir = os.path.abspath(bin_dir)  # the peers run in their own folders
        sim = os.path.join(bin_dir, "tessaron-sim")
        pipes = {"stdout": subprocess.PIPE, "stderr": subprocess.PIPE, "text": True}
        self.folders, self.relay = folders, None
        host = subprocess.Popen([sim, "--net-host", "0", *options[0]], cwd=folders[0], **pipes)
        self.procs = [host]
        port = self._port(host)
        if line is not None:
            self.relay = subprocess.Popen([os.path.join(bin_dir, "tessaron-relay"), "--listen", "0", "--to", str(port),
                                           *line, "--idle-exit", str(idle_exit)], stdout=subprocess.PIPE,
                                          stderr=subprocess.DEVNULL, text=True)
            port = int(self.relay.stdout.readline().split()[1])
        self.procs.append(subprocess.Popen([sim, "--net-join", f"127.0.0.1:{port}", *options[1]], cwd=folders[1],
                                           **pipes))

    @staticmethod
    def _port(host):
        seen = ""
        for line in iter(host.stderr.readline, ""):
            seen += line
            match = re.search(r"listening on UDP port (\d+)", line)
            if match:
                return int(match.group(1))
        raise RuntimeError("host did not listen: " + seen)

    def wait(self, timeout=None):
        """[(status, summary line, stderr) of the host, of the joiner], and
        the relay's last line ("" without a relay)."""
        results = []
        for p in self.procs:
            out, err = p.communicate(timeout=timeout)
            results.append((p.returncode, out.strip(), err))
        relay = ""
        if self.relay:
            self.relay.send_signal(signal.SIGTERM)
            relay = (self.relay.communicate(timeout=10)[0].splitlines() or [""])[-1]
        return results, relay
