// What the fuzz targets, the corpus generator and the replay driver share: the message an input
// selects, exactly-sized heap blocks, the byte consumer that turns input bytes into a structure,
// and a check that stops the process with a message on the first broken invariant.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "codec/visit.hpp"
#include "messages/descriptors.hpp"

namespace kav::fuzz {

// An input's first byte selects the message (modulo the number of messages in the catalogue); the
// rest is its payload.
inline constexpr u32 kMessageCount = static_cast<u32>(catalogue::message_count(catalogue::kav_messages{}) +
                                                      catalogue::message_count(catalogue::kav_sync_messages{}));
static_assert(kMessageCount <= 256, "one selector byte reaches every message");

// Calls f.template operator()<M>() for message number `index` (kav first, then kav_sync).
template <class F>
void with_message(u32 index, F&& f) {
  u32 k = 0;
  auto each = [&]<class M>() {
    if (k++ == index) f.template operator()<M>();
  };
  catalogue::for_each_message(catalogue::kav_messages{}, each);
  catalogue::for_each_message(catalogue::kav_sync_messages{}, each);
}

// Calls f.template operator()<M>(index) for every message, in selector order.
template <class F>
void for_all_messages(F&& f) {
  u32 k = 0;
  auto each = [&]<class M>() { f.template operator()<M>(k++); };
  catalogue::for_each_message(catalogue::kav_messages{}, each);
  catalogue::for_each_message(catalogue::kav_sync_messages{}, each);
}

// The selector byte of the message with this full name (kav_host_update), or -1. Committed inputs
// name their message and are given its selector when they are read, so a message added to a list
// never changes which message a committed input reaches.
inline int selector_of(std::string_view full_name) {
  int selector = -1;
  for_all_messages([&]<class M>(u32 k) {
    if (full_name == M::full_name) selector = static_cast<int>(k);
  });
  return selector;
}

[[noreturn]] inline void fail(const char* file, int line, const char* what, const char* detail) {
  std::fprintf(stderr, "%s:%d: invariant broken: %s%s%s\n", file, line, what, detail[0] != '\0' ? " -- " : "", detail);
  std::fflush(stderr);
  std::abort();
}

}  // namespace kav::fuzz

// Active in every build type: a fuzz target that checks nothing finds nothing.
#define FUZZ_CHECK(cond, detail)                                         \
  do {                                                                   \
    if (!(cond)) ::kav::fuzz::fail(__FILE__, __LINE__, #cond, (detail)); \
  } while (0)

namespace kav::fuzz {

struct FreeDeleter {
  void operator()(void* p) const noexcept { std::free(p); }
};

// A heap block of exactly n bytes (never null, also for n = 0), filled with `fill`: AddressSanitizer
// reports any access one byte outside it.
inline std::unique_ptr<u8, FreeDeleter> exact_bytes(std::size_t n, u8 fill) {
  auto* p = static_cast<u8*>(std::malloc(n));  // glibc and the sanitizers: a unique block also for 0
  if (p == nullptr) std::abort();
  std::memset(p, fill, n);
  return std::unique_ptr<u8, FreeDeleter>(p);
}

// A structure of type T in a heap block of exactly sizeof(T) bytes, every byte `fill`.
template <class T>
std::unique_ptr<T, FreeDeleter> exact_structure(u8 fill) {
  void* p = std::malloc(sizeof(T));
  if (p == nullptr) std::abort();
  std::memset(p, fill, sizeof(T));
  return std::unique_ptr<T, FreeDeleter>(static_cast<T*>(p));
}

inline bool all_bytes(const void* p, std::size_t n, u8 value) {
  const auto* b = static_cast<const u8*>(p);
  for (std::size_t i = 0; i < n; ++i)
    if (b[i] != value) return false;
  return true;
}

// ---- structures from input bytes -------------------------------------------------------------
//
// The payload of a round-trip input is read in slot order: each scalar takes its width in
// little-endian bytes, a byte array its N bytes, a struct array its elements member by member, a
// nested record its own slots. A table vector takes one byte b: the count is b % 9; with a count
// of 0 and b's top bit set the pointer is a valid block all the same (an empty list that is not
// null). Then the items follow, each as a record. Missing input reads as zero bytes.

struct Consumer {
  const u8* p;
  std::size_t n;
  u8 byte() {
    if (n == 0) return 0;
    --n;
    return *p++;
  }
  template <class U>
  U take() {
    U v = 0;
    for (std::size_t i = 0; i < sizeof(U); ++i) v = static_cast<U>(v | static_cast<U>(U{byte()} << (8 * i)));
    return v;
  }
};

// Fills a structure from a Consumer. Item arrays are exactly-sized heap blocks kept in `owned`.
struct FillFromInput {
  Consumer& in;
  std::vector<std::unique_ptr<u8, FreeDeleter>>& owned;

  template <class U>
  void scalar(u32, U& x) {
    x = in.take<U>();
  }
  template <std::size_t N>
  void byte_array(u32, u8 (&a)[N]) {
    for (auto& b : a) b = in.byte();
  }
  template <class E, std::size_t N>
  void struct_array(u32, E (&a)[N]) {
    for (auto& e : a) {
      if constexpr (std::is_unsigned_v<E>)
        e = in.take<E>();
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
    const u8 b = in.byte();
    count = b % 9u;
    items = nullptr;
    if (count == 0 && (b & 0x80u) == 0) return;
    const std::size_t n = count == 0 ? 1 : count;
    owned.push_back(exact_bytes(n * sizeof(R), 0));
    items = reinterpret_cast<R*>(owned.back().get());
    for (u32 i = 0; i < count; ++i) visit_slots(items[i], *this);
  }
};

// The inverse of FillFromInput: writes a structure as the payload that reads back into it.
struct EmitInput {
  std::vector<u8>& out;
  template <class U>
  void scalar(u32, const U& x) {
    for (std::size_t i = 0; i < sizeof(U); ++i) out.push_back(static_cast<u8>(x >> (8 * i)));
  }
  template <std::size_t N>
  void byte_array(u32, const u8 (&a)[N]) {
    out.insert(out.end(), a, a + N);
  }
  template <class E, std::size_t N>
  void struct_array(u32, const E (&a)[N]) {
    for (const auto& e : a) {
      if constexpr (std::is_unsigned_v<E>)
        scalar(0, e);
      else
        visit_slots(e, *this);
    }
  }
  template <class R>
  void nested(u32, const R& r) {
    visit_slots(r, *this);
  }
  template <class R>
  void vector(u32, const u32& count, R* const& items) {
    const u32 n = items == nullptr ? 0 : (count > 8 ? 8 : count);
    out.push_back(static_cast<u8>(n));
    for (u32 i = 0; i < n; ++i) visit_slots(items[i], *this);
  }
};

}  // namespace kav::fuzz
