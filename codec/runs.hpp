// Runs of scalar members that lie back to back both in the structure and on the wire. When every
// position is a constant (a fully present compact table, a fixed table) and no bytes are swapped,
// a run moves as one copy, and "is any member zero" is asked of a run of equal-width members a
// word at a time.
#pragma once

#include <array>
#include <bit>
#include <cstring>

#include "codec/describe.hpp"

namespace kav::detail {

// Byte offset of slot K's member in T (a vector slot: its count member).
template <class T, std::size_t K>
inline constexpr std::size_t member_offset = Layout<T>::offset[K];

template <class T>
consteval bool offsets_fit() {
  static_assert(std::size(Layout<T>::offset) == slot_count<T>, "one offset per slot");
  return [&]<std::size_t... K>(std::index_sequence<K...>) {
    return (true && ... && (member_offset<T, K> < sizeof(T)));
  }(std::make_index_sequence<slot_count<T>>{});
}

// Slots grouped so that group k covers `length[k]` slots from k; slots inside a group have length 0.
// Only scalar slots join groups; Joins(K) says whether slot K continues the group of slot K - 1.
template <std::size_t N>
struct Groups {
  std::array<u32, N> length{};  // slots in the group starting here, 0 inside a group
  std::array<u32, N> bytes{};   // their bytes
};

template <auto S>
consteval u32 scalar_width() {
  if constexpr (kind_of<S>() == Kind::scalar) return sizeof(member_t<S>);
  else return 0;
}

template <class T, class Joins>
consteval Groups<slot_count<T>> group_slots(Joins joins) {
  constexpr std::size_t n = slot_count<T>;
  std::array<bool, n> join{};
  std::array<u32, n> width{};
  [&]<std::size_t... K>(std::index_sequence<K...>) {
    ((join[K] = joins(std::integral_constant<std::size_t, K>{}), width[K] = scalar_width<slot_at<T, K>>()), ...);
  }(std::make_index_sequence<n>{});
  Groups<n> g;
  for (std::size_t k = 0; k < n; ++k) {
    if (join[k]) continue;
    std::size_t e = k + 1;
    while (e < n && join[e]) ++e;
    g.length[k] = static_cast<u32>(e - k);
    for (std::size_t j = k; j < e; ++j) g.bytes[k] += width[j];
  }
  return g;
}

// Slot K directly follows slot K - 1 in the structure, both being scalars.
template <class T, std::size_t K>
consteval bool follows_in_memory() {
  if constexpr (K == 0) {
    return false;
  } else {
    static_assert(offsets_fit<T>());
    constexpr auto P = slot_at<T, K - 1>;
    constexpr auto S = slot_at<T, K>;
    if constexpr (kind_of<P>() != Kind::scalar || kind_of<S>() != Kind::scalar) return false;
    else return member_offset<T, K> == member_offset<T, K - 1> + sizeof(member_t<P>);
  }
}

// Copy runs: back to back in memory and at the table positions Pos.
template <class T, const auto& Pos>
inline constexpr Groups<slot_count<T>> copy_runs = group_slots<T>([](auto k) {
  constexpr std::size_t K = decltype(k)::value;
  if constexpr (!follows_in_memory<T, K>()) return false;
  else return Pos[K] == Pos[K - 1] + scalar_width<slot_at<T, K - 1>>();
});

// Zero-test groups: back to back in memory and of one width.
template <class T>
inline constexpr Groups<slot_count<T>> zero_groups = group_slots<T>([](auto k) {
  constexpr std::size_t K = decltype(k)::value;
  if constexpr (!follows_in_memory<T, K>()) return false;
  else return scalar_width<slot_at<T, K>>() == scalar_width<slot_at<T, K - 1>>();
});

// Non-zero exactly when some W-byte lane of x is zero. Independent of byte order, since
// the lanes stay aligned either way.
template <u32 W>
[[nodiscard, gnu::always_inline]] constexpr u64 zero_lanes(u64 x) noexcept {
  if constexpr (W == 8) {
    return x == 0;
  } else {
    constexpr u64 low = ~u64{0} / ((u64{1} << (8 * W)) - 1);  // 1 in every lane
    constexpr u64 high = low << (8 * W - 1);                  // top bit of every lane
    return (x - low) & ~x & high;
  }
}

// None of the Bytes / W lanes of W bytes at p is zero, tested a word at a time.
template <u32 W, u32 Bytes>
[[nodiscard, gnu::always_inline]] inline bool lanes_nonzero(const u8* p) noexcept {
  static_assert(Bytes % W == 0 && 8 % W == 0);
  if constexpr (Bytes < 8) {
    u64 x = ~u64{0};  // the lanes past the end are not zero
    std::memcpy(&x, p, Bytes);
    return zero_lanes<W>(x) == 0;
  } else {
    // Whole words, then the last word overlapping the one before (still lane-aligned).
    constexpr u32 words = (Bytes + 7) / 8;
    // Without branches: the zero bits of every word are or-ed together and tested once.
    return [&]<std::size_t... I>(std::index_sequence<I...>) __attribute__((always_inline)) {
      return (u64{0} | ... | [&]() __attribute__((always_inline)) {
        u64 x;
        std::memcpy(&x, p + (I + 1 < words ? 8 * I : Bytes - 8), 8);
        return zero_lanes<W>(x);
      }()) == 0;
    }(std::make_index_sequence<words>{});
  }
}

// The N bytes at p equal the N bytes of img, compared sixteen or eight bytes at a time.
template <std::size_t N>
[[nodiscard, gnu::always_inline]] inline bool bytes_equal(const u8* p, const u8* img) noexcept {
  static_assert(N >= 2);
  if constexpr (N >= 16) {
    using V = u64 __attribute__((vector_size(16)));
    constexpr std::size_t chunks = (N + 15) / 16;
    const V diff = [&]<std::size_t... I>(std::index_sequence<I...>) __attribute__((always_inline)) {
      return (V{} | ... | [&]() __attribute__((always_inline)) {
        constexpr std::size_t at = I + 1 < chunks ? 16 * I : N - 16;
        V a, b;
        std::memcpy(&a, p + at, 16);
        std::memcpy(&b, img + at, 16);
        return a ^ b;
      }());
    }(std::make_index_sequence<chunks>{});
    return (diff[0] | diff[1]) == 0;
  } else {
    using W = std::conditional_t<(N >= 8), u64, std::conditional_t<(N >= 4), u32, u16>>;
    W a0, b0, a1, b1;  // first and last word, overlapping when N is no multiple of the word
    std::memcpy(&a0, p, sizeof(W));
    std::memcpy(&b0, img, sizeof(W));
    std::memcpy(&a1, p + N - sizeof(W), sizeof(W));
    std::memcpy(&b1, img + N - sizeof(W), sizeof(W));
    return ((a0 ^ b0) | (a1 ^ b1)) == 0;
  }
}

// Every scalar member of v is non-zero.
template <class T>
[[nodiscard, gnu::always_inline]] inline bool scalars_nonzero(const T& v) noexcept {
  constexpr auto& g = zero_groups<T>;
  const u8* const base = reinterpret_cast<const u8*>(&v);
  return [&]<std::size_t... K>(std::index_sequence<K...>) __attribute__((always_inline)) {
    return ([&]() __attribute__((always_inline)) {
      constexpr auto S = slot_at<T, K>;
      if constexpr (kind_of<S>() != Kind::scalar || g.length[K] == 0) {
        return true;
      } else if constexpr (g.length[K] == 1) {
        return v.*S != 0;
      } else {
        return lanes_nonzero<sizeof(member_t<S>), g.bytes[K]>(base + member_offset<T, K>);
      }
    }() && ...);
  }(std::make_index_sequence<slot_count<T>>{});
}

// The run starting at slot K, between the structure and a table whose slot positions are Pos.
// Only for little-endian bytes with the swap flag clear; slots inside a run do nothing.
template <class T, const auto& Pos, std::size_t K>
[[gnu::always_inline]] inline void run_out(u8* table, const T& v) noexcept {
  static_assert(std::endian::native == std::endian::little);
  constexpr auto& r = copy_runs<T, Pos>;
  if constexpr (r.length[K] == 1) {
    const auto x = v.*slot_at<T, K>;
    std::memcpy(table + Pos[K], &x, sizeof x);
  } else if constexpr (r.length[K] > 1) {
    std::memcpy(table + Pos[K], reinterpret_cast<const u8*>(&v) + member_offset<T, K>, r.bytes[K]);
  }
}

template <class T, const auto& Pos, std::size_t K>
[[gnu::always_inline]] inline void run_in(T& out, const u8* table) noexcept {
  static_assert(std::endian::native == std::endian::little);
  constexpr auto& r = copy_runs<T, Pos>;
  if constexpr (r.length[K] == 1) {
    std::memcpy(&(out.*slot_at<T, K>), table + Pos[K], sizeof(member_t<slot_at<T, K>>));
  } else if constexpr (r.length[K] > 1) {
    std::memcpy(reinterpret_cast<u8*>(&out) + member_offset<T, K>, table + Pos[K], r.bytes[K]);
  }
}

}  // namespace kav::detail
