#!/usr/bin/env bash
# Inside a test session (demo/session.sh): feeds a 440 Hz tone to the default input, captures
# the default output, runs the voice devices' Wine test, then checks that the playback test's
# 1000 Hz tone reached the speaker. Every process started here is ended by its PID.
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
"$MORVIK_WINE" "$@"
rc=$?
set -e
stop_all
tone_pid=""

read -r frequency rms < <(/usr/bin/python3 "$env_dir/audio_probe.py" "$capture" --json |
  python3 -c 'import json, sys; m = json.load(sys.stdin); print(m["frequency"], m["rms"])')
echo "speaker capture: dominant ${frequency} Hz, rms ${rms}"
if ! awk -v f="$frequency" -v r="$rms" 'BEGIN { exit !(f > 950 && f < 1050 && r > 1000) }'; then
  echo "FAILED: the playback's 1000 Hz tone did not reach the speaker"
  rc=1
fi
exit "$rc"
