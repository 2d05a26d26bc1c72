#!/usr/bin/env python3
"""Runs a plug-in in Debian's Ardour 7 without audio hardware or a window.

  ardour_host.py render --plugin PATH --input IN.wav -o OUT.wav [options]
      makes a fresh session (dummy backend, the given rate, period and tempo map),
      puts IN.wav on a stereo track at position 0, inserts the plug-in, sets its
      preset and parameters and exports the session's output from the start as
      32-bit float WAV (no dither, no normalising).
  ardour_host.py params WORKDIR
      reopens a session kept with --keep WORKDIR and prints the plug-in's
      parameters as the restored plug-in reports them to Ardour.

Plug-in formats (--format):
  vst2  PATH of a Linux VST2 .so (Ardour: LXVST). It is copied into a private
        folder given to Ardour as LXVST_PATH and indexed with ardour-vst-scanner.
  vst3  PATH of a .vst3 bundle (Ardour: VST3). Copied into a private folder given
        as VST3_PATH and indexed with ardour-vst3-scanner; the class is the first
        one the scanner lists unless --plugin-id names one (uid or name).
  lv2   the plug-in's URI (Ardour: LV2); --lv2-path lists the folders holding its
        bundle (LV2_PATH).

Ardour runs with HOME, XDG_CONFIG_HOME and XDG_CACHE_HOME in the work folder, so
the user's own configuration is never read or written. Every Ardour run is
bounded by --timeout and its whole process group is killed afterwards.
"""
import argparse
import ctypes
import glob
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import wavtool  # noqa: E402

# ARDOUR_LUA names another interpreter (or a missing one, to see the tests skip).
ARDOUR_LUA = os.environ.get("ARDOUR_LUA") or shutil.which("ardour7-lua") or ""
ARDOUR_LIB = "/usr/lib/ardour7"
SCANNERS = {"vst2": "ardour-vst-scanner", "vst3": "ardour-vst3-scanner"}
PLUGIN_TYPES = {"vst2": "LXVST", "vst3": "VST3", "lv2": "LV2"}
EXPORT_PRESET = "8e1f6b2a-3d4c-4b5a-9f60-7a1c2e3d4f50"  # export/corvanel-float.preset
SESSION = "harness"
TRACK = "Input"

# The VST2 plug-in's step words: parameters 10..22, each a base-5 number of ten
# step entries (eight for the last), the first entry the most significant digit.
# Entries 0..63 are the step times, 64..127 the volumes; the plug-in's defaults
# are time 2 and volume 4.
STEP_WORD_FIRST_PARAM = 10
STEP_WORDS = 13


class HarnessError(Exception):
    pass


def step_words(pattern):
    """The thirteen step words for "TIMES/VOLUMES" (digits 0-4, spaces ignored; steps
    not given keep the plug-in's defaults)."""
    times, sep, volumes = pattern.partition("/")
    if not sep:
        raise HarnessError("--pattern wants TIMES/VOLUMES")
    entries = [2] * 64 + [4] * 64
    for offset, digits in ((0, times), (64, volumes)):
        digits = digits.replace(" ", "")
        if len(digits) > 64 or not re.fullmatch(r"[0-4]*", digits):
            raise HarnessError(f"bad step digits {digits!r}: up to 64 digits 0-4")
        for i, d in enumerate(digits):
            entries[offset + i] = int(d)
    values = []
    for w in range(STEP_WORDS):
        count = 10 if w < 12 else 8
        word = 0
        for e in entries[10 * w:10 * w + count]:
            word = word * 5 + e
        values.append(word)
    return values


def step_word_values(pattern):
    """The step words normalised, as the VST2 plug-in takes them."""
    return [word / (5 ** (10 if w < 12 else 8) - 1) for w, word in enumerate(step_words(pattern))]


def parse_params(items):
    params = []
    for item in items:
        m = re.fullmatch(r"(\d+)=([-+0-9.eE]+)", item)
        if not m:
            raise HarnessError(f"bad --param {item!r}: want INDEX=VALUE")
        params.append((int(m.group(1)), float(m.group(2))))
    return params


def parse_tempo_changes(items):
    changes = []
    for item in items:
        m = re.fullmatch(r"(\d+):([0-9.]+)", item)
        if not m or int(m.group(1)) < 2 or not 20 <= float(m.group(2)) <= 999:
            raise HarnessError(f"bad --tempo-change {item!r}: want BAR:BPM, bar 2 or later")
        changes.append((int(m.group(1)), float(m.group(2))))
    return changes


