// The four send functions in their two shapes, shared by every message. Fixed messages encode into
// a stack area (one message) or one allocation (a batch); list messages use the compact size and
// writer. Every path makes at most one call into the messaging library.
#pragma once

#include "codec/layout.hpp"

namespace kav::detail {

inline constexpr u32 kSingleArea = 1024;
inline constexpr u32 kVariableArea = 65536;

// One message of a fixed layout, or of a list, to the target when it is non-zero.
u32 send_fixed_one(u32 dest, const u8* msg, u64 to, const Message& m) noexcept;
u32 send_variable_one(u32 dest, const u8* msg, u64 to, const Message& m) noexcept;

// __sendsingle (a constant m picks its path at compile time).
[[gnu::always_inline]] inline u32 send_single(u32 dest, const void* msg, u64 to, const Message& m) noexcept {
  const auto* v = static_cast<const u8*>(msg);
  return m.table->has_vector ? send_variable_one(dest, v, to, m) : send_fixed_one(dest, v, to, m);
}
// __sendbatch: count messages in one library call.
u32 send_batch(u32 dest, const void* msgs, u32 count, u64 to, const Message& m) noexcept;
// __sendtomsg, and __sendmsg with no target: count 0 is refused, 1 goes out singly, more as a batch.
u32 send_to(u32 dest, const void* msgs, u32 count, u64 to, const Message& m) noexcept;

}  // namespace kav::detail
