// Compact encoding: the exact size computed from the structure, then one writing pass. Zero
// scalars and empty vectors are left out; fixed arrays and nested tables are always written.
#pragma once

#include "codec/tables.hpp"
#include "codec/wire.hpp"

namespace kav::detail {

inline constexpr u32 kFail = 0xFFFFFFFFu;

// Encoded size of a whole message: root offset word and root table. More than 32 bits only for
// vectors of very many records; callers refuse that.
[[nodiscard]] u64 compact_size(const Table& t, const u8* v) noexcept;
// Writes the compact encoding of v into buf, byte-reversed with `swap`; returns its size.
u32 write_message(const Table& t, u8* buf, const u8* v, bool swap) noexcept;
// The message's __pack.
u32 pack(const void* msg, u8* buf, u32* len, const Message& m) noexcept;

template <class T>
[[nodiscard]] u64 compact_size(const T& v) noexcept {
  return compact_size(table_of<T>, reinterpret_cast<const u8*>(&v));
}

}  // namespace kav::detail
