#!/usr/bin/python3
"""Measures the recorder under Wine for docs/performance.md. A benchmark, not a test: it prints
figures and judges nothing. Runs inside demo/session.sh:

    perf.py --exe RECORDER.exe --baseline minimal_dialog.exe --probe window_probe.exe
            [--runs 10] [--skip-save60]

  start-up     process start to main window visible, median of --runs, against the baseline
               (the smallest dialog program, built the same way), runs interleaved
  completion   end of the chosen duration to the buttons coming back, recording and playback
  save 60 s    a 60-second recording: Enter in Save As to the whole file written
"""
import argparse
import os
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "demo"))
from driver import IDC_PLAY, App, Probe, say, tone, wait_for, windows_path  # noqa: E402


def startup(args, probe, files):
    times = {"recorder": [], "baseline": []}
    for _ in range(args.runs):
        for name, exe, caption in (("baseline", args.baseline, "Minimal Dialog"),
                                   ("recorder", args.exe, None)):
            app = App(exe, probe, files, **({"caption": caption} if caption else {}))
            times[name].append(app.shown - app.launched)
            app.close()
            # The next start must not find this one's windows still being torn down.
            wait_for(lambda: all(w["hwnd"] != app.main["hwnd"] for w in probe.top_windows()), 20,
                     "the window to go")
    recorder, baseline = (statistics.median(times[k]) for k in ("recorder", "baseline"))
    say("start-up, process start to main window visible (median of %d):" % args.runs)
    for label, name, median in (("recorder", "recorder", recorder),
                                ("minimal dialog", "baseline", baseline)):
        say("  %-14s  %.3f s  (all: %s)"
            % (label, median, " ".join("%.2f" % t for t in times[name])))
    say("  ratio           %.2f" % (recorder / baseline))


def busy_span(app):
    """Seconds from the buttons going off (the device is started right after) to their return."""
    wait_for(lambda: app.state() == "Busy", 20, "Busy", poll=0.005)
    started = time.monotonic()
    wait_for(lambda: app.state() == "Ready", 90, "Ready", poll=0.005)
    return time.monotonic() - started


def completion(args, probe, files):
    app = App(args.exe, probe, files)
    rows = []
    try:
        with tone(440):
            for seconds in (1, 3):
                for _ in range(3):
                    app.start_recording(None if seconds == 3 else str(seconds))
                    recorded = busy_span(app) - seconds
                    app.press(IDC_PLAY)
                    played = busy_span(app) - seconds
                    rows.append((seconds, recorded, played))
    finally:
        app.close()
    say("completion latency, end of the duration to the buttons back (seen from outside):")
    for seconds in (1, 3):
        rec = [r for s, r, _ in rows if s == seconds]
        ply = [p for s, _, p in rows if s == seconds]
        say("  %d s: recording %s s, playback %s s" % (
            seconds, " ".join("%.3f" % v for v in rec), " ".join("%.3f" % v for v in ply)))


def save60(args, probe, files):
    app = App(args.exe, probe, files)
    try:
        with tone(440):
            app.start_recording("60")
            app.wait_state("Ready", 120)
        target = os.path.join(files, "sixty.wav")
        size = 46 + 60 * 8000
        save = app.open_save_dialog()
        app.person.type(save, windows_path(target))
        app.person.keys(save, "Return")
        pressed = time.monotonic()
        wait_for(lambda: os.path.exists(target) and os.path.getsize(target) == size
                 and app.caption() == "sixty.wav", 60, "the saved file", poll=0.005)
        say("save of a 60-second recording: %.3f s from Enter in Save As to the %d-byte file"
            % (time.monotonic() - pressed, size))
    finally:
        app.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--baseline", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--skip-save60", action="store_true")
    args = parser.parse_args()
    files = tempfile.mkdtemp(prefix="perf.", dir=os.environ["MORVIK_SESSION_DIR"])
    probe = Probe(args.probe)
    try:
        startup(args, probe, files)
        completion(args, probe, files)
        if not args.skip_save60:
            save60(args, probe, files)
    finally:
        probe.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
