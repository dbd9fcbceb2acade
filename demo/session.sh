#!/usr/bin/env bash
# Runs one command in a throw-away desktop of its own: a private Xvfb display, a private
# PulseAudio server and a private Wine prefix, all inside one temp folder that is removed again.
#
#   session.sh [--no-audio] [--] COMMAND ARGS...
#
# Exported to COMMAND:
#   DISPLAY             the private Xvfb display (chosen by Xvfb itself, never a fixed number)
#   PULSE_SERVER        unix:<socket> of the private PulseAudio (a dead socket with --no-audio)
#   PULSE_CLIENTCONFIG  client settings: no shared memory, no autospawn
#   MORVIK_FEED_SINK    "feed": null sink whose monitor is the default source (the "microphone")
#   MORVIK_SPEAKER_SINK "speaker": null sink that is the default sink (the "loudspeaker")
#   WINEPREFIX          a fresh copy of a template prefix (Managed=N, audio driver PulseAudio)
#   WINEDEBUG           -all unless already set
#   MORVIK_WINE         the Wine loader that can run here (wine64 where 32-bit code cannot run)
#   MORVIK_SESSION_DIR  the temp folder (scratch space for the command; removed afterwards)
#   MORVIK_NO_AUDIO     1 with --no-audio, else 0
#   LC_ALL              C.UTF-8
# COMMAND's exit code is the session's. On exit, also on error or signal, the prefix's
# wineserver is stopped, then PulseAudio and Xvfb by the PIDs started here.
#
# The template prefix is made once (about 5 s) under $MORVIK_PREFIX_CACHE (default
# ~/.cache/morvik/wine-prefix-<template version>-<loader>-<wine version>), guarded by flock,
# and copied per session.
#
# Helpers for use inside a session (see each file's header):
#   feed_tone.sh FREQ SECONDS [AMPLITUDE]   plays a sine into the feed sink (the recorded input)
#   capture.sh start FILE | stop FILE        records what is played to the speaker sink, as WAV
#   wine-run.sh EXE ARGS...                  runs a Wine test and judges it by its own report
#   audio_probe.py FILE                      prints dominant frequency and RMS level of a WAV file
#   pulse_server.sh SESSION_DIR              the sound server, to start again after killing it
# The whole script is one block, read before it runs: editing this file cannot disturb sessions
# that are running it.
{
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
no_audio=0
while (($#)); do
  case "$1" in
    --no-audio) no_audio=1; shift ;;
    --) shift; break ;;
    *) break ;;
  esac
