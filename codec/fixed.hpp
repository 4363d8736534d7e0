// Fixed encoding for sending: every field present at a constant offset, table first and vtable
// behind it. Everything but the field values is a compile-time image copied in one go.
#pragma once

#include <array>
#include <cstring>

#include "codec/describe.hpp"
#include "codec/runs.hpp"
#include "codec/wire.hpp"

namespace kav::detail {

template <std::size_t N>
constexpr void image_put(std::array<u8, N>& img, u32 pos, u32 value, u32 width, bool swap) {
  for (u32 i = 0; i < width; ++i) {
    const u32 byte = swap ? width - 1 - i : i;
    img[pos + byte] = static_cast<u8>(value >> (8 * i));
  }
}

// The constant bytes of one table: vtable reference, array headers, nested blocks, vtable.
template <class T, std::size_t N>
constexpr void image_table(std::array<u8, N>& img, u32 t, u32 vt, u32 ref, bool swap) {
  using FT = FixedTable<T>;
  image_put(img, t, ref, 4, swap);
  image_put(img, vt, vtable_len<T>, 2, swap);
  image_put(img, vt + 2, FT::length, 2, swap);
  for (u32 k = 0; k < FT::slots; ++k) image_put(img, vt + 4 + 2 * k, FT::offset[k], 2, swap);
  [&]<std::size_t... K>(std::index_sequence<K...>) {
    (
        [&] {
          constexpr auto S = slot_at<T, K>;
          constexpr Kind kind = kind_of<S>();
          const u32 at = t + FT::offset[K];
          if constexpr (kind == Kind::byte_array || kind == Kind::struct_array) {
            image_put(img, at, 4, 4, swap);  // the array starts right behind its offset word
            image_put(img, at + 4, array_traits<S>::count, 4, swap);
          } else if constexpr (kind == Kind::nested) {
            using R = member_t<S>;
            const u32 nt = at + 4;
            const u32 len = FixedTable<R>::length;
            image_put(img, at, 4, 4, swap);
            image_table<R>(img, nt, nt + len, 0u - len, swap);  // nested vtable right behind its table
          }
        }(),
        ...);
  }(std::make_index_sequence<FT::slots>{});
}

template <class T>
struct FixedImage {
  using Root = FixedRoot<T>;
  static constexpr std::array<u8, Root::length> build(bool swap) {
    std::array<u8, Root::length> img{};  // padding stays zero: no stale stack bytes leave the process
    image_put(img, 0, 4, 4, swap);
    image_table<T>(img, 4, Root::vtable_pos, 0u - round_up(Root::table_len, 4), swap);
    return img;
  }
  static constexpr std::array<u8, Root::length> little = build(false);
  static constexpr std::array<u8, Root::length> swapped = build(true);
};

template <bool swap, class T>
[[gnu::always_inline]] inline void write_fixed_fields(u8* buf, u32 t, const T& v) noexcept {
  using FT = FixedTable<T>;
  [&]<std::size_t... K>(std::index_sequence<K...>) __attribute__((always_inline)) {
    (
        [&]() __attribute__((always_inline)) {
          constexpr auto S = slot_at<T, K>;
          constexpr Kind kind = kind_of<S>();
          const u32 at = t + FT::offset[K];
          if constexpr (kind == Kind::scalar) {
            if constexpr (!swap && std::endian::native == std::endian::little) {
              run_out<T, FixedEntries<T>::entry, K>(buf + t, v);
            } else {
              store_le(buf + at, v.*S, swap);
            }
          } else if constexpr (kind == Kind::byte_array || kind == Kind::struct_array) {
            using A = array_traits<S>;
            using E = typename A::element;
            const auto& src = v.*S;
            if (std::is_same_v<E, u8> || (!swap && std::endian::native == std::endian::little)) {
              std::memcpy(buf + at + 8, src, A::bytes);
            } else {
              for (u32 i = 0; i < A::count; ++i) {
                u32 pos = at + 8 + i * A::element_size;
                if constexpr (is_scalar_type<E>) {
                  store_le(buf + pos, src[i], swap);
                } else {
                  [&]<std::size_t... J>(std::index_sequence<J...>) {
                    ((store_le(buf + pos, src[i].*slot_at<E, J>, swap), pos += sizeof(member_t<slot_at<E, J>>)), ...);
                  }(std::make_index_sequence<slot_count<E>>{});
                }
              }
            }
          } else if constexpr (kind == Kind::nested) {
            write_fixed_fields<swap>(buf, at + 4, v.*S);
          }
        }(),
        ...);
  }(std::make_index_sequence<FT::slots>{});
}

// Writes the fixed encoding of v (fixed_length<T> bytes) into buf. Cannot fail.
template <class T>
[[gnu::always_inline]] inline void fixed_encode(u8* buf, const T& v, bool swap) noexcept {
  using Img = FixedImage<T>;
  if (swap) [[unlikely]] {
    std::memcpy(buf, Img::swapped.data(), Img::Root::length);
    write_fixed_fields<true>(buf, 4, v);
  } else {
    std::memcpy(buf, Img::little.data(), Img::Root::length);
    write_fixed_fields<false>(buf, 4, v);
  }
}

}  // namespace kav::detail
