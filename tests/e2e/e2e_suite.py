#!/usr/bin/python3
"""End-to-end checks of the recorder under Wine, driven through real input.

    e2e_suite.py GROUP --exe RECORDER.exe --probe window_probe.exe

Runs inside demo/session.sh (its own display, sound server and prefix). Each check prints
what it saw. Exit code 0 when every check held, 1 otherwise, 77 when the group was skipped.
"""
import argparse
import os
import shutil
import signal
import statistics
import struct
import subprocess
import sys
import tempfile
import time

# The driver lives beside the demo, which runs the program the same way.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "demo"))
from driver import (ENV_DIR, IDC_PLAY, IDCANCEL, IDNO, IDOK, IDYES, MAIN_CAPTION,  # noqa: E402
                    SAVE_TYPE_COMBO, App, CheckFailed, Probe, measure, say, speaker, tone,
                    wait_for, windows_path)

TONE_HZ = 440
TONE_DBFS = -9.0            # RMS of a sine at half of full scale, as tone() feeds it
SAMPLES_PER_SECOND = 8000   # of the saved mu-law file, one byte per sample
SKIPPED = 77


class Checks:
    """Counts and prints the outcome of each check; a failed one does not stop the group."""

    def __init__(self):
        self.ok = self.failed = 0

    def expect(self, condition, seen):
        if condition:
            self.ok += 1
            say("  ok    " + seen)
        else:
            self.failed += 1
            say("  FAIL  " + seen)
        return condition


def wav_header(sample_count):
    """The 46-byte header a mu-law file of sample_count samples must start with."""
    return (b"RIFF" + struct.pack("<I", sample_count + 38) + b"WAVE" + b"fmt " +
            struct.pack("<IHHIIHHH", 18, 7, 1, 8000, 8000, 1, 8, 0) +
            b"data" + struct.pack("<I", sample_count))


def close_to(value, target, tolerance):
    return value is not None and abs(value - target) <= tolerance


def expect_tone(checks, what, m, seconds):
    checks.expect(close_to(m["frequency"], TONE_HZ, TONE_HZ * 0.02),
                  "%s: dominant frequency %.1f Hz (fed %d Hz)" % (what, m["frequency"], TONE_HZ))
    checks.expect(close_to(m["rms_dbfs"], TONE_DBFS, 3.0),
                  "%s: level %s dBFS (fed %.1f dBFS)" % (what, m["rms_dbfs"], TONE_DBFS))
    checks.expect(close_to(m["loud_seconds"], seconds, 0.5),
                  "%s: tone lasts %.2f s (recorded %d s)" % (what, m["loud_seconds"], seconds))


def record(app, seconds):
    """A completed recording of `seconds` (typed over the offer unless it is the offered 3)."""
    app.start_recording(None if seconds == 3 else str(seconds))
    app.wait_state("Ready", seconds + 30)


def play(app):
    app.press(IDC_PLAY)
    app.wait_state("Busy", 10)
    app.wait_state("Ready", 90)


def wait_file(path, size):
    wait_for(lambda: os.path.exists(path) and os.path.getsize(path) == size, 20,
             "%s to reach %d bytes" % (path, size))


def read(path):
    with open(path, "rb") as f:
        return f.read()


# --- groups ---------------------------------------------------------------------------------


