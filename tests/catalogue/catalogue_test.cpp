// Every message of both packages against the hand-written table of the catalogue's values
// (values.txt, read by catalogue_values.hpp). The functions are reached by name through the
// dynamic linker: a row of the table, a structure of raw bytes of the stated size, and the exported
// C functions are all that meet here.
// The message lists of the public headers are used only to check that the table follows them.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "catalogue/catalogue_values.hpp"
#include "kav.h"
#include "kav_sync.h"
#include "osal_host.h"
#include "varelmesh_control.h"

namespace {

using u8 = std::uint8_t;
using u32 = std::uint32_t;
constexpr u32 kFail = 0xFFFFFFFFu;

// FNV-1a, 32 bits, as published: offset basis 2166136261, prime 16777619.
u32 fnv1a(const std::string& text) {
  u32 h = 2166136261u;
  for (char c : text) h = (h ^ static_cast<u8>(c)) * 16777619u;
  return h;
}

using kav_catalogue::Row;
const std::vector<Row>& rows() { return kav_catalogue::kRows; }
bool list(const Row& r) { return r.item != nullptr; }
const Row& row_named(const char* name) {
  return *std::find_if(rows().begin(), rows().end(), [&](const Row& r) { return std::strcmp(r.name, name) == 0; });
}

void* symbol(const std::string& name) {
  static void* const library = dlopen(KAV_LIBRARY, RTLD_NOW | RTLD_GLOBAL);  // by name, as a host would
  EXPECT_NE(library, nullptr) << dlerror();
  void* p = dlsym(RTLD_DEFAULT, name.c_str());
  EXPECT_NE(p, nullptr) << "libkav does not export " << name;
  return p;
}
template <class F>
F fn(const Row& r, const char* suffix) {
  return reinterpret_cast<F>(symbol(std::string(r.name) + suffix));
}
struct Api {
  u32 (*pack)(const void*, u8*, u32*);
  u32 (*unpack)(const u8*, u32, void*);
  void (*release)(void*);
  u32 (*sendmsg)(u32, const void*, u32);
  u32 (*sendtomsg)(u32, const void*, u32, std::uint64_t);
  u32 (*sendsingle)(u32, const void*, std::uint64_t, std::uint64_t);
  u32 (*sendbatch)(u32, const void*, u32, std::uint64_t);
  explicit Api(const Row& r)
      : pack(fn<decltype(pack)>(r, "__pack")),
        unpack(fn<decltype(unpack)>(r, "__unpack")),
        release(fn<decltype(release)>(r, "_free__unpacked")),
        sendmsg(fn<decltype(sendmsg)>(r, "__sendmsg")),
        sendtomsg(fn<decltype(sendtomsg)>(r, "__sendtomsg")),
        sendsingle(fn<decltype(sendsingle)>(r, "__sendsingle")),
        sendbatch(fn<decltype(sendbatch)>(r, "__sendbatch")) {}
};

template <class Body>
void for_each_row(Body body) {
  for (const Row& r : rows()) {
    SCOPED_TRACE(r.name);
    osal_host_reset();
    vmesh_reset();
    vmesh_set_loopback(0);
    body(r, Api(r));
  }
}

// A structure area: 16-byte aligned, larger than any structure. A pattern makes every scalar
// non-zero and neighbouring bytes different.
struct Area {
  alignas(16) std::array<u8, 512> b{};
  explicit Area(u8 fill = 0) { b.fill(fill); }
  void pattern(u32 seed) {
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<u8>((i * 29 + seed * 11) % 255 + 1);
  }
  bool all(u8 v, std::size_t from, std::size_t to) const {
    return std::all_of(b.begin() + static_cast<long>(from), b.begin() + static_cast<long>(to),
                       [v](u8 x) { return x == v; });
  }
  u32 u32_at(std::size_t at) const {
    u32 v;
    std::memcpy(&v, &b[at], 4);
    return v;
  }
  void* ptr_at(std::size_t at) const {
    void* p;
    std::memcpy(&p, &b[at], sizeof p);
    return p;
  }
};
// A list: field0 at 0, n_field1 at 4, field1 at 8.
void set_list(Area& a, u32 field0, u32 count, const void* items) {
  a.b.fill(0);
  std::memcpy(&a.b[0], &field0, 4);
  std::memcpy(&a.b[4], &count, 4);
  std::memcpy(&a.b[8], &items, sizeof items);
}
// n items of the list's record, each byte from `seed` (0: all zero).
std::vector<u8> items_of(const Row& r, u32 n, u32 seed) {
  std::vector<u8> v(row_named(r.item).size * n);
  for (std::size_t i = 0; seed != 0 && i < v.size(); ++i) v[i] = static_cast<u8>((i * seed) % 255 + 1);
  return v;
}
// The message for a row: a patterned record, or a list with field0 and `count` patterned items.
void make(const Row& r, Area& a, std::vector<u8>& items, u32 count, u32 seed) {
  if (!list(r)) return a.pattern(seed);
  items = items_of(r, count, seed);
  set_list(a, 0xA1B2C3D4, count, count ? items.data() : nullptr);
}

u32 u32_le(const u8* p) { return u32{p[0]} | u32{p[1]} << 8 | u32{p[2]} << 16 | u32{p[3]} << 24; }
u32 u16_le(const u8* p) { return u32{p[0]} | u32{p[1]} << 8; }

// Packs into a large buffer, and again into one of exactly the size that took (the encoder then
// measures before it writes): both must give the same bytes.
std::vector<u8> pack(const Api& api, const void* msg) {
  std::vector<u8> out(8192, 0xEE);
  u32 len = static_cast<u32>(out.size());
  EXPECT_EQ(api.pack(msg, out.data(), &len), 0u);
  out.resize(std::min<std::size_t>(len, out.size()));
  std::vector<u8> exact(out.size(), 0xEE);
  len = static_cast<u32>(exact.size());
  EXPECT_EQ(api.pack(msg, exact.data(), &len), 0u);
  EXPECT_EQ(exact, out) << "packed into a buffer of exactly its size";
  return out;
}

// One log record since the last reset: function, line, code and text.
void expect_log(const std::string& func, u32 line, const std::string& text, u32 code = 22) {
  ASSERT_EQ(osal_host_log_count(), 1u);
  OsalHostLogRecord rec{};
  osal_host_log_record(0, &rec);
  EXPECT_EQ(std::string(rec.func) + " " + std::to_string(rec.line) + " " + std::to_string(rec.code) + " " + rec.text,
            func + " " + std::to_string(line) + " " + std::to_string(code) + " " + text);
  osal_host_reset();
}

// ---- the table ----------------------------------------------------------------------------------

TEST(Catalogue, TableFollowsTheMessageListsOfTheHeaders) {
  std::vector<std::string> listed;
#define KAV_WIRE(pkg, name) listed.push_back(#pkg "." #name);
  KAV_MESSAGES(KAV_WIRE)
  KAV_SYNC_MESSAGES(KAV_WIRE)
#undef KAV_WIRE
  std::vector<std::string> table;
  std::set<u32> ids;
  for (const Row& r : rows()) {
    table.push_back(r.wire);
    EXPECT_TRUE(ids.insert(fnv1a(r.wire)).second) << r.wire << ": identifier collides";
    EXPECT_EQ(r.vtable_len, 4 + 2 * r.slots) << r.wire;
    const bool fixed = r.encoder == kav_catalogue::kFixed;
    EXPECT_TRUE(list(r) ? !fixed && !list(row_named(r.item)) : fixed) << r.wire;
  }
  EXPECT_EQ(table, listed);
  EXPECT_EQ(fnv1a("a"), 0xE40C292Cu);  // published test vectors
  EXPECT_EQ(fnv1a("foobar"), 0xBF9CF968u);
}

// Each package registers its messages in table order, under the FNV-1a of the wire name, with the
// message's own unpack and free functions.
TEST(Catalogue, ReceiveInitialisersRegisterEveryMessageInOrder) {
  for (const char* pkg : {"kav", "kav_sync"}) {
    vmesh_reset();
    EXPECT_EQ(reinterpret_cast<u32 (*)()>(symbol(std::string(pkg) + "_recv_init"))(), 0u);
    u32 i = 0;
    for (const Row& r : rows()) {
      if (std::string(r.package) != pkg) continue;
      SCOPED_TRACE(r.name);
      VmeshRegistration reg{};
      ASSERT_EQ(vmesh_registration(i++, &reg), 1);
      EXPECT_EQ(reg.id, fnv1a(r.wire));
      EXPECT_EQ(reinterpret_cast<void*>(reg.unpack), symbol(std::string(r.name) + "__unpack"));
      EXPECT_EQ(reinterpret_cast<void*>(reg.release), symbol(std::string(r.name) + "_free__unpacked"));
    }
    EXPECT_EQ(vmesh_registration_count(), i);
  }
}

// ---- unpacking ----------------------------------------------------------------------------------

TEST(EveryMessage, UnpackReturnsTheSizeAndShowsItsForm) {
  const u8 no_slots[12] = {8, 0, 0, 0, 4, 0, 4, 0, 4, 0, 0, 0};  // a valid table listing no slots
  const u8 root_at_end[4] = {4, 0, 0, 0};
  const u8 root_at_two[16] = {2, 0, 0, 0, 4, 0, 4, 0, 4, 0, 0, 0};
  for_each_row([&](const Row& r, const Api& api) {
    Area out(0xA5);
    EXPECT_EQ(api.unpack(no_slots, 12, out.b.data()), r.size);
    EXPECT_TRUE(out.all(0, 0, r.size) && out.all(0xA5, r.size, out.b.size()));
    // Parameter faults leave the structure untouched, whatever the form.
    out = Area(0xA5);
    EXPECT_EQ(api.unpack(nullptr, 16, out.b.data()), r.size);
    expect_log(std::string(r.name) + "_unpack", 101, "[KESMO]:Param invalid(null, 16, nonNull)");
    EXPECT_EQ(api.unpack(no_slots, 3, out.b.data()), r.size);
    expect_log(std::string(r.name) + "_unpack", 101, "[KESMO]:Param invalid(nonNull, 3, nonNull)");
    EXPECT_EQ(api.unpack(no_slots, 12, nullptr), r.size);
    expect_log(std::string(r.name) + "_unpack", 101, "[KESMO]:Param invalid(nonNull, 12, null)");
    EXPECT_TRUE(out.all(0xA5, 0, out.b.size()));
    // A root header fault: found by the unpack function itself (in place: untouched) or by the
    // record's table decoder after zeroing (delegating).
    const bool in_place = r.form == kav_catalogue::kInPlace;
    for (auto [bytes, len, table] : {std::tuple{root_at_end, 4u, 4u}, std::tuple{root_at_two, 16u, 2u}}) {
      out = Area(0xA5);
      EXPECT_EQ(api.unpack(bytes, len, out.b.data()), r.size);
      EXPECT_TRUE(out.all(in_place ? 0xA5 : 0, 0, r.size) && out.all(0xA5, r.size, out.b.size()));
      expect_log(
          std::string(r.name) + (in_place ? "_unpack" : "_unpack_non_root"), in_place ? 111 : 121,
          "[KESMO]:Table offset(" + std::to_string(table) + ") is out of range(4 - " + std::to_string(len) + ")");
    }
  });
}

// ---- packing ------------------------------------------------------------------------------------

// The root of a packed buffer: root offset 4 + vtable length, the vtable at 4 with the type's
// length, the table's reference pointing back at it.
void expect_compact_root(const Row& r, const std::vector<u8>& b) {
  ASSERT_GE(b.size(), 8u + r.vtable_len);
  EXPECT_EQ(u32_le(&b[0]), 4 + r.vtable_len);
  EXPECT_EQ(u16_le(&b[4]), r.vtable_len);
  EXPECT_EQ(u32_le(&b[4 + r.vtable_len]), r.vtable_len);
}

TEST(EveryMessage, PackedSizesAndCapacity) {
  for_each_row([](const Row& r, const Api& api) {
    Area zero, full;
    std::vector<u8> items;
    if (list(r))
      set_list(full, 1, 0, nullptr);
    else
      full.pattern(1);
    EXPECT_EQ(pack(api, zero.b.data()).size(), r.packed_zero);
    const auto packed = pack(api, full.b.data());
    EXPECT_EQ(packed.size(), r.packed_full);
    expect_compact_root(r, packed);
    if (list(r)) {  // the list is packed only when both count and pointer are set
      const Row& item = row_named(r.item);
      struct Case {
        u32 field0, count, seed, want;
      };
      for (const Case& c :
           {Case{0, 0, 3, r.packed_zero}, Case{7, 0, 3, r.packed_full}, Case{0, 2, 0, 16 + 8 + 2 * item.packed_zero},
            Case{7, 3, 31, 20 + 8 + 3 * item.packed_full}}) {
        items = items_of(r, std::max(c.count, 1u), c.seed);
        Area list;
        set_list(list, c.field0, c.count, items.data());
        const auto b = pack(api, list.b.data());
        EXPECT_EQ(b.size(), c.want) << c.count << " items";
        expect_compact_root(r, b);
      }
    }
    // A null buffer is a size query; one byte short fails and writes nothing.
    u32 len = kFail;
    EXPECT_EQ(api.pack(full.b.data(), nullptr, &len), 0u);
    EXPECT_EQ(len, r.packed_full);
    expect_log(std::string(r.name) + "_pack", 201, "[KESMO]:Param invalid(null, 4294967295, nonNull)");
    std::vector<u8> buf(r.packed_full + 8, 0xEE);
    for (u32 cap : {r.packed_full - 1, 0u}) {
      len = cap;
      EXPECT_EQ(api.pack(full.b.data(), buf.data(), &len), kFail);
      EXPECT_EQ(len, cap);
    }
    EXPECT_EQ(api.pack(nullptr, buf.data(), &len), kFail);
    EXPECT_TRUE(std::all_of(buf.begin(), buf.end(), [](u8 b) { return b == 0xEE; }));
    len = r.packed_full;
    EXPECT_EQ(api.pack(full.b.data(), buf.data(), &len), 0u);
    EXPECT_EQ(std::vector<u8>(buf.begin(), buf.begin() + r.packed_full), packed);
    EXPECT_TRUE(std::all_of(buf.begin() + r.packed_full, buf.end(), [](u8 b) { return b == 0xEE; }));
    EXPECT_EQ(osal_host_log_count(), 0u);
  });
}

// Unpacking what pack wrote and packing it again gives the same bytes; the free function releases
// the items and leaves the pointer null and the count as it was.
TEST(EveryMessage, RepackingAndFreeing) {
  for_each_row([](const Row& r, const Api& api) {
    Area msg, out;
    std::vector<u8> items;
    make(r, msg, items, 3, 13);
    const auto first = pack(api, msg.b.data());
    EXPECT_EQ(api.unpack(first.data(), static_cast<u32>(first.size()), out.b.data()), r.size);
    EXPECT_EQ(pack(api, out.b.data()), first);
    const Area before = out;
    api.release(out.b.data());
    api.release(nullptr);
    if (list(r)) {
      EXPECT_EQ(out.ptr_at(8), nullptr);
      EXPECT_EQ(out.u32_at(4), 3u);
      api.release(out.b.data());  // finds the pointer null
    } else {
      EXPECT_EQ(out.b, before.b) << "free touched a message without a list";
    }
    EXPECT_EQ(osal_host_live_blocks(), 0u);
    EXPECT_EQ(osal_host_bad_free_count(), 0u);
  });
}

// ---- sending ------------------------------------------------------------------------------------

// A fixed message is sent with its length L: table at 4, every slot present, the vtable behind the
// table with the stated table length. It decodes like the packed form. A list is sent packed.
TEST(EveryMessage, SingleSendEncoding) {
  for_each_row([](const Row& r, const Api& api) {
    Area msg;
    std::vector<u8> items;
    make(r, msg, items, 2, 7);
    EXPECT_EQ(api.sendsingle(7, msg.b.data(), 0, 0), 0u);
    VmeshSentEntry e{};
    ASSERT_EQ(vmesh_sent_entry(0, 0, &e), 1);
    EXPECT_EQ(e.msgId, fnv1a(r.wire));
    const std::vector<u8> sent(e.bytes, e.bytes + e.length);
    if (list(r)) {
      EXPECT_EQ(sent, pack(api, msg.b.data()));
      return;
    }
    ASSERT_EQ(e.length, r.fixed_len);
    EXPECT_EQ(u32_le(&sent[0]), 4u);
    const u32 vt = 4 - u32_le(&sent[4]);
    ASSERT_LE(vt + r.vtable_len, e.length);
    EXPECT_EQ(vt % 4, 0u);
    EXPECT_EQ(u16_le(&sent[vt]), r.vtable_len);
    EXPECT_EQ(u16_le(&sent[vt + 2]), r.send_table);
    for (u32 k = 0; k < r.slots; ++k) EXPECT_NE(u16_le(&sent[vt + 4 + 2 * k]), 0u) << "slot " << k;
    Area out;
    EXPECT_EQ(api.unpack(sent.data(), e.length, out.b.data()), r.size);
    EXPECT_EQ(pack(api, out.b.data()), pack(api, msg.b.data()));
    EXPECT_EQ(osal_host_mem_event_count(), 0u) << "a single fixed message needs no heap";
  });
}

// The four send functions: count 0 is refused, one message goes out alone, a target selects the
// targeted call, a batch is one call in one working area, and the library's result comes back.
TEST(EveryMessage, EverySendShapeMakesOneLibraryCall) {
  for_each_row([](const Row& r, const Api& api) {
    std::vector<u8> two(2 * r.size + 16, 0), items;
    Area a, b;
    make(r, a, items, 1, 5);
    if (list(r))
      set_list(b, 0, 0, nullptr);
    else
      b.pattern(6);
    std::memcpy(two.data(), a.b.data(), r.size);
    std::memcpy(two.data() + r.size, b.b.data(), r.size);
    const u32 len_a = list(r) ? static_cast<u32>(pack(api, a.b.data()).size()) : r.fixed_len;
    const u32 len_b = list(r) ? r.packed_zero : r.fixed_len;
    EXPECT_EQ(api.sendmsg(1, two.data(), 0), kFail);
    EXPECT_EQ(api.sendtomsg(1, two.data(), 0, 5), kFail);
    EXPECT_EQ(vmesh_send_count() + osal_host_mem_event_count(), 0u) << "count 0 does no work";
    struct Call {
      u32 (*send)(const Api&, const u8*);
      u32 function, count;
      std::uint64_t to;
      u32 result;
    };
    const Call calls[] = {
        {[](const Api& x, const u8* m) { return x.sendmsg(9, m, 1); }, VMESH_SEND_MSG, 1, 0, 0},
        {[](const Api& x, const u8* m) { return x.sendtomsg(9, m, 1, 0); }, VMESH_SEND_MSG, 1, 0, 5},
        {[](const Api& x, const u8* m) { return x.sendtomsg(9, m, 1, 1); }, VMESH_SEND_TO_MSG, 1, 1, kFail - 1},
        {[](const Api& x, const u8* m) { return x.sendsingle(9, m, 0xDEAD, 99); }, VMESH_SEND_TO_MSG, 1, 99, 0},
        {[](const Api& x, const u8* m) { return x.sendbatch(9, m, 2, 0); }, VMESH_SEND_MSG, 2, 0, 7},
        {[](const Api& x, const u8* m) { return x.sendmsg(9, m, 2); }, VMESH_SEND_MSG, 2, 0, 0},
        {[](const Api& x, const u8* m) { return x.sendtomsg(9, m, 2, 3); }, VMESH_SEND_TO_MSG, 2, 3, 0},
    };
    for (const Call& c : calls) {
      SCOPED_TRACE(std::to_string(c.count) + " to " + std::to_string(c.to));
      osal_host_reset();
      vmesh_reset();
      vmesh_script_send_result(c.result);
      EXPECT_EQ(c.send(api, two.data()), c.result);
      VmeshSendCall call{};
      ASSERT_EQ(vmesh_send_count(), 1u);
      vmesh_send_call(0, &call);
      EXPECT_EQ(std::tuple(call.function, call.dest, call.count, call.to), std::tuple(c.function, 9u, c.count, c.to));
      for (u32 j = 0; j < call.count; ++j) {
        VmeshSentEntry e{};
        vmesh_sent_entry(0, j, &e);
        EXPECT_EQ(std::pair(e.msgId, e.length), std::pair(fnv1a(r.wire), j == 0 ? len_a : len_b)) << "entry " << j;
      }
      // Working memory: none for one fixed message, the packed size for one list, and for a batch
      // the encodings (L each, or 64 KiB for lists) and 16 bytes per entry.
      const u32 area = c.count == 1 ? (list(r) ? len_a : 0) : 2 * 16 + (list(r) ? 65536 : 2 * r.fixed_len);
      const std::string func = std::string(r.name) + (c.count == 1 ? "__sendsingle" : "__sendbatch");
      OsalHostMemEvent ev[2]{};
      ASSERT_EQ(osal_host_mem_event_count(), area == 0 ? 0u : 2u);
      if (area == 0) continue;
      osal_host_mem_event(0, &ev[0]);
      osal_host_mem_event(1, &ev[1]);
      EXPECT_EQ(std::tuple(ev[0].service, ev[0].size, ev[0].arg, std::string(ev[0].func)),
                std::tuple(OSAL_HOST_MEM_ALLOC, area, 0x6200u, func));
      EXPECT_EQ(std::tuple(ev[1].service, ev[1].ptr, std::string(ev[1].func)),
                std::tuple(OSAL_HOST_MEM_FREE, ev[0].ptr, func));
    }
  });
}

}  // namespace
