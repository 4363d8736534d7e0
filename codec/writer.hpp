// What the encoders share: a writer over the caller's buffer, and scalars and arrays taken from the
// structure member by member, byte-reversed when the swap flag says so.
#pragma once

#include "codec/layout.hpp"
#include "codec/wire.hpp"

namespace kav::detail {

template <bool Swap>
struct Writer {
  u8* buf;
  template <class U>
  [[gnu::always_inline]] void put(u32 pos, U value) const noexcept {
    store_le<U>(buf + pos, value, Swap);
  }
};

// The scalar of `width` bytes at p, widened.
[[nodiscard, gnu::always_inline]] inline u64 scalar_at(const u8* p, u32 width) noexcept {
  switch (width) {
    case 1:
      return *p;
    case 2:
      return load_native<u16>(p);
    case 4:
      return load_native<u32>(p);
    default:
      return load_native<u64>(p);
  }
}

template <bool Swap>
[[gnu::always_inline]] inline void put_scalar(const Writer<Swap> w, u32 pos, u64 x, u32 width) noexcept {
  switch (width) {
    case 1:
      w.buf[pos] = static_cast<u8>(x);
      break;
    case 2:
      w.put(pos, static_cast<u16>(x));
      break;
    case 4:
      w.put(pos, static_cast<u32>(x));
      break;
    default:
      w.put(pos, x);
      break;
  }
}

// A fixed array's elements from the structure to the wire: one copy unless bytes are reversed.
template <bool Swap>
void array_out(const Writer<Swap> w, const Slot& s, u32 to, const u8* src) noexcept {
  if (!Swap && kNativeWire) {
    std::memcpy(w.buf + to, src, u32{s.count} * s.width);
    return;
  }
  for (u32 i = 0; i < s.count; ++i)
    for (u32 p = 0; p < 4 && s.parts[p] != 0; to += s.parts[p], src += s.parts[p], ++p)
      put_scalar(w, to, scalar_at(src, s.parts[p]), s.parts[p]);
}

}  // namespace kav::detail
