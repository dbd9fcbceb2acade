#!/usr/bin/env bash
# Inside a session: records what is played to the speaker sink (or SINK) into a WAV file (8000 Hz,
# mono, 16 bit). Start it before the sound begins, stop it after it ended:
#   capture.sh start FILE [SINK]   returns once the recorder runs
#   capture.sh stop FILE           ends it and waits until FILE is complete
set -euo pipefail
action="$1" file="$2" sink="${3:-${MORVIK_SPEAKER_SINK:-speaker}}"
case "$action" in
  start)
    parec --device="$sink.monitor" --latency-msec=20 --file-format=wav \
      --format=s16le --rate=8000 --channels=1 "$file" </dev/null >/dev/null 2>&1 &
    echo $! >"$file.pid"
    pid=$!
    # The recorder is running once its stream shows up on the server.
    for _ in $(seq 200); do
      pactl list source-outputs 2>/dev/null | grep -q "application.process.id = \"$pid\"" && exit 0
      sleep 0.05
    done
    echo "capture.sh: parec did not start" >&2
    exit 1
    ;;
  stop)
    pid="$(cat "$file.pid")"
    kill -INT "$pid" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    kill -KILL "$pid" 2>/dev/null || true
    rm -f "$file.pid"
    ;;
  *) echo "usage: capture.sh start FILE [SINK] | stop FILE" >&2; exit 2 ;;
esac
