// The decoder's bounds checks, one table per check, each at its boundary: what the structure holds
// afterwards, and the exact log records (header faults only).
#include <optional>

#include "codec_support.hpp"
#include "messages/catalogue.hpp"
#include "support/structures.hpp"

namespace codec_test {
namespace {

template <class T>
struct Row {
  const char* name;
  Bytes bytes;
  std::optional<T> want;  // empty: the structure is left as the caller passed it
  std::vector<Log> logs;
};

template <class T, class Unpack>
void run(Unpack unpack, u32 size, const std::vector<Row<T>>& rows) {
  for (const Row<T>& r : rows) {
    SCOPED_TRACE(r.name);
    osal_host_reset();
    T out = filled<T>();
    EXPECT_EQ(unpack(r.bytes.data(), static_cast<u32>(r.bytes.size()), &out), size);
    if (r.want) {
      EXPECT_EQ(kav::test::difference(out, *r.want), "");
    } else {
      EXPECT_TRUE(untouched(out)) << "the structure was written";
    }
    expect_logs(r.logs);
  }
}

// kav_pid_state {1, 2, 3}: root offset 14, vtable at 4, table at 14, fields at 18, 22, 26.
const Bytes kPid = hex("0E000000 0A00 1000 0400 0800 0C00 0A000000 01000000 02000000 03000000");

Log pid_log(const char* fmt, u64 a, u64 b) { return {"kav_pid_state_unpack", fmt, {U(a), U(b)}}; }

TEST(BufferCheck, NullPointersAndLengths) {
  struct ParamRow {
    const char* name;
    bool null_buf;
    u32 len;
    bool null_out;
    std::vector<Arg> args;
  };
  const ParamRow rows[] = {
      {"null buffer", true, 30, false, {S("null"), I(30), S("nonNull")}},
      {"null output", false, 30, true, {S("nonNull"), I(30), S("null")}},
      {"both null", true, 0, true, {S("null"), I(0), S("null")}},
      {"length 0", false, 0, false, {S("nonNull"), I(0), S("nonNull")}},
      {"length 3", false, 3, false, {S("nonNull"), I(3), S("nonNull")}},
      {"length 2^31 is negative", false, 0x80000000u, false, {S("nonNull"), I(-2147483648LL), S("nonNull")}},
      {"length 0xFFFFFFFF is -1", false, 0xFFFFFFFFu, false, {S("nonNull"), I(-1), S("nonNull")}},
  };
  for (const ParamRow& r : rows) {
    SCOPED_TRACE(r.name);
    osal_host_reset();
    kav_pid_state out = filled<kav_pid_state>();
    EXPECT_EQ(kav_pid_state__unpack(r.null_buf ? nullptr : kPid.data(), r.len, r.null_out ? nullptr : &out), 12u);
    EXPECT_TRUE(untouched(out));
    expect_logs({{"kav_pid_state_unpack", kParam, r.args}});
  }
}

// clang-format off
TEST(TablePosition, RootOffset) {
  run<kav_pid_state>(kav_pid_state__unpack, 12, {
      {"4-byte buffer holding root offset 4", hex("04000000"), {}, {pid_log(kTable, 4, 4)}},
      {"root offset 0", patch(kPid, 0, "00000000"), {}, {pid_log(kTable, 0, 30)}},
      {"root offset 3", patch(kPid, 0, "03000000"), {}, {pid_log(kTable, 3, 30)}},
      {"root offset 4, vtable behind the table", hex("04000000 F8FFFFFF 01000000 0600 0800 0400"),
       kav_pid_state{1, 0, 0}, {}},
      {"root offset L-4 (26) is a table position", patch(kPid, 0, "1A000000"), kav_pid_state{}, {}},
      {"root offset L-3 (27)", patch(kPid, 0, "1B000000"), {}, {pid_log(kTable, 27, 30)}},
      {"root offset 2^31", patch(kPid, 0, "00000080"), {}, {pid_log(kTable, 0x80000000u, 30)}}});
}

TEST(VtablePosition, Reference) {
  run<kav_pid_state>(kav_pid_state__unpack, 12, {
      {"vtable at 4", kPid, kav_pid_state{1, 2, 3}, {}},
      {"vtable at 3", patch(kPid, 14, "0B000000"), {}, {pid_log(kVtable, 3, 26)}},
      {"vtable at 0", patch(kPid, 14, "0E000000"), {}, {pid_log(kVtable, 0, 26)}},
      {"reference wraps below position 0", patch(kPid, 14, "0F000000"), {}, {pid_log(kVtable, 0xFFFFFFFFu, 26)}},
      {"vtable after its table at L-4", patch(kPid, 14, "F4FFFFFF"), kav_pid_state{}, {}},
      {"vtable after its table at L-3", patch(kPid, 14, "F3FFFFFF"), {}, {pid_log(kVtable, 27, 26)}},
      {"reference 2^31", patch(kPid, 14, "00000080"), {}, {pid_log(kVtable, 2147483662u, 26)}}});
}

TEST(VtableLength, EndOfBuffer) {
  run<kav_pid_state>(kav_pid_state__unpack, 12, {
      {"vtable ends at the last byte (26)", patch(kPid, 4, "1A00"), kav_pid_state{1, 2, 3}, {}},
      {"vtable ends one byte past (27)", patch(kPid, 4, "1B00"), {}, {pid_log(kVtableLen, 27, 26)}},
      {"largest vtable length", patch(kPid, 4, "FFFF"), {}, {pid_log(kVtableLen, 65535, 26)}},
      {"vtable after the table ending one byte past", hex("04000000 F8FFFFFF 01000000 0700 0800 0400"), {},
       {pid_log(kVtableLen, 7, 6)}}});
}

TEST(ScalarBounds, LastByte) {
  run<kav_pid_state>(kav_pid_state__unpack, 12, {
      {"slot 2 ends on the last byte", kPid, kav_pid_state{1, 2, 3}, {}},
      {"slot 2 ends one byte past", patch(kPid, 12, "0D00"), kav_pid_state{1, 2, 0}, {}},
      {"slot 2 starts 2 bytes before the end", patch(kPid, 12, "0E00"), kav_pid_state{1, 2, 0}, {}},
      {"slot 1 at the largest offset", patch(kPid, 10, "FFFF"), kav_pid_state{1, 0, 0}, {}},
      {"a failing slot 0 stops the valid later slots", patch(kPid, 8, "2000"), kav_pid_state{}, {}},
      {"buffer one byte short", prefix(kPid, 29), kav_pid_state{1, 2, 0}, {}},
      {"slot offsets below 4 are read where they point", patch(kPid, 8, "0100"), kav_pid_state{0x01000000, 2, 3}, {}}});
  const Bytes q = hex("0C000000 0800 0900 0400 0800 08000000 04030201 99");
  run<kav_queenable>(kav_queenable__unpack, 8, {
      {"u8 on the last byte", q, kav_queenable{0x01020304, 0x99}, {}},
      {"u8 one past the end", prefix(q, 20), kav_queenable{0x01020304, 0}, {}}});
}

// kav_pid_state_chg 5, {1, 0, 0}: root table at 12, field0 at 16, offset word at 18 (value 14),
// nested vtable at 22, nested table at 32, nested field0 at 36.
const Bytes kChg = hex("0C000000 0800 0A00 0400 0600 08000000 0500 0E000000 0A00 0800 0400 0000 0000 0A000000 "
                       "01000000");

Log nested_log(const char* fmt, u64 a, u64 b) { return {"kav_pid_state_unpack_non_root", fmt, {U(a), U(b)}}; }

kav_pid_state_chg chg(u16 f0, kav_pid_state nested) {
  auto v = zeroed<kav_pid_state_chg>();
  v.field0 = f0;
  v.field1 = nested;
  return v;
}

TEST(OffsetWord, PositionAndTarget) {
  run<kav_pid_state_chg>(kav_pid_state_chg__unpack, 16, {
      {"nested table decoded", kChg, chg(5, {1, 0, 0}), {}},
      {"offset word in the last four bytes", patch(kChg, 10, "1800"), chg(5, {}), {nested_log(kTable, 37, 40)}},
      {"offset word one byte past", patch(kChg, 10, "1900"), chg(5, {}), {}},
      {"target wraps below the word", patch(kChg, 18, "F0FFFFFF"), chg(5, {}), {}},
      {"largest value wraps to the word minus one", patch(kChg, 18, "FFFFFFFF"), chg(5, {}), {}},
      {"target far past the end", patch(kChg, 18, "FFFFFF7F"), chg(5, {}), {nested_log(kTable, 2147483665u, 40)}},
      {"slot 1 absent", patch(kChg, 10, "0000"), chg(5, {}), {}}});
}

TEST(NestedTable, HeaderFaultsLogUnderTheNestedRecord) {
  run<kav_pid_state_chg>(kav_pid_state_chg__unpack, 16, {
      {"nested vtable before position 4", patch(kChg, 32, "1D000000"), chg(5, {}), {nested_log(kVtable, 3, 36)}},
      {"nested vtable reference wraps", patch(kChg, 32, "40000000"), chg(5, {}),
       {nested_log(kVtable, 4294967264u, 36)}},
      {"nested vtable ends at the last byte", patch(kChg, 22, "1200"), chg(5, {1, 0, 0}), {}},
      {"nested vtable ends one byte past", patch(kChg, 22, "1300"), chg(5, {}), {nested_log(kVtableLen, 19, 18)}},
      {"nested scalar past the end is not logged", patch(kChg, 26, "0600"), chg(5, {}), {}}});
  auto begin = zeroed<kav_smooth_begin_msg>();
  begin.field0 = 5;
  const Bytes b = hex("0C000000 0800 0C00 0400 0800 08000000 05000000 0C000000 0800 0800 0400 0000 08000000 01000000");
  run<kav_smooth_begin_msg>(kav_smooth_begin_msg__unpack, 12, {
      {"nested vtable reference points outside", patch(b, 32, "00010000"), begin,
       {{"kav_smooth_unpack_non_root", kVtable, {U(4294967072u), U(36)}}}}});
}

// kav_host with every field set (110 bytes): slot 7 offset word at 72 (value 8), its count at 80,
// slot 13 offset word at 76 (value 24), its count at 100 and its 6 bytes at 104 to 109.
const Bytes kHost = hex(
    "24000000 2000 4A00 0400 0800 0C00 1000 1200 1400 1800 2400 1C00 1D00 1E00 1F00 2000 2800 20000000 01000000 "
    "02000000 03000000 0400 0500 06000000 07000000 08 09 0A 0B 0C000000 08000000 18000000 10000000 "
    "A0A1A2A3A4A5A6A7A8A9AAABACADAEAF 06000000 B0B1B2B3B4B5");

// The host record with the fields of slots 0 to last - 1 set, the rest zero.
kav_host host_upto(int last) {
  auto h = zeroed<kav_host>();
  const kav_host all = {1, 2, 3, 4, 5, 6, 7, {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB,
                        0xAC, 0xAD, 0xAE, 0xAF}, 8, 9, 10, 11, 12, {0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5}};
  if (last > 0) h.field0 = all.field0;
  if (last > 1) h.field1 = all.field1;
  if (last > 2) h.field2 = all.field2;
  if (last > 3) h.field3 = all.field3;
  if (last > 4) h.field4 = all.field4;
  if (last > 5) h.field5 = all.field5;
  if (last > 6) h.field6 = all.field6;
  if (last > 7) std::memcpy(h.field7, all.field7, 16);
  if (last > 8) h.field8 = all.field8;
  if (last > 9) h.field9 = all.field9;
  if (last > 10) h.field10 = all.field10;
  if (last > 11) h.field11 = all.field11;
  if (last > 12) h.field12 = all.field12;
  if (last > 13) std::memcpy(h.field13, all.field13, 6);
  return h;
}

TEST(ArrayHeader, CountAndEnd) {
  kav_host no7 = host_upto(14);
  std::memset(no7.field7, 0, 16);
  run<kav_host>(kav_host__unpack, 56, {
      {"both arrays decoded", kHost, host_upto(14), {}},
      {"count 15", patch(kHost, 80, "0F000000"), host_upto(7), {}},
      {"count 17", patch(kHost, 80, "11000000"), host_upto(7), {}},
      {"count 0", patch(kHost, 80, "00000000"), host_upto(7), {}},
      {"count 0xFFFFFFFF wraps the end", patch(kHost, 80, "FFFFFFFF"), host_upto(7), {}},
      {"last array ends one byte past", prefix(kHost, 109), host_upto(13), {}},
      {"count word in the last four bytes", patch(kHost, 72, "22000000"), host_upto(7), {}},
      {"count word one byte further", patch(kHost, 72, "23000000"), host_upto(7), {}},
      {"count word at the length", patch(kHost, 72, "26000000"), host_upto(7), {}},
      {"count word far past the end", patch(kHost, 72, "F0FFFF7F"), host_upto(7), {}},
      {"offset word target wraps", patch(kHost, 72, "F0FFFFFF"), host_upto(7), {}},
      {"slot 7 absent", patch(kHost, 4 + 4 + 14, "0000"), no7, {}}});
}

// A flex template report with every field set, packed: slot 7 (42 u16) has its count at 58, slot 8
// its count at 146, slot 9 its count at 192.
kav_ot_flextemplate flextemplate_all() {
  auto t = zeroed<kav_ot_flextemplate>();
  t.field0 = 0x11223344, t.field1 = 1, t.field2 = 2, t.field3 = 0x0303, t.field4 = 0x0404, t.field5 = 0x0505;
  t.field6 = 0x0606;
  for (u16 i = 0; i < 42; ++i) {
    t.field7[i] = static_cast<u16>(0x7000 + i);
    t.field8[i] = static_cast<u8>(0x80 + i);
    t.field9[i] = static_cast<u8>(0x90 + i);
  }
  return t;
}

TEST(ArrayHeader, TwoByteElements) {
  const kav_ot_flextemplate all = flextemplate_all();
  Bytes base(238);
  u32 len = 238;
  ASSERT_EQ(kav_ot_flextemplate__pack(&all, base.data(), &len), 0u);
  ASSERT_EQ(len, 238u);
  ASSERT_EQ(dump(Bytes(base.begin() + 58, base.begin() + 64)), "2A 00 00 00 00 70");
  auto only_scalars = all;
  std::memset(only_scalars.field7, 0, sizeof only_scalars.field7);
  std::memset(only_scalars.field8, 0, sizeof only_scalars.field8);
  std::memset(only_scalars.field9, 0, sizeof only_scalars.field9);
  auto without7 = all;
  std::memset(without7.field7, 0, sizeof without7.field7);
  run<kav_ot_flextemplate>(kav_ot_flextemplate__unpack, 184, {
      {"count 42", base, all, {}},
      {"count 41", patch(base, 58, "29000000"), only_scalars, {}},
      {"count 43", patch(base, 58, "2B000000"), only_scalars, {}},
      {"count 2^31", patch(base, 58, "00000080"), only_scalars, {}},
      {"count 2^31 - 1 wraps the end", patch(base, 58, "FFFFFF7F"), only_scalars, {}},
      {"slot 7 absent", patch(base, 22, "0000"), without7, {}}});
}

TEST(ArrayHeader, FourByteElements) {
  auto t = zeroed<kav_templateflow>();
  t.field0 = 1, t.field1 = 2, t.field2 = 3, t.field3 = 4, t.field4 = 5, t.field5 = 6, t.field6 = 7, t.field7 = 8;
  t.field8 = 9;
  for (u8 i = 0; i < 42; ++i) t.field9[i] = {static_cast<u16>(0x100 + i), i, static_cast<u8>(0xFF - i)};
  Bytes base(228);
  u32 len = 228;
  ASSERT_EQ(kav_templateflow__pack(&t, base.data(), &len), 0u);
  ASSERT_EQ(dump(Bytes(base.begin() + 56, base.begin() + 64)), "2A 00 00 00 00 01 00 FF");
  auto scalars = t;
  std::memset(scalars.field9, 0, sizeof scalars.field9);
  run<kav_templateflow>(kav_templateflow__unpack, 188, {
      {"count 42", base, t, {}},
      {"count 41", patch(base, 56, "29000000"), scalars, {}},
      {"count 43", patch(base, 56, "2B000000"), scalars, {}},
      {"count 2^30", patch(base, 56, "00000040"), scalars, {}},
      {"count 2^30 - 1 wraps the end", patch(base, 56, "FFFFFF3F"), scalars, {}}});
}

// kav_resetstat_update 0, one element {1, 0, 0, 0, 0, 0}: vector offset word at 16, count at 20,
// element offset word at 24 (value 20), element vtable at 28, element table at 44.
const Bytes kList = hex("0C000000 0800 1000 0000 0400 08000000 04000000 01000000 14000000 1000 0800 0400 0000 0000 "
                        "0000 0000 0000 10000000 01000000");

struct ListRow {
  const char* name;
  Bytes bytes;
  u32 count;   // n_field1 afterwards
  bool items;  // field1 holds the decoded element
  u32 block;   // size of the block allocated, 0 for none
  std::vector<Log> logs;
};

Log element_log(const char* fmt, u64 a, u64 b) { return {"kav_resetstat_unpack_non_root", fmt, {U(a), U(b)}}; }

TEST(VectorHeader, CountOffsetAndElements) {
  const ListRow rows[] = {
      {"one element", kList, 1, true, 24, {}},
      {"count 0", patch(kList, 20, "00000000"), 0, false, 0, {}},
      {"count 7: words end at the last byte", patch(kList, 20, "07000000"), 7, false, 168,
       {element_log(kTable, 524332, 52)}},
      {"count 8: words end one byte past", patch(kList, 20, "08000000"), 0, false, 0, {}},
      {"count 2^30 is refused before multiplying", patch(kList, 20, "00000040"), 0, false, 0, {}},
      {"count 2^30 - 1 wraps the end", patch(kList, 20, "FFFFFF3F"), 0, false, 0, {}},
      {"vector offset word wraps", patch(kList, 16, "FFFFFFFF"), 0, false, 0, {}},
      {"count word at the length", patch(kList, 16, "24000000"), 0, false, 0, {}},
      {"element word wraps", patch(kList, 24, "F0FFFFFF"), 1, false, 24, {}},
      {"element table far past the end", patch(kList, 24, "FFFFFF7F"), 1, false, 24,
       {element_log(kTable, 2147483671u, 52)}},
      {"element vtable reference points outside", patch(kList, 44, "00010000"), 1, false, 24,
       {element_log(kVtable, 4294967084u, 48)}},
      {"element vtable ends one byte past", patch(kList, 28, "1900"), 1, false, 24, {element_log(kVtableLen, 25, 24)}},
      {"element vtable ends at the last byte", patch(kList, 28, "1800"), 1, true, 24, {}},
      {"element scalar past the end is not logged", patch(kList, 32, "0A00"), 1, false, 24, {}},
  };
  // clang-format on
  const kav_resetstat decoded = {1, 0, 0, 0, 0, 0};
  for (const ListRow& r : rows) {
    SCOPED_TRACE(r.name);
    osal_host_reset();
    kav_resetstat_update out = filled<kav_resetstat_update>();
    EXPECT_EQ(kav_resetstat_update__unpack(r.bytes.data(), static_cast<u32>(r.bytes.size()), &out), 16u);
    EXPECT_EQ(out.field0, 0u);
    EXPECT_EQ(out.n_field1, r.count);
    if (r.items) {
      ASSERT_NE(out.field1, nullptr);
      EXPECT_EQ(kav::test::difference(out.field1[0], decoded), "");
    } else {
      EXPECT_EQ(out.field1, nullptr);
    }
    expect_logs(r.logs);
    const u32 events = r.block == 0 ? 0u : r.items ? 1u : 2u;
    ASSERT_EQ(osal_host_mem_event_count(), events);
    if (r.block != 0) expect_mem(0, OSAL_HOST_MEM_CACHE_ALLOC, r.block, 12, "kav_resetstat_update_unpack");
    if (events == 2) expect_mem(1, OSAL_HOST_MEM_FREE, r.block, 12, "kav_resetstat_update_free_unpacked");
    kav_resetstat_update_free__unpacked(&out);
    EXPECT_EQ(out.field1, nullptr);
    EXPECT_EQ(osal_host_live_blocks(), 0u);
    EXPECT_EQ(osal_host_bad_free_count(), 0u);
  }
}

}  // namespace
}  // namespace codec_test
