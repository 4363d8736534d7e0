#!/usr/bin/env bash
# Mutation run: applies small faults to the library one at a time, rebuilds the library and the
# tests, runs the suite and reports which faults no test caught. Slow (one build per fault), so it
# is kept out of CI; `make mutants` runs it.
#
# The faults are applied to a scratch copy of the working tree (OUT/src, refreshed from the tree on
# every run, file times kept so that only what changed is rebuilt), never to the tree itself; the
# copy is restored after each fault, also when the run is interrupted.
#
# Usage: tools/mutants.sh [OUT] [NAME-FILTER]   (OUT: build/mutants; the filter is an ERE on names)
#        MUTANTS_REUSE=1 keeps OUT/src as it is (to finish an interrupted run with a filter).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build/mutants}
filter=${2:-.}
src=$out/src
bld=$out/build
report=$out/report.txt
mkdir -p "$out"

# ---- the faults: name, file, exact original text (found exactly once), replacement -------------
# '\n' in either text stands for a line break.
names=() files=() originals=() replacements=()
m() { names+=("$1"); files+=("$2"); originals+=("$3"); replacements+=("$4"); }

# validity predicates, each bound off by one
m buffer_len_3          codec/checks.hpp 'static_cast<i32>(len) >= 4' 'static_cast<i32>(len) >= 3'
m table_low_3           codec/checks.hpp 't >= 4 && t <= len - 4' 't >= 3 && t <= len - 4'
m table_high_len_3      codec/checks.hpp 't >= 4 && t <= len - 4' 't >= 4 && t <= len - 3'
m vtable_low_3          codec/checks.hpp 'v >= 4 && v <= len - 4' 'v >= 3 && v <= len - 4'
m vtable_high_len_3     codec/checks.hpp 'v >= 4 && v <= len - 4' 'v >= 4 && v <= len - 3'
m vtable_end_past       codec/checks.hpp 'return end >= v && end <= len;' 'return end >= v && end <= len + 1;'
m field_end_past        codec/checks.hpp 'return o + width <= room;' 'return o + width <= room + 1;'
m target_wrap_unchecked codec/checks.hpp 'return q >= p;' 'return true;'
m item_table_high_len_3 codec/checks.hpp 'return q >= 4 && q <= len - 4;' 'return q >= 4 && q <= len - 3;'
m item_target_32_bits   codec/checks.hpp 'const u64 q = u64{w} + value;' 'const u64 q = static_cast<u32>(w + value);'
m count_word_past       codec/checks.hpp 'q <= len && q + 4 <= len' 'q <= len && q + 3 <= len'
m elements_end_past     codec/checks.hpp 'return end >= q + 4 && end <= len;' 'return end >= q + 4 && end <= len + 1;'
m count4_bound_31       codec/checks.hpp '(count >> 30) != 0' '(count >> 31) != 0'
# byte moves and byte order, and the constant-position paths
m swap16_missing        codec/wire.hpp 'return __builtin_bswap16(v);' 'return v;'
m plan_last_entry       codec/fast.hpp   'differ<sizeof Entries>(buf + vt + 4' 'differ<sizeof Entries - 2>(buf + vt + 4'
m zero_run_tail8        codec/wire.hpp 'std::memcpy(dst + n - 8, kZeros, 8);\n  } else {' '} else {'
m plan_checks_skipped   codec/fast.hpp   'if (!checks_hold<Checks, Image, TableAt>(buf + t, std::make_index_sequence<Checks.size()>{})) return false;' ''
# decoder
m array_count_inexact   codec/decode.cpp 'if (n != s.count) return false;' 'if (n > s.count) return false;'
m empty_vector_allocs   codec/decode.cpp 'if (bytes == 0) return true;' ''
m item_word_at_count    codec/decode.cpp 'const u32 words = q + 4;' 'const u32 words = q;'
m vtable_entries_odd    codec/decode.cpp '(tr.vlen - 4) / 2 : 0;\n    const u8* entries' '(tr.vlen - 3) / 2 : 0;\n    const u8* entries'
m absent_slot_read      codec/decode.cpp '      if (o == 0) continue;\n      if (!field_fits(o, 4, room) ||' '      if (!field_fits(o, 4, room) ||'
m plan_room_short       codec/fast.hpp   'if (room < Extent ||' 'if (room + 1 < Extent ||'
m no_release_fast       codec/decode.cpp 'if (!ok && m.table->root == RootForm::in_place) free_body(out, m);' ''
m no_release_slow       codec/decode.cpp 'if (!decode_fields(m, t, c, tr, out) && t.has_vector) free_body(out, m);' '(void)decode_fields(m, t, c, tr, out);'
m free_keeps_pointer    codec/decode.cpp '  items = nullptr;\n  std::memcpy(msg + kListItems, &items, sizeof items);' ''
m slot_path_no_zeroing  codec/decode.cpp '  zero_run(out, tab.size);\n  (void)decode_slots' '  (void)decode_slots'
m list_entry_past_vtable codec/decode.cpp 'const u32 second = vlen >= 8 ?' 'const u32 second = vlen >= 6 ?'
m list_root_no_zeroing  codec/decode.cpp '  zero_run(out, kListSize);\n  bool ok = true;' '  bool ok = true;'
m plan_gaps_not_zeroed  codec/fast.hpp   'zero_gaps<TO::gaps>(out, std::make_index_sequence<TO::gaps.size()>{});\n  return true;' 'return true;'
m item_slots_no_zeroing codec/decode.cpp '  zero_run(out, item.size);\n  u32 q;' '  u32 q;'
m items_left_unzeroed   codec/decode.cpp 'zero_bytes(at + item.size, u64{n - 1 - i} * item.size);' ''
m items_vlen_unchecked  codec/fast.hpp   'if (vlen == TO::table.vlen && decode(buf, t, vt, len - t, item)) continue;' 'if (decode(buf, t, vt, len - t, item)) continue;'
m delegating_no_zeroing codec/decode.cpp '    zero_run(out, t.size);\n    (void)decode_table' '    (void)decode_table'
m swap_ignored_unpack   codec/decode.cpp 'return swap_flag(m.unpack_unit) ? unpack_as<true>(buf, len, out, m) : unpack_as<false>(buf, len, out, m);' 'return unpack_as<false>(buf, len, out, m);'
m swap_array_one_copy   codec/decode.cpp '(s.parts[0] == 1 && s.parts[1] == 0)' '(s.parts[1] == 0)'
m log_param_line        codec/decode.cpp 'log_fault(m.unpack_unit, kLineUnpackParam,' 'log_fault(m.unpack_unit, kLineUnpackParam + 1,'
m log_vtable_len_text   codec/decode.cpp 'Vtable Len(%u) is out of range(0 - %u)' 'Vtable Len(%u) is out of range(1 - %u)'
m log_vtable_arg        codec/decode.cpp 'h.vt, len - 4);' 'h.vt, len);'
m log_alloc_code        codec/decode.cpp 'kLineVectorAlloc, kErrNoMemory' 'kLineVectorAlloc, kErrInvalid'
m log_root_as_nested    codec/decode.cpp 'root ? kLineRootTable : kLineTable' 'kLineTable'
# compact encoder
m zero_scalar_written   codec/encode.cpp '    if (x != 0) {\n      w.put(cur, x);' '    if (true) {\n      w.put(cur, x);'
m vector_count_ignored  codec/encode.cpp 'return vector_count(s, v) != 0 && vector_items(s, v) != nullptr;' 'return vector_items(s, v) != nullptr;'
m fast_list_count_0     codec/fast.hpp   'if (n == 0 || items == nullptr) return false;' 'if (items == nullptr) return false;'
m capacity_one_short    codec/encode.cpp '*len < size) return kFail;' '*len + 1 < size) return kFail;'
m size_query_no_size    codec/encode.cpp '    *len = static_cast<u32>(size);\n    return 0;\n  }' '    return 0;\n  }'
m table_len_plus1       codec/encode.cpp 'w.put(vt + 2, static_cast<u16>(table_len));' 'w.put(vt + 2, static_cast<u16>(table_len + 1));'
m list_table_len_plus1  codec/encode.cpp 'static_cast<u16>(cur - tbl + out_of_line)' 'static_cast<u16>(cur - tbl + out_of_line + 1)'
m list_zero_u32_written codec/encode.cpp '; x != 0) {\n    w.put(cur, x);' '; true) {\n    w.put(cur, x);'
m item_word_to_vtable   codec/encode.cpp 'w.put(at, cur + item.vlen - at);' 'w.put(at, cur - at);'
m list_bound_items      codec/encode.cpp '* (4 + m.table->slot[1].sub->max_size)' '* (m.table->slot[1].sub->max_size)'
# fixed encoder
m fixed_last_run_lost   codec/fast.hpp   'v, std::make_index_sequence<TO::fixed_runs.size()>{});' 'v, std::make_index_sequence<TO::fixed_runs.size() - (TO::fixed_runs.size() != 0)>{});'
m entry_lanes_high_unread codec/fast.hpp 'hi = load_native<u64>(entries + 2 * (nchecked - 4));' 'hi = lo;'
m scalars_unzeroed      codec/fast.hpp   '      zero_run(out, TO::table.size);\n      return TO::SP::in(' '      return TO::SP::in('
m fixed_swap_count      codec/fixed.cpp 'w.put(pos + 4, u32{s.count});' 'w.put(pos + 4, u32{s.count} + 1u);'
m fixed_swap_padding    codec/fixed.cpp 'std::memset(buf, 0, t.fixed_len);' 'std::memset(buf, 0, t.fixed_len - 4);'
# constant tables
m fixed_padding_to_4    codec/tables.hpp 's.len = round_up(vt + vtable_len<T>, 8);' 's.len = round_up(vt + vtable_len<T>, 4);'
m plan_extent_short     codec/tables.hpp 'end = i + 1 - s.table_at;' 'end = i - s.table_at;'
# send functions
m batch_area_short      mesh/send.cpp 'u64{count} * (L + sizeof(MeshMsgBuf));' 'u64{count} * L + sizeof(MeshMsgBuf);'
m batch_area_overflow   mesh/send.cpp 'size > kVariableArea - used)' 'size > kVariableArea - used + 4)'
m batch_fail_no_release mesh/send.cpp '      general_release(m.send_unit, area, m.sendbatch_name);\n      return kFail;' '      return kFail;'
m single_no_release     mesh/send.cpp '  const u32 result = deliver(dest, &entry, 1, to);\n  general_release(m.send_unit, area, m.sendsingle_name);' '  const u32 result = deliver(dest, &entry, 1, to);'
m count0_sent           mesh/send.cpp 'if (count == 0) return kFail;' ''
m target_one_is_none    mesh/send.cpp 'return to != 0 ? MESH_SendToMsg' 'return to > 1 ? MESH_SendToMsg'
m fixed_length_short    messages/descriptors.hpp 'detail::table_of<type>.fixed_len,' 'detail::table_of<type>.fixed_len - 8u,'
# registration
m registration_reversed messages/registry.cpp 'table[i++] = {M::id,' 'table[table.size() - 1 - i++] = {M::id,'
m sync_clean_hook_kav   messages/registry.cpp 'MESH_RegIDLResorceCleanFuncHook(&kav_sync__send_resource_clean)' 'MESH_RegIDLResorceCleanFuncHook(&kav__send_resource_clean)'
# host services
m module_id_alloc       runtime/runtime.cpp 'return runtime(u).alloc(size, kModuleId, func);' 'return runtime(u).alloc(size, kModuleId + 1, func);'
m cache_pool_11         runtime/runtime.cpp 'return runtime(u).cache_alloc(size, kCachePool, func);' 'return runtime(u).cache_alloc(size, kCachePool - 1, func);'
m cache_wrong_unit      runtime/runtime.cpp 'bind_cache(u);\n  return runtime(u).cache_alloc' 'bind_cache(Unit::main_unpack);\n  return runtime(Unit::main_unpack).cache_alloc'
m use_flag_any_nonzero  runtime/runtime.cpp 'use_flag(kCachePool) == 1' 'use_flag(kCachePool) != 0'
m host_alloc_without_free runtime/runtime.cpp 'if (rt.alloc == nullptr || rt.release == nullptr) {' 'if (rt.alloc == nullptr) {'
m swap_flag_kept        runtime/runtime.cpp '  g_swap[static_cast<u32>(u)].store(0, std::memory_order_relaxed);\n  if (auto use_flag' '  if (auto use_flag'
m log_module_id         runtime/runtime.cpp '"KESMO_MERIDAN_SERIAL", kModuleId}' '"KESMO_MERIDAN_SERIAL", kModuleId + 1}'
m log_level_3           runtime/runtime.hpp 'inline constexpr u32 kLogLevel = 2;' 'inline constexpr u32 kLogLevel = 3;'
m log_line_vtable_len   runtime/runtime.hpp 'kLineRootVtableLen = 113,' 'kLineRootVtableLen = 114,'

