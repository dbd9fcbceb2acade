#!/usr/bin/python3
"""Measures a WAV file: its format, the loud part's length, dominant frequency and level.

    audio_probe.py FILE [--json]

sox reads the file (16-bit PCM, G.711 mu-law or whatever else it knows; the first channel), so a
saved mu-law file is decoded by other code than the program's; numpy measures the samples.
Needs sox and Debian's python3-numpy, hence /usr/bin/python3.
"""
import argparse
import json
import math
import subprocess
import sys

import numpy as np


def read_wav(path):
    """Returns (fields, samples): the format sox reports and the first channel as 16-bit ints.
    A recorder stopped by a signal may leave the data size unpatched (0 or huge): the length in
    the header is ignored and the file read to its end."""
    info = subprocess.run(["soxi", path], capture_output=True, text=True)
    decoded = subprocess.run(["sox", "-V1", "--ignore-length", path, "-D", "-t", "raw", "-e", "signed",
                              "-b", "16", "-L", "-", "remix", "1"], capture_output=True)
    if info.returncode or decoded.returncode:
        raise ValueError("sox cannot read %s: %s" % (path, info.stderr.strip() or decoded.stderr.decode()))
    fields = dict(map(str.strip, line.split(":", 1)) for line in info.stdout.splitlines() if ":" in line)
    bits, encoding = fields["Sample Encoding"].split("-bit ")
    fmt = dict(encoding=encoding, bits=int(bits), rate=int(fields["Sample Rate"]),
               channels=int(fields["Channels"]))
    return fmt, np.frombuffer(decoded.stdout, "<i2").astype(np.int64)


def loud_span(samples, rate, threshold=0.05):
    """First and last sample of the part whose 10 ms blocks reach threshold x the peak block."""
    block = max(1, rate // 100)
    levels = np.abs(np.pad(samples, (0, -len(samples) % block))).reshape(-1, block).max(axis=1)
    if not levels.any():
        return 0, 0
    loud = np.flatnonzero(levels >= threshold * levels.max())
    return int(loud[0]) * block, min(len(samples), (int(loud[-1]) + 1) * block)


def dominant_frequency(samples, rate):
    """Frequency of the strongest FFT bin (Hann window), refined by parabolic interpolation."""
    if len(samples) < 64:
        return 0.0
    magnitudes = np.abs(np.fft.rfft(samples * np.hanning(len(samples))))
    peak = 1 + int(np.argmax(magnitudes[1:-1]))
    a, b, c = np.log(magnitudes[peak - 1:peak + 2] + 1e-12)
    shift = 0.5 * (a - c) / (a - 2 * b + c) if a - 2 * b + c else 0.0
    return float((peak + shift) * rate / len(samples))


def measure(path):
    fmt, samples = read_wav(path)
    rate = fmt["rate"] or 1
    first, last = loud_span(samples, rate)
    loud = samples[first:last]
    rms = float(np.sqrt(np.mean(loud.astype(float) ** 2))) if len(loud) else 0.0
    return dict(
        fmt,
        samples=len(samples),
        seconds=len(samples) / rate,
        loud_seconds=(last - first) / rate,
        frequency=round(dominant_frequency(loud, rate), 1),
        rms=round(rms, 1),
        rms_dbfs=round(20 * math.log10(rms / 32768), 1) if rms > 0 else None,
        peak=int(np.abs(samples).max(initial=0)),
    )


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("file")
    parser.add_argument("--json", action="store_true")
    args = parser.parse_args()
    result = measure(args.file)
    if args.json:
        print(json.dumps(result))
    else:
        print("%s: %.2f s (loud %.2f s), %.1f Hz, rms %.1f (%s dBFS), peak %d" % (
            args.file, result["seconds"], result["loud_seconds"], result["frequency"],
            result["rms"], result["rms_dbfs"], result["peak"]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
