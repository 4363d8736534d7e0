// The two ways a root table is decoded, vtables shorter or longer than the record, decoding that
// stops part-way, and buffers that several messages share.
#include <optional>

#include "codec_support.hpp"
#include "messages/catalogue.hpp"
#include "support/structures.hpp"

namespace codec_test {
namespace {

// An unpack function called on an area of bytes, so one table can hold every message.
using AreaUnpack = u32 (*)(const u8*, u32, u8*);

struct FormRow {
  const char* name;
  u32 size;
  bool delegating;
  const char* header_func;
  AreaUnpack unpack;
};

#define FORM_ROW(msg, size, delegating, header_func) \
  FormRow{#msg, size, delegating, header_func,        \
          [](const u8* b, u32 l, u8* o) { return msg##__unpack(b, l, reinterpret_cast<msg*>(o)); }}

const FormRow kForms[] = {
    FORM_ROW(kav_pid_state, 12, false, "kav_pid_state_unpack"),
    FORM_ROW(kav_host, 56, true, "kav_host_unpack_non_root"),
    FORM_ROW(kav_ifsamplerate, 20, false, "kav_ifsamplerate_unpack"),
    FORM_ROW(kav_ifsamplecfg, 28, true, "kav_ifsamplecfg_unpack_non_root"),
    FORM_ROW(kav_ifindexswitch, 12, false, "kav_ifindexswitch_unpack"),
    FORM_ROW(kav_monitorcfg, 48, true, "kav_monitorcfg_unpack_non_root"),
    FORM_ROW(kav_globalcfg, 56, true, "kav_globalcfg_unpack_non_root"),
    FORM_ROW(kav_templateflow, 188, false, "kav_templateflow_unpack"),
    FORM_ROW(kav_recordcfg, 48, true, "kav_recordcfg_unpack_non_root"),
    FORM_ROW(kav_resetstat, 24, true, "kav_resetstat_unpack_non_root"),
    FORM_ROW(kav_host_update, 16, false, "kav_host_update_unpack"),
    FORM_ROW(kav_ot_monitorcfg, 24, true, "kav_ot_monitorcfg_unpack_non_root"),
    FORM_ROW(kav_ot_samplerate, 20, false, "kav_ot_samplerate_unpack"),
    FORM_ROW(kav_ot_cachelocalmsg, 136, true, "kav_ot_cachelocalmsg_unpack_non_root"),
    FORM_ROW(kav_sync_host_update, 56, true, "kav_sync_host_update_unpack_non_root"),
    FORM_ROW(kav_sync_ethlen_update, 8, false, "kav_sync_ethlen_update_unpack"),
    FORM_ROW(kav_sync_resetstat_update, 24, true, "kav_sync_resetstat_update_unpack_non_root"),
};

// Runs one unpack into a 0xEE area: returns the number of leading bytes that hold `value`, and
// checks that nothing beyond the structure was written.
u32 unpack_area(const FormRow& r, const Bytes& b, u32 len, u8 value) {
  alignas(8) u8 area[256];
  std::memset(area, 0xEE, sizeof area);
  EXPECT_EQ(r.unpack(b.data(), len, area), r.size);
  for (u32 i = r.size; i < sizeof area; ++i) EXPECT_EQ(area[i], 0xEE) << "byte " << i << " past the structure";
  u32 n = 0;
  while (n < r.size && area[n] == value) ++n;
  return n;
}

TEST(RootForm, HeaderFaultLeavesTheStructureUntouchedOrZero) {
  struct Buffer {
    const char* name;
    Bytes bytes;
    u32 table;
  };
  const Buffer buffers[] = {{"4-byte buffer, root offset 4", hex("04000000"), 4},
                            {"8-byte buffer, root offset 2", hex("02000000 00000000"), 2}};
  for (const FormRow& r : kForms) {
    SCOPED_TRACE(r.name);
    for (const Buffer& b : buffers) {
      SCOPED_TRACE(b.name);
      osal_host_reset();
      EXPECT_EQ(unpack_area(r, b.bytes, static_cast<u32>(b.bytes.size()), r.delegating ? 0x00 : 0xEE), r.size);
      expect_logs({{r.header_func, kTable, {U(b.table), U(b.bytes.size())}}});
    }
  }
}

TEST(RootForm, ParameterFaultLeavesTheStructureUntouchedInBothForms) {
  const Bytes b = hex("04000000");
  for (const FormRow& r : kForms) {
    SCOPED_TRACE(r.name);
    osal_host_reset();
    EXPECT_EQ(unpack_area(r, b, 3, 0xEE), r.size);
    const std::string func = std::string(r.name) + "_unpack";
    expect_logs({{func.c_str(), kParam, {S("nonNull"), I(3), S("nonNull")}}});
  }
}

#define SET(v, n) v.field##n = n
kav_ot_flexrecord flexrecord_all() {
  auto f = zeroed<kav_ot_flexrecord>();
  f.field0 = 0x01020304, f.field1 = 0x11, f.field2 = 0x12, f.field3 = 0x0A0B0C0D;
  SET(f, 4), SET(f, 5), SET(f, 6), SET(f, 7), SET(f, 8), SET(f, 9), SET(f, 10), SET(f, 11), SET(f, 12), SET(f, 13);
  SET(f, 14), SET(f, 15), SET(f, 16), SET(f, 17), SET(f, 18), SET(f, 19), SET(f, 20), SET(f, 21), SET(f, 22);
  SET(f, 23), SET(f, 24), SET(f, 25), SET(f, 26), SET(f, 27), SET(f, 28), SET(f, 29), SET(f, 30), SET(f, 31);
  SET(f, 32), SET(f, 33), SET(f, 34), SET(f, 35), SET(f, 36);
  return f;
}

kav_recordcfg recordcfg_all() {
  auto r = zeroed<kav_recordcfg>();
  r.field0 = 0x01020304, r.field31 = 0x0A0B0C0D;
  SET(r, 1), SET(r, 2), SET(r, 3), SET(r, 4), SET(r, 5), SET(r, 6), SET(r, 7), SET(r, 8), SET(r, 9), SET(r, 10);
  SET(r, 11), SET(r, 12), SET(r, 13), SET(r, 14), SET(r, 15), SET(r, 16), SET(r, 17), SET(r, 18), SET(r, 19);
  SET(r, 20), SET(r, 21), SET(r, 22), SET(r, 23), SET(r, 24), SET(r, 25), SET(r, 26), SET(r, 27), SET(r, 28);
  SET(r, 29), SET(r, 30), SET(r, 32), SET(r, 33), SET(r, 34), SET(r, 35), SET(r, 36), SET(r, 37), SET(r, 38);
  return r;
}
#undef SET

template <class T, class Unpack>
void expect_unpacks_to(Unpack unpack, const Bytes& b, const T& want) {
  osal_host_reset();
  T out = filled<T>();
  unpack(b.data(), static_cast<u32>(b.size()), &out);
  EXPECT_EQ(kav::test::difference(out, want), "");
  EXPECT_EQ(osal_host_log_count(), 0u);
}

TEST(VtableLength, ShortOddAndLongVtables) {
  const kav_ot_flexrecord all = flexrecord_all();
  Bytes flex(129);
  u32 len = 129;
  ASSERT_EQ(kav_ot_flexrecord__pack(&all, flex.data(), &len), 0u);
  ASSERT_EQ(dump(prefix(flex, 6)), "52 00 00 00 4E 00");  // root offset 82, vtable length 78
  auto no36 = all;
  no36.field36 = 0;
  auto no35 = no36;
  no35.field35 = 0;
  Bytes longer = flex;
  for (u8 x : hex("DEADBEEF DEADBEEF")) longer.push_back(x);
  struct FlexRow {
    const char* name;
    Bytes bytes;
    kav_ot_flexrecord want;
  };
  const FlexRow rows[] = {
      {"full vtable (78)", flex, all},
      {"vtable length 77 drops slot 36", patch(flex, 4, "4D00"), no36},
      {"vtable length 76 drops slot 36", patch(flex, 4, "4C00"), no36},
      {"vtable length 75 drops slots 35 and 36", patch(flex, 4, "4B00"), no35},
      {"vtable length 4", patch(flex, 4, "0400"), zeroed<kav_ot_flexrecord>()},
      {"vtable length 2", patch(flex, 4, "0200"), zeroed<kav_ot_flexrecord>()},
      {"vtable length 0", patch(flex, 4, "0000"), zeroed<kav_ot_flexrecord>()},
      {"table length entry 0", patch(flex, 6, "0000"), all},
      {"table length entry 65535", patch(flex, 6, "FFFF"), all},
      {"bytes after the message are ignored", longer, all},
  };
  for (const FlexRow& r : rows) {
    SCOPED_TRACE(r.name);
    expect_unpacks_to(kav_ot_flexrecord__unpack, r.bytes, r.want);
  }

  const kav_recordcfg rc = recordcfg_all();
  Bytes rcb(135);
  len = 135;
  ASSERT_EQ(kav_recordcfg__pack(&rc, rcb.data(), &len), 0u);
  auto first30 = rc;
  first30.field31 = 0;
  first30.field30 = first30.field32 = first30.field33 = first30.field34 = 0;
  first30.field35 = first30.field36 = first30.field37 = first30.field38 = 0;
  SCOPED_TRACE("recordcfg with a 64-byte vtable keeps slots 0 to 29");
  expect_unpacks_to(kav_recordcfg__unpack, patch(rcb, 4, "4000"), first30);

  const Bytes v6 = hex("14000000 1000 2000 0400 0000 0000 0000 0000 0800 10000000 07000000 04000000 10000000 "
                       "0102030405060708090A0B0C0D0E0F10");
  auto v6_want = zeroed<kav_srcaddrv6>();
  v6_want.field0 = 7;
  SCOPED_TRACE("srcaddrv6 with a 14-byte vtable has no array");
  expect_unpacks_to(kav_srcaddrv6__unpack, patch(v6, 4, "0E00"), v6_want);

  const Bytes pid = hex("0E000000 0A00 1000 0400 0800 0C00 0A000000 01000000 02000000 03000000");
  struct PidRow {
    const char* vlen;
    kav_pid_state want;
  };
  for (const PidRow& r : {PidRow{"0600", {1, 0, 0}}, PidRow{"0700", {1, 0, 0}}, PidRow{"0800", {1, 2, 0}},
                          PidRow{"0900", {1, 2, 0}}, PidRow{"0B00", {1, 2, 3}}}) {
    SCOPED_TRACE(std::string("pid_state vtable length bytes ") + r.vlen);
    expect_unpacks_to(kav_pid_state__unpack, patch(pid, 4, r.vlen), r.want);
  }
}

// Unpacks a list whose items may fail and frees it: one block, released by the failing unpack or by
// the free function, with the list's own function names.
template <class W>
void expect_list(u32 (*unpack)(const u8*, u32, W*), void (*release)(W*), const std::string& msg, const Bytes& b,
                 u32 field0, u32 count, bool items, u32 block) {
  osal_host_reset();
  W out = filled<W>();
  EXPECT_EQ(unpack(b.data(), static_cast<u32>(b.size()), &out), 16u);
  EXPECT_EQ(out.field0, field0);
  EXPECT_EQ(out.n_field1, count);
  EXPECT_EQ(out.field1 != nullptr, items);
  release(&out);
  EXPECT_EQ(osal_host_log_count(), 0u);
  ASSERT_EQ(osal_host_mem_event_count(), 2u);
  expect_mem(0, OSAL_HOST_MEM_CACHE_ALLOC, block, 12, (msg + "_unpack").c_str());
  expect_mem(1, OSAL_HOST_MEM_FREE, block, 12, (msg + "_free_unpacked").c_str());
  EXPECT_EQ(osal_host_live_blocks(), 0u);
}

// A record whose fixed array has the wrong count: inside a list the item fails and the whole item
// array is released.
TEST(PartialDecoding, WrongArrayCountInAListItemReleasesTheArray) {
  auto tf = zeroed<kav_templateflow>();
  tf.field0 = 1, tf.field1 = 2, tf.field2 = 3, tf.field3 = 4, tf.field4 = 5, tf.field5 = 6, tf.field6 = 7;
  tf.field7 = 8, tf.field8 = 9;
  kav_templateflow tfs[2] = {tf, tf};
  auto tw = zeroed<kav_templateflow_update>();
  tw.n_field1 = 2;
  tw.field1 = tfs;
  Bytes tb(480);
  u32 len = 480;
  ASSERT_EQ(kav_templateflow_update__pack(&tw, tb.data(), &len), 0u);
  ASSERT_EQ(len, 480u);  // 16 + 8 + 8 + 2 × 224
  // Item 0's table lies at 56 (its count at 84); item 1's at 280 (its count at 308).
  ASSERT_EQ(dump(Bytes(tb.begin() + 84, tb.begin() + 88)), "2A 00 00 00");
  ASSERT_EQ(dump(Bytes(tb.begin() + 308, tb.begin() + 312)), "2A 00 00 00");
  struct Row {
    const char* name;
    Bytes bytes;
    bool items;
  };
  for (const Row& r : {Row{"templateflow items intact", tb, true},
                       Row{"templateflow item 0 count 41", patch(tb, 84, "29000000"), false},
                       Row{"templateflow item 1 count 43", patch(tb, 308, "2B000000"), false}}) {
    SCOPED_TRACE(r.name);
    expect_list(kav_templateflow_update__unpack, kav_templateflow_update_free__unpacked, "kav_templateflow_update",
                r.bytes, 0, 2, r.items, 376);
  }

  kav_cachelog cl = {1, 2, 3, {}};
  for (u8 i = 0; i < 64; ++i) cl.field3[i] = i;
  auto cw = zeroed<kav_cachelog_delete>();
  cw.field0 = 9;
  cw.n_field1 = 1;
  cw.field1 = &cl;
  Bytes cb(132);
  len = 132;
  ASSERT_EQ(kav_cachelog_delete__pack(&cw, cb.data(), &len), 0u);
  ASSERT_EQ(len, 132u);  // 20 + 8 + 4 + 100; the item's count at 64
  ASSERT_EQ(dump(Bytes(cb.begin() + 64, cb.begin() + 68)), "40 00 00 00");
  for (const Row& r : {Row{"cachelog item intact", cb, true},
                       Row{"cachelog item count 63", patch(cb, 64, "3F000000"), false},
                       Row{"cachelog item count 65", patch(cb, 64, "41000000"), false}}) {
    SCOPED_TRACE(r.name);
    expect_list(kav_cachelog_delete__unpack, kav_cachelog_delete_free__unpacked, "kav_cachelog_delete", r.bytes, 9, 1,
                r.items, 76);
  }
}

TEST(SharedLayout, OneBufferManyMessages) {
  const Bytes q = hex("0C000000 0800 0900 0400 0800 08000000 04030201 99");
  expect_unpacks_to(kav_queenable__unpack, q, kav_queenable{0x01020304, 0x99});
  expect_unpacks_to(kav_extenable__unpack, q, kav_extenable{0x01020304, 0x99});

  // A five-slot rate record read by the four-slot sync message, and the other way round.
  const Bytes rate5 = hex("12000000 0E00 1500 0400 0800 0C00 1000 1400 0E000000 01000000 02000000 03000000 "
                          "04000000 05");
  const Bytes rate4 = hex("10000000 0C00 1400 0400 0800 0C00 1000 0C000000 01000000 02000000 03000000 04000000");
  expect_unpacks_to(kav_sync_ifsamplerate_update__unpack, rate5, kav_sync_ifsamplerate_update{1, 2, 3, 4});
  auto r5 = zeroed<kav_ifsamplerate>();
  r5.field0 = 1, r5.field1 = 2, r5.field2 = 3, r5.field3 = 4;
  expect_unpacks_to(kav_ifsamplerate__unpack, rate4, r5);
  r5.field4 = 5;
  Bytes out(39);
  u32 len = 39;
  ASSERT_EQ(kav_ifsamplerate__pack(&r5, out.data(), &len), 0u);
  EXPECT_EQ(dump(out), dump(rate5));
  const kav_sync_ifsamplerate_update s4 = {1, 2, 3, 4};
  out.assign(36, 0);
  len = 36;
  ASSERT_EQ(kav_sync_ifsamplerate_update__pack(&s4, out.data(), &len), 0u);
  EXPECT_EQ(dump(out), dump(rate4));
}

}  // namespace
}  // namespace codec_test
