// The constant-position paths of one layout, unrolled from its plans at compile time: a few moves
// of constant size each, no dispatch. They do exactly what the shared engine does with the same
// plans (codec/decode.cpp, encode.cpp, fixed.cpp), only in fewer instructions. The shared engine
// enters them through the layout's table: a whole record (after the checks every message shares),
// a list's run of items (through the list's table), a table, a batch of fixed encodings; whatever
// they do not take goes back to the shared slot walk. No message has code of its own: records laid
// out alike share one set of paths, whichever messages carry them (codec/tables.hpp, Alike), and
// one set serves every list's root (ListShape).
//
// Tables with zeros: ScalarPaths writes and reads a layout's scalars whatever their zeros, a step
// at a time, one test of presence per scalar and every position known but the cursor's; it is keyed
// by the scalar steps alone, so layouts whose scalars lie alike share it. A record's table with
// zeros is then taken whole by its layout's path (encode_partial, decode_any): the scalars by
// ScalarPaths, a fixed array as one copy, a nested table by the nested layout's own paths. The
// decoding side never logs or allocates: whatever is not as the slot rules would take it without a
// fault goes back to them, from a zeroed record. A whole list goes to unpack_list and pack_list
// (codec/decode.cpp, encode.cpp), which hand its items to these paths.
#pragma once

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#elif defined(__ARM_NEON)
#include <arm_neon.h>
#endif

#include "codec/checks.hpp"
#include "codec/layout.hpp"
#include "codec/wire.hpp"

namespace kav::detail {
template <class T>
struct TableOf;
}  // namespace kav::detail

