// How the library binds the host's services, one scenario per process (KAV_SCENARIO_*): all five
// services, none, the general allocator without its release, a cache use flag of 2, no cache
// allocator, and services that appear only after the first calls. The bindings each test observes
// are the process's first.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstring>
#include <string>
#include <vector>

#include "kav.h"
#include "kav_sync.h"
#include "osal_host.h"
#include "varelmesh_control.h"

namespace {

using u32 = std::uint32_t;
const std::uint8_t kNoTable[4] = {4, 0, 0, 0};  // root offset 4 in a 4-byte buffer

// A host_update of two items: 16 + 8 + 8 + 2 x 78 = 188 bytes packed.
struct HostList {
  kav_host items[2]{};
  kav_host_update msg{0, 2, items};
  std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(188);
  HostList() {
    items[0].field0 = 1;
    items[1].field12 = 2;
    u32 len = 188;
    EXPECT_EQ(kav_host_update__pack(&msg, bytes.data(), &len), 0u);
  }
  // Unpacks, checks the items and frees them; returns the block's usable size (0: none).
  std::size_t unpack_and_free() const {
    kav_host_update out{};
    EXPECT_EQ(kav_host_update__unpack(bytes.data(), 188, &out), 16u);
    if (out.field1 == nullptr) return 0;
    EXPECT_EQ(out.field1[0].field0 + out.field1[1].field12, 3u);
    const std::size_t usable = malloc_usable_size(out.field1);
    kav_host_update_free__unpacked(&out);
    EXPECT_EQ(out.field1, nullptr);
    return usable;
  }
  void send() const {
    vmesh_reset();
    EXPECT_EQ(kav_host_update__sendsingle(3, &msg, 0, 0), 0u);
    VmeshSentEntry e{};
    ASSERT_EQ(vmesh_sent_entry(0, 0, &e), 1);
    EXPECT_EQ(std::vector<std::uint8_t>(e.bytes, e.bytes + e.length), bytes);
  }
};

// What the host recorded; a scenario without a host at link time has neither (nor calls them).
#if !KAV_SCENARIO_late
[[maybe_unused]] std::vector<std::string> mem_events() {
  std::vector<std::string> out;
  OsalHostMemEvent e{};
  for (u32 i = 0; osal_host_mem_event(i, &e) == 1; ++i)
    out.push_back(std::to_string(e.service) + " " + std::to_string(e.size) + " " + std::to_string(e.arg) + " " +
                  e.func);
  return out;
}
[[maybe_unused]] std::vector<std::string> log_funcs() {
  std::vector<std::string> out;
  OsalHostLogRecord r{};
  for (u32 i = 0; osal_host_log_record(i, &r) == 1; ++i) out.push_back(r.func);
  return out;
}

// Logged faults return what they return with a writer; lists and sends work on malloc.
[[maybe_unused]] void works_without_host_memory() {
  kav_pid_state p{7, 8, 9};
  EXPECT_EQ(kav_pid_state__unpack(kNoTable, 4, &p), 12u);
  EXPECT_EQ(p.field0, 7u);
  u32 len = 100;
  EXPECT_EQ(kav_pid_state__pack(&p, nullptr, &len), 0u);
  EXPECT_EQ(len, 30u);
  HostList list;
  EXPECT_GE(list.unpack_and_free(), 112u);
  list.send();
  const kav_pid_state batch[3] = {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}};
  EXPECT_EQ(kav_pid_state__sendbatch(1, batch, 3, 0), 0u);
  EXPECT_EQ(mem_events(), std::vector<std::string>{});
}
#endif

