// Unpacking: the table decoder every record shares, the two root forms and the free body, all read
// from the layout tables. Field decoding runs in slot order and stops at the first field that fails.
#pragma once

#include "codec/checks.hpp"
#include "codec/layout.hpp"
#include "codec/wire.hpp"

namespace kav::detail {

// A table that passed its header checks. `room` is len - t: what the table may use.
struct TableRef {
  u32 t;
  u32 vt;
  u32 vlen;
  u32 room;
};

// The message's __unpack: returns the structure's size on every path.
u32 unpack(const u8* buf, u32 len, void* out, const Message& m) noexcept;
// A list's _free__unpacked: releases its item array (a record's calls nothing, messages/codec_exports.cpp).
void free_unpacked(void* msg, const Message& m) noexcept;

}  // namespace kav::detail
