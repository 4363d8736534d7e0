// What the fuzz targets, the corpus generator and the replay driver share: the message an input
// selects, exactly-sized heap blocks, the byte consumer that turns input bytes into a structure,
// and a check that stops the process with a message on the first broken invariant.
#pragma once

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "codec/tables.hpp"
#include "messages/descriptors.hpp"
#include "messages/index.hpp"
#include "structures.hpp"

namespace kav::fuzz {

// An input's first byte selects the message (modulo the number of messages in the catalogue); the
// rest is its payload.
inline constexpr u32 kMessageCount = static_cast<u32>(catalogue::message_count(catalogue::kav_messages{}) +
                                                      catalogue::message_count(catalogue::kav_sync_messages{}));
static_assert(kMessageCount <= 256, "one selector byte reaches every message");

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
};

// Fills the structure v of table t from `in`. Item arrays are exactly-sized heap blocks kept in
// `owned`. Members are little-endian in memory, so a scalar's bytes are read straight into it, and
// a struct array's elements (members back to back) as one run of bytes.
inline void fill_from_input(Consumer& in, std::vector<std::unique_ptr<u8, FreeDeleter>>& owned, const detail::Table& t,
                            u8* v) {
  static_assert(std::endian::native == std::endian::little);
  const auto bytes = [&](u8* m, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) m[i] = in.byte();
  };
  for (u32 k = 0; k < t.slots; ++k) {
    const detail::Slot& s = t.slot[k];
    u8* m = v + s.mem;
    switch (s.kind) {
      case detail::Kind::scalar:
        bytes(m, s.width);
        break;
      case detail::Kind::byte_array:
      case detail::Kind::struct_array:
        bytes(m, std::size_t{s.count} * s.width);
        break;
      case detail::Kind::nested:
        fill_from_input(in, owned, *s.sub, m);
        break;
      case detail::Kind::vector: {
        const u8 b = in.byte();
        const u32 count = b % 9u;
        u8* items = nullptr;
        if (count != 0 || (b & 0x80u) != 0) {
          owned.push_back(exact_bytes(std::size_t{count == 0 ? 1 : count} * s.sub->size, 0));
          items = owned.back().get();
          for (u32 i = 0; i < count; ++i) fill_from_input(in, owned, *s.sub, items + std::size_t{i} * s.sub->size);
        }
        std::memcpy(m, &count, 4);
        std::memcpy(v + s.items, &items, sizeof items);
        break;
      }
    }
  }
}

// The inverse of fill_from_input: writes a structure as the payload that reads back into it.
inline void emit_input(std::vector<u8>& out, const detail::Table& t, const u8* v) {
  for (u32 k = 0; k < t.slots; ++k) {
    const detail::Slot& s = t.slot[k];
    const u8* m = v + s.mem;
    switch (s.kind) {
      case detail::Kind::scalar:
        out.insert(out.end(), m, m + s.width);
        break;
      case detail::Kind::byte_array:
      case detail::Kind::struct_array:
        out.insert(out.end(), m, m + std::size_t{s.count} * s.width);
        break;
      case detail::Kind::nested:
        emit_input(out, *s.sub, m);
        break;
      case detail::Kind::vector: {
        const u32 count = test::count_of(v, s);
        const u8* items = test::items_of(v, s);
        const u32 n = items == nullptr ? 0 : (count > 8 ? 8 : count);
        out.push_back(static_cast<u8>(n));
        for (u32 i = 0; i < n; ++i) emit_input(out, *s.sub, items + std::size_t{i} * s.sub->size);
        break;
      }
    }
  }
}

// A message's functions over untyped structures, beside its table (the library's own, so no
// description is compiled here): the targets' checks are compiled once for every message, and only
// these thunks per message.
struct Erased {
  const detail::Table* table = nullptr;
  u32 id = 0;
  u32 (*unpack)(const u8* buf, u32 len, void* out) = nullptr;
  u32 (*pack)(const void* msg, u8* buf, u32* len) = nullptr;
  void (*free)(void* msg) = nullptr;
  u32 (*sendtomsg)(u32 dest, const void* msgs, u32 count, u64 to) = nullptr;
};

// Message number `index` (kav first, then kav_sync), erased.
inline const Erased& erased_message(u32 index) {
  static const std::vector<Erased> all = [] {
    const auto infos = catalogue::message_infos();
    std::vector<Erased> v;
    for_all_messages([&]<class M>(u32 k) {
      using T = typename M::type;
      if (infos[k]->id != M::id) std::abort();  // the library lists its messages in the same order
      v.push_back({infos[k]->table, infos[k]->id,
                   [](const u8* buf, u32 len, void* out) { return M::unpack_fn(buf, len, static_cast<T*>(out)); },
                   [](const void* msg, u8* buf, u32* len) { return M::pack_fn(static_cast<const T*>(msg), buf, len); },
                   [](void* msg) { M::free_fn(static_cast<T*>(msg)); },
                   [](u32 dest, const void* msgs, u32 count, u64 to) {
                     return M::sendtomsg_fn(dest, static_cast<const T*>(msgs), count, to);
                   }});
    });
    return v;
  }();
  return all[index];
}

}  // namespace kav::fuzz
