"""End-to-end harness: a private Xvfb server, a fresh copy of the staged game
folder, the real program in a real window, real key presses through xdotool,
the window manager's close message sent with Xlib, the game's F9 screenshots
read back, and what it plays captured through ALSA's file plugin.

Used by the e2e test modules; run them with `python3 -m unittest`.  The
staged game folder comes from TESSARON_GAME_DIR, the build's programs from
TESSARON_BIN_DIR (CTest sets both)."""

import array
import ctypes
import ctypes.util
import math
import os
import shutil
import signal
import struct
import subprocess
import tempfile
import time
import unittest
import wave

HERE = os.path.dirname(__file__)
GAME_DIR = os.environ.get("TESSARON_GAME_DIR", os.path.join(HERE, "../../build/game"))
BIN_DIR = os.environ.get("TESSARON_BIN_DIR", os.path.join(HERE, "../../build/bin"))
OUT_DIR = os.environ.get("TESSARON_E2E_OUT")
QUIET = {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
CAPTURE_RATE = 44100


# The two grids of a versus match in an 800 x 600 window: their size, top
# and left edges.
GRID_W, GRID_H, GAP = 240, 360, 190
GRID_Y = 600 // 2 - GRID_H // 2
X0, X1 = 400 - GAP // 2 - GRID_W, 400 + GAP // 2


def board_shown(shot, x):
    """The translucent red drop strip over the grid at x."""
    r, g, b = shot.rgb(x + GRID_W // 4, GRID_Y - 8)
    return r > 100 and r > 2 * g and r > 2 * b


def grid(shot, x):
    """Each cell of the grid at x as occupied or not (blocks are bright, the
    floor over the background dark), row by row."""
    return [[max(shot.rgb(x + 30 * c + 15, GRID_Y + 30 * r + 15)) >= 120 for c in range(8)] for r in range(12)]


def icon(shot, x, left):
    """A round icon beside the grid at x, on its HUD's side (left or right)."""
    x0 = x - 20 if left else x + GRID_W + 5
    return shot.bright_box(x0, GRID_Y + 125, x0 + 16, GRID_Y + 141, threshold=120) is not None


def config(width=1024, height=768, sound=0, extra=""):
    """A settings file for a window of the given size at 32 bits."""
    return (f"[Audio]\nsound = {sound}\n[Video]\nvid_quality = 32\nscreen_width = {width}\n"
            f"screen_height = {height}\nfullscreen = 0\n{extra}")


class XServer:
    """A private Xvfb display, started on the first free number; it is ready
    once a client can talk to it (a program started the moment Xvfb names
    its display may otherwise fail to open it on a busy machine)."""

    def __init__(self, width=1280, height=1024, depth=24):
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
                                      f"{width}x{height}x{depth}", "-nolisten", "tcp"], pass_fds=(write_fd,), **QUIET)
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            self.display = ":" + pipe.readline().strip()
        deadline = time.time() + 20
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

    def program(self, name):
        """A program of the build (say tessaron-framestats) copied into the
        folder, where it finds the data as the game does."""
        return shutil.copy(os.path.join(BIN_DIR, name), self.file(name))

    def empty(self, relative, junk=None):
        """Empties a folder of the game; with `junk`, a name pattern such as
        "junk{:03}.mod", fills it with 300 garbage files (more than a folder
        scan keeps)."""
        shutil.rmtree(self.file(relative))
        os.makedirs(self.file(relative))
        for i in range(300 if junk else 0):
            with open(os.path.join(self.file(relative), junk.format(i)), "wb") as f:
                f.write(bytes((i * 37 + k) % 256 for k in range(i % 64)))

    def close(self):
        shutil.rmtree(self.path, ignore_errors=True)


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
            found = self.xdotool("search", *(["--onlyvisible"] if visible else []), "--name", "^Tessaron$").split()
            if found:
                self.window = found[0]
                return self.window
            time.sleep(0.1)
        raise AssertionError("no window titled Tessaron")

    def xdotool(self, *args):
        """Runs xdotool on the game's display; what it printed."""
        return subprocess.run(["xdotool", *args], env=self.xserver.env(), capture_output=True, text=True).stdout

    def hold(self, keys, seconds=0.25, until=None, timeout=10):
        """Holds a key (xdotool name, e.g. Left or shift+Escape) long enough
        for the 25 Hz logic to sample it, then releases it.  The game reacts
        to new presses only, so a long hold is still one press; a quarter
        second leaves room for a busy machine that runs the game late (and
        a quarter second up lets the logic see the release).  With `until`,
        the key stays down (at least `seconds`) until the check holds or
        `timeout` passes."""
        self.xdotool("keydown", "--window", self.window, keys)
        time.sleep(seconds)
        deadline = time.time() + timeout
        while until is not None and not until() and time.time() < deadline and self.proc.poll() is None:
            time.sleep(0.05)
        self.xdotool("keyup", "--window", self.window, keys)

    def screenshot(self):
        """Holds F9 until the game has written "screenshots/tessaron.bmp"
        and reads it (the game renames a whole file into place).  A press
        made while the game still starts can go unseen: it is made again."""
        path = self.folder.file("screenshots/tessaron.bmp")
        if os.path.exists(path):
            os.remove(path)
        for _ in range(4):
            self.hold("F9", seconds=0.15, until=lambda: os.path.exists(path), timeout=3)
            if os.path.exists(path):
                return Bmp(path)
            time.sleep(0.25)
        raise AssertionError("F9 wrote no screenshot")

    def screenshot_until(self, check, timeout=10):
        """Screenshots until `check(shot)` holds or `timeout` passes (a busy
        machine may run the game late); the last one."""
        deadline = time.time() + timeout
        shot = self.screenshot()
        while not check(shot) and time.time() < deadline:
            shot = self.screenshot()
        return shot

    def press_close_button(self):
        """What a window manager sends when the close button is pressed."""
        xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        xlib.XOpenDisplay.restype = xlib.XInternAtom.restype = ctypes.c_void_p
        xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_char_p]
        dpy = ctypes.c_void_p(xlib.XOpenDisplay(self.xserver.display.encode()))
        if not dpy:
            raise RuntimeError("cannot open display " + self.xserver.display)
        atom = lambda name: xlib.XInternAtom(dpy, name, 0)
        # An XClientMessageEvent in an XEvent's 192 bytes: ClientMessage (33)
        # of WM_PROTOCOLS, format 32, data WM_DELETE_WINDOW at CurrentTime.
        event = struct.pack("@iLiPLLi5l", 33, 0, 0, 0, int(self.window), atom(b"WM_PROTOCOLS"), 32,
                            atom(b"WM_DELETE_WINDOW"), 0, 0, 0, 0)
        xlib.XSendEvent(dpy, int(self.window), 0, 0, ctypes.create_string_buffer(event, 192))
        xlib.XCloseDisplay(dpy)  # sends what is queued

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


