// The decoder. Rules first: the table header, then each slot by its kind, in slot order. The fast
// path (a vtable naming the constant positions of a plan) sits beside the field walk it replaces.
#include "codec/decode.hpp"

#include <bit>

#include "codec/tables.hpp"
#include "runtime/secure_mem.hpp"

namespace kav::detail {
namespace {

template <bool Swap>
struct Cursor {
  const u8* buf;
  u32 len;
  template <class U>
  [[nodiscard, gnu::always_inline]] U load(u32 pos) const noexcept {
    return load_le<U>(buf + pos, Swap);
  }
};

enum class HeaderFault : u32 { none, table, vtable, vtable_len };

// The table at t, its vtable and the vtable's length, checked in that order.
template <bool Swap>
[[nodiscard, gnu::always_inline]] inline HeaderFault read_header(const Cursor<Swap> c, u32 t, TableRef& tr) noexcept {
  tr.t = t;
  if (!table_at(t, c.len)) [[unlikely]]
    return HeaderFault::table;
  tr.vt = t - c.template load<u32>(t);  // wrap-around: the vtable may lie before or after its table
  if (!vtable_at(tr.vt, c.len)) [[unlikely]]
    return HeaderFault::vtable;
  tr.vlen = c.template load<u16>(tr.vt);
  if (!vtable_fits(tr.vt, tr.vlen, c.len)) [[unlikely]]
    return HeaderFault::vtable_len;
  tr.room = c.len - t;
  return HeaderFault::none;
}

// Logs a header fault: `root` when the unpack function found it itself, else a table decoder.
[[gnu::cold, gnu::noinline]] void log_header_fault(Unit u, bool root, const char* func, HeaderFault f,
                                                   const TableRef& h, u32 len) noexcept {
  switch (f) {
    case HeaderFault::table:
      log_fault(u, root ? kLineRootTable : kLineTable, kErrInvalid, func,
                "[KESMO]:Table offset(%u) is out of range(4 - %u)", h.t, len);
      break;
    case HeaderFault::vtable:
      log_fault(u, root ? kLineRootVtable : kLineVtable, kErrInvalid, func,
                "[KESMO]:Vtable offset(%u) is out of range(4 - %u)", h.vt, len - 4);
      break;
    case HeaderFault::vtable_len:
      log_fault(u, root ? kLineRootVtableLen : kLineVtableLen, kErrInvalid, func,
                "[KESMO]:Vtable Len(%u) is out of range(0 - %u)", h.vlen, len - h.vt);
      break;
    case HeaderFault::none:
      break;
  }
}

// Stores a scalar of `width` bytes read from the wire into its member.
template <bool Swap>
[[gnu::always_inline]] inline void scalar_in(const Cursor<Swap> c, u32 pos, u32 width, u8* dst) noexcept {
  switch (width) {
    case 1:
      *dst = c.buf[pos];
      break;
    case 2: {
      const u16 v = c.template load<u16>(pos);
      std::memcpy(dst, &v, 2);
      break;
    }
    case 4: {
      const u32 v = c.template load<u32>(pos);
      std::memcpy(dst, &v, 4);
      break;
    }
    default: {
      const u64 v = c.template load<u64>(pos);
      std::memcpy(dst, &v, 8);
      break;
    }
  }
}

// A fixed array's elements from the wire into the structure: as one copy unless bytes are reversed.
template <bool Swap>
void array_in(const Cursor<Swap> c, const Slot& s, u32 from, u8* dst) noexcept {
  const u32 bytes = u32{s.count} * s.width;
  if (!Swap || (s.parts[0] == 1 && s.parts[1] == 0)) {
    copy_bytes(dst, bytes, c.buf + from, bytes);
    return;
  }
  for (u32 i = 0, at = from; i < s.count; ++i)
    for (u32 p = 0; p < 4 && s.parts[p] != 0; at += s.parts[p], dst += s.parts[p], ++p)
      scalar_in(c, at, s.parts[p], dst);
}

template <bool Swap>
bool decode_table(const Message& m, const Table& t, const Cursor<Swap> c, u32 pos, u8* out,
                  const char* log_name) noexcept;

template <bool Swap>
[[nodiscard]] bool decode_slots(const Message& m, const Table& t, Cursor<Swap> c, const TableRef& tr, u8* out) noexcept;

// A list item whose offset word lies at w, one its layout's path did not take (codec/fast.hpp,
// decode_items): zeroed, then decoded by the slot rules. Written whole, also when it fails.
template <bool Swap>
[[nodiscard]] bool decode_item(const Message& m, const Table& item, const Cursor<Swap> c, u32 w, u8* out) noexcept {
  zero_run(out, item.size);
  u32 q;
  TableRef tr;
  if (!target_ok(w, c.template load<u32>(w), q)) return false;
  if (const HeaderFault f = read_header(c, q, tr); f != HeaderFault::none) [[unlikely]] {
    log_header_fault(m.unpack_unit, false, item.non_root, f, tr, c.len);
    return false;
  }
  return decode_slots(m, item, c, tr, out);
}

// A vector whose count lies at q (the target of its offset word): the count into *count, its items
// into one block (pointer into *items), each decoded by the list's item path (codec/fast.hpp), else
// by the slot rules. On a failure the items not reached are zero; the block stays attached.
template <bool Swap>
[[nodiscard, gnu::always_inline]] inline bool vector_in(const Message& m, const Table& item, const Cursor<Swap> c,
                                                        u32 q, u8* count, u8* items_at) noexcept {
  if (!count_at(q, c.len)) return false;
  const u32 n = c.template load<u32>(q);
  if (!elements_fit(q, n, 4, c.len)) return false;
  std::memcpy(count, &n, 4);
  const u64 bytes = u64{n} * item.size;
  if (bytes > 0xFFFFFFFFu) return false;  // never allocate a truncated size
  if (bytes == 0) return true;
  auto* items = static_cast<u8*>(cache_alloc(m.unpack_unit, static_cast<u32>(bytes), m.unpack_name));
  if (items == nullptr) [[unlikely]] {
    log_fault(m.unpack_unit, kLineVectorAlloc, kErrNoMemory, m.unpack_name,
              "[KESMO]:Malloc unpack data unsuccess, size(%u)", static_cast<u32>(bytes));
    return false;
  }
  std::memcpy(items_at, &items, sizeof items);
  const u32 words = q + 4;  // inside the header checked above
  for (u32 i = 0; i < n; ++i) {
    if constexpr (!Swap && kNativeWire) {  // the items their layout's path takes, as a run (codec/fast.hpp)
      const Table& list = *m.table;        // a vector is a list's, at its root
      i = (list.decode_items(c.buf, c.len, words + 4 * i, words + 4 * n, items + u64{i} * item.size) - words) / 4;
      if (i == n) break;
    }
    u8* const at = items + u64{i} * item.size;
    if (!decode_item(m, item, c, words + 4 * i, at)) {
      zero_bytes(at + item.size, u64{n - 1 - i} * item.size);  // the items never reached
      return false;
    }
  }
  return true;
}

// The out-of-line data of a nested table, vector or fixed array whose offset word at p lies inside
// the buffer.
template <bool Swap>
[[nodiscard]] bool decode_target(const Message& m, const Slot& s, const Cursor<Swap> c, u32 p, u8* out) noexcept {
  u32 q;
  if (!target_ok(p, c.template load<u32>(p), q)) return false;
  if (s.kind == Kind::nested) return decode_table(m, *s.sub, c, q, out + s.mem, s.sub->non_root);
  if (s.kind == Kind::vector) return vector_in(m, *s.sub, c, q, out + s.mem, out + s.items);
  if (!count_at(q, c.len)) return false;
  const u32 n = c.template load<u32>(q);
  if (!elements_fit(q, n, s.width, c.len)) return false;
  if (n != s.count) return false;  // only the exact count is accepted
  array_in(c, s, q + 4, out + s.mem);
  return true;
}

// Scalar slots first .. first + count - 1 of one width U, members back to back from dst.
template <class U, bool Swap>
[[nodiscard, gnu::always_inline]] inline bool scalars_in(const Cursor<Swap> c, u32 entries, u32 at, u32 room, u32 count,
                                                         u8* dst) noexcept {
  for (u32 j = 0; j < count; ++j, entries += 2, dst += sizeof(U)) {
    const u32 o = c.template load<u16>(entries);
    if (o == 0) continue;
    if (!field_fits(o, sizeof(U), room)) return false;
    const U x = c.template load<U>(at + o);
    std::memcpy(dst, &x, sizeof(U));
  }
  return true;
}

// The slot rules: slot by slot, in slot order, stopping at the first field that fails. An entry
// beyond the vtable or of 0 is absent and stays zero.
template <bool Swap>
bool slot_rules(const Message& m, const Table& t, const Cursor<Swap> c, const TableRef& tr, u8* out) noexcept {
  const u32 listed = tr.vlen >= 6 ? (tr.vlen - 4) / 2 : 0;
  const Step* const steps = t.steps;  // kept in registers: stores into *out may alias anything
  const u32 nsteps = t.nsteps, vt = tr.vt, room = tr.room, at = tr.t;
  for (u32 i = 0; i < nsteps; ++i) {
    const Step s = steps[i];
    if (s.first >= listed) break;  // this slot and every later one lie beyond the vtable
    const u32 entries = vt + 4 + 2u * s.first;
    if (s.count == 0) {
      const u32 o = c.template load<u16>(entries);
      if (o == 0) continue;
      if (!field_fits(o, 4, room)) return false;
      if (!decode_target(m, t.slot[s.first], c, at + o, out)) return false;
      continue;
    }
    const u32 count = s.first + s.count <= listed ? s.count : listed - s.first;
    u8* const dst = out + s.mem;
    bool ok;
    switch (s.width_log2) {
      case 0:
        ok = scalars_in<u8>(c, entries, at, room, count, dst);
        break;
      case 1:
        ok = scalars_in<u16>(c, entries, at, room, count, dst);
        break;
      case 2:
        ok = scalars_in<u32>(c, entries, at, room, count, dst);
        break;
      default:
        ok = scalars_in<u64>(c, entries, at, room, count, dst);
        break;
    }
    if (!ok) return false;
  }
  return true;
}

// The scalar members of the slots in `bits` back to zero.
[[gnu::cold, gnu::noinline]] void zero_scalars(const Table& t, u64 bits, u8* out) noexcept {
  for (u32 i = 0; i < 4; ++i)
    for (u64 b = bits & t.of_width[i]; b != 0; b &= b - 1)
      std::memset(out + t.slot[std::countr_zero(b)].mem, 0, 1u << i);
}

// The table's fields into a record its caller has zeroed, with the result of the slot rules. In the
// buffer's own byte order the layout's scalar path (codec/fast.hpp, ScalarPaths) reads every
// present scalar, a vtable shorter than the layout first copied into a zeroed array; the other
// slots follow in slot order. A scalar that does not fit hands the whole table to the slot rules
// before any is written, and a failing other slot puts the scalars after it back to zero, as the
// slot rules would have left them.
template <bool Swap>
bool decode_slots(const Message& m, const Table& t, const Cursor<Swap> c, const TableRef& tr, u8* out) noexcept {
  if constexpr (Swap || !kNativeWire) {
    return slot_rules(m, t, c, tr, out);
  } else {
    const u32 room = tr.room;
    const u32 listed = tr.vlen >= 6 ? (tr.vlen - 4) / 2 : 0;
    const u8* entries = c.buf + tr.vt + 4;
    alignas(8) u8 local[2 * 64];
    if (listed < t.slots) [[unlikely]] {  // the slots beyond the vtable read as absent
      std::memset(local, 0, sizeof local);
      std::memcpy(local, entries, 2 * listed);
      entries = local;
    }
    if (!t.scalars_in(c.buf + tr.t, entries, room, out)) [[unlikely]]
      return slot_rules(m, t, c, tr, out);
    const Slot* const slot = t.slot;
    for (u32 i = 0, no = t.nothers; i < no; ++i) {
      const u32 k = t.others[i];
      const u32 o = load_native<u16>(entries + 2 * k);
      if (o == 0) continue;
      if (!field_fits(o, 4, room) || !decode_target(m, slot[k], c, tr.t + o, out)) [[unlikely]] {
        zero_scalars(t, k == 63 ? 0 : ~u64{0} << (k + 1), out);  // decoding stops at slot k
        return false;
      }
    }
    return true;
  }
}

// Fast path. A vtable of full length may list exactly the positions this library's own encoders
// give every field (compact with every scalar present, or fixed); with room for the whole table and
// its offset words, counts and nested headers in place, every rule the slot walk applies is known
// to hold, and the layout's constant-position path copies the fields (codec/fast.hpp). A list's
// vector, whose size varies, is then decoded by the slot rules.
template <bool Swap>
[[nodiscard, gnu::always_inline]] inline bool decode_fields(const Message& m, const Table& t, const Cursor<Swap> c,
                                                            const TableRef& tr, u8* out) noexcept {
  if constexpr (!Swap && kNativeWire) {
    if (tr.vlen == t.vlen && (load_native<u16>(c.buf + tr.vt + 4) == t.full_first || t.fixed_entries != nullptr) &&
        t.decode_fast(c.buf, tr.t, tr.vt, tr.room, out))
      return !t.has_vector || decode_target(m, t.slot[t.vector_slot], c, tr.t + t.full_vector_word, out);
  }
  return decode_slots(m, t, c, tr, out);
}

// Decodes the table at pos into a record its caller has zeroed. Header faults are logged under
// `log_name`; field faults are not. Returns false on either.
template <bool Swap>
bool decode_table(const Message& m, const Table& t, const Cursor<Swap> c, u32 pos, u8* out,
                  const char* log_name) noexcept {
  TableRef tr;
  if (const HeaderFault f = read_header(c, pos, tr); f != HeaderFault::none) [[unlikely]] {
    log_header_fault(m.unpack_unit, false, log_name, f, tr, c.len);
    return false;
  }
  return decode_fields(m, t, c, tr, out);
}

// Every list's root is laid out as ListShape (codec/tables.hpp): its members at these offsets.
using ListRoot = TableOf<ListShape>;
constexpr u32 kListSize = ListRoot::table.size;
constexpr u32 kListFirst = ListRoot::slot[0].mem;
constexpr u32 kListCount = ListRoot::slot[1].mem;
constexpr u32 kListItems = ListRoot::slot[1].items;

// Releases the item array unpacking attached to a list and leaves its pointer null.
void free_body(u8* msg, const Message& m) noexcept {
  bind_cache(m.unpack_unit);
  void* items;
  std::memcpy(&items, msg + kListItems, sizeof items);
  if (items == nullptr) return;
  cache_release(m.unpack_unit, items, m.free_name);
  items = nullptr;
  std::memcpy(msg + kListItems, &items, sizeof items);
}

template <bool Swap>
u32 unpack_as(const u8* buf, u32 len, u8* out, const Message& m) noexcept {
  const Table& t = *m.table;
  const Cursor<Swap> c{buf, len};
  const u32 root = c.template load<u32>(0);
  if (t.root == RootForm::in_place) {
    TableRef tr;
    if (read_header(c, root, tr) != HeaderFault::none) [[unlikely]]
      return t.size;  // found and logged before
    zero_run(out, t.size);
    if (!decode_fields(m, t, c, tr, out) && t.has_vector) free_body(out, m);
  } else {
    zero_run(out, t.size);
    (void)decode_table(m, t, c, root, out, m.non_root_name);
  }
  return t.size;
}

// The unit not yet bound, its swap flag set, or a root header fault: check, log, bind, decode.
template <bool Swap>
u32 unpack_first(const u8* buf, u32 len, u8* out, const Message& m) noexcept {
  const Table& t = *m.table;
  if (t.root == RootForm::in_place) {
    const Cursor<Swap> c{buf, len};
    TableRef tr;
    if (const HeaderFault f = read_header(c, c.template load<u32>(0), tr); f != HeaderFault::none) {
      log_header_fault(m.unpack_unit, true, m.unpack_name, f, tr, len);
      return t.size;  // the structure is left as the caller passed it
    }
  }
  bind_cache(m.unpack_unit);
  return swap_flag(m.unpack_unit) ? unpack_as<true>(buf, len, out, m) : unpack_as<false>(buf, len, out, m);
}

[[gnu::cold, gnu::noinline]] u32 unpack_slow(const u8* buf, u32 len, u8* out, const Message& m) noexcept {
  return swap_flag(m.unpack_unit) ? unpack_first<true>(buf, len, out, m) : unpack_first<false>(buf, len, out, m);
}

[[gnu::cold, gnu::noinline]] u32 unpack_param_fault(const u8* buf, u32 len, const void* out,
                                                    const Message& m) noexcept {
  log_fault(m.unpack_unit, kLineUnpackParam, kErrInvalid, m.unpack_name, "[KESMO]:Param invalid(%s, %d, %s)",
            buf != nullptr ? "nonNull" : "null", static_cast<i32>(len), out != nullptr ? "nonNull" : "null");
  return m.table->size;
}

}  // namespace

// Checks the parameters and the root table's header, then hands the table on: a record's to its
// layout's own path (codec/fast.hpp), which decodes it or hands it to unpack_slots; a list's to
// unpack_list.
u32 unpack(const u8* buf, u32 len, void* out, const Message& m) noexcept {
  if (!buffer_ok(buf, len, out)) [[unlikely]]
    return unpack_param_fault(buf, len, out, m);
  auto* o = static_cast<u8*>(out);
  if (!cache_ready(m.unpack_unit)) [[unlikely]]
    return unpack_slow(buf, len, o, m);
  const Cursor<false> c{buf, len};
  TableRef tr;
  if (read_header(c, c.load<u32>(0), tr) != HeaderFault::none) [[unlikely]]
    return unpack_slow(buf, len, o, m);
  return m.table->unpack_fast(buf, len, o, m, tr.t, tr.vt);
}

// A record's root table that its layout's path did not take: zeroed, then decoded field by field.
u32 unpack_slots(const u8* buf, u32 len, u8* out, const Message& m, u32 t, u32 vt) noexcept {
  const Table& tab = *m.table;
  const Cursor<false> c{buf, len};
  const TableRef tr{t, vt, c.load<u16>(vt), len - t};
  zero_run(out, tab.size);
  (void)decode_slots(m, tab, c, tr, out);
  return tab.size;
}

// A list's root table (codec/tables.hpp, ListShape: a u32 beside a vector of records): the slot
// rules for that one shape, slot 0 and then the vector through decode_target, with what
// unpack_slots does on a failure. Every list shares it; no plan is tried, as the rules cost no more
// here.
u32 unpack_list(const u8* buf, u32 len, u8* out, const Message& m, u32 t, u32 vt) noexcept {
  const Cursor<false> c{buf, len};
  const u32 vlen = c.load<u16>(vt), room = len - t;
  const u32 first = vlen >= 6 ? c.load<u16>(vt + 4) : 0;   // entry 0 and an entry beyond the vtable:
  const u32 second = vlen >= 8 ? c.load<u16>(vt + 6) : 0;  // absent
  zero_run(out, kListSize);
  bool ok = true;
  if (first != 0) {
    ok = field_fits(first, 4, room);
    if (ok) {
      const u32 x = c.load<u32>(t + first);
      std::memcpy(out + kListFirst, &x, 4);
    }
  }
  if (ok && second != 0) {
    u32 q;
    const u32 p = t + second;
    ok = field_fits(second, 4, room) && target_ok(p, c.load<u32>(p), q) &&
         vector_in(m, *m.table->slot[1].sub, c, q, out + kListCount, out + kListItems);
  }
  if (!ok && m.table->root == RootForm::in_place) free_body(out, m);
  return kListSize;
}

void free_unpacked(void* msg, const Message& m) noexcept {
  if (msg != nullptr) free_body(static_cast<u8*>(msg), m);
}

}  // namespace kav::detail
