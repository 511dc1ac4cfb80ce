#!/usr/bin/env bash
# Fails when a C++ source of the repository differs from what clang-format
# (the style of .clang-format) would write. `scripts/check_format.sh --fix`
# rewrites them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t sources < <(git ls-files -- '*.cc' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${sources[@]}"
else
  clang-format --dry-run --Werror "${sources[@]}"
fi
