// Checks every message of both packages against the hand-written catalogue table.
//
// The functions are reached by name through the dynamic linker, so these tests depend neither on the
// public headers nor on the library's own message descriptions: a row of the table, a structure of
// raw bytes of the stated size, and the exported C functions are all that meet here.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "catalogue_values.hpp"
#include "varelmesh_control.h"

namespace {

using kav_catalogue::Encoder;
using kav_catalogue::Form;
using kav_catalogue::kRows;
using kav_catalogue::Row;

constexpr std::uint32_t kAllOnes = 0xFFFFFFFFu;

// FNV-1a, 32 bits, as published: offset basis 2166136261, prime 16777619.
constexpr std::uint32_t fnv1a(const char* text) {
  std::uint32_t h = 2166136261u;
  for (; *text != '\0'; ++text) {
    h ^= static_cast<std::uint8_t>(*text);
    h *= 16777619u;
  }
  return h;
}

// ---- reaching the library by name -----------------------------------------------------------

using PackFn = std::uint32_t (*)(const void*, std::uint8_t*, std::uint32_t*);
using UnpackFn = std::uint32_t (*)(const std::uint8_t*, std::uint32_t, void*);
using FreeFn = void (*)(void*);
using SendMsgFn = std::uint32_t (*)(std::uint32_t, const void*, std::uint32_t);
using SendToMsgFn = std::uint32_t (*)(std::uint32_t, const void*, std::uint32_t, std::uint64_t);
using SendSingleFn = std::uint32_t (*)(std::uint32_t, const void*, std::uint64_t, std::uint64_t);
using SendBatchFn = std::uint32_t (*)(std::uint32_t, const void*, std::uint32_t, std::uint64_t);
using InitFn = std::uint32_t (*)();

// Makes sure the library's symbols are in the global scope before the first lookup.
void load_library() {
  static void* const handle = dlopen(KAV_LIBRARY_PATH, RTLD_NOW | RTLD_GLOBAL);
  ASSERT_NE(handle, nullptr) << "cannot load " << KAV_LIBRARY_PATH << ": " << dlerror();
}

void* lookup(const std::string& symbol) {
  load_library();
  return dlsym(RTLD_DEFAULT, symbol.c_str());
}

template <class Fn>
Fn lookup_as(const std::string& symbol) {
  return reinterpret_cast<Fn>(lookup(symbol));
}

struct Api {
  PackFn pack = nullptr;
  UnpackFn unpack = nullptr;
  FreeFn release = nullptr;
  SendMsgFn sendmsg = nullptr;
  SendToMsgFn sendtomsg = nullptr;
  SendSingleFn sendsingle = nullptr;
  SendBatchFn sendbatch = nullptr;
};

// Names of the seven functions of a message, in a fixed order.
std::array<std::string, 7> function_names(const Row& row) {
  const std::string n = row.name;
  return {n + "__pack",    n + "__unpack",     n + "_free__unpacked", n + "__sendmsg",
          n + "__sendtomsg", n + "__sendsingle", n + "__sendbatch"};
}

// Resolves the seven functions; false when any is missing (the Exports test names them).
bool resolve(const Row& row, Api& api) {
  const auto names = function_names(row);
  api.pack = lookup_as<PackFn>(names[0]);
  api.unpack = lookup_as<UnpackFn>(names[1]);
  api.release = lookup_as<FreeFn>(names[2]);
  api.sendmsg = lookup_as<SendMsgFn>(names[3]);
  api.sendtomsg = lookup_as<SendToMsgFn>(names[4]);
  api.sendsingle = lookup_as<SendSingleFn>(names[5]);
  api.sendbatch = lookup_as<SendBatchFn>(names[6]);
  return api.pack && api.unpack && api.release && api.sendmsg && api.sendtomsg && api.sendsingle &&
         api.sendbatch;
}

// Runs body(row, api) for every row whose functions all resolve; rows that do not resolve make the
// test fail once, with their names.
template <class Body>
void for_each_message(Body body, bool (*select)(const Row&) = nullptr) {
  std::string unresolved;
  for (const Row& row : kRows) {
    if (select != nullptr && !select(row)) continue;
    Api api;
    if (!resolve(row, api)) {
      unresolved += std::string(" ") + row.name;
      continue;
    }
    SCOPED_TRACE(row.name);
    body(row, api);
  }
  EXPECT_TRUE(unresolved.empty()) << "messages skipped, functions missing:" << unresolved;
}

bool is_wrapper(const Row& row) { return row.item != nullptr; }
bool is_plain(const Row& row) { return row.item == nullptr; }
bool is_fixed(const Row& row) { return row.encoder == Encoder::fixed; }

// ---- structure memory ---------------------------------------------------------------------------

// A zeroed, 16-byte aligned area comfortably larger than any message structure.
struct Area {
  alignas(16) std::array<std::uint8_t, 512> bytes{};
  void* data() { return bytes.data(); }
  const void* data() const { return bytes.data(); }
  void fill(std::uint8_t b) { bytes.fill(b); }
  // Every byte non-zero and every byte different from its neighbours, so that every scalar is
  // non-zero and two fields swapped by a codec do not look alike.
  void fill_pattern(std::uint32_t seed) {
    for (std::size_t i = 0; i < bytes.size(); ++i)
      bytes[i] = static_cast<std::uint8_t>((i * 29 + seed * 11) % 255 + 1);
  }
  bool all(std::uint8_t b, std::size_t n) const {
    return std::all_of(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n),
                       [b](std::uint8_t x) { return x == b; });
  }
};