def lua_value(v):
    if v is None:
        return "nil"
    if isinstance(v, bool):
        return "true" if v else "false"
    if isinstance(v, (int, float)):
        return repr(v)
    if isinstance(v, str):
        return '"' + v.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n") + '"'
    if isinstance(v, dict):
        return "{" + ", ".join(f"{k} = {lua_value(x)}" for k, x in v.items()) + "}"
    return "{" + ", ".join(lua_value(x) for x in v) + "}"


class Workdir:
    """The private home, the plug-in folder, the session and the exports."""

    def __init__(self, path):
        self.path = os.path.abspath(path)
        self.home = os.path.join(self.path, "home")
        self.plugins = os.path.join(self.path, "plugins")
        self.session = os.path.join(self.path, "session")
        self.exports = os.path.join(self.path, "export")
        self.env = dict(os.environ)
        self.env.update(HOME=self.home,
                        XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                        XDG_CACHE_HOME=os.path.join(self.home, ".cache"),
                        XDG_DATA_HOME=os.path.join(self.home, ".local", "share"),
                        LXVST_PATH=self.plugins, VST3_PATH=self.plugins)
        # The dummy backend needs no JACK; nothing may start a server that outlives a run.
        self.env["JACK_NO_START_SERVER"] = "1"

    def prepare(self):
        for d in (self.home, self.plugins):
            os.makedirs(d, exist_ok=True)
        export_cfg = os.path.join(self.home, ".config", "ardour7", "export")
        os.makedirs(export_cfg, exist_ok=True)
        for f in glob.glob(os.path.join(HERE, "export", "*")):
            shutil.copy(f, export_cfg)


def _die_with_parent():
    """In the child before exec: killed when the driver dies (say, by a test's
    time-out), since its own process group is out of reach of the killer."""
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


def run_bounded(cmd, env, timeout, what):
    """Runs cmd in its own process group; kills the group on time-out and after
    the run, so no Ardour, scanner or backend process outlives it."""
    proc = subprocess.Popen(cmd, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            start_new_session=True, preexec_fn=_die_with_parent)
    try:
        out, _ = proc.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.communicate()
        raise HarnessError(f"{what} did not finish within {timeout} s")
    finally:
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    return proc.returncode, out.decode("utf-8", "replace")


# Ardour 7.3 aborts now and then on a corrupted heap (glibc "free(): invalid
# pointer", "corrupted size vs. prev_size"), during or after an export or at exit: in
# about one run of twenty on a quiet machine; on a loaded one, one run of four that
# exported twice and saved died so with no plug-in at all (valgrind finds nothing
# there: a race between Ardour's threads).
# A run killed by a signal before it finished is run again, twice at the most.
ATTEMPTS = 3


def run_lua(work, script, job, timeout, reset=None):
    """Runs lua/SCRIPT.lua on the job; answers the report's lines ("key values...")."""
    job = dict(job, report=os.path.join(work.path, script + ".report"),
               lua_dir=os.path.join(HERE, "lua"))
    job_file = os.path.join(work.path, script + ".job.lua")
    with open(job_file, "w") as f:
        f.write("return " + lua_value(job) + "\n")
    for attempt in range(1, ATTEMPTS + 1):
        if os.path.exists(job["report"]):
            os.remove(job["report"])
        if reset:
            reset()
        code, log = run_bounded([ARDOUR_LUA, os.path.join(HERE, "lua", script + ".lua"),
                                 job_file], work.env, timeout, f"ardour7-lua {script}.lua")
        lines = []
        if os.path.exists(job["report"]):
            with open(job["report"]) as f:
                lines = [ln.rstrip("\n").split(" ") for ln in f]
        errors = [" ".join(ln[1:]) for ln in lines if ln[0] == "error"]
        if errors:
            raise HarnessError(f"{script}.lua: {errors[0]}")
        if any(ln[0] == "done" for ln in lines):
            if code != 0:
                print(f"ardour_host: note: ardour7-lua {script}.lua finished, then exited "
                      f"with code {code}", file=sys.stderr)
            return lines
        tail = "\n".join(log.splitlines()[-15:])
        if code >= 0 or attempt == ATTEMPTS:
            raise HarnessError(f"ardour7-lua {script}.lua ended with code {code}:\n{tail}")
        print(f"ardour_host: note: ardour7-lua {script}.lua crashed (signal {-code}); "
              f"running it again:\n{tail}", file=sys.stderr)


