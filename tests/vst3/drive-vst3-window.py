#!/usr/bin/env python3
"""Plays the user on the VST3 bundle's Windows editor under wine, in a real X display.

  drive-vst3-window.py --arch win32|win64 --prefix WINEPREFIX --host corvanel-vst3-winhost.exe
                       --bundle Corvanel.vst3 --editor corvanel-editor --work DIR

Starts its own Xvfb (its PID kept, stopped at the end) and runs the VST3 test host
(tests/vst3/Vst3WinHost.cpp) with two instances side by side, each view attached to a
host window as "HWND". Clicks and drags go through the X server with xdotool; the checks
are on what the host sees: the component handler's beginEdit / performEdit / endEdit, the
controller's values and texts, the step words in the output parameter changes, the frame
never asked to resize, and the pictures against the Linux editor's off-screen picture.
Host changes show in the editor. The editor's own wheel messages, and removing the view
during their gesture (which ends first); a host window destroyed before its view is
removed; removing and attaching a view again, or the same one (the same picture), and a
second view refused while one holds the window.
Every wine and X call has a timeout; nothing is left running. Exit code 0 when every check
passed.
"""
import argparse
import os
import re
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "winwindow"))

from editor_driver import (ACTIVITY, HOST_PITCH, STATUS_LINE, TARGET_SLICES, W, H,  # noqa: E402
                           Driver, common_arguments, run)

WORDS = range(10, 23)  # the step words' parameter ids


class Vst3Driver(Driver):
    def host_argv(self, instances):
        return [self.args.host, self.args.bundle, str(instances)]

    def check_words_reported(self, name, n, events, lines, after):
        # The audio thread publishes the words as output parameter changes, the last value
        # of each being the controller's; the editor's own signal parameters never reach
        # the component handler, and the words come as no gesture.
        out = {}
        for l in lines:
            m = re.match(r"OUT %d (\d+) (\S+) @" % n, l)
            if m:
                out[int(m.group(1))] = float(m.group(2))
        wrong = [i for i in WORDS if out.get(i) != after[i][0]]
        self.check(name + ": the step words reach the host as output changes", not wrong,
                   "word: (out, controller) %s" % [(i, out.get(i), after[i][0]) for i in wrong])
        self.check(name + ": no gesture of a word or an editor signal",
                   all(i < 10 for _, i, _, _ in events), str(events))

    def automation(self):
        """Host changes (Rate, Tie Lock, Target, Mix) show in the open editor, and are not
        sent back to the host. The values are on their parameters' steps: a knob shows the
        host's value as it came, as the Linux picture shows the parameter's."""
        h = self.host
        m = h.mark()
        for idx, value in ((0, 15 / 27.0), (4, 0.0), (8, 1.0), (9, 0.25)):
            h.send("set 1 %d %r" % (idx, value))
        after = h.params(1)
        self.check("host changes set the controller's values",
                   [after[i][1] for i in (0, 4, 8, 9)] == ["1/4", "No", "Low - High", "25%"],
                   str([after[i] for i in (0, 4, 8, 9)]))
        self.picture(both=False, label="-automated")
        self.check("host changes are not sent back to the host", not self.gestures(h.since(m), 1),
                   str(h.since(m)))

    def parent_destroyed_first(self, n):
        """A host that destroys its window before it removes the view: removed answers,
        and a view attached to the host's next window works (the caller plays it)."""
        h = self.host
        d = h.ask("destroy %d" % n, "DESTROYED")
        c = h.ask("close %d" % n, "CLOSE")
        o = h.ask("open %d" % n, "OPEN")
        r = h.ask("rect %d" % n, "RECT")
        self.check("a view whose host window went first is removed and attached anew",
                   d == ["DESTROYED %d" % n] and c == ["CLOSE %d 1" % n] and
                   o == ["OPEN %d 1" % n] and r == ["RECT %d 0 0 %d %d" % (n, W, H)],
                   "%s %s %s %s" % (d, c, o, r))

    def reopen(self, n):
        h = self.host
        full = ["RECT %d 0 0 %d %d" % (n, W, H)]
        for name, command, answer, rect in (
                ("a second view cannot take the window of the open one", "second", "SECOND 0",
                 full),
                ("removed, the view leaves no window in the host's", "close", "CLOSE 1",
                 ["RECT %d none" % n]),
                ("attached again it has its size at the origin", "open", "OPEN 1", full),
                ("the same view removed and attached again is back", "reattach", "REATTACH 1",
                 full)):
            if command == "close":
                time.sleep(0.5)
                before = self.shot("before-close.png")
            verb, rc = answer.split()
            a = h.ask("%s %d" % (command, n), verb)
            r = h.ask("rect %d" % n, "RECT")
            self.check(name, a == ["%s %d %s" % (verb, n, rc)] and r == rect, "%s %s" % (a, r))
        # The controls kept from the closed view show what they showed (a knob where the
        # drag left it, between the steps of its parameter); only the activity moves on, and
        # a message may have timed out meanwhile.
        time.sleep(1.0)
        moving = ACTIVITY + [STATUS_LINE]
        d = self.differing(self.masked(before, moving),
                           self.masked(self.shot("reopened.png"), moving))
        self.check("the reopened editor shows what it showed before closing", d == "0",
                   "differing pixels: " + d)

    def scenarios(self):
        h = self.host
        v = h.ask("view 1", "VIEW")
        self.check("the view takes HWND only, has one size, 620 x 355",
                   v == ["VIEW 1 1 0 0 %d %d" % (W, H)], v)
        r = h.ask("rect 1", "RECT")
        self.check("the editor window fills 620 x 355 at the host window's origin",
                   r == ["RECT 1 0 0 %d %d" % (W, H)], r)
        self.picture()
        h.send("audio 1")
        self.automation()
        self.steps(1, 0)
        self.knobs_and_buttons(1, 0)
        self.second_editor_alone()
        self.parent_destroyed_first(2)
        self.focused_wheel_then_close(2, HOST_PITCH)
        self.reopen(1)
        self.expect_edit("the reopened editor sends its edits", 1,
                         lambda: self.click(420, TARGET_SLICES["Low Gain"]), {8: "Low Gain"})
        self.stop_host()
        odd = [l for l in h.since(0) if l.split()[0] in ("RESIZE", "RESTART", "ERROR")]
        self.check("the frame is never asked to resize, the component never restarts", not odd,
                   odd)


if __name__ == "__main__":
    p = argparse.ArgumentParser()
    common_arguments(p)
    p.add_argument("--bundle", required=True)
    run(Vst3Driver, p, "drive-vst3-window")
