// Packed layouts byte for byte, and what pack reports for every capacity and pointer.
#include <array>

#include "codec_support.hpp"
#include "messages/catalogue.hpp"
#include "support/structures.hpp"

namespace codec_test {
namespace {

kav_host host_all_set() {
  auto h = zeroed<kav_host>();
  h.field0 = 1, h.field1 = 2, h.field2 = 3, h.field3 = 4, h.field4 = 5, h.field5 = 6, h.field6 = 7;
  for (u8 i = 0; i < 16; ++i) h.field7[i] = static_cast<u8>(0xA0 + i);
  h.field8 = 8, h.field9 = 9, h.field10 = 10, h.field11 = 11, h.field12 = 12;
  for (u8 i = 0; i < 6; ++i) h.field13[i] = static_cast<u8>(0xB0 + i);
  return h;
}

// Packs into a 300-byte area filled with 0xCC: the bytes written must be `want`, nothing after them
// may change, and unpacking them must give the structure back.
template <class T, class Pack, class Unpack>
void expect_packed(const T& msg, Pack pack, Unpack unpack, const Bytes& want) {
  std::array<u8, 300> area;
  area.fill(0xCC);
  u32 len = 300;
  osal_host_reset();
  ASSERT_EQ(pack(&msg, area.data(), &len), 0u);
  ASSERT_EQ(len, want.size());
  EXPECT_EQ(dump(area.data(), len), dump(want));
  for (std::size_t i = len; i < area.size(); ++i) ASSERT_EQ(area[i], 0xCC) << "byte " << i << " written";
  T back = filled<T>();
  unpack(want.data(), static_cast<u32>(want.size()), &back);
  EXPECT_EQ(kav::test::difference(back, msg), "");
  EXPECT_EQ(osal_host_log_count(), 0u);
}

#define EXPECT_LAYOUT(what, type, value, bytes)                         \
  do {                                                                  \
    SCOPED_TRACE(what);                                                 \
    expect_packed(value, type##__pack, type##__unpack, hex(bytes));     \
  } while (0)

TEST(PackedLayout, FlatAndNestedTables) {
  const kav_pid_state_chg chg = {5, {1, 0, 0}};
  const kav_smooth_begin_msg begin = {5, {1, 0}};
  kav_srcaddrv6 v6 = zeroed<kav_srcaddrv6>();
  v6.field0 = 7;
  for (u8 i = 0; i < 16; ++i) v6.field5[i] = static_cast<u8>(i + 1);
  // clang-format off
  EXPECT_LAYOUT("pid_state 1, 2, 3: 30 bytes", kav_pid_state, (kav_pid_state{1, 2, 3}),
                "0E000000 0A00 1000 0400 0800 0C00 0A000000 01000000 02000000 03000000");
  EXPECT_LAYOUT("pid_state 1, 0, 3: 26 bytes, slot 1 absent", kav_pid_state, (kav_pid_state{1, 0, 3}),
                "0E000000 0A00 0C00 0400 0000 0800 0A000000 01000000 03000000");
  EXPECT_LAYOUT("pid_state all zero: 18 bytes", kav_pid_state, (kav_pid_state{0, 0, 0}),
                "0E000000 0A00 0400 0000 0000 0000 0A000000");
  EXPECT_LAYOUT("pid_state_chg 5, {1, 0, 0}: 40 bytes", kav_pid_state_chg, chg,
                "0C000000 0800 0A00 0400 0600 08000000 0500 0E000000 0A00 0800 0400 0000 0000 0A000000 01000000");
  EXPECT_LAYOUT("pid_state_chg all zero: 34 bytes, the nested table still written", kav_pid_state_chg,
                zeroed<kav_pid_state_chg>(),
                "0C000000 0800 0800 0000 0400 08000000 0E000000 0A00 0400 0000 0000 0000 0A000000");
  EXPECT_LAYOUT("smooth_begin_msg 5, {1, 0}: 40 bytes", kav_smooth_begin_msg, begin,
                "0C000000 0800 0C00 0400 0800 08000000 05000000 0C000000 0800 0800 0400 0000 08000000 01000000");
  EXPECT_LAYOUT("host with every scalar set: 110 bytes", kav_host, host_all_set(),
                "24000000 2000 4A00 0400 0800 0C00 1000 1200 1400 1800 2400 1C00 1D00 1E00 1F00 2000 2800 "
                "20000000 01000000 02000000 03000000 0400 0500 06000000 07000000 08 09 0A 0B 0C000000 "
                "08000000 18000000 10000000 A0A1A2A3A4A5A6A7A8A9AAABACADAEAF 06000000 B0B1B2B3B4B5");
  EXPECT_LAYOUT("host all zero: 78 bytes, both arrays written", kav_host, zeroed<kav_host>(),
                "24000000 2000 2A00 0000 0000 0000 0000 0000 0000 0000 0400 0000 0000 0000 0000 0000 0800 "
                "20000000 08000000 18000000 10000000 00000000000000000000000000000000 06000000 000000000000");
  EXPECT_LAYOUT("srcaddrv6 with field0 and the array: 52 bytes", kav_srcaddrv6, v6,
                "14000000 1000 2000 0400 0000 0000 0000 0000 0800 10000000 07000000 04000000 10000000 "
                "0102030405060708090A0B0C0D0E0F10");
  EXPECT_LAYOUT("queenable with both fields: 21 bytes, the u8 last", kav_queenable, (kav_queenable{0x01020304, 0x99}),
                "0C000000 0800 0900 0400 0800 08000000 04030201 99");
  // clang-format on
}

TEST(PackedLayout, Wrappers) {
  kav_resetstat item = {1, 0, 0, 0, 0, 0};
  auto w = zeroed<kav_resetstat_update>();
  w.n_field1 = 1;
  w.field1 = &item;
  // clang-format off
  EXPECT_LAYOUT("resetstat_update 0, one element {1, 0, 0, 0, 0, 0}: 52 bytes", kav_resetstat_update, w,
                "0C000000 0800 1000 0000 0400 08000000 04000000 01000000 14000000 1000 0800 0400 0000 0000 "
                "0000 0000 0000 10000000 01000000");
  auto empty = zeroed<kav_host_update>();
  EXPECT_LAYOUT("host_update with no list and field0 0: 16 bytes", kav_host_update, empty,
                "0C000000 0800 0400 0000 0000 08000000");
  empty.field0 = 7;
  EXPECT_LAYOUT("host_update with no list: 20 bytes", kav_host_update, empty,
                "0C000000 0800 0800 0400 0000 08000000 07000000");
  kav_host items[2] = {host_all_set(), host_all_set()};
  items[1].field0 = 0x10000;
  empty.field1 = items;  // a pointer without a count is not a list
  EXPECT_LAYOUT("host_update with a pointer but count 0: 20 bytes", kav_host_update, empty,
                "0C000000 0800 0800 0400 0000 08000000 07000000");
  // clang-format on

  auto two = zeroed<kav_host_update>();
  two.field0 = 7;
  two.n_field1 = 2;
  two.field1 = items;
  u32 len = kAllOnes;
  ASSERT_EQ(kav_host_update__pack(&two, nullptr, &len), 0u);
  EXPECT_EQ(len, 248u);
  Bytes buf(248);
  len = 248;
  ASSERT_EQ(kav_host_update__pack(&two, buf.data(), &len), 0u);
  // Each item is the record's own packed form without its root offset word.
  const Bytes record =
      hex("2000 4A00 0400 0800 0C00 1000 1200 1400 1800 2400 1C00 1D00 1E00 1F00 2000 2800 20000000 01000000 "
          "02000000 03000000 0400 0500 06000000 07000000 08 09 0A 0B 0C000000 08000000 18000000 10000000 "
          "A0A1A2A3A4A5A6A7A8A9AAABACADAEAF 06000000 B0B1B2B3B4B5");
  EXPECT_EQ(dump(prefix(buf, 36)),
            dump(hex("0C000000 0800 1800 0400 0800 08000000 07000000 04000000 02000000 28000000 8E000000")));
  EXPECT_EQ(dump(Bytes(buf.begin() + 36, buf.begin() + 142)), dump(record));
  EXPECT_EQ(dump(Bytes(buf.begin() + 142, buf.end())), dump(patch(record, 36, "00000100")));
  kav_host_update back = filled<kav_host_update>();
  osal_host_reset();
  kav_host_update__unpack(buf.data(), 248, &back);
  EXPECT_EQ(kav::test::difference(back, two), "");
  EXPECT_EQ(back.n_field1, 2u);
  kav_host_update_free__unpacked(&back);
  EXPECT_EQ(osal_host_live_blocks(), 0u);
}

TEST(PackResult, CapacityBufferAndMessage) {
  const kav_pid_state msg = {1, 2, 3};
  const Bytes full = hex("0E000000 0A00 1000 0400 0800 0C00 0A000000 01000000 02000000 03000000");
  struct Row {
    const char* name;
    bool null_msg;
    bool null_buf;
    u32 capacity;
    u32 result;
    u32 len_after;
    std::vector<Log> logs;
  };
  const Log query100 = {"kav_pid_state_pack", kPackParam, {S("null"), U(100), S("nonNull")}};
  const Log query_max = {"kav_pid_state_pack", kPackParam, {S("null"), U(0xFFFFFFFF), S("nonNull")}};
  const Row rows[] = {
      {"capacity 29 is one short", false, false, 29, kAllOnes, 29, {}},
      {"capacity 30 is exact", false, false, 30, 0, 30, {}},
      {"capacity 100 reports 30", false, false, 100, 0, 30, {}},
      {"capacity 0 is not a size query", false, false, 0, kAllOnes, 0, {}},
      {"null buffer with capacity 100 is a size query", false, true, 100, 0, 30, {query100}},
      {"null buffer with capacity 0xFFFFFFFF", false, true, 0xFFFFFFFF, 0, 30, {query_max}},
      {"null buffer with capacity 29 fails", false, true, 29, kAllOnes, 29, {}},
      {"null message", true, false, 100, kAllOnes, 100, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    osal_host_reset();
    Bytes area(100, 0xCC);
    u32 len = r.capacity;
    EXPECT_EQ(kav_pid_state__pack(r.null_msg ? nullptr : &msg, r.null_buf ? nullptr : area.data(), &len), r.result);
    EXPECT_EQ(len, r.len_after);
    expect_logs(r.logs);
    if (r.result == 0 && !r.null_buf) {
      EXPECT_EQ(dump(prefix(area, 30)), dump(full));
    } else {
      EXPECT_EQ(dump(area), dump(Bytes(100, 0xCC)));
    }
  }
}

TEST(PackResult, WrapperSizeQueryLogsUnderItsPackName) {
  kav_resetstat item = {1, 0, 0, 0, 0, 0};
  auto w = zeroed<kav_resetstat_update>();
  w.n_field1 = 1;
  w.field1 = &item;
  osal_host_reset();
  u32 len = 52;
  EXPECT_EQ(kav_resetstat_update__pack(&w, nullptr, &len), 0u);
  EXPECT_EQ(len, 52u);
  expect_logs({{"kav_resetstat_update_pack", kPackParam, {S("null"), U(52), S("nonNull")}}});
  len = 51;
  Bytes area(60, 0xCC);
  EXPECT_EQ(kav_resetstat_update__pack(&w, area.data(), &len), kAllOnes);
  EXPECT_EQ(len, 51u);
  EXPECT_EQ(dump(area), dump(Bytes(60, 0xCC)));
  len = 100;
  EXPECT_EQ(kav_resetstat_update__pack(nullptr, area.data(), &len), kAllOnes);
  EXPECT_EQ(len, 100u);
  EXPECT_EQ(osal_host_log_count(), 1u);
}

}  // namespace
}  // namespace codec_test
