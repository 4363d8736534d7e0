// The byte-swap flag: set on a unit that has bound, packing reverses every multi-byte value (and no
// single byte), and unpacking with the flag set reads such a buffer back.
#include <algorithm>
#include <utility>

#include "codec_support.hpp"
#include "messages/descriptors.hpp"
#include "runtime/runtime.hpp"
#include "support/structures.hpp"

namespace codec_test {
namespace {

using kav::Unit;

// Clears every unit's flag when the test ends, whatever happened.
struct SwapFlags {
  SwapFlags() {
    // Bind the main units first: binding clears the flag.
    const kav_pid_state p = {1, 2, 3};
    u8 buf[30];
    u32 len = 30;
    EXPECT_EQ(kav_pid_state__pack(&p, buf, &len), 0u);
    kav_pid_state out;
    kav_pid_state__unpack(buf, len, &out);
  }
  ~SwapFlags() {
    for (Unit u : {Unit::main_unpack, Unit::main_send, Unit::sync_unpack, Unit::sync_send})
      kav::testing::set_swap_flag(u, 0);
  }
  SwapFlags(const SwapFlags&) = delete;
  SwapFlags& operator=(const SwapFlags&) = delete;
};

template <class T>
Bytes pack_with_flag(u32 (*pack)(const T*, u8*, u32*), const T& v, u32 flag) {
  kav::testing::set_swap_flag(Unit::main_send, flag);
  u32 len = 1024;
  Bytes b(len);
  EXPECT_EQ(pack(&v, b.data(), &len), 0u);
  kav::testing::set_swap_flag(Unit::main_send, 0);
  b.resize(len);
  return b;
}

template <class T>
void expect_unpack_swapped(u32 (*unpack)(const u8*, u32, T*), void (*release)(T*), const Bytes& b, const T& want) {
  osal_host_reset();
  kav::testing::set_swap_flag(Unit::main_unpack, 1);
  T out = filled<T>();
  unpack(b.data(), static_cast<u32>(b.size()), &out);
  kav::testing::set_swap_flag(Unit::main_unpack, 0);
  EXPECT_EQ(kav::test::difference(out, want), "");
  EXPECT_EQ(osal_host_log_count(), 0u);
  release(&out);
  EXPECT_EQ(osal_host_live_blocks(), 0u);
}

// With the flags set, v packs to exactly `swapped`, and `swapped` unpacks to v.
template <class T>
void expect_swapped_both_ways(u32 (*pack)(const T*, u8*, u32*), u32 (*unpack)(const u8*, u32, T*),
                              void (*release)(T*), const T& v, const Bytes& swapped) {
  EXPECT_EQ(dump(pack_with_flag(pack, v, 1)), dump(swapped));
  expect_unpack_swapped(unpack, release, swapped, v);
}

// b with the values at the given (position, width) spans byte-reversed.
Bytes reversed_at(Bytes b, const std::vector<std::pair<u32, u32>>& spans) {
  for (auto [pos, width] : spans) std::reverse(b.begin() + pos, b.begin() + pos + width);
  return b;
}

TEST(ByteSwap, LiteralLayouts) {
  SwapFlags flags;
  const kav_pid_state p = {1, 2, 3};
  const Bytes pid = hex("0000000E 000A 0010 0004 0008 000C 0000000A 00000001 00000002 00000003");
  expect_swapped_both_ways(kav_pid_state__pack, kav_pid_state__unpack, kav_pid_state_free__unpacked, p, pid);

  kav_resetstat item = {1, 0, 0, 0, 0, 0};
  auto w = zeroed<kav_resetstat_update>();
  w.n_field1 = 1;
  w.field1 = &item;
  const Bytes list =
      hex("0000000C 0008 0010 0000 0004 00000008 00000004 00000001 00000014 0010 0008 0004 0000 "
          "0000 0000 0000 0000 00000010 00000001");
  expect_swapped_both_ways(kav_resetstat_update__pack, kav_resetstat_update__unpack,
                           kav_resetstat_update_free__unpacked, w, list);
}

TEST(ByteSwap, StructArrayElementsSwapOnlyTheirU16) {
  SwapFlags flags;
  auto t = zeroed<kav_templateflow>();
  for (u8 i = 0; i < 42; ++i) t.field9[i] = {static_cast<u16>(0x0102 + i), 0x03, static_cast<u8>(0x40 + i)};
  const Bytes clear = pack_with_flag(kav_templateflow__pack, t, 0);
  ASSERT_EQ(clear.size(), 208u);
  // Root offset, 12 vtable entries, vtable reference, offset word, count, then the u16 of each entry.
  std::vector<std::pair<u32, u32>> spans = {{0, 4}, {28, 4}, {32, 4}, {36, 4}};
  for (u32 k = 0; k < 12; ++k) spans.emplace_back(4 + 2 * k, 2);
  for (u32 i = 0; i < 42; ++i) spans.emplace_back(40 + 4 * i, 2);
  expect_swapped_both_ways(kav_templateflow__pack, kav_templateflow__unpack, kav_templateflow_free__unpacked, t,
                           reversed_at(clear, spans));
}

TEST(ByteSwap, SixtyFourBitValues) {
  SwapFlags flags;
  auto m = zeroed<kav_ot_cachelocalmsg>();
  m.field17 = 0x0102030405060708u;
  for (u8 i = 0; i < 16; ++i) m.field26[i] = static_cast<u8>(0xA0 + i);
  for (u8 i = 0; i < 33; ++i) m.field27[i] = static_cast<u8>(0xC0 + i);
  m.field28[0] = 1, m.field28[1] = 2, m.field28[2] = 3;
  const Bytes clear = pack_with_flag(kav_ot_cachelocalmsg__pack, m, 0);
  ASSERT_EQ(clear.size(), 154u);
  ASSERT_EQ(dump(Bytes(clear.begin() + 70, clear.begin() + 78)), "08 07 06 05 04 03 02 01");
  // Root offset, 31 vtable entries, vtable reference, field17, three offset words, three counts.
  std::vector<std::pair<u32, u32>> spans = {{0, 4},  {66, 4}, {70, 8},  {78, 4}, {82, 4},
                                            {86, 4}, {90, 4}, {110, 4}, {147, 4}};
  for (u32 k = 0; k < 31; ++k) spans.emplace_back(4 + 2 * k, 2);
  expect_swapped_both_ways(kav_ot_cachelocalmsg__pack, kav_ot_cachelocalmsg__unpack,
                           kav_ot_cachelocalmsg_free__unpacked, m, reversed_at(clear, spans));
}

TEST(ByteSwap, EachUnitHasItsOwnFlag) {
  SwapFlags flags;
  // The sync package packs through its own unit: the main unit's flag does not reach it.
  const kav_sync_ethlen_update e = {1, 2};
  kav::testing::set_swap_flag(Unit::main_send, 1);
  Bytes b(24);
  u32 len = 24;
  EXPECT_EQ(kav_sync_ethlen_update__pack(&e, b.data(), &len), 0u);
  kav::testing::set_swap_flag(Unit::main_send, 0);
  EXPECT_EQ(dump(b), dump(hex("0C000000 0800 0C00 0400 0800 08000000 01000000 02000000")));
}

}  // namespace
}  // namespace codec_test
