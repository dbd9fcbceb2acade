#!/usr/bin/env python3
"""Checks of the WAV analysis the end-to-end suite judges the sound by."""
import cmath
import math
import os
import random
import struct
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "env"))
import audio_probe  # noqa: E402


def wav_bytes(format_tag, channels, bits, payload, data_size=None):
    rate = 8000
    align = channels * bits // 8
    size = len(payload) if data_size is None else data_size
    fmt = struct.pack("<HHIIHH", format_tag, channels, rate, rate * align, align, bits)
    return (b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(payload)) + b"WAVE" +
            b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", size) +
            payload)


def sine(frequency, seconds, amplitude, rate=8000):
    return [int(round(amplitude * 32767 * math.sin(2 * math.pi * frequency * i / rate)))
            for i in range(int(seconds * rate))]


class AudioProbeTest(unittest.TestCase):
    def measure(self, data):
        with tempfile.NamedTemporaryFile(suffix=".wav", delete=False) as f:
            f.write(data)
        try:
            return audio_probe.measure(f.name)
        finally:
            os.unlink(f.name)

    def test_mulaw_decoder_pins_the_standard_values(self):
        cases = [(0xFF, 0), (0x7F, 0), (0xFE, 8), (0x7E, -8), (0xEF, 132), (0x6F, -132),
                 (0x80, 32124), (0x00, -32124), (0xF0, 120), (0x8F, 16764)]
        for byte, sample in cases:
            self.assertEqual(sample, audio_probe.decode_mulaw(byte), "byte 0x%02X" % byte)

    def test_fft_matches_a_plain_dft(self):
        rng = random.Random(7)
        values = [rng.uniform(-1, 1) for _ in range(32)]
        got = audio_probe.fft(values)
        for k in range(32):
            want = sum(v * cmath.exp(-2j * math.pi * k * n / 32) for n, v in enumerate(values))
            self.assertAlmostEqual(abs(want - got[k]), 0, places=9, msg="bin %d" % k)

    def test_tone_between_silences(self):
        cases = [(440, 0.5, -9.0), (1000, 0.25, -15.1), (3000, 0.9, -3.9)]
        for frequency, amplitude, dbfs in cases:
            samples = [0] * 8000 + sine(frequency, 2, amplitude) + [0] * 4000
            m = self.measure(wav_bytes(1, 1, 16, struct.pack("<%dh" % len(samples), *samples)))
            label = "%d Hz at %.2f" % (frequency, amplitude)
            self.assertAlmostEqual(frequency, m["frequency"], delta=2, msg=label)
            self.assertAlmostEqual(dbfs, m["rms_dbfs"], delta=0.3, msg=label)
            self.assertAlmostEqual(2.0, m["loud_seconds"], delta=0.02, msg=label)
            self.assertAlmostEqual(3.5, m["seconds"], delta=0.001, msg=label)

    def test_mulaw_file_decodes_to_its_tone(self):
        # A 500 Hz tone is a 16-sample cycle; these bytes are its mu-law form at a quarter scale.
        linear = sine(500, 1, 0.25)
        payload = bytes(min(range(256), key=lambda b: abs(audio_probe.decode_mulaw(b) - s))
                        for s in linear[:16]) * 500
        m = self.measure(wav_bytes(7, 1, 8, payload))
        self.assertEqual((7, 8, 8000), (m["format_tag"], m["bits"], m["samples"]))
        self.assertAlmostEqual(500, m["frequency"], delta=2)
        self.assertAlmostEqual(-15.1, m["rms_dbfs"], delta=0.5)

    def test_first_channel_of_a_stereo_file(self):
        left, right = sine(700, 1, 0.5), sine(1500, 1, 0.1)
        frames = [v for pair in zip(left, right) for v in pair]
        m = self.measure(wav_bytes(1, 2, 16, struct.pack("<%dh" % len(frames), *frames)))
        self.assertAlmostEqual(700, m["frequency"], delta=2)
        self.assertEqual(8000, m["samples"])

    def test_unpatched_data_size_reads_to_the_end(self):
        samples = sine(440, 1, 0.5)
        payload = struct.pack("<%dh" % len(samples), *samples)
        for size in (0, 0xFFFFFFFF):
            m = self.measure(wav_bytes(1, 1, 16, payload, data_size=size))
            self.assertEqual(8000, m["samples"], "data size field %#x" % size)

    def test_silence_and_garbage(self):
        m = self.measure(wav_bytes(1, 1, 16, b"\0" * 16000))
        self.assertEqual((0, 0.0, None), (m["peak"], m["loud_seconds"], m["rms_dbfs"]))
        for data in (b"", b"RIFX" + b"\0" * 40, wav_bytes(3, 1, 32, b"\0" * 64)):
            with self.assertRaises(ValueError, msg=repr(data[:8])):
                self.measure(data)


if __name__ == "__main__":
    unittest.main()
