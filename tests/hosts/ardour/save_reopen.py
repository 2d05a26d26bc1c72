#!/usr/bin/env python3
"""Ardour 7 keeps the plug-in's settings and pattern in a saved session. Run by ctest
(ardour_vst3_save_reopen, ardour_lv2_save_reopen); exit 0 pass, 1 fail, 77 skip.

  save_reopen.py vst3 --plugin Corvanel.vst3
  save_reopen.py lv2 --lv2-path DIR        (DIR holds Corvanel.lv2)

Three ardour7-lua processes on one fresh session (lua/render.lua, lua/params.lua): the
plug-in with every visible parameter away from its default exports "plain" (the default
pattern); the same with a pattern of its own is saved and exports "saved"; the saved
session, opened in a new process, reports the parameters and exports "reopened".
Passed when:
  - the saved session's plug-in state holds the visible values and the pattern's step
    words (VST3: the component state in the session file's <chunk>; LV2: the state.ttl
    the session file points to);
  - the reopened plug-in reports the visible values (and, in VST3, the step words, its
    parameters 10-22) that were set;
  - "reopened" equals "saved" sample for sample, and "saved" differs from "plain": with
    the pattern lost, the reopened session would render "plain".
The pattern reaches the plug-in as its format carries it: VST3 through the hidden step
word parameters, LV2 (no ports for the steps) as a preset whose state holds it, from a
bundle written here and left off LV2_PATH when the session is reopened, so the pattern
can come back only from the session.
"""
import argparse
import base64
import glob
import os
import re
import shutil
import struct
import sys
import tempfile
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import ardour_host  # noqa: E402
import wavtool  # noqa: E402
from ardour_host import HarnessError  # noqa: E402
from checks import LV2_URI  # noqa: E402

SKIP = 77
RATE, BLOCK, TEMPO = 48000, 1024, 128.0
INPUT_SECONDS, EXPORT_SECONDS = 4.0, 3.0
TIMEOUT = 30  # seconds per Ardour run

# Every visible parameter away from its default, as Ardour holds it in both formats
# (VST3 and LV2 alike: the value in the parameter's own units). Each survives
# Ardour's float narrowing and VST3's normalised round trip exactly (0.5, 0.75 ...).
VISIBLE = [(0, 12.0, "Rate"),        # "1/8" (default "1/16")
           (1, 24.0, "Cycle"),
           (2, 50.0, "Attack"),      # normalised 0.5 on its square curve
           (3, 75.0, "Gate"),
           (4, 0.0, "Tie Lock"),     # "No"
           (5, 50.0, "Release"),
           (6, 25.0, "Fade"),
           (7, 5015.0, "Split Freq"),
           (8, 3.0, "Target"),       # "Low - High"
           (9, 75.0, "Mix")]
PATTERN = ("40312" * 13)[:64] + "/" + ("42031" * 13)[:64]
DEFAULT_PATTERN = "/"
STEP_WORD_FIRST = ardour_host.STEP_WORD_FIRST_PARAM

LV2_STATE_KEY = LV2_URI + "#state"
LV2_PRESET_LABEL = "Save test pattern"
STATE_VALUES = 23  # the visible values and the step words, as little-endian doubles


# ---- The plug-in's state blob ----------------------------------------------------------

def blob_values(blob):
    """The 23 saved values of a state blob (after its 4-byte version)."""
    if len(blob) != 4 + 8 * STATE_VALUES:
        raise HarnessError(f"a state blob of {len(blob)} bytes, not {4 + 8 * STATE_VALUES}")
    return list(struct.unpack_from(f"<{STATE_VALUES}d", blob, 4))


def turtle_blobs(text):
    """The plug-in's state blobs in a Turtle text (presets.ttl, a session's state.ttl)."""
    found = re.findall(r'<' + re.escape(LV2_STATE_KEY) + r'>\s*("""|")([A-Za-z0-9+/=\s]*)\1'
                       r'\^\^xsd:base64Binary', text)
    return [base64.b64decode("".join(b64.split())) for _, b64 in found]


def session_plugin_node(work, kind):
    """The plug-in's element in the saved session file: its Processor and the format's
    own child (<vst3>, <lv2>)."""
    root = ET.parse(os.path.join(work.session, ardour_host.SESSION + ".ardour")).getroot()
    procs = [p for p in root.iter("Processor") if p.get("type") == kind]
    if len(procs) != 1:
        raise HarnessError(f"the saved session holds {len(procs)} {kind} plug-ins, not one")
    node = procs[0].find(kind)
    if node is None:
        raise HarnessError(f"the saved {kind} plug-in has no <{kind}> state")
    return procs[0], node


