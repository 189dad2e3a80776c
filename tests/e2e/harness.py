"""End-to-end harness: a private Xvfb server, a fresh copy of the staged game
folder, the real program in a real window, real key presses through xdotool,
the window manager's close message sent with Xlib, the game's F9 screenshots
read back, and what it plays captured through ALSA's file plugin.

Used by the e2e test modules; run them with `python3 -m unittest`.  The
staged game folder comes from TESSARON_GAME_DIR (CTest sets it)."""

import array
import ctypes
import ctypes.util
import math
import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
import wave

GAME_DIR = os.environ.get("TESSARON_GAME_DIR", os.path.join(os.path.dirname(__file__), "../../build/game"))
QUIET = {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}


class XServer:
    """A private Xvfb display, started on the first free number."""

    def __init__(self, width=1280, height=1024, depth=24):
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
                                      f"{width}x{height}x{depth}", "-nolisten", "tcp"], pass_fds=(write_fd,), **QUIET)
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        self.wait_until_ready()

    def wait_until_ready(self, timeout=20):
        """Waits until a client can talk to the server: a program started the
        moment Xvfb names its display may otherwise fail to open it on a
        busy machine."""
        deadline = time.time() + timeout
        while subprocess.run(["xdotool", "getdisplaygeometry"], env=self.env(), **QUIET).returncode != 0:
            if time.time() > deadline:
                raise RuntimeError(f"Xvfb on {self.display} does not answer")
            time.sleep(0.1)

    def env(self, extra=None):
        return dict(os.environ, DISPLAY=self.display, **(extra or {}))

    def close(self):
        self.proc.terminate()
        self.proc.wait(timeout=10)


class GameFolder:
    """A throw-away copy of the staged game folder that a test may change."""

    def __init__(self):
        self.path = tempfile.mkdtemp(prefix="tessaron-e2e-")
        shutil.copytree(GAME_DIR, self.path, dirs_exist_ok=True)

    def file(self, relative):
        return os.path.join(self.path, relative)

    def write_config(self, text):
        with open(self.file("cfg/config.cfg"), "w") as out:
            out.write(text)

    def close(self):
        shutil.rmtree(self.path, ignore_errors=True)


WINDOWED_CONFIG = "[Audio]\nsound = 0\n[Video]\nvid_quality = 32\nscreen_width = 1024\nscreen_height = 768\nfullscreen = 0\n"


class Game:
    """The real program running in `folder` on `xserver`; `command` replaces
    the plain ./tessaron (say, to run it under valgrind) in the folder."""

    def __init__(self, xserver, folder, env=None, command=None):
        self.xserver, self.folder, self.env = xserver, folder, env
        self.command = command or [os.path.join(folder.path, "tessaron")]
        self.stdout_path, self.stderr_path = folder.file("stdout.txt"), folder.file("stderr.txt")
        self.window = None
        self.start()

    def start(self):
        with open(self.stdout_path, "w") as out, open(self.stderr_path, "w") as err:
            self.proc = subprocess.Popen(self.command, cwd=self.folder.path, env=self.xserver.env(self.env),
                                         stdin=subprocess.DEVNULL, stdout=out, stderr=err)

    def find_window(self, timeout=20, visible=True):
        """The window titled Tessaron.  In full-screen mode Allegro draws into
        an unnamed full-screen window and keeps the titled one hidden, so pass
        visible=False there."""
        deadline = time.time() + timeout
        restarts = 3
        search = ["xdotool", "search"] + (["--onlyvisible"] if visible else []) + ["--name", "^Tessaron$"]
        while time.time() < deadline:
            if self.proc.poll() is not None:
                # Now and then, on a loaded machine, Allegro fails to start
                # against a fresh Xvfb that does answer; a few more tries.
                if restarts and "Allegro could not start" in self.stderr():
                    print("note: Allegro could not start against a live X server; starting the game again")
                    restarts -= 1
                    time.sleep(0.5)
                    self.start()
                    continue
                raise AssertionError(f"game exited early with {self.proc.returncode}: {self.stderr()}")
            out = subprocess.run(search, env=self.xserver.env(), capture_output=True, text=True).stdout.split()
            if out:
                self.window = out[0]
                return self.window
            time.sleep(0.1)
        raise AssertionError("no window titled Tessaron")

    def xdotool(self, *args):
        subprocess.run(["xdotool", *args], env=self.xserver.env(), **QUIET)

    def hold(self, keys, seconds=0.25, until=None, timeout=10):
        """Holds a key (xdotool name, e.g. Left or shift+Escape) long enough
        for the 25 Hz logic to sample it, then releases it.  The game reacts
        to new presses only, so a long hold is still one press; a quarter
        second leaves room for a busy machine that runs the game late.  With
        `until`, the key stays down (at least `seconds`) until the check
        holds or `timeout` passes."""
        self.xdotool("keydown", "--window", self.window, keys)
        time.sleep(seconds)
        deadline = time.time() + timeout
        while until is not None and not until() and time.time() < deadline and self.proc.poll() is None:
            time.sleep(0.05)
        self.xdotool("keyup", "--window", self.window, keys)

    def release_gap(self, seconds=0.25):
        """Keeps every key up long enough for the logic to see the release,
        so that the next hold of the same key is a new press."""
        time.sleep(seconds)

    def screenshot(self):
        """Holds F9 until the game has written "screenshots/tessaron.bmp",
        then reads it once the game has stopped rewriting it."""
        path = self.folder.file("screenshots/tessaron.bmp")
        if os.path.exists(path):
            os.remove(path)
        self.hold("F9", seconds=0.15, until=lambda: os.path.exists(path))
        if not os.path.exists(path):
            raise AssertionError("F9 wrote no screenshot")
        return read_settled(path, Bmp)

    def press_close_button(self):
        send_delete_window(self.xserver.display, int(self.window))

    def wait(self, timeout):
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            if self.wait(5) is None:
                self.proc.kill()
                self.proc.wait()

    def stderr(self):
        with open(self.stderr_path) as f:
            return f.read()

    def stdout(self):
        with open(self.stdout_path) as f:
            return f.read()


