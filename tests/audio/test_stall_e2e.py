"""The game's main thread stalls and nothing the player sees or hears stops.
tessaron-stall (a build whose main thread a test can stall) is heard through
ALSA's file plugin while its main thread sleeps 2 s and then 5 s: the capture
must be libopenmpt's own rendering of the module, sample for sample, from the
first note to the end, with no stretch played twice and no gap.
During the second stall the window is unmapped and mapped again, and Allegro's
X11 driver must repaint it by itself (the game cannot draw)."""

import array
import ctypes
import glob
import os
import signal
import subprocess
import time

from harness import CAPTURE_RATE, Capture, GameTestCase, capture_env, config

BLOCK = 1024
SLEPT = "the main thread slept"


def reference_left(module_path, frames):
    """The left channel of libopenmpt's own rendering of the module, looping,
    at 44100 Hz."""
    lib = ctypes.CDLL("libopenmpt.so.0")
    lib.openmpt_module_create_from_memory2.restype = ctypes.c_void_p
    with open(module_path, "rb") as f:
        data = f.read()
    module = ctypes.c_void_p(lib.openmpt_module_create_from_memory2(data, ctypes.c_size_t(len(data)), *[None] * 7))
    assert module.value, "libopenmpt cannot read " + module_path
    lib.openmpt_module_set_repeat_count(module, -1)
    out = (ctypes.c_int16 * (2 * frames))()
    lib.openmpt_module_read_interleaved_stereo(module, CAPTURE_RATE, ctypes.c_size_t(frames), out)
    lib.openmpt_module_destroy(module)
    return array.array("h", bytes(out))[0::2]


def stall_main_thread(pid):
    """SIGUSR1 to the main thread alone (tgkill, thread id = process id): in
    tessaron-stall it sleeps for TESSARON_STALL_MS."""
    if ctypes.CDLL(None, use_errno=True).syscall(234, pid, pid, signal.SIGUSR1) != 0:  # SYS_tgkill
        raise OSError(ctypes.get_errno(), "tgkill")


def first_sound(samples):
    return next(i for i, v in enumerate(samples) if v != 0)


class StallTest(GameTestCase):
    def test_music_and_window_go_on_through_stalls_of_2_and_5_seconds(self):
        self.folder.write_config(config(640, 480, sound=1))
        # No effects: everything heard is the music.
        for wav in glob.glob(self.folder.file("data/sound/**/*.wav"), recursive=True):
            os.remove(wav)
        program = self.folder.program("tessaron-stall")
        wav, env = capture_env(self.folder)
        env["TESSARON_STALL_MS"] = "2000,5000"
        game = self.launch(env=env, command=[program])
        game.find_window()
        time.sleep(1.0)
        stall_main_thread(game.proc.pid)
        time.sleep(3.5)
        self.assertEqual(game.stderr().count(SLEPT), 1, "the first stall did not end")
        stall_main_thread(game.proc.pid)
        time.sleep(0.5)
        # The window's pixels as the X server shows them (raw RGB).
        window_rgb = lambda: subprocess.run(["import", "-window", game.window, "-depth", "8", "rgb:-"],
                                            env=self.x.env(), capture_output=True, check=True).stdout
        before = window_rgb()
        for action in ("windowunmap", "windowmap"):
            subprocess.run(["xdotool", action, "--sync", game.window], env=self.x.env(), check=True)
        time.sleep(0.5)
        after = window_rgb()
        self.assertEqual(game.stderr().count(SLEPT), 1, "the stall ended too early")
        self.assertGreater(len(set(before)), 10, "the window showed no frame")
        self.assertEqual(before, after, "the window was not repainted")
        time.sleep(5.5)
        game.press_close_button()
        self.assertEqual(game.wait(timeout=15), 0, game.stderr())
        self.assertEqual(game.stderr().count(SLEPT), 2)
        heard = Capture(wav).left

        start = first_sound(heard)
        # The last block may be cut by the shut-down.
        end = len(heard) - first_sound(heard[::-1]) - BLOCK
        self.assertGreater(end - start, 8 * CAPTURE_RATE, "too little music captured")

        # The music is the module as libopenmpt renders it, scaled by the
        # game's volume: nothing skipped, nothing stale (a stalled refill
        # would play a half of the stream's buffer again), no gap.  The first
        # half second is left out of the gain (the volume is set just after
        # the song starts).
        expected = reference_left(glob.glob(self.folder.file("data/music/mod/*"))[0], end - start + CAPTURE_RATE)
        # The quietest first samples round to zero in the mix: align on the
        # best match of a stretch near the start instead.
        near = start - first_sound(expected)
        settled = start + CAPTURE_RATE // 2
        offset = max(range(near - 256, near + 257),
                     key=lambda o: sum(heard[i] * expected[i - o] for i in range(settled, settled + 2048)))
        cross = sum(heard[i] * expected[i - offset] for i in range(settled, end))
        gain = cross / sum(expected[i - offset] ** 2 for i in range(settled, end))
        self.assertGreater(gain, 0.2)
        tolerance = max(abs(v) for v in heard[settled:end]) // 50
        for i in range(settled, end):
            if abs(heard[i] - round(expected[i - offset] * gain)) > tolerance:
                self.fail(f"the music differs from the module at {(i - start) / CAPTURE_RATE:.3f} s "
                          f"of {(end - start) / CAPTURE_RATE:.2f} s")
