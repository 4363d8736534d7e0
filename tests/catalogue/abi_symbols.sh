#!/usr/bin/env bash
# The library exports exactly the documented functions (seven per message of the table, three per
# package), is known as libkav.so.1 and needs the messaging library by its plain name.
# Usage: abi_symbols.sh LIBRARY VALUES NM OBJDUMP
set -euo pipefail
lib=$1 values=$2 nm=$3 objdump=$4
expected=$(grep -v '^#' "$values" | awk 'NF { n = $1; gsub(/\./, "_", n); p = $1; sub(/\..*/, "", p)
  print n "__pack"; print n "__unpack"; print n "_free__unpacked"; print n "__sendmsg"; print n "__sendtomsg"
  print n "__sendsingle"; print n "__sendbatch"
  print p "_recv_init"; print p "_send_init"; print p "__send_resource_clean" }' | sort -u)
actual=$("$nm" -D --defined-only "$lib" | awk '$(NF-1) ~ /^[TtWiV]$/ { sub(/@.*/, "", $NF); print $NF }' | sort -u)
diff <(echo "$expected") <(echo "$actual") || { echo "abi: exported functions differ (< documented, > exported)"; exit 1; }
"$objdump" -p "$lib" | grep -Eq 'SONAME +libkav\.so\.1$' || { echo "abi: soname is not libkav.so.1"; exit 1; }
"$objdump" -p "$lib" | grep -Eq 'NEEDED +libvarelmesh\.so$' || { echo "abi: libvarelmesh.so is not needed"; exit 1; }
echo "abi: ok ($(echo "$actual" | wc -l) functions)"
