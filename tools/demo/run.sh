#!/usr/bin/env bash
# Demo: the simulator as the console, a local FTP server as the web host, a
# static HTTP server to browse what was uploaded, and the agent publishing the
# example site. Everything listens on 127.0.0.1 only.
# Usage: run.sh [BUILD_DIR]   (DEMO_SECONDS=N ends the demo after N seconds;
# DEMO_WINDOWS=DIR runs the Windows program of that build under Wine;
# DEMO_CONSOLE_START="YYYY-MM-DD HH:MM:SS" starts the console's clock there, so
# two runs see the same weather)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-build}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
agent="$build/bin/tvl_brumalweb"
sim="$build/bin/console-sim"
python=/usr/bin/python3
for exe in "$agent" "$sim" "$python"; do
  [ -x "$exe" ] || { echo "demo: $exe is missing; run 'make build' first" >&2; exit 1; }
done

demo="$build/demo"
run="$demo/run"
ftproot="$demo/ftp"
rm -rf "$run" "$ftproot"
mkdir -p "$run" "$ftproot"

# The process ids the demo started, one a line, for whoever checks that the
# demo left nothing behind.
pidfile="$demo/pids"
: >"$pidfile"
pids=()
started() { pids+=("$1"); echo "$1" >>"$pidfile"; }
cleanup() {
  # A second Ctrl-C must not cut the clean-up short.
  trap '' INT TERM
  trap - EXIT
  local pid
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  # Give each process 5 s to end on SIGTERM (the agent stops within a fraction
  # of a second), then force it.
  for pid in "${pids[@]}"; do
    for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  echo "demo: stopped"
}
trap cleanup EXIT
# Ctrl-C reaches the agent too (it handles SIGINT itself): note the request
# so that its exit then counts as a normal end.
stopping=0
trap 'stopping=1' INT TERM

free_port() {
  "$python" -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

# Waits until a TCP port on 127.0.0.1 accepts, or the process behind it died.
wait_listening() {
  local port=$1 pid=$2 name=$3
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || { echo "demo: $name exited at start" >&2; exit 1; }
    "$python" -c 'import socket,sys; socket.create_connection(("127.0.0.1",int(sys.argv[1])),0.2).close()' "$port" 2>/dev/null && return 0
    sleep 0.1
  done
  echo "demo: $name does not answer on port $port" >&2; exit 1
}

# 1. The console simulator; its ready file carries the ports it chose. The
# state file declares a sensor on every transmitter and presets alarm
# thresholds, one of which (inside temperature above 15 °C) the weather crosses;
# eight days of weather fill its archive, so the history charts have a past.
ready="$demo/console-sim.ready"
rm -f "$ready"
start=()
[ -n "${DEMO_CONSOLE_START:-}" ] && start=(--start "$DEMO_CONSOLE_START")
"$sim" --seed 7 --history-days 8 "${start[@]}" --ready-file "$ready" --udp-port -1 --http-port -1 \
  --state "$root/tools/demo/console-state.json" >"$demo/console-sim.log" 2>&1 &
started $!; simpid=$!
for _ in $(seq 1 100); do
  [ -s "$ready" ] && break
  kill -0 "$simpid" 2>/dev/null || { echo "demo: console-sim exited at start (see $demo/console-sim.log)" >&2; exit 1; }
  sleep 0.1
done
tcp_port=$("$python" -c 'import json,sys; print(json.load(open(sys.argv[1]))["tcp_port"])' "$ready") \
  || { echo "demo: console-sim did not become ready" >&2; exit 1; }

# 2. The FTP server, Debian's pyftpdlib.
ftp_port=$(free_port)
"$python" -m pyftpdlib -i 127.0.0.1 -p "$ftp_port" -w -d "$ftproot" -u demo -P demo \
  >"$demo/ftp.log" 2>&1 &
started $!
wait_listening "$ftp_port" "$!" "the FTP server"

# 3. A static HTTP server on the FTP root, for a browser.
http_port=$(free_port)
"$python" -m http.server --bind 127.0.0.1 "$http_port" --directory "$ftproot" \
  >"$demo/http.log" 2>&1 &
started $!
wait_listening "$http_port" "$!" "the HTTP server"

# 4. The agent's program and working directory: the agent's install (program,
# langue.pack, example configuration) with the example site beside it. With
# DEMO_WINDOWS=<Windows build>, its program runs under Wine instead.
if [ -n "${DEMO_WINDOWS:-}" ]; then
  cp "$DEMO_WINDOWS/bin/tvl_brumalweb.exe" "$root/examples/langue.pack" "$run/"
  agent_command=("$root/scripts/wine_run.sh" ./tvl_brumalweb.exe)
else
  cmake --install "$build" --component agent --prefix "$run" >/dev/null
  agent_command=(./tvl_brumalweb)
fi
cp -r "$root/examples/site" "$root/examples/local" "$run/"
# The example configuration with the ports of this run filled in.
"$python" - "$root/examples/tvl_brumalweb.ini" "$run/tvl_brumalweb.ini" "$tcp_port" "$ftp_port" <<'PY'
import re, sys
src, dst, tcp, ftp = sys.argv[1:]
values = {"CONSOLE": {"type": "IP", "adresse": "127.0.0.1@" + tcp},
          "FTP": {"server": "127.0.0.1@" + ftp, "username": "demo", "password": "demo"}}
out, group = [], None
for line in open(src, encoding="utf-8").read().splitlines():
    m = re.match(r"\[(\w+)\]", line)
    if m:
        group = m.group(1)
    key = line.split("=", 1)[0].strip()
    if "=" in line and key in values.get(group, {}):
        line = key + "=" + values[group][key]
    out.append(line)
open(dst, "w", encoding="utf-8").write("\n".join(out) + "\n")
PY

cd "$run"
"${agent_command[@]}" >"$demo/agent.log" 2>&1 &
started $!; agentpid=$!

echo "demo: site at http://127.0.0.1:$http_port/site/meteo/index.html"
echo "demo: journal in $run/journal/ (agent output in $demo/agent.log)"
echo "demo: console-sim on 127.0.0.1:$tcp_port, FTP on 127.0.0.1:$ftp_port (demo/demo)"
if [ -n "${DEMO_SECONDS:-}" ]; then
  echo "demo: ends by itself after $DEMO_SECONDS s"
  deadline=$((SECONDS + DEMO_SECONDS))
else
  echo "demo: press Ctrl-C to stop"
fi
while [ "$stopping" = 0 ] && kill -0 "$agentpid" 2>/dev/null; do
  if [ -n "${DEMO_SECONDS:-}" ] && [ "$SECONDS" -ge "$deadline" ]; then exit 0; fi
  sleep 0.5 || true  # a Ctrl-C also ends the sleep
done
[ "$stopping" = 1 ] && exit 0
status=0
wait "$agentpid" || status=$?
[ "$stopping" = 1 ] && exit 0
echo "demo: the agent ended on its own (exit code $status); see $demo/agent.log" >&2
exit 1
