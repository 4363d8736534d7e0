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

# A program that only packs, linked as Debian links (--as-needed drops its own -lvarelmesh): the
# library finds the messaging library beside itself.
cat > "$scratch/pack.c" <<'C'
#include <kav.h>
int main(void) {
  kav_pid_state m = {1, 2, 3};
  uint8_t buf[64];
  uint32_t len = sizeof buf;
  return kav_pid_state__pack(&m, buf, &len) == 0 && len == 30 ? 0 : 1;
}
C
# shellcheck disable=SC2046,SC2086
"$cc" -std=c99 -Wall -Werror "$scratch/pack.c" -Wl,--as-needed $(pkg-config --cflags --libs kav) $extra_flags \
  -o "$scratch/pack"
"$scratch/pack" || { echo "a program that only packs does not run from the moved tree"; exit 1; }