// An item array for a wrapper: count records of the item's size, laid end to end.
struct Items {
  Items(std::uint32_t stride, std::uint32_t count) : block(stride * count + 16, 0) {}
  std::uint8_t* data() {
    auto p = reinterpret_cast<std::uintptr_t>(block.data());
    return reinterpret_cast<std::uint8_t*>((p + 15) & ~std::uintptr_t{15});
  }
  std::vector<std::uint8_t> block;
};

// A wrapper structure: field0 (u32) at 0, n_field1 (u32) at 4, field1 (pointer) at 8.
void set_wrapper(Area& a, std::uint32_t field0, std::uint32_t count, void* items) {
  a.fill(0);
  std::memcpy(&a.bytes[0], &field0, 4);
  std::memcpy(&a.bytes[4], &count, 4);
  std::memcpy(&a.bytes[8], &items, sizeof items);
}
std::uint32_t wrapper_count(const Area& a) {
  std::uint32_t v;
  std::memcpy(&v, &a.bytes[4], 4);
  return v;
}
void* wrapper_items(const Area& a) {
  void* p;
  std::memcpy(&p, &a.bytes[8], sizeof p);
  return p;
}

std::uint16_t u16_at(const std::uint8_t* p, std::size_t pos) {
  return static_cast<std::uint16_t>(p[pos] | (p[pos + 1] << 8));
}
std::uint32_t u32_at(const std::uint8_t* p, std::size_t pos) {
  return static_cast<std::uint32_t>(p[pos]) | (static_cast<std::uint32_t>(p[pos + 1]) << 8) |
         (static_cast<std::uint32_t>(p[pos + 2]) << 16) | (static_cast<std::uint32_t>(p[pos + 3]) << 24);
}

// Packs msg with a generous capacity; returns the bytes (empty when pack failed).
std::vector<std::uint8_t> pack_bytes(const Api& api, const void* msg) {
  std::vector<std::uint8_t> out(4096, 0xEE);
  std::uint32_t len = static_cast<std::uint32_t>(out.size());
  const std::uint32_t rc = api.pack(msg, out.data(), &len);
  EXPECT_EQ(rc, 0u) << "pack failed";
  if (rc != 0 || len > out.size()) return {};
  out.resize(len);
  return out;
}

// The row of a wrapper's item record.
const Row& item_row(const Row& wrapper) {
  const Row* r = kav_catalogue::find_row(wrapper.item);
  if (r == nullptr) std::abort();  // the table test below proves every item names a row
  return *r;
}