class GameTestCase(unittest.TestCase):
    """A test with its own X server and game folder; every game it starts
    is stopped and both are removed afterwards."""

    def setUp(self):
        self.x = XServer()
        self.folder = GameFolder()
        self.games = []

    def tearDown(self):
        for game in self.games:
            game.stop()
        self.x.close()
        self.folder.close()

    def launch(self, env=None, command=None):
        """Starts the game (without waiting for its window)."""
        self.games.append(Game(self.x, self.folder, env=env, command=command))
        return self.games[-1]


def read_settled(path, reader, timeout=10):
    """`reader(path)` once the file has stopped changing (the game may still
    be writing it when a key is released); a half-written file is read
    again."""
    deadline = time.time() + timeout
    while True:
        before = os.stat(path)
        time.sleep(0.2)
        after = os.stat(path)
        if (before.st_size, before.st_mtime_ns) == (after.st_size, after.st_mtime_ns):
            try:
                return reader(path)
            except ValueError:
                if time.time() > deadline:
                    raise
        elif time.time() > deadline:
            raise AssertionError(f"{path} keeps changing")


def stall_main_thread(pid):
    """SIGUSR1 to the main thread alone (tgkill, thread id = process id): in
    tessaron-stall it sleeps for TESSARON_STALL_MS."""
    if ctypes.CDLL(None, use_errno=True).syscall(234, pid, pid, signal.SIGUSR1) != 0:  # SYS_tgkill
        raise OSError(ctypes.get_errno(), "tgkill")


def screenshot_root(xserver, path):
    """The whole X screen as a PNG (what a person would see)."""
    subprocess.run(["import", "-window", "root", path], env=xserver.env(), check=True)


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class _XEvent(ctypes.Union):
    _fields_ = [("xclient", _ClientMessage), ("pad", ctypes.c_long * 24)]


def send_delete_window(display_name, window):
    """What a window manager sends when the close button is pressed."""
    xlib = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
    xlib.XOpenDisplay.restype = xlib.XInternAtom.restype = ctypes.c_void_p
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.POINTER(_XEvent)]
    dpy = ctypes.c_void_p(xlib.XOpenDisplay(display_name.encode()))
    if not dpy:
        raise RuntimeError("cannot open display " + display_name)
    event = _XEvent()
    event.xclient.type = 33  # ClientMessage
    event.xclient.window = window
    event.xclient.message_type = xlib.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
    event.xclient.format = 32
    event.xclient.data[0] = xlib.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)  # data[1] = 0: CurrentTime
    xlib.XSendEvent(dpy, window, 0, 0, ctypes.byref(event))
    xlib.XFlush(dpy)
    xlib.XCloseDisplay(dpy)


