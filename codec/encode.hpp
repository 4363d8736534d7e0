// Compact encoding: the exact size computed from the structure, then one writing pass. Zero
// scalars and empty vectors are left out; fixed arrays and nested tables are always written.
#pragma once

#include <cstring>

#include "codec/describe.hpp"
#include "codec/runs.hpp"
#include "codec/wire.hpp"

namespace kav::detail {

inline constexpr u32 kFail = 0xFFFFFFFFu;

template <auto S, class T>
[[nodiscard, gnu::always_inline]] inline bool vector_present(const T& v) noexcept {
  return v.*vec_parts<S>::count != 0 && v.*vec_parts<S>::pointer != nullptr;
}

template <class T>
[[nodiscard]] u64 table_size(const T& v) noexcept;

// What slot S adds to its table's size: inline bytes and out-of-line data.
template <auto S, class T>
[[nodiscard, gnu::always_inline]] inline u64 slot_size(const T& v) noexcept {
  constexpr Kind kind = kind_of<S>();
  if constexpr (kind == Kind::scalar) {
    return v.*S != 0 ? sizeof(member_t<S>) : 0;
  } else if constexpr (kind == Kind::byte_array || kind == Kind::struct_array) {
    return 4 + 4 + array_traits<S>::bytes;
  } else if constexpr (kind == Kind::nested) {
    return 4 + table_size(v.*S);
  } else {
    if (!vector_present<S>(v)) return 0;
    const u32 n = v.*vec_parts<S>::count;
    const auto* items = v.*vec_parts<S>::pointer;
    u64 total = 4 + 4 + u64{4} * n;
    for (u32 i = 0; i < n; ++i) total += table_size(items[i]);
    return total;
  }
}

// Vtable, vtable reference, present fields and everything the table refers to.
template <class T>
[[nodiscard]] u64 table_size(const T& v) noexcept {
  return [&]<std::size_t... K>(std::index_sequence<K...>) __attribute__((always_inline)) {
    return (u64{vtable_len<T> + 4} + ... + slot_size<slot_at<T, K>>(v));
  }(std::make_index_sequence<slot_count<T>>{});
}

// Encoded size of a whole message: root offset word and root table. More than 32 bits only for
// vectors of very many records; callers refuse that.
template <class T>
[[nodiscard]] u64 compact_size(const T& v) noexcept {
  return 4 + table_size(v);
}

template <bool Swap>
struct Writer {
  u8* buf;
  static constexpr bool swap = Swap;
  template <class U>
  [[gnu::always_inline]] void put(u32 pos, U value) const noexcept {
    store_le<U>(buf + pos, value, Swap);
  }
};

template <auto S, class T, class Writer>
[[gnu::always_inline]] inline void copy_array_out(const Writer w, u32 to, const T& v) noexcept {
  using A = array_traits<S>;
  using E = typename A::element;
  const auto& src = v.*S;
  if constexpr (std::is_same_v<E, u8>) {
    std::memcpy(w.buf + to, src, A::count);
  } else {
    if (!w.swap && std::endian::native == std::endian::little) {
      std::memcpy(w.buf + to, src, A::bytes);
      return;
    }
    for (u32 i = 0; i < A::count; ++i) {
      u32 at = to + i * A::element_size;
      if constexpr (is_scalar_type<E>) {
        w.put(at, src[i]);
      } else {
        [&]<std::size_t... K>(std::index_sequence<K...>) __attribute__((always_inline)) {
          ((w.put(at, src[i].*slot_at<E, K>), at += sizeof(member_t<slot_at<E, K>>)), ...);
        }(std::make_index_sequence<slot_count<E>>{});
      }
    }
  }
}

template <class T, class Writer>
u32 write_table(const Writer w, u32 pos, const T& v) noexcept;

template <class T>
[[nodiscard, gnu::always_inline]] inline bool all_present(const T& v) noexcept {
  return scalars_nonzero(v) && [&]<std::size_t... K>(std::index_sequence<K...>) __attribute__((always_inline)) {
    return ([&]() __attribute__((always_inline)) {
      constexpr auto S = slot_at<T, K>;
      if constexpr (kind_of<S>() == Kind::vector) return vector_present<S>(v);
      else return true;
    }() && ...);
  }(std::make_index_sequence<slot_count<T>>{});
}

// The largest compact size v can have (every scalar present), in O(1).
template <class T>
[[nodiscard, gnu::always_inline]] inline u64 size_bound(const T& v) noexcept {
  return [&]<std::size_t... K>(std::index_sequence<K...>) __attribute__((always_inline)) {
    return (u64{4 + CompactFull<T>::image.max_static} + ... + [&]() __attribute__((always_inline)) -> u64 {
      constexpr auto S = slot_at<T, K>;
      if constexpr (kind_of<S>() == Kind::vector) {
        using R = typename vec_parts<S>::element;
        static_assert(!has_vector<R>);
        return vector_present<S>(v) ? 4 + u64{v.*vec_parts<S>::count} * (4 + CompactFull<R>::image.max_static) : 0;
      } else {
        return 0;
      }
    }());
  }(std::make_index_sequence<slot_count<T>>{});
}

// Writes the vtable at pos and the table right behind it (vtable reference = vtable length),
// then the table's out-of-line data in slot order. Returns the position after the last byte.
template <class T, class Writer>
[[gnu::always_inline]] inline u32 write_table_body(const Writer w, u32 pos, const T& v) noexcept {
  constexpr u32 vlen = vtable_len<T>;
  constexpr std::size_t n = slot_count<T>;
  const u32 vt = pos;
  const u32 tbl = pos + vlen;
  u32 cur = tbl + 4;
  std::array<u32, n> word{};  // offset-word positions of the present non-scalar slots
  u32 out_of_line = 0;        // arrays and vector headers count towards the table length

  constexpr bool straight = !Writer::swap && std::endian::native == std::endian::little;
  bool fast = false;
  if constexpr (straight) fast = all_present(v);
  using CF = CompactFull<T>;
  if constexpr (straight && CF::flat) {
    if (fast) {  // the vtable is a constant, the scalars are the whole table
      std::memcpy(w.buf + vt, CF::vtable.data(), 2 * (n + 2));
      w.put(tbl, vlen);
      [&]<std::size_t... K>(std::index_sequence<K...>) __attribute__((always_inline)) {
        (run_out<T, CF::entry, K>(w.buf + tbl, v), ...);
      }(std::make_index_sequence<n>{});
      return tbl + CF::image.inline_end;
    }
  }
  if (fast) {
    std::memcpy(w.buf + vt + 4, CF::image.entry.data(), 2 * n);
    u8* const base = w.buf + tbl;  // every position below is a constant from here
    [&]<std::size_t... K>(std::index_sequence<K...>) __attribute__((always_inline)) {
      (
          [&]() __attribute__((always_inline)) {
            constexpr auto S = slot_at<T, K>;
            constexpr Kind kind = kind_of<S>();
            if constexpr (kind == Kind::scalar) {
              run_out<T, CF::entry, K>(base, v);
            } else {
              word[K] = tbl + CF::image.entry[K];
              if constexpr (kind == Kind::vector) out_of_line += 4 + 4 * (v.*vec_parts<S>::count);
            }
          }(),
          ...);
    }(std::make_index_sequence<n>{});
    out_of_line += CF::image.arrays;
    cur = tbl + CF::image.inline_end;
  } else {
  // Present scalars, in slot order, each exactly as wide as its member.
  [&]<std::size_t... K>(std::index_sequence<K...>) __attribute__((always_inline)) {
    (
        [&]() __attribute__((always_inline)) {
          constexpr auto S = slot_at<T, K>;
          if constexpr (kind_of<S>() == Kind::scalar) {
            const auto x = v.*S;
            if (x != 0) {
              w.put(cur, x);
              w.put(vt + 4 + 2 * K, static_cast<u16>(cur - tbl));
              cur += sizeof(x);
            } else {
              w.put(vt + 4 + 2 * K, u16{0});
            }
          }
        }(),
        ...);
  }(std::make_index_sequence<n>{});

  // Offset words of the present non-scalar fields, in slot order.
  [&]<std::size_t... K>(std::index_sequence<K...>) __attribute__((always_inline)) {
    (
        [&]() __attribute__((always_inline)) {
          constexpr auto S = slot_at<T, K>;
          constexpr Kind kind = kind_of<S>();
          if constexpr (kind != Kind::scalar) {
            bool present = true;
            if constexpr (kind == Kind::vector) present = vector_present<S>(v);
            if (present) {
              word[K] = cur;
              w.put(vt + 4 + 2 * K, static_cast<u16>(cur - tbl));
              cur += 4;
              if constexpr (kind == Kind::vector) {
                out_of_line += 4 + 4 * (v.*vec_parts<S>::count);
              } else if constexpr (kind != Kind::nested) {
                out_of_line += 4 + array_traits<S>::bytes;
              }
            } else {
              w.put(vt + 4 + 2 * K, u16{0});
            }
          }
        }(),
        ...);
  }(std::make_index_sequence<n>{});

  }

  const u32 table_len = cur - tbl + out_of_line;

  // Out-of-line data, in slot order; each offset word gets the distance to its target.
  [&]<std::size_t... K>(std::index_sequence<K...>) __attribute__((always_inline)) {
    (
        [&]() __attribute__((always_inline)) {
          constexpr auto S = slot_at<T, K>;
          constexpr Kind kind = kind_of<S>();
          if constexpr (kind == Kind::byte_array || kind == Kind::struct_array) {
            w.put(word[K], cur - word[K]);
            w.put(cur, array_traits<S>::count);
            copy_array_out<S>(w, cur + 4, v);
            cur += 4 + array_traits<S>::bytes;
          } else if constexpr (kind == Kind::nested) {
            using R = member_t<S>;
            w.put(word[K], cur + vtable_len<R> - word[K]);  // points at the nested table
            cur = write_table(w, cur, v.*S);
          } else if constexpr (kind == Kind::vector) {
            if (!vector_present<S>(v)) return;
            using R = typename vec_parts<S>::element;
            const u32 count = v.*vec_parts<S>::count;
            const R* items = v.*vec_parts<S>::pointer;
            w.put(word[K], cur - word[K]);
            w.put(cur, count);
            const u32 words = cur + 4;
            cur = words + 4 * count;
            for (u32 i = 0; i < count; ++i) {
              const u32 at = words + 4 * i;
              w.put(at, cur + vtable_len<R> - at);
              cur = write_table_body(w, cur, items[i]);
            }
          }
        }(),
        ...);
  }(std::make_index_sequence<n>{});

  w.put(vt, static_cast<u16>(vlen));
  w.put(vt + 2, static_cast<u16>(table_len));  // written but never read; kept to 16 bits
  w.put(tbl, vlen);
  return cur;
}

template <class T, class Writer>
u32 write_table(const Writer w, u32 pos, const T& v) noexcept {
  return write_table_body(w, pos, v);
}

// The whole compact encoding: root offset word, then the root vtable and table.
template <class T>
[[gnu::always_inline]] inline u32 write_message(u8* buf, const T& v, bool swap) noexcept {
  if (swap) [[unlikely]] {
    const Writer<true> w{buf};
    w.put(0, u32{4 + vtable_len<T>});
    return write_table_body(w, 4, v);
  } else {
    const Writer<false> w{buf};
    w.put(0, u32{4 + vtable_len<T>});
    return write_table_body(w, 4, v);
  }
}

// Size queries, short buffers and sizes beyond 32 bits: the exact size first.
template <class M>
[[gnu::cold, gnu::noinline]] u32 pack_exact(const typename M::type* msg, u8* buf, u32* len) noexcept {
  constexpr Unit U = M::send_unit;
  const u64 size = compact_size(*msg);
  if (size > 0xFFFFFFFFu || *len < size) return kFail;
  if (buf == nullptr || *len < 4) [[unlikely]] {  // a size query: report the size, write nothing
    log_fault(U, kLinePackParam, kErrInvalid, M::pack_name, "[KESMO]:Param invalid(%s, %u, %s)",
              buf != nullptr ? "nonNull" : "null", *len, "nonNull");
    *len = static_cast<u32>(size);
    return 0;
  }
  bind_cache(U);
  write_message(buf, *msg, swap_flag(U));
  *len = static_cast<u32>(size);
  return 0;
}

template <class M>
u32 pack(const typename M::type* msg, u8* buf, u32* len) noexcept {
  constexpr Unit U = M::send_unit;
  if (msg == nullptr || len == nullptr) return kFail;
  if (buf == nullptr || *len < 4 || size_bound(*msg) > *len) [[unlikely]] return pack_exact<M>(msg, buf, len);
  bind_cache(U);  // the buffer holds the largest encoding msg can have
  *len = write_message(buf, *msg, swap_flag(U));
  return 0;
}

}  // namespace kav::detail
