#!/usr/bin/env python3
"""Drives the Windows editor under wine in a real X display, like a person would.

  drive-window.py --arch win32|win64 --prefix WINEPREFIX --host corvanel-winhost.exe
                  --dll Corvanel.dll --editor corvanel-editor --work DIR [--dpi 192]

Starts its own Xvfb (its PID kept, stopped at the end), runs the test host with two
plug-in instances side by side, clicks, drags, types and turns the wheel with xdotool,
takes screenshots with ImageMagick, and checks what the host sees: gestures, parameter
values, step words, the value-entry children and the editor window's place. Every
wine and X call has a timeout; nothing is left running. Exit code 0 when every check
passed.

With --dpi 192 the desktop is at 200 %: the prefix is copied into the work folder and
its LogPixels set there (the shared prefix stays at 96 dpi), and one editor is checked
at its scaled size, picture, clicks and value entry, and through a DPI change.
"""
import argparse
import os
import queue
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
from editor_layout import (ACTIVITY, H, KNOB_Y, TARGET_SLICES, TEXT_AREAS,  # noqa: E402
                           W, press_level, step_bar)

HOST_PITCH = W + 20  # host windows stand side by side
# The Cycle knob's value field at 100 %: x, y, w, h in the editor window.
CYCLE_FIELD = (105, 127, 32, 16)


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


