// Little-endian loads and stores at any alignment, byte-reversed when the unit's swap flag is set.
#pragma once

#include <bit>
#include <concepts>
#include <cstring>

#include "runtime/runtime.hpp"

namespace kav::detail {

template <std::unsigned_integral U>
[[nodiscard, gnu::always_inline]] constexpr U byte_swap(U v) noexcept {
  if constexpr (sizeof(U) == 1) return v;
  else if constexpr (sizeof(U) == 2) return __builtin_bswap16(v);
  else if constexpr (sizeof(U) == 4) return __builtin_bswap32(v);
  else return __builtin_bswap64(v);
}

// Buffers are little-endian whatever the host; the swap flag reverses on top of that.
template <std::unsigned_integral U>
[[nodiscard]] constexpr U from_wire(U v, bool swap) noexcept {
  if constexpr (std::endian::native == std::endian::big) v = byte_swap(v);
  return swap ? byte_swap(v) : v;
}

template <std::unsigned_integral U>
[[nodiscard, gnu::always_inline]] inline U load_le(const u8* p, bool swap) noexcept {
  U v;
  std::memcpy(&v, p, sizeof v);
  return from_wire(v, swap);
}

template <std::unsigned_integral U>
[[gnu::always_inline]] inline void store_le(u8* p, U v, bool swap) noexcept {
  v = from_wire(v, swap);  // the conversion is its own inverse
  std::memcpy(p, &v, sizeof v);
}

}  // namespace kav::detail
