// Test support: random structures of any message, deep comparison, and owned storage for the
// item arrays of list messages. Built on the engine's slot walk and tables, so it covers every
// message alike.
#pragma once

#include <cstring>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "codec/fixed.hpp"
#include "codec/visit.hpp"
#include "messages/descriptors.hpp"
#include "messages/index.hpp"

namespace kav::test {

// The table of the message whose structure is T, as the library holds it. Taking the table's
// address here would compile the engine's paths of every message into each test program again.
template <class T, class... M>
consteval u32 message_index(catalogue::MessageList<M...>) {
  u32 k = 0;
  bool found = false;
  ((found = found || std::is_same_v<typename catalogue::type_of<M>::type, T>, k += found ? 0 : 1), ...);
  return found ? k : ~0u;
}
template <class T>
const detail::Table& table_of_message() {
  constexpr u32 kav = message_index<T>(catalogue::kav_messages{});
  constexpr u32 sync = message_index<T>(catalogue::kav_sync_messages{});
  static_assert(kav != ~0u || sync != ~0u, "not the structure of a message");
  const u32 k = kav != ~0u ? kav : static_cast<u32>(catalogue::message_count(catalogue::kav_messages{})) + sync;
  return *catalogue::message_infos()[k]->table;
}

// Keeps the item arrays that random list messages point into.
struct Arena {
  std::deque<std::vector<unsigned char>> blocks;
  template <class R>
  R* make(std::size_t n) {
    auto& b = blocks.emplace_back(n * sizeof(R) + 1, 0);
    return reinterpret_cast<R*>(b.data());
  }
};

// Scalars are zero with probability 1/3 (so both compact forms occur), or non-zero with
// probability `percent_present` / 100 when that is set, otherwise any value; with `zeros` off,
// never zero.
struct RandomFill {
  std::mt19937_64& rng;
  Arena& arena;
  u32 max_items = 4;
  bool zeros = true;
  u32 percent_present = 0;

  template <class U>
  U pick() {
    if (zeros && (percent_present != 0 ? rng() % 100 >= percent_present : rng() % 3 == 0)) return 0;
    for (;;)
      if (const auto x = static_cast<U>(rng()); x != 0 || zeros) return x;
  }
  template <class U>
  void scalar(u32, U& x) {
    x = pick<U>();
  }
  template <std::size_t N>
  void byte_array(u32, u8 (&a)[N]) {
    for (auto& b : a) b = static_cast<u8>(rng());
  }
  template <class E, std::size_t N>
  void struct_array(u32, E (&a)[N]) {
    for (auto& e : a) {
      if constexpr (std::is_unsigned_v<E>)
        e = static_cast<E>(rng());
      else
        visit_slots(e, *this);
    }
  }
  template <class R>
  void nested(u32, R& r) {
    visit_slots(r, *this);
  }
  template <class R>
  void vector(u32, u32& count, R*& items) {
    count = static_cast<u32>(zeros ? rng() % (max_items + 1) : 1 + rng() % max_items);
    items = count == 0 ? nullptr : arena.make<R>(count);
    for (u32 i = 0; i < count; ++i) visit_slots(items[i], *this);
  }
};

template <class T>
T random_structure(std::mt19937_64& rng, Arena& arena, u32 max_items = 4, bool zeros = true) {
  T v;
  std::memset(static_cast<void*>(&v), 0, sizeof v);
  RandomFill fill{rng, arena, max_items, zeros};
  visit_slots(v, fill);
  return v;
}

// A list's members in a structure, by its slot: the items pointer and the count.
inline u8* items_of(const u8* v, const detail::Slot& s) {
  u8* items;
  std::memcpy(&items, v + s.items, sizeof items);
  return items;
}
inline u32 count_of(const u8* v, const detail::Slot& s) {
  u32 count;
  std::memcpy(&count, v + s.mem, 4);
  return count;
}

// Field-by-field comparison over the engine's tables, so every message shares one compiled walk.
// Padding is ignored and item pointers followed; an empty list equals a list with a null pointer,
// whatever the count (a count without items carries no records). Empty when equal, otherwise the
// path of the first differing field (".field3[1]").
inline std::string difference(const detail::Table& t, const u8* a, const u8* b, const std::string& path = "") {
  const auto at = [&](u32 k) { return path + ".field" + std::to_string(k); };
  const auto index = [](u64 i) { return "[" + std::to_string(i) + "]"; };
  for (u32 k = 0; k < t.slots; ++k) {
    const detail::Slot& s = t.slot[k];
    const u8* x = a + s.mem;
    const u8* y = b + s.mem;
    switch (s.kind) {
      case Kind::scalar:
      case Kind::byte_array:
        if (std::memcmp(x, y, s.kind == Kind::scalar ? s.width : s.count) != 0) return at(k);
        break;
      case Kind::struct_array:
        for (u32 i = 0; i < s.count; ++i)
          if (std::memcmp(x + i * s.width, y + i * s.width, s.width) != 0) return at(k) + index(i);
        break;
      case Kind::nested:
        if (std::string d = difference(*s.sub, x, y, at(k)); !d.empty()) return d;
        break;
      case Kind::vector: {
        const u8* xs = items_of(a, s);
        const u8* ys = items_of(b, s);
        const u32 n = xs != nullptr ? count_of(a, s) : 0;
        const u32 m = ys != nullptr ? count_of(b, s) : 0;
        if (n != m) return at(k) + " count";
        for (u32 i = 0; i < n; ++i) {
          const u64 off = u64{i} * s.sub->size;
          if (std::string d = difference(*s.sub, xs + off, ys + off, at(k) + index(i)); !d.empty()) return d;
        }
        break;
      }
    }
  }
  return {};
}

// The fixed layout of v, as the send path writes it (unswapped).
template <class T>
void encode_fixed(u8* buf, const T& v) {
  detail::encode_fixed_one(table_of_message<T>(), buf, reinterpret_cast<const u8*>(&v), false);
}

template <class T>
std::string difference(const T& a, const T& b) {
  return difference(table_of_message<T>(), reinterpret_cast<const u8*>(&a), reinterpret_cast<const u8*>(&b));
}

}  // namespace kav::test