def install_plugin(work, fmt, plugin, plugin_id, timeout):
    """Makes the plug-in visible to Ardour; answers Ardour's id for new_plugin."""
    if fmt == "lv2":
        return plugin_id or plugin
    src = os.path.abspath(plugin)
    if fmt == "vst2" and not os.path.isfile(src):
        raise HarnessError(f"no VST2 plug-in at {plugin}")
    if fmt == "vst3" and not (os.path.isdir(src) and src.rstrip("/").endswith(".vst3")):
        raise HarnessError(f"no .vst3 bundle at {plugin}")
    dst = os.path.join(work.plugins, os.path.basename(src.rstrip("/")))
    if os.path.isdir(dst):
        shutil.rmtree(dst)
    (shutil.copytree if fmt == "vst3" else shutil.copy2)(src, dst)
    # Ardour takes a scan's cache only when the cache file is newer than the module in
    # whole seconds; the scanner stamps it with the current time, so a module copied
    # or built within the same second would be ignored. Date the copy back a minute.
    old = time.time() - 60
    for root, _, files in os.walk(dst) if fmt == "vst3" else [(None, None, [dst])]:
        for name in files:
            os.utime(os.path.join(root, name) if root else name, (old, old))
    env = dict(work.env, LD_LIBRARY_PATH=ARDOUR_LIB)
    code, log = run_bounded([os.path.join(ARDOUR_LIB, SCANNERS[fmt]), "-f", dst], env,
                            timeout, SCANNERS[fmt])
    if code != 0:
        raise HarnessError(f"{SCANNERS[fmt]} could not index {plugin}:\n{log}")
    if plugin_id:
        return plugin_id
    cache = glob.glob(os.path.join(work.env["XDG_CACHE_HOME"], "ardour7", "vst", "*.v[23]i"))
    pattern = r'<VST2Info id="(\d+)"' if fmt == "vst2" else r'<VST3Info[^>]* uid="([0-9A-Fa-f]+)"'
    for path in cache:
        with open(path) as f:
            text = f.read()
        if dst in text:
            m = re.search(pattern, text)
            if m:
                return m.group(1)
    raise HarnessError(f"{SCANNERS[fmt]} listed no plug-in in {plugin}")


def write_input(work, sources, wav, rate):
    """Writes the input's channels (a mono input on both) into the bounced region's
    source files."""
    if len(sources) != 2:
        raise HarnessError(f"the input region has {len(sources)} sources, not 2")
    for ch, name in sources:
        found = glob.glob(os.path.join(work.session, "interchange", "*", "audiofiles", name))
        if len(found) != 1:
            raise HarnessError(f"the session holds {len(found)} source files {name}")
        c = min(ch, wav.channels - 1)
        wavtool.write_float_wav(found[0], rate, [(f[c],) for f in wav.frames])
    # Peaks of the silent bounce; only a window would read them.
    for peak in glob.glob(os.path.join(work.session, "peaks", "*")):
        os.remove(peak)


def make_session(work, job, wav, timeout):
    """Creates the session (create.lua) and writes the input into its region. Answers
    a function that puts the session back as made: the reset for a script run again
    after a crash, which may have saved before it."""
    lines = run_lua(work, "create", job, timeout,
                    reset=lambda: shutil.rmtree(work.session, ignore_errors=True))
    write_input(work, [(int(ln[1]), ln[2]) for ln in lines if ln[0] == "source"],
                wav, job["rate"])
    made = os.path.join(work.path, "session-as-made")
    shutil.rmtree(made, ignore_errors=True)
    shutil.copytree(work.session, made)

    def as_made():
        shutil.rmtree(work.session, ignore_errors=True)
        shutil.copytree(made, work.session)
    return as_made


