#!/bin/sh
# Runs every fuzz target of a fuzz build for a number of seconds each:
#   tests/fuzz/run.sh BUILD_DIR SECONDS TARGET...
# New inputs go to BUILD_DIR/fuzz/corpus/<target> (the committed seeds are
# only read), findings to BUILD_DIR/fuzz/artifacts/. Fails on any finding,
# an input slower than 1 s included. FUZZ_JOBS targets run at a time (1).
set -eu
build=$1
seconds=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
mkdir -p "$build/fuzz/artifacts" "$build/fuzz/logs"

run_one() {
  target=$1
  work="$build/fuzz/corpus/$target"
  mkdir -p "$work"
  dict=""
  [ -f "$here/dict/$target.dict" ] && dict="-dict=$here/dict/$target.dict"
  if "$build/bin/fuzz_$target" -max_total_time="$seconds" -timeout=1 $dict \
      -artifact_prefix="$build/fuzz/artifacts/$target-" "$work" "$here/corpus/$target" \
      >"$build/fuzz/logs/$target.log" 2>&1; then
    echo "fuzz_$target: nothing found in $seconds s ($(tail -n 1 "$build/fuzz/logs/$target.log"))"
  else
    echo "fuzz_$target: FINDING, see $build/fuzz/logs/$target.log and $build/fuzz/artifacts/"
    tail -n 30 "$build/fuzz/logs/$target.log"
    return 1
  fi
}

failed=0
jobs=${FUZZ_JOBS:-1}
# Batches of $jobs targets at a time.
while [ $# -gt 0 ]; do
  pids=""
  n=0
  while [ $# -gt 0 ] && [ $n -lt "$jobs" ]; do
    run_one "$1" &
    pids="$pids $!"
    n=$((n + 1))
    shift
  done
  for pid in $pids; do wait "$pid" || failed=1; done
done
exit $failed
