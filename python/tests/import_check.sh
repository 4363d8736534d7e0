#!/usr/bin/env bash
# Imports the installed kav package from a directory outside any checkout or build tree and runs one
# round trip and one malformed buffer. With SITE, the package is looked for there first (a staged
# install); without it, where the interpreter finds installed packages (python3-kav).
# Usage: import_check.sh [PYTHON [SITE]]    (PYTHON defaults to /usr/bin/python3)
set -euo pipefail
py=${1:-/usr/bin/python3}
site=${2:-}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
env -u PYTHONPATH ${site:+PYTHONPATH="$site"} PYTHONDONTWRITEBYTECODE=1 "$py" - <<'PY'
import sys
import kav

value = {"field0": 1, "field1": 2, "field2": 3}
data = kav.encode("kav_pid_state", value)
assert kav.decode("kav.pid_state", data) == value
assert kav.decode("kav_pid_state", kav.encode("kav_pid_state", value, layout="fixed")) == value
try:
    kav.decode("kav_pid_state", data[:-1])
    sys.exit("import_check: a truncated buffer decoded without an error")
except kav.MalformedBuffer as e:
    assert (e.position, e.path) == (26, "field2"), (e.position, e.path)
print("kav", len(kav.messages()), "messages, imported from", kav.__file__)
PY