def group_record_play_save(checks, app, files):
    """Start, record the offered 3 s of a tone, play it back, save it, save over it."""
    main = app.main
    width, height = map(int, subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True,
                                            text=True, check=True).stdout.split())
    left, top, right, bottom = main["rect"]
    centre = ((left + right) / 2, (top + bottom) / 2)
    checks.expect(main["text"] == MAIN_CAPTION, "caption %r" % main["text"])
    checks.expect(app.state() == "Fresh",
                  "buttons at start (Rec, Play, Save) %s" % (app.buttons(),))
    checks.expect(abs(centre[0] - width / 2) <= 8 and abs(centre[1] - height / 2) <= 8,
                  "window centre %s on a %dx%d screen" % (centre, width, height))

    with tone(TONE_HZ):
        app.start_recording()
        entered = time.monotonic()
        app.wait_state("Busy", 10)  # the check that Enter started a recording: else it stops here
        say("  ...   Busy %.2f s after the duration dialog closed on the offered 3"
            % (time.monotonic() - entered))
        app.wait_state("Ready", 40)
        took = time.monotonic() - entered
        checks.expect(took > 2.5, "Ready %.2f s after the duration dialog closed" % took)
    position, maximum = wait_for(lambda: (lambda p: p if p[0] == p[1] else None)(app.progress()),
                                 20, "the bar to fill")
    checks.expect((position, maximum) == (15, 15), "progress bar %d of %d" % (position, maximum))

    heard = os.path.join(files, "speaker.wav")
    with speaker(heard):
        started = time.monotonic()
        app.press(IDC_PLAY)
        app.wait_state("Busy", 10)  # the check that Play started: else the group stops here
        say("  ...   Busy %.2f s after Play" % (time.monotonic() - started))
        app.wait_state("Ready", 40)
        say("  ...   Ready %.2f s after Play" % (time.monotonic() - started))
        time.sleep(0.5)  # what is still in the sound server's pipe
    expect_tone(checks, "speaker", measure(heard), 3)

    dialog = app.open_save_dialog()
    types = app.probe.control(dialog["hwnd"], SAVE_TYPE_COMBO, "ComboBox")
    checks.expect(types is not None and types["items"] == ["WAV Files (*.WAV)", "All Files (*.*)"]
                  and types["sel"] == 0, "Save As file types %s, chosen %s"
                  % (types and types["items"], types and types["sel"]))
    app.answer(dialog, IDCANCEL)
    checks.expect(app.caption() == MAIN_CAPTION, "caption after a cancelled Save As %r"
                  % app.caption())

    path = save_and_read(app, files, "first", 3)
    size = 46 + 3 * SAMPLES_PER_SECOND
    data = read(path)
    checks.expect(len(data) == size, "name typed without extension saved as %s, %d bytes"
                  % (os.path.basename(path), len(data)))
    checks.expect(data[:46] == wav_header(3 * SAMPLES_PER_SECOND),
                  "header %s" % data[:46].hex())
    expect_tone(checks, "saved file", measure(path), 3)
    checks.expect(app.caption() == "first.wav", "caption %r" % app.caption())

    with open(path, "wb") as f:
        f.write(b"not the recording")  # so that a rewrite shows
    prompt = app.save_as(windows_path(path), overwrite=IDYES)
    checks.expect(prompt is not None and "already exists" in prompt,
                  "saving over it asks first: %r" % prompt)
    wait_file(path, size)
    checks.expect(read(path) == data, "saved again: the same %d bytes" % size)
    checks.expect(app.state() == "Ready", "still Ready after saving")


def group_duration_limits(checks, app, files):
    """Values the duration dialog refuses, typed and pasted; the least it takes, 0 s."""
    cases = [("61", False, "Maximaal 60 seconden"),
             ("999999999999", False, "Maximaal 60 seconden"),
             ("-5", True, "Minimaal 0 seconden")]
    for text, pasted, refusal in cases:
        dialog = app.open_duration_dialog()
        offered = app.seconds_text(dialog)
        checks.expect(offered == "3", "duration offered %r" % offered)
        if pasted:
            app.probe.set_clipboard(text)
            app.person.keys(dialog, "Tab", "Tab", "ctrl+v")
        else:
            app.replace_seconds(dialog, text)
        app.person.keys(dialog, "Return")
        box = app.wait_dialog("Fout", owner=dialog)
        shown = app.message_text(box)
        buttons = [c["text"] for c in app.probe.controls(box["hwnd"]) if c["class"] == "Button"]
        checks.expect(shown == refusal and buttons == ["OK"], "%s %r: \"Fout\" says %r, buttons %s"
                      % ("pasted" if pasted else "typed", text, shown, buttons))
        app.answer(box, IDOK)
        kept = app.seconds_text(dialog)
        still_open = any(w["hwnd"] == dialog["hwnd"] for w in app.dialogs("Opnemen"))
        checks.expect(still_open and kept == text, "dialog stays open with %r" % kept)
        app.answer(dialog, IDCANCEL)
        checks.expect(app.state() == "Fresh", "after Cancel: %s" % app.state())
    record(app, 0)  # from Fresh, so Ready means the recording ended and the buttons came back
    empty = read(save_and_read(app, files, "empty", 0))
    checks.expect(empty == wav_header(0), "0 s recorded: Ready, saved as the header alone, "
                  "%d bytes" % len(empty))


