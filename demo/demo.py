#!/usr/bin/python3
"""A first run without a desktop: records 3 s of a test tone, plays it, saves it, takes pictures.

    demo.py --exe RECORDER.exe --probe window_probe.exe --out FOLDER

Runs inside demo/session.sh; run.sh starts it on a machine with no display. Leaves in FOLDER
the saved recording (demo-recording.wav), what the speaker played (demo-speaker.wav) and
pictures of the main window and of the duration dialog: the README's (docs/main-window.png,
docs/duration-dialog.png).
"""
import argparse
import os
import subprocess
import sys
import time

from driver import IDC_PLAY, IDYES, App, Probe, measure, say, speaker, tone, wait_for, windows_path

TONE_HZ = 440


def screenshot(window, path):
    """The window as the screen shows it, once two captures in a row agree (it is drawn); a PNG
    without time stamps, so that a picture taken again is the same file."""
    previous = None
    for _ in range(100):
        current = subprocess.run(["xwd", "-silent", "-id", str(window["xid"])], check=True,
                                 capture_output=True).stdout
        if current == previous:
            break
        previous = current
        time.sleep(0.2)
    subprocess.run(["convert", "xwd:-", "-strip", "-define", "png:exclude-chunks=date,time",
                    "png:" + path], input=current, check=True)
    say("  picture: %s" % path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    out = os.path.abspath(args.out)
    os.makedirs(out, exist_ok=True)
    recording = os.path.join(out, "demo-recording.wav")
    if os.path.exists(recording):
        os.remove(recording)  # the demo's own file from an earlier run; no overwrite prompt

    probe = Probe(args.probe)
    app = App(args.exe, probe, out)
    try:
        say("The recorder is running on a virtual display, with a virtual microphone that plays "
            "a %d Hz tone." % TONE_HZ)
        screenshot(app.main, os.path.join(out, "main-window.png"))
        with tone(TONE_HZ):
            dialog = app.open_duration_dialog()
            say("Rec: the duration dialog offers %r seconds; Enter accepts it."
                % app.seconds_text(dialog))
            screenshot(dialog, os.path.join(out, "duration-dialog.png"))
            app.person.keys(dialog, "Return")
            app.wait_state("Busy", 10)
            say("Recording... (Rec, Play and Save are disabled, the bar fills)")
            app.wait_state("Ready", 60)
        say("Recorded 3 seconds. Play:")
        heard = os.path.join(out, "demo-speaker.wav")
        with speaker(heard):
            app.press(IDC_PLAY)
            app.wait_state("Busy", 10)
            app.wait_state("Ready", 60)
        m = measure(heard)
        say("  the speaker played %.1f s of %.0f Hz at %s dBFS" %
            (m["loud_seconds"], m["frequency"], m["rms_dbfs"]))
        say("Save, as %s:" % windows_path(recording))
        app.save_as(windows_path(recording))
        wait_for(lambda: os.path.exists(recording) and os.path.getsize(recording) == 46 + 24000,
                 20, "the saved file")
        m = measure(recording)
        say("  %s: %d bytes, mu-law, %.0f Hz at %s dBFS; the window's caption is now %r" %
            (recording, os.path.getsize(recording), m["frequency"], m["rms_dbfs"], app.caption()))
        say("Esc, and Yes to the quit question.")
        app.answer(app.ask_quit(), IDYES)
        app.wait_exit(30)
        say("Done: the recording, what was heard and the pictures are in %s" % out)
        return 0
    finally:
        app.close()
        probe.close()


if __name__ == "__main__":
    sys.exit(main())
