#!/usr/bin/env bash
# Proves that CONTRIBUTING.md's recipe for adding a record is complete: in a scratch copy of the
# tracked files it adds the record kav_portmirror with its update and delete lists exactly as the
# recipe says, and nothing else, then builds in the dev preset what the tests labelled catalogue
# need and runs them (ctest -L catalogue): the catalogue table, exports, headers and the README's
# counts (catalogue_test, abi_symbols, c99_layout, header_prototypes, readme_counts), the codecs
# over every message (codec_test), sends and registration (mesh_test) and the fuzz replay with the
# committed regression inputs (fuzz_replay.*). The record goes in the middle of the kav list, so every
# message after it moves, in registration order and in the fuzz targets' selection.
# With --full it builds the whole dev tree and runs the whole suite instead.
# Usage: tools/add_record_check.sh [--keep] [--full]   (--keep: leave the scratch tree, say where)
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
jobs=${JOBS:-2}
start=$SECONDS
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kav-add-record.XXXXXX")
keep=0 full=0
for arg in "$@"; do
  case $arg in
    --keep) keep=1 ;;
    --full) full=1 ;;
    *) echo "usage: tools/add_record_check.sh [--keep] [--full]" >&2; exit 2 ;;
  esac
done
if ((keep)); then
  echo "add_record_check: scratch tree in $scratch"
else
  trap 'rm -rf "$scratch"' EXIT
fi
die() {
  echo "add_record_check: $*" >&2
  exit 1
}
step() { echo "add_record_check: [$((SECONDS - start)) s] $*"; }

# The tracked files as they are in the working tree (uncommitted changes included).
git -C "$src" ls-files -z | tar -C "$src" --null -T - -cf - | tar -C "$scratch" -xf -
cd "$scratch"

# Inserts the lines of stdin after the first line of FILE matching the extended regex PATTERN.
insert_after() {
  local file=$1 pattern=$2 text
  text=$(cat)
  grep -Eq "$pattern" "$file" || die "$file: no line matches $pattern"
  awk -v pat="$pattern" -v text="$text" '{ print } !done && $0 ~ pat { print text; done = 1 }' "$file" >"$file.new"
  mv "$file.new" "$file"
}
# Inserts the lines of stdin before the first line of FILE matching PATTERN.
insert_before() {
  local file=$1 pattern=$2 text
  text=$(cat)
  grep -Eq "$pattern" "$file" || die "$file: no line matches $pattern"
  awk -v pat="$pattern" -v text="$text" '!done && $0 ~ pat { print text; done = 1 } { print }' "$file" >"$file.new"
  mv "$file.new" "$file"
}

step "1. messages/kav.h: the structures kav_portmirror, kav_portmirror_update and kav_portmirror_delete"
insert_before messages/kav.h '^/\* ---- Entry points' <<'EOF'
/* 16 bytes */
typedef struct kav_portmirror {
  uint32_t field0;
  uint32_t field1;
  uint16_t field2;
  uint8_t field3;
  uint8_t field4;
  uint32_t field5;
} kav_portmirror;

typedef struct kav_portmirror_update {
  uint32_t field0;
  uint32_t n_field1;
  kav_portmirror* field1;
} kav_portmirror_update;

typedef struct kav_portmirror_delete {
  uint32_t field0;
  uint32_t n_field1;
  kav_portmirror* field1;
} kav_portmirror_delete;
EOF

step "2. messages/catalogue.hpp: one layout line with the stated sizes pinned"
insert_before messages/catalogue.hpp '^// ---- reports ----' <<'EOF'
KAV_RECORD(kav_portmirror, 6, in_place);  KAV_PIN(kav_portmirror, 16, 40, 20);
EOF

step "3. messages/kav.h: one line per message in KAV_MESSAGES, after kav_ethlen_delete"
insert_after messages/kav.h '^ *X\(kav, ethlen_delete\)' <<'EOF'
  X(kav, portmirror)              \
  X(kav, portmirror_update)       \
  X(kav, portmirror_delete)       \
EOF

step "4. tools/gen_prototypes.sh: the declarations of the new messages"
bash tools/gen_prototypes.sh

step "5. tests/catalogue/values.txt: the stated values of the three messages, by hand"
insert_after tests/catalogue/values.txt '^kav\.ethlen_delete ' <<'EOF'
kav.portmirror                  16   6     16     in_place   fixed    40  20    24   40   -
kav.portmirror_update           16   2     8      in_place   compact  0   0     16   20   kav_portmirror
kav.portmirror_delete           16   2     8      in_place   compact  0   0     16   20   kav_portmirror
EOF

step "6. tools/readme_counts.sh: the README's numbers of messages and functions"
bash tools/readme_counts.sh

step "build (dev preset, -j$jobs) what the tests labelled catalogue run (--full: everything), and run them"
targets=(kav catalogue_test c99_layout codec_test mesh_test make_corpus fuzz_unpack_replay fuzz_roundtrip_replay)
cmake --preset dev >"$scratch/configure.log" 2>&1 || { tail -n 30 "$scratch/configure.log"; die "configure failed"; }
((full)) && targets=(all)
cmake --build --preset dev -j"$jobs" --target "${targets[@]}" >"$scratch/build.log" 2>&1 ||
  { grep -E -m 20 'error|Error' "$scratch/build.log" || tail -n 30 "$scratch/build.log"; die "build failed"; }
step "built"
labels=(-L catalogue)
((full)) && labels=()
ctest --preset dev -j"$jobs" "${labels[@]}" >"$scratch/ctest.log" 2>&1 ||
  { grep -E 'Failed|\*\*\*|Not Run' "$scratch/ctest.log" | head -n 40; die "tests failed"; }
summary=$(grep -E 'tests passed' "$scratch/ctest.log")
# The new messages are there: declared, exported, and in the table the tests went through.
grep -q '^KAV_API uint32_t kav_portmirror_update__pack(' messages/kav.h || die "kav_portmirror_update__pack is not declared"
exports=$(nm -D --defined-only build/dev/libkav.so.1)
grep -q ' kav_portmirror_delete__sendbatch$' <<<"$exports" || die "kav_portmirror_delete is not exported"
step "the recipe holds: $summary"
