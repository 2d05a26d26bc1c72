"""The editor's layout as the window tests in Python click and compare it (620 x 355)."""
import math

W, H = 620, 355
# Each knob: its parameter and its centre's x; all centres are at KNOB_Y.
KNOBS = {"Rate": (0, 51), "Cycle": (1, 121), "Attack": (2, 207), "Release": (5, 277),
         "Fade": (6, 347), "SplitFreq": (7, 499), "Mix": (9, 569)}
KNOB_Y = 125
STEP_ROWS = [210, 244, 275, 309]
TARGET_SLICES = {"Volume": 105, "Low Gain": 123, "High Gain": 141, "Low - High": 159}
# Where text is drawn, which platforms and hosts render their own way (GDI against FreeType;
# the off-screen tool writes its own session into the status line): the version label, the
# status line and the value under each knob. The two activity displays' marker follows the
# host's transport.
# The message line, whose messages also go away on their own after nine seconds.
STATUS_LINE = (316, 180, 446, 198)
TEXT_AREAS = [(40, 10, 100, 31), STATUS_LINE] + [
    (x - 32, 150, x + 32, 172) for _, x in KNOBS.values()]
ACTIVITY = [(30, 230, 589, 243), (30, 295, 589, 308)]


def step_bar(step, volume):
    """The rectangle of step `step` (1-64) time or volume bar."""
    i = step - 1
    x, y = 30 + 35 * (i % 16), STEP_ROWS[i // 16]
    return (x, y + 11, x + 34, y + 19) if volume else (x, y, x + 34, y + 10)


def press_level(t):
    """The level a left press at fraction t of a bar sets."""
    return int(2.0 * (1.0 - math.cos(math.pi * t)) + 0.5)
