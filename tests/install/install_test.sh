#!/usr/bin/env bash
# Installs the build tree into a scratch prefix as `make install WITH_LOOPBACK=1` does, moves it,
# then builds the C example with nothing but pkg-config's flags, runs it without LD_LIBRARY_PATH
# and compares its output.
set -euo pipefail
build_dir=$1 example=$2 expected=$3 cc=$4 extra_flags=${5:-}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cmake --install "$build_dir" --prefix "$scratch/tree" >/dev/null
if [[ -n $(find "$scratch/tree" -name 'libvarelmesh*' -o -name 'varelmesh*.h') ]]; then
  echo "a plain install installed the loopback messaging library"; exit 1
fi
cmake --install "$build_dir" --prefix "$scratch/tree" --component loopback >/dev/null
mv "$scratch/tree" "$scratch/moved"  # the pkg-config files find the prefix from their own place
pc=$(find "$scratch/moved" -name kav.pc -print -quit)
# shellcheck disable=SC2016  # the literal pkg-config variable
grep -q '^prefix=${pcfiledir}/' "$pc" || { echo "kav.pc names a fixed prefix"; exit 1; }
export PKG_CONFIG_PATH=${pc%/kav.pc}
# shellcheck disable=SC2046,SC2086
"$cc" -std=c99 -Wall -Wextra -pedantic -Werror "$example" $(pkg-config --cflags --libs kav-loopback) \
  $extra_flags -o "$scratch/example"
"$scratch/example" > "$scratch/out"
diff -u "$expected" "$scratch/out"
