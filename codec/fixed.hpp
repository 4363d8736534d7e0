// Fixed encoding for sending: every field present at a constant offset, table first and vtable
// behind it, padded to the fixed length L.
#pragma once

#include "codec/tables.hpp"

namespace kav::detail {

// Writes the fixed encodings of count structures from v into buf, t.fixed_len bytes each, back
// to back; bytes reversed when the unit's swap flag is set. Binds the unit's cache first (which
// settles that flag). Cannot fail.
void fixed_encode_slow(const Table& t, u8* buf, const u8* v, u32 count, Unit u) noexcept;
[[gnu::always_inline]] inline void fixed_encode(const Table& t, u8* buf, const u8* v, u32 count, Unit u) noexcept {
  if (!kNativeWire || !cache_ready(u)) [[unlikely]]
    return fixed_encode_slow(t, buf, v, count, u);
  if (count == 1)  // a constant at the single send: one direct call, no loop
    t.fixed_one(buf, v);
  else
    t.fixed_fast(buf, v, count);
}

// One structure, bytes reversed with `swap`.
void fixed_encode(const Table& t, u8* buf, const u8* v, bool swap) noexcept;
template <class T>
void fixed_encode(u8* buf, const T& v, bool swap) noexcept {
  if (swap || !kNativeWire)
    fixed_encode(table_of<T>, buf, reinterpret_cast<const u8*>(&v), swap);
  else
    fast::Paths<TableOf<T>>::fixed_one(buf, reinterpret_cast<const u8*>(&v));
}

}  // namespace kav::detail
