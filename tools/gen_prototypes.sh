#!/usr/bin/env bash
# Writes the seven declarations of every message into the public headers, spelled out, from each
# header's message list (KAV_MESSAGES in messages/kav.h, KAV_SYNC_MESSAGES in messages/kav_sync.h),
# between the header's two marker lines. Run it after changing a list.
# With --check it changes nothing and fails when a header's declarations are not what its list
# gives (the test suite runs it so: the declarations cannot drift from the lists).
# Usage: tools/gen_prototypes.sh [--check] [HEADER...]   (default: both public headers)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
check=0
if [[ ${1:-} == --check ]]; then
  check=1
  shift
fi
(($# > 0)) || set -- "$here/messages/kav.h" "$here/messages/kav_sync.h"

begin='/* ---- Declarations generated from the list above by tools/gen_prototypes.sh ---- */'
end='/* ---- End of generated declarations ---- */'

# "pkg name" per message, in list order: the X(pkg, name) lines of the one #define ..._MESSAGES(X).
list() {
  awk '/^#define KAV[A-Z_]*_MESSAGES\(X\)/ { on = 1; defs++; next }
       on { if (match($0, /X\([a-z0-9_]+, *[a-z0-9_]+\)/)) {
              s = substr($0, RSTART + 2, RLENGTH - 3); sub(/, */, " ", s); print s }
            if ($0 !~ /\\[ \t]*$/) on = 0 }
       END { if (defs != 1) exit 1 }' "$1"
}

# The generated block: the markers around seven declarations per message.
block() {
  echo "$begin"
  echo '/* clang-format off */'
  while read -r pkg name; do
    local m=${pkg}_${name}
    echo
    echo "KAV_API uint32_t ${m}__pack(const ${m}* msg, uint8_t* buf, uint32_t* len);"
    echo "KAV_API uint32_t ${m}__unpack(const uint8_t* buf, uint32_t len, ${m}* out);"
    echo "KAV_API void ${m}_free__unpacked(${m}* msg);"
    echo "KAV_API uint32_t ${m}__sendmsg(uint32_t dest, const ${m}* msgs, uint32_t count);"
    echo "KAV_API uint32_t ${m}__sendtomsg(uint32_t dest, const ${m}* msgs, uint32_t count, uint64_t to);"
    echo "KAV_API uint32_t ${m}__sendsingle(uint32_t dest, const ${m}* msg, uint64_t reserved, uint64_t to);"
    echo "KAV_API uint32_t ${m}__sendbatch(uint32_t dest, const ${m}* msgs, uint32_t count, uint64_t to);"
  done
  echo
  echo '/* clang-format on */'
  echo "$end"
}

status=0
for h in "$@"; do
  messages=$(list "$h") || { echo "gen_prototypes: $h: no single message list" >&2; exit 2; }
  [[ -n $messages ]] || { echo "gen_prototypes: $h: the message list is empty" >&2; exit 2; }
  [[ $(grep -cxF "$begin" "$h") == 1 && $(grep -cxF "$end" "$h") == 1 ]] ||
    { echo "gen_prototypes: $h: needs one line each of: $begin / $end" >&2; exit 2; }
  new=$(mktemp)
  # Everything before the first marker, the block, everything after the second.
  { sed -n "1,/^$(printf '%s' "$begin" | sed 's/[]\/$*.^[]/\\&/g')\$/p" "$h" | sed '$d'
    block <<<"$messages"
    sed -n "/^$(printf '%s' "$end" | sed 's/[]\/$*.^[]/\\&/g')\$/,\$p" "$h" | sed '1d'; } >"$new"
  if ((check)); then
    if ! diff -u "$h" "$new" >&2; then
      echo "gen_prototypes: $h: the declarations differ from its message list; run tools/gen_prototypes.sh" >&2
      status=1
    fi
    rm -f "$new"
  elif cmp -s "$h" "$new"; then
    rm -f "$new"
  else
    cat "$new" >"$h" && rm -f "$new"
    echo "gen_prototypes: wrote $(wc -l <<<"$messages") messages' declarations into $h"
  fi
done
((status == 0)) && ((check)) && echo "gen_prototypes: the declarations follow the lists"
exit $status
