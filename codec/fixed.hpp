// Fixed encoding for sending: every field present at a constant offset, table first and vtable
// behind it, padded to the fixed length L.
#pragma once

#include "codec/tables.hpp"

namespace kav::detail {

// The send path: the fixed encodings of count structures from v into buf, t.fixed_len bytes each,
// back to back, in the byte order of unit u (bytes reversed when its swap flag is set). Binds the
// unit's cache first, which settles that flag. Cannot fail.
void encode_fixed_batch_slow(const Table& t, u8* buf, const u8* v, u32 count, Unit u) noexcept;
[[gnu::always_inline]] inline void encode_fixed_batch(const Table& t, u8* buf, const u8* v, u32 count,
                                                      Unit u) noexcept {
  if (!kNativeWire || !cache_ready(u)) [[unlikely]]
    return encode_fixed_batch_slow(t, buf, v, count, u);
  if (count == 1)  // a constant at the single send: one direct call, no loop
    t.fixed_one(buf, v);
  else
    t.fixed_fast(buf, v, count);
}

// One structure, bytes reversed with `swap`.
void encode_fixed_one(const Table& t, u8* buf, const u8* v, bool swap) noexcept;
// The same for a structure of C type T, through its layout's inline path when no bytes are reversed.
template <class T>
void encode_fixed(u8* buf, const T& v, bool swap) noexcept {
  if (swap || !kNativeWire)
    encode_fixed_one(table_of<T>, buf, reinterpret_cast<const u8*>(&v), swap);
  else
    fast::Paths<TableOf<T>>::fixed_one(buf, reinterpret_cast<const u8*>(&v));
}

}  // namespace kav::detail
