#!/usr/bin/env bash
# Inside a session: plays a sine of FREQ Hz for SECONDS into the feed sink, whose monitor is the
# default source, so a program recording from the default input hears it. Runs in the
# foreground; put it in the background (&) to record while it plays: its PID is then the
# player's, so `kill PID` ends the tone early.
#   feed_tone.sh FREQ SECONDS [AMPLITUDE (0..1, default 0.5)]
set -euo pipefail
freq="$1" seconds="$2" amplitude="${3:-0.5}"
dir="${MORVIK_SESSION_DIR:?feed_tone.sh runs inside session.sh}"
file="$(mktemp "$dir/tone.XXXXXX.wav")"
sox -q -n -r 8000 -c 1 -b 16 -e signed-integer "$file" \
  synth "$seconds" sine "$freq" vol "$amplitude"
# The file stays in the session folder, which goes away with the session.
exec paplay --device="${MORVIK_FEED_SINK:-feed}" "$file"
