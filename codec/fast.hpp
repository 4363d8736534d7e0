// The constant-position paths of one layout, unrolled from its plans at compile time: a few moves
// of constant size each, no loop and no dispatch. They do exactly what the shared engine does with
// the same plans (codec/decode.cpp, encode.cpp, fixed.cpp), only in fewer instructions; the shared
// engine calls them through the layout's table, so no message has code of its own.
#pragma once

#include <cstring>

#include "codec/layout.hpp"
#include "codec/wire.hpp"

namespace kav::detail::fast {

template <const auto& Runs, std::size_t... I>
[[gnu::always_inline]] inline void runs_in([[maybe_unused]] u8* out, [[maybe_unused]] const u8* table,
                                           std::index_sequence<I...>) noexcept {
  (std::memcpy(out + Runs[I].mem, table + Runs[I].wire, Runs[I].len), ...);
}
template <const auto& Runs, std::size_t... I>
[[gnu::always_inline]] inline void runs_out([[maybe_unused]] u8* table, [[maybe_unused]] const u8* v,
                                            std::index_sequence<I...>) noexcept {
  (std::memcpy(table + Runs[I].wire, v + Runs[I].mem, Runs[I].len), ...);
}
template <const auto& Fill, const auto& Image, std::size_t... I>
[[gnu::always_inline]] inline void fill([[maybe_unused]] u8* at, std::index_sequence<I...>) noexcept {
  (std::memcpy(at + Fill[I].pos, Image.data() + Fill[I].pos, Fill[I].len), ...);
}
template <const auto& Checks, const auto& Image, u32 TableAt, std::size_t... I>
[[nodiscard, gnu::always_inline]] inline bool checks_hold([[maybe_unused]] const u8* table,
                                                          std::index_sequence<I...>) noexcept {
  return (true && ... &&
          (std::memcmp(table + Checks[I].pos, Image.data() + TableAt + Checks[I].pos, Checks[I].len) == 0));
}

// The decoding side of a plan: the vtable's entries, room for the extent, the structural bytes in
// place; then the runs. False, having written nothing, when the table is not laid out so.
template <const auto& Entries, const auto& Image, const auto& Runs, const auto& Checks, u32 TableAt, u32 Extent>
[[nodiscard, gnu::always_inline]] inline bool decode_plan(const u8* buf, u32 t, u32 vt, u32 room, u8* out) noexcept {
  if (room < Extent || std::memcmp(buf + vt + 4, Entries.data(), sizeof Entries) != 0) return false;
  if (!checks_hold<Checks, Image, TableAt>(buf + t, std::make_index_sequence<Checks.size()>{})) return false;
  runs_in<Runs>(out, buf + t, std::make_index_sequence<Runs.size()>{});
  return true;
}

// Every scalar non-zero (eight bytes of same-width scalars at a time) and the vector present.
template <const auto& Zero, std::size_t... I>
[[nodiscard, gnu::always_inline]] inline bool scalars_nonzero(const u8* v, std::index_sequence<I...>) noexcept {
  return (u64{0} | ... | zero_lanes(load_native<u64>(v + Zero[I].mem) | Zero[I].ignore, Zero[I].width_log2)) == 0;
}

template <class TO>
struct Paths {
  // A table decoded by one of the layout's two plans.
  static bool decode(const u8* buf, u32 t, u32 vt, u32 room, u8* out) noexcept {
    if (decode_plan<TO::full_entries, TO::full_image, TO::full_runs, TO::full_checks, TO::full_s.table_at,
                    TO::full_extent>(buf, t, vt, room, out))
      return true;
    if constexpr (!TO::vector)
      return decode_plan<TO::fixed_entries, TO::fixed_image, TO::fixed_runs, TO::fixed_checks, TO::fixed_s.table_at,
                         TO::fixed_extent>(buf, t, vt, room, out);
    return false;
  }
  // The compact table with every field present, its vtable at `at`; false when a scalar is zero
  // (or the vector absent), having written nothing. A list's vector is left to the caller.
  static bool encode(u8* at, const u8* v) noexcept {
    if (!scalars_nonzero<TO::zero>(v, std::make_index_sequence<TO::zero.size()>{})) return false;
    if constexpr (TO::vector) {
      u32 n;
      std::memcpy(&n, v + TO::slot[TO::n - 1].mem, 4);
      const void* items;
      std::memcpy(&items, v + TO::slot[TO::n - 1].count, sizeof items);
      if (n == 0 || items == nullptr) return false;
    }
    fill<TO::full_fill, TO::full_image>(at, std::make_index_sequence<TO::full_fill.size()>{});
    runs_out<TO::full_runs>(at + TO::full_s.table_at, v, std::make_index_sequence<TO::full_runs.size()>{});
    return true;
  }
  // The fixed layout, L bytes at buf.
  static void fixed(u8* buf, const u8* v) noexcept {
    fill<TO::fixed_fill, TO::fixed_image>(buf, std::make_index_sequence<TO::fixed_fill.size()>{});
    runs_out<TO::fixed_runs>(buf + TO::fixed_s.table_at, v, std::make_index_sequence<TO::fixed_runs.size()>{});
  }
};

}  // namespace kav::detail::fast
