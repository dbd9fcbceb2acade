#!/usr/bin/env bash
# The private PulseAudio server of a session (demo/session.sh), in the foreground, on the
# session's socket with its sinks and defaults. session.sh starts it first; a test that has
# killed it (a sound server that died) starts it again the same way. Every server's PID is added
# to SESSION_DIR/pulse/pids, the last line being the newest, and session.sh ends them all.
#   pulse_server.sh SESSION_DIR
set -euo pipefail
session="$1"
echo "$$" >>"$session/pulse/pids"
HOME="$session/pulse/home" XDG_CONFIG_HOME="$session/pulse/home" \
  PULSE_RUNTIME_PATH="$session/pulse/runtime" PULSE_STATE_PATH="$session/pulse/state" \
  exec pulseaudio -n -F "$session/pulse/default.pa" --daemonize=no --use-pid-file=no \
  --disable-shm=yes --exit-idle-time=-1 --system=no --realtime=no --high-priority=no \
  --log-target=stderr --log-level=error
