#!/usr/bin/env python3
"""Measures a WAV file: its format, the loud part's length, dominant frequency and level.

    audio_probe.py FILE [--json]

Reads RIFF WAV with 16-bit PCM (format 1) or 8-bit G.711 mu-law (format 7) samples, mono or
the first channel. Python's standard library only: the mu-law decoder and the FFT are here.
"""
import cmath
import json
import math
import struct
import sys


def decode_mulaw(byte):
    """G.711 mu-law byte to a 16-bit linear sample (the standard's decoder)."""
    byte = ~byte & 0xFF
    sign = byte & 0x80
    exponent = (byte >> 4) & 0x07
    mantissa = byte & 0x0F
    magnitude = (((mantissa << 3) + 0x84) << exponent) - 0x84
    return -magnitude if sign else magnitude


def read_wav(path):
    """Returns (fields, samples): the fmt chunk's fields and the first channel as ints."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 12 or data[0:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise ValueError("not a RIFF WAVE file")
    pos, fmt, body = 12, None, None
    while pos + 8 <= len(data):
        chunk_id, size = data[pos:pos + 4], struct.unpack_from("<I", data, pos + 4)[0]
        content = data[pos + 8:pos + 8 + size]
        if chunk_id == b"fmt ":
            tag, channels, rate, byte_rate, align, bits = struct.unpack_from("<HHIIHH", content)
            fmt = dict(format_tag=tag, channels=channels, rate=rate, byte_rate=byte_rate,
                       block_align=align, bits=bits)
        elif chunk_id == b"data":
            body = content
            # A recorder stopped by a signal may leave the size field unpatched (0 or huge).
            if size == 0 or size > len(data) - pos - 8:
                body = data[pos + 8:]
            break
        pos += 8 + size + (size & 1)
    if fmt is None or body is None:
        raise ValueError("missing fmt or data chunk")
    if fmt["format_tag"] == 1 and fmt["bits"] == 16:
        count = len(body) // 2
        all_samples = struct.unpack("<%dh" % count, body[:count * 2])
        samples = list(all_samples[::fmt["channels"]])
    elif fmt["format_tag"] == 7 and fmt["bits"] == 8:
        samples = [decode_mulaw(b) for b in body[::fmt["channels"]]]
    else:
        raise ValueError("unsupported format %r" % fmt)
    return fmt, samples


def fft(values):
    """Iterative radix-2 FFT; len(values) must be a power of two."""
    n = len(values)
    out = [complex(v) for v in values]
    j = 0
    for i in range(1, n):
        bit = n >> 1
        while j & bit:
            j ^= bit
            bit >>= 1
        j |= bit
        if i < j:
            out[i], out[j] = out[j], out[i]
    size = 2
    while size <= n:
        step = cmath.exp(-2j * math.pi / size)
        for start in range(0, n, size):
            w = 1
            for k in range(size // 2):
                a, b = out[start + k], out[start + k + size // 2] * w
                out[start + k], out[start + k + size // 2] = a + b, a - b
                w *= step
        size *= 2
    return out


def loud_span(samples, rate, threshold=0.05):
    """First and last sample of the part whose 10 ms blocks reach threshold x the peak block."""
    block = max(1, rate // 100)
    levels = [max((abs(s) for s in samples[i:i + block]), default=0)
              for i in range(0, len(samples), block)]
    peak = max(levels, default=0)
    if peak == 0:
        return 0, 0
    loud = [i for i, level in enumerate(levels) if level >= threshold * peak]
    return loud[0] * block, min(len(samples), (loud[-1] + 1) * block)


def dominant_frequency(samples, rate):
    """Frequency of the strongest FFT bin (Hann window), refined by parabolic interpolation."""
    n = 1
    while n * 2 <= min(len(samples), 16384):
        n *= 2
    if n < 64:
        return 0.0
    start = (len(samples) - n) // 2
    window = [0.5 - 0.5 * math.cos(2 * math.pi * i / (n - 1)) for i in range(n)]
    spectrum = fft([samples[start + i] * window[i] for i in range(n)])
    mags = [abs(c) for c in spectrum[:n // 2]]
    peak = max(range(1, len(mags) - 1), key=mags.__getitem__)
    a, b, c = (math.log(mags[peak + d] + 1e-12) for d in (-1, 0, 1))
    shift = 0.5 * (a - c) / (a - 2 * b + c) if (a - 2 * b + c) != 0 else 0.0
    return (peak + shift) * rate / n


def measure(path):
    fmt, samples = read_wav(path)
    rate = fmt["rate"] or 1
    first, last = loud_span(samples, rate)
    loud = samples[first:last]
    rms = math.sqrt(sum(s * s for s in loud) / len(loud)) if loud else 0.0
    return dict(
        fmt,
        samples=len(samples),
        seconds=len(samples) / rate,
        loud_seconds=(last - first) / rate,
        frequency=round(dominant_frequency(loud, rate), 1),
        rms=round(rms, 1),
        rms_dbfs=round(20 * math.log10(rms / 32768), 1) if rms > 0 else None,
        peak=max((abs(s) for s in samples), default=0),
    )


def main(argv):
    if len(argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    result = measure(argv[1])
    if "--json" in argv[2:]:
        print(json.dumps(result))
    else:
        print("%s: %.2f s (loud %.2f s), %.1f Hz, rms %.1f (%s dBFS), peak %d" % (
            argv[1], result["seconds"], result["loud_seconds"], result["frequency"],
            result["rms"], result["rms_dbfs"], result["peak"]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
