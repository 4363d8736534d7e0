// Helpers shared by the messaging tests: the published FNV-1a, copies of what the recording
// messaging library and the recording OSAL host saw, and expected byte images with padding holes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "osal_host.h"
#include "varelmesh_control.h"

namespace meshtest {

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;
using u64 = std::uint64_t;

inline constexpr u32 kAllOnes = 0xFFFFFFFFu;
inline constexpr u32 kModuleId = 0x6200;
inline constexpr u64 kTarget = 0x1122334455667788u;

// FNV-1a, 32 bits: offset basis 2166136261, prime 16777619, over the text's bytes.
constexpr u32 fnv1a(std::string_view text) {
  u32 h = 2166136261u;
  for (char c : text) {
    h ^= static_cast<u8>(c);
    h *= 16777619u;
  }
  return h;
}
static_assert(fnv1a("a") == 0xE40C292Cu, "published test vector");

// Forgets every recording of both stand-ins.
inline void fresh() {
  osal_host_reset();
  vmesh_reset();
}

struct Sent {
  u32 id = 0;
  u32 length = 0;
  const u8* data = nullptr;
  std::vector<u8> bytes;
};

// Entry `entry` of recorded send call `call`.
inline Sent sent(u32 call, u32 entry) {
  VmeshSentEntry e{};
  EXPECT_EQ(vmesh_sent_entry(call, entry, &e), 1) << "no entry " << entry << " in call " << call;
  Sent s{e.msgId, e.length, e.data, {}};
  if (e.bytes != nullptr) s.bytes.assign(e.bytes, e.bytes + e.length);
  return s;
}

inline VmeshSendCall send_call(u32 i) {
  VmeshSendCall c{};
  EXPECT_EQ(vmesh_send_call(i, &c), 1) << "no send call " << i;
  return c;
}

inline std::vector<OsalHostMemEvent> mem_events() {
  std::vector<OsalHostMemEvent> v(osal_host_mem_event_count());
  for (u32 i = 0; i < v.size(); ++i) osal_host_mem_event(i, &v[i]);
  return v;
}

inline std::string text(const char* s) { return s != nullptr ? s : "(null)"; }

// Expects exactly one allocation of `size` bytes named `name` from the general allocator and its
// release with the same arguments; returns the block.
inline const u8* expect_one_area(u32 size, const std::string& name) {
  const auto ev = mem_events();
  EXPECT_EQ(ev.size(), 2u) << "one allocation and one release";
  if (ev.size() != 2) return nullptr;
  EXPECT_EQ(ev[0].service, OSAL_HOST_MEM_ALLOC);
  EXPECT_EQ(ev[0].size, size);
  EXPECT_EQ(ev[0].arg, kModuleId);
  EXPECT_EQ(text(ev[0].func), name);
  EXPECT_EQ(ev[1].service, OSAL_HOST_MEM_FREE);
  EXPECT_EQ(ev[1].ptr, ev[0].ptr);
  EXPECT_EQ(ev[1].arg, kModuleId);
  EXPECT_EQ(text(ev[1].func), name);
  EXPECT_EQ(osal_host_live_blocks(), 0u);
  return static_cast<const u8*>(ev[0].ptr);
}

// An expected encoding: every byte written by put() must match; the others are padding.
struct Image {
  std::vector<int> b;
  explicit Image(std::size_t n) : b(n, -1) {}
  Image& put(std::size_t at, u64 value, unsigned width) {
    for (unsigned i = 0; i < width; ++i) b.at(at + i) = static_cast<int>((value >> (8 * i)) & 0xFF);
    return *this;
  }
  Image& bytes(std::size_t at, const u8* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) b.at(at + i) = p[i];
    return *this;
  }
  Image& u16s(std::size_t at, std::initializer_list<u16> values) {
    for (u16 v : values) {
      put(at, v, 2);
      at += 2;
    }
    return *this;
  }
};

// Empty when `got` has the image's length and matches it outside the padding.
inline std::string mismatch(const Image& want, const std::vector<u8>& got) {
  if (got.size() != want.b.size()) return "length " + std::to_string(got.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    if (want.b[i] >= 0 && got[i] != want.b[i]) {
      return "byte " + std::to_string(i) + ": got " + std::to_string(got[i]) + ", want " +
             std::to_string(want.b[i]);
    }
  }
  return {};
}

}  // namespace meshtest
