#!/usr/bin/env bash
# Builds libkav.so.1 as it was at an earlier commit, for measuring it beside the working tree in the
# same run: a detached worktree under build/baseline/, its release preset, the library only.
#   usage: tools/baseline_lib.sh COMMIT
# Prints the directory holding that libkav.so.1; a driver linked against the current library loads
# it instead with LD_LIBRARY_PATH set to that directory (the drivers' run path comes after it).
set -euo pipefail
commit=$(git rev-parse --verify "${1:?usage: tools/baseline_lib.sh COMMIT}^{commit}")
top=$(git rev-parse --show-toplevel)
src=$top/build/baseline/${commit:0:12}
if [[ ! -d $src ]]; then
  mkdir -p "$top/build/baseline"
  git -C "$top" worktree add --detach "$src" "$commit" >&2
fi
(cd "$src" && cmake --preset release >/dev/null && cmake --build --preset release -j"${JOBS:-2}" --target kav >&2)
echo "$src/build/release"