# ---- helpers -------------------------------------------------------------------------------------
# Writes file with the fault applied (mode apply) or checks it applies (mode check).
edit() {  # mode file original replacement
  python3 - "$@" <<'EOF'
import sys
mode, path, orig, repl = sys.argv[1:5]
orig, repl = orig.replace("\\n", "\n"), repl.replace("\\n", "\n")
text = open(path).read()
n = text.count(orig)
if n != 1:
    print(f"found {n} times, not once: {orig!r}", file=sys.stderr)
    sys.exit(1)
if mode == "apply":
    open(path, "w").write(text.replace(orig, repl))
EOF
}

# A scratch copy of the working tree (tracked and new files). A file is written only when its
# content differs from the copy's, so the build sees exactly what changed since the last run.
refresh_copy() {
  mkdir -p "$src"
  (cd "$root" && git ls-files -z --cached --others --exclude-standard) | python3 -c '
import os, sys
root, src = sys.argv[1:3]
keep = set()
for rel in sys.stdin.read().split("\0"):
    if not rel or not os.path.isfile(os.path.join(root, rel)):
        continue
    keep.add(rel)
    data = open(os.path.join(root, rel), "rb").read()
    dst = os.path.join(src, rel)
    if os.path.exists(dst) and open(dst, "rb").read() == data:
        continue
    os.makedirs(os.path.dirname(dst), exist_ok=True)
    open(dst, "wb").write(data)
    os.chmod(dst, os.stat(os.path.join(root, rel)).st_mode)
for d, _, fs in os.walk(src):
    for f in fs:
        rel = os.path.relpath(os.path.join(d, f), src)
        if rel not in keep:
            os.remove(os.path.join(d, f))
' "$root" "$src"
}

