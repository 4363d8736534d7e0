// The buffer's validity checks: each one a predicate on u32 positions with its wrap test spelled out.
// A reader reads a byte only after the check that covers it has passed.
#pragma once

#include "runtime/runtime.hpp"

namespace kav::detail {

// The buffer and the output exist, and the length taken as signed is at least 4 (so it is
// below 2^31, and sums of two positions cannot wrap).
[[nodiscard]] constexpr bool buffer_ok(const void* buf, u32 len, const void* out) noexcept {
  return buf != nullptr && out != nullptr && static_cast<i32>(len) >= 4;
}

// A table starts after the root offset word and leaves room for its vtable reference.
[[nodiscard]] constexpr bool table_at(u32 t, u32 len) noexcept { return t >= 4 && t <= len - 4; }

// A vtable (found by wrap-around subtraction) starts inside the buffer the same way.
[[nodiscard]] constexpr bool vtable_at(u32 v, u32 len) noexcept { return v >= 4 && v <= len - 4; }

// The whole vtable lies inside the buffer, and its end did not wrap.
[[nodiscard]] constexpr bool vtable_fits(u32 v, u32 vlen, u32 len) noexcept {
  const u32 end = v + vlen;
  return end >= v && end <= len;
}

// A field of `width` bytes at table offset `o` ends inside the buffer. `room` is len - t, at
// least 4 for a valid table; o is at most 65535, so nothing wraps.
[[nodiscard]] constexpr bool field_fits(u32 o, u32 width, u32 room) noexcept { return o + width <= room; }

// The target of an offset word at p did not wrap below the word.
[[nodiscard]] constexpr bool target_ok(u32 p, u32 value, u32& q) noexcept {
  q = p + value;
  return q >= p;
}

// The offset word at w, of the given value, names a table inside the buffer: target_ok and
// table_at at once, summed in 64 bits so that a wrap shows as a position beyond the buffer.
[[nodiscard]] constexpr bool table_target(u32 w, u32 value, u32 len, u32& t) noexcept {
  const u64 q = u64{w} + value;
  t = static_cast<u32>(q);
  return q >= 4 && q <= len - 4;
}

// A count word at q lies inside the buffer.
[[nodiscard]] constexpr bool count_at(u32 q, u32 len) noexcept {
  return q <= len && q + 4 <= len;  // q <= len < 2^31: q + 4 cannot wrap
}

// `count` elements of `size` bytes behind the count word at q end inside the buffer. The count
// is bounded before it is multiplied, so the product fits 32 bits; the end must not wrap.
[[nodiscard]] constexpr bool elements_fit(u32 q, u32 count, u32 size, u32 len) noexcept {
  if (size == 4 && (count >> 30) != 0) return false;
  if (size == 2 && static_cast<i32>(count) < 0) return false;
  const u32 end = q + 4 + count * size;
  return end >= q + 4 && end <= len;
}

}  // namespace kav::detail
