"""Drives the recorder like a person, inside a session made by demo/session.sh.

What the program shows is read through window_probe.exe, a small helper running in the same Wine
prefix; what the person does goes through the X server as real input (xdotool); what is heard is
captured from the speaker sink and measured by demo/audio_probe.py.
"""
import contextlib
import json
import os
import subprocess
import sys
import time

ENV_DIR = os.path.dirname(os.path.abspath(__file__))  # the session scripts are beside this file
sys.path.insert(0, ENV_DIR)
from audio_probe import measure  # noqa: E402,F401  (beside the session scripts; for the users)

MAIN_CAPTION = "Morvik Wav Recorder"
IDC_REC, IDC_PLAY, IDC_SAVE, IDC_PROGRESS, IDC_SECONDS = 1001, 1002, 1003, 1004, 1005
IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7
DIALOG_CLASS = "#32770"
# Where the Save As dialog keeps its parts (Wine's file dialog template).
SAVE_NAME_COMBO, SAVE_TYPE_COMBO = 1148, 1136


class CheckFailed(Exception):
    pass


def say(text):
    print(text, flush=True)


def wait_for(condition, timeout, what, poll=0.05):
    """Polls condition() until it gives a true value, which is returned; fails after timeout s."""
    end = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > end:
            raise CheckFailed("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(poll)


def check(condition, text):
    if not condition:
        raise CheckFailed(text)


def windows_path(path):
    """The Wine path of a file in the Unix file system (drive Z: is the root)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Probe:
    """One window_probe.exe for the whole run; each call is one request and one JSON answer."""

    def __init__(self, probe_exe):
        self.process = subprocess.Popen(
            [os.environ["MORVIK_WINE"], probe_exe], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL, encoding="utf-8", bufsize=1)

    def ask(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()
        answer = self.process.stdout.readline()
        if not answer:
            raise CheckFailed("window probe ended unexpectedly")
        return json.loads(answer)

    def close(self):
        try:
            if self.process.poll() is None:
                self.process.stdin.write("quit\n")
                self.process.stdin.flush()
        finally:
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()

    def top_windows(self, pid=None):
        return [w for w in self.ask("top")
                if w["visible"] and (pid is None or w["pid"] == pid)]

    def controls(self, hwnd):
        return self.ask("kids %d" % hwnd)

    def control(self, hwnd, control_id, class_name=None):
        for c in self.controls(hwnd):
            if c["id"] == control_id and (class_name is None or c["class"] == class_name):
                return c
        return None

    def set_clipboard(self, text):
        check(self.ask("clip " + text)["ok"], "could not set the clipboard")

    def set_text(self, control, text):
        check(self.ask("settext %d %s" % (control["hwnd"], text))["ok"],
              "could not set the text of control %d" % control["id"])


def xdotool(*args):
    subprocess.run(["xdotool"] + [str(a) for a in args], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def click_at(x, y):
    # xdotool's --sync waits for the pointer to move, some 15 s when it is there already (as on
    # Save after a save ended by Enter): a step aside first makes every click a move.
    xdotool("mousemove", x, y + 1, "mousemove", "--sync", x, y, "click", 1)


class Person:
    """Real pointer and keyboard input on the session's X display."""

    def click(self, control):
        left, top, right, bottom = control["rect"]
        click_at((left + right) // 2, (top + bottom) // 2)

    def click_close_box(self, window):
        # Wine draws the frame itself (no window manager): the close box sits in the caption's
        # top-right corner.
        left, top, right, bottom = window["rect"]
        click_at(right - 12, top + 12)

    def focus(self, window):
        # No window manager runs: the keyboard follows the X focus, which is set here.
        if "xid" in window:
            xdotool("windowfocus", "--sync", window["xid"])

    def keys(self, window, *keys):
        self.focus(window)
        xdotool("key", "--delay", 30, *keys)

    def type(self, window, text):
        self.focus(window)
        xdotool("type", "--delay", 30, text)


class App:
    """The recorder running under Wine, seen through the probe and driven by a Person."""

    def __init__(self, exe, probe, cwd, caption=MAIN_CAPTION):
        self.exe, self.probe, self.person, self.caption_at_start = exe, probe, Person(), caption
        self.stderr_path = os.path.join(os.environ["MORVIK_SESSION_DIR"],
                                        "app-stderr-%d.txt" % id(self))
        self.stderr = open(self.stderr_path, "w")
        # Windows of an earlier instance that has not quite gone must not be taken for ours.
        self.earlier = {w["hwnd"] for w in probe.top_windows()}
        self.launched = time.monotonic()
        self.process = subprocess.Popen([os.environ["MORVIK_WINE"], os.path.abspath(exe)], cwd=cwd,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=self.stderr)
        self.main = wait_for(self._find_main, 60, "the main window", poll=0.01)
        self.shown = time.monotonic()
        self.pid = self.main["pid"]

    def _find_main(self):
        check(self.process.poll() is None,
              "the program ended at start (exit %s)" % self.process.poll())
        for w in self.probe.top_windows():
            if (w["class"] == DIALOG_CLASS and w["owner"] == 0
                    and w["text"] == self.caption_at_start and w["hwnd"] not in self.earlier):
                return w
        return None

    # --- what the person sees ----------------------------------------------------------------

    def caption(self):
        return self.refresh()["text"]

    def refresh(self):
        for w in self.probe.ask("top"):
            if w["hwnd"] == self.main["hwnd"]:
                self.main = w
                return w
        raise CheckFailed("the main window is gone")

    def buttons(self):
        """(Rec, Play, Save) enabled states."""
        states = {c["id"]: c["enabled"] for c in self.probe.controls(self.main["hwnd"])}
        return states.get(IDC_REC), states.get(IDC_PLAY), states.get(IDC_SAVE)

    def state(self):
        return {(True, False, False): "Fresh", (False, False, False): "Busy",
                (True, True, True): "Ready"}.get(self.buttons(), "odd %s" % (self.buttons(),))

    def focus_inside(self):
        """Whether the keyboard focus is in the main window, where Esc and Enter reach it."""
        focus = self.probe.ask("focus %d" % self.main["hwnd"])["focus"]
        return focus == self.main["hwnd"] or any(
            c["hwnd"] == focus for c in self.probe.controls(self.main["hwnd"]))

    def progress(self):
        bar = self.probe.control(self.main["hwnd"], IDC_PROGRESS)
        return bar["pos"], bar["max"]

    def dialogs(self, caption=None):
        """Visible top-level windows of the program other than the main window."""
        return [w for w in self.probe.top_windows(self.pid)
                if w["hwnd"] != self.main["hwnd"] and w["class"] == DIALOG_CLASS
                and (caption is None or w["text"] == caption)]

    def wait_dialog(self, caption, timeout=20, owner=None):
        """The first of dialogs(caption) (owned by window `owner`, when given) to show."""
        return wait_for(lambda: next((w for w in self.dialogs(caption)
                                      if owner is None or w["owner"] == owner["hwnd"]), None),
                        timeout, "the window \"%s\"" % (caption or "owned by %s" % owner["text"]))

    def wait_no_dialog(self, hwnd, timeout=20):
        wait_for(lambda: all(w["hwnd"] != hwnd for w in self.probe.top_windows(self.pid)),
                 timeout, "window %d to close" % hwnd)

    def message_text(self, box):
        """The text of a message box: its static controls but the icon."""
        return "\n".join(c["text"] for c in self.probe.controls(box["hwnd"])
                         if c["class"] == "Static" and c["text"])

    def wait_state(self, state, timeout):
        return wait_for(lambda: self.state() == state, timeout, "state %s" % state)

    # --- what the person does ----------------------------------------------------------------

    def press(self, control_id, window=None):
        window = window or self.main
        control = self.probe.control(window["hwnd"], control_id)
        check(control is not None, "no control %d in \"%s\"" % (control_id, window["text"]))
        self.person.click(control)

    def open_duration_dialog(self):
        self.press(IDC_REC)
        return self.wait_dialog("Opnemen")

    def start_recording(self, seconds_text=None):
        """Rec, then in the duration dialog Enter on the offer or on seconds_text typed over it;
        returns once the dialog has gone."""
        dialog = self.open_duration_dialog()
        if seconds_text is not None:
            self.replace_seconds(dialog, seconds_text)
        self.person.keys(dialog, "Return")
        self.wait_no_dialog(dialog["hwnd"])

    def replace_seconds(self, dialog, text):
        # Tab from the Record button past Cancel into the field selects its whole text.
        self.person.keys(dialog, "Tab", "Tab")
        self.person.type(dialog, text)

    def seconds_text(self, dialog):
        return self.probe.control(dialog["hwnd"], IDC_SECONDS)["text"]

    def open_save_dialog(self):
        self.press(IDC_SAVE)
        return self.wait_dialog("Save As")

    def save_as(self, name, overwrite=None):
        """Save, type the name and Enter; answers the overwrite prompt when `overwrite` is given.
        Returns the prompt's text, if one came."""
        dialog = self.open_save_dialog()
        if name.isascii():
            self.person.type(dialog, name)
        else:  # xdotool's typing of other scripts is unreliable: the name goes in as wide text
            self.probe.set_text(self.probe.control(dialog["hwnd"], SAVE_NAME_COMBO, "Edit"), name)
        self.person.keys(dialog, "Return")
        prompt_text = None
        if overwrite is not None:
            prompt = self.wait_dialog(None, owner=dialog)
            prompt_text = self.message_text(prompt)
            self.answer(prompt, overwrite)
        self.wait_no_dialog(dialog["hwnd"])
        return prompt_text

    def ask_quit(self, timeout=20):
        """Esc, and the quit question it brings."""
        self.person.keys(self.refresh(), "Escape")
        return self.wait_dialog("Quit", timeout)

    def ask_quit_by_close_box(self):
        self.person.click_close_box(self.refresh())
        return self.wait_dialog("Quit")

    def answer(self, box, button_id):
        self.press(button_id, box)
        self.wait_no_dialog(box["hwnd"])

    # --- the process ---------------------------------------------------------------------------

    def counters(self):
        """Windows handles (through the probe) and the Unix process's memory and descriptors."""
        c = self.probe.ask("handles %d" % self.pid)
        with open("/proc/%d/status" % self.process.pid) as f:
            status = dict(line.split(":", 1) for line in f if ":" in line)
        c["rss"] = int(status["VmRSS"].split()[0]) * 1024
        c["data"] = int(status["VmData"].split()[0]) * 1024
        c["fds"] = len(os.listdir("/proc/%d/fd" % self.process.pid))
        return c

    def wait_exit(self, timeout):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise CheckFailed("the program did not exit within %.0f s" % timeout)

    def crash_report(self):
        self.stderr.flush()
        with open(self.stderr_path, errors="replace") as f:
            text = f.read()
        markers = ("Unhandled", "page fault", "Backtrace", "exception")
        return "\n".join(line for line in text.splitlines() if any(m in line for m in markers))

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.stderr.close()


@contextlib.contextmanager
def speaker(path):
    """Captures what is played to the speaker sink during a with-block."""
    subprocess.run([os.path.join(ENV_DIR, "capture.sh"), "start", path], check=True)
    try:
        yield
    finally:
        subprocess.run([os.path.join(ENV_DIR, "capture.sh"), "stop", path], check=True)


@contextlib.contextmanager
def tone(frequency, seconds=120, amplitude=0.5):
    """A sine fed to the default input during a with-block."""
    process = subprocess.Popen([os.path.join(ENV_DIR, "feed_tone.sh"), str(frequency),
                                str(seconds), str(amplitude)],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    mark = 'application.process.id = "%d"' % process.pid
    try:
        # The tone reaches the source once the player's stream exists on the server.
        wait_for(lambda: mark in subprocess.run(["pactl", "list", "sink-inputs"],
                                                capture_output=True, text=True).stdout,
                 20, "the fed tone to start")
        yield
    finally:
        process.terminate()
        process.wait()