// The size a wrapper packs into: 16, 4 more for a non-zero field0, and for a non-empty list 8 bytes
// of header, an offset word per item and each item without its leading root offset.
std::uint32_t wrapper_size(bool field0, std::uint32_t count, std::uint32_t item_packed) {
  std::uint32_t n = field0 ? 20 : 16;
  if (count != 0) n += 8 + 4 * count + count * (item_packed - 4);
  return n;
}

// ---- the table itself -----------------------------------------------------------------------

TEST(CatalogueTable, RowsAreConsistent) {
  std::set<std::string> names;
  std::set<std::uint32_t> ids;
  int kav = 0, sync = 0, wrappers = 0;
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    const std::string pkg = row.package;
    (pkg == "kav" ? kav : sync)++;
    std::string symbol = row.wire;
    std::replace(symbol.begin(), symbol.end(), '.', '_');
    EXPECT_EQ(symbol, row.name) << "symbol name is the wire name with '_' for '.'";
    EXPECT_EQ(std::string(row.wire).substr(0, pkg.size() + 1), pkg + ".");
    EXPECT_TRUE(names.insert(row.name).second) << "duplicate row";
    EXPECT_TRUE(ids.insert(fnv1a(row.wire)).second) << "identifier collides";
    EXPECT_EQ(row.vtable_len, 4 + 2 * row.slots);
    EXPECT_EQ(row.fixed_len % 8, 0u);
    if (is_wrapper(row)) {
      ++wrappers;
      EXPECT_EQ(row.encoder, Encoder::compact);
      const Row* item = kav_catalogue::find_row(row.item);
      ASSERT_NE(item, nullptr) << row.item;
      EXPECT_TRUE(is_plain(*item));
      EXPECT_EQ(std::string(item->package), "kav");
    } else {
      EXPECT_EQ(row.encoder, Encoder::fixed);
      EXPECT_GE(row.fixed_len, 24u);
      EXPECT_LE(row.fixed_len, 240u);
    }
  }
  EXPECT_EQ(kav, 78);
  EXPECT_EQ(sync, 30);
  EXPECT_EQ(wrappers, 36);
}

TEST(MessageId, Fnv1aMatchesThePublishedVectors) {
  EXPECT_EQ(fnv1a(""), 0x811C9DC5u);
  EXPECT_EQ(fnv1a("a"), 0xE40C292Cu);
  EXPECT_EQ(fnv1a("foobar"), 0xBF9CF968u);
}

// ---- exports --------------------------------------------------------------------------------

TEST(Exports, EveryMessageHasItsSevenFunctions) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    for (const std::string& name : function_names(row))
      EXPECT_NE(lookup(name), nullptr) << "libkav does not export " << name;
  }
}

// ---- registration ---------------------------------------------------------------------------

// Each package's receive initialiser registers its messages in catalogue order, under the FNV-1a
// of the wire name, with the message's own unpack and free functions.
TEST(Registration, ReceiveInitialisersRegisterTheCatalogueInOrder) {
  for (const char* pkg : {"kav", "kav_sync"}) {
    SCOPED_TRACE(pkg);
    const auto init = lookup_as<InitFn>(std::string(pkg) + "_recv_init");
    ASSERT_NE(init, nullptr) << "libkav does not export " << pkg << "_recv_init";
    vmesh_reset();
    EXPECT_EQ(init(), 0u);
    std::vector<const Row*> expected;
    for (const Row& row : kRows)
      if (std::string(row.package) == pkg) expected.push_back(&row);
    ASSERT_EQ(vmesh_registration_count(), expected.size());
    for (std::uint32_t i = 0; i < expected.size(); ++i) {
      const Row& row = *expected[i];
      SCOPED_TRACE(row.name);
      VmeshRegistration reg{};
      ASSERT_EQ(vmesh_registration(i, &reg), 1);
      EXPECT_EQ(reg.id, fnv1a(row.wire));
      EXPECT_EQ(reinterpret_cast<void*>(reg.unpack), lookup(std::string(row.name) + "__unpack"));
      EXPECT_EQ(reinterpret_cast<void*>(reg.release), lookup(std::string(row.name) + "_free__unpacked"));
    }
  }
  vmesh_reset();
}

