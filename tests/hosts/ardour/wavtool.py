#!/usr/bin/env python3
"""WAV files for the Ardour harness, with the standard library only.

  wavtool.py sine OUT --rate R --seconds S [--freq F] [--amp A]
      a stereo 32-bit float test signal: a sine on the left, a sine a fifth
      above on the right, both sustained from the first sample.
  wavtool.py compare INPUT OUTPUT --after SECONDS [--block N] [--tolerance T]
      compares two WAVs sample for sample from a time on, and reports the first
      differing sample, how many differ, and the output/input gain per block.
      Exits 0 when they are equal there, 1 when they differ, 2 on bad input.

Ardour exports 32-bit float (format 3, or 0xFFFE with the float sub-format);
16/24/32-bit PCM inputs are read too.
"""
import argparse
import math
import struct
import sys


class WavError(Exception):
    pass


class Wav:
    """Interleaved samples as floats in -1..1 (PCM is scaled, float kept as is)."""

    def __init__(self, rate, channels, frames):
        self.rate = rate
        self.channels = channels
        self.frames = frames  # list of tuples, one per frame

    def channel(self, c):
        return [f[c] for f in self.frames]


def read_wav(path):
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as e:
        raise WavError(f"{path}: {e.strerror}")
    if len(data) < 12 or data[0:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise WavError(f"{path}: not a RIFF/WAVE file")
    fmt = None
    body = None
    pos = 12
    while pos + 8 <= len(data):
        cid, size = data[pos:pos + 4], struct.unpack_from("<I", data, pos + 4)[0]
        chunk = data[pos + 8:pos + 8 + size]
        if cid == b"fmt ":
            fmt = chunk
        elif cid == b"data":
            body = chunk
        pos += 8 + size + (size & 1)
    if fmt is None or body is None or len(fmt) < 16:
        raise WavError(f"{path}: no fmt or data chunk")
    tag, channels, rate, _, _, bits = struct.unpack_from("<HHIIHH", fmt, 0)
    if tag == 0xFFFE and len(fmt) >= 26:
        tag = struct.unpack_from("<H", fmt, 24)[0]  # the sub-format's first two bytes
    if channels < 1 or rate < 1:
        raise WavError(f"{path}: {channels} channels at {rate} Hz")
    width = bits // 8
    count = len(body) // (width * channels)
    n = count * channels
    if tag == 3 and bits == 32:
        flat = struct.unpack_from(f"<{n}f", body)
    elif tag == 3 and bits == 64:
        flat = struct.unpack_from(f"<{n}d", body)
    elif tag == 1 and bits == 16:
        flat = [v / 32768.0 for v in struct.unpack_from(f"<{n}h", body)]
    elif tag == 1 and bits == 32:
        flat = [v / 2147483648.0 for v in struct.unpack_from(f"<{n}i", body)]
    elif tag == 1 and bits == 24:
        flat = []
        for i in range(n):
            b = body[3 * i:3 * i + 3]
            flat.append(int.from_bytes(b, "little", signed=True) / 8388608.0)
    else:
        raise WavError(f"{path}: unsupported WAV format {tag} with {bits} bits")
    frames = [tuple(flat[i:i + channels]) for i in range(0, n, channels)]
    return Wav(rate, channels, frames)


def write_float_wav(path, rate, frames):
    """frames: a list of tuples (one value per channel), written as 32-bit float."""
    channels = len(frames[0]) if frames else 1
    flat = [v for fr in frames for v in fr]
    body = struct.pack(f"<{len(flat)}f", *flat)
    header = b"RIFF" + struct.pack("<I", 4 + 26 + 12 + 8 + len(body)) + b"WAVE"
    header += b"fmt " + struct.pack("<IHHIIHHH", 18, 3, channels, rate,
                                    rate * channels * 4, channels * 4, 32, 0)
    header += b"fact" + struct.pack("<II", 4, len(frames))
    header += b"data" + struct.pack("<I", len(body))
    with open(path, "wb") as f:
        f.write(header + body)


def sine_frames(rate, seconds, freq, amp):
    n = int(round(rate * seconds))
    w1 = 2 * math.pi * freq / rate
    w2 = w1 * 1.5
    return [(amp * math.sin(w1 * i), amp * math.sin(w2 * i)) for i in range(n)]


def compare(a, b, after_seconds, block, tolerance):
    """Differences of b (output) against a (input) from after_seconds on."""
    if a.rate != b.rate or a.channels != b.channels:
        raise WavError(f"the files differ in layout: {a.channels} ch at {a.rate} Hz "
                       f"against {b.channels} ch at {b.rate} Hz")
    start = int(round(after_seconds * a.rate))
    end = min(len(a.frames), len(b.frames))
    if start >= end:
        raise WavError(f"nothing to compare after {after_seconds} s "
                       f"({len(a.frames)} and {len(b.frames)} frames)")
    first = None
    differing = 0
    gains = []  # (frame, gain) per block: output RMS / input RMS over both channels
    for b0 in range(start, end, block):
        b1 = min(b0 + block, end)
        si = so = 0.0
        for i in range(b0, b1):
            fi, fo = a.frames[i], b.frames[i]
            for c in range(a.channels):
                if abs(fi[c] - fo[c]) > tolerance:
                    differing += 1
                    if first is None:
                        first = (i, c, fi[c], fo[c])
                si += fi[c] * fi[c]
                so += fo[c] * fo[c]
        if si > 0.0:
            gains.append((b0, math.sqrt(so / si)))
    return {"start": start, "end": end, "first": first, "differing": differing,
            "gains": gains}


def report(result, rate, block):
    r = result
    print(f"compared frames {r['start']}..{r['end']} ({(r['end'] - r['start']) / rate:.3f} s)")
    if r["first"] is None:
        print("output == input: no differing sample")
    else:
        i, c, vi, vo = r["first"]
        print(f"first differing sample: frame {i} ({i / rate:.6f} s) channel {c}: "
              f"input {vi:.9g} output {vo:.9g}")
        print(f"differing samples: {r['differing']}")
    gains = r["gains"]
    if gains:
        low = min(gains, key=lambda g: g[1])
        dips = sum(1 for _, g in gains if g < 1.0 - 1e-6)
        print(f"gain per {block}-frame block: lowest {low[1]:.6f} at frame {low[0]}, "
              f"{dips} of {len(gains)} blocks below 1")


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = ap.add_subparsers(dest="cmd", required=True)
    s = sub.add_parser("sine")
    s.add_argument("out")
    s.add_argument("--rate", type=int, required=True)
    s.add_argument("--seconds", type=float, required=True)
    s.add_argument("--freq", type=float, default=220.0)
    s.add_argument("--amp", type=float, default=0.5)
    c = sub.add_parser("compare")
    c.add_argument("input")
    c.add_argument("output")
    c.add_argument("--after", type=float, default=0.0, help="seconds to skip")
    c.add_argument("--block", type=int, default=1024)
    c.add_argument("--tolerance", type=float, default=0.0,
                   help="largest difference still taken as equal")
    args = ap.parse_args(argv)
    try:
        if args.cmd == "sine":
            if args.rate < 1 or args.seconds <= 0:
                raise WavError("--rate and --seconds must be positive")
            write_float_wav(args.out, args.rate,
                            sine_frames(args.rate, args.seconds, args.freq, args.amp))
            return 0
        if args.block < 1:
            raise WavError("--block must be positive")
        a, b = read_wav(args.input), read_wav(args.output)
        result = compare(a, b, args.after, args.block, args.tolerance)
        report(result, a.rate, args.block)
        return 0 if result["first"] is None else 1
    except WavError as e:
        print(f"wavtool: {e}", file=sys.stderr)
        return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