done
if ((!$#)); then
  echo "usage: session.sh [--no-audio] [--] COMMAND ARGS..." >&2
  exit 2
fi

# Which Wine loader runs here, and the absolute HOME Wine needs: known in one place.
source "$here/../cmake/setup.sh"
loader="$(morvik_wine_loader)"
wineserver_bin=/usr/lib/wine/wineserver
# Wine spells Unix file names in the locale's character set, and only UTF-8 holds every name
# Windows allows: in a plain C locale (a CI runner's, say) no name outside ASCII can be saved.
export LC_ALL=C.UTF-8

session="$(mktemp -d "${TMPDIR:-/tmp}/morvik-session.XXXXXX")"
xvfb_pid="" pulse_pid="" command_pid=""

log_tail() {  # prints the end of a log file of this session to stderr, for a failed start
  [ -f "$1" ] && tail -n 20 "$1" >&2 || true
}

cleanup() {
  local rc=$?
  trap - EXIT INT TERM HUP
  if [ -n "$command_pid" ] && kill -0 "$command_pid" 2>/dev/null; then
    kill -TERM "$command_pid" 2>/dev/null || true
    wait "$command_pid" 2>/dev/null || true
  fi
  if [ -f "$session/prefix/wineserver" ]; then
    TMPDIR="$session/tmp" WINEPREFIX="$session/prefix" "$wineserver_bin" -k >/dev/null 2>&1 || true
    TMPDIR="$session/tmp" WINEPREFIX="$session/prefix" timeout 10 "$wineserver_bin" -w \
      >/dev/null 2>&1 || true
  fi
  local pid
  # Also servers a test started again after killing the first (pulse_server.sh).
  [ -f "$session/pulse/pids" ] && pulse_pid="$(cat "$session/pulse/pids")"
  for pid in $pulse_pid $xvfb_pid; do
    kill -TERM "$pid" 2>/dev/null || true
  done
  for pid in $pulse_pid $xvfb_pid; do
    # Give each a few seconds to leave on its own, then insist.
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$session"
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# Waits until "$@" succeeds, polling, for at most $deadline seconds.
wait_for() {
  local deadline="$1"; shift
  local end=$((SECONDS + deadline))
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < end)) || return 1
    sleep 0.05
  done
}

# --- display --------------------------------------------------------------------------------
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp -noreset \
  5>"$session/display" >"$session/xvfb.log" 2>&1 &
xvfb_pid=$!
display_ready() { grep -q '^[0-9][0-9]*$' "$session/display"; }
if ! wait_for 30 display_ready; then
  echo "session: Xvfb did not start" >&2; log_tail "$session/xvfb.log"; exit 1
fi
export DISPLAY=":$(head -n 1 "$session/display")"

# --- sound server ---------------------------------------------------------------------------
export PULSE_CLIENTCONFIG="$session/pulse-client.conf"
printf 'enable-shm = no\nautospawn = no\n' >"$PULSE_CLIENTCONFIG"
export MORVIK_FEED_SINK=feed MORVIK_SPEAKER_SINK=speaker MORVIK_NO_AUDIO=$no_audio
if ((no_audio)); then
  # Nothing listens on this socket: every PulseAudio client fails to connect.
  export PULSE_SERVER="unix:$session/no-pulse-server"
else
  mkdir -p "$session/pulse/runtime" "$session/pulse/state" "$session/pulse/home"
  socket="$session/pulse/native"
  cat >"$session/pulse/default.pa" <<EOF
load-module module-native-protocol-unix socket=$socket auth-anonymous=1
load-module module-null-sink sink_name=feed sink_properties=device.description=feed
load-module module-null-sink sink_name=speaker sink_properties=device.description=speaker
set-default-source feed.monitor
set-default-sink speaker
EOF
  "$here/pulse_server.sh" "$session" >"$session/pulse.log" 2>&1 &
  pulse_pid=$!
  export PULSE_SERVER="unix:$socket"
  if ! wait_for 30 pactl info; then
    echo "session: PulseAudio did not start" >&2; log_tail "$session/pulse.log"; exit 1
  fi
fi

# --- Wine prefix ------------------------------------------------------------------------------
template_version=4  # raised whenever the template's settings change
wine_version="$("$loader" --version 2>/dev/null | tr -c 'A-Za-z0-9.\n-' _)"
cache_name="wine-prefix-$template_version-$(basename "$loader")-$wine_version"
cache="${MORVIK_PREFIX_CACHE:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/morvik/$cache_name}"
mkdir -p "$(dirname "$cache")"
(
  flock 9
  if [ ! -f "$cache/.morvik-ready" ]; then
    rm -rf "$cache.new"
    export WINEPREFIX="$cache.new" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    # No display for the one-time set-up: nothing should pop up, and none is needed.
    DISPLAY= "$loader" wineboot -i >"$session/wineboot.log" 2>&1 || {
      echo "session: wineboot failed" >&2; log_tail "$session/wineboot.log"; exit 1; }
    # Without a window manager Wine otherwise waits ~2 s whenever a window hides.
    DISPLAY= "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
      >>"$session/wineboot.log" 2>&1
    DISPLAY= "$loader" reg add 'HKCU\Software\Wine\Drivers' /v Audio /t REG_SZ /d pulse /f \
      >>"$session/wineboot.log" 2>&1
    # A crash is reported on stderr and ends the process, instead of waiting in a dialog.
    DISPLAY= "$loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD \
      /d 0 /f >>"$session/wineboot.log" 2>&1
    # Wine's own fonts (Marlett draws the caption buttons): this build looks for them under an
    # unusable path beside its data folder, so they go where Windows keeps them; without them
    # the close box is drawn as the letter "r". All but Wine's Tahoma, which runs wider than
    # Windows' own and wraps the duration prompt that fits on Windows; the dialogs' font then
    # falls back to the desktop's sans-serif, close to Windows' widths.
    if [ ! -f /usr/share/wine/fonts/marlett.ttf ]; then
      echo "session: Wine's fonts (package fonts-wine) are missing" >&2; exit 1
    fi
    find /usr/share/wine/fonts -maxdepth 1 -type f -not -name 'tahoma*' \
      -exec cp -t "$cache.new/drive_c/windows/Fonts/" {} + 2>>"$session/wineboot.log"
    # The registry reaches the disk when the server ends.
    "$wineserver_bin" -w
    rm -f "$cache.new/wineserver"
    touch "$cache.new/.morvik-ready"
    rm -rf "$cache"
    mv "$cache.new" "$cache"
  fi
) 9>"$cache.lock"
# Hard links make the copy instant (a plain copy where the cache is on another file system);
# only what Wine may rewrite in place gets its own copy.
if ! cp -al "$cache" "$session/prefix" 2>/dev/null; then
  rm -rf "$session/prefix"
  cp -a "$cache" "$session/prefix"
fi
find "$session/prefix" -type f -not -path '*/system32/*' -not -path '*/syswow64/*' \
  -not -path '*/winsxs/*' -not -path '*/Fonts/*' \
  -exec sh -c 'for f; do cp -p "$f" "$f.own" && mv "$f.own" "$f"; done' _ {} +
# This build of Wine names its server's socket folder (under TMPDIR) in the prefix: a fresh
# name, in this session's folder, keeps sessions apart and leaves nothing behind in /tmp.
rm -f "$session/prefix/wineserver"
mkdir -p "$session/tmp"
export TMPDIR="$session/tmp"
export WINEPREFIX="$session/prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export MORVIK_WINE="$loader" MORVIK_SESSION_DIR="$session"
export PATH="$here:$PATH"

# --- the command -----------------------------------------------------------------------------
# In the background so that a signal reaches the traps at once; stdin stays the caller's.
"$@" <&0 &
command_pid=$!
set +e
wait "$command_pid"
rc=$?
set -e
command_pid=""
exit "$rc"
}
