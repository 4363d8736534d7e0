#!/usr/bin/env bash
# Runs every GoogleTest executable of a build (under BUILD_DIR/tests) under valgrind's memcheck and
# fails on any memory error or any definitely or indirectly lost block. Needs a build without
# sanitizers (the dev preset's). Logs go to BUILD_DIR/memcheck/<test>.log.
# Usage: tools/memcheck.sh BUILD_DIR [NAME_REGEX]    (MEMCHECK_TIMEOUT: seconds per executable, default 600;
#                                         MEMCHECK_LOGS: where the logs go)
set -uo pipefail

build=${1:?usage: tools/memcheck.sh BUILD_DIR}
limit=${MEMCHECK_TIMEOUT:-600}
[[ -f "$build/CMakeCache.txt" ]] || { echo "memcheck.sh: $build is not a configured build" >&2; exit 2; }
if grep -q '^KAV_SANITIZE:STRING=..*' "$build/CMakeCache.txt"; then
  echo "memcheck.sh: $build is built with sanitizers; use a build without them (the dev preset)" >&2
  exit 2
fi
command -v valgrind >/dev/null || { echo "memcheck.sh: valgrind missing (tools/deps.sh memcheck)" >&2; exit 2; }

# Optional further arguments: a regular expression that picks executables by name.
pick=${2:-.}
mapfile -t tests < <(find "$build/tests" -type f -perm -u+x ! -name '*.so*' | sort | grep -E -- "$pick" |
                     while read -r f; do grep -qa -- 'gtest_list_tests' "$f" && echo "$f"; done)
(( ${#tests[@]} > 0 )) || { echo "memcheck.sh: no test executables under $build/tests; build first" >&2; exit 2; }

logs=${MEMCHECK_LOGS:-$build/memcheck}
mkdir -p "$logs"
logs=$(realpath "$logs")
passed=0
failed=0
start=$SECONDS
for exe in "${tests[@]}"; do
  name=$(basename "$exe")
  log="$logs/$name.log"
  t0=$SECONDS
  # Each test runs where CTest would run it: its own build folder.
  ( cd "$(dirname "$exe")" &&
    timeout "$limit" valgrind --tool=memcheck --error-exitcode=1 --leak-check=full \
        --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect \
        --num-callers=30 --log-file="$log" "./$name" --gtest_brief=1 ) >"$log.out" 2>&1
  rc=$?
  errors=$(grep -so 'ERROR SUMMARY: [0-9]*' "$log" | tail -n 1 | grep -o '[0-9]*$')
  definite=$(grep -so 'definitely lost: [0-9,]* bytes' "$log" | tail -n 1 | grep -o '[0-9,]* bytes')
  indirect=$(grep -so 'indirectly lost: [0-9,]* bytes' "$log" | tail -n 1 | grep -o '[0-9,]* bytes')
  tests_run=$(grep -o '\[  PASSED  \] [0-9]* test' "$log.out" | grep -o '[0-9]*')
  if (( rc == 0 )); then
    verdict=ok
  elif [[ "${errors:-0}" != 0 || "${definite:-0 bytes}" != "0 bytes" || "${indirect:-0 bytes}" != "0 bytes" ]]; then
    verdict="FAILED: memory errors or leaks"
  else
    verdict="FAILED: exit $rc (a test failed, timed out or did not start)"
  fi
  printf '%-28s %4ss  tests: %-4s errors: %-3s definitely lost: %-10s indirectly lost: %-10s %s\n' \
      "$name" "$(( SECONDS - t0 ))" "${tests_run:-?}" "${errors:-?}" "${definite:-0 bytes}" \
      "${indirect:-0 bytes}" "$verdict"
  if (( rc == 0 )); then
    passed=$(( passed + 1 ))
  else
    failed=$(( failed + 1 ))
    tail -n 30 "$log.out"
    grep -s -A 25 -m 3 -E 'Invalid|uninitialised|definitely lost in|indirectly lost in' "$log" || true
  fi
done
echo "memcheck: ${#tests[@]} executables in $(( SECONDS - start ))s; logs in $logs"
echo "memcheck: $passed passed, $failed failed"
(( failed == 0 ))
