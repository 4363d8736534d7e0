#!/usr/bin/env bash
# The numbers README.md states, from the message lists: messages per package (KAV_MESSAGES in
# messages/kav.h, KAV_SYNC_MESSAGES in messages/kav_sync.h), message types in all, and exported
# functions (seven per message, three per package). Rewrites them in README.md; with --check it
# changes nothing and fails when the README states other numbers (the test suite runs it so).
# Usage: tools/readme_counts.sh [--check]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
readme=$here/README.md

# The X(pkg, name) entries of the header's one #define ..._MESSAGES(X).
count() {
  awk '/^#define KAV[A-Z_]*_MESSAGES\(X\)/ { on = 1; next }
       on { n += gsub(/X\([a-z0-9_]+, *[a-z0-9_]+\)/, ""); if ($0 !~ /\\[ \t]*$/) on = 0 }
       END { print n + 0 }' "$1"
}
kav=$(count "$here/messages/kav.h")
sync=$(count "$here/messages/kav_sync.h")
total=$((kav + sync))
exports=$((7 * total + 3 * 2))

# Each claim as a pattern over the README's text and the text it must read.
claims=(
  "^\([0-9]+ messages\) and \`kav_sync\` \([0-9]+ messages\)|(${kav} messages) and \`kav_sync\` (${sync} messages)"
  "^[0-9]+ functions, declared in|${exports} functions, declared in"
  "for every one of the [0-9]+ message types|for every one of the ${total} message types"
)

if [[ ${1:-} == --check ]]; then
  status=0
  for c in "${claims[@]}"; do
    grep -qF "${c#*|}" "$readme" || { echo "readme_counts: README.md does not say '${c#*|}'" >&2; status=1; }
  done
  ((status == 0)) && echo "readme_counts: README.md states $kav + $sync = $total messages and $exports functions"
  exit $status
fi
for c in "${claims[@]}"; do
  sed -E -i "s/${c%%|*}/${c#*|}/" "$readme"
done
bash "$0" --check