def group_quit(checks, app_factory, repeats, files):
    """Esc answered No keeps the program; Yes during a recording or a playback ends it. With the
    buttons off, the keyboard focus must stay in the window, or Esc would reach nothing."""
    app = app_factory()
    box = app.ask_quit()
    text = app.message_text(box)
    checks.expect(text == "Do you realy want to quit?", "Esc asks %r" % text)
    app.answer(box, IDNO)
    checks.expect(app.process.poll() is None and app.state() == "Fresh",
                  "answered No: still running, %s" % app.state())
    quit_cleanly(checks, app, "answered Yes")

    for during in ("recording", "playback"):
        times, codes, crashes, late, focus_lost = [], [], [], 0, 0
        esc_works = None
        for _ in range(repeats):
            app = app_factory()
            try:
                if during == "recording":
                    app.start_recording("30")
                else:
                    record(app, 3)
                    app.press(IDC_PLAY)
                app.wait_state("Busy", 10)
                focus_lost += not app.focus_inside()
                box = None
                if esc_works is not False:
                    try:
                        box = app.ask_quit(timeout=5)
                        esc_works = True
                    except CheckFailed:
                        esc_works = False  # said once below; the close box asks from now on
                if box is None:
                    box = app.ask_quit_by_close_box()
                if app.state() != "Busy":
                    late += 1  # only after waiting in vain for Esc: the playback was over
                asked = time.monotonic()
                app.press(IDYES, box)
                codes.append(app.wait_exit(30))
                times.append(time.monotonic() - asked)
                crashes.append(app.crash_report())
            finally:
                app.close()
        checks.expect(focus_lost == 0, "the keyboard focus left the busy window in %d of %d %ss"
                      % (focus_lost, repeats, during))
        checks.expect(esc_works, "Esc during a %s brings the quit question" % during)
        say("  ...   Yes during a %s: exit after %s s%s"
            % (during, ", ".join("%.2f" % t for t in times),
               " (%d of them no longer during it)" % late if late else ""))
        checks.expect(codes == [0] * repeats, "%d quits during a %s: exit codes %s"
                      % (repeats, during, sorted(set(codes))))
        checks.expect(not any(crashes), "no crash reported%s" % "".join(c for c in crashes if c))
        say("  ...   median %.2f s, slowest %.2f s (target: within a second)"
            % (statistics.median(times), max(times)))

    # The session ending, as Windows ends it; wineboot's exit code is 1 when a program refused.
    end_session = [os.environ["MORVIK_WINE"], "wineboot", "--end-session"]
    app = app_factory()
    with tone(TONE_HZ):
        app.start_recording("5")
        app.wait_state("Busy", 10)
        seen = [(subprocess.run(end_session).returncode, app.state())]
        app.wait_state("Ready", 30)
    seen.append((subprocess.run(end_session).returncode, app.state()))
    checks.expect(seen == [(1, "Busy"), (1, "Ready")] and app.process.poll() is None,
                  "session ended during a recording, then unsaved: refused, running %s" % seen)
    expect_tone(checks, "then saved", measure(save_and_read(app, files, "end-session", 5)), 5)
    checks.expect((subprocess.run(end_session).returncode, app.wait_exit(30)) == (0, 0),
                  "once saved, the session ends it: wineboot and program exit 0")
    app.close()


def group_no_audio(checks, app, files):
    """No sound server at all: the window works, Rec says there is no input, nothing changes."""
    checks.expect(app.state() == "Fresh", "start without a sound server: %s" % app.state())
    app.start_recording()
    box = app.wait_dialog("Fout", 10)
    said = app.message_text(box)
    app.answer(box, IDOK)
    checks.expect(said == "Geen opnameapparaat gevonden" and app.state() == "Fresh",
                  "Rec, Enter on 3: %r, %s" % (said, app.state()))
    time.sleep(1)  # a recording, had one started, would show by now
    checks.expect(app.state() == "Fresh" and app.progress()[0] == 0,
                  "a second later: %s, bar at %d" % (app.state(), app.progress()[0]))
    app.press(IDC_PLAY)
    time.sleep(0.5)
    checks.expect(app.state() == "Fresh" and not app.dialogs(),
                  "Play (disabled) clicked: %s, no window opened" % app.state())
    checks.expect(app.process.poll() is None, "still running")
    quit_cleanly(checks, app, "without a sound server")