class GameTestCase(unittest.TestCase):
    """A test with its own X server and game folder; every game it starts
    is stopped and both are removed afterwards."""

    def setUp(self):
        self.x = XServer()
        self.addCleanup(self.x.close)
        self.folder = GameFolder()
        self.addCleanup(self.folder.close)

    def launch(self, env=None, command=None):
        """Starts the game (without waiting for its window)."""
        game = Game(self.x, self.folder, env=env, command=command)
        self.addCleanup(game.stop)
        return game


def save_png(shot, name):
    """A PNG copy of a screenshot under TESSARON_E2E_OUT for people to look
    at (needs ImageMagick); nothing without it."""
    if OUT_DIR:
        os.makedirs(OUT_DIR, exist_ok=True)
        subprocess.run(["convert", shot.path, os.path.join(OUT_DIR, name)], check=True)


class Bmp:
    """A picture file (say a screenshot the game wrote) as RGB pixels, read
    through ImageMagick."""

    def __init__(self, path):
        self.path = path
        ppm = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], capture_output=True, check=True).stdout
        _, size, _, self.pixels = ppm.split(b"\n", 3)  # "P6", "width height", "255", the rows
        self.width, self.height = map(int, size.split())

    def rgb(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.pixels[i:i + 3])

    def bright_box(self, x0, y0, x1, y1, threshold=150):
        """The bounding box (x0, y0, x1, y1) of the pixels in the rectangle
        whose brightest channel reaches `threshold`, or None."""
        lit = [(x, y) for y in range(y0, y1) for x in range(x0, x1) if max(self.rgb(x, y)) >= threshold]
        if not lit:
            return None
        xs, ys = [x for x, _ in lit], [y for _, y in lit]
        return min(xs), min(ys), max(xs) + 1, max(ys) + 1


def capture_env(folder):
    """(WAV path, environment) that sends what the game plays to the WAV:
    ALSA's default device is a plug converting to 16-bit stereo at 44100 Hz,
    a file plugin writing the WAV, and the null device behind it.  The null
    device takes data as it comes, so a sound lands somewhere in the file,
    but whole and at its pitch."""
    wav, conf = folder.file("mix.wav"), folder.file("asound.conf")
    with open(conf, "w") as out:
        out.write('pcm.!default { type plug slave { pcm "capture" format S16_LE channels 2 rate 44100 } }\n'
                  f'pcm.capture {{ type file slave.pcm "null" file "{wav}" format "wav" }}\npcm.null {{ type null }}\n')
    return wav, {"ALSA_CONFIG_PATH": conf}


def write_tone_wav(path, frequency, seconds=0.25, amplitude=12000):
    """A 16-bit mono WAV at 44100 Hz of one sine tone, faded in and out over
    5 ms so that its start and end add no clicks."""
    frames, ramp = int(CAPTURE_RATE * seconds), CAPTURE_RATE // 200
    data = array.array("h", (int(amplitude * min(1.0, i / ramp, (frames - 1 - i) / ramp) *
                                 math.sin(2 * math.pi * frequency * i / CAPTURE_RATE)) for i in range(frames)))
    with wave.open(path, "wb") as out:
        out.setparams((1, 2, CAPTURE_RATE, frames, "NONE", None))
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
        self.left = array.array("h", data[start:start + (len(data) - start) // 4 * 4])[0::2]

    def blocks(self):
        """The non-silent blocks (silence is exact zeros in the mix)."""
        silent = array.array("h", bytes(2 * self.BLOCK))
        for start in range(0, len(self.left) - self.BLOCK + 1, self.BLOCK):
            if self.left[start:start + self.BLOCK] != silent:
                yield self.left[start:start + self.BLOCK]

    def peak(self):
        return max((abs(v) for v in self.left), default=0)

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