// ---- unpacking ------------------------------------------------------------------------------

// The smallest valid buffer: root table at 8, a vtable at 4 listing no slots.
constexpr std::array<std::uint8_t, 12> kNoSlots = {8, 0, 0, 0, 4, 0, 4, 0, 4, 0, 0, 0};
// Root offset 2: below the first possible table position.
constexpr std::array<std::uint8_t, 16> kRootAtTwo = {2, 0, 0, 0, 4, 0, 4, 0, 4, 0, 0, 0, 0, 0, 0, 0};
// Four bytes holding the root offset 4: the table would start at the buffer's end.
constexpr std::array<std::uint8_t, 4> kRootAtEnd = {4, 0, 0, 0};
constexpr std::uint32_t kNoSlotsLen = 12;
constexpr std::uint32_t kRootAtTwoLen = 16;

TEST(Unpack, ReturnsTheUnpackedSizeOnEveryPath) {
  for_each_message([](const Row& row, const Api& api) {
    Area out;
    out.fill(0xA5);
    EXPECT_EQ(api.unpack(kNoSlots.data(), kNoSlotsLen, out.data()), row.size) << "valid buffer";
    EXPECT_TRUE(out.all(0, row.size)) << "a buffer without slots decodes to all zero";

    Area zero;
    const auto packed = pack_bytes(api, zero.data());
    out.fill(0xA5);
    EXPECT_EQ(api.unpack(packed.data(), static_cast<std::uint32_t>(packed.size()), out.data()), row.size)
        << "own packed buffer";
    EXPECT_TRUE(out.all(0, row.size)) << "an all-zero structure comes back all zero";

    out.fill(0xA5);
    EXPECT_EQ(api.unpack(kRootAtTwo.data(), kRootAtTwoLen, out.data()), row.size) << "root offset 2";
    EXPECT_EQ(api.unpack(kNoSlots.data(), kNoSlotsLen, nullptr), row.size) << "null out";
    EXPECT_EQ(api.unpack(nullptr, 16, out.data()), row.size) << "null buffer";
    EXPECT_EQ(api.unpack(kNoSlots.data(), 3, out.data()), row.size) << "length 3";
    api.release(nullptr);
  });
}

// A parameter fault never touches the structure, whatever the form.
TEST(Unpack, ParameterFaultsLeaveTheStructureUntouched) {
  for_each_message([](const Row& row, const Api& api) {
    Area out;
    out.fill(0xA5);
    api.unpack(nullptr, 16, out.data());
    EXPECT_TRUE(out.all(0xA5, row.size)) << "null buffer";
    api.unpack(kNoSlots.data(), 3, out.data());
    EXPECT_TRUE(out.all(0xA5, row.size)) << "length 3";
    api.unpack(kNoSlots.data(), 0, out.data());
    EXPECT_TRUE(out.all(0xA5, row.size)) << "length 0";
  });
}

// A bad root header leaves an in-place message as the caller passed it, and a delegating message
// all zero.
TEST(Unpack, RootHeaderFaultShowsTheUnpackForm) {
  struct Case {
    const char* name;
    const std::uint8_t* bytes;
    std::uint32_t len;
  };
  const Case cases[] = {{"4-byte buffer, root offset 4", kRootAtEnd.data(), 4},
                        {"root offset 2", kRootAtTwo.data(), kRootAtTwoLen}};
  for_each_message([&](const Row& row, const Api& api) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      Area out;
      out.fill(0xA5);
      EXPECT_EQ(api.unpack(c.bytes, c.len, out.data()), row.size);
      if (row.form == Form::in_place)
        EXPECT_TRUE(out.all(0xA5, row.size)) << "in-place form: structure must stay untouched";
      else
        EXPECT_TRUE(out.all(0x00, row.size)) << "delegating form: structure must be all zero";
      EXPECT_TRUE(std::all_of(out.bytes.begin() + row.size, out.bytes.end(),
                              [](std::uint8_t b) { return b == 0xA5; }))
          << "bytes beyond the structure size were written";
    }
  });
}

