// The send functions: encode, describe each encoding by a MeshMsgBuf, one call into the messaging
// library, release the working memory.
#include "mesh/send.hpp"

#include "codec/encode.hpp"
#include "codec/fixed.hpp"
#include "mesh/varelmesh.h"

namespace kav::detail {
namespace {

[[gnu::always_inline]] inline u32 deliver(u32 dest, MeshMsgBuf* entries, u32 count, u64 to) noexcept {
  return to != 0 ? MESH_SendToMsg(dest, entries, count, to) : MESH_SendMsg(dest, entries, count);
}

// A compact encoding's size as the send path sees it: 0 for no message or one beyond 32 bits.
[[nodiscard]] u32 send_size(const Table& t, const u8* msg) noexcept {
  if (msg == nullptr) return 0;
  const u64 size = compact_size(t, msg);
  return size > 0xFFFFFFFFu ? 0 : static_cast<u32>(size);
}

}  // namespace

u32 send_fixed_one(u32 dest, const u8* msg, u64 to, const Message& m) noexcept {
  if (msg == nullptr) return kFail;
  struct {
    MeshMsgBuf entry;
    alignas(8) u8 area[kSingleArea];
  } s;
  // Before the encoding, so fewer values live across it; id and length side by side in both.
  static_assert(offsetof(Message, fixed_len) == offsetof(Message, id) + 4 &&
                offsetof(MeshMsgBuf, length) == offsetof(MeshMsgBuf, msgId) + 4);
  s.entry.data = s.area;
  std::memcpy(&s.entry.msgId, &m.id, 8);
  encode_fixed_batch(*m.table, s.area, msg, 1, m.send_unit);
  return deliver(dest, &s.entry, 1, to);
}

u32 send_variable_one(u32 dest, const u8* msg, u64 to, const Message& m) noexcept {
  const u32 size = send_size(*m.table, msg);
  if (size == 0) return kFail;
  auto* area = static_cast<u8*>(general_alloc(m.send_unit, size, m.sendsingle_name));
  if (area == nullptr) return kFail;
  bind_cache(m.send_unit);
  write_message(*m.table, area, msg, swap_flag(m.send_unit));
  MeshMsgBuf entry{area, m.id, size};
  const u32 result = deliver(dest, &entry, 1, to);
  general_release(m.send_unit, area, m.sendsingle_name);
  return result;
}

namespace {

// count encodings of L bytes back to back, then count entries: one allocation of count * (L + 16).
[[gnu::noinline]] u32 send_fixed_batch(u32 dest, const u8* msgs, u32 count, u64 to, const Message& m) noexcept {
  const Table& t = *m.table;
  const u32 L = t.fixed_len;
  const u64 bytes = u64{count} * (L + sizeof(MeshMsgBuf));
  if (bytes > 0xFFFFFFFFu) return kFail;  // refused, never allocated short
  if (msgs == nullptr && count != 0) return kFail;
  auto* area = static_cast<u8*>(general_alloc(m.send_unit, static_cast<u32>(bytes), m.sendbatch_name));
  if (area == nullptr) return kFail;
  encode_fixed_batch(t, area, msgs, count, m.send_unit);
  auto* entries = reinterpret_cast<MeshMsgBuf*>(area + u64{count} * L);  // 8-aligned: L is a multiple of 8
  for (u32 k = 0; k < count; ++k) entries[k] = MeshMsgBuf{area + u64{k} * L, m.id, L};
  const u32 result = deliver(dest, entries, count, to);
  general_release(m.send_unit, area, m.sendbatch_name);
  return result;
}

// Encodings back to back in the first 64 KiB (no alignment between them), entries behind it.
[[gnu::noinline]] u32 send_variable_batch(u32 dest, const u8* msgs, u32 count, u64 to, const Message& m) noexcept {
  const Table& t = *m.table;
  const u64 bytes = u64{count} * sizeof(MeshMsgBuf) + kVariableArea;
  if (bytes > 0xFFFFFFFFu) return kFail;
  if (msgs == nullptr && count != 0) return kFail;
  auto* area = static_cast<u8*>(general_alloc(m.send_unit, static_cast<u32>(bytes), m.sendbatch_name));
  if (area == nullptr) return kFail;
  bind_cache(m.send_unit);
  const bool swap = swap_flag(m.send_unit);
  auto* entries = reinterpret_cast<MeshMsgBuf*>(area + kVariableArea);
  u32 used = 0;
  for (u32 k = 0; k < count; ++k) {
    const u8* msg = msgs + u64{k} * t.size;
    const u32 size = used >= kVariableArea ? 0 : send_size(t, msg);
    if (size == 0 || size > kVariableArea - used) {  // nothing has been sent
      general_release(m.send_unit, area, m.sendbatch_name);
      return kFail;
    }
    write_message(t, area + used, msg, swap);
    entries[k] = MeshMsgBuf{area + used, m.id, size};
    used += size;
  }
  const u32 result = deliver(dest, entries, count, to);
  general_release(m.send_unit, area, m.sendbatch_name);
  return result;
}

}  // namespace

u32 send_batch(u32 dest, const void* msgs, u32 count, u64 to, const Message& m) noexcept {
  const auto* v = static_cast<const u8*>(msgs);
  return m.table->has_vector ? send_variable_batch(dest, v, count, to, m) : send_fixed_batch(dest, v, count, to, m);
}

u32 send_to(u32 dest, const void* msgs, u32 count, u64 to, const Message& m) noexcept {
  if (count == 0) return kFail;
  if (count != 1) return send_batch(dest, msgs, count, to, m);
  return send_single(dest, msgs, to, m);
}

}  // namespace kav::detail
