#!/usr/bin/env bash
# Installs the Debian packages a make target needs, when they are missing; names them when it cannot.
# Usage: tools/deps.sh GROUP...   (groups: base bench aarch64 fuzz memcheck install package lint format python mutants coverage
#                                 wireshark)
set -euo pipefail

declare -A group=(
  [base]="cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev nlohmann-json3-dev libcli11-dev"
  [bench]="libbenchmark-dev valgrind"
  [aarch64]="g++-aarch64-linux-gnu qemu-user googletest"
  [fuzz]="clang libclang-rt-14-dev"
  [memcheck]="valgrind"
  [format]="clang-format"
  [install]="cmake ninja-build g++ nlohmann-json3-dev libcli11-dev"
  [package]="dpkg-dev file"
  [lint]="lintian"
  [python]="python3-dev python3-pytest pybind11-dev"
  [mutants]="ccache python3"
  [coverage]="clang llvm-14"
  [wireshark]="tshark"
)

missing=()
for g in "$@"; do
  [[ -n "${group[$g]+x}" ]] || { echo "deps.sh: unknown group '$g'" >&2; exit 2; }
  for p in ${group[$g]}; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]] && command -v apt-get >/dev/null; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # tshark's package asks whether non-root users may capture; the answer is no.
  if [[ " ${missing[*]} " == *" tshark "* ]]; then
    echo "wireshark-common wireshark-common/install-setuid boolean false" | debconf-set-selections
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
else
  echo "Missing Debian packages; install them with:" >&2
  echo "  sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