// ---- packing --------------------------------------------------------------------------------

// The root of a packed buffer: root offset 4 + vtable length, the vtable at 4 with the type's full
// length, the table's reference pointing back at it.
void expect_compact_root(const Row& row, const std::vector<std::uint8_t>& b) {
  ASSERT_GE(b.size(), 8u + row.vtable_len);
  EXPECT_EQ(u32_at(b.data(), 0), 4 + row.vtable_len) << "root offset";
  EXPECT_EQ(u16_at(b.data(), 4), row.vtable_len) << "root vtable length";
  EXPECT_EQ((u16_at(b.data(), 4) - 4u) / 2u, row.slots) << "slot count";
  EXPECT_EQ(u32_at(b.data(), 4 + row.vtable_len), row.vtable_len) << "vtable reference";
}

TEST(Pack, AllZeroStructureHasTheStatedSize) {
  for_each_message([](const Row& row, const Api& api) {
    Area zero;
    const auto b = pack_bytes(api, zero.data());
    EXPECT_EQ(b.size(), row.packed_zero);
    expect_compact_root(row, b);
  });
}

TEST(Pack, AllScalarsNonZeroHasTheStatedSize) {
  for_each_message(
      [](const Row& row, const Api& api) {
        Area msg;
        msg.fill_pattern(1);
        const auto b = pack_bytes(api, msg.data());
        EXPECT_EQ(b.size(), row.packed_full);
        expect_compact_root(row, b);
      },
      is_plain);
}

// A wrapper packs field0 only when non-zero and its list only when count and pointer are both set.
TEST(Pack, WrapperSizesFollowField0AndTheList) {
  for_each_message(
      [](const Row& row, const Api& api) {
        const Row& item = item_row(row);
        Items zeros(item.size, 2);
        Items full(item.size, 3);
        for (std::size_t i = 0; i < full.block.size(); ++i)
          full.block[i] = static_cast<std::uint8_t>((i * 31) % 255 + 1);
        struct Case {
          const char* name;
          std::uint32_t field0, count;
          std::uint8_t* items;
          std::uint32_t expected;
        };
        const Case cases[] = {
            {"empty", 0, 0, nullptr, row.packed_zero},
            {"field0 only", 1, 0, nullptr, row.packed_full},
            {"pointer set, count 0", 0, 0, zeros.data(), row.packed_zero},
            {"two zero items", 0, 2, zeros.data(), wrapper_size(false, 2, item.packed_zero)},
            {"three full items", 7, 3, full.data(), wrapper_size(true, 3, item.packed_full)},
        };
        for (const Case& c : cases) {
          SCOPED_TRACE(c.name);
          Area msg;
          set_wrapper(msg, c.field0, c.count, c.items);
          const auto b = pack_bytes(api, msg.data());
          EXPECT_EQ(b.size(), c.expected);
          expect_compact_root(row, b);
        }
      },
      is_wrapper);
}