build() { cmake --build "$bld" -j1 >"$out/build.log" 2>&1; }
# The compile-fail tests only compile wrong descriptions: a fault that breaks the build is counted
# as caught already, and they cannot see any other.
# A fault can make a program write without end (the corpus generator, fed wrong sizes): no file may
# pass 4 MiB, and the generated corpus goes after each run.
suite() {
  (ulimit -f 4096; ctest --test-dir "$bld" -j2 --stop-on-failure --timeout 180 -E '^compile_fail\.' >"$out/ctest.log" 2>&1)
  local rc=$?
  rm -rf "$bld/tests/fuzz_replay/corpus"
  return $rc
}
first_failure() { grep -m1 -E '\*\*\*(Failed|Exception|Timeout)' "$out/ctest.log" | sed -E 's/.*Test +#[0-9]+: ([^ ]+) .*/\1/'; }

restore=""
restore_now() {
  if [[ -n $restore ]]; then cp "$out/original" "$src/$restore"; restore=""; fi  # a new time: rebuilt
}
trap restore_now EXIT
trap 'exit 130' INT TERM

# ---- run -----------------------------------------------------------------------------------------
[[ ${MUTANTS_REUSE:-0} == 1 && -d $src ]] || refresh_copy
bad=0
for i in "${!names[@]}"; do
  if ! edit check "$src/${files[$i]}" "${originals[$i]}" "${replacements[$i]}" 2>"$out/edit.err"; then
    echo "mutants.sh: fault ${names[$i]} no longer applies to ${files[$i]}: $(cat "$out/edit.err")" >&2
    bad=1
  fi