def render(args):
    rate, block = args.rate, args.block
    if rate not in (44100, 48000, 88200, 96000, 192000):
        raise HarnessError(f"unsupported --rate {rate}")
    if block < 16 or block > 8192 or block & (block - 1):
        raise HarnessError(f"--block must be a power of two from 16 to 8192, not {block}")
    if not 20 <= args.tempo <= 999:
        raise HarnessError(f"--tempo {args.tempo} is outside 20..999")
    params = []
    if args.pattern:
        params += [(STEP_WORD_FIRST_PARAM + w, v)
                   for w, v in enumerate(step_word_values(args.pattern))]
    params += parse_params(args.param)
    changes = parse_tempo_changes(args.tempo_change)
    wav = wavtool.read_wav(args.input)
    if wav.channels not in (1, 2):
        raise HarnessError(f"{args.input}: {wav.channels} channels; 1 or 2 are supported")
    if wav.rate != rate:
        raise HarnessError(f"{args.input} is at {wav.rate} Hz, the session at {rate} Hz")
    if args.seconds <= 0:
        raise HarnessError("--seconds must be positive")

    temp = None
    if args.keep:
        if os.path.exists(args.keep):
            raise HarnessError(f"{args.keep} exists already")
        work = Workdir(args.keep)
    else:
        temp = tempfile.mkdtemp(prefix="corvanel-ardour-")
        work = Workdir(temp)
    try:
        work.prepare()
        job = dict(session_dir=work.session, session_name=SESSION, track=TRACK, rate=rate,
                   block=block, tempo=args.tempo, tempo_changes=changes,
                   frames=len(wav.frames))
        plugin = None
        if args.plugin:
            pid = install_plugin(work, args.format, args.plugin, args.plugin_id, args.timeout)
            plugin = dict(type=PLUGIN_TYPES[args.format], id=pid)
            if args.format == "lv2" and args.lv2_path:
                work.env["LV2_PATH"] = ":".join(os.path.abspath(p) for p in args.lv2_path)
        with open(os.path.join(work.path, "harness.txt"), "w") as f:
            f.write(f"rate {rate}\nblock {block}\nformat {args.format}\n")
            if plugin:
                f.write(f"type {plugin['type']}\nid {plugin['id']}\n")
            if "LV2_PATH" in work.env:
                f.write(f"lv2path {work.env['LV2_PATH']}\n")
        as_made = make_session(work, job, wav, args.timeout)
        job.update(plugin=plugin, preset=args.preset, params=params,
                   export_dir=work.exports, export_frames=int(round(args.seconds * rate)),
                   export_preset=EXPORT_PRESET, save=bool(args.keep))
        lines = run_lua(work, "render", job, args.timeout, reset=as_made)
        if args.print_params:
            for ln in lines:
                if ln[0] == "param":
                    print(" ".join(ln[1:]))
        outs = glob.glob(os.path.join(work.exports, "*.wav"))
        if len(outs) != 1:
            raise HarnessError(f"the export made {len(outs)} WAV files, not one")
        shutil.copyfile(outs[0], args.output)
    finally:
        if temp:
            shutil.rmtree(temp, ignore_errors=True)
    return 0


def params(args):
    work = Workdir(args.workdir)
    info = {}
    try:
        with open(os.path.join(work.path, "harness.txt")) as f:
            for ln in f:
                k, _, v = ln.rstrip("\n").partition(" ")
                info[k] = v
    except OSError:
        raise HarnessError(f"{args.workdir} is not a work folder kept by render --keep")
    if "lv2path" in info:
        work.env["LV2_PATH"] = info["lv2path"]
    job = dict(session_dir=work.session, session_name=SESSION, track=TRACK,
               rate=int(info["rate"]), block=int(info["block"]))
    lines = run_lua(work, "params", job, args.timeout)
    for ln in lines:
        if ln[0] == "param":
            print(" ".join(ln[1:]))
    return 0


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = ap.add_subparsers(dest="cmd", required=True)
    r = sub.add_parser("render", help="render a WAV through the plug-in in Ardour")
    r.add_argument("--format", choices=sorted(PLUGIN_TYPES), default="vst2")
    r.add_argument("--plugin", help="VST2 .so, VST3 bundle or LV2 URI; none: the track alone")
    r.add_argument("--plugin-id", help="Ardour's id of the plug-in (default: from the scan)")
    r.add_argument("--lv2-path", action="append", default=[], help="folder of LV2 bundles")
    r.add_argument("--input", required=True, help="WAV at the session rate, mono or stereo")
    r.add_argument("-o", "--output", required=True)
    r.add_argument("--rate", type=int, default=48000)
    r.add_argument("--block", type=int, default=1024, help="the dummy backend's period")
    r.add_argument("--tempo", type=float, default=120.0)
    r.add_argument("--tempo-change", action="append", default=[], metavar="BAR:BPM")
    r.add_argument("--seconds", type=float, required=True, help="length of the export")
    r.add_argument("--preset", help="factory preset, by name")
    r.add_argument("--pattern", help="VST2 step words from TIMES/VOLUMES digits")
    r.add_argument("--param", action="append", default=[], metavar="INDEX=VALUE",
                   help="a value as Ardour holds it (normalised for VST2); after --pattern")
    r.add_argument("--print-params", action="store_true")
    r.add_argument("--keep", metavar="WORKDIR", help="keep the saved session in WORKDIR")
    r.add_argument("--timeout", type=float, default=60.0, help="seconds per Ardour run")
    p = sub.add_parser("params", help="reopen a kept session, print the plug-in's parameters")
    p.add_argument("workdir")
    p.add_argument("--timeout", type=float, default=60.0)
    args = ap.parse_args(argv)
    if not os.path.isfile(ARDOUR_LUA):
        print("ardour_host: ardour7-lua is not installed (Debian package ardour)", file=sys.stderr)
        return 2
    try:
        return render(args) if args.cmd == "render" else params(args)
    except (HarnessError, wavtool.WavError) as e:
        print(f"ardour_host: {e}", file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
