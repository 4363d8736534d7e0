// The bytes a single fixed message hands to the messaging library: table first, every slot
// present, vtable behind the table, length a multiple of 8.
#include <functional>

#include "kav.h"
#include "mesh_support.hpp"

namespace {

using namespace meshtest;

struct Row {
  std::string name;
  u32 id;
  std::function<u32()> single;  // __sendsingle of the message, no target
  std::function<u32()> batch;   // __sendbatch of the same message alone
  Image image;
};

template <class T>
Row row(std::string name, T msg, u32 (*single)(u32, const T*, u64, u64),
        u32 (*batch)(u32, const T*, u32, u64), Image image) {
  const u32 id = fnv1a("kav." + name.substr(4));
  return Row{std::move(name), id, [msg, single] { return single(5, &msg, 0, 0); },
             [msg, batch] { return batch(5, &msg, 1, 0); }, std::move(image)};
}

Row pid_state() {
  const kav_pid_state m{0x11223344, 0x55667788, 0x99AABBCC};
  Image img(32);
  img.put(0, 4, 4).put(4, static_cast<u32>(-16), 4);
  img.put(8, 0x11223344, 4).put(12, 0x55667788, 4).put(16, 0x99AABBCC, 4);
  img.u16s(20, {10, 16, 4, 8, 12});
  return row("kav_pid_state", m, &kav_pid_state__sendsingle, &kav_pid_state__sendbatch, img);
}

Row pid_state_chg() {
  const kav_pid_state_chg m{0xA1B2, {0x01020304, 0x05060708, 0x090A0B0C}};
  Image img(56);
  img.put(0, 4, 4).put(4, static_cast<u32>(-40), 4).put(8, 0xA1B2, 2);
  img.put(10, 4, 4);                                   // offset word: the nested table follows
  img.put(14, static_cast<u32>(-16), 4);               // nested vtable reference
  img.put(18, 0x01020304, 4).put(22, 0x05060708, 4).put(26, 0x090A0B0C, 4);
  img.u16s(30, {10, 16, 4, 8, 12});                    // nested vtable behind its table
  img.u16s(44, {8, 38, 4, 6});                         // root vtable
  return row("kav_pid_state_chg", m, &kav_pid_state_chg__sendsingle, &kav_pid_state_chg__sendbatch,
             img);
}

Row host(bool zero) {
  kav_host m{};
  if (!zero) {
    m = kav_host{0x10000001, 0x20000002, 0x30000003, 0x4004, 0x5005, 0x60000006, 0x70000007, {},
                 0x81,       0x92,       0xA3,       0xB4,   0xC000000C, {}};
    for (u8 i = 0; i < 16; ++i) m.field7[i] = static_cast<u8>(0xA0 + i);
    for (u8 i = 0; i < 6; ++i) m.field13[i] = static_cast<u8>(0xD0 + i);
  }
  Image img(112);
  img.put(0, 4, 4).put(4, static_cast<u32>(-76), 4);
  img.put(8, m.field0, 4).put(12, m.field1, 4).put(16, m.field2, 4);
  img.put(20, m.field3, 2).put(22, m.field4, 2).put(24, m.field5, 4).put(28, m.field6, 4);
  img.put(32, 4, 4).put(36, 16, 4).bytes(40, m.field7, 16);  // slot 7 at table offset 28
  img.put(56, m.field8, 1).put(57, m.field9, 1).put(58, m.field10, 1).put(59, m.field11, 1);
  img.put(60, m.field12, 4);
  img.put(64, 4, 4).put(68, 6, 4).bytes(72, m.field13, 6);   // table ends at offset 74
  img.u16s(80, {32, 74, 4, 8, 12, 16, 18, 20, 24, 28, 52, 53, 54, 55, 56, 60});
  Row r = row("kav_host", m, &kav_host__sendsingle, &kav_host__sendbatch, img);
  if (zero) r.name += " all zero";
  return r;
}

Row templateflow() {
  kav_templateflow m{0x11111111, 0x22222222, 0x33, 0x44, 0x5555, 0x6666, 0x7777, 0x8888, 0x9999, {}};
  for (u16 i = 0; i < 42; ++i) {
    m.field9[i] = kav_templateflow_entry{static_cast<u16>(0x0100 + i), static_cast<u8>(i + 1),
                                         static_cast<u8>(0xFF - i)};
  }
  Image img(232);
  img.put(0, 4, 4).put(4, static_cast<u32>(-200), 4).put(8, 0x11111111, 4).put(12, 0x22222222, 4);
  img.put(16, 0x33, 1).put(17, 0x44, 1).put(18, 0x5555, 2).put(20, 0x6666, 2).put(22, 0x7777, 2);
  img.put(24, 0x8888, 2).put(26, 0x9999, 2).put(28, 4, 4).put(32, 42, 4);
  for (u32 i = 0; i < 42; ++i) {  // entries at table offsets 32 to 199
    img.put(36 + 4 * i, 0x0100 + i, 2).put(38 + 4 * i, i + 1, 1).put(39 + 4 * i, 0xFF - i, 1);
  }
  img.u16s(204, {24, 200, 4, 8, 12, 13, 14, 16, 18, 20, 22, 24});
  return row("kav_templateflow", m, &kav_templateflow__sendsingle, &kav_templateflow__sendbatch, img);
}

Row cachelog() {
  kav_cachelog m{0xA0A0A0A0, 0xB1B1B1B1, 0xC2C2C2C2, {}};
  for (u8 i = 0; i < 64; ++i) m.field3[i] = static_cast<u8>(3 * i + 1);
  Image img(104);
  img.put(0, 4, 4).put(4, static_cast<u32>(-88), 4);
  img.put(8, 0xA0A0A0A0, 4).put(12, 0xB1B1B1B1, 4).put(16, 0xC2C2C2C2, 4);
  img.put(20, 4, 4).put(24, 64, 4).bytes(28, m.field3, 64);
  img.u16s(92, {12, 88, 4, 8, 12, 16});
  return row("kav_cachelog", m, &kav_cachelog__sendsingle, &kav_cachelog__sendbatch, img);
}

Row globalsamplerate() {
  const kav_globalsamplerate m{0x0A0B0C0D, 0xE1, 0xF2, 0x13243546, 0x5768798A};
  Image img(40);
  img.put(0, 4, 4).put(4, static_cast<u32>(-20), 4).put(8, 0x0A0B0C0D, 4).put(12, 0xE1, 1);
  img.put(13, 0xF2, 1).put(14, 0x13243546, 4).put(18, 0x5768798A, 4);  // u32 at table offsets 10, 14
  img.u16s(24, {14, 18, 4, 8, 9, 10, 14});
  return row("kav_globalsamplerate", m, &kav_globalsamplerate__sendsingle,
             &kav_globalsamplerate__sendbatch, img);
}

Row recordcfg() {
  kav_recordcfg m{};
  m.field0 = 0xCAFEF00D;
  // u8 field k holds 0x40 + k; field31 is the only other u32.
  m.field1 = 0x41; m.field2 = 0x42; m.field3 = 0x43; m.field4 = 0x44; m.field5 = 0x45;
  m.field6 = 0x46; m.field7 = 0x47; m.field8 = 0x48; m.field9 = 0x49; m.field10 = 0x4A;
  m.field11 = 0x4B; m.field12 = 0x4C; m.field13 = 0x4D; m.field14 = 0x4E; m.field15 = 0x4F;
  m.field16 = 0x50; m.field17 = 0x51; m.field18 = 0x52; m.field19 = 0x53; m.field20 = 0x54;
  m.field21 = 0x55; m.field22 = 0x56; m.field23 = 0x57; m.field24 = 0x58; m.field25 = 0x59;
  m.field26 = 0x5A; m.field27 = 0x5B; m.field28 = 0x5C; m.field29 = 0x5D; m.field30 = 0x5E;
  m.field31 = 0x31323334;
  m.field32 = 0x60; m.field33 = 0x61; m.field34 = 0x62; m.field35 = 0x63; m.field36 = 0x64;
  m.field37 = 0x65; m.field38 = 0x66;
  Image img(144);
  img.put(0, 4, 4).put(4, static_cast<u32>(-52), 4).put(8, 0xCAFEF00D, 4);
  for (u32 k = 1; k <= 30; ++k) img.put(11 + k, 0x40 + k, 1);  // table offsets 8 to 37
  img.put(42, 0x31323334, 4);                                    // field31 at table offset 38
  for (u32 k = 32; k <= 38; ++k) img.put(14 + k, 0x40 + k, 1);  // table offsets 42 to 48
  img.u16s(56, {82, 49, 4,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25,
                26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 42, 43, 44, 45, 46, 47, 48});
  return row("kav_recordcfg", m, &kav_recordcfg__sendsingle, &kav_recordcfg__sendbatch, img);
}

std::vector<Row> rows() {
  return {pid_state(),  pid_state_chg(), host(false),        host(true),
          templateflow(), cachelog(),    globalsamplerate(), recordcfg()};
}

TEST(FixedEncoding, SingleSendHandsOverTheDocumentedBytes) {
  for (const Row& r : rows()) {
    SCOPED_TRACE(r.name);
    fresh();
    ASSERT_EQ(r.single(), 0u);
    EXPECT_EQ(osal_host_mem_event_count(), 0u) << "a single fixed message needs no heap";
    ASSERT_EQ(vmesh_send_count(), 1u);
    const VmeshSendCall c = send_call(0);
    EXPECT_EQ(c.function, VMESH_SEND_MSG);
    EXPECT_EQ(c.dest, 5u);
    EXPECT_EQ(c.count, 1u);
    const Sent s = sent(0, 0);
    EXPECT_EQ(s.id, r.id);
    EXPECT_EQ(s.length, r.image.b.size());
    EXPECT_EQ(mismatch(r.image, s.bytes), "");
  }
}

// Padding is never read; still, the same message must not carry stale memory into the wire,
// so every byte is compared: two stack encodings and one in a freshly allocated (0xA5) area.
TEST(FixedEncoding, SameMessageGivesSameBytesEveryTime) {
  for (const Row& r : rows()) {
    SCOPED_TRACE(r.name);
    fresh();
    ASSERT_EQ(r.single(), 0u);
    ASSERT_EQ(r.single(), 0u);
    ASSERT_EQ(r.batch(), 0u);
    ASSERT_EQ(vmesh_send_count(), 3u);
    const Sent first = sent(0, 0);
    EXPECT_EQ(sent(1, 0).bytes, first.bytes);
    EXPECT_EQ(sent(2, 0).bytes, first.bytes);
    EXPECT_EQ(sent(2, 0).length, r.image.b.size());
  }
}

}  // namespace
