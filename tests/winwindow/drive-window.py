#!/usr/bin/env python3
"""Drives the Windows VST2 editor under wine in a real X display, like a person would.

  drive-window.py --arch win32|win64 --prefix WINEPREFIX --host corvanel-winhost.exe
                  --dll Corvanel.dll --editor corvanel-editor --work DIR [--dpi 192]

Starts its own Xvfb (its PID kept, stopped at the end), runs the test host with two
plug-in instances side by side, clicks, drags, types and turns the wheel with xdotool,
takes screenshots with ImageMagick, and checks what the host sees: gestures, parameter
values, step words, the value-entry children and the editor window's place. Every
wine and X call has a timeout; nothing is left running (tests/winwindow/editor_driver.py,
shared with the VST3 driver). Exit code 0 when every check passed.

With --dpi 192 the desktop is at 200 %: the prefix is copied into the work folder and
its LogPixels set there (the shared prefix stays at 96 dpi), and one editor is checked
at its scaled size, picture, clicks and value entry, and through a DPI change.
"""
import argparse
import os
import re
import shutil
import subprocess
import time

from editor_driver import (KNOB_Y, LIST_TEXTS, START_TIMEOUT, TARGET_SLICES, W, H, Driver,
                           common_arguments, run, wine_loader)

# The Cycle knob's value field at 100 %: x, y, w, h in the editor window.
CYCLE_FIELD = (105, 127, 32, 16)


class Vst2Driver(Driver):
    def main(self, name, instances=2):
        # At another DPI one editor is enough (and the screen must hold it at 200 %).
        if self.args.dpi != 96:
            self.screen = "1300x740x24"
            instances = 1
        return super().main(name, instances)

    def prepare(self):
        """At --dpi, a copy of the test prefix at LogPixels = --dpi, in the work folder."""
        a = self.args
        self.dpi_prefix = None
        if a.dpi == 96:
            return
        self.dpi_prefix = os.path.join(a.work, "wineprefix-%ddpi" % a.dpi)
        shutil.rmtree(self.dpi_prefix, ignore_errors=True)
        subprocess.run(["cp", "-a", a.prefix, self.dpi_prefix], check=True, timeout=120)
        self.env["WINEPREFIX"] = self.dpi_prefix
        subprocess.run([wine_loader(a.arch), "reg", "add", r"HKCU\Control Panel\Desktop", "/v",
                        "LogPixels", "/t", "REG_DWORD", "/d", str(a.dpi), "/f"], env=self.env,
                       timeout=START_TIMEOUT, capture_output=True, check=True)
        self.wineserver_kill()  # it was started without a display

    def cleanup(self):
        if getattr(self, "dpi_prefix", None):
            shutil.rmtree(self.dpi_prefix, ignore_errors=True)

    def host_argv(self, instances):
        return [self.args.host, "Z:" + self.args.dll, str(instances)]

    def check_words_reported(self, name, n, events, lines, after):
        self.check(name + ": signalled through parameter 23",
                   ("BEGIN", 23) in [(k, i) for k, i, _, _ in events] and
                   ("END", 23) in [(k, i) for k, i, _, _ in events])

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
        self.check("the field is centred on the knob",
                   e == ['ENTRY %d Edit %d %d %d %d "16"' % ((n,) + CYCLE_FIELD)], e)
        self.check("a right click on a knob opens the EDIT field with its value",
                   len(e) == 1 and " Edit " in e[0] and e[0].endswith('"16"'), e)
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

        self.focused_wheel_then_close(n, x0)

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

    def at_dpi(self):
        """One editor on a desktop at LogPixels 192: it opens at 200 %, the host follows,
        and it follows a DPI change."""
        h = self.host
        lines = h.since(0)
        sizes = [l.split()[1:4] for l in lines if l.startswith("SIZE ")]
        self.check("at 192 dpi the host is asked for 1240 x 710 while the editor opens",
                   sizes == [["1", "1240", "710"]], lines)
        r = h.ask("rect 1", "RECT")
        self.check("the editor window fills 1240 x 710 at the host window's origin",
                   r == ["RECT 1 0 0 1240 710"], r)
        self.picture(both=False, percent=200)
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
                self.picture(both=False, label="-150", percent=150)
        self.expect_edit("after the changes a click at (2x, 2y) still edits what it edits at "
                         "100 %", 1, lambda: self.click(2 * 420, 2 * TARGET_SLICES["High Gain"]),
                         {8: "High Gain"})
        self.stop_host()

    def scenarios(self):
        if self.args.dpi != 96:
            self.at_dpi()
            return
        lines = self.host.since(0)
        self.check("both instances announce an editor",
                   "FLAGS 1 1" in lines and "FLAGS 2 1" in lines, lines)
        r = self.host.ask("rect 1", "RECT")
        self.check("the editor window fills 620 x 355 at the host window's origin",
                   r == ["RECT 1 0 0 %d %d" % (W, H)], r)
        self.picture()
        self.host.send("audio 1")
        self.steps(1, 0)
        self.knobs_and_buttons(1, 0)
        self.entries(1, 0)
        # The second editor works beside the first, and the first goes on alone.
        self.second_editor_alone()
        self.host.ask("close 2", "CLOSE")
        self.wheel(1, 0)
        self.reopen(1)
        self.expect_edit("the first editor still works with the second closed", 1,
                         lambda: self.click(420, TARGET_SLICES["Volume"]), {8: "Volume"})
        self.stop_host()


if __name__ == "__main__":
    p = argparse.ArgumentParser()
    common_arguments(p)
    p.add_argument("--dll", required=True)
    p.add_argument("--dpi", type=int, default=96, choices=[96, 192],
                   help="the desktop's LogPixels (192: the run at 200 %%)")
    run(Vst2Driver, p, "drive-window")
