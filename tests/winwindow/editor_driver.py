"""What the drivers of the Windows editor under wine share (tests/winwindow/drive-window.py
for the VST2 DLLs, tests/vst3/drive-vst3-window.py for the VST3 bundle).

A driver runs a windowed test host (tests/winwindow/WinTestHost.h: the host windows
"Corvanel host N" side by side, commands on standard input, what the plug-in tells the
host as lines on standard output) under wine in an X server of its own (Xvfb, its PID
kept, stopped at the end), plays the user with xdotool, takes pictures with ImageMagick
and checks what the host sees. Every wine and X call has a timeout; nothing is left
running.
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import threading
import time

X_TIMEOUT = 15      # seconds for one X tool call
WAIT = 8            # seconds to wait for something the editor does on its timer
START_TIMEOUT = 120  # the host's start, with a cold wine server under qemu
PAUSE = 0.7         # between clicks: longer than the double-click time

CONVERT = "/usr/bin/convert"  # ImageMagick's own

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
# The editor's geometry (the product's layout), shared with the Ardour GUI test.
from editor_layout import (ACTIVITY, H, KNOB_Y, KNOBS, STATUS_LINE,  # noqa: E402,F401
                           STEP_ROWS, TARGET_SLICES, TEXT_AREAS, W, press_level, step_bar)

HOST_PITCH = W + 20  # host windows stand side by side


def device(v, percent):
    """An editor coordinate in device pixels, as the editor maps it (halves round up)."""
    return (v * percent + 50) // 100


def device_rect(r, percent):
    return tuple(device(v, percent) for v in r)


def display_number(text):
    """The whole number a parameter's display text starts with ("80" or "80%": 80)."""
    m = re.match(r"-?\d+", text)
    return int(m.group(0)) if m else None


class Steps:
    """The step pattern as the host should see it in parameters 10-22."""

    def __init__(self):
        self.v = [2] * 64 + [4] * 64

    def words(self):
        out = []
        for w in range(13):
            acc = 0
            for e in range(10 * w, min(10 * w + 10, 128)):
                acc = acc * 5 + self.v[e]
            out.append(acc)
        return out



def wine_loader(arch):
    return "/usr/lib/wine/wine" if arch == "win32" else "/usr/lib/wine/wine64"


class Host:
    """The test host under wine, commands in, events out."""

    def __init__(self, argv, env, work):
        """argv: the host program and its arguments (run under wine, bounded in time)."""
        self.lines = []
        self.lock = threading.Lock()
        self.proc = subprocess.Popen(
            ["timeout", "-k", "5", "600", wine_loader(env["WINEARCH"])] + argv,
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=open(
                os.path.join(work, "host-stderr.txt"), "w"),
            env=env, text=True, bufsize=1, start_new_session=True)
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            with self.lock:
                self.lines.append(line.rstrip("\n"))

    def mark(self):
        with self.lock:
            return len(self.lines)

    def since(self, mark):
        with self.lock:
            return list(self.lines[mark:])

    def send(self, command):
        self.proc.stdin.write(command + "\n")
        self.proc.stdin.flush()

    def wait(self, pred, mark=0, timeout=WAIT):
        end = time.time() + timeout
        while time.time() < end:
            for line in self.since(mark):
                if pred(line):
                    return line
            if self.proc.poll() is not None:
                return None
            time.sleep(0.05)
        return None

    def ask(self, command, prefix, timeout=WAIT):
        """Sends a command and answers the lines starting with prefix up to a PONG."""
        m = self.mark()
        self.send(command)
        self.send("ping")
        if not self.wait(lambda l: l == "PONG", m, timeout):
            return []
        return [l for l in self.since(m) if l.startswith(prefix)]

    def params(self, n):
        out = {}
        for line in self.ask("params %d" % n, "PARAM %d " % n):
            m = re.match(r'PARAM \d+ (\d+) (\S+) "(.*)"', line)
            if m:
                out[int(m.group(1))] = (float(m.group(2)), m.group(3))
        return out

    def stop(self):
        if self.proc.poll() is None:
            try:
                self.send("quit")
                self.proc.wait(timeout=30)
            except (OSError, subprocess.TimeoutExpired):
                os.killpg(self.proc.pid, signal.SIGKILL)
                self.proc.wait(timeout=10)
        return self.proc.returncode


