// Fixed encoding for sending: every field present at a constant offset, table first and vtable
// behind it, padded to the fixed length L.
#pragma once

#include "codec/tables.hpp"

namespace kav::detail {

// Writes the fixed encoding of v (t.fixed_len bytes) into buf. Cannot fail.
void fixed_encode(const Table& t, u8* buf, const u8* v, bool swap) noexcept;

template <class T>
void fixed_encode(u8* buf, const T& v, bool swap) noexcept {
  fixed_encode(table_of<T>, buf, reinterpret_cast<const u8*>(&v), swap);
}

}  // namespace kav::detail