def vst3_saved_blob(work):
    """Ardour writes a VST3 plug-in's state as base64 <chunk> in the session file: "VST3",
    a version, the class id (32 characters), the offset of a "List" of sections; the
    section "Comp" is what the component's getState gave."""
    _, node = session_plugin_node(work, "vst3")
    chunk = node.find("chunk")
    if chunk is None or not chunk.text:
        raise HarnessError("the saved VST3 plug-in has no <chunk>")
    data = base64.b64decode(chunk.text)
    if data[:4] != b"VST3" or len(data) < 48:
        raise HarnessError("the <chunk> is not a VST3 state")
    pos = struct.unpack_from("<q", data, 40)[0]
    if data[pos:pos + 4] != b"List":
        raise HarnessError("the <chunk> has no section list")
    count = struct.unpack_from("<i", data, pos + 4)[0]
    for i in range(count):
        sid, offset, size = struct.unpack_from("<4sqq", data, pos + 8 + 20 * i)
        if sid == b"Comp":
            return data[offset:offset + size]
    raise HarnessError("the <chunk> has no component state")


def lv2_saved_blob(work):
    """Ardour writes an LV2 plug-in's state to plugins/<processor id>/<state-dir>/state.ttl
    beside the session file, which names the folder (<lv2 state-dir=...>)."""
    proc, node = session_plugin_node(work, "lv2")
    path = os.path.join(work.session, "plugins", proc.get("id"), node.get("state-dir", "?"),
                        "state.ttl")
    try:
        with open(path) as f:
            blobs = turtle_blobs(f.read())
    except OSError:
        raise HarnessError(f"the saved session has no {os.path.relpath(path, work.path)}")
    if len(blobs) != 1:
        raise HarnessError(f"{path} holds {len(blobs)} plug-in states, not one")
    return blobs[0]


# ---- How each format gets the pattern ----------------------------------------------------

def vst3_install(work, args):
    pid = ardour_host.install_plugin(work, "vst3", args.plugin, None, TIMEOUT)
    return dict(type="VST3", id=pid)


def vst3_pattern(work, args):
    words = ardour_host.step_words(PATTERN)
    return dict(params=[(STEP_WORD_FIRST + w, float(v)) for w, v in enumerate(words)])


def lv2_install(work, args):
    work.env["LV2_PATH"] = os.path.abspath(args.lv2_path)
    return dict(type="LV2", id=LV2_URI)