class Bmp:
    """A BMP file as written by Allegro (24 or 32 bits, bottom-up rows)."""

    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        self.path_for_png = path
        field = lambda at, size: int.from_bytes(data[at:at + size], "little", signed=True)
        if data[:2] != b"BM" or field(28, 2) not in (24, 32):
            raise ValueError(f"{path} is not a 24- or 32-bit BMP file")
        self.width, height, self.bits = field(18, 4), field(22, 4), field(28, 2)
        self.bottom_up, self.height = height > 0, abs(height)
        self.stride = ((self.width * self.bits // 8) + 3) & ~3
        self.pixels = data[field(10, 4):][:self.stride * self.height]
        if len(self.pixels) < self.stride * self.height:
            raise ValueError(f"{path} is truncated")

    def rgb(self, x, y):
        row = self.height - 1 - y if self.bottom_up else y
        i = row * self.stride + x * (self.bits // 8)
        return self.pixels[i + 2], self.pixels[i + 1], self.pixels[i]

    def bright_box(self, x0, y0, x1, y1, threshold=150):
        """The bounding box (x0, y0, x1, y1) of the pixels in the rectangle
        whose brightest channel reaches `threshold`, or None."""
        lit = [(x, y) for y in range(y0, y1) for x in range(x0, x1) if max(self.rgb(x, y)) >= threshold]
        if not lit:
            return None
        xs, ys = [x for x, _ in lit], [y for _, y in lit]
        return min(xs), min(ys), max(xs) + 1, max(ys) + 1

    def save_png(self, path):
        """A PNG copy for people to look at (needs ImageMagick)."""
        subprocess.run(["convert", self.path_for_png, path], check=True)


# ALSA's default device as a WAV file: a plug converting to 16-bit stereo at
# 44100 Hz, a file plugin writing a WAV, the null device behind it.  The
# null device takes data as it comes, so a sound lands somewhere in the
# file, but whole and at its pitch.
CAPTURE_CONFIG = """pcm.!default {{
  type plug
  slave {{ pcm "capture" format S16_LE channels 2 rate 44100 }}
}}
pcm.capture {{ type file slave.pcm "null" file "{wav}" format "wav" }}
pcm.null {{ type null }}
"""
CAPTURE_RATE = 44100


def capture_env(folder):
    """(WAV path, environment) that sends what the game plays to the WAV."""
    wav, conf = folder.file("mix.wav"), folder.file("asound.conf")
    with open(conf, "w") as out:
        out.write(CAPTURE_CONFIG.format(wav=wav))
    return wav, {"ALSA_CONFIG_PATH": conf}


def write_tone_wav(path, frequency, seconds=0.25, amplitude=12000):
    """A 16-bit mono WAV at 44100 Hz of one sine tone, faded in and out over
    5 ms so that its start and end add no clicks."""
    frames, ramp = int(CAPTURE_RATE * seconds), CAPTURE_RATE // 200
    data = array.array("h", (int(amplitude * min(1.0, i / ramp, (frames - 1 - i) / ramp) *
                                 math.sin(2 * math.pi * frequency * i / CAPTURE_RATE)) for i in range(frames)))
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(CAPTURE_RATE)
        out.writeframes(data.tobytes())


class Capture:
    """The left channel of a captured mix, read as far as it has been
    written (the file may still be growing)."""

    BLOCK = 512  # frames per analysis block (86 Hz per bin at 44100 Hz)

    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
            raise AssertionError(f"{path} is not a WAV file")
        start = data.find(b"data", 12) + 8
        stereo = array.array("h", data[start:start + (len(data) - start) // 4 * 4])
        self.left = stereo[0::2]

    def blocks(self):
        """The non-silent blocks (silence is exact zeros in the mix)."""
        silent = array.array("h", bytes(2 * self.BLOCK))
        for start in range(0, len(self.left) - self.BLOCK + 1, self.BLOCK):
            block = self.left[start:start + self.BLOCK]
            if block != silent:
                yield block

    def peak(self):
        return max((abs(v) for v in self.left), default=0)

    def sounding_seconds(self):
        return sum(1 for _ in self.blocks()) * self.BLOCK / CAPTURE_RATE

    def tones(self, frequencies, threshold=300):
        """The frequencies heard in some block with an amplitude above the
        threshold (a Goertzel filter over a Hann window per block)."""
        window = [0.5 - 0.5 * math.cos(2 * math.pi * i / self.BLOCK) for i in range(self.BLOCK)]
        coefficients = {f: 2 * math.cos(2 * math.pi * f / CAPTURE_RATE) for f in frequencies}
        heard = set()
        for block in self.blocks():
            windowed = [v * w for v, w in zip(block, window)]
            for f, k in coefficients.items():
                if f in heard:
                    continue
                s1 = s2 = 0.0
                for x in windowed:
                    s1, s2 = x + k * s1 - s2, s1
                if 4 * math.sqrt(max(s1 * s1 + s2 * s2 - k * s1 * s2, 0.0)) / self.BLOCK > threshold:
                    heard.add(f)
            if len(heard) == len(frequencies):
                break
        return heard