class Driver:
    """The tools, the checks and the scenarios both plug-in formats share. A format's
    driver makes the host (host_argv) and runs its scenarios (scenarios)."""

    screen = "1300x400x24"  # the private X server's screen

    def __init__(self, args):
        self.args = args
        self.failed = []
        self.passed = 0
        self.xvfb = None
        self.env = None
        self.host = None

    # ---- Tools -------------------------------------------------------------------------------
    def run(self, cmd, timeout=X_TIMEOUT, check=True, **kw):
        r = subprocess.run(cmd, env=self.env, timeout=timeout, capture_output=True, text=True,
                           **kw)
        if check and r.returncode != 0:
            raise RuntimeError("%s failed: %s" % (" ".join(cmd), r.stderr.strip()))
        return r.stdout

    def xdo(self, *a):
        return self.run(["xdotool"] + [str(x) for x in a])

    def click(self, x, y, button=1, n=1):
        self.xdo("mousemove", x, y)
        for _ in range(n):
            self.xdo("click", button)
        time.sleep(PAUSE)

    def drag(self, points, button=1):
        x, y = points[0]
        self.xdo("mousemove", x, y, "mousedown", button)
        for x, y in points[1:]:
            time.sleep(0.08)
            self.xdo("mousemove", x, y)
        time.sleep(0.08)
        self.xdo("mouseup", button)
        time.sleep(PAUSE)

    def shot(self, name, x0=0, w=W, h=H):
        path = os.path.join(self.args.work, name)
        self.run(["import", "-window", "root", "-crop", "%dx%d+%d+0" % (w, h, x0), "+repage",
                  path])
        return path

    def wineserver_kill(self):
        subprocess.run(["wineserver", "-k"], env=self.env, timeout=30, capture_output=True)
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=30, capture_output=True)

    # ---- Checks ------------------------------------------------------------------------------
    def check(self, name, ok, detail=""):
        if ok:
            self.passed += 1
            print("  ok   %s" % name)
        else:
            self.failed.append(name)
            print("  FAIL %s %s" % (name, detail))
        sys.stdout.flush()

    def gestures(self, lines, n):
        """BEGIN/AUTOMATE/END events of instance n as (kind, idx, value, ms)."""
        out = []
        for l in lines:
            m = re.match(r"(BEGIN|END) %d (\d+) @(\d+)" % n, l)
            if m:
                out.append((m.group(1), int(m.group(2)), None, int(m.group(3))))
            m = re.match(r"AUTOMATE %d (\d+) (\S+) @(\d+)" % n, l)
            if m:
                out.append(("AUTOMATE", int(m.group(1)), float(m.group(2)), int(m.group(3))))
        return out

    def changes_inside_gestures(self, events, before):
        """Every automation that changes a value comes between a begin and an end of it."""
        open_ = set()
        value = {i: v for i, (v, _) in before.items()}
        for kind, idx, v, _ in events:
            if kind == "BEGIN":
                open_.add(idx)
            elif kind == "END":
                open_.discard(idx)
            elif abs(v - value.get(idx, -1)) > 1e-6:
                if idx not in open_:
                    return False
                value[idx] = v
        return not open_

    def changed(self, before, after):
        return {i for i in after if i in before and before[i][0] != after[i][0]}

    def act(self, n, action, settle=0.0):
        """Runs an action on instance n; answers (params before, events, params after)."""
        before = self.host.params(n)
        m = self.host.mark()
        action()
        time.sleep(settle)
        after = self.host.params(n)
        return before, self.gestures(self.host.since(m), n), after

    def expect_edit(self, name, n, action, expected, settle=0.3, words=None):
        """An edit changes exactly `expected` {idx: display} (and the step words to `words`),
        each change inside a gesture."""
        end = time.time() + WAIT
        before = self.host.params(n)
        m = self.host.mark()
        action()
        while True:
            time.sleep(settle)
            after = self.host.params(n)
            want = dict(expected)
            if words:
                for w, value in enumerate(words):
                    want[10 + w] = str(value)
            got = {i: after[i][1] for i in want if i in after}
            if got == want or time.time() > end:
                break
        events = self.gestures(self.host.since(m), n)
        changed = self.changed(before, after)
        allowed = set(expected) | ({10 + w for w in range(13)} if words else set())
        self.check(name + ": values", got == want, "want %s got %s" % (want, got))
        self.check(name + ": nothing else changes", changed <= allowed,
                   "changed %s" % sorted(changed - allowed))
        self.check(name + ": inside begin/end gestures",
                   self.changes_inside_gestures(events, before), str(events))
        return before, events, after

    # ---- Scenarios both formats share --------------------------------------------------------
    def masked(self, src, areas):
        """A copy of the picture `src` with `areas` painted black."""
        out = src[:-4] + "-masked.png"
        draw = []
        for (l, t, r, b) in areas:
            draw += ["-draw", "rectangle %d,%d %d,%d" % (l, t, r - 1, b - 1)]
        self.run([CONVERT, src, "-fill", "black"] + draw + [out])
        return out

    def differing(self, a, b):
        """How many pixels differ between two pictures, as text ("0" when equal)."""
        # compare writes the metric on stderr
        r = subprocess.run(["compare", "-metric", "AE", a, b, "null:"],
                           env=self.env, timeout=X_TIMEOUT, capture_output=True, text=True)
        return r.stderr.strip()

    def picture(self, both=True, label="", percent=100):
        """Instance 1's editor (and instance 2's beside it, when `both`) against the Linux
        editor's off-screen picture of instance 1's state at the editor's scale `percent`;
        `label` names a later look."""
        h = self.host
        chunk = h.ask("chunk 1", "CHUNK 1")
        state = os.path.join(self.args.work, "state%s.bin" % label)
        with open(state, "wb") as f:
            f.write(bytes.fromhex(chunk[0].split()[2]) if chunk and len(chunk[0].split()) > 2
                    else b"")
        linux = os.path.join(self.args.work, "linux%s.png" % label)
        tool = [self.args.editor, "--state-in", state, "-o", linux]
        if percent != 100:
            tool += ["--scale", {150: "1.5", 200: "2"}[percent]]
        self.run(tool, timeout=60)
        time.sleep(1.0)
        win = self.shot("windows-1%s.png" % label, 0, device(W, percent), device(H, percent))
        sources = [win, linux] + ([self.shot("windows-2%s.png" % label, HOST_PITCH)] if both
                                  else [])
        text_areas = [device_rect(a, percent) for a in TEXT_AREAS]
        masked = [self.masked(src, text_areas + [device_rect(a, percent) for a in ACTIVITY])
                  for src in sources]
        said = label.strip("-").replace("-", " ") + ": " if label else ""
        d = self.differing(masked[0], masked[1])
        self.check(said + "the picture equals the Linux off-screen picture outside the text "
                   "areas", d == "0", "differing pixels: " + d)
        if both:
            d = self.differing(masked[0], masked[2])
            self.check("the second instance's editor shows the same picture", d == "0",
                       "differing pixels: " + d)
        # A text area holds text on Windows wherever it does in the Linux picture.
        missing = []
        for (l, t, r_, b) in text_areas:
            crop = "%dx%d+%d+%d" % (r_ - l, b - t, l, t)
            spans = []
            for src in (linux, win):
                spans.append(float(self.run(
                    [CONVERT, src, "-crop", crop, "+repage", "-colorspace", "Gray",
                     "-format", "%[fx:maxima-minima]", "info:"])))
            if spans[0] > 0.2 and spans[1] < 0.2:
                missing.append((l, t, r_, b))
        self.check(said + "the text areas hold text", not missing, "empty: %s" % missing)

    def second_editor_alone(self):
        """A click in the second editor reaches only the second instance."""
        m = self.host.mark()
        self.click(HOST_PITCH + 297, 188)
        time.sleep(0.5)
        ev = self.host.since(m)
        self.check("a click in the second editor reaches only the second instance",
                   any(l.startswith("BEGIN 2 4 ") for l in ev) and
                   not any(l.split()[0] in ("BEGIN", "END", "AUTOMATE") and
                           l.split()[1] == "1" for l in ev), ev)

    def check_words_reported(self, name, n, events, lines, after):
        """How a step bar edit (its gestures `events`, the host's `lines` since the click,
        the parameters `after`) reached the host, as the format does it."""
        raise NotImplementedError

    def steps(self, n, x0, s=1):
        """Clicks and a drag on step bars; at s = 2 at (2x, 2y) of the 100 % positions,
        which must edit exactly what they edit at 100 %."""
        model = Steps()
        h = self.host

        def bar_click(step, volume, t, button=1):
            l, top, r, b = step_bar(step, volume)
            return lambda: self.click(s * (x0 + l + int(round(t * (r - l)))),
                                      s * ((top + b) // 2), button)

        # t as the bar computes it from the pixel the click lands on
        def t_of(step, volume, t):
            l, _, r, _ = step_bar(step, volume)
            return (int(round(t * (r - l)))) / float(r - l)

        cases = [("a left click at the start of step 1's time bar sets level 0", 1, False, 0.06, 1),
                 ("a left click a third into step 7's time bar sets level 1", 7, False, 0.35, 1),
                 ("a left click at the start of step 3's volume bar sets level 0", 3, True, 0.06, 1),
                 ("a right click on step 1's time bar sets level 4 anywhere", 1, False, 0.06, 3)]
        for name, step, volume, t, button in cases:
            level = 4 if button == 3 else press_level(t_of(step, volume, t))
            model.v[(64 if volume else 0) + step - 1] = level
            m = h.mark()
            _, events, after = self.expect_edit(name, n, bar_click(step, volume, t, button), {},
                                                words=model.words())
            self.check_words_reported(name, n, events, h.since(m), after)
        entry = h.ask("entry %d" % n, "ENTRY")
        self.check("a right click on a bar opens no entry", entry == ["ENTRY %d none" % n], entry)

        # A drag sets round(4 t) of the bar that got the press.
        l, top, r, b = step_bar(2, False)
        y = (top + b) // 2
        model.v[1] = 4
        self.expect_edit("a drag along step 2's time bar ends on level 4", n,
                         lambda: self.drag([(s * (x0 + l + 2), s * y), (s * (x0 + l + 15), s * y),
                                            (s * (x0 + l + 31), s * y)]),
                         {}, words=model.words())
        return model

    def knobs_and_buttons(self, n, x0):
        h = self.host
        before = h.params(n)
        # The knob's new value is not known in advance: it must rise, and nothing else move.
        b = h.params(n)
        m = h.mark()
        self.drag([(x0 + 207, KNOB_Y), (x0 + 207, KNOB_Y - 20), (x0 + 207, KNOB_Y - 40)])
        a = h.params(n)
        ev = self.gestures(h.since(m), n)
        self.check("dragging the Attack knob up raises Attack", a[2][0] > b[2][0],
                   "%s -> %s" % (b[2], a[2]))
        self.check("dragging the Attack knob changes nothing else", self.changed(b, a) <= {2},
                   sorted(self.changed(b, a)))
        self.check("the knob drag is one gesture", self.changes_inside_gestures(ev, b) and
                   [k for k, i, _, _ in ev if i == 2 and k != "AUTOMATE"] == ["BEGIN", "END"],
                   str(ev))

        b = h.params(n)
        m = h.mark()
        self.drag([(x0 + 268, 182), (x0 + 250, 182), (x0 + 230, 182)])
        a = h.params(n)
        ev = self.gestures(h.since(m), n)
        self.check("dragging the Gate slider's handle left lowers Gate", a[3][0] < b[3][0],
                   "%s -> %s" % (b[3], a[3]))
        self.check("the slider drag changes Gate only, inside a gesture",
                   self.changed(b, a) <= {3} and self.changes_inside_gestures(ev, b),
                   "%s %s" % (sorted(self.changed(b, a)), ev))

        tie = "No" if before[4][1] == "Yes" else "Yes"
        self.expect_edit("a click on Tie Lock toggles it", n, lambda: self.click(x0 + 297, 188),
                         {4: tie})
        self.expect_edit("a click on the High Gain slice selects it", n,
                         lambda: self.click(x0 + 420, TARGET_SLICES["High Gain"]),
                         {8: "High Gain"})

    def focused_wheel_then_close(self, n, x0):
        """The editor's own wheel messages, when it has the keyboard focus, turn the Mix knob;
        closing the editor during the wheel's gesture ends it first."""
        h = self.host
        x, y = x0 + 569, KNOB_Y
        h.send("focus %d" % n)
        time.sleep(0.3)
        b = h.params(n)
        m = h.mark()
        self.xdo("mousemove", x, y, "click", "5", "click", "5")
        h.wait(lambda l: l.startswith("END %d 9 " % n), m)
        a = h.params(n)
        self.check("wheel messages to the editor window turn the knob down by notches",
                   display_number(a[9][1]) == display_number(b[9][1]) - 2,
                   "%s -> %s" % (b[9], a[9]))

        m = h.mark()
        self.xdo("mousemove", x, y, "click", "4")
        h.send("close %d" % n)
        closed = h.wait(lambda l: l.startswith("CLOSE %d" % n), m)
        lines = h.since(m)
        ends = [i for i, l in enumerate(lines) if l.startswith("END %d 9 " % n)]
        self.check("closing the editor during a wheel gesture sends its end",
                   closed is not None and ends and ends[0] < lines.index(closed), str(lines))

    # ---- The whole run ---------------------------------------------------------------------
    def host_argv(self, instances):
        """The host program and its arguments for `instances` plug-in instances."""
        raise NotImplementedError

    def scenarios(self):
        """The format's checks, with the host started and READY."""
        raise NotImplementedError

    def prepare(self):
        """What the format's run needs before the X server starts (the environment is set)."""

    def cleanup(self):
        """Undoes `prepare`, at the end of the run whatever happened."""

    def start_xvfb(self):
        """Starts the private X server; answers its display, or None."""
        rfd, wfd = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(wfd), "-screen", "0", self.screen, "-nolisten", "tcp"],
            pass_fds=(wfd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        os.close(wfd)
        display = b""
        end = time.time() + 20
        while not display.endswith(b"\n") and time.time() < end:
            chunk = os.read(rfd, 16)
            if not chunk:
                break
            display += chunk
        os.close(rfd)
        return ":" + display.decode().strip() if display.strip() else None

    def stop_xvfb(self):
        if self.xvfb and self.xvfb.poll() is None:
            os.killpg(self.xvfb.pid, signal.SIGTERM)
            try:
                self.xvfb.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(self.xvfb.pid, signal.SIGKILL)
                self.xvfb.wait(timeout=10)

    def main(self, name, instances=2):
        """Runs the host with `instances` instances in a private X server and the format's
        scenarios; answers the exit code (0 when every check passed)."""
        a = self.args
        os.makedirs(a.work, exist_ok=True)
        self.env = dict(os.environ, WINEPREFIX=a.prefix, WINEARCH=a.arch, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml,winedbg.exe=",
                        WINELOADER=wine_loader(a.arch))
        self.env.pop("WAYLAND_DISPLAY", None)
        self.env.pop("DISPLAY", None)
        # The editor's remembered size lives in a folder of the run's own.
        config = os.path.join(a.work, "config")
        shutil.rmtree(config, ignore_errors=True)
        os.makedirs(config)
        self.env["CORVANEL_CONFIG_DIR"] = "Z:" + config.replace("/", "\\")
        self.wineserver_kill()  # a wine server started without a display stays without one
        self.prepare()
        display = self.start_xvfb()
        if not display:
            print("%s: Xvfb did not start" % name)
            self.stop_xvfb()
            return 1
        self.env["DISPLAY"] = display
        print("%s: %s on display %s" % (name, a.arch, display))
        try:
            self.host = Host(self.host_argv(instances), self.env, a.work)
            ready = self.host.wait(lambda l: l == "READY", 0, START_TIMEOUT)
            lines = self.host.since(0)
            self.check("every instance opens its editor", ready is not None and all(
                "OPEN %d 1" % (i + 1) in lines for i in range(instances)), lines)
            if ready:
                self.xdo("search", "--sync", "--name", "^Corvanel host %d$" % instances)
                self.scenarios()
        except (RuntimeError, subprocess.TimeoutExpired, OSError, IndexError, KeyError,
                ValueError) as e:
            self.check("the run completes", False, repr(e))
        finally:
            if self.host:
                self.host.stop()
                with open(os.path.join(a.work, "host-stdout.txt"), "w") as f:
                    f.write("\n".join(self.host.since(0)) + "\n")
            self.wineserver_kill()
            self.stop_xvfb()
            self.cleanup()
        print("%s: %s: %d passed, %d failed" % (name, a.arch, self.passed, len(self.failed)))
        for f in self.failed:
            print("%s: failed: %s" % (name, f))
        return 0 if not self.failed else 1

    def stop_host(self):
        """Quits the host: it closes the editors and exits cleanly."""
        rc = self.host.stop()
        self.check("the host closes the editors and exits cleanly", rc == 0 and
                   self.host.since(0)[-1] == "BYE", "rc %s" % rc)


def common_arguments(parser):
    """The arguments every driver takes."""
    parser.add_argument("--arch", required=True, choices=["win32", "win64"])
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--host", required=True)
    parser.add_argument("--editor", required=True)
    parser.add_argument("--work", required=True)


def run(driver_class, parser, name):
    args = parser.parse_args()
    # Stopped from outside (a timeout): the cleanup still stops the host, wine and Xvfb.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    sys.exit(driver_class(args).main(name))


LIST_TEXTS = {
    "Rate": ["1/128", "1/64T", "1/128D", "1/64", "1/32T", "1/64D", "1/32", "1/16T", "1/32D",
             "1/16", "1/8T", "1/16D", "1/8", "1/4T", "1/8D", "1/4", "1/2T", "1/4D", "1/2", "1/1T",
             "1/2D", "1/1", "2/1T", "1/1D", "2/1", "4/1T", "2/1D", "4/1"],
    "Target": ["Volume", "Low Gain", "High Gain", "Low - High"],
}