// Capacity handling: a null buffer is a size query, one byte short fails and writes nothing.
TEST(Pack, CapacityIsCheckedAgainstTheExactSize) {
  for_each_message([](const Row& row, const Api& api) {
    Area msg;
    if (is_wrapper(row))
      set_wrapper(msg, 1, 0, nullptr);
    else
      msg.fill_pattern(2);
    const std::uint32_t size = row.packed_full;

    std::uint32_t len = kAllOnes;
    EXPECT_EQ(api.pack(msg.data(), nullptr, &len), 0u) << "size query";
    EXPECT_EQ(len, size);

    std::vector<std::uint8_t> buf(size + 8, 0xEE);
    len = size - 1;
    EXPECT_EQ(api.pack(msg.data(), buf.data(), &len), kAllOnes) << "one byte short";
    EXPECT_EQ(len, size - 1) << "length must keep the capacity";
    EXPECT_TRUE(std::all_of(buf.begin(), buf.end(), [](std::uint8_t b) { return b == 0xEE; }))
        << "nothing may be written";

    len = size;
    EXPECT_EQ(api.pack(msg.data(), buf.data(), &len), 0u) << "exact capacity";
    EXPECT_EQ(len, size);
    EXPECT_TRUE(std::all_of(buf.begin() + size, buf.end(), [](std::uint8_t b) { return b == 0xEE; }))
        << "bytes past the encoded size were written";

    len = 0;
    EXPECT_EQ(api.pack(msg.data(), buf.data(), &len), kAllOnes) << "capacity 0";
    EXPECT_EQ(len, 0u);
    len = 100;
    EXPECT_EQ(api.pack(nullptr, buf.data(), &len), kAllOnes) << "null message";
    EXPECT_EQ(len, 100u);
  });
}

// Unpacking what pack wrote and packing it again gives the same bytes: every field made the trip
// to its own member and back.
TEST(Pack, RepackingTheUnpackedStructureGivesTheSameBytes) {
  for_each_message([](const Row& row, const Api& api) {
    Area msg;
    std::unique_ptr<Items> items;
    if (is_wrapper(row)) {
      const Row& item = item_row(row);
      items = std::make_unique<Items>(item.size, 3);
      for (std::size_t i = 0; i < items->block.size(); ++i)
        items->block[i] = static_cast<std::uint8_t>((i * 13) % 255 + 1);
      set_wrapper(msg, 0xA1B2C3D4, 3, items->data());
    } else {
      msg.fill_pattern(3);
    }
    const auto first = pack_bytes(api, msg.data());
    ASSERT_FALSE(first.empty());
    Area out;
    EXPECT_EQ(api.unpack(first.data(), static_cast<std::uint32_t>(first.size()), out.data()), row.size);
    if (is_wrapper(row)) {
      EXPECT_EQ(wrapper_count(out), 3u);
      ASSERT_NE(wrapper_items(out), nullptr);
    }
    EXPECT_EQ(pack_bytes(api, out.data()), first);
    api.release(out.data());
    if (is_wrapper(row)) {
      EXPECT_EQ(wrapper_items(out), nullptr) << "free leaves the pointer null";
      EXPECT_EQ(wrapper_count(out), 3u) << "free keeps the count";
      api.release(out.data());  // a second free finds the pointer null
    }
  });
}

// ---- freeing --------------------------------------------------------------------------------

TEST(Free, AcceptsNullAndLeavesRecordsAlone) {
  for_each_message([](const Row& row, const Api& api) {
    api.release(nullptr);
    Area msg;
    if (is_wrapper(row)) {
      set_wrapper(msg, 9, 4, nullptr);  // a list whose decoding failed: count kept, pointer null
      api.release(msg.data());
      EXPECT_EQ(wrapper_count(msg), 4u);
      EXPECT_EQ(wrapper_items(msg), nullptr);
    } else {
      msg.fill(0xA5);
      api.release(msg.data());
      EXPECT_TRUE(msg.all(0xA5, msg.bytes.size())) << "free of a message without a list does nothing";
    }
  });
}

// ---- sending --------------------------------------------------------------------------------

class Send : public ::testing::Test {
 protected:
  void SetUp() override {
    vmesh_reset();
    vmesh_set_loopback(0);
  }
  void TearDown() override { vmesh_reset(); }

  static VmeshSendCall call(std::uint32_t i) {
    VmeshSendCall c{};
    EXPECT_EQ(vmesh_send_call(i, &c), 1) << "no send call " << i;
    return c;
  }
  static VmeshSentEntry entry(std::uint32_t i, std::uint32_t j) {
    VmeshSentEntry e{};
    EXPECT_EQ(vmesh_sent_entry(i, j, &e), 1) << "no entry " << j << " in call " << i;
    return e;
  }
};

