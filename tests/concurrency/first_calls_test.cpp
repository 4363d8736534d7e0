// Many threads making the first calls into the library's four units at once, against the recording
// OSAL host. Each unit must bind exactly once (its cache binding asks the use flag once), every
// allocation must go through the host's allocators (a thread that saw a half-made binding would
// fall back to malloc or crash), and every failure must be logged once with its unit's module.
// The first calls are what is tested: CTest runs the test in a process of its own.
#include <gtest/gtest.h>

#include <cstring>
#include <latch>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "kav.h"
#include "kav_sync.h"
#include "osal_host.h"
#include "varelmesh_control.h"

namespace {

using u8 = std::uint8_t;
using u32 = std::uint32_t;
constexpr unsigned kThreads = 16, kRounds = 4;

const u8 kRootOutside[8] = {8};  // root offset 8 in 8 bytes: no room for the table
const u8 kRootAtEnd[4] = {4};    // root offset 4 in 4 bytes
// An update list of two items whose tables list no slots, both at 36.
const u8 kTwoEmptyItems[] = {12, 0, 0, 0, 8,  0, 0, 0, 0, 0, 4, 0, 8, 0, 0, 0, 4, 0, 0, 0,
                             2,  0, 0, 0, 12, 0, 0, 0, 8, 0, 0, 0, 4, 0, 4, 0, 4, 0, 0, 0};
const u8 kEmptyPair[16] = {12, 0, 0, 0, 8, 0, 4, 0, 0, 0, 0, 0, 8, 0, 0, 0};  // two slots, both absent

// Each kind of first call counts what it got wrong into `wrong`.
void main_unpack(u32& wrong) {
  kav_host host;
  std::memset(&host, 0xA5, sizeof host);
  wrong += kav_host__unpack(kRootOutside, 8, &host) != 56;  // delegating: zeroed, then logged
  const kav_host zero{};
  wrong += std::memcmp(&host, &zero, sizeof host) != 0;
  kav_pid_state ps{7, 8, 9};
  wrong += kav_pid_state__unpack(kRootAtEnd, 4, &ps) != 12 || ps.field0 != 7;  // in place: untouched, logged
  kav_host_update list;
  wrong += kav_host_update__unpack(kTwoEmptyItems, sizeof kTwoEmptyItems, &list) != 16;
  wrong += list.n_field1 != 2 || list.field1 == nullptr || std::memcmp(&list.field1[1], &zero, sizeof zero) != 0;
  kav_host_update_free__unpacked(&list);
}
void main_send(u32& wrong) {
  const kav_pid_state three[3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
  wrong += kav_pid_state__sendbatch(3, three, 3, 0) != 0;
  kav_host items[2] = {};
  const kav_host_update list{5, 2, items};
  wrong += kav_host_update__sendmsg(3, &list, 1) != 0;
  u32 len = 100;
  wrong += kav_pid_state__pack(three, nullptr, &len) != 0 || len != 30;  // a size query: logged
}
void sync_unpack(u32& wrong) {
  kav_sync_host_update host;
  std::memset(&host, 0xA5, sizeof host);
  wrong += kav_sync_host_update__unpack(kRootOutside, 8, &host) != 56 || host.field0 != 0;
  kav_sync_ethlen_update e{7, 8};
  wrong += kav_sync_ethlen_update__unpack(kRootAtEnd, 4, &e) != 8 || e.field0 != 7;
  wrong += kav_sync_ethlen_update__unpack(kEmptyPair, 16, &e) != 8 || e.field0 != 0;
}
void sync_send(u32& wrong) {
  const kav_sync_host_update two[2] = {};
  wrong += kav_sync_host_update__sendbatch(3, two, 2, 9) != 0;
  const kav_sync_ethlen_update e{1, 2};
  u32 len = 0xFFFFFFFFu;
  wrong += kav_sync_ethlen_update__pack(&e, nullptr, &len) != 0 || len != 24;
}

TEST(FirstCalls, AllFourUnitsFromManyThreads) {
  ASSERT_EQ(osal_host_use_flag_calls() + osal_host_log_count() + osal_host_mem_event_count(), 0u)
      << "the first calls of this process were made before the test";
  void (*const calls[])(u32&) = {main_unpack, main_send, sync_unpack, sync_send};
  std::latch start(kThreads);
  std::vector<u32> wrong(kThreads, 0);
  std::vector<std::thread> threads;
  for (unsigned t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      start.arrive_and_wait();  // every thread makes its first call at the same moment
      for (unsigned r = 0; r < kRounds; ++r)
        for (unsigned k = 0; k < 4; ++k) calls[(t + k) % 4](wrong[t]);
    });
  for (auto& th : threads) th.join();
  const u32 n = kThreads * kRounds;
  EXPECT_EQ(wrong, std::vector<u32>(kThreads, 0));

  EXPECT_EQ(osal_host_use_flag_calls(), 4u) << "each unit binds its cache once";
  for (u32 i = 0; i < 4; ++i) EXPECT_EQ(osal_host_use_flag_arg(i), 12u);

  std::map<std::string, u32> logs;
  std::map<std::string, std::set<const void*>> modules;  // one module record per unit
  OsalHostLogRecord rec{};
  for (u32 i = 0; osal_host_log_record(i, &rec) == 1; ++i) {
    ++logs[rec.func];
    EXPECT_EQ(std::to_string(rec.level) + " " + std::to_string(rec.code) + " " + rec.module_name, "2 22 KESMO");
    const std::string f = rec.func;
    modules[std::string(f.starts_with("kav_sync_") ? "sync" : "main") + (f.ends_with("_pack") ? " send" : " unpack")]
        .insert(rec.module);
  }
  EXPECT_EQ(logs, (std::map<std::string, u32>{{"kav_host_unpack_non_root", n},
                                              {"kav_pid_state_unpack", n},
                                              {"kav_pid_state_pack", n},
                                              {"kav_sync_host_update_unpack_non_root", n},
                                              {"kav_sync_ethlen_update_unpack", n},
                                              {"kav_sync_ethlen_update_pack", n}}));
  for (const auto& [unit, m] : modules) EXPECT_EQ(m.size(), 1u) << unit;

  std::map<std::string, u32> allocs;
  OsalHostMemEvent ev{};
  for (u32 i = 0; osal_host_mem_event(i, &ev) == 1; ++i) {
    if (ev.service == OSAL_HOST_MEM_FREE) {
      EXPECT_EQ(ev.arg, ev.origin == OSAL_HOST_MEM_CACHE_ALLOC ? 12u : 0x6200u) << ev.func;
      continue;
    }
    ASSERT_NE(ev.ptr, nullptr) << ev.func;
    ++allocs[ev.func];
    EXPECT_EQ(ev.service, std::string(ev.func).ends_with("_unpack") ? OSAL_HOST_MEM_CACHE_ALLOC : OSAL_HOST_MEM_ALLOC);
  }
  EXPECT_EQ(allocs, (std::map<std::string, u32>{{"kav_host_update_unpack", n},
                                                {"kav_pid_state__sendbatch", n},
                                                {"kav_host_update__sendsingle", n},
                                                {"kav_sync_host_update__sendbatch", n}}));
  EXPECT_EQ(osal_host_mem_event_count(), 2 * 4 * n) << "every block released";
  EXPECT_EQ(osal_host_live_blocks() + osal_host_bad_free_count(), 0u);
  EXPECT_EQ(vmesh_send_count(), 3 * n);
}

}  // namespace