class Host:
    """The test host under wine, commands in, events out."""

    def __init__(self, args, env, instances):
        self.lines = []
        self.lock = threading.Lock()
        self.proc = subprocess.Popen(
            ["timeout", "-k", "5", "600", args.wine, args.host, "Z:" + args.dll,
             str(instances)],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=open(
                os.path.join(args.work, "host-stderr.txt"), "w"),
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

    # ---- Scenarios ---------------------------------------------------------------------------
    def picture(self, percent=100):
        """The first editor's screen against the Linux tool's picture at the same scale,
        outside the text areas; at 100 % also the second editor's."""
        h = self.host
        chunk = h.ask("chunk 1", "CHUNK 1")
        state = os.path.join(self.args.work, "state.bin")
        with open(state, "wb") as f:
            f.write(bytes.fromhex(chunk[0].split()[2]) if chunk and len(chunk[0].split()) > 2
                    else b"")
        at = "" if percent == 100 else " at %d %%" % percent
        suffix = "" if percent == 100 else "-%d" % percent
        linux = os.path.join(self.args.work, "linux%s.png" % suffix)
        tool = [self.args.editor, "--state-in", state, "-o", linux]
        if percent != 100:
            tool += ["--scale", {150: "1.5", 200: "2"}[percent]]
        self.run(tool, timeout=60)
        time.sleep(1.0)
        dw, dh = device(W, percent), device(H, percent)
        win = self.shot("windows-1%s.png" % suffix, 0, dw, dh)
        sources = [win, linux]
        if percent == 100:
            sources.append(self.shot("windows-2.png", HOST_PITCH))
        areas = [device_rect(a, percent) for a in TEXT_AREAS + ACTIVITY]
        masked = []
        for src in sources:
            out = src[:-4] + "-masked.png"
            draw = []
            for (l, t, r, b) in areas:
                draw += ["-draw", "rectangle %d,%d %d,%d" % (l, t, r - 1, b - 1)]
            self.run([CONVERT, src, "-fill", "black"] + draw + [out])
            masked.append(out)
        # compare writes the metric on stderr
        r = subprocess.run(["compare", "-metric", "AE", masked[0], masked[1], "null:"],
                           env=self.env, timeout=X_TIMEOUT, capture_output=True, text=True)
        self.check("the picture%s equals the Linux off-screen picture outside the text areas"
                   % at, r.stderr.strip() == "0", "differing pixels: " + r.stderr.strip())
        if percent == 100:
            r = subprocess.run(["compare", "-metric", "AE", masked[0], masked[2], "null:"],
                               env=self.env, timeout=X_TIMEOUT, capture_output=True, text=True)
            self.check("the second instance's editor shows the same picture",
                       r.stderr.strip() == "0", "differing pixels: " + r.stderr.strip())
        # A text area holds text on Windows wherever it does in the Linux picture.
        missing = []
        for (l, t, r_, b) in [device_rect(a, percent) for a in TEXT_AREAS]:
            crop = "%dx%d+%d+%d" % (r_ - l, b - t, l, t)
            spans = []
            for src in (linux, win):
                spans.append(float(self.run(
                    [CONVERT, src, "-crop", crop, "+repage", "-colorspace", "Gray",
                     "-format", "%[fx:maxima-minima]", "info:"])))
            if spans[0] > 0.2 and spans[1] < 0.2:
                missing.append((l, t, r_, b))
        self.check("the text areas hold text%s" % at, not missing, "empty: %s" % missing)

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
            _, events, _ = self.expect_edit(name, n, bar_click(step, volume, t, button), {},
                                            words=model.words())
            self.check(name + ": signalled through parameter 23",
                       ("BEGIN", 23) in [(k, i) for k, i, _, _ in events] and
                       ("END", 23) in [(k, i) for k, i, _, _ in events])
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

    def entries(self, n, x0):
        h = self.host
        wid = self.xdo("search", "--name", "^Corvanel host %d$" % n).split()[0]

        def typed(x, y, text, finish):
            def action():
                self.click(x0 + x, y, 3)
                self.xdo("windowfocus", "--sync", wid)
                self.xdo("type", "--delay", "40", text)
                finish()
            return action

        def open_entry(x, y):
            self.click(x0 + x, y, 3)
            return h.ask("entry %d" % n, "ENTRY")

        e = open_entry(121, KNOB_Y)
        self.check("a right click on a knob opens the EDIT field with its value",
                   len(e) == 1 and " Edit " in e[0] and e[0].endswith('"16"'), e)
        self.check("the field is centred on the knob",
                   e == ['ENTRY %d Edit %d %d %d %d "16"' % ((n,) + CYCLE_FIELD)], e)
        self.click(x0 + 600, 340, 3)  # and a right click discards it
        self.xdo("windowfocus", "--sync", wid)
        self.expect_edit("typed text and Enter apply to the knob", n,
                         typed(121, KNOB_Y, "24", lambda: self.xdo("key", "Return")), {1: "24"})
        e = h.ask("entry %d" % n, "ENTRY")
        self.check("the field closes once applied", e == ["ENTRY %d none" % n], e)

        self.expect_edit("typed text and a left click elsewhere in the editor apply it", n,
                         typed(277, KNOB_Y, "50", lambda: self.click(x0 + 600, 340)), {5: "50"})

        b = h.params(n)
        typed(347, KNOB_Y, "77", lambda: None)()
        self.click(x0 + 600, 340, 3)
        time.sleep(0.5)
        a = h.params(n)
        e = h.ask("entry %d" % n, "ENTRY")
        self.check("a right click while a field is open discards it",
                   e == ["ENTRY %d none" % n] and a[6] == b[6], "%s %s -> %s" % (e, b[6], a[6]))

        for name, x, y, choice, idx in (("Rate", 51, KNOB_Y, "1/4", 0),
                                        ("Target", 420, TARGET_SLICES["Volume"], "Low - High", 8)):
            def choose(x=x, y=y, choice=choice, name=name):
                e = open_entry(x, y)
                self.check("a right click on %s opens the list" % name,
                           len(e) == 1 and " ComboBox " in e[0], e)
                if len(e) != 1 or " ComboBox " not in e[0]:
                    return
                _, _, _, ex, ey, ew, eh = e[0].split()[:7]
                before = set(self.xdo("search", "--onlyvisible", "--name", "").split())
                self.click(x0 + int(ex) + int(ew) // 2, int(ey) + int(eh) // 2)
                popup = [w for w in self.xdo("search", "--onlyvisible", "--name", "").split()
                         if w not in before]
                if not popup:
                    self.check("the %s list drops down" % name, False)
                    return
                geo = self.run(["xwininfo", "-id", popup[-1]])
                px = int(re.search(r"Absolute upper-left X:\s+(-?\d+)", geo).group(1))
                py = int(re.search(r"Absolute upper-left Y:\s+(-?\d+)", geo).group(1))
                pw = int(re.search(r"Width:\s+(\d+)", geo).group(1))
                ph = int(re.search(r"Height:\s+(\d+)", geo).group(1))
                texts = LIST_TEXTS[name]
                row = (ph - 2) / float(len(texts))
                i = texts.index(choice)
                self.xdo("mousemove", px + pw // 2, py + 1 + int(row * i + row / 2))
                time.sleep(0.3)
                self.click(px + pw // 2, py + 1 + int(row * i + row / 2))
            self.expect_edit("choosing %s in the %s list applies it" % (choice, name), n, choose,
                             {idx: choice})

    def wheel(self, n, x0):
        h = self.host
        x, y = x0 + 569, KNOB_Y
        b = h.params(n)
        m = h.mark()
        self.xdo("mousemove", x, y, "click", "4", "click", "4", "click", "4")
        end = h.wait(lambda l: l.startswith("END %d 9 " % n), m)
        a = h.params(n)
        ev = self.gestures(h.since(m), n)
        autos = [e for e in ev if e[0] == "AUTOMATE" and e[1] == 9]
        kinds = [k for k, i, _, _ in ev if i == 9 and k != "AUTOMATE"]
        self.check("three wheel notches raise Mix by three", a[9][1] == str(int(b[9][1]) + 3),
                   "%s -> %s" % (b[9], a[9]))
        self.check("the wheel notches reach the host as one gesture", kinds == ["BEGIN", "END"],
                   str(ev))
        self.check("the wheel gesture ends after the timer (half a second)",
                   end is not None and autos and ev[-1][3] - autos[-1][3] >= 400, str(ev))

        # The editor's own wheel messages, when it has the keyboard focus.
        h.send("focus %d" % n)
        time.sleep(0.3)
        b = h.params(n)
        m = h.mark()
        self.xdo("mousemove", x, y, "click", "5", "click", "5")
        h.wait(lambda l: l.startswith("END %d 9 " % n), m)
        a = h.params(n)
        self.check("wheel messages to the editor window turn the knob down by notches",
                   a[9][1] == str(int(b[9][1]) - 2), "%s -> %s" % (b[9], a[9]))

        m = h.mark()
        self.xdo("mousemove", x, y, "click", "4")
        h.send("close %d" % n)
        closed = h.wait(lambda l: l.startswith("CLOSE %d" % n), m)
        lines = h.since(m)
        ends = [i for i, l in enumerate(lines) if l.startswith("END %d 9 " % n)]
        self.check("closing the editor during a wheel gesture sends its end",
                   closed is not None and ends and ends[0] < lines.index(closed), str(lines))

    def reopen(self, n):
        h = self.host
        r = h.ask("rect %d" % n, "RECT")
        self.check("a closed editor has no window", r == ["RECT %d none" % n], r)
        o = h.ask("open %d" % n, "OPEN")
        r = h.ask("rect %d" % n, "RECT")
        self.check("opened again it has its size at the origin",
                   o == ["OPEN %d 1" % n] and r == ["RECT %d 0 0 %d %d" % (n, W, H)], r)
        h.send("move %d 10 20" % n)
        h.ask("open %d" % n, "OPEN")
        r = h.ask("rect %d" % n, "RECT")
        self.check("opening it while open keeps its size and position",
                   r == ["RECT %d 10 20 %d %d" % (n, W, H)], r)
        h.send("move %d 0 0" % n)
        time.sleep(0.5)

    # ---- The whole run ---------------------------------------------------------------------
    def at_100(self):
        """Two editors side by side on a 96 dpi desktop."""
        self.host = Host(self.args, self.env, 2)
        ready = self.host.wait(lambda l: l == "READY", 0, START_TIMEOUT)
        lines = self.host.since(0)
        self.check("both instances announce and open their editors", ready is not None and all(
            l in lines for l in ("FLAGS 1 1", "OPEN 1 1", "FLAGS 2 1", "OPEN 2 1")), lines)
        if not ready:
            return
        self.xdo("search", "--sync", "--name", "^Corvanel host 2$")
        r = self.host.ask("rect 1", "RECT")
        self.check("the editor window fills 620 x 355 at the host window's origin",
                   r == ["RECT 1 0 0 %d %d" % (W, H)], r)
        self.picture()
        self.host.send("audio 1")
        self.steps(1, 0)
        self.knobs_and_buttons(1, 0)
        self.entries(1, 0)
        # The second editor works beside the first, and the first goes on alone.
        m = self.host.mark()
        self.click(HOST_PITCH + 297, 188)
        time.sleep(0.5)
        ev = self.host.since(m)
        self.check("a click in the second editor reaches only the second instance",
                   any(l.startswith("BEGIN 2 4 ") for l in ev) and
                   not any(l.split()[0] in ("BEGIN", "END", "AUTOMATE") and
                           l.split()[1] == "1" for l in ev), ev)
        self.host.ask("close 2", "CLOSE")
        self.wheel(1, 0)
        self.reopen(1)
        self.expect_edit("the first editor still works with the second closed", 1,
                         lambda: self.click(420, TARGET_SLICES["Volume"]), {8: "Volume"})
        rc = self.host.stop()
        self.check("the host closes the editors and exits cleanly", rc == 0 and
                   self.host.since(0)[-1] == "BYE", "rc %s" % rc)

    def at_dpi(self):
        """One editor on a desktop at LogPixels 192: it opens at 200 %, the host follows,
        and it follows a DPI change."""
        h = self.host = Host(self.args, self.env, 1)
        ready = h.wait(lambda l: l == "READY", 0, START_TIMEOUT)
        lines = h.since(0)
        self.check("the editor opens", ready is not None and "OPEN 1 1" in lines, lines)
        if not ready:
            return
        sizes = [l.split()[1:4] for l in lines if l.startswith("SIZE ")]
        self.check("at 192 dpi the host is asked for 1240 x 710 while the editor opens",
                   sizes == [["1", "1240", "710"]], lines)
        self.xdo("search", "--sync", "--name", "^Corvanel host 1$")
        r = h.ask("rect 1", "RECT")
        self.check("the editor window fills 1240 x 710 at the host window's origin",
                   r == ["RECT 1 0 0 1240 710"], r)
        self.picture(200)
        h.send("audio 1")
        self.steps(1, 0, 2)

        # The value entry sits at the scaled place of the knob's field, in a scaled font.
        self.click(2 * 121, 2 * KNOB_Y, 3)
        e = h.ask("entry 1", "ENTRY")
        self.check("a right click on a knob at (2x, 2y) opens its field at twice its place "
                   "and size at 100 %",
                   e == ['ENTRY 1 Edit %d %d %d %d "16"' % tuple(2 * v for v in CYCLE_FIELD)], e)
        wid = self.xdo("search", "--name", "^Corvanel host 1$").split()[0]

        def type_24():
            self.xdo("windowfocus", "--sync", wid)
            self.xdo("type", "--delay", "40", "24")
            self.xdo("key", "Return")
        self.expect_edit("typed text and Enter apply to the knob at 200 %", 1, type_24, {1: "24"})

        # A move to a monitor at 144 dpi and back (the message Windows sends a top-level
        # window; wine has one DPI for every monitor).
        for dpi, percent, size in ((144, 150, (930, 533)), (192, 200, (1240, 710))):
            m = h.mark()
            h.send("dpi 1 %d" % dpi)
            got = h.wait(lambda l: l.startswith("SIZE 1 "), m)
            r = h.ask("rect 1", "RECT")
            self.check("a change to %d dpi resizes the editor to %d x %d and asks the host to "
                       "follow" % (dpi, size[0], size[1]),
                       got is not None and got.split()[2:4] == [str(v) for v in size] and
                       r == ["RECT 1 0 0 %d %d" % size], "%s %s" % (got, r))
            if percent == 150:
                self.picture(150)
        self.expect_edit("after the changes a click at (2x, 2y) still edits what it edits at "
                         "100 %", 1, lambda: self.click(2 * 420, 2 * TARGET_SLICES["High Gain"]),
                         {8: "High Gain"})
        rc = h.stop()
        self.check("the host closes the editor and exits cleanly", rc == 0 and
                   h.since(0)[-1] == "BYE", "rc %s" % rc)

    def dpi_prefix(self):
        """A copy of the test prefix at LogPixels = --dpi, in the work folder; its path."""
        a = self.args
        prefix = os.path.join(a.work, "wineprefix-%ddpi" % a.dpi)
        shutil.rmtree(prefix, ignore_errors=True)
        subprocess.run(["cp", "-a", a.prefix, prefix], check=True, timeout=120)
        self.env["WINEPREFIX"] = prefix
        subprocess.run([a.wine, "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels",
                        "/t", "REG_DWORD", "/d", str(a.dpi), "/f"], env=self.env,
                       timeout=START_TIMEOUT, capture_output=True, check=True)
        self.wineserver_kill()  # it was started without a display
        return prefix

    def main(self):
        a = self.args
        os.makedirs(a.work, exist_ok=True)
        self.env = dict(os.environ, WINEPREFIX=a.prefix, WINEARCH=a.arch, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml,winedbg.exe=", WINELOADER=a.wine)
        self.env.pop("WAYLAND_DISPLAY", None)
        self.env.pop("DISPLAY", None)
        # The editor's remembered size lives in a folder of the test's own.
        config = os.path.join(a.work, "config")
        shutil.rmtree(config, ignore_errors=True)
        os.makedirs(config)
        self.env["CORVANEL_CONFIG_DIR"] = "Z:" + config.replace("/", "\\")
        self.wineserver_kill()  # a wine server started without a display stays without one
        dpi_prefix = self.dpi_prefix() if a.dpi != 96 else None
        screen = "1300x400x24" if a.dpi == 96 else "1300x740x24"
        rfd, wfd = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(wfd), "-screen", "0", screen, "-nolisten", "tcp"],
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
        if not display.strip():
            print("drive-window: Xvfb did not start")
            return 1
        self.env["DISPLAY"] = ":" + display.decode().strip()
        print("drive-window: %s at %d dpi on display %s" % (a.arch, a.dpi, self.env["DISPLAY"]))
        try:
            if a.dpi == 96:
                self.at_100()
            else:
                self.at_dpi()
        except (RuntimeError, subprocess.TimeoutExpired, OSError, IndexError, KeyError,
                ValueError) as e:
            self.check("the run completes", False, repr(e))
        finally:
            if self.host:
                self.host.stop()
            self.wineserver_kill()
            if self.xvfb.poll() is None:
                os.killpg(self.xvfb.pid, signal.SIGTERM)
                try:
                    self.xvfb.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    os.killpg(self.xvfb.pid, signal.SIGKILL)
                    self.xvfb.wait(timeout=10)
            if dpi_prefix:
                shutil.rmtree(dpi_prefix, ignore_errors=True)
        print("drive-window: %s: %d passed, %d failed" % (a.arch, self.passed, len(self.failed)))
        for f in self.failed:
            print("drive-window: failed: %s" % f)
        return 0 if not self.failed else 1


def device(v, percent):
    """An editor coordinate in device pixels, as the editor maps it (halves round up)."""
    return (v * percent + 50) // 100


def device_rect(r, percent):
    return tuple(device(v, percent) for v in r)


LIST_TEXTS = {
    "Rate": ["1/128", "1/64T", "1/128D", "1/64", "1/32T", "1/64D", "1/32", "1/16T", "1/32D",
             "1/16", "1/8T", "1/16D", "1/8", "1/4T", "1/8D", "1/4", "1/2T", "1/4D", "1/2", "1/1T",
             "1/2D", "1/1", "2/1T", "1/1D", "2/1", "4/1T", "2/1D", "4/1"],
    "Target": ["Volume", "Low Gain", "High Gain", "Low - High"],
}


if __name__ == "__main__":
    p = argparse.ArgumentParser()
    p.add_argument("--arch", required=True, choices=["win32", "win64"])
    p.add_argument("--prefix", required=True)
    p.add_argument("--host", required=True)
    p.add_argument("--dll", required=True)
    p.add_argument("--editor", required=True)
    p.add_argument("--work", required=True)
    p.add_argument("--dpi", type=int, default=96, choices=[96, 192],
                   help="the desktop's LogPixels (192: the run at 200 %%)")
    args = p.parse_args()
    args.wine = "/usr/lib/wine/wine" if args.arch == "win32" else "/usr/lib/wine/wine64"
    # Stopped from outside (a timeout): the cleanup still stops the host, wine and Xvfb.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    sys.exit(Driver(args).main())
