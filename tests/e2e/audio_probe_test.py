#!/usr/bin/python3
"""Checks of the WAV analysis the end-to-end suite judges the sound by. sox makes the files."""
import os
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "demo"))
import audio_probe  # noqa: E402


class AudioProbeTest(unittest.TestCase):
    def setUp(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.path = os.path.join(folder.name, "probed.wav")

    def sox(self, effects, source=("-n",), output=("-e", "signed-integer", "-b", "16"), channels=1,
            stdin=None):
        """Writes the probed file, a WAV file at 8000 Hz, with sox from SOURCE through EFFECTS."""
        rate = ["-r", "8000", "-c", str(channels)]  # for both sides: no resampling, no remixing
        subprocess.run(["sox", "-D", *rate, *source, *rate, *output, self.path, *effects.split()],
                       input=stdin, check=True)
        return self.path

    def test_mulaw_decoding_pins_the_standard_values(self):
        cases = [(0xFF, 0), (0x7F, 0), (0xFE, 8), (0x7E, -8), (0xEF, 132), (0x6F, -132),
                 (0x80, 32124), (0x00, -32124), (0xF0, 120), (0x8F, 16764)]
        self.sox("", source=("-t", "raw", "-e", "u-law", "-"),
                 output=("-e", "u-law"), stdin=bytes(byte for byte, _ in cases))
        fmt, samples = audio_probe.read_wav(self.path)
        self.assertEqual(("u-law", 8), (fmt["encoding"], fmt["bits"]))
        self.assertEqual([sample for _, sample in cases], samples.tolist())

    def test_tone_between_silences(self):
        cases = [(440, 0.5, -9.0), (1000, 0.25, -15.1), (3000, 0.9, -3.9)]
        for frequency, amplitude, dbfs in cases:
            m = audio_probe.measure(self.sox("synth 2 sine %d vol %g pad 1 0.5" % (frequency, amplitude)))
            label = "%d Hz at %.2f" % (frequency, amplitude)
            self.assertAlmostEqual(frequency, m["frequency"], delta=2, msg=label)
            self.assertAlmostEqual(dbfs, m["rms_dbfs"], delta=0.3, msg=label)
            self.assertAlmostEqual(2.0, m["loud_seconds"], delta=0.02, msg=label)
            self.assertAlmostEqual(3.5, m["seconds"], delta=0.001, msg=label)

    def test_mulaw_file_decodes_to_its_tone(self):
        m = audio_probe.measure(self.sox("synth 1 sine 500 vol 0.25", output=("-e", "u-law")))
        self.assertEqual(("u-law", 8, 8000, 8000), (m["encoding"], m["bits"], m["rate"], m["samples"]))
        self.assertAlmostEqual(500, m["frequency"], delta=2)
        self.assertAlmostEqual(-15.1, m["rms_dbfs"], delta=0.5)

    def test_first_channel_of_a_stereo_file(self):
        m = audio_probe.measure(self.sox("synth 1 sine 700 sine 1500 remix 1v0.5 2v0.1", channels=2))
        self.assertEqual((2, 8000), (m["channels"], m["samples"]))
        self.assertAlmostEqual(700, m["frequency"], delta=2)
        self.assertAlmostEqual(-9.0, m["rms_dbfs"], delta=0.3)

    def test_unpatched_data_size_reads_to_the_end(self):
        with open(self.sox("synth 1 sine 440 vol 0.5"), "rb") as f:
            data = f.read()
        size_at = data.index(b"data") + 4
        for size in (0, 0xFFFFFFFF):
            with open(self.path, "wb") as f:
                f.write(data[:size_at] + struct.pack("<I", size) + data[size_at + 4:])
            m = audio_probe.measure(self.path)
            self.assertEqual(8000, m["samples"], "data size field %#x" % size)

    def test_silence_and_garbage(self):
        m = audio_probe.measure(self.sox("trim 0 1"))
        self.assertEqual((8000, 0, 0.0, None), (m["samples"], m["peak"], m["loud_seconds"], m["rms_dbfs"]))
        for data in (b"", b"RIFX" + b"\0" * 40, b"RIFF\x24\0\0\0WAVEfmt " + b"\0" * 40):
            with open(self.path, "wb") as f:
                f.write(data)
            with self.assertRaises(ValueError, msg=repr(data[:16])):
                audio_probe.measure(self.path)


if __name__ == "__main__":
    unittest.main()