done
(( bad == 0 )) || { echo "mutants.sh: fix the faults above (the engine moved)" >&2; exit 2; }

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
export CCACHE_DIR=$out/ccache
cmake -S "$src" -B "$bld" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_FLAGS_RELEASE="-O1 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="-O1 -DNDEBUG" \
  -DKAV_BUILD_TESTS=ON -DKAV_BUILD_BENCH=OFF -DKAV_BUILD_FUZZ=OFF -DKAV_WERROR=OFF \
  -DCMAKE_DISABLE_FIND_PACKAGE_nlohmann_json=ON -DCMAKE_LINK_DEPENDS_NO_SHARED=ON \
  "${launcher[@]}" >"$out/configure.log" 2>&1 || { cat "$out/configure.log" >&2; exit 2; }
echo "mutants.sh: building and running the unchanged suite"
build || { tail -30 "$out/build.log" >&2; exit 2; }
suite || { tail -30 "$out/ctest.log" >&2; echo "mutants.sh: the suite fails without any fault" >&2; exit 2; }

: >"$report"
caught=0 total=0 missed=()
for i in "${!names[@]}"; do
  name=${names[$i]} file=${files[$i]}
  [[ $name =~ $filter ]] || continue
  total=$((total + 1))
  cp -p "$src/$file" "$out/original"
  restore=$file
  edit apply "$src/$file" "${originals[$i]}" "${replacements[$i]}"
  start=$SECONDS
  if ! build; then
    verdict="caught   (does not build)"
    caught=$((caught + 1))
  elif ! suite; then
    verdict="caught   ($(first_failure))"
    caught=$((caught + 1))
  else
    verdict="MISSED"
    missed+=("$name")
  fi
  restore_now
  line=$(printf '%-24s %-22s %4ss  %s' "$name" "$file" $((SECONDS - start)) "$verdict")
  echo "$line" | tee -a "$report"
done
build || true  # leave the build matching the tree

{
  echo
  echo "mutants: $caught of $total caught"
  (( ${#missed[@]} == 0 )) || echo "not caught: ${missed[*]}"
} | tee -a "$report"
