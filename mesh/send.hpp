// The four send functions in their two shapes. Fixed messages encode into a stack area (one
// message) or one allocation (a batch); messages with a vector use the compact size and pack
// body. Every path makes at most one call into the messaging library.
#pragma once

#include "codec/encode.hpp"
#include "codec/fixed.hpp"
#include "mesh/varelmesh.h"

namespace kav::detail {

inline constexpr u32 kSingleArea = 1024;
inline constexpr u32 kVariableArea = 65536;

[[gnu::always_inline]] inline u32 deliver(u32 dest, MeshMsgBuf* entries, u32 count, u64 to) noexcept {
  return to != 0 ? MESH_SendToMsg(dest, entries, count, to) : MESH_SendMsg(dest, entries, count);
}

template <class M>
inline constexpr bool is_fixed = !has_vector<typename M::type>;

// A compact encoding's size as the send path sees it: 0 for no message or one beyond 32 bits.
template <class M>
[[nodiscard]] u32 send_size(const typename M::type* msg) noexcept {
  if (msg == nullptr) return 0;
  const u64 size = compact_size(*msg);
  return size > 0xFFFFFFFFu ? 0 : static_cast<u32>(size);
}

template <class M>
u32 send_fixed_one(u32 dest, const typename M::type* msg, u64 to) noexcept {
  using T = typename M::type;
  static_assert(fixed_length<T> <= kSingleArea, "a fixed encoding fits the stack area");
  if (msg == nullptr) return kFail;
  alignas(8) u8 area[kSingleArea];
  bind_cache(M::send_unit);
  fixed_encode(area, *msg, swap_flag(M::send_unit));
  MeshMsgBuf entry{area, M::id, fixed_length<T>};
  return deliver(dest, &entry, 1, to);
}

template <class M>
u32 send_variable_one(u32 dest, const typename M::type* msg, u64 to) noexcept {
  constexpr Unit U = M::send_unit;
  const u32 size = send_size<M>(msg);
  if (size == 0) return kFail;
  auto* area = static_cast<u8*>(general_alloc(U, size, M::sendsingle_name));
  if (area == nullptr) return kFail;
  bind_cache(U);
  write_message(area, *msg, swap_flag(U));
  MeshMsgBuf entry{area, M::id, size};
  const u32 result = deliver(dest, &entry, 1, to);
  general_release(U, area, M::sendsingle_name);
  return result;
}

template <class M>
u32 sendsingle(u32 dest, const typename M::type* msg, u64 to) noexcept {
  if constexpr (is_fixed<M>) {
    return send_fixed_one<M>(dest, msg, to);
  } else {
    return send_variable_one<M>(dest, msg, to);
  }
}

// count encodings of L bytes back to back, then count entries: one allocation of count * (L + 16).
template <class M>
u32 sendbatch_fixed(u32 dest, const typename M::type* msgs, u32 count, u64 to) noexcept {
  using T = typename M::type;
  constexpr Unit U = M::send_unit;
  constexpr u32 L = fixed_length<T>;
  static_assert(L % 8 == 0, "entries behind the encodings stay 8-aligned");
  const u64 bytes = u64{count} * (L + sizeof(MeshMsgBuf));
  if (bytes > 0xFFFFFFFFu) return kFail;  // refused, never allocated short
  if (msgs == nullptr && count != 0) return kFail;
  auto* area = static_cast<u8*>(general_alloc(U, static_cast<u32>(bytes), M::sendbatch_name));
  if (area == nullptr) return kFail;
  bind_cache(U);
  const bool swap = swap_flag(U);
  auto* entries = reinterpret_cast<MeshMsgBuf*>(area + u64{count} * L);
  for (u32 k = 0; k < count; ++k) {
    u8* at = area + u64{k} * L;
    fixed_encode(at, msgs[k], swap);
    entries[k] = MeshMsgBuf{at, M::id, L};
  }
  const u32 result = deliver(dest, entries, count, to);
  general_release(U, area, M::sendbatch_name);
  return result;
}

// Encodings back to back in the first 64 KiB (no alignment between them), entries behind it.
template <class M>
u32 sendbatch_variable(u32 dest, const typename M::type* msgs, u32 count, u64 to) noexcept {
  constexpr Unit U = M::send_unit;
  const u64 bytes = u64{count} * sizeof(MeshMsgBuf) + kVariableArea;
  if (bytes > 0xFFFFFFFFu) return kFail;
  if (msgs == nullptr && count != 0) return kFail;
  auto* area = static_cast<u8*>(general_alloc(U, static_cast<u32>(bytes), M::sendbatch_name));
  if (area == nullptr) return kFail;
  bind_cache(U);
  const bool swap = swap_flag(U);
  auto* entries = reinterpret_cast<MeshMsgBuf*>(area + kVariableArea);
  u32 used = 0;
  for (u32 k = 0; k < count; ++k) {
    const u32 size = used >= kVariableArea ? 0 : send_size<M>(&msgs[k]);
    if (size == 0 || size > kVariableArea - used) {  // nothing has been sent
      general_release(U, area, M::sendbatch_name);
      return kFail;
    }
    write_message(area + used, msgs[k], swap);
    entries[k] = MeshMsgBuf{area + used, M::id, size};
    used += size;
  }
  const u32 result = deliver(dest, entries, count, to);
  general_release(U, area, M::sendbatch_name);
  return result;
}

template <class M>
u32 sendbatch(u32 dest, const typename M::type* msgs, u32 count, u64 to) noexcept {
  if constexpr (is_fixed<M>) {
    return sendbatch_fixed<M>(dest, msgs, count, to);
  } else {
    return sendbatch_variable<M>(dest, msgs, count, to);
  }
}

// __sendtomsg; __sendmsg is the same with no target. Count 0 is refused, 1 goes out as a single
// message, more as one batch.
template <class M>
u32 sendtomsg(u32 dest, const typename M::type* msgs, u32 count, u64 to) noexcept {
  if (count == 0) return kFail;
  if (count != 1) return sendbatch<M>(dest, msgs, count, to);
  return sendsingle<M>(dest, msgs, to);
}

}  // namespace kav::detail
