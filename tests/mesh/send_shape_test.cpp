// How the four send functions turn messages into one call of the messaging library: which call,
// how many entries of what length, and which working memory they take and give back.
#include <functional>
#include <vector>

#include "kav.h"
#include "mesh_support.hpp"

namespace {

using namespace meshtest;

const u32 kPidId = fnv1a("kav.pid_state");
const u32 kHostUpdateId = fnv1a("kav.host_update");

kav_host full_host(u32 seed) {
  kav_host h{seed, seed + 1, seed + 2, 0x0304, 0x0506, seed + 5, seed + 6, {},
             0x11, 0x22,     0x33,     0x44,   seed + 12,       {}};
  for (u8 i = 0; i < 16; ++i) h.field7[i] = static_cast<u8>(seed + i);
  return h;
}

// Three wrappers whose packed sizes follow from the catalogue: a kav_host with every scalar
// non-zero takes 106 bytes as an item, so 20 + 8 + 4 + 106 = 138, an empty wrapper 16, and two
// items behind a non-zero field0 20 + 8 + 8 + 212 = 248.
struct HostUpdates {
  kav_host items[3] = {full_host(100), full_host(200), full_host(300)};
  kav_host_update w[3] = {{7, 1, &items[0]}, {0, 0, nullptr}, {9, 2, &items[1]}};
};
constexpr u32 kHostUpdateSizes[3] = {138, 16, 248};

const kav_pid_state kPids[3] = {{1, 2, 3}, {0, 0, 0}, {0xFFFFFFFF, 0x80000000, 7}};

std::vector<u8> packed(const kav_host_update& w) {
  std::vector<u8> buf(1024);
  u32 len = static_cast<u32>(buf.size());
  EXPECT_EQ(kav_host_update__pack(&w, buf.data(), &len), 0u);
  buf.resize(len);
  return buf;
}

struct Dispatch {
  const char* name;
  std::function<u32()> call;
  u32 function;                // VMESH_SEND_MSG or VMESH_SEND_TO_MSG
  u64 to;                      // target recorded
  std::vector<u32> lengths;    // entry lengths, one per entry
  u32 area;                    // size of the working allocation (ignored without a name)
  const char* area_name;       // null: no memory taken at all
};

TEST(SendShape, DispatchOnCountAndTarget) {
  static HostUpdates h;
  const std::vector<Dispatch> rows = {
      {"fixed sendsingle", [] { return kav_pid_state__sendsingle(3, kPids, 0, 0); }, VMESH_SEND_MSG, 0, {32}, 0, nullptr},
      {"fixed sendsingle to", [] { return kav_pid_state__sendsingle(3, kPids, 0, kTarget); }, VMESH_SEND_TO_MSG, kTarget, {32}, 0, nullptr},
      {"fixed sendmsg 1", [] { return kav_pid_state__sendmsg(3, kPids, 1); }, VMESH_SEND_MSG, 0, {32}, 0, nullptr},
      {"fixed sendtomsg 1 no target", [] { return kav_pid_state__sendtomsg(3, kPids, 1, 0); }, VMESH_SEND_MSG, 0, {32}, 0, nullptr},
      {"fixed sendtomsg 1 to", [] { return kav_pid_state__sendtomsg(3, kPids, 1, kTarget); }, VMESH_SEND_TO_MSG, kTarget, {32}, 0, nullptr},
      {"fixed sendmsg 3", [] { return kav_pid_state__sendmsg(3, kPids, 3); }, VMESH_SEND_MSG, 0, {32, 32, 32}, 144, "kav_pid_state__sendbatch"},
      {"fixed sendtomsg 3 no target", [] { return kav_pid_state__sendtomsg(3, kPids, 3, 0); }, VMESH_SEND_MSG, 0, {32, 32, 32}, 144, "kav_pid_state__sendbatch"},
      {"fixed sendtomsg 3 to", [] { return kav_pid_state__sendtomsg(3, kPids, 3, kTarget); }, VMESH_SEND_TO_MSG, kTarget, {32, 32, 32}, 144, "kav_pid_state__sendbatch"},
      {"fixed sendbatch 1 to", [] { return kav_pid_state__sendbatch(3, kPids, 1, kTarget); }, VMESH_SEND_TO_MSG, kTarget, {32}, 48, "kav_pid_state__sendbatch"},
      {"fixed sendbatch 0", [] { return kav_pid_state__sendbatch(3, kPids, 0, 0); }, VMESH_SEND_MSG, 0, {}, 0, "kav_pid_state__sendbatch"},
      {"list sendsingle", [] { return kav_host_update__sendsingle(3, h.w, 0, 0); }, VMESH_SEND_MSG, 0, {138}, 138, "kav_host_update__sendsingle"},
      {"list sendsingle to", [] { return kav_host_update__sendsingle(3, h.w, 0, kTarget); }, VMESH_SEND_TO_MSG, kTarget, {138}, 138, "kav_host_update__sendsingle"},
      {"list sendmsg 1", [] { return kav_host_update__sendmsg(3, &h.w[2], 1); }, VMESH_SEND_MSG, 0, {248}, 248, "kav_host_update__sendsingle"},
      {"list sendtomsg 1 no target", [] { return kav_host_update__sendtomsg(3, &h.w[1], 1, 0); }, VMESH_SEND_MSG, 0, {16}, 16, "kav_host_update__sendsingle"},
      {"list sendtomsg 1 to", [] { return kav_host_update__sendtomsg(3, h.w, 1, kTarget); }, VMESH_SEND_TO_MSG, kTarget, {138}, 138, "kav_host_update__sendsingle"},
      {"list sendmsg 3", [] { return kav_host_update__sendmsg(3, h.w, 3); }, VMESH_SEND_MSG, 0, {138, 16, 248}, 65584, "kav_host_update__sendbatch"},
      {"list sendtomsg 3 to", [] { return kav_host_update__sendtomsg(3, h.w, 3, kTarget); }, VMESH_SEND_TO_MSG, kTarget, {138, 16, 248}, 65584, "kav_host_update__sendbatch"},
      {"list sendbatch 2 to", [] { return kav_host_update__sendbatch(3, h.w, 2, kTarget); }, VMESH_SEND_TO_MSG, kTarget, {138, 16}, 65568, "kav_host_update__sendbatch"},
      {"list sendbatch 0", [] { return kav_host_update__sendbatch(3, h.w, 0, 0); }, VMESH_SEND_MSG, 0, {}, 65536, "kav_host_update__sendbatch"},
  };
  for (const Dispatch& r : rows) {
    SCOPED_TRACE(r.name);
    fresh();
    EXPECT_EQ(r.call(), 0u);
    ASSERT_EQ(vmesh_send_count(), 1u);
    const VmeshSendCall c = send_call(0);
    EXPECT_EQ(c.function, r.function);
    EXPECT_EQ(c.dest, 3u);
    EXPECT_EQ(c.to, r.to);
    ASSERT_EQ(c.count, r.lengths.size());
    const u32 id = std::string(r.name).starts_with("fixed") ? kPidId : kHostUpdateId;
    for (u32 j = 0; j < c.count; ++j) {
      const Sent s = sent(0, j);
      EXPECT_EQ(s.id, id) << "entry " << j;
      EXPECT_EQ(s.length, r.lengths[j]) << "entry " << j;
    }
    if (r.area_name == nullptr) {
      EXPECT_EQ(osal_host_mem_event_count(), 0u);
    } else {
      expect_one_area(r.area, r.area_name);
    }
  }
}

TEST(SendShape, CountZeroIsRefusedWithoutAnyWork) {
  static HostUpdates h;
  const std::vector<std::pair<const char*, std::function<u32()>>> rows = {
      {"fixed sendmsg", [] { return kav_pid_state__sendmsg(3, kPids, 0); }},
      {"fixed sendtomsg", [] { return kav_pid_state__sendtomsg(3, kPids, 0, kTarget); }},
      {"list sendmsg", [] { return kav_host_update__sendmsg(3, h.w, 0); }},
      {"list sendtomsg", [] { return kav_host_update__sendtomsg(3, h.w, 0, kTarget); }},
  };
  for (const auto& [name, call] : rows) {
    SCOPED_TRACE(name);
    fresh();
    EXPECT_EQ(call(), kAllOnes);
    EXPECT_EQ(vmesh_send_count(), 0u);
    EXPECT_EQ(osal_host_mem_event_count(), 0u);
  }
}

TEST(SendShape, FixedBatchAreaHoldsEncodingsThenEntries) {
  fresh();
  ASSERT_EQ(kav_pid_state__sendbatch(4, kPids, 3, 0), 0u);
  const u8* area = expect_one_area(144, "kav_pid_state__sendbatch");
  ASSERT_NE(area, nullptr);
  ASSERT_EQ(vmesh_send_count(), 1u);
  EXPECT_EQ(reinterpret_cast<const u8*>(send_call(0).entries), area + 96);
  for (u32 k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    ASSERT_EQ(kav_pid_state__sendsingle(4, &kPids[k], 0, 0), 0u);
    const Sent b = sent(0, k);
    EXPECT_EQ(b.data, area + 32 * k);
    EXPECT_EQ(b.bytes, sent(k + 1, 0).bytes) << "a batch encodes each message as a single send does";
  }
}

TEST(SendShape, ListBatchPacksBackToBackBelow64KiB) {
  HostUpdates h;
  fresh();
  ASSERT_EQ(kav_host_update__sendbatch(4, h.w, 3, 0), 0u);
  const u8* area = expect_one_area(3 * 16 + 65536, "kav_host_update__sendbatch");
  ASSERT_NE(area, nullptr);
  EXPECT_EQ(reinterpret_cast<const u8*>(send_call(0).entries), area + 65536);
  const u32 offsets[3] = {0, 138, 154};
  for (u32 k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    const Sent s = sent(0, k);
    EXPECT_EQ(s.data, area + offsets[k]);
    EXPECT_EQ(s.length, kHostUpdateSizes[k]);
    EXPECT_EQ(s.bytes, packed(h.w[k])) << "lists travel in their packed form";
  }
}

// Four kav_queenable_update lists: each all-zero item costs 16 bytes (12 of item, 4 of offset
// word), a list with a non-zero field0 28 more. 3 x (28 + 16 x 1000) + 28 + 16 x 1089 = 65536;
// a non-zero field1 in one item adds the byte too many.
TEST(SendShape, ListBatchMayFillExactly64KiBAndNotOneByteMore) {
  std::vector<kav_queenable> items(3 * 1000 + 1089);
  const kav_queenable_update w[4] = {{1, 1000, &items[0]},
                                     {2, 1000, &items[1000]},
                                     {3, 1000, &items[2000]},
                                     {4, 1089, &items[3000]}};
  fresh();
  ASSERT_EQ(kav_queenable_update__sendbatch(6, w, 4, 0), 0u);
  const u8* area = expect_one_area(4 * 16 + 65536, "kav_queenable_update__sendbatch");
  ASSERT_EQ(vmesh_send_count(), 1u);
  ASSERT_EQ(send_call(0).count, 4u);
  const u32 offsets[4] = {0, 16028, 32056, 48084};
  const u32 lengths[4] = {16028, 16028, 16028, 17452};
  for (u32 k = 0; k < 4; ++k) {
    const Sent s = sent(0, k);
    EXPECT_EQ(s.data, area + offsets[k]) << k;
    EXPECT_EQ(s.length, lengths[k]) << k;
  }

  items.back().field1 = 1;
  fresh();
  EXPECT_EQ(kav_queenable_update__sendbatch(6, w, 4, 0), kAllOnes);
  EXPECT_EQ(vmesh_send_count(), 0u);
  expect_one_area(4 * 16 + 65536, "kav_queenable_update__sendbatch");
}

// The working area must outlive the library's call: it is released only after the call returns.
TEST(SendShape, WorkingMemoryIsReleasedAfterTheLibraryReturns) {
  static HostUpdates h;
  struct Probe {
    u32 events_at_delivery = 0;
    bool seen = false;
  };
  const std::vector<std::pair<const char*, std::function<u32()>>> rows = {
      {"fixed batch", [] { return kav_pid_state__sendbatch(3, kPids, 3, 0); }},
      {"list single", [] { return kav_host_update__sendsingle(3, h.w, 0, 0); }},
      {"list batch", [] { return kav_host_update__sendmsg(3, h.w, 3); }},
  };
  for (const auto& [name, call] : rows) {
    SCOPED_TRACE(name);
    fresh();
    ASSERT_EQ(kav_recv_init(), 0u);
    Probe probe;
    vmesh_set_receiver(
        [](u32, const void*, u32, void* ctx) {
          auto* p = static_cast<Probe*>(ctx);
          if (!p->seen) p->events_at_delivery = osal_host_mem_event_count();
          p->seen = true;
        },
        &probe);
    ASSERT_EQ(call(), 0u);
    ASSERT_TRUE(probe.seen);
    const auto ev = mem_events();
    ASSERT_FALSE(ev.empty());
    const void* area = ev[0].ptr;
    for (u32 i = 0; i < probe.events_at_delivery; ++i) {
      EXPECT_FALSE(ev[i].service == OSAL_HOST_MEM_FREE && ev[i].ptr == area) << "released during the call";
    }
    EXPECT_EQ(osal_host_live_blocks(), 0u);
  }
}

TEST(SendShape, LibraryResultIsReturnedUnchanged) {
  static HostUpdates h;
  const std::vector<std::pair<const char*, std::function<u32()>>> calls = {
      {"fixed sendsingle", [] { return kav_pid_state__sendsingle(3, kPids, 0, kTarget); }},
      {"fixed sendmsg 1", [] { return kav_pid_state__sendmsg(3, kPids, 1); }},
      {"fixed sendtomsg 3", [] { return kav_pid_state__sendtomsg(3, kPids, 3, kTarget); }},
      {"fixed sendbatch", [] { return kav_pid_state__sendbatch(3, kPids, 2, 0); }},
      {"list sendsingle", [] { return kav_host_update__sendsingle(3, h.w, 0, 0); }},
      {"list sendmsg 1", [] { return kav_host_update__sendmsg(3, h.w, 1); }},
      {"list sendtomsg 3", [] { return kav_host_update__sendtomsg(3, h.w, 3, kTarget); }},
      {"list sendbatch", [] { return kav_host_update__sendbatch(3, h.w, 2, 0); }},
  };
  for (u32 value : {0u, 5u, kAllOnes}) {
    for (const auto& [name, call] : calls) {
      SCOPED_TRACE(std::string(name) + " returning " + std::to_string(value));
      fresh();
      vmesh_script_send_result(value);
      EXPECT_EQ(call(), value);
      EXPECT_EQ(vmesh_send_count(), 1u);
      EXPECT_EQ(osal_host_live_blocks(), 0u);
    }
  }
}

TEST(SendShape, ReservedArgumentOfSendSingleIsIgnored) {
  HostUpdates h;
  for (bool list : {false, true}) {
    SCOPED_TRACE(list ? "list" : "fixed");
    fresh();
    const u64 reserved[4] = {0, 1, 0x8000000000000000u, ~u64{0}};
    for (u64 r : reserved) {
      const u32 result = list ? kav_host_update__sendsingle(8, &h.w[2], r, kTarget)
                              : kav_pid_state__sendsingle(8, &kPids[2], r, kTarget);
      EXPECT_EQ(result, 0u);
    }
    ASSERT_EQ(vmesh_send_count(), 4u);
    const Sent first = sent(0, 0);
    for (u32 i = 0; i < 4; ++i) {
      SCOPED_TRACE(i);
      const VmeshSendCall c = send_call(i);
      EXPECT_EQ(c.function, VMESH_SEND_TO_MSG);
      EXPECT_EQ(c.to, kTarget);
      EXPECT_EQ(c.count, 1u);
      EXPECT_EQ(sent(i, 0).bytes, first.bytes);
    }
  }
}

// count x (L + 16) or count x 16 + 65536 beyond 32 bits: refused before any allocation. The
// message array holds a single element; the library must not read it.
TEST(SendShape, CountsWhoseAreaExceeds32BitsAreRefused) {
  static HostUpdates h;
  static const kav_host one_host{};
  const std::vector<std::pair<const char*, std::function<u32()>>> rows = {
      {"kav_pid_state 0x05555556 x 48", [] { return kav_pid_state__sendbatch(1, kPids, 0x05555556u, 0); }},
      {"kav_pid_state all ones", [] { return kav_pid_state__sendmsg(1, kPids, kAllOnes); }},
      {"kav_pid_state via sendtomsg", [] { return kav_pid_state__sendtomsg(1, kPids, 0x05555556u, kTarget); }},
      {"kav_host 0x02000000 x 128 = 2^32", [] { return kav_host__sendbatch(1, &one_host, 0x02000000u, 0); }},
      {"list 0x0FFFF000 x 16 + 65536 = 2^32", [] { return kav_host_update__sendbatch(1, h.w, 0x0FFFF000u, 0); }},
      {"list 0x0FFFF001", [] { return kav_host_update__sendmsg(1, h.w, 0x0FFFF001u); }},
      {"list all ones", [] { return kav_host_update__sendtomsg(1, h.w, kAllOnes, kTarget); }},
  };
  for (const auto& [name, call] : rows) {
    SCOPED_TRACE(name);
    fresh();
    EXPECT_EQ(call(), kAllOnes);
    EXPECT_EQ(vmesh_send_count(), 0u);
    EXPECT_EQ(osal_host_mem_event_count(), 0u);
  }
}

}  // namespace
