#!/usr/bin/env bash
# Checks the test sessions themselves: inside one, the sound server answers, a tone fed into the
# feed sink comes out of its monitor at the right frequency, and a Windows program under Wine
# opens the default waveform input and hears that tone; with --no-audio it finds no input.
# Prints what it saw and how long sessions take to start and stop.
#   selfcheck.sh [PROBE_EXE]   (PROBE_EXE: wavein_probe.c built for Windows; else built here)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

if [ -z "${MORVIK_SESSION_DIR:-}" ]; then
  probe="${1:-}"
  scratch="$(mktemp -d)"
  trap 'rm -rf "$scratch"' EXIT
  if [ -z "$probe" ]; then
    probe="$scratch/wavein_probe.exe"
    x86_64-w64-mingw32-gcc-posix -O2 -o "$probe" "$here/wavein_probe.c" -lwinmm
  fi
  failed=0
  start=$(date +%s%N)
  "$here/session.sh" -- "$here/selfcheck.sh" "$probe" inside || failed=1
  audio_ms=$((($(date +%s%N) - start) / 1000000))
  start=$(date +%s%N)
  "$here/session.sh" --no-audio -- "$here/selfcheck.sh" "$probe" inside || failed=1
  silent_ms=$((($(date +%s%N) - start) / 1000000))
  echo "session with audio, whole run: $audio_ms ms; without audio: $silent_ms ms"
  if ((failed)); then echo "selfcheck: FAILED"; exit 1; fi
  echo "selfcheck: passed"
  exit 0
fi

probe="$1"
fail() { echo "FAIL: $*"; exit 1; }
if [ "$MORVIK_NO_AUDIO" = 1 ]; then
  pactl info >/dev/null 2>&1 && fail "a sound server answers in a --no-audio session"
  echo "no audio: pactl finds no server"
  set +e
  out="$("$MORVIK_WINE" "$probe" 2>&1 | tr -d "\r")"
  rc=$?
  set -e
  echo "$out" | sed 's/^/  probe: /'
  [ $rc -ne 0 ] || fail "waveInOpen succeeded without a sound server"
  grep -q '^waveInGetNumDevs: 0' <<<"$out" ||
    fail "Wine found an input device without a sound server"
  echo "no audio: Wine finds no input device (probe exit $rc)"
  exit 0
fi

pactl info | grep -E '^(Default Sink|Default Source):' | sed 's/^/pactl: /'
pactl info | grep -q '^Default Source: feed.monitor' || fail "default source is not feed.monitor"
pactl info | grep -q '^Default Sink: speaker' || fail "default sink is not speaker"

# A tone into feed, read back from its monitor.
capture="$MORVIK_SESSION_DIR/feed-monitor.wav"
"$here/capture.sh" start "$capture" feed
"$here/feed_tone.sh" 700 1
"$here/capture.sh" stop "$capture"
freq="$(sox "$capture" -n stat -freq 2>&1 | awk '/Rough +frequency/ {print $3}')"
echo "feed.monitor: sox rough frequency $freq Hz (fed 700 Hz)"
/usr/bin/python3 "$here/audio_probe.py" "$capture" | sed 's/^/  /'
awk -v f="$freq" 'BEGIN { exit !(f > 650 && f < 750) }' || fail "fed tone not found on feed.monitor"

# Wine records the default input while the tone plays.
"$here/feed_tone.sh" 500 30 &
tone_pid=$!
set +e
out="$("$MORVIK_WINE" "$probe" 2>&1 | tr -d "\r")"
rc=$?
set -e
kill "$tone_pid"; wait "$tone_pid" 2>/dev/null || true
echo "$out" | sed 's/^/  probe: /'
[ $rc -eq 0 ] || fail "the probe could not record (exit $rc)"
peak="$(sed -n 's/^recorded: .* peak \([0-9]*\)$/\1/p' <<<"$out")"
((peak > 1000)) || fail "Wine recorded silence (peak $peak) while the tone played"
echo "wine: waveIn opened and heard the tone (peak $peak)"
