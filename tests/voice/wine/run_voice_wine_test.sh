#!/usr/bin/env bash
# Inside a test session (demo/session.sh): feeds a 440 Hz tone to the default input, captures
# the default output, runs the voice devices' Wine test, then checks that its recording holds the
# 440 Hz tone and that the playback test's 1000 Hz tone reached the speaker. Every process started
# here is ended by its PID.
#   run_voice_wine_test.sh TEST_EXE [gtest args...]
set -euo pipefail
env_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../../demo" && pwd)"
: "${MORVIK_SESSION_DIR:?run inside demo/session.sh}"
capture="$MORVIK_SESSION_DIR/speaker.wav"
tone_pid=""

stop_all() {
  if [ -n "$tone_pid" ]; then
    kill "$tone_pid" 2>/dev/null || true
    wait "$tone_pid" 2>/dev/null || true
  fi
  [ -f "$capture.pid" ] && "$env_dir/capture.sh" stop "$capture"
  return 0
}
trap stop_all EXIT

# Longer than the whole test may take; stopped as soon as it is done.
"$env_dir/feed_tone.sh" 440 240 &
tone_pid=$!
# The tone must already sound when the first recording starts.
for _ in $(seq 600); do
  pactl list short sink-inputs 2>/dev/null | grep -q . && break
  sleep 0.05
done
"$env_dir/capture.sh" start "$capture"

set +e
(cd "$MORVIK_SESSION_DIR" && "$MORVIK_WINE" "$@")  # the recording test leaves recorded.wav there
rc=$?
set -e
stop_all
tone_pid=""

# expect WHAT FILE LOW HIGH: FILE's dominant frequency lies between LOW and HIGH Hz, and it is loud.
expect() {
  local frequency rms
  read -r frequency rms < <(/usr/bin/python3 "$env_dir/audio_probe.py" "$2" --json |
    python3 -c 'import json, sys; m = json.load(sys.stdin); print(m["frequency"], m["rms"])') || true
  echo "$1: dominant ${frequency:-?} Hz, rms ${rms:-?}"
  awk -v f="${frequency:-0}" -v r="${rms:-0}" -v lo="$3" -v hi="$4" 'BEGIN { exit !(f > lo && f < hi && r > 1000) }' ||
    { echo "FAILED: $1 does not hold the tone of $3 to $4 Hz"; rc=1; }
}
expect "the recording" "$MORVIK_SESSION_DIR/recorded.wav" 420 460
expect "the speaker capture" "$capture" 950 1050
exit "$rc"
