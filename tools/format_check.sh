#!/usr/bin/env bash
# Checks (or, with --fix, applies) the repository's .clang-format on every tracked C and C++ source.
set -euo pipefail
cd "$(dirname "$0")/.."
fmt=$(command -v clang-format-14 || command -v clang-format || true)
[[ -n $fmt ]] || { echo "format_check: clang-format is not installed (apt-get install clang-format)" >&2; exit 2; }
mapfile -t files < <(git ls-files '*.c' '*.h' '*.cpp' '*.hpp')
if [[ ${1:-} == --fix ]]; then
  "$fmt" -i "${files[@]}"
else
  "$fmt" --dry-run --Werror "${files[@]}"
fi
