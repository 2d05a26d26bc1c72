#!/usr/bin/env python3
"""Corvanel's own editor in Ardour 7's window, driven as a person would, under Xvfb.

  ardour_gui.py vst3 --plugin Corvanel.vst3 --editor corvanel-editor
  ardour_gui.py lv2 --lv2-path DIR --editor corvanel-editor

Makes a session with the plug-in on a track (ardour_host.py render --keep), starts a
private Xvfb (no window manager) and Ardour's GUI on it with a pre-seeded configuration
(the dummy backend, started at once, so no first-run or audio set-up dialog), shows the
mixer (Alt+M), double-clicks the plug-in in the track's strip and checks that:
  - Ardour opens the plug-in's own editor (620 x 355, inside Ardour's plug-in window),
    showing the picture corvanel-editor draws off screen, outside the text areas and the
    two activity rows (the status line and the playing-step marker follow the host);
  - a click on step 1's time bar and a drag up on the Mix knob reach the session that
    Ardour saves (Ctrl+S): reopened headless, Mix is higher and step 1's time is full
    (VST3: the first step word as Ardour restores it; LV2: the first step word in the
    state blob Ardour saved).
Ardour quits with Ctrl+Q. Exit 0 pass, 1 fail, 77 skip (no Ardour, Xvfb, xdotool or
ImageMagick). Ardour 7.3 crashes now and then on its own: when Ardour died before it was
told to quit, the whole GUI run is made once more from the same session; a wrong picture
or value is never retried. Everything started here (Xvfb, Ardour and its children) is
stopped by its PID or process group at the end; every wait is bounded.
"""
import argparse
import base64
import glob
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import ardour_host  # noqa: E402
import wavtool  # noqa: E402
sys.path.insert(0, os.path.join(HERE, "..", "..", "common"))
from editor_layout import (ACTIVITY, H, KNOB_Y, KNOBS, TEXT_AREAS, W,  # noqa: E402
                           press_level, step_bar)

SKIP = 77
LV2_URI = "https://www.orbalin.com/Corvanel/lv2"
SCREEN = (1280, 1024)
X_TIMEOUT = 15        # seconds for one X tool call
START_TIMEOUT = 60    # Ardour's start up to the loaded session in the mixer
QUIT_TIMEOUT = 30
PAUSE = 0.7           # between clicks: longer than the double-click time

# Where Ardour 7.3 puts things on a 1280 x 1024 screen without a window manager: the main
# window at 0,0 at its default size; the mixer's first strip's first processor entry (the
# plug-in, drawn in the pre-fader plug-ins' red).
PROCESSOR_ENTRY = (324, 207)
PROCESSOR_PROBE = (300, 207)
MAIN_WINDOW_SPOT = (800, 500)  # inside the main window, beside Ardour's plug-in window

MIX_PARAM = KNOBS["Mix"][0]
FIRST_STEP_WORD = 10
# Step 1's time bar pressed at 31 of its 34 pixels: full time.
_l, _t, _r, _b = step_bar(1, False)
STEP1_TIME_CLICK = (_l + 31, (_t + _b) // 2)
STEP1_LEVEL = press_level(31 / (_r - _l))


class Failure(Exception):
    pass


class ArdourDied(Exception):
    pass


def log(msg):
    print(msg, flush=True)


class Display:
    """A private Xvfb: its display number comes back through -displayfd."""

    def __init__(self):
        r, w = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "%dx%dx24" % SCREEN, "-nolisten",
             "tcp", "-noreset"], pass_fds=(w,), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, start_new_session=True)
        os.close(w)
        number = b""
        end = time.time() + X_TIMEOUT
        while not number.endswith(b"\n") and time.time() < end and self.proc.poll() is None:
            chunk = os.read(r, 16)
            if not chunk:
                break
            number += chunk
        os.close(r)
        if not number.strip().isdigit():
            self.stop()
            raise Failure("Xvfb did not start")
        self.name = ":" + number.strip().decode()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


