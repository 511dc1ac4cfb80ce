#!/usr/bin/env bash
# Demo, first stage: lays out a working directory from examples/ and runs the
# agent in it until Ctrl-C. The simulator, FTP server and site join later.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-build}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
agent="$build/bin/tvl_brumalweb"
[ -x "$agent" ] || { echo "demo: $agent is missing; run 'make build' first" >&2; exit 1; }

work="$build/demo"
mkdir -p "$work"
cp "$root/examples/tvl_brumalweb.ini" "$root/examples/langue.pack" "$work/"
cd "$work"

echo "demo: starting tvl_brumalweb in $work (prepared from examples/)"
echo "demo: journal in $work/journal/, tags with: $agent --list-tags"
echo "demo: press Ctrl-C to stop"
export TVL_BRUMALWEB_HOME="$work"
"$agent" &
pid=$!
stopping=0
trap 'stopping=1; kill -TERM "$pid" 2>/dev/null || true' INT TERM
status=0
wait "$pid" || status=$?
# A signal interrupts the first wait; wait again for the agent's own exit code.
if [ "$stopping" = 1 ]; then
  status=0
  wait "$pid" || status=$?
fi
echo "demo: agent stopped (exit code $status)"
exit "$status"
