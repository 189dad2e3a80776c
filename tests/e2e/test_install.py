"""The installed game: an install into a scratch root (DESTDIR, prefix /usr),
its launcher run from an unrelated folder with a scratch HOME and
XDG_DATA_HOME under a private Xvfb, the commands of the menu entry's actions,
the Debian package's contents and control file and Debian's checker on it,
and the menu entry, AppStream metadata and icons."""

import configparser
import filecmp
import gzip
import os
import re
import shlex
import shutil
import subprocess
import tempfile
import time
import unittest

import harness

BUILD_DIR = os.path.dirname(harness.BIN_DIR)


def tree(root):
    """Every file and link under root, relative to it, with its size (a
    link's size is its target's length)."""
    found = {}
    for base, dirs, files in os.walk(root):
        for name in files + [d for d in dirs if os.path.islink(os.path.join(base, d))]:
            found[os.path.relpath(os.path.join(base, name), root)] = os.lstat(os.path.join(base, name)).st_size
    return found


def press_until(game, keys, done):
    """Presses keys until done() holds: a press made while the game still
    loads can go unseen."""
    deadline = time.time() + 40
    while not done() and time.time() < deadline and game.proc.poll() is None:
        game.hold(keys, until=done, timeout=3)
        time.sleep(0.25)


class InstallTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="tessaron-install-")
        cls.addClassCleanup(shutil.rmtree, cls.scratch, ignore_errors=True)
        cls.root = os.path.join(cls.scratch, "root")
        subprocess.run(["cmake", "--install", BUILD_DIR, "--prefix", "/usr"], env=dict(os.environ, DESTDIR=cls.root),
                       check=True, stdout=subprocess.DEVNULL)
        cls.launcher = os.path.join(cls.root, "usr/games/tessaron")
        with gzip.open(os.path.join(cls.root, "usr/share/man/man6/tessaron.6.gz"), "rt") as man:
            cls.version = re.search(r'^\.TH .*"Tessaron ([0-9.]+)"', man.read(), re.M).group(1)

    def player(self, name):
        """(environment, game folder) of a player whose HOME and
        XDG_DATA_HOME lie in the scratch folder."""
        xdg = os.path.join(self.scratch, name, "xdg")
        return {"HOME": os.path.join(self.scratch, name, "home"), "XDG_DATA_HOME": xdg}, os.path.join(xdg, "tessaron")

    def play(self, x, cwd, env, check, args=()):
        """The launcher's game, from its window to Shift+Escape."""
        game = harness.Game(x, cwd, env=env, command=[self.launcher, *args])
        self.addCleanup(game.stop)
        game.find_window()
        check(game)
        press_until(game, "shift+Escape", lambda: game.proc.poll() is not None)
        self.assertEqual(game.wait(20), 0, game.stderr())

    def test_launcher_plays_in_the_players_folder_and_keeps_their_settings(self):
        self.assertEqual(os.listdir(self.root), ["usr"], "DESTDIR not honoured")
        installed = tree(self.root)
        x = harness.XServer()
        self.addCleanup(x.close)
        cwd = harness.GameFolder.__new__(harness.GameFolder)  # an unrelated, empty folder
        cwd.path = tempfile.mkdtemp(dir=self.scratch)
        env, user = self.player("player")
        shot = os.path.join(user, "screenshots/tessaron.bmp")

        self.play(x, cwd, env, lambda game: press_until(game, "F9", lambda: os.path.exists(shot)))
        self.assertTrue(os.path.exists(shot), "F9 wrote no screenshot in the player's folder")
        settings = harness.config(800, 600)
        with open(os.path.join(user, "cfg/config.cfg"), "w") as out:
            out.write(settings)
        self.play(x, cwd, env, lambda game: self.assertIn("800x600", game.xdotool("getwindowgeometry", game.window)))
        with open(os.path.join(user, "cfg/config.cfg")) as f:
            self.assertEqual(f.read(), settings)
        self.assertEqual(sorted(os.listdir(cwd.path)), ["stderr.txt", "stdout.txt"])
        self.assertEqual(tree(self.root), installed, "the installed tree was written")

    def test_launcher_refuses_data_it_cannot_find_or_link(self):
        def launch(env):
            run = subprocess.run([self.launcher], env=dict(os.environ, **env), cwd=self.scratch,
                                 capture_output=True, text=True, timeout=30)
            self.assertEqual(run.returncode, 1)
            return run.stderr

        data = os.path.join(self.root, "usr/share/tessaron/data")
        os.rename(data, data + ".away")
        try:
            self.assertIn(f"data {data} is missing", launch(self.player("moved")[0]))
        finally:
            os.rename(data + ".away", data)
        env, user = self.player("taken")
        os.makedirs(os.path.join(user, "data"))
        self.assertIn("is not a link to the installed data", launch(env))
        self.assertEqual(os.listdir(os.path.join(user, "data")), [], "the player's folder was touched")

    def test_menu_actions_start_their_match(self):
        """Each action's command, run as a desktop runs it: two boards, named
        for the mode; the player's settings file stays as it was copied."""
        entry = configparser.ConfigParser(interpolation=None)
        entry.read(os.path.join(self.root, "usr/share/applications/tessaron.desktop"))
        actions = {entry[f"Desktop Action {a}"]["Name"]: entry[f"Desktop Action {a}"]["Exec"]
                   for a in entry["Desktop Entry"]["Actions"].split(";") if a}
        # The widths in pixels of the white name tags over board 0 and board 1
        # (DejaVu Sans, 24 pixels): "Player" and "Computer · 3", "Player 1"
        # and "Player 2".
        names = {"Play against the computer": (60, 117), "Two players on this computer": (77, 76)}
        names["Watch the last replay"] = names["Play against the computer"]  # a match against it, recorded
        self.assertEqual(actions.keys(), names.keys())
        x = harness.XServer()
        self.addCleanup(x.close)
        env, user = self.player("menu")
        folder = harness.GameFolder.__new__(harness.GameFolder)  # the player's folder, where F9 saves
        folder.path = user  # made by the launcher's first run, here the one for --version
        version = subprocess.run([self.launcher, "--version"], env=dict(os.environ, **env), capture_output=True,
                                 text=True, check=True).stdout
        self.assertEqual(version, f"Tessaron {self.version}\n")
        # The last replay: a match against the computer, made by the simulator.
        os.makedirs(os.path.join(user, "replays"))
        subprocess.run([os.path.join(harness.BIN_DIR, "tessaron-sim"), "--bot", "--opponent", "1", "--steps", "2000",
                        "--quiet", "--record", os.path.join(user, "replays", "a.replay")], check=True, **harness.QUIET)

        def tags(shot):
            # The 1024 x 768 window's grids span x 177-417 and 607-847 from
            # y 204; each tag is 65 pixels above its grid, board 0's at its
            # left edge, board 1's at its right, white on backgrounds that
            # stay below 150.  Column 3 (x 267-297 and 697-727), where a new
            # pair appears above the grid, is left out.
            boxes = [shot.bright_box(x0, 139, x1, 169, threshold=200) for x0, x1 in ((177, 266), (728, 848))]
            return tuple(box and box[2] - box[0] for box in boxes)

        for name, command in actions.items():
            words = shlex.split(command)
            self.assertEqual(words[0], "tessaron")
            self.play(x, folder, env, lambda game: self.assertEqual(
                tags(game.screenshot_until(lambda shot: tags(shot) == names[name])), names[name], name), words[1:])
        mine, installed = os.path.join(user, "cfg/config.cfg"), os.path.join(self.root, "usr/share/tessaron/config.cfg")
        self.assertTrue(filecmp.cmp(mine, installed, shallow=False), "the options were written into the settings")

    def test_package_menu_entry_and_icons(self):
        version = self.version
        arch = subprocess.run(["dpkg", "--print-architecture"], capture_output=True, text=True).stdout.strip()
        out = os.path.join(self.scratch, "package")
        subprocess.run(["cpack", "-G", "DEB", "--config", os.path.join(BUILD_DIR, "CPackConfig.cmake"), "-B", out],
                       check=True, stdout=subprocess.DEVNULL)
        deb = os.path.join(out, f"tessaron_{version}-1_{arch}.deb")
        unpacked = os.path.join(self.scratch, "unpacked")
        subprocess.run(["dpkg-deb", "-x", deb, unpacked], check=True)
        self.assertEqual(tree(unpacked).keys(), tree(self.root).keys())
        control = subprocess.run(["dpkg-deb", "-f", deb, "Version", "Depends"], capture_output=True, text=True).stdout
        self.assertIn(f"Version: {version}-1\n", control)
        for library in ("liballegro4.4", "libfreetype6", "libopenmpt0", "libenet7"):
            self.assertRegex(control, rf"Depends:.*\b{re.escape(library)}\b")

        # Debian's checker: no error and no warning (informational tags may stay).
        lint = subprocess.run(["lintian", "--fail-on", "error,warning", deb], capture_output=True, text=True)
        self.assertEqual(lint.returncode, 0, lint.stdout + lint.stderr)
        self.assertNotRegex(lint.stdout, r"(?m)^[EW]: ")

        share = os.path.join(self.root, "usr/share")
        subprocess.run(["desktop-file-validate", os.path.join(share, "applications/tessaron.desktop")], check=True)
        metainfo = os.path.join(share, "metainfo/org.example.tessaron.metainfo.xml")
        subprocess.run(["appstreamcli", "validate", "--no-net", metainfo], check=True, stdout=subprocess.DEVNULL)
        with open(metainfo) as f:
            self.assertIn(f'<release version="{version}" ', f.read())
        for size in (48, 128, 256):  # RGBA PNGs of their size
            with open(os.path.join(share, f"icons/hicolor/{size}x{size}/apps/tessaron.png"), "rb") as f:
                head = f.read(26)
            self.assertEqual((head[:8], head[16:24], head[25]), (b"\x89PNG\r\n\x1a\n", size.to_bytes(4, "big") * 2, 6))
