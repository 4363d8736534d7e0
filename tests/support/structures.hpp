// Test support: random structures of any message, deep comparison, and owned storage for the
// item arrays of list messages. Built on the engine's slot walk, so it covers every message alike.
#pragma once

#include <cstring>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "codec/visit.hpp"

namespace kav::test {

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

// Field-by-field comparison that ignores padding and follows item pointers. An empty list equals
// a list with a null pointer, whatever the count (a count without items carries no records).
struct Differ {
  std::string where;
  bool same = true;
  void mark(const std::string& what) {
    if (same) where = what;
    same = false;
  }
};

template <class T>
void compare(const T& a, const T& b, Differ& d, const std::string& path);

// Visits `a`; each member's peer in `b` lies at the same offset.
template <class T>
struct CompareVisitor {
  const T& a;
  const T& b;
  Differ& d;
  std::string path;
  template <class M>
  const M& peer(const M& x) const {
    const auto offset = reinterpret_cast<const char*>(&x) - reinterpret_cast<const char*>(&a);
    return *reinterpret_cast<const M*>(reinterpret_cast<const char*>(&b) + offset);
  }
  std::string at(u32 slot) const { return path + ".field" + std::to_string(slot); }
  template <class U>
  void scalar(u32 s, const U& x) {
    if (x != peer(x)) d.mark(at(s));
  }
  template <class A>
  void byte_array(u32 s, const A& x) {
    if (std::memcmp(x, peer(x), sizeof x) != 0) d.mark(at(s));
  }
  template <class A>
  void struct_array(u32 s, const A& x) {
    const A& y = peer(x);
    for (std::size_t i = 0; i < std::extent_v<A>; ++i) {
      if constexpr (std::is_unsigned_v<std::remove_extent_t<A>>) {
        if (x[i] != y[i]) d.mark(at(s) + "[" + std::to_string(i) + "]");
      } else {
        compare(x[i], y[i], d, at(s) + "[" + std::to_string(i) + "]");
      }
    }
  }
  template <class R>
  void nested(u32 s, const R& x) {
    compare(x, peer(x), d, at(s));
  }
  template <class R>
  void vector(u32 s, const u32& count, R* const& items) {
    R* const& other_items = peer(items);
    const u32 n = items != nullptr ? count : 0;
    const u32 m = other_items != nullptr ? peer(count) : 0;
    if (n != m) {
      d.mark(at(s) + " count");
      return;
    }
    for (u32 i = 0; i < n; ++i) compare(items[i], other_items[i], d, at(s) + "[" + std::to_string(i) + "]");
  }
};

template <class T>
void compare(const T& a, const T& b, Differ& d, const std::string& path) {
  visit_slots(a, CompareVisitor<T>{a, b, d, path});
}

// Empty when equal, otherwise the path of the first differing field.
template <class T>
std::string difference(const T& a, const T& b) {
  Differ d;
  compare(a, b, d, "");
  return d.same ? std::string() : d.where;
}

}  // namespace kav::test