// A fixed message is sent with its fixed length L and its identifier; the send encoding starts its
// table at 4 and keeps its vtable behind the table, carrying the type's vtable length and the
// stated table length.
TEST_F(Send, FixedMessagesUseTheStatedLengthAndLayout) {
  for_each_message(
      [](const Row& row, const Api& api) {
        vmesh_reset();
        vmesh_set_loopback(0);
        Area msg;
        msg.fill_pattern(4);
        EXPECT_EQ(api.sendsingle(7, msg.data(), 0, 0), 0u);
        ASSERT_EQ(vmesh_send_count(), 1u);
        const VmeshSendCall c = call(0);
        EXPECT_EQ(c.function, static_cast<std::uint32_t>(VMESH_SEND_MSG));
        EXPECT_EQ(c.dest, 7u);
        EXPECT_EQ(c.count, 1u);
        const VmeshSentEntry e = entry(0, 0);
        EXPECT_EQ(e.msgId, fnv1a(row.wire)) << row.wire;
        ASSERT_EQ(e.length, row.fixed_len) << "fixed length L";
        ASSERT_NE(e.bytes, nullptr);
        EXPECT_EQ(u32_at(e.bytes, 0), 4u) << "root offset";
        const auto ref = static_cast<std::int32_t>(u32_at(e.bytes, 4));
        ASSERT_LT(ref, 0) << "the vtable follows the table";
        const std::uint32_t vt = 4 + static_cast<std::uint32_t>(-ref);
        EXPECT_EQ(vt % 4, 0u);
        ASSERT_LE(vt + row.vtable_len, e.length) << "vtable inside the sent bytes";
        EXPECT_EQ(u16_at(e.bytes, vt), row.vtable_len) << "vtable length";
        EXPECT_EQ(u16_at(e.bytes, vt + 2), row.send_table) << "send table length";
        for (std::uint32_t k = 0; k < row.slots; ++k)
          EXPECT_NE(u16_at(e.bytes, vt + 4 + 2 * k), 0u) << "slot " << k << " absent in the send encoding";

        // The send encoding and the compact encoding of one structure decode alike.
        Area from_send;
        EXPECT_EQ(api.unpack(e.bytes, e.length, from_send.data()), row.size);
        EXPECT_EQ(pack_bytes(api, from_send.data()), pack_bytes(api, msg.data()));
      },
      is_fixed);
}

// A wrapper is sent in exactly its packed form.
TEST_F(Send, ListMessagesSendTheirPackedBytes) {
  for_each_message(
      [](const Row& row, const Api& api) {
        const Row& item = item_row(row);
        Items items(item.size, 2);
        for (std::size_t i = 0; i < items.block.size(); ++i)
          items.block[i] = static_cast<std::uint8_t>((i * 7) % 255 + 1);
        struct Case {
          const char* name;
          std::uint32_t field0, count;
          std::uint32_t expected;
        };
        const Case cases[] = {{"empty", 0, 0, row.packed_zero},
                              {"field0 only", 5, 0, row.packed_full},
                              {"two items", 5, 2, wrapper_size(true, 2, item.packed_full)}};
        for (const Case& c : cases) {
          SCOPED_TRACE(c.name);
          vmesh_reset();
          vmesh_set_loopback(0);
          Area msg;
          set_wrapper(msg, c.field0, c.count, c.count ? items.data() : nullptr);
          EXPECT_EQ(api.sendsingle(3, msg.data(), 0, 0), 0u);
          ASSERT_EQ(vmesh_send_count(), 1u);
          const VmeshSentEntry e = entry(0, 0);
          EXPECT_EQ(e.msgId, fnv1a(row.wire));
          EXPECT_EQ(e.length, c.expected);
          ASSERT_NE(e.bytes, nullptr);
          const auto packed = pack_bytes(api, msg.data());
          EXPECT_EQ(std::vector<std::uint8_t>(e.bytes, e.bytes + e.length), packed);
        }
      },
      is_wrapper);
}

