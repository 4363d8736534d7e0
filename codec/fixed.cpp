// The fixed encoder: the layout's constant image (root offset, vtable reference, offset words,
// counts, nested headers, vtable, zeroed padding) with the structure's values copied in as runs.
#include "codec/fixed.hpp"

#include "codec/writer.hpp"

namespace kav::detail {
namespace {

// The same layout written slot by slot, for byte-reversed buffers: the table at `at`, then its
// vtable, right behind it when nested, at the next multiple of 4 at the root.
template <bool Swap>
void fixed_table(const Table& t, const Writer<Swap> w, u32 at, const u8* v, bool root) noexcept {
  const u32 len = t.fixed_table_len;
  w.put(at, 0u - (root ? round_up(len, 4) : len));
  for (u32 k = 0; k < t.slots; ++k) {
    const Slot& s = t.slot[k];
    const u32 pos = at + t.fixed_entries[k];
    if (s.kind == Kind::scalar) {
      put_scalar(w, pos, scalar_at(v + s.mem, s.width), s.width);
    } else if (s.kind == Kind::nested) {
      w.put(pos, u32{4});
      fixed_table(*s.sub, w, pos + 4, v + s.mem, false);
    } else {
      w.put(pos, u32{4});  // the array starts right behind its offset word
      w.put(pos + 4, u32{s.count});
      array_out(w, s, pos + 8, v + s.mem);
    }
  }
  const u32 vt = root ? at + round_up(len, 4) : at + len;
  w.put(vt, t.vlen);
  w.put(vt + 2, static_cast<u16>(len));
  for (u32 k = 0; k < t.slots; ++k) w.put(vt + 4 + 2 * k, t.fixed_entries[k]);
}

template <bool Swap>
[[gnu::cold, gnu::noinline]] void fixed_encode_slots(const Table& t, u8* buf, const u8* v) noexcept {
  std::memset(buf, 0, t.fixed_len);  // padding is zero, as in the image
  const Writer<Swap> w{buf};
  w.put(0, u32{4});
  fixed_table(t, w, 4, v, true);
}

}  // namespace

void encode_fixed_one(const Table& t, u8* buf, const u8* v, bool swap) noexcept {
  if (swap || !kNativeWire) [[unlikely]] {
    if (swap)
      fixed_encode_slots<true>(t, buf, v);
    else
      fixed_encode_slots<false>(t, buf, v);
    return;
  }
  t.fixed_one(buf, v);
}

void encode_fixed_batch_slow(const Table& t, u8* buf, const u8* v, u32 count, Unit u) noexcept {
  bind_cache(u);
  const bool swap = swap_flag(u);
  for (u32 k = 0; k < count; ++k) encode_fixed_one(t, buf + u64{k} * t.fixed_len, v + u64{k} * t.size, swap);
}

}  // namespace kav::detail
