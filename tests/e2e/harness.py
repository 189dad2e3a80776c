"""End-to-end harness: a private Xvfb server, a fresh copy of the staged game
folder, the real program in a real window, real key presses through xdotool,
and the window manager's close message sent with Xlib.

Used by the e2e test modules; run them with `python3 -m unittest`.  The
staged game folder comes from TESSARON_GAME_DIR (CTest sets it)."""

import ctypes
import ctypes.util
import os
import shutil
import signal
import subprocess
import tempfile
import time

GAME_DIR = os.environ.get("TESSARON_GAME_DIR", os.path.join(os.path.dirname(__file__), "../../build/game"))


class XServer:
    """A private Xvfb display, started on the first free number."""

    def __init__(self, width=1280, height=1024, depth=24):
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"{width}x{height}x{depth}", "-nolisten", "tcp"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        number = b""
        with os.fdopen(read_fd, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    raise RuntimeError("Xvfb did not start")
                number += chunk
        self.display = ":" + number.decode().strip()

    def env(self, extra=None):
        env = dict(os.environ, DISPLAY=self.display)
        env.update(extra or {})
        return env

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
    """The real program running in `folder` on `xserver`."""

    def __init__(self, xserver, folder, env=None, program=None):
        self.xserver = xserver
        self.folder = folder
        self.program = program or os.path.join(folder.path, "tessaron")
        self.stdout_path = folder.file("stdout.txt")
        self.stderr_path = folder.file("stderr.txt")
        with open(self.stdout_path, "w") as out, open(self.stderr_path, "w") as err:
            self.proc = subprocess.Popen([self.program], cwd=folder.path, env=xserver.env(env),
                                         stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        self.window = None

    def find_window(self, timeout=20, visible=True):
        """The window titled Tessaron.  In full-screen mode Allegro draws into
        an unnamed full-screen window and keeps the titled one hidden, so pass
        visible=False there."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            if self.proc.poll() is not None:
                raise AssertionError(f"game exited early with {self.proc.returncode}: {self.stderr()}")
            search = ["xdotool", "search"] + (["--onlyvisible"] if visible else []) + ["--name", "^Tessaron$"]
            out = subprocess.run(search,
                                 env=self.xserver.env(), capture_output=True, text=True).stdout.split()
            if out:
                self.window = out[0]
                return self.window
            time.sleep(0.1)
        raise AssertionError("no window titled Tessaron")

    def hold(self, keys, seconds=0.15):
        """Holds a key (xdotool name, e.g. Left or shift+Escape) long enough
        for the 25 Hz logic to sample it, then releases it."""
        env = self.xserver.env()
        subprocess.run(["xdotool", "keydown", "--window", self.window, keys], env=env, check=True)
        time.sleep(seconds)
        subprocess.run(["xdotool", "keyup", "--window", self.window, keys], env=env, check=True)

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
            try:
                self.proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()

    def stderr(self):
        with open(self.stderr_path) as f:
            return f.read()

    def stdout(self):
        with open(self.stdout_path) as f:
            return f.read()


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
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.POINTER(_XEvent)]
    xlib.XFlush.argtypes = [ctypes.c_void_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    dpy = xlib.XOpenDisplay(display_name.encode())
    if not dpy:
        raise RuntimeError("cannot open display " + display_name)
    event = _XEvent()
    event.xclient.type = 33  # ClientMessage
    event.xclient.window = window
    event.xclient.message_type = xlib.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
    event.xclient.format = 32
    event.xclient.data[0] = xlib.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
    event.xclient.data[1] = 0  # CurrentTime
    xlib.XSendEvent(dpy, window, 0, 0, ctypes.byref(event))
    xlib.XFlush(dpy)
    xlib.XCloseDisplay(dpy)