// The four send functions of every message: count 0 is refused, one message goes out alone, a
// target selects MESH_SendToMsg, a batch is one call, and the library's result comes back as is.
TEST_F(Send, EveryShapeMakesExactlyOneLibraryCall) {
  for_each_message([](const Row& row, const Api& api) {
    std::array<Area, 2> msgs_storage;
    // Two structures laid end to end, each of the unpacked size.
    std::vector<std::uint8_t> pair(2 * row.size + 16, 0);
    auto* base = reinterpret_cast<std::uint8_t*>(
        (reinterpret_cast<std::uintptr_t>(pair.data()) + 15) & ~std::uintptr_t{15});
    if (is_wrapper(row)) {
      set_wrapper(msgs_storage[0], 1, 0, nullptr);
      set_wrapper(msgs_storage[1], 0, 0, nullptr);
    } else {
      msgs_storage[0].fill_pattern(5);
      msgs_storage[1].fill_pattern(6);
    }
    std::memcpy(base, msgs_storage[0].data(), row.size);
    std::memcpy(base + row.size, msgs_storage[1].data(), row.size);
    const std::uint32_t one_len = is_fixed(row) ? row.fixed_len : row.packed_full;
    const std::uint32_t two_len = is_fixed(row) ? row.fixed_len : row.packed_zero;

    vmesh_reset();
    vmesh_set_loopback(0);
    EXPECT_EQ(api.sendmsg(1, base, 0), kAllOnes) << "sendmsg count 0";
    EXPECT_EQ(api.sendtomsg(1, base, 0, 5), kAllOnes) << "sendtomsg count 0";
    EXPECT_EQ(vmesh_send_count(), 0u) << "count 0 must not reach the library";

    EXPECT_EQ(api.sendmsg(11, base, 1), 0u);
    EXPECT_EQ(api.sendtomsg(12, base, 1, 0), 0u);
    EXPECT_EQ(api.sendtomsg(13, base, 1, 0x1122334455667788ull), 0u);
    EXPECT_EQ(api.sendsingle(14, base, 0xDEAD, 99), 0u);
    EXPECT_EQ(api.sendbatch(15, base, 2, 0), 0u);
    EXPECT_EQ(api.sendmsg(16, base, 2), 0u);
    vmesh_script_send_result(5);
    EXPECT_EQ(api.sendtomsg(17, base, 2, 3), 5u) << "library result passed through";
    vmesh_script_send_result(kAllOnes - 1);
    EXPECT_EQ(api.sendmsg(18, base, 1), kAllOnes - 1) << "library result passed through";

    struct Expected {
      std::uint32_t function, dest, count;
      std::uint64_t to;
    };
    const Expected expected[] = {
        {VMESH_SEND_MSG, 11, 1, 0},  {VMESH_SEND_MSG, 12, 1, 0},
        {VMESH_SEND_TO_MSG, 13, 1, 0x1122334455667788ull},
        {VMESH_SEND_TO_MSG, 14, 1, 99}, {VMESH_SEND_MSG, 15, 2, 0},
        {VMESH_SEND_MSG, 16, 2, 0},  {VMESH_SEND_TO_MSG, 17, 2, 3},
        {VMESH_SEND_MSG, 18, 1, 0},
    };
    ASSERT_EQ(vmesh_send_count(), std::size(expected));
    for (std::uint32_t i = 0; i < std::size(expected); ++i) {
      SCOPED_TRACE("call " + std::to_string(i));
      const VmeshSendCall c = call(i);
      EXPECT_EQ(c.function, expected[i].function);
      EXPECT_EQ(c.dest, expected[i].dest);
      EXPECT_EQ(c.count, expected[i].count);
      EXPECT_EQ(c.to, expected[i].to);
      for (std::uint32_t j = 0; j < c.count; ++j) {
        const VmeshSentEntry e = entry(i, j);
        EXPECT_EQ(e.msgId, fnv1a(row.wire));
        EXPECT_EQ(e.length, j == 0 ? one_len : two_len) << "entry " << j;
      }
    }
  });
}

}  // namespace
