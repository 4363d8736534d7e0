// The compact encoder. Rules first: the size of a table, then the table written slot by slot. The
// fast path (every scalar non-zero, so every position is a constant) sits beside the writer.
#include "codec/encode.hpp"

#include "codec/tables.hpp"
#include "codec/writer.hpp"

namespace kav::detail {
namespace {

[[nodiscard, gnu::always_inline]] inline u32 vector_count(const Slot& s, const u8* v) noexcept {
  return load_native<u32>(v + s.mem);
}
[[nodiscard, gnu::always_inline]] inline const u8* vector_items(const Slot& s, const u8* v) noexcept {
  const u8* items;
  std::memcpy(&items, v + s.items, sizeof items);
  return items;
}
// A vector is left out when its count is 0 or its pointer null.
[[nodiscard, gnu::always_inline]] inline bool vector_present(const Slot& s, const u8* v) noexcept {
  return vector_count(s, v) != 0 && vector_items(s, v) != nullptr;
}

// Every scalar of a record non-zero: its table then has the constant layout of its full plan.
// (List items are records: no nested tables, no vectors.)
[[nodiscard]] bool item_full(const Table& t, const u8* v) noexcept {
  for (u32 i = 0, n = t.nsteps; i < n; ++i) {
    const Step s = t.steps[i];
    const u32 w = 1u << s.width_log2;
    for (u32 j = 0; j < s.count; ++j)
      if (scalar_at(v + s.mem + j * w, w) == 0) return false;
  }
  return true;
}

// Vtable, vtable reference, present fields and everything the table refers to.
u64 table_size(const Table& t, const u8* v) noexcept {
  u64 total = t.vlen + 4u;
  const Slot* const slots = t.slot;
  for (u32 i = 0, n = t.nsteps; i < n; ++i) {
    const Step s = t.steps[i];
    const u32 w = 1u << s.width_log2;
    for (u32 j = 0; j < s.count; ++j) total += scalar_at(v + s.mem + j * w, w) != 0 ? w : 0u;
  }
  for (u32 i = 0, n = t.nothers; i < n; ++i) {
    const Slot& s = slots[t.others[i]];
    if (s.kind == Kind::nested) {
      total += 4 + table_size(*s.sub, v + s.mem);
    } else if (s.kind != Kind::vector) {
      total += 8 + u32{s.count} * s.width;
    } else if (vector_present(s, v)) {
      const u32 count = vector_count(s, v);
      const u8* item = vector_items(s, v);
      total += 8 + u64{4} * count;
      for (u32 j = 0; j < count; ++j, item += s.sub->size)
        total += item_full(*s.sub, item) ? s.sub->max_size : table_size(*s.sub, item);
    }
  }
  return total;
}

template <bool Swap>
u32 write_table(const Table& t, Writer<Swap> w, u32 pos, const u8* v) noexcept;
template <bool Swap>
u32 write_slots(const Table& t, Writer<Swap> w, u32 pos, const u8* v) noexcept;

// A vector's count, its element offset words, then each element's vtable and table.
template <bool Swap>
u32 write_items(const Table& list, const Slot& s, const Writer<Swap> w, u32 cur, const u8* v) noexcept {
  const Table& item = *s.sub;
  const u32 n = vector_count(s, v);
  const u8* items = vector_items(s, v);
  w.put(cur, n);
  const u32 words = cur + 4;
  cur = words + 4 * n;
  if constexpr (!Swap && kNativeWire) {  // every item by its layout's path (codec/fast.hpp)
    return list.encode_items(w.buf, words, cur, items, n);
  } else {
    for (u32 i = 0; i < n; ++i) {
      const u32 at = words + 4 * i;
      w.put(at, cur + item.vlen - at);  // points at the item's table, behind its vtable
      cur = write_slots(item, w, cur, items + u64{i} * item.size);
    }
    return cur;
  }
}

// Fast path: with every scalar present, the vtable, the offset words, the counts and the nested
// headers are a constant image and the values move as runs of bytes (codec/fast.hpp); only a
// list's vector, whose size varies, is written as the slot rules say.
[[gnu::always_inline]] inline u32 write_full(const Table& t, u8* buf, u32 pos, const u8* v) noexcept {
  const u32 end = pos + t.full_len;
  if (!t.has_vector) return end;
  const Slot& s = t.slot[t.vector_slot];
  store_le(buf + pos + 2, static_cast<u16>(t.full_table_len + 4 * vector_count(s, v)), false);
  return write_items(t, s, Writer<false>{buf}, end, v);
}

// Scalar slots of one width U whose members lie back to back: each present one goes to cur and its
// slot entry records it; an absent one gets entry 0.
template <class U, bool Swap>
[[gnu::always_inline]] inline u32 scalars_out(const Writer<Swap> w, const u8* src, u32 count, u32 cur, u32 tbl,
                                              u32 entry_at) noexcept {
  for (u32 j = 0; j < count; ++j, src += sizeof(U), entry_at += 2) {
    const U x = load_native<U>(src);
    u16 entry = 0;
    if (x != 0) {
      w.put(cur, x);
      entry = static_cast<u16>(cur - tbl);
      cur += sizeof(U);
    }
    w.put(entry_at, entry);
  }
  return cur;
}

// Writes the vtable at pos and the table right behind it (vtable reference = vtable length),
// then the table's out-of-line data in slot order. Returns the position after the last byte.
template <bool Swap>
u32 write_table(const Table& t, const Writer<Swap> w, u32 pos, const u8* v) noexcept {
  if constexpr (!Swap && kNativeWire) {
    if (t.encode_fast(w.buf + pos, v)) return write_full(t, w.buf, pos, v);
  }
  return write_slots(t, w, pos, v);
}

// The same, slot by slot.
template <bool Swap>
u32 write_slots(const Table& t, const Writer<Swap> w, u32 pos, const u8* v) noexcept {
  const Slot* const slots = t.slot;  // kept in registers: stores into the buffer may alias anything
  const Step* const steps = t.steps;
  const u8* const others = t.others;
  const u32 nsteps = t.nsteps, nothers = t.nothers, vlen = t.vlen;
  const u32 vt = pos;
  const u32 tbl = pos + vlen;
  u32 cur = tbl + 4;

  // Present scalars, in slot order, each exactly as wide as its member.
  if constexpr (!Swap && kNativeWire) {
    cur = t.scalars_out(w.buf, vt, tbl, v);
  } else {
    for (u32 i = 0; i < nsteps; ++i) {
      const Step s = steps[i];
      const u8* const src = v + s.mem;
      const u32 entry_at = vt + 4 + 2u * s.first;
      switch (s.count == 0 ? 4 : s.width_log2) {
        case 0:
          cur = scalars_out<u8>(w, src, s.count, cur, tbl, entry_at);
          break;
        case 1:
          cur = scalars_out<u16>(w, src, s.count, cur, tbl, entry_at);
          break;
        case 2:
          cur = scalars_out<u32>(w, src, s.count, cur, tbl, entry_at);
          break;
        case 3:
          cur = scalars_out<u64>(w, src, s.count, cur, tbl, entry_at);
          break;
        default:
          break;  // not a scalar: its offset word follows the scalars
      }
    }
  }
  // Offset words of the present non-scalar fields, in slot order.
  u32 word[build::kListCap];  // offset-word positions, 0 for an absent vector
  u32 out_of_line = 0;        // arrays and vector headers count towards the table length
  for (u32 i = 0; i < nothers; ++i) {
    const u32 k = others[i];
    const Slot& s = slots[k];
    if (s.kind == Kind::vector && !vector_present(s, v)) {
      word[i] = 0;
      w.put(vt + 4 + 2 * k, u16{0});
      continue;
    }
    word[i] = cur;
    w.put(vt + 4 + 2 * k, static_cast<u16>(cur - tbl));
    cur += 4;
    if (s.kind == Kind::vector)
      out_of_line += 4 + 4 * vector_count(s, v);
    else if (s.kind != Kind::nested)
      out_of_line += 4 + u32{s.count} * s.width;
  }
  const u32 table_len = cur - tbl + out_of_line;

  // Out-of-line data, in slot order; each offset word gets the distance to its target.
  for (u32 i = 0; i < nothers; ++i) {
    const Slot& s = slots[others[i]];
    const u32 at = word[i];
    if (at == 0) continue;
    if (s.kind == Kind::nested) {
      w.put(at, cur + s.sub->vlen - at);  // points at the nested table
      cur = write_table(*s.sub, w, cur, v + s.mem);
    } else if (s.kind == Kind::vector) {
      w.put(at, cur - at);
      cur = write_items(t, s, w, cur, v);
    } else {
      w.put(at, cur - at);
      w.put(cur, u32{s.count});
      array_out(w, s, cur + 4, v + s.mem);
      cur += 4 + u32{s.count} * s.width;
    }
  }
  w.put(vt, static_cast<u16>(vlen));
  w.put(vt + 2, static_cast<u16>(table_len));  // written but never read; kept to 16 bits
  w.put(tbl, vlen);
  return cur;
}

// Size queries, short buffers, sizes beyond 32 bits, a first call: the exact size first.
[[gnu::cold, gnu::noinline]] u32 pack_exact(const u8* v, u8* buf, u32* len, const Message& m) noexcept {
  const u64 size = compact_size(*m.table, v);
  if (size > 0xFFFFFFFFu || *len < size) return kFail;
  if (buf == nullptr || *len < 4) [[unlikely]] {  // a size query: report the size, write nothing
    log_fault(m.send_unit, kLinePackParam, kErrInvalid, m.pack_name, "[KESMO]:Param invalid(%s, %u, %s)",
              buf != nullptr ? "nonNull" : "null", *len, "nonNull");
    *len = static_cast<u32>(size);
    return 0;
  }
  bind_cache(m.send_unit);
  write_message(*m.table, buf, v, swap_flag(m.send_unit));
  *len = static_cast<u32>(size);
  return 0;
}

}  // namespace

u64 compact_size(const Table& t, const u8* v) noexcept { return 4 + table_size(t, v); }

u32 write_message(const Table& t, u8* buf, const u8* v, bool swap) noexcept {
  if (swap) [[unlikely]] {
    const Writer<true> w{buf};
    w.put(0, u32{4u + t.vlen});
    return write_table(t, w, 4, v);
  }
  const Writer<false> w{buf};
  w.put(0, u32{4u + t.vlen});
  return write_table(t, w, 4, v);
}

// A record goes to its layout's own path (codec/fast.hpp), which writes it whatever its zeros or
// hands it to pack_slots; a list to pack_list.
u32 pack(const void* msg, u8* buf, u32* len, const Message& m) noexcept {
  if (msg == nullptr || len == nullptr) return kFail;
  const auto* v = static_cast<const u8*>(msg);
  if (buf == nullptr || *len < 4 || !cache_ready(m.send_unit)) [[unlikely]]
    return pack_exact(v, buf, len, m);
  return m.table->pack_fast(v, buf, len, m);
}

// A record, when the buffer holds the largest encoding v can have: written at once, slot by slot
// (its layout's path has had it first).
u32 pack_slots(const u8* v, u8* buf, u32* len, const Message& m) noexcept {
  const Table& t = *m.table;
  if (4 + u64{t.max_size} > *len) [[unlikely]]  // the largest encoding: every scalar present
    return pack_exact(v, buf, len, m);
  const Writer<false> w{buf};
  w.put(0, u32{4u + t.vlen});
  *len = write_slots(t, w, 4, v);
  return 0;
}

// A list's root (codec/tables.hpp, ListShape: a u32 beside a vector of records) once the buffer
// holds its largest encoding: the vtable, the u32 when non-zero, the vector's offset word when the
// vector is present, then the vector; the bytes write_slots writes, in a few moves. Every list
// shares it.
u32 pack_list(const u8* v, u8* buf, u32* len, const Message& m) noexcept {
  using L = TableOf<ListShape>;  // every list's root is laid out so
  constexpr Slot s = L::slot[1];
  constexpr u32 vt = 4, vlen = L::table.vlen, tbl = vt + vlen;
  const bool present = vector_present(s, v);
  const u32 n = vector_count(s, v);
  // The largest encoding: every scalar present, each item as large as its layout's can be.
  const u64 bound = 4 + u64{L::table.max_size} + (present ? u64{n} * (4 + m.table->slot[1].sub->max_size) : 0);
  if (bound > *len) [[unlikely]]
    return pack_exact(v, buf, len, m);
  const Writer<false> w{buf};
  u32 cur = tbl + 4;
  u16 first = 0, second = 0;
  u32 word = 0, out_of_line = 0;
  if (const u32 x = load_native<u32>(v + L::slot[0].mem); x != 0) {
    w.put(cur, x);
    first = static_cast<u16>(cur - tbl);
    cur += 4;
  }
  if (present) {
    word = cur;
    second = static_cast<u16>(cur - tbl);
    cur += 4;
    out_of_line = 4 + 4 * n;
  }
  w.put(0, u32{tbl});
  w.put(vt, u16{vlen});
  w.put(vt + 2, static_cast<u16>(cur - tbl + out_of_line));
  w.put(vt + 4, first);
  w.put(vt + 6, second);
  w.put(tbl, u32{vlen});
  if (present) {
    w.put(word, cur - word);
    w.put(cur, n);
    const u32 words = cur + 4;
    cur = m.table->encode_items(buf, words, words + 4 * n, vector_items(s, v), n);
  }
  *len = cur;
  return 0;
}

}  // namespace kav::detail
