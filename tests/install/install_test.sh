#!/usr/bin/env bash
# Installs the build tree into a scratch prefix, then builds and runs a C consumer with only
# `pkg-config --cflags --libs kav`.
set -euo pipefail
build_dir=$1 source=$2 cc=$3 extra_flags=${4:-}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build_dir" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name kav.pc -print -quit)")/..
libdir=$(cd "$libdir" && pwd)
[[ -e $libdir/libkav.so.1 && -L $libdir/libkav.so ]] || { echo "libkav.so.1 or its link missing"; exit 1; }
if [[ -e $libdir/libvarelmesh.so ]]; then echo "the loopback libvarelmesh.so was installed by default"; exit 1; fi
# The platform provides the messaging library; here the build tree's stand-in plays that part.
mesh_dir=$(dirname "$(find "$build_dir/platform/varelmesh" -maxdepth 1 -name libvarelmesh.so -print -quit)")
export PKG_CONFIG_PATH=$libdir/pkgconfig
# shellcheck disable=SC2046,SC2086
"$cc" -std=c99 -Wall -Wextra -pedantic -Werror "$source" $(pkg-config --cflags --libs kav) \
  $extra_flags \
  -Wl,-rpath-link,"$mesh_dir" -o "$prefix/consumer"
LD_LIBRARY_PATH=$libdir:$mesh_dir "$prefix/consumer"