namespace kav::detail::fast {

// N bytes moved as blocks of at most 16: compilers turn one large constant-size copy into a
// string instruction, which costs more than these few moves.
template <u32 N>
[[gnu::always_inline]] inline void move(u8* dst, const u8* src) noexcept {
  if constexpr (N > 16) {
    std::memcpy(dst, src, 16);
    move<N - 16>(dst + 16, src + 16);
  } else {
    std::memcpy(dst, src, N);
  }
}
// The N bytes at a differ from those at b, as a non-zero word; eight at a time (the last word may
// overlap the one before it).
template <u32 N>
[[nodiscard, gnu::always_inline]] inline u64 differ(const u8* a, const u8* b) noexcept {
  if constexpr (N >= 8) {
    const u64 d = load_native<u64>(a) ^ load_native<u64>(b);
    if constexpr (N == 8)
      return d;
    else if constexpr (N < 16)
      return d | (load_native<u64>(a + N - 8) ^ load_native<u64>(b + N - 8));
    else
      return d | differ<N - 8>(a + 8, b + 8);
  } else if constexpr (N >= 4) {
    return (load_native<u32>(a) ^ load_native<u32>(b)) | (load_native<u32>(a + N - 4) ^ load_native<u32>(b + N - 4));
  } else if constexpr (N >= 2) {
    return (load_native<u16>(a) ^ load_native<u16>(b)) | (load_native<u16>(a + N - 2) ^ load_native<u16>(b + N - 2));
  } else if constexpr (N == 1) {
    return u64{a[0]} ^ b[0];
  } else {
    return 0;
  }
}

template <const auto& Runs, std::size_t... I>
[[gnu::always_inline]] inline void runs_in([[maybe_unused]] u8* out, [[maybe_unused]] const u8* table,
                                           std::index_sequence<I...>) noexcept {
  (move<Runs[I].len>(out + Runs[I].mem, table + Runs[I].wire), ...);
}
template <const auto& Runs, std::size_t... I>
[[gnu::always_inline]] inline void runs_out([[maybe_unused]] u8* table, [[maybe_unused]] const u8* v,
                                            std::index_sequence<I...>) noexcept {
  (move<Runs[I].len>(table + Runs[I].wire, v + Runs[I].mem), ...);
}
template <const auto& Fill, const auto& Image, std::size_t... I>
[[gnu::always_inline]] inline void fill([[maybe_unused]] u8* at, std::index_sequence<I...>) noexcept {
  (move<Fill[I].len>(at + Fill[I].pos, Image.data() + Fill[I].pos), ...);
}
template <const auto& Gaps, std::size_t... I>
[[gnu::always_inline]] inline void zero_gaps([[maybe_unused]] u8* out, std::index_sequence<I...>) noexcept {
  (std::memset(out + Gaps[I].pos, 0, Gaps[I].len), ...);
}
template <const auto& Checks, const auto& Image, u32 TableAt, std::size_t... I>
[[nodiscard, gnu::always_inline]] inline bool checks_hold([[maybe_unused]] const u8* table,
                                                          std::index_sequence<I...>) noexcept {
  return (u64{0} | ... | differ<Checks[I].len>(table + Checks[I].pos, Image.data() + TableAt + Checks[I].pos)) == 0;
}

// The decoding side of a plan: the vtable's entries, room for the extent, the structural bytes in
// place; then the runs, and zeroes in the structure's padding. False, having written nothing, when
// the table is not laid out so.
template <class TO, const auto& Entries, const auto& Image, const auto& Runs, const auto& Checks, u32 TableAt,
          u32 Extent>
[[nodiscard, gnu::always_inline]] inline bool decode_plan(const u8* buf, u32 t, u32 vt, u32 room, u8* out) noexcept {
  if (room < Extent || differ<sizeof Entries>(buf + vt + 4, reinterpret_cast<const u8*>(Entries.data())) != 0)
    return false;
  if (!checks_hold<Checks, Image, TableAt>(buf + t, std::make_index_sequence<Checks.size()>{})) return false;
  runs_in<Runs>(out, buf + t, std::make_index_sequence<Runs.size()>{});
  zero_gaps<TO::gaps>(out, std::make_index_sequence<TO::gaps.size()>{});
  return true;
}

template <u32 W>
using uint_of = std::conditional_t<W == 1, u8, std::conditional_t<W == 2, u16, std::conditional_t<W == 4, u32, u64>>>;

// Every scalar non-zero, a word of up to eight bytes of same-width scalars at a time: up to four
// scalars are compared one by one (fewer instructions), more at once by zero_lanes() (the bytes of
// the word beyond them set non-zero).
template <const auto& Zero, std::size_t I>
[[nodiscard, gnu::always_inline]] inline bool word_nonzero(const u8* v) noexcept {
  constexpr ZeroWord z = Zero[I];
  constexpr u32 w = 1u << z.width_log2;
  if constexpr (w == 4 && z.len == 8) {  // two 32-bit scalars: their 64-bit product is 0 exactly when one is
    return u64{load_native<u32>(v + z.mem)} * load_native<u32>(v + z.mem + 4) != 0;
  } else if constexpr (z.len / w <= 4) {
    return [&]<std::size_t... J>(std::index_sequence<J...>) {
      return (true && ... && (load_native<uint_of<w>>(v + z.mem + J * w) != 0));
    }
    (std::make_index_sequence<z.len / w>{});
  } else {
    u64 x = 0x0101010101010101u;
    std::memcpy(&x, v + z.mem, z.len);
    return zero_lanes(x, z.width_log2) == 0;
  }
}
template <const auto& Zero, std::size_t... I>
[[nodiscard, gnu::always_inline]] inline bool scalars_nonzero([[maybe_unused]] const u8* v,
                                                              std::index_sequence<I...>) noexcept {
  return (true && ... && word_nonzero<Zero, I>(v));
}

// The scalars of a layout in slot order: what ScalarPaths is keyed by, so that layouts whose scalars
// lie alike share one pair of functions.
struct ScalarShape {
  u32 n = 0;
  Step step[64] = {};  // the scalar steps of the layout, in slot order
};

// The slot entry lane l of row c holds, of n slot entries (-1: none). Eight slots to a row: with
// n >= 8, row c stands for slots min(8c, n - 8) .. +7; fewer are read by two loads that may overlap
// (n >= 4: slots 0..3 and n - 4..n - 1; n >= 2: slots 0, 1 and n - 2, n - 1; else slot 0), straight
// into the register: a copy through the stack would make the load wait for the stores before it.
constexpr int lane_slot(u32 c, u32 l, u32 n) {
  if (n >= 8) return static_cast<int>(std::min(8 * c, n - 8) + l);
  if (n >= 4) return static_cast<int>(l < 4 ? l : n - 8 + l);
  if (n >= 2) return l < 2 ? static_cast<int>(l) : l < 4 ? static_cast<int>(n - 4 + l) : -1;
  return n == 1 && l == 0 ? 0 : -1;
}
// The width each slot entry must leave room for, lane by lane: a scalar's width, 0 for another
// slot or no slot.
template <u32 Rows>
struct EntryWidths {
  u16 lane[Rows == 0 ? 1 : Rows][8] = {};
};
template <u32 Rows>
constexpr EntryWidths<Rows> entry_widths(const ScalarShape& s, u32 n) {
  EntryWidths<Rows> w;
  for (u32 c = 0; c < Rows; ++c)
    for (u32 l = 0; l < 8; ++l) {
      const int k = lane_slot(c, l, n);
      for (u32 i = 0; i < s.n; ++i)
        if (k >= s.step[i].first && k < s.step[i].first + s.step[i].count)
          w.lane[c][l] = static_cast<u16>(1u << s.step[i].width_log2);
    }
  return w;
}
// Eight 16-bit lanes, and their difference where it is positive (else 0).
using Lanes = u16 __attribute__((vector_size(16)));
[[nodiscard, gnu::always_inline]] inline Lanes sub_or_zero(Lanes a, Lanes b) noexcept {
#if defined(__SSE2__)
  return reinterpret_cast<Lanes>(_mm_subs_epu16(reinterpret_cast<__m128i>(a), reinterpret_cast<__m128i>(b)));
#elif defined(__ARM_NEON)
  return reinterpret_cast<Lanes>(vqsubq_u16(reinterpret_cast<uint16x8_t>(a), reinterpret_cast<uint16x8_t>(b)));
#else
  return reinterpret_cast<Lanes>(a > b) & (a - b);
#endif
}

// One pair of functions per scalar shape, unrolled: every position but the cursor's is a constant.
// A single shared pair reading a per-shape table (a 64-bit presence mask walked bit by bit to read,
// a run at a time entered by its count to write) keeps far less code in the instruction cache,
// but costs a dispatch per run and an indexed load per scalar: measured on the mixed traffic, a
// shared writer alone took 69 more instructions per message and was 11-13 % slower round-robin,
// 16-21 % in the hot loop. Nor do vector moves of up to 16 bytes of same-width scalars pay (a
// shuffle keyed by the lanes' presence mask to pack or unpack them, the entries from a table of
// prefix sums): a run holds three scalars on average, fewer than it takes to earn back the mask,
// the table loads and the exact tail at the encoding's end. Even built for SSSE3, that writer took
// 73 more instructions per message and 3.6 more instruction-cache misses, and was 15-18 % slower
// round-robin; the reader on top of it, 82 and 3.9 more again.
template <ScalarShape S>
struct ScalarPaths {
  // A present scalar is stored at the table's next position, which its slot entry names; an absent
  // one only gets entry 0.
  [[gnu::noinline]] static u32 out(u8* buf, u32 vt, u32 tbl, const u8* v) noexcept {
    u8* const table = buf + tbl;
    u8* const entries = buf + vt + 4;
    std::size_t at = 4;  // table-relative
    [&]<std::size_t... I>(std::index_sequence<I...>) {
      (
          [&]() __attribute__((always_inline)) {
            constexpr Step r = S.step[I];
            using U = uint_of<1u << r.width_log2>;
            const u8* src = v + r.mem;
            u8* e = entries + 2 * r.first;
#pragma GCC unroll 8
            for (u32 k = 0; k < r.count; ++k, src += sizeof(U), e += 2) {
              const U x = load_native<U>(src);
              if (x != 0) {
                const u16 entry = static_cast<u16>(at);
                std::memcpy(table + at, &x, sizeof(U));
                std::memcpy(e, &entry, 2);
                at += sizeof(U);
              } else {
                std::memset(e, 0, 2);
              }
            }
          }(),
          ...);
    }
    (std::make_index_sequence<S.n>{});
    return tbl + static_cast<u32>(at);
  }
  static constexpr u32 nchecked = S.n == 0 ? 0 : S.step[S.n - 1].first + S.step[S.n - 1].count;
  static constexpr u32 rows = (nchecked + 7) / 8;
  static constexpr EntryWidths<rows> widths = entry_widths<rows>(S, nchecked);
  // The first nchecked slot entries each leave room for their width (a present scalar: entry +
  // width <= room; another slot: entry <= room), eight at a time. A room beyond 0xFFFF counts as
  // 0xFFFF, which only sends a table with a scalar that far out to the slot rules.
  [[nodiscard, gnu::always_inline]] static bool entries_fit(const u8* entries, u32 room) noexcept {
    const Lanes limit = Lanes{} + static_cast<u16>(room < 0xFFFF ? room : 0xFFFF);
    Lanes over{};
    for (u32 c = 0; c < rows; ++c) {
      Lanes e;
      if constexpr (nchecked >= 8) {
        std::memcpy(&e, entries + 2 * std::min(8 * c, nchecked - 8), 16);
      } else {
        using Halves = u64 __attribute__((vector_size(16)));
        u64 lo = 0, hi = 0;
        if constexpr (nchecked >= 4) {
          lo = load_native<u64>(entries);
          hi = load_native<u64>(entries + 2 * (nchecked - 4));
        } else if constexpr (nchecked >= 2) {
          lo = load_native<u32>(entries) | u64{load_native<u32>(entries + 2 * (nchecked - 2))} << 32;
        } else {
          lo = load_native<u16>(entries);
        }
        e = reinterpret_cast<Lanes>(Halves{lo, hi});
      }
      Lanes w;
      std::memcpy(&w, widths.lane[c], 16);
      over |= sub_or_zero(e, sub_or_zero(limit, w));
    }
    u64 half[2];
    std::memcpy(half, &over, 16);
    return (half[0] | half[1]) == 0;
  }
  // Into a record its caller has zeroed: each scalar whose entry is non-zero, from table + entry.
  // False, having written nothing, when an entry does not fit the room.
  [[gnu::noinline]] static bool in(const u8* table, const u8* entries, u32 room, u8* out) noexcept {
    if (!entries_fit(entries, room)) return false;
    [&]<std::size_t... I>(std::index_sequence<I...>) {
      (
          [&]() __attribute__((always_inline)) {
            constexpr Step r = S.step[I];
            using U = uint_of<1u << r.width_log2>;
            const u8* e = entries + 2 * r.first;
            u8* dst = out + r.mem;
#pragma GCC unroll 8
            for (u32 k = 0; k < r.count; ++k, e += 2, dst += sizeof(U)) {
              if (const u32 o = load_native<u16>(e); o != 0) std::memcpy(dst, table + o, sizeof(U));
            }
          }(),
          ...);
    }
    (std::make_index_sequence<S.n>{});
    return true;
  }
};

template <class TO>
struct Paths {
  // A table decoded by one of the layout's two plans: every byte of the record written, a list's
  // vector left to the caller.
  [[gnu::always_inline]] static bool decode(const u8* buf, u32 t, u32 vt, u32 room, u8* out) noexcept {
    if (decode_plan<TO, TO::full_entries, TO::full_image, TO::full_runs, TO::full_checks, TO::full_s.table_at,
                    TO::full_extent>(buf, t, vt, room, out))
      return true;
    if constexpr (!TO::vector)
      return decode_plan<TO, TO::fixed_entries, TO::fixed_image, TO::fixed_runs, TO::fixed_checks, TO::fixed_s.table_at,
                         TO::fixed_extent>(buf, t, vt, room, out);
    return false;
  }
  // The compact table with every field present, its vtable at `at`; false when a scalar is zero
  // (or the vector absent), having written nothing. A list's vector is left to the caller.
  [[gnu::always_inline]] static bool encode(u8* at, const u8* v) noexcept {
    if (!scalars_nonzero<TO::zero>(v, std::make_index_sequence<TO::zero.size()>{})) return false;
    if constexpr (TO::vector) {
      u32 n;
      std::memcpy(&n, v + TO::slot[TO::n - 1].mem, 4);
      const void* items;
      std::memcpy(&items, v + TO::slot[TO::n - 1].items, sizeof items);
      if (n == 0 || items == nullptr) return false;
    }
    fill<TO::full_fill, TO::full_image>(at, std::make_index_sequence<TO::full_fill.size()>{});
    runs_out<TO::full_runs>(at + TO::full_s.table_at, v, std::make_index_sequence<TO::full_runs.size()>{});
    return true;
  }
  // A record's table that its full plan did not take: the vtable at `at`, the table behind it, then
  // the out-of-line data of its other slots in slot order (a fixed array's count and elements, a
  // nested table by its own layout's paths), all as the slot rules write them. Returns the end.
  static constexpr bool scalars_only = TO::nscalars == TO::n;
  [[gnu::always_inline]] static u8* encode_partial(u8* at, const u8* v) noexcept {
    constexpr u16 vlen = TO::table.vlen;
    if constexpr (!scalars_only) {
      return encode_others(at, v);
    } else {
      const u32 end = TO::SP::out(at, 0, vlen, v);  // entries, scalars
      const u16 table_len = static_cast<u16>(end - vlen);
      std::memcpy(at, &vlen, 2);
      std::memcpy(at + 2, &table_len, 2);
      const u32 ref = vlen;
      std::memcpy(at + vlen, &ref, 4);
      return at + end;
    }
  }
  // The same with other slots than scalars; out of line.
  [[gnu::noinline]] static u8* encode_others(u8* at, const u8* v) noexcept {
    constexpr u16 vlen = TO::table.vlen;
    constexpr u32 arrays = [] {  // out-of-line bytes the table length counts: arrays' counts and elements
      u32 b = 0;
      for (const u8 k : TO::others)
        if (TO::slot[k].kind != Kind::nested) b += 4 + u32{TO::slot[k].count} * TO::slot[k].width;
      return b;
    }();
    const u32 words = TO::SP::out(at, 0, vlen, v);  // entries, scalars; the offset words follow
    u32 cur = words + 4 * static_cast<u32>(TO::others.size());
    const u16 table_len = static_cast<u16>(cur - vlen + arrays);
    [&]<std::size_t... J>(std::index_sequence<J...>) {
      (
          [&]() __attribute__((always_inline)) {
            constexpr u8 k = TO::others[J];
            constexpr Slot s = TO::slot[k];
            const u32 word = words + 4 * J;
            const u16 entry = static_cast<u16>(word - vlen);
            std::memcpy(at + 4 + 2 * k, &entry, 2);
            if constexpr (s.kind == Kind::nested) {
              using N = member_t<slot_at<typename TO::type, k>>;
              using NP = typename TableOf<N>::P;
              const u32 target = cur + TableOf<N>::table.vlen - word;
              std::memcpy(at + word, &target, 4);
              cur = static_cast<u32>(NP::encode_nested(at + cur, v + s.mem) - at);
            } else {
              const u32 target = cur - word;
              const u32 count = s.count;
              std::memcpy(at + word, &target, 4);
              std::memcpy(at + cur, &count, 4);
              move<u32{s.count} * s.width>(at + cur + 4, v + s.mem);
              cur += 4 + u32{s.count} * s.width;
            }
          }(),
          ...);
    }
    (std::make_index_sequence<TO::others.size()>{});
    std::memcpy(at, &vlen, 2);
    std::memcpy(at + 2, &table_len, 2);
    const u32 ref = vlen;
    std::memcpy(at + vlen, &ref, 4);
    return at + cur;
  }
  // The same for decoding, once the header checks have passed and no plan took the table: every
  // byte of the record written, or false (the slot rules then decide, from a zeroed record) when a
  // field is not as they would take it without a fault, or the vtable lists fewer slots than the
  // layout. A record's other slots follow its scalars: a fixed array copied, a nested table by its
  // own layout's paths. Nothing is logged or allocated here.
  [[gnu::always_inline]] static bool decode_any(const u8* buf, u32 len, u32 t, u32 vt, u32 vlen, u8* out) noexcept {
    if (vlen < TO::table.vlen) return false;
    if constexpr (TO::vector) {  // a list (never an item) is decoded by unpack_list
      return false;
    } else if constexpr (scalars_only) {
      zero_run(out, TO::table.size);
      return TO::SP::in(buf + t, buf + vt + 4, len - t, out);
    } else {
      return decode_others(buf, len, t, vt, out);
    }
  }
  [[gnu::noinline]] static bool decode_others(const u8* buf, u32 len, u32 t, u32 vt, u8* out) noexcept {
    zero_run(out, TO::table.size);
    const u8* const entries = buf + vt + 4;
    if (!TO::SP::in(buf + t, entries, len - t, out)) return false;
    return [&]<std::size_t... J>(std::index_sequence<J...>) {
      return (true && ... && other_in<TO::others[J]>(buf, len, t, entries, out));
    }
    (std::make_index_sequence<TO::others.size()>{});
  }
  // Other slot K of a table at t: absent (entry 0, the member stays zero), or its offset word
  // inside the room and its target a fixed array of exactly its count, or a nested table whose
  // header passes the checks (codec/checks.hpp) and which its own layout's paths take.
  template <std::size_t K>
  [[gnu::always_inline]] static bool other_in(const u8* buf, u32 len, u32 t, const u8* entries, u8* out) noexcept {
    constexpr Slot s = TO::slot[K];
    const u32 o = load_native<u16>(entries + 2 * K);
    if (o == 0) return true;
    u32 q;
    if (!field_fits(o, 4, len - t) || !target_ok(t + o, load_native<u32>(buf + t + o), q)) return false;
    if constexpr (s.kind == Kind::nested) {
      using N = member_t<slot_at<typename TO::type, K>>;
      if (!table_at(q, len)) return false;
      const u32 nvt = q - load_native<u32>(buf + q);
      if (!vtable_at(nvt, len)) return false;
      const u32 nvlen = load_native<u16>(buf + nvt);
      if (!vtable_fits(nvt, nvlen, len)) return false;
      return TableOf<N>::P::decode_nested(buf, len, q, nvt, nvlen, out + s.mem);
    } else {
      if (!count_at(q, len) || load_native<u32>(buf + q) != s.count || !elements_fit(q, s.count, s.width, len))
        return false;
      move<u32{s.count} * s.width>(out + s.mem, buf + q + 4);
      return true;
    }
  }
  // List items (records: no vector): each one's offset word (at words + 4 * i), then its vtable and
  // table from cur on, whatever its zeros. Returns the position after the last item.
  static u32 encode_items(u8* buf, u32 words, u32 cur, const u8* items, u32 n) noexcept {
    u8* at = buf + words;
    u8* out = buf + cur;
    const u8* v = items;
    u32 word = static_cast<u32>(out - at) + TO::table.vlen;  // points at the item's table
    for (u32 i = 0; i < n; ++i, at += 4, v += TO::table.size) {
      u8* const end = encode(out, v) ? out + TO::table.full_len : encode_partial(out, v);
      std::memcpy(at, &word, 4);
      word += static_cast<u32>(end - out) - 4;
      out = end;
    }
    return static_cast<u32>(out - buf);
  }
  // A nested table whose header has passed its checks, by a plan or decode_any; and the same for
  // encoding. Shared by every record that holds one.
  [[gnu::noinline]] static bool decode_nested(const u8* buf, u32 len, u32 t, u32 vt, u32 vlen, u8* out) noexcept {
    return (vlen == TO::table.vlen && decode(buf, t, vt, len - t, out)) || decode_any(buf, len, t, vt, vlen, out);
  }
  [[gnu::noinline]] static u8* encode_nested(u8* at, const u8* v) noexcept {
    return encode(at, v) ? at + TO::table.full_len : encode_partial(at, v);
  }
  // List items whose offset words lie from w up to end (inside the buffer; at least one), the first
  // of them decoded into item, as long as each table passes the header checks (codec/checks.hpp)
  // and a plan or decode_any takes it. Returns the offset word of the first item that is not so, or
  // end; the caller hands that item to the slot rules.
  [[gnu::noinline]] static u32 decode_items(const u8* buf, u32 len, u32 w, u32 end, u8* item) noexcept {
    do {
      u32 t;
      if (!table_target(w, load_native<u32>(buf + w), len, t)) break;
      const u32 vt = t - load_native<u32>(buf + t);
      if (!vtable_at(vt, len)) break;
      const u32 vlen = load_native<u16>(buf + vt);
      if (!vtable_fits(vt, vlen, len)) break;
      if (vlen == TO::table.vlen && decode(buf, t, vt, len - t, item)) continue;
      if (!decode_any(buf, len, t, vt, vlen, item)) break;
    } while (item += TO::table.size, (w += 4) != end);
    return w;
  }
  // A whole message whose root table header has passed its checks (codec/decode.cpp): decoded here
  // when the table has one of the plans' layouts, else by unpack_rest.
  static u32 unpack(const u8* buf, u32 len, u8* out, const Message& m, u32 t, u32 vt) noexcept {
    static_assert(!TO::vector, "a list is unpacked by unpack_list");
    if constexpr (kNativeWire) {
      const u32 vlen = load_native<u16>(buf + vt);
      if (vlen == TO::table.vlen && decode(buf, t, vt, len - t, out)) return TO::table.size;
      return unpack_rest(buf, len, out, m, t, vt);
    }
    return unpack_slots(buf, len, out, m, t, vt);
  }
  // A table no plan took: decoded whatever its zeros, else by the slot rules.
  // Out of line, so that the plans' path calls nothing; entered by a jump (six arguments, all in
  // registers).
  [[gnu::noinline]] static u32 unpack_rest(const u8* buf, u32 len, u8* out, const Message& m, u32 t, u32 vt) noexcept {
    if (decode_any(buf, len, t, vt, load_native<u16>(buf + vt), out)) return TO::table.size;
    return unpack_slots(buf, len, out, m, t, vt);
  }
  // A whole message into a buffer of *len >= 4 bytes, byte order native: the full plan when it
  // fits and applies, else pack_rest.
  static u32 pack(const u8* v, u8* buf, u32* len, const Message& m) noexcept {
    static_assert(!TO::vector, "a list is packed by pack_list");
    if constexpr (kNativeWire) {
      constexpr u32 size = 4 + TO::table.full_len;
      if (*len >= size && encode(buf + 4, v)) {
        const u32 root = 4 + TO::table.vlen;
        std::memcpy(buf, &root, 4);
        *len = size;
        return 0;
      }
      return pack_rest(v, buf, len, m);
    }
    return pack_slots(v, buf, len, m);
  }
  // A record with a zero scalar, when the buffer holds the largest encoding; else the slot rules.
  [[gnu::noinline]] static u32 pack_rest(const u8* v, u8* buf, u32* len, const Message& m) noexcept {
    constexpr u32 size = 4 + TO::table.full_len;
    if (*len < size) return pack_slots(v, buf, len, m);
    const u32 root = 4 + TO::table.vlen;
    std::memcpy(buf, &root, 4);
    *len = static_cast<u32>(encode_partial(buf + 4, v) - buf);
    return 0;
  }
  // The fixed layout, L bytes at buf.
  [[gnu::always_inline]] static void fixed_one(u8* buf, const u8* v) noexcept {
    fill<TO::fixed_fill, TO::fixed_image>(buf, std::make_index_sequence<TO::fixed_fill.size()>{});
    runs_out<TO::fixed_runs>(buf + TO::fixed_s.table_at, v, std::make_index_sequence<TO::fixed_runs.size()>{});
  }
  // The same, out of line: the table's fixed_one.
  static void single(u8* buf, const u8* v) noexcept { fixed_one(buf, v); }
  // The fixed layouts of count structures from v, back to back from buf.
  static void fixed(u8* buf, const u8* v, u32 count) noexcept {
    for (u32 k = 0; k < count; ++k, buf += TO::table.fixed_len, v += TO::table.size) fixed_one(buf, v);
  }
};

}  // namespace kav::detail::fast
