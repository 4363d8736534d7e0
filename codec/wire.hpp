// Little-endian loads and stores at any alignment, byte-reversed when the unit's swap flag is set,
// and the few byte-block moves the engine's constant-position paths are made of.
#pragma once

#include <bit>
#include <concepts>
#include <cstring>

#include "runtime/runtime.hpp"

namespace kav::detail {

template <std::unsigned_integral U>
[[nodiscard, gnu::always_inline]] constexpr U byte_swap(U v) noexcept {
  if constexpr (sizeof(U) == 1)
    return v;
  else if constexpr (sizeof(U) == 2)
    return __builtin_bswap16(v);
  else if constexpr (sizeof(U) == 4)
    return __builtin_bswap32(v);
  else
    return __builtin_bswap64(v);
}

// Buffers are little-endian whatever the host; the swap flag reverses on top of that.
template <std::unsigned_integral U>
[[nodiscard, gnu::always_inline]] constexpr U from_wire(U v, bool swap) noexcept {
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

template <std::unsigned_integral U>
[[nodiscard, gnu::always_inline]] inline U load_native(const u8* p) noexcept {
  U v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// The byte-block moves below copy a run of bytes exactly as it lies; the constant-position paths
// use them only where the buffer's byte order is the host's (little-endian, swap flag clear).
inline constexpr bool kNativeWire = std::endian::native == std::endian::little;

// Copies n >= 1 bytes with two overlapping loads and stores per size class: no call, few branches.
[[gnu::always_inline]] inline void copy_run(u8* dst, const u8* src, u32 n) noexcept {
  if (n >= 16) {
    for (u32 i = 0; i + 16 < n; i += 16) std::memcpy(dst + i, src + i, 16);
    std::memcpy(dst + n - 16, src + n - 16, 16);
  } else if (n >= 8) {
    const u64 a = load_native<u64>(src), b = load_native<u64>(src + n - 8);
    std::memcpy(dst, &a, 8);
    std::memcpy(dst + n - 8, &b, 8);
  } else if (n >= 4) {
    const u32 a = load_native<u32>(src), b = load_native<u32>(src + n - 4);
    std::memcpy(dst, &a, 4);
    std::memcpy(dst + n - 4, &b, 4);
  } else if (n >= 2) {
    const u16 a = load_native<u16>(src), b = load_native<u16>(src + n - 2);
    std::memcpy(dst, &a, 2);
    std::memcpy(dst + n - 2, &b, 2);
  } else {
    *dst = *src;
  }
}

// Zeroes n >= 4 bytes (structure sizes are multiples of 4), sixteen at a time.
[[gnu::always_inline]] inline void zero_run(u8* dst, u32 n) noexcept {
  static constexpr u8 kZeros[16] = {};
  if (n >= 16) {
    for (u32 i = 0; i + 16 < n; i += 16) std::memcpy(dst + i, kZeros, 16);
    std::memcpy(dst + n - 16, kZeros, 16);
  } else if (n >= 8) {
    std::memcpy(dst, kZeros, 8);
    std::memcpy(dst + n - 8, kZeros, 8);
  } else {
    std::memcpy(dst, kZeros, 4);
    std::memcpy(dst + n - 4, kZeros, 4);
  }
}

// The n >= 2 bytes at a equal those at b; words compared with xor and or, one branch at the end.
[[nodiscard, gnu::always_inline]] inline bool equal_bytes(const u8* a, const u8* b, u32 n) noexcept {
  if (n >= 8) {
    u64 diff = 0;
    for (u32 i = 0; i + 8 < n; i += 8) diff |= load_native<u64>(a + i) ^ load_native<u64>(b + i);
    return (diff | (load_native<u64>(a + n - 8) ^ load_native<u64>(b + n - 8))) == 0;
  }
  if (n >= 4)
    return ((load_native<u32>(a) ^ load_native<u32>(b)) |
            (load_native<u32>(a + n - 4) ^ load_native<u32>(b + n - 4))) == 0;
  return ((load_native<u16>(a) ^ load_native<u16>(b)) | (load_native<u16>(a + n - 2) ^ load_native<u16>(b + n - 2))) ==
         0;
}

// Non-zero exactly when some lane of 2^width_log2 bytes of x is zero (exact for "any": a borrow
// only spreads upwards from a lane that is itself zero). Independent of byte order.
[[nodiscard, gnu::always_inline]] inline u64 zero_lanes(u64 x, u32 width_log2) noexcept {
  static constexpr u64 kLow[4] = {0x0101010101010101u, 0x0001000100010001u, 0x0000000100000001u, 1};
  static constexpr u64 kHigh[4] = {0x8080808080808080u, 0x8000800080008000u, 0x8000000080000000u, 0x8000000000000000u};
  return (x - kLow[width_log2]) & ~x & kHigh[width_log2];
}

}  // namespace kav::detail
