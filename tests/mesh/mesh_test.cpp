// The messaging front end beyond what every message shows (tests/catalogue): the initialisers'
// refusals and clean-up hooks, the working area of a batch, the 64 KiB limit of list batches, and
// counts whose area would pass 32 bits.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "kav.h"
#include "kav_sync.h"
#include "osal_host.h"
#include "varelmesh_control.h"

namespace {

using u8 = std::uint8_t;
using u32 = std::uint32_t;
constexpr u32 kFail = 0xFFFFFFFFu;

void fresh() {
  osal_host_reset();
  vmesh_reset();
  vmesh_set_loopback(0);
}

// The one working area of a call: its size, its name, released after the call; returns it.
const u8* one_area(u32 size, const std::string& func) {
  OsalHostMemEvent a{}, r{};
  EXPECT_EQ(osal_host_mem_event_count(), 2u);
  osal_host_mem_event(0, &a);
  osal_host_mem_event(1, &r);
  EXPECT_EQ(std::tuple(a.service, a.size, a.arg, std::string(a.func)),
            std::tuple(OSAL_HOST_MEM_ALLOC, size, 0x6200u, func));
  EXPECT_EQ(std::tuple(r.service, r.ptr, std::string(r.func)), std::tuple(OSAL_HOST_MEM_FREE, a.ptr, func));
  return static_cast<const u8*>(a.ptr);
}
VmeshSentEntry entry(u32 call, u32 j) {
  VmeshSentEntry e{};
  EXPECT_EQ(vmesh_sent_entry(call, j, &e), 1);
  return e;
}

TEST(Initialisers, FirstRefusalStopsRegistration) {
  std::vector<std::vector<std::string>> first_three(2);
#define KAV_FIRST(pkg, name) \
  if (first_three[#pkg[3] == '_'].size() < 3) first_three[#pkg[3] == '_'].push_back(#pkg "_" #name "__unpack");
  KAV_MESSAGES(KAV_FIRST)
  KAV_SYNC_MESSAGES(KAV_FIRST)
#undef KAV_FIRST
  const std::pair<u32 (*)(), std::size_t> inits[] = {{&kav_recv_init, 0}, {&kav_sync_recv_init, 1}};
  for (const auto& [init, pkg] : inits) {
    fresh();
    vmesh_script_refuse_registration(3, 7);
    EXPECT_EQ(init(), 7u);
    ASSERT_EQ(vmesh_registration_count(), 3u);
    for (u32 i = 0; i < 3; ++i) {
      VmeshRegistration r{};
      vmesh_registration(i, &r);
      EXPECT_EQ(reinterpret_cast<void*>(r.unpack), dlsym(RTLD_DEFAULT, first_three[pkg][i].c_str()));
    }
    EXPECT_EQ(vmesh_registered_id_count(), 2u) << "earlier registrations stay";
  }
}

TEST(Initialisers, SendInitialiserRegistersItsCleanUpHook) {
  const std::pair<u32 (*)(), void (*)()> inits[] = {{&kav_send_init, &kav__send_resource_clean},
                                                    {&kav_sync_send_init, &kav_sync__send_resource_clean}};
  for (const auto& [init, clean] : inits) {
    for (u32 result : {0u, 9u, kFail}) {
      fresh();
      vmesh_script_clean_result(result);
      EXPECT_EQ(init(), result);
      ASSERT_EQ(vmesh_clean_registration_count(), 1u);
      EXPECT_EQ(reinterpret_cast<void*>(vmesh_clean_hook(0)), reinterpret_cast<void*>(clean));
      clean();
      EXPECT_EQ(vmesh_registration_count() + vmesh_send_count() + osal_host_mem_event_count(), 0u);
    }
  }
}

const kav_pid_state kPids[3] = {{1, 2, 3}, {0, 0, 0}, {0xFFFFFFFF, 0x80000000, 7}};

// count encodings of L bytes back to back, then the entries; each as a single send encodes it.
TEST(Batches, FixedAreaHoldsEncodingsThenEntries) {
  fresh();
  ASSERT_EQ(kav_pid_state__sendbatch(4, kPids, 3, 0), 0u);
  const u8* area = one_area(3 * (32 + 16), "kav_pid_state__sendbatch");
  VmeshSendCall c{};
  vmesh_send_call(0, &c);
  EXPECT_EQ(reinterpret_cast<const u8*>(c.entries), area + 96);
  for (u32 k = 0; k < 3; ++k) {
    ASSERT_EQ(kav_pid_state__sendsingle(4, &kPids[k], 0, 0), 0u);
    const VmeshSentEntry b = entry(0, k), s = entry(k + 1, 0);
    EXPECT_EQ(b.data, area + 32 * k);
    EXPECT_EQ(std::vector<u8>(b.bytes, b.bytes + b.length), std::vector<u8>(s.bytes, s.bytes + s.length)) << k;
  }
}

// Lists packed back to back in the first 64 KiB, entries behind: four kav_queenable_update lists of
// 16 bytes per zero item and 28 more for a non-zero field0 fill 3 x 16028 + 17452 = 65536 bytes
// exactly; one non-zero item field adds the byte too many.
TEST(Batches, ListAreaMayFillExactly64KiBAndNotOneByteMore) {
  std::vector<kav_queenable> items(3 * 1000 + 1089);
  const kav_queenable_update w[4] = {
      {1, 1000, &items[0]}, {2, 1000, &items[1000]}, {3, 1000, &items[2000]}, {4, 1089, &items[3000]}};
  fresh();
  ASSERT_EQ(kav_queenable_update__sendbatch(6, w, 4, 0), 0u);
  const u8* area = one_area(4 * 16 + 65536, "kav_queenable_update__sendbatch");
  VmeshSendCall c{};
  vmesh_send_call(0, &c);
  EXPECT_EQ(reinterpret_cast<const u8*>(c.entries), area + 65536);
  for (u32 k = 0, at = 0; k < 4; at += entry(0, k).length, ++k) {
    EXPECT_EQ(entry(0, k).data, area + at) << k;
    EXPECT_EQ(entry(0, k).length, k < 3 ? 16028u : 17452u) << k;
  }
  items.back().field1 = 1;
  fresh();
  EXPECT_EQ(kav_queenable_update__sendbatch(6, w, 4, 0), kFail);
  EXPECT_EQ(vmesh_send_count(), 0u);
  one_area(4 * 16 + 65536, "kav_queenable_update__sendbatch");
}

// The working area outlives the library's call.
TEST(Batches, WorkingMemoryIsReleasedAfterTheLibraryReturns) {
  static kav_host items[2]{};
  static const kav_host_update lists[3] = {{7, 1, &items[0]}, {0, 0, nullptr}, {9, 2, items}};
  const std::vector<std::function<u32()>> calls = {[] { return kav_pid_state__sendbatch(3, kPids, 3, 0); },
                                                   [] { return kav_host_update__sendsingle(3, lists, 0, 0); },
                                                   [] { return kav_host_update__sendmsg(3, lists, 3); }};
  for (const auto& call : calls) {
    fresh();
    u32 events_at_delivery = kFail;
    vmesh_set_loopback(1);
    vmesh_set_receiver(
        [](u32, const void*, u32, void* ctx) {
          if (*static_cast<u32*>(ctx) == kFail) *static_cast<u32*>(ctx) = osal_host_mem_event_count();
        },
        &events_at_delivery);
    ASSERT_EQ(kav_recv_init(), 0u);
    ASSERT_EQ(call(), 0u);
    OsalHostMemEvent area{}, e{};
    ASSERT_EQ(osal_host_mem_event(0, &area), 1);
    ASSERT_NE(events_at_delivery, kFail);
    for (u32 i = 1; i < events_at_delivery && osal_host_mem_event(i, &e) == 1; ++i)
      EXPECT_FALSE(e.service == OSAL_HOST_MEM_FREE && e.ptr == area.ptr) << "released during the call";
    EXPECT_EQ(osal_host_live_blocks(), 0u);
  }
}

// count x (L + 16), or count x 16 + 64 KiB, beyond 32 bits: refused before any allocation, and the
// messages (one element here) are never read.
TEST(Batches, CountsWhoseAreaPasses32BitsAreRefused) {
  static const kav_host one_host{};
  static const kav_host_update one_list{};
  const std::vector<std::function<u32()>> calls = {
      [] { return kav_pid_state__sendbatch(1, kPids, 0x05555556u, 0); },  // x 48
      [] { return kav_pid_state__sendtomsg(1, kPids, kFail, 5); },
      [] { return kav_host__sendbatch(1, &one_host, 0x02000000u, 0); },  // x 128 = 2^32
      [] { return kav_host_update__sendbatch(1, &one_list, 0x0FFFF000u, 0); },
      [] { return kav_host_update__sendmsg(1, &one_list, kFail); }};
  for (const auto& call : calls) {
    fresh();
    EXPECT_EQ(call(), kFail);
    EXPECT_EQ(vmesh_send_count() + osal_host_mem_event_count(), 0u);
  }
}

}  // namespace