def group_soak(checks, app, files, cycles):
    """Record/play cycles of one second; memory and handles must not keep growing."""
    warmup = min(10, cycles // 2)
    baseline = None
    with tone(TONE_HZ, cycles * 10 + 60):
        for cycle in range(1, cycles + 1):
            record(app, 1)
            play(app)
            if cycle == warmup:
                baseline = app.counters()
            if cycle % 10 == 0 or cycle == cycles:
                c = app.counters()
                say("  ...   cycle %d: data %d KiB, resident %d KiB, handles %d, descriptors %d"
                    % (cycle, c["data"] // 1024, c["rss"] // 1024, c["handles"], c["fds"]))
    end = app.counters()
    growth = {k: end[k] - baseline[k] for k in ("data", "rss", "handles", "fds")}
    checks.expect(baseline["handles"] > 0, "the handle count is read (%d)" % baseline["handles"])
    checks.expect(growth["data"] <= 1024 * 1024 and growth["rss"] <= 1024 * 1024,
                  "memory from cycle %d to %d: data %+d KiB, resident %+d KiB (bound 1024 KiB)"
                  % (warmup, cycles, growth["data"] // 1024, growth["rss"] // 1024))
    checks.expect(growth["handles"] <= 8 and growth["fds"] <= 8,
                  "handles from cycle %d to %d: %+d Windows, %+d Unix (bound 8)"
                  % (warmup, cycles, growth["handles"], growth["fds"]))
    checks.expect(app.process.poll() is None and app.state() == "Ready", "still running, Ready")


def file_contents(folder):
    return {name: read(os.path.join(folder, name)) for name in sorted(os.listdir(folder))
            if os.path.isfile(os.path.join(folder, name))}


def expect_refused_save(checks, app, target, caption, what, cause):
    """A save that cannot be written: the message with its cause in Wine's words, the old
    caption, nothing left behind."""
    folder = os.path.dirname(target) if os.path.isdir(os.path.dirname(target)) else None
    before = file_contents(folder) if folder else None
    app.save_as(windows_path(target), overwrite=IDYES if os.path.exists(target) else None)
    try:
        box = app.wait_dialog("Fout")
    except CheckFailed:
        box = None
    shown = box and app.message_text(box)
    expected = "Opslaan mislukt:\n" + windows_path(target) + "\n" + cause
    checks.expect(shown == expected, "%s: \"Fout\" says %r" % (what, shown))
    if box:
        app.answer(box, IDOK)
    checks.expect(app.caption() == caption, "%s: caption kept %r" % (what, app.caption()))
    if folder:
        after = file_contents(folder)
        checks.expect(after == before, "%s: folder holds the same files, byte for byte: %s"
                      % (what, sorted(after)))
    else:
        checks.expect(not os.path.exists(os.path.dirname(target)),
                      "%s: the folder was not created" % what)


def save_ended(app, path):
    """Saves as `path` and returns its bytes, or None if it did not come (a failure message is
    answered)."""
    app.save_as(windows_path(path))
    try:
        wait_for(lambda: os.path.exists(path) or app.dialogs("Fout"), 20, "the file or a message")
    except CheckFailed:
        pass  # saved elsewhere, if at all: the caller's checks tell
    for box in app.dialogs("Fout"):
        app.answer(box, IDOK)
    return read(path) if os.path.exists(path) else None


def group_save_failures(checks, app, files):
    """Saves that cannot be written never touch what is there; every name Windows allows saves
    under exactly that name."""
    with tone(TONE_HZ):
        record(app, 1)
    kept = os.path.join(files, "kept.wav")
    app.save_as(windows_path(kept))
    wait_file(kept, 46 + SAMPLES_PER_SECOND)
    caption = app.caption()
    checks.expect(caption == "kept.wav", "a good save first: caption %r" % caption)

    expect_refused_save(checks, app, os.path.join(files, "no such folder", "lost.wav"), caption,
                        "folder that does not exist", "Path not found.")

    locked = os.path.join(files, "locked")
    os.mkdir(locked)
    target = os.path.join(locked, "read-only.wav")
    with open(target, "wb") as f:
        f.write(b"an older recording\n" * 100)
    os.chmod(target, 0o444)
    expect_refused_save(checks, app, target, caption, "read-only file", "Access denied.")

    # Through code page 1252 with best fit, "zażółć" would turn into its twin "zazólc" and
    # "Kraków 会議" into "Kraków ??", no folder at all: only in the second folder, free of CJK,
    # would such a save silently replace the twin.
    recording = read(kept)
    for folder_name in ("Kraków 会議", "Kraków"):
        folder = os.path.join(files, folder_name)
        os.mkdir(folder)
        twin = b"another recording\n" * 100
        with open(os.path.join(folder, "zazólc.wav"), "wb") as f:
            f.write(twin)
        save_ended(app, os.path.join(folder, "zażółć.wav"))
        after = file_contents(folder)
        checks.expect(after.get("zażółć.wav") == recording, "in %s: saved as %s, %d bytes"
                      % (folder_name, sorted(after), len(after.get("zażółć.wav") or b"")))
        checks.expect(after.get("zazólc.wav") == twin,
                      "in %s: its twin zazólc.wav untouched" % folder_name)
        checks.expect(app.caption() == "zażółć.wav", "in %s: caption %s"
                      % (folder_name, app.caption()))

    # Windows' longest path, 259 UTF-16 units from "Z:\", in CJK: 3 bytes each in UTF-8, so at
    # most 81 to a name keeps within the 255 bytes Linux allows one.
    folder, name_length = files, 259 - len(windows_path(files)) - len("\\.wav")
    while name_length > 81:
        folder = os.path.join(folder, "録音" * 40)
        name_length -= 81
    os.makedirs(folder, exist_ok=True)
    target = os.path.join(folder, "声" * name_length + ".wav")
    saved, shown = save_ended(app, target), windows_path(target)
    checks.expect(saved == recording, "a path of %d characters, %d bytes in UTF-8: saved whole "
                  "there, %d bytes" % (len(shown), len(shown.encode()), len(saved or b"")))


def group_save_full_disk(checks, app, files):
    """A save onto a full disk fails cleanly; skipped where no small tmpfs can be mounted."""
    disk = os.path.join(files, "small-disk")
    os.mkdir(disk)
    mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", disk],
                             capture_output=True, text=True)
    if mounted.returncode != 0:
        say("  SKIP  no tmpfs could be mounted here: %s" % mounted.stderr.strip())
        return SKIPPED
    try:
        with tone(TONE_HZ):
            record(app, 1)
        target = os.path.join(disk, "older.wav")
        with open(target, "wb") as f:
            f.write(bytes(range(256)) * 40)
        # Fill all but one page: far less than the 8046 bytes a one-second file needs.
        with open(os.path.join(disk, "filler"), "wb", buffering=0) as f:
            try:
                while f.write(b"\0" * 4096):
                    pass
            except OSError:
                pass
        filler = os.path.join(disk, "filler")
        os.truncate(filler, os.path.getsize(filler) - 4096)
        free = shutil.disk_usage(disk).free
        say("  ...   small disk: %d bytes free" % free)
        expect_refused_save(checks, app, target, MAIN_CAPTION, "full disk", "Disk full.")
    finally:
        app.close()
        subprocess.run(["umount", disk], check=False)
    return 0


def sound_server_up():
    return subprocess.run(["pactl", "info"], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode == 0


def kill_sound_server():
    """Kills the session's sound server at once, as a crash would."""
    with open(os.path.join(os.environ["MORVIK_SESSION_DIR"], "pulse", "pids")) as f:
        os.kill(int(f.read().split()[-1]), signal.SIGKILL)
    wait_for(lambda: not sound_server_up(), 20, "the sound server to die")


def restart_sound_server():
    """The session's sound server again, on the same socket (ended by the session)."""
    session = os.environ["MORVIK_SESSION_DIR"]
    with open(os.path.join(session, "pulse.log"), "a") as log:
        subprocess.Popen([os.path.join(ENV_DIR, "pulse_server.sh"), session],
                         stdin=subprocess.DEVNULL, stdout=log, stderr=log)
    wait_for(sound_server_up, 30, "the sound server to come back")


def expect_given_up(checks, app, ended, what):
    """Ready again soon after `ended` (when the device should have finished), and told so."""
    app.wait_state("Ready", 30)
    late = time.monotonic() - ended
    checks.expect(late <= 3.5, "%s: Ready %.2f s after the duration ended (bound 3.5 s)"
                  % (what, late))
    box = app.wait_dialog("Fout")
    shown = app.message_text(box)
    checks.expect(shown == "Het geluidsapparaat reageert niet", "%s: \"Fout\" says %r"
                  % (what, shown))
    app.answer(box, IDOK)


def save_and_read(app, files, name, seconds):
    """Saves as `name` typed without an extension; returns the path, once the whole file is there."""
    base = os.path.join(files, name)
    app.save_as(windows_path(base))
    wait_file(base + ".wav", 46 + seconds * SAMPLES_PER_SECOND)
    return base + ".wav"


def quit_cleanly(checks, app, what):
    app.answer(app.ask_quit(), IDYES)
    checks.expect(app.wait_exit(30) == 0 and not app.crash_report(),
                  "%s: quit with exit code 0, no crash reported %r" % (what, app.crash_report()))
    app.close()


def group_lost_sound_server(checks, app_factory, files):
    """The sound server dies during a recording, during a playback, and restarts while idle:
    the window is Ready again each time and keeps what it has."""
    app = app_factory()
    with tone(TONE_HZ):
        app.start_recording("5")
        app.wait_state("Busy", 10)
        started = time.monotonic()
        time.sleep(1)  # one second into the recording
        kill_sound_server()
    expect_given_up(checks, app, started + 5, "server killed 1 s into a 5 s recording")
    path = save_and_read(app, files, "lost-recording", 5)
    checks.expect(read(path)[:46] == wav_header(5 * SAMPLES_PER_SECOND),
                  "then saved: %d bytes, header right" % os.path.getsize(path))
    say("  ...   tone kept from before the loss: %.2f s" % measure(path)["loud_seconds"])
    quit_cleanly(checks, app, "after a lost recording")

    restart_sound_server()
    app = app_factory()
    with tone(TONE_HZ):
        record(app, 2)
    app.press(IDC_PLAY)
    app.wait_state("Busy", 10)
    started = time.monotonic()
    time.sleep(0.5)
    kill_sound_server()
    expect_given_up(checks, app, started + 2, "server killed 0.5 s into a 2 s playback")
    path = save_and_read(app, files, "lost-playback", 2)
    expect_tone(checks, "the recording saved after it", measure(path), 2)
    quit_cleanly(checks, app, "after a lost playback")

    restart_sound_server()
    app = app_factory()
    kill_sound_server()
    restart_sound_server()
    attempts = []
    with tone(TONE_HZ):
        for attempt in (1, 2):
            app.start_recording("2")
            app.wait_state("Busy", 10)
            started = time.monotonic()
            app.wait_state("Ready", 30)
            late = time.monotonic() - started - 2
            try:
                box = app.wait_dialog("Fout", 2)  # shown right after the buttons, if at all
            except CheckFailed:
                box = None
            given_up = box is not None
            attempts.append("%s %.2f s after the duration ended"
                            % ("given up" if given_up else "completed", late))
            if not given_up:
                break
            app.answer(box, IDOK)
    say("  ...   recordings after a restart while idle: %s" % "; ".join(attempts))
    checks.expect(not given_up, "after a restart while idle, recording %d completes"
                  % len(attempts))
    if not given_up:
        expect_tone(checks, "that recording, saved",
                    measure(save_and_read(app, files, "after-restart", 2)), 2)
    quit_cleanly(checks, app, "after a restart")


GROUPS = {
    "record_play_save": group_record_play_save,
    "duration_limits": group_duration_limits,
    "no_audio": group_no_audio,
    "save_failures": group_save_failures,
    "save_full_disk": group_save_full_disk,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("group",
                        choices=sorted(list(GROUPS) + ["quit", "soak", "lost_sound_server"]))
    parser.add_argument("--exe", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--repeats", type=int, default=20)
    parser.add_argument("--cycles", type=int, default=100)
    args = parser.parse_args()
    if not os.environ.get("MORVIK_SESSION_DIR"):
        sys.exit("run this inside demo/session.sh")

    files = tempfile.mkdtemp(prefix=args.group + ".", dir=os.environ["MORVIK_SESSION_DIR"])
    say("== %s" % args.group)
    checks = Checks()
    probe = Probe(args.probe)
    rc = 0
    app = None
    try:
        if args.group == "quit":
            group_quit(checks, lambda: App(args.exe, probe, files), args.repeats, files)
        elif args.group == "lost_sound_server":
            group_lost_sound_server(checks, lambda: App(args.exe, probe, files), files)
        else:
            app = App(args.exe, probe, files)
            if args.group == "soak":
                group_soak(checks, app, files, args.cycles)
            else:
                rc = GROUPS[args.group](checks, app, files) or 0
            if app.process.poll() is None:
                checks.expect(not app.crash_report(), "no crash reported")
    except CheckFailed as failure:
        checks.expect(False, "stopped: %s" % failure)
    finally:
        if app is not None:
            app.close()
        probe.close()
    say("== %s: %d checks held, %d did not" % (args.group, checks.ok, checks.failed))
    if checks.failed:
        return 1
    return rc


if __name__ == "__main__":
    sys.exit(main())