def lv2_pattern(work, args):
    """A preset bundle whose state holds VISIBLE and PATTERN, on LV2_PATH for the save
    run only. Its version is the one the plug-in's factory presets carry."""
    with open(os.path.join(args.lv2_path, "Corvanel.lv2", "presets.ttl")) as f:
        factory = turtle_blobs(f.read())
    if not factory:
        raise HarnessError("the bundle's presets.ttl holds no state")
    values = [v for _, v, _ in VISIBLE] + [float(w) for w in ardour_host.step_words(PATTERN)]
    blob = factory[0][:4] + struct.pack(f"<{STATE_VALUES}d", *values)
    bundle = os.path.join(work.path, "presets", "corvanel-save-test.lv2")
    os.makedirs(bundle)
    prefixes = ("@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                "@prefix xsd: <http://www.w3.org/2001/XMLSchema#> .\n\n")
    with open(os.path.join(bundle, "manifest.ttl"), "w") as f:
        f.write(prefixes + f"<pattern.ttl>\n  a pset:Preset ;\n  lv2:appliesTo <{LV2_URI}> ;\n"
                "  rdfs:seeAlso <pattern.ttl> .\n")
    with open(os.path.join(bundle, "pattern.ttl"), "w") as f:
        f.write(prefixes + f"<>\n  a pset:Preset ;\n  lv2:appliesTo <{LV2_URI}> ;\n"
                f"  rdfs:label \"{LV2_PRESET_LABEL}\" ;\n"
                f"  state:state [ <{LV2_STATE_KEY}> \"{base64.b64encode(blob).decode()}\""
                "^^xsd:base64Binary ] .\n")
    return dict(preset=LV2_PRESET_LABEL, params=[],
                env=dict(LV2_PATH=work.env["LV2_PATH"] + ":" + os.path.dirname(bundle)))


# install: makes the plug-in visible to Ardour; pattern: the saving run's preset and
# parameters that give the plug-in PATTERN (and that run's environment); saved_blob: the
# state as the saved session holds it; step_params: Ardour reports the step words.
FORMATS = {
    "vst3": dict(install=vst3_install, pattern=vst3_pattern, saved_blob=vst3_saved_blob,
                 step_params=True),
    "lv2": dict(install=lv2_install, pattern=lv2_pattern, saved_blob=lv2_saved_blob,
                step_params=False),
}


# ---- The Ardour runs ----------------------------------------------------------------------

def run_exporting(work, script, job, reset, env=None):
    """Runs the script, which exports into job["export_dir"]; answers its report and the
    export. Ardour on a loaded machine now and then exports a sounding session as pure
    silence: then (and for a crash, see run_lua) the run is made again, after reset;
    never for any other result."""
    def again():
        reset()
        shutil.rmtree(job["export_dir"], ignore_errors=True)

    saved_env = work.env
    work.env = dict(work.env, **(env or {}))
    try:
        for attempt in (1, 2):
            lines = ardour_host.run_lua(work, script, job, TIMEOUT, reset=again)
            found = glob.glob(os.path.join(job["export_dir"], "*.wav"))
            if len(found) != 1:
                raise HarnessError(f"{script}.lua exported {len(found)} WAV files, not one")
            wav = wavtool.read_wav(found[0])
            if any(v != 0.0 for f in wav.frames for v in f):
                return lines, wav.frames
            if attempt == 2:
                raise HarnessError(f"Ardour exported silence twice in {script}.lua")
            print(f"note: Ardour exported silence; running {script}.lua again", flush=True)
    finally:
        work.env = saved_env


def reported_params(lines):
    return {int(ln[1]): float(ln[2]) for ln in lines if ln[0] == "param"}


def save_and_reopen(fmt, args, tmp):
    """plain: a fresh session with VISIBLE (the default pattern); saved: the same with
    PATTERN, saved before the export; reopened: the saved session in a new process."""
    table = FORMATS[fmt]
    work = ardour_host.Workdir(os.path.join(tmp, "work"))
    work.prepare()
    plugin = table["install"](work, args)
    wav_in = os.path.join(tmp, "in.wav")
    wavtool.write_float_wav(wav_in, RATE, wavtool.sine_frames(RATE, INPUT_SECONDS, 220.0, 0.5))
    job = dict(session_dir=work.session, session_name=ardour_host.SESSION,
               track=ardour_host.TRACK, rate=RATE, block=BLOCK, tempo=TEMPO, tempo_changes=[],
               frames=int(INPUT_SECONDS * RATE), export_frames=int(EXPORT_SECONDS * RATE),
               export_preset=ardour_host.EXPORT_PRESET)
    as_made = ardour_host.make_session(work, job, wavtool.read_wav(wav_in), TIMEOUT)
    visible = [(i, v) for i, v, _ in VISIBLE]

    def export_to(name):
        return os.path.join(work.exports, name)

    _, plain = run_exporting(work, "render", dict(job, plugin=plugin, params=visible,
                                                  export_dir=export_to("plain")), as_made)
    pattern = table["pattern"](work, args)
    lines, before = run_exporting(
        work, "render", dict(job, plugin=plugin, preset=pattern.get("preset"),
                             params=pattern["params"] + visible, save=True,
                             export_dir=export_to("saved")), as_made, pattern.get("env"))
    reopen_lines, after = run_exporting(
        work, "params", dict(job, export=True, export_dir=export_to("reopened")), lambda: None)

    failures = []

    def expect(ok, what):
        print(("ok   " if ok else "FAIL ") + what, flush=True)
        if not ok:
            failures.append(what)

    words = [float(w) for w in ardour_host.step_words(PATTERN)]
    defaults = [float(w) for w in ardour_host.step_words(DEFAULT_PATTERN)]
    expect(words != defaults, "the test pattern is not the default pattern")
    wanted = {i: v for i, v, _ in VISIBLE}
    if table["step_params"]:
        wanted.update({STEP_WORD_FIRST + w: v for w, v in enumerate(words)})
    for when, got in (("after setting", reported_params(lines)),
                      ("after reopening", reported_params(reopen_lines))):
        wrong = [f"{i} {got.get(i)} (set {v:g})" for i, v in wanted.items() if got.get(i) != v]
        expect(not wrong, f"Ardour reports the values set {when}" +
               (": " + ", ".join(wrong) if wrong else ""))
    state = blob_values(table["saved_blob"](work))
    expect(state[:len(VISIBLE)] == [v for _, v, _ in VISIBLE],
           f"the saved state holds the visible values: {state[:len(VISIBLE)]}")
    expect(state[len(VISIBLE):] == words,
           f"the saved state holds the pattern's step words: {state[len(VISIBLE):]}")

    expect(plain != before, "the pattern changes the render (saved differs from plain)")
    differing = sum(1 for x, y in zip(before, after) if x != y)
    expect(len(before) == len(after) and differing == 0,
           f"the reopened session renders as the saved one: {len(before)} and {len(after)} "
           f"frames, {differing} differing")
    return not failures


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("format", choices=sorted(FORMATS))
    ap.add_argument("--plugin", help="the Corvanel.vst3 bundle (vst3)")
    ap.add_argument("--lv2-path", help="the folder holding Corvanel.lv2 (lv2)")
    args = ap.parse_args(argv)
    vst3 = args.format == "vst3"
    if bool(args.plugin) != vst3 or bool(args.lv2_path) == vst3:
        ap.error("vst3 takes --plugin, lv2 takes --lv2-path")
    if not os.path.isfile(ardour_host.ARDOUR_LUA):
        print("SKIP: ardour7-lua is not installed (Debian package ardour)")
        return SKIP
    tmp = tempfile.mkdtemp(prefix="corvanel-ardour-save-")
    try:
        ok = save_and_reopen(args.format, args, tmp)
    except (HarnessError, wavtool.WavError, OSError) as e:
        print(f"{args.format}: {e}")
        ok = False
    finally:
        if os.environ.get("CORVANEL_KEEP_ARDOUR_WORK"):
            print(f"work folder kept: {tmp}")
        else:
            shutil.rmtree(tmp, ignore_errors=True)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