#if KAV_SCENARIO_full
TEST(HostBinding, AllServices) {
  osal_host_reset();
  kav_pid_state p;
  kav_host h;
  kav_pid_state__unpack(kNoTable, 4, &p);  // in place: refused before the cache binding
  EXPECT_EQ(osal_host_use_flag_calls(), 0u);
  kav_host__unpack(kNoTable, 4, &h);  // delegating: binds the cache first
  EXPECT_EQ(log_funcs(), (std::vector<std::string>{"kav_pid_state_unpack", "kav_host_unpack_non_root"}));
  HostList list;  // packing binds the main send unit
  list.unpack_and_free();
  list.send();
  kav_sync_host_update s = list.items[0], back{};
  std::vector<std::uint8_t> sb(200);
  u32 len = 200;
  ASSERT_EQ(kav_sync_host_update__pack(&s, sb.data(), &len), 0u);  // the sync units bind on their own
  kav_sync_host_update__unpack(sb.data(), len, &back);
  EXPECT_EQ(back.field0, 1u);
  ASSERT_EQ(osal_host_use_flag_calls(), 4u);
  for (u32 i = 0; i < 4; ++i) EXPECT_EQ(osal_host_use_flag_arg(i), 12u);
  EXPECT_EQ(mem_events(), (std::vector<std::string>{
                              "1 112 12 kav_host_update_unpack", "2 112 12 kav_host_update_free_unpacked",
                              "0 188 25088 kav_host_update__sendsingle", "2 188 25088 kav_host_update__sendsingle"}));
}
#endif

#if KAV_SCENARIO_none || KAV_SCENARIO_alloc_only
TEST(HostBinding, WithoutHostMemoryEverythingComesFromMalloc) {
#if KAV_SCENARIO_none
  EXPECT_EQ(osal_host_services(), 0u);
#else
  EXPECT_EQ(osal_host_services(), 2u);
#endif
  works_without_host_memory();
  EXPECT_EQ(osal_host_log_count(), 0u);
}
#endif

#if KAV_SCENARIO_flag2 || KAV_SCENARIO_no_cache
// A use flag of 2, or a flag of 1 without the cache allocator: the cache stays on malloc.
TEST(HostBinding, CacheOnMallocGeneralAllocatorAndWriterFromTheHost) {
#if KAV_SCENARIO_flag2
  osal_host_set_use_flag(2);
#endif
  HostList list;
  EXPECT_GE(list.unpack_and_free(), 112u);
  EXPECT_EQ(osal_host_use_flag_calls(), 2u);
  list.send();  // the general allocator and the log writer are the host's all the same
  const kav_pid_state p{1, 2, 3};
  u32 len = 100;
  EXPECT_EQ(kav_pid_state__pack(&p, nullptr, &len), 0u);
  EXPECT_EQ(mem_events(), (std::vector<std::string>{"0 188 25088 kav_host_update__sendsingle",
                                                    "2 188 25088 kav_host_update__sendsingle"}));
  EXPECT_EQ(log_funcs(), std::vector<std::string>{"kav_pid_state_pack"});
}
#endif

#if KAV_SCENARIO_late
// Each unit keeps what it found at its first use: services loaded afterwards reach the units that
// bind later, never one that has bound.
TEST(HostBinding, ServicesLoadedLateReachOnlyUnitsThatBindLater) {
  ASSERT_EQ(dlsym(RTLD_DEFAULT, "RVX_OsalLogWrite"), nullptr) << "the process starts without services";
  kav_ethlen e{7, 8};
  EXPECT_EQ(kav_ethlen__unpack(kNoTable, 4, &e), 8u);  // nowhere to log; the main unpack unit binds
  void* host = dlopen(KAV_LATE_HOST, RTLD_NOW | RTLD_GLOBAL);
  ASSERT_NE(host, nullptr) << dlerror();
  const auto logs = reinterpret_cast<u32 (*)()>(dlsym(host, "osal_host_log_count"));
  const auto record = reinterpret_cast<int (*)(u32, OsalHostLogRecord*)>(dlsym(host, "osal_host_log_record"));
  kav_sync_ethlen_update s;
  kav_sync_ethlen_update__unpack(kNoTable, 4, &s);  // the sync unpack unit binds now
  kav_ethlen__unpack(kNoTable, 4, &e);              // the main unpack unit never binds again
  const kav_pid_state p{1, 2, 3};
  u32 len = 0xFFFFFFFFu;
  EXPECT_EQ(kav_pid_state__pack(&p, nullptr, &len), 0u);  // the main send unit binds now
  ASSERT_EQ(logs(), 2u);
  OsalHostLogRecord r[2]{};
  record(0, &r[0]);
  record(1, &r[1]);
  EXPECT_EQ(std::string(r[0].func) + " " + r[1].func, "kav_sync_ethlen_update_unpack kav_pid_state_pack");
}
#endif

}  // namespace