class Gui:
    """One run of Ardour's GUI on the display, with the X tools to drive and watch it."""

    def __init__(self, work, display):
        self.work = work
        self.env = dict(work.env, DISPLAY=display.name, ARDOUR_TRY_AUTOSTART_ENGINE="1")
        self.proc = None

    # ---- X tools --------------------------------------------------------------------------
    def run(self, cmd, binary=False):
        r = subprocess.run(cmd, env=self.env, timeout=X_TIMEOUT, capture_output=True)
        if r.returncode != 0:
            raise Failure("%s failed: %s" % (cmd[0], r.stderr.decode(errors="replace").strip()))
        return r.stdout if binary else r.stdout.decode(errors="replace")

    def xdotool(self, *args):
        return self.run(["xdotool"] + [str(a) for a in args])

    def rgb(self, x, y, w, h, png=None):
        """The screen's pixels in the rectangle as bytes r, g, b per pixel, row by row."""
        cmd = ["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage",
               "-depth", "8"]
        data = self.run(cmd + ["rgb:-"], binary=True)
        if png:
            self.run(cmd + [png])
        if len(data) != 3 * w * h:
            raise Failure("a screenshot of %dx%d gave %d bytes" % (w, h, len(data)))
        return data

    def windows(self):
        """Viewable top-level windows: (id, name, x, y, w, h)."""
        found = []
        tree = self.run(["xwininfo", "-root", "-children"])
        for m in re.finditer(r'^\s+(0x[0-9a-f]+) (?:"([^"]*)"|\(has no name\)).*?'
                             r'(\d+)x(\d+)\+(-?\d+)\+(-?\d+)\s+\+(-?\d+)\+(-?\d+)$', tree, re.M):
            wid = m.group(1)
            info = subprocess.run(["xwininfo", "-id", wid], env=self.env, timeout=X_TIMEOUT,
                                  capture_output=True, text=True).stdout
            if "IsViewable" in info:
                found.append((wid, m.group(2) or "", int(m.group(7)), int(m.group(8)),
                              int(m.group(3)), int(m.group(4))))
        return found

    def editor_in(self, wid):
        """The innermost 620 x 355 window under Ardour's plug-in window: (x, y) on screen."""
        tree = self.run(["xwininfo", "-id", wid, "-tree"])
        spots = re.findall(r"\b%dx%d\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)" % (W, H), tree)
        return (int(spots[-1][0]), int(spots[-1][1])) if spots else None

    # ---- Ardour ---------------------------------------------------------------------------
    def start(self, session_file):
        self.log = open(os.path.join(self.work.path, "ardour-gui.log"), "w")
        self.proc = subprocess.Popen(["ardour", "-n", "-a", session_file], env=self.env,
                                     stdout=self.log, stderr=subprocess.STDOUT,
                                     start_new_session=True,
                                     preexec_fn=ardour_host._die_with_parent)

    def alive(self):
        if self.proc.poll() is not None:
            raise ArdourDied("Ardour ended (code %d) before it was told to quit"
                             % self.proc.returncode)

    def stop(self):
        if self.proc:
            try:
                os.killpg(self.proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.proc.wait()
            self.log.close()

    def wait(self, what, test, timeout, every=0.5, action=None, action_every=None):
        """Polls test() until it answers something true; action() runs first and then
        every action_every seconds. Ardour must stay alive meanwhile."""
        end = time.time() + timeout
        next_action = time.time()
        while True:
            self.alive()
            if action and time.time() >= next_action:
                action()
                next_action = time.time() + (action_every or timeout)
            result = test()
            if result:
                return result
            if time.time() > end:
                raise Failure("%s within %g s" % (what, timeout))
            time.sleep(every)

    def dismiss_dialogs(self, keep):
        """Answers a stray dialog (say, "Engine I/O device has changed") with Return: a
        window smaller than the main one (which is titled "Ardour" while it loads) and
        larger than Ardour's hidden 10 x 10 ones."""
        for wid, name, x, y, w, h in self.windows():
            if name not in keep and 20 < w < 900 and 20 < h < 600 and x >= 0 and y >= 0:
                log("note: answering a dialog %r (%dx%d+%d+%d) with Return" % (name, w, h, x, y))
                self.xdotool("mousemove", x + w // 2, y + h // 2, "key", "Return")


def is_processor_red(gui):
    r, g, b = gui.rgb(PROCESSOR_PROBE[0], PROCESSOR_PROBE[1], 1, 1)
    return r > g + 30 and r > b + 30


def masked_difference(a, b):
    """Pixels that differ outside the text areas and the activity rows; their bounds."""
    masks = TEXT_AREAS + ACTIVITY
    count, box = 0, [W, H, -1, -1]
    for y in range(H):
        row = 3 * W * y
        if a[row:row + 3 * W] == b[row:row + 3 * W]:
            continue
        for x in range(W):
            i = row + 3 * x
            if a[i:i + 3] != b[i:i + 3] and not any(
                    l <= x < r and t <= y < bt for (l, t, r, bt) in masks):
                count += 1
                box = [min(box[0], x), min(box[1], y), max(box[2], x), max(box[3], y)]
    return count, box


def empty_text_areas(screen, reference):
    """Text areas that hold text in the reference but are flat on the screen."""
    def span(data, area):
        l, t, r, b = area
        lum = [sum(data[3 * (W * y + x):3 * (W * y + x) + 3]) // 3
               for y in range(t, b) for x in range(l, r)]
        return max(lum) - min(lum)
    return [a for a in TEXT_AREAS if span(reference, a) > 50 and span(screen, a) <= 50]


def read_png_rgb(env, png):
    data = subprocess.run(["convert", png, "-depth", "8", "rgb:-"], env=env, timeout=X_TIMEOUT,
                          capture_output=True).stdout
    if len(data) != 3 * W * H:
        raise Failure("%s is not a %dx%d picture" % (png, W, H))
    return data


# Ardour's own configuration for the test: the dummy backend shown and started at once with
# the session's rate and period, and a plug-in's own editor preferred to Ardour's generic one.
CONFIG = """<?xml version="1.0" encoding="UTF-8"?>
<Ardour>
  <Config>
    <Option name="hide-dummy-backend" value="0"/>
    <Option name="try-autostart-engine" value="1"/>
    <Option name="use-plugin-own-gui" value="1"/>
  </Config>
  <Extra>
    <AudioMIDISetup>
      <EngineStates>
        <State backend="None (Dummy)" driver="Normal Speed" device="Silence" input-device=""
               output-device="" sample-rate="{rate}" buffer-size="{block}" n-periods="0"
               input-latency="0" output-latency="0" lm-input="" lm-output="" active="1"
               use-buffered-io="0" midi-option="1 in, 1 out, Silence" lru="1"/>
      </EngineStates>
    </AudioMIDISetup>
  </Extra>
</Ardour>
"""


def seed_config(work, rate, block):
    folder = os.path.join(work.env["XDG_CONFIG_HOME"], "ardour7")
    os.makedirs(folder, exist_ok=True)
    for name in ("config", "instant.xml", "ui_config"):
        if os.path.exists(os.path.join(folder, name)):
            os.remove(os.path.join(folder, name))
    with open(os.path.join(folder, "config"), "w") as f:
        f.write(CONFIG.format(rate=rate, block=block))
    # An empty .a7 tells Ardour its first-run set-up was done.
    open(os.path.join(folder, ".a7"), "w").close()


def gui_run(work, display, out, reference):
    """One GUI run: open, compare, click, save, quit. Raises ArdourDied or Failure."""
    gui = Gui(work, display)
    session_file = os.path.join(work.session, ardour_host.SESSION + ".ardour")
    saved_at = os.stat(session_file).st_mtime_ns
    t0 = time.time()
    quitting = False
    try:
        gui.start(session_file)
        main_name = ardour_host.SESSION + " - Ardour"

        def main_up():
            names = [w[1] for w in gui.windows()]
            if main_name not in names:
                gui.dismiss_dialogs({main_name})
                return False
            return True
        gui.wait("no main window", main_up, START_TIMEOUT)
        # Alt+M shows the mixer once the session has loaded; it toggles, so it is pressed
        # again only when the strip has not shown for a while.
        gui.wait("the mixer strip with the plug-in did not show", lambda: is_processor_red(gui),
                 START_TIMEOUT, action=lambda: gui.xdotool(
                     "mousemove", MAIN_WINDOW_SPOT[0], MAIN_WINDOW_SPOT[1], "key", "alt+m"),
                 action_every=6)
        log("mixer shown after %.1f s" % (time.time() - t0))

        def plugin_window():
            for wid, name, *_ in gui.windows():
                if name.startswith("Input: Corvanel"):
                    return wid, name
            return None
        wid, name = gui.wait("no plug-in window after a double-click on the strip's entry",
                             plugin_window, 20, action=lambda: gui.xdotool(
                                 "mousemove", PROCESSOR_ENTRY[0], PROCESSOR_ENTRY[1],
                                 "click", "--repeat", "2", "--delay", "80", "1"),
                             action_every=8)
        log("Ardour's plug-in window %r" % name)
        spot = gui.wait("no %dx%d editor in Ardour's plug-in window (its generic editor?)"
                        % (W, H), lambda: gui.editor_in(wid), 10)
        ex, ey = spot
        log("the editor at %d,%d on the screen" % spot)
        # The editor paints on its timer; the picture settles within a few ticks.
        time.sleep(1.0)
        screen = gui.rgb(ex, ey, W, H, os.path.join(out, "ardour.png"))
        differing, box = masked_difference(screen, reference)
        if differing:
            raise Failure("the editor in Ardour differs from the off-screen picture outside "
                          "the text areas in %d pixels, within %s (pictures in %s)"
                          % (differing, box, out))
        empty = empty_text_areas(screen, reference)
        if empty:
            raise Failure("text areas without text in Ardour: %s" % empty)
        log("the editor shows the off-screen picture outside the text areas")

        # The user: step 1's time bar, then the Mix knob dragged up.
        gui.xdotool("mousemove", ex + STEP1_TIME_CLICK[0], ey + STEP1_TIME_CLICK[1],
                    "click", "1")
        time.sleep(PAUSE)
        mx, my = ex + KNOBS["Mix"][1], ey + KNOB_Y
        gui.xdotool("mousemove", mx, my, "mousedown", "1")
        for y in (110, 90, 70, 50):
            time.sleep(0.15)
            gui.xdotool("mousemove", mx, ey + y)
        gui.xdotool("mouseup", "1")
        time.sleep(PAUSE)
        gui.alive()
        after = gui.rgb(ex, ey, W, H, os.path.join(out, "ardour-after.png"))
        if after == screen:
            raise Failure("the clicks changed nothing on the screen")

        # Ctrl+S over the main window (without a window manager the keys go to the window
        # under the pointer), then Ctrl+Q.
        gui.wait("Ardour did not save the session", lambda: os.stat(
            session_file).st_mtime_ns != saved_at, 15, action=lambda: gui.xdotool(
                "mousemove", MAIN_WINDOW_SPOT[0], MAIN_WINDOW_SPOT[1], "key", "ctrl+s"),
            action_every=5)
        time.sleep(0.5)  # the plug-ins' state folders are written with the session file
        quitting = True
        gui.xdotool("mousemove", MAIN_WINDOW_SPOT[0], MAIN_WINDOW_SPOT[1], "key", "ctrl+q")
        try:
            code = gui.proc.wait(QUIT_TIMEOUT)
        except subprocess.TimeoutExpired:
            raise Failure("Ardour did not quit within %d s of Ctrl+Q" % QUIT_TIMEOUT)
        if code != 0:
            # Saved already: a crash on the way out (Ardour 7.3's heap) does not touch it.
            log("note: Ardour exited with code %d after saving" % code)
        log("GUI run: %.1f s" % (time.time() - t0))
    except Failure as e:
        # A window or a picture missing because Ardour died under it: Ardour's crash.
        if not quitting and gui.proc and gui.proc.poll() is not None:
            raise ArdourDied("Ardour ended (code %d) before it was told to quit, after: %s"
                             % (gui.proc.returncode, e))
        raise
    finally:
        gui.stop()


def step_words_lv2(session):
    """The thirteen step words in the newest state Ardour saved for the LV2 plug-in."""
    states = glob.glob(os.path.join(session, "plugins", "*", "state*", "state.ttl"))
    if not states:
        raise Failure("no LV2 state in the session")
    newest = max(states, key=lambda p: int(re.search(r"state(\d+)", p).group(1)))
    with open(newest) as f:
        m = re.search(r'"""([A-Za-z0-9+/=\s]+)"""', f.read())
    if not m:
        raise Failure("no state blob in %s" % newest)
    blob = base64.b64decode("".join(m.group(1).split()))
    if len(blob) != 188:
        raise Failure("the saved state blob has %d bytes, not 188" % len(blob))
    values = struct.unpack("<23d", blob[4:])
    return [int(round(v)) for v in values[FIRST_STEP_WORD:FIRST_STEP_WORD + 13]]


def params(workdir):
    """What the reopened session's plug-in reports: {index: value}."""
    r = subprocess.run([sys.executable, os.path.join(HERE, "ardour_host.py"), "params",
                        workdir, "--timeout", "60"], capture_output=True, text=True,
                       timeout=150)
    if r.returncode != 0:
        raise Failure("reopening the session failed: " + r.stderr.strip())
    values = {}
    for ln in r.stdout.splitlines():
        f = ln.split(" ")
        values[int(f[0])] = float(f[1])
    return values


def step_words(fmt, workdir, session):
    if fmt == "lv2":
        return step_words_lv2(session)
    v = params(workdir)
    return [int(round(v[FIRST_STEP_WORD + w])) for w in range(13)]


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("format", choices=["vst3", "lv2"])
    ap.add_argument("--plugin", help="the Corvanel.vst3 bundle (vst3)")
    ap.add_argument("--lv2-path", help="the folder holding Corvanel.lv2 (lv2)")
    ap.add_argument("--editor", required=True, help="corvanel-editor")
    ap.add_argument("--out", default=None, help="where pictures of a failure are kept")
    args = ap.parse_args(argv)
    if (args.format == "vst3") != bool(args.plugin) or (args.format == "lv2") != bool(
            args.lv2_path):
        ap.error("vst3 wants --plugin, lv2 wants --lv2-path")
    missing = [t for t in ("ardour", "Xvfb", "xdotool", "xwininfo", "import", "convert")
               if not shutil.which(t)]
    if missing or not os.path.isfile(ardour_host.ARDOUR_LUA):
        print("SKIP: missing %s" % ", ".join(missing or ["ardour7-lua"]))
        return SKIP

    tmp = tempfile.mkdtemp(prefix="corvanel-ardour-gui-")
    out = os.path.abspath(args.out or "ardour-gui-" + args.format)
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    display = None
    ok = False
    try:
        # The session: a short input on a track, the plug-in first on it, saved.
        inp = os.path.join(tmp, "in.wav")
        wavtool.write_float_wav(inp, 48000, wavtool.sine_frames(48000, 2.0, 220.0, 0.5))
        workdir = os.path.join(tmp, "work")
        cmd = [sys.executable, os.path.join(HERE, "ardour_host.py"), "render", "--format",
               args.format, "--input", inp, "-o", os.path.join(tmp, "out.wav"), "--seconds",
               "1", "--rate", "48000", "--block", "1024", "--keep", workdir, "--timeout", "60"]
        cmd += (["--plugin", args.plugin] if args.format == "vst3" else
                ["--plugin", LV2_URI, "--lv2-path", args.lv2_path])
        r = subprocess.run(cmd, capture_output=True, text=True, timeout=150)
        if r.returncode != 0:
            raise Failure("the session could not be made: " + r.stderr.strip())
        work = ardour_host.Workdir(workdir)
        if args.format == "lv2":
            work.env["LV2_PATH"] = os.path.abspath(args.lv2_path)
        before_mix = params(workdir)[MIX_PARAM]
        before_words = step_words(args.format, workdir, work.session)
        pristine = work.session + ".pristine"
        shutil.copytree(work.session, pristine)

        reference_png = os.path.join(out, "offscreen.png")
        subprocess.run([args.editor, "-o", reference_png], check=True, timeout=60,
                       stdout=subprocess.DEVNULL)
        reference = read_png_rgb(work.env, reference_png)

        display = Display()
        for attempt in (1, 2):
            seed_config(work, 48000, 1024)
            try:
                gui_run(work, display, out, reference)
                break
            except ArdourDied as e:
                if attempt == 2:
                    raise Failure(str(e))
                log("note: %s; running the GUI once more" % e)
                shutil.rmtree(work.session)
                shutil.copytree(pristine, work.session)

        after_mix = params(workdir)[MIX_PARAM]
        after_words = step_words(args.format, workdir, work.session)
        digit = 5 ** 9
        want_word0 = before_words[0] + (STEP1_LEVEL - before_words[0] // digit) * digit
        log("reopened: Mix %g -> %g, step word 1 %d -> %d (want %d)"
            % (before_mix, after_mix, before_words[0], after_words[0], want_word0))
        problems = []
        if not after_mix > before_mix:
            problems.append("the Mix drag did not reach the saved session")
        if after_words[0] != want_word0:
            problems.append("step 1's time click did not reach the saved session")
        if after_words[1:] != before_words[1:]:
            problems.append("other step words changed: %s -> %s"
                            % (before_words[1:], after_words[1:]))
        if problems:
            raise Failure("; ".join(problems))
        ok = True
    except (Failure, subprocess.SubprocessError, OSError, wavtool.WavError) as e:
        log("FAIL: %s" % e)
    finally:
        if display:
            display.stop()
        shutil.rmtree(tmp, ignore_errors=True)
        if ok:
            shutil.rmtree(out, ignore_errors=True)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
